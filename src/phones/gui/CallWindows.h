#pragma once

#include "engine/gui/BrowseWindow.h"

#include <functional>

class QLabel;
class QPlainTextEdit;

namespace tabulo::engine::gui {
class RecordFormWindow;
} // namespace tabulo::engine::gui

namespace tabulo::host::gui {
class WindowOpeners;
} // namespace tabulo::host::gui

namespace tabulo::phones::gui {

// The calls list "Calls List": the incoming calls in six orders (newest
// first, by company, caller, number, source, and the calls not returned),
// the name of a call not returned in red, and beside the list the
// highlighted call's about text and return status.
class CallsListWindow final : public engine::gui::BrowseWindow {
    Q_OBJECT
public:
    // The frame's "Calls List": one window; a second start brings it forward.
    static CallsListWindow *open();
    static CallsListWindow *openWindow();

    // "Add Co&py": a new call that starts as a copy of the highlighted one,
    // not returned and with no about text.
    void addCopy();
    // The hidden "Dia&l": the highlighted caller's office number.
    void dialHighlighted();

    QPlainTextEdit *aboutText() const { return m_about; }
    QLabel *statusText() const { return m_status; }

    void pageChanged() override;

private:
    CallsListWindow();
    void showHighlighted();

    QPlainTextEdit *m_about = nullptr;
    QLabel *m_status = nullptr;
    bool m_aboutPending = false;
};

// The call form "Update Who Called File" for GlobalRequest over `caller`.
engine::gui::RecordFormWindow *runCallForm(QWidget *caller, std::function<void()> done);

void registerCallWindows(host::gui::WindowOpeners &openers);

} // namespace tabulo::phones::gui
