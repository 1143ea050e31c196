#pragma once

#include <QString>

namespace tabulo::base {

// Stored text is blank-padded to its field's width; this is the one place
// that takes the padding off again.
QString withoutTrailingBlanks(const QString &text);

// What may be stored of typed or pasted text: control characters (C0, DEL,
// C1), line and paragraph separators and the bidirectional marks,
// embeddings, overrides and isolates are dropped. A memo keeps its line
// breaks and tabs.
enum class TextKind { OneLine, Memo };
QString withoutControls(const QString &text, TextKind kind = TextKind::OneLine);

} // namespace tabulo::base
