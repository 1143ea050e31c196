#pragma once

class QScrollBar;

namespace tabulo::test {

// Drags the scroll bar's handle with the mouse, as a user would: a press on
// the handle, moves with the button held until the handle stands at
// `position`, and the release. False when the bar is hidden or the handle
// cannot be brought to that position.
bool dragThumbTo(QScrollBar *bar, int position);

} // namespace tabulo::test
