#include "engine/PlacementSettings.h"

#include "store/Store.h"

#include <QDir>

#include <algorithm>

#include <QSettings>

namespace tabulo::engine {

QString PlacementSettings::defaultFile() {
    return QDir(store::Store::instance().directory()).filePath(QStringLiteral("QK.INI"));
}

namespace {
QString keyOf(const QString &section, const QString &key) {
    return section + QLatin1Char('/') + key;
}
} // namespace

PlacementSettings::PlacementSettings(QString iniFile)
    : m_file(std::move(iniFile)) {}

int PlacementSettings::number(const QString &section, const QString &key) const {
    const QSettings settings(m_file, QSettings::IniFormat);
    bool ok = false;
    const int value = settings.value(keyOf(section, key)).toString().trimmed().toInt(&ok);
    return ok ? value : 0;
}

bool PlacementSettings::maximised(const QString &section) const {
    const QSettings settings(m_file, QSettings::IniFormat);
    return settings.value(keyOf(section, QStringLiteral("Maximize"))).toString().trimmed() ==
           QLatin1String("Yes");
}

Placement PlacementSettings::read(const QString &section) const {
    Placement placement;
    placement.x = number(section, QStringLiteral("XPosit"));
    placement.y = number(section, QStringLiteral("YPosit"));
    placement.width = number(section, QStringLiteral("Width"));
    placement.height = number(section, QStringLiteral("Height"));
    placement.maximised = maximised(section);
    return placement;
}

void PlacementSettings::write(const QString &section, const Placement &placement) const {
    QSettings settings(m_file, QSettings::IniFormat);
    settings.beginGroup(section);
    settings.setValue(QStringLiteral("Maximize"),
                      placement.maximised ? QStringLiteral("Yes") : QStringLiteral("No"));
    settings.setValue(QStringLiteral("XPosit"), placement.x);
    settings.setValue(QStringLiteral("YPosit"), placement.y);
    settings.setValue(QStringLiteral("Width"), placement.width);
    settings.setValue(QStringLiteral("Height"), placement.height);
    settings.endGroup();
    settings.sync();
}

QRect clampPlacement(QRect saved, QSize designed, const QList<QRect> &areas, int titleBarHeight) {
    saved.setSize(saved.size().expandedTo(designed));
    if (areas.isEmpty())
        return saved;
    // Wholly on one screen, or on several side by side (screens do not
    // overlap but when they mirror one another): where the user left it.
    qint64 covered = 0;
    for (const QRect &area : areas) {
        if (area.contains(saved))
            return saved;
        const QRect shown = area.intersected(saved);
        covered += shown.isEmpty() ? 0 : qint64(shown.width()) * shown.height();
    }
    if (covered >= qint64(saved.width()) * saved.height())
        return saved;
    // The screen that shows most of it; when none shows any, the nearest,
    // measured from the window's centre (64-bit: a saved position may be
    // anywhere).
    const QRect *chosen = nullptr;
    qint64 best = -1;
    for (const QRect &area : areas) {
        const QRect shown = area.intersected(saved);
        const qint64 a = shown.isEmpty() ? 0 : qint64(shown.width()) * shown.height();
        if (a > 0 && a > best) {
            best = a;
            chosen = &area;
        }
    }
    if (!chosen) {
        best = -1;
        for (const QRect &area : areas) {
            const qint64 dx = std::max<qint64>(
                {0, qint64(area.left()) - saved.center().x(), qint64(saved.center().x()) - area.right()});
            const qint64 dy = std::max<qint64>(
                {0, qint64(area.top()) - saved.center().y(), qint64(saved.center().y()) - area.bottom()});
            const qint64 d = dx * dx + dy * dy;
            if (best < 0 || d < best) {
                best = d;
                chosen = &area;
            }
        }
    }
    const QRect &a = *chosen;
    // A window that fits goes wholly onto the screen. One larger than the
    // screen keeps at least its title bar's height and a quarter of its
    // width on it, so the user can still take hold of it.
    const int title = std::max(1, std::min(titleBarHeight, saved.height()));
    const int quarter = std::max(1, saved.width() / 4);
    const int x = saved.width() <= a.width()
                      ? std::clamp(saved.x(), a.left(), a.right() + 1 - saved.width())
                      : std::clamp(saved.x(), a.left() - (saved.width() - quarter),
                                   std::max(a.left(), a.right() + 1 - quarter));
    const int y = saved.height() <= a.height() ? std::clamp(saved.y(), a.top(), a.bottom() + 1 - saved.height())
                                               : std::clamp(saved.y(), a.top(), std::max(a.top(), a.bottom() + 1 - title));
    saved.moveTo(x, y);
    return saved;
}

} // namespace tabulo::engine
