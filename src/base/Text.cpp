#include "base/Text.h"

namespace tabulo::base {

QString withoutTrailingBlanks(const QString &text) {
    qsizetype end = text.size();
    while (end > 0 && text.at(end - 1) == QLatin1Char(' '))
        --end;
    return text.left(end);
}

namespace {
bool dropped(char16_t c, TextKind kind)
{
    if (kind == TextKind::Memo && (c == u'\n' || c == u'\t'))
        return false;
    if (c < 0x20 || (c >= 0x7F && c <= 0x9F))
        return true;
    return c == 0x061C || c == 0x200E || c == 0x200F || (c >= 0x2028 && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069);
}
} // namespace

QString withoutControls(const QString &text, TextKind kind)
{
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        if (!dropped(c.unicode(), kind))
            out += c;
    }
    return out;
}

} // namespace tabulo::base
