#pragma once

class QLineEdit;

namespace tabulo::engine::gui {

// Makes a one-line entry drop control characters and bidirectional marks
// as they are typed or pasted (see base::withoutControls).
void filterControls(QLineEdit *entry);

} // namespace tabulo::engine::gui
