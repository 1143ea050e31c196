#include "engine/PlacementSettings.h"

#include "store/Store.h"

#include <QDir>

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

} // namespace tabulo::engine
