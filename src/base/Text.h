#pragma once

#include <QString>

namespace tabulo::base {

// Stored text is blank-padded to its field's width; this is the one place
// that takes the padding off again.
QString withoutTrailingBlanks(const QString &text);

} // namespace tabulo::base
