#pragma once

#include <functional>

class QWidget;

namespace tabulo::engine::gui {
class RecordFormWindow;
}

namespace tabulo::shell::gui {

// The setup form: the one record of QKset (owner, home location, area code,
// reminder lead days and pop-up interval) as a change of that record,
// whatever request it is called with. The dialling settings are part of the
// window but hidden, so they keep what the record holds.
class SetupForm final {
public:
    // Opens the form beside the frame (not modal over it); `done` runs when
    // it has ended, with the global response set to RequestCompleted when the
    // record was saved. While one is open, asking again brings it forward.
    static engine::gui::RecordFormWindow *open(std::function<void()> done = {});
};

} // namespace tabulo::shell::gui
