#include "engine/gui/WindowHost.h"

#include "engine/gui/WindowPlacement.h"

#include <QEvent>
#include <QHash>
#include <QLayout>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QWidget>

namespace tabulo::engine::gui {

namespace {
QPointer<QMdiArea> s_area;

// Keeps one sub-window waiting while forms or pickers it opened are up: its
// contents are disabled and its close is refused (the newest of those
// windows comes forward instead).
class CallerBlock final : public QObject {
public:
    explicit CallerBlock(QMdiSubWindow *sub)
        : QObject(sub)
        , m_sub(sub) {
        setObjectName(QStringLiteral("callerBlock"));
        sub->installEventFilter(this);
    }

    static CallerBlock *of(QMdiSubWindow *sub) {
        if (auto *block =
                sub->findChild<CallerBlock *>(QStringLiteral("callerBlock"), Qt::FindDirectChildrenOnly))
            return block;
        return new CallerBlock(sub);
    }

    void add(QWidget *window) {
        m_windows.append(window);
        apply();
    }
    void remove(QWidget *window) {
        m_windows.removeAll(window);
        m_windows.removeAll(nullptr);
        apply();
    }
    bool blocked() const {
        for (const QPointer<QWidget> &w : m_windows) {
            if (w)
                return true;
        }
        return false;
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override {
        if (watched == m_sub && event->type() == QEvent::Close && blocked()) {
            event->ignore();
            for (auto it = m_windows.crbegin(); it != m_windows.crend(); ++it) {
                if (*it) {
                    WindowHost::bringToFront(*it);
                    break;
                }
            }
            return true;
        }
        return QObject::eventFilter(watched, event);
    }

private:
    void apply() {
        if (QWidget *content = m_sub->widget())
            content->setEnabled(!blocked());
    }

    QMdiSubWindow *m_sub;
    QList<QPointer<QWidget>> m_windows;
};

// The caller sub-window each open form or picker blocks.
QHash<const QWidget *, QPointer<QMdiSubWindow>> &blockedCallers() {
    static QHash<const QWidget *, QPointer<QMdiSubWindow>> callers;
    return callers;
}
} // namespace

void WindowHost::setArea(QMdiArea *area) {
    s_area = area;
}

QMdiArea *WindowHost::area() {
    return s_area.data();
}

QMdiSubWindow *WindowHost::subWindowOf(const QWidget *widget) {
    for (const QWidget *w = widget; w; w = w->parentWidget()) {
        if (auto *sub = qobject_cast<QMdiSubWindow *>(const_cast<QWidget *>(w)))
            return sub;
        if (w->isWindow())
            return nullptr;
    }
    return nullptr;
}

QWidget *WindowHost::frameOf(QWidget *widget) {
    if (QMdiSubWindow *sub = subWindowOf(widget))
        return sub;
    return widget;
}

void WindowHost::bringToFront(QWidget *widget) {
    if (!widget)
        return;
    if (QMdiSubWindow *sub = subWindowOf(widget)) {
        if (sub->isMinimized())
            sub->showNormal();
        if (QMdiArea *area = sub->mdiArea())
            area->setActiveSubWindow(sub);
        return;
    }
    widget->window()->raise();
    widget->window()->activateWindow();
}

bool WindowHost::isBlocked(const QWidget *widget) {
    QMdiSubWindow *sub = subWindowOf(widget);
    if (!sub)
        return false;
    auto *block = sub->findChild<CallerBlock *>(QStringLiteral("callerBlock"), Qt::FindDirectChildrenOnly);
    return block && block->blocked();
}

void WindowHost::present(QWidget *window, QWidget *caller) {
    QMdiSubWindow *callerSub = caller ? subWindowOf(caller) : nullptr;
    // A caller outside the area keeps its window as a window-modal one: the
    // frame itself, for the windows that block it (the cities list from its
    // menu), or a window that is itself outside (tested on its own).
    const bool inArea = s_area && (!caller || callerSub);
    if (!inArea) {
        if (caller) {
            if (!window->isWindow())
                window->setParent(caller, window->windowFlags() | Qt::Window);
            window->setWindowModality(Qt::WindowModal);
        }
        WindowPlacement::settleDesignedSize(window);
        if (WindowPlacement *placement = WindowPlacement::of(window))
            placement->restoreNow();
        window->show();
        return;
    }

    window->setWindowModality(Qt::NonModal);
    WindowPlacement::settleDesignedSize(window);
    const QSize content = window->size();
    QMdiSubWindow *sub = s_area->addSubWindow(window);
    sub->setAttribute(Qt::WA_DeleteOnClose);
    sub->setObjectName(window->objectName() + QStringLiteral("Window"));
    sub->setWindowTitle(window->windowTitle());
    sub->setWindowIcon(window->windowIcon());
    // A window that cannot be resized keeps its frame at one size too.
    if (window->minimumSize() == window->maximumSize())
        sub->setWindowFlags(sub->windowFlags() & ~Qt::WindowMaximizeButtonHint);
    QObject::connect(window, &QWidget::windowTitleChanged, sub, &QWidget::setWindowTitle);
    // Held as a plain widget: when the area goes first, the sub-window is
    // already past its own destructor as the window it holds is destroyed.
    QPointer<QWidget> guardedSub(sub);
    QObject::connect(window, &QObject::destroyed, s_area, [window, guardedSub] {
        release(window);
        // The frame goes with the window it held.
        auto *held = qobject_cast<QMdiSubWindow *>(guardedSub.data());
        if (held && !held->widget())
            held->deleteLater();
    });
    if (callerSub) {
        blockedCallers().insert(window, callerSub);
        CallerBlock::of(callerSub)->add(window);
    }
    // The sub-window opens around the window at the size it was designed
    // with; the title bar and borders come on top.
    const QMargins margins = sub->contentsMargins();
    sub->resize(content + QSize(margins.left() + margins.right(), margins.top() + margins.bottom()));
    if (WindowPlacement *placement = WindowPlacement::of(window))
        placement->restoreNow();
    if (window->minimumSize() == window->maximumSize())
        sub->setFixedSize(sub->size());
    sub->show();
    s_area->setActiveSubWindow(sub);
}

void WindowHost::onReactivated(QWidget *window, std::function<void()> run) {
    if (QMdiSubWindow *sub = subWindowOf(window)) {
        QObject::connect(sub, &QMdiSubWindow::windowStateChanged, window,
                         [run](Qt::WindowStates before, Qt::WindowStates now) {
                             if (!(before & Qt::WindowActive) && (now & Qt::WindowActive))
                                 run();
                         });
        return;
    }
    // A window of its own: its activation change.
    struct Watcher final : QObject {
        std::function<void()> run;
        bool eventFilter(QObject *watched, QEvent *event) override {
            if (event->type() == QEvent::ActivationChange && static_cast<QWidget *>(watched)->isActiveWindow())
                run();
            return false;
        }
    };
    auto *watcher = new Watcher;
    watcher->setParent(window);
    watcher->run = std::move(run);
    window->installEventFilter(watcher);
}

void WindowHost::release(QWidget *window) {
    const auto found = blockedCallers().find(window);
    if (found == blockedCallers().end())
        return;
    const QPointer<QMdiSubWindow> callerSub = found.value();
    blockedCallers().erase(found);
    if (!callerSub)
        return;
    CallerBlock::of(callerSub)->remove(window);
    if (!CallerBlock::of(callerSub)->blocked())
        bringToFront(callerSub);
}

} // namespace tabulo::engine::gui
