#pragma once

#include <functional>

#include <QPointer>

class QMdiArea;
class QMdiSubWindow;
class QWidget;

namespace tabulo::engine::gui {

// Where the program's windows live. With the main frame running they are
// sub-windows of its MDI area: a list or form started on its own is a
// sub-window beside the others; a form or picker shown over a caller is a
// sub-window too, and while it is open its caller is disabled and cannot be
// closed, every other window staying usable. Without a frame (a window
// tested on its own) windows are top-level, a form window-modal over its
// caller.
class WindowHost final {
public:
    static void setArea(QMdiArea *area);
    static QMdiArea *area();

    // Shows `window`: over `caller` when given, on its own otherwise.
    static void present(QWidget *window, QWidget *caller = nullptr);
    // The caller of `window` is usable again. Forms and pickers call this
    // before their continuation runs, so the caller it returns to is enabled;
    // it also happens when the window is destroyed.
    static void release(QWidget *window);

    // The sub-window holding `widget`, or null when it is not in the area.
    static QMdiSubWindow *subWindowOf(const QWidget *widget);
    // What the user moves and sizes: the sub-window, or the window itself.
    static QWidget *frameOf(QWidget *widget);
    // Raises and activates the window holding `widget`.
    static void bringToFront(QWidget *widget);
    // Whether `widget`'s window waits for a form or picker it opened.
    static bool isBlocked(const QWidget *widget);
    // Runs `run` each time the user comes back to `window` from another
    // window: its sub-window becomes the active one again, or, outside the
    // frame, the window is activated again.
    static void onReactivated(QWidget *window, std::function<void()> run);
};

} // namespace tabulo::engine::gui
