#pragma once

#include <QPointer>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <vector>

class QWidget;

namespace tabulo::host {
class StoreSetupSource;
}
namespace tabulo::shell::gui {
class MainFrame;
}

namespace tabulo::test {

// What a person would see wrong in a window: a visible control that covers
// another or sticks out of its window, a list row cut off. Empty when the
// window is laid out well.
QStringList layoutProblems(QWidget *window);

// The program's main frame over the store's data directory, with every
// window the program has plugged into its menu, as the program runs it.
class ProgramFrame final {
public:
    ProgramFrame();
    ~ProgramFrame();
    shell::gui::MainFrame &frame() { return *m_frame; }

private:
    std::unique_ptr<host::StoreSetupSource> m_setup;
    std::unique_ptr<shell::gui::MainFrame> m_frame;
};

// One window of the program and how a user opens it.
struct TourStop {
    QString name; // the window's object name ("catls")
    // Opens it (through the frame's menu or a button of an open window).
    std::function<void(shell::gui::MainFrame &)> open;
};

// Every window that exists, in an order in which each one's caller is open
// before it.
std::vector<TourStop> windowTour();

// The visible window named `name` (its content widget when it is a
// sub-window of the frame), newest first; null when none is open.
QWidget *openWindow(const QString &name);
// What the user moves and sizes for that window.
QWidget *outerWindow(QWidget *window);

// Lets posted events run.
void settleEvents();

} // namespace tabulo::test
