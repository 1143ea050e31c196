#include "engine/gui/WindowPlacement.h"

#include "engine/gui/ControlResizer.h"
#include "engine/gui/WindowHost.h"

#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QStyle>
#include <QLayout>
#include <QWidget>

namespace tabulo::engine::gui {

namespace {
bool userResizable(const QWidget *window) {
    return window->minimumSize() != window->maximumSize();
}

// Where the window may be placed: the frame's work area for a sub-window,
// the screens' available areas for a top-level window.
QList<QRect> placementAreas(const QWidget *window) {
    if (!window->isWindow() && window->parentWidget())
        return {window->parentWidget()->rect()};
    QList<QRect> areas;
    for (const QScreen *screen : QGuiApplication::screens())
        areas << screen->availableGeometry();
    return areas;
}

int titleBarHeight(const QWidget *window) {
    return window->style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, window);
}
} // namespace

WindowPlacement::WindowPlacement(QWidget *window, QString section, PlacementSettings settings)
    : QObject(window)
    , m_window(window)
    , m_section(std::move(section))
    , m_settings(std::move(settings)) {
    setObjectName(QStringLiteral("windowPlacement"));
    window->installEventFilter(this);
}

QSize WindowPlacement::designedSize(const QWidget *window) {
    if (window->testAttribute(Qt::WA_Resized))
        return window->size();
    return window->sizeHint().expandedTo(window->minimumSize());
}

WindowPlacement *WindowPlacement::attach(QWidget *window, const QString &section, const QString &iniFile) {
    PlacementSettings settings(iniFile.isEmpty() ? PlacementSettings::defaultFile() : iniFile);
    const QSize designed = designedSize(window);
    window->resize(designed);
    window->setMinimumSize(designed);
    auto *placement = new WindowPlacement(window, section, settings);
    if (!WindowHost::area())
        placement->restoreNow();
    return placement;
}

WindowPlacement *WindowPlacement::attachResizable(QWidget *window, const QString &section,
                                                  const QString &iniFile) {
    PlacementSettings settings(iniFile.isEmpty() ? PlacementSettings::defaultFile() : iniFile);
    const QSize designed = designedSize(window);
    window->resize(designed);
    window->setMinimumSize(designed);
    ControlResizer *resizer = ControlResizer::install(window);
    auto *placement = new WindowPlacement(window, section, settings);
    if (!WindowHost::area())
        placement->restoreNow();
    resizer->resize();
    return placement;
}

void WindowPlacement::settleDesignedSize(QWidget *window) {
    if (!window->layout())
        return;
    window->layout()->activate();
    const QSize asked = window->sizeHint().expandedTo(window->minimumSizeHint());
    const QSize least = window->minimumSize();
    if (asked.width() <= least.width() && asked.height() <= least.height())
        return;
    const QSize designed = least.expandedTo(asked);
    if (window->minimumSize() == window->maximumSize())
        window->setFixedSize(designed);
    else
        window->setMinimumSize(designed);
    window->resize(window->size().expandedTo(designed));
}

WindowPlacement *WindowPlacement::of(const QWidget *window) {
    return window->findChild<WindowPlacement *>(QStringLiteral("windowPlacement"),
                                                Qt::FindDirectChildrenOnly);
}

void WindowPlacement::restoreNow() {
    if (!m_window || m_restored)
        return;
    m_restored = true;
    restore(m_window, m_section, m_settings);
}

void WindowPlacement::restore(QWidget *content, const QString &section, const PlacementSettings &settings) {
    // Inside the frame the user moves and sizes the sub-window.
    QWidget *window = WindowHost::frameOf(content);
    const int x = settings.number(section, QStringLiteral("XPosit"));
    // A window saved at x = 0 counts as never saved.
    if (x == 0)
        return;
    if (!(window->windowState() & Qt::WindowMaximized)) {
        const int y = settings.number(section, QStringLiteral("YPosit"));
        if (y != 0) {
            QRect saved(x, y, window->width(), window->height());
            bool apply = true;
            if (userResizable(content)) {
                const int width = settings.number(section, QStringLiteral("Width"));
                const int height = settings.number(section, QStringLiteral("Height"));
                apply = width != 0 && height != 0;
                saved.setSize(QSize(width, height));
            }
            if (apply)
                window->setGeometry(clampPlacement(saved, window->minimumSize(), placementAreas(window),
                                                   titleBarHeight(window)));
        }
    }
    if (settings.maximised(section))
        window->setWindowState(window->windowState() | Qt::WindowMaximized);
}

void WindowPlacement::save(QWidget *content, const QString &section, const PlacementSettings &settings) {
    QWidget *window = WindowHost::frameOf(content);
    const Qt::WindowStates state = window->windowState();
    if (state & Qt::WindowMinimized)
        return;
    Placement placement;
    placement.maximised = (state & Qt::WindowMaximized) != 0;
    QRect normal = window->geometry();
    if (placement.maximised) {
        // A top-level window remembers its normal geometry; a child window
        // (an MDI sub-window) has to be taken out of the maximised state first.
        if (window->isWindow() && window->normalGeometry().isValid()) {
            normal = window->normalGeometry();
        } else {
            window->showNormal();
            normal = window->geometry();
        }
    }
    placement.x = normal.x();
    placement.y = normal.y();
    placement.width = normal.width();
    placement.height = normal.height();
    settings.write(section, placement);
}

void WindowPlacement::saveNow() {
    if (m_window)
        save(m_window, m_section, m_settings);
}

bool WindowPlacement::eventFilter(QObject *watched, QEvent *event) {
    // A close hides the window without the system's say; a minimise or a
    // system hide arrives as a spontaneous event and is no close.
    if (watched == m_window && event->type() == QEvent::Hide && !event->spontaneous() && m_restored)
        saveNow();
    return QObject::eventFilter(watched, event);
}

} // namespace tabulo::engine::gui
