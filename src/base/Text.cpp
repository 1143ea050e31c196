#include "base/Text.h"

namespace tabulo::base {

QString withoutTrailingBlanks(const QString &text) {
    qsizetype end = text.size();
    while (end > 0 && text.at(end - 1) == QLatin1Char(' '))
        --end;
    return text.left(end);
}

} // namespace tabulo::base
