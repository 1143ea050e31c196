#include "exchange/Csv.h"

#include <QStringDecoder>

namespace tabulo::exchange {

namespace {

QString decode(const QByteArray &bytes) {
    QStringDecoder utf8(QStringDecoder::Utf8);
    const QString text = utf8(bytes);
    if (!utf8.hasError())
        return text;
    QStringDecoder windows("windows-1252");
    return windows.isValid() ? windows(bytes) : QString::fromLatin1(bytes);
}

} // namespace

CsvTable readCsv(const QByteArray &input) {
    CsvTable table;
    QByteArray data = input;
    if (data.startsWith("\xEF\xBB\xBF"))
        data.remove(0, 3);
    if (data.contains('\0')) {
        table.binary = true;
        return table;
    }
    const QString text = decode(data);
    const qsizetype firstEnd = text.indexOf(QLatin1Char('\n'));
    const QString firstLine = text.left(firstEnd < 0 ? text.size() : firstEnd);
    const QChar sep = (firstLine.contains(QLatin1Char(';')) && !firstLine.contains(QLatin1Char(',')))
                          ? QLatin1Char(';')
                          : QLatin1Char(',');
    int line = 1;
    CsvRow row;
    row.line = 1;
    QString field;
    bool quoted = false;
    bool rowHasContent = false;
    int quoteLine = 0;
    const qsizetype size = text.size();
    auto endRow = [&] {
        row.fields.append(field);
        field.clear();
        if (rowHasContent || row.fields.size() > 1 || !row.fields.first().isEmpty())
            table.rows.push_back(std::move(row));
        row = CsvRow{};
        rowHasContent = false;
    };
    for (qsizetype i = 0; i < size; ++i) {
        const QChar c = text[i];
        if (quoted) {
            if (c == QLatin1Char('"')) {
                if (i + 1 < size && text[i + 1] == QLatin1Char('"')) {
                    field += c;
                    ++i;
                } else {
                    quoted = false;
                }
            } else {
                if (c == QLatin1Char('\r') && i + 1 < size && text[i + 1] == QLatin1Char('\n')) {
                    ++i;
                    field += QLatin1Char('\n');
                    ++line;
                    continue;
                }
                if (c == QLatin1Char('\n') || c == QLatin1Char('\r')) {
                    field += QLatin1Char('\n');
                    ++line;
                    continue;
                }
                field += c;
            }
            continue;
        }
        if (row.fields.isEmpty() && field.isEmpty() && !rowHasContent)
            row.line = line;
        if (c == QLatin1Char('"')) {
            quoted = true;
            quoteLine = line;
            rowHasContent = true;
        } else if (c == sep) {
            row.fields.append(field);
            field.clear();
            rowHasContent = true;
        } else if (c == QLatin1Char('\r') || c == QLatin1Char('\n')) {
            if (c == QLatin1Char('\r') && i + 1 < size && text[i + 1] == QLatin1Char('\n'))
                ++i;
            endRow();
            ++line;
        } else {
            field += c;
            rowHasContent = true;
        }
    }
    if (quoted)
        table.unterminatedLine = quoteLine;
    if (rowHasContent || !field.isEmpty())
        endRow();
    return table;
}

QString csvField(const QString &text) {
    const bool needsQuotes = text.contains(QLatin1Char(',')) || text.contains(QLatin1Char('"')) ||
                             text.contains(QLatin1Char('\n')) || text.contains(QLatin1Char('\r')) ||
                             text.contains(QLatin1Char(';')) ||
                             (!text.isEmpty() && (text.front().isSpace() || text.back().isSpace()));
    if (!needsQuotes)
        return text;
    QString quoted = text;
    quoted.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

QByteArray csvRow(const QStringList &fields) {
    QString line;
    for (qsizetype i = 0; i < fields.size(); ++i) {
        if (i)
            line += QLatin1Char(',');
        line += csvField(fields[i]);
    }
    line += QLatin1String("\r\n");
    return line.toUtf8();
}

} // namespace tabulo::exchange
