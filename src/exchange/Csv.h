#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <vector>

namespace tabulo::exchange {

// Comma-separated values as RFC 4180 has them: fields in double quotes may
// hold commas, quotes (doubled) and line breaks; lines end with CRLF (LF or
// CR alone are read too). The same reader serves every CSV import, the
// writer every CSV export.

struct CsvRow {
    QStringList fields;
    int line = 0; // the physical line the row starts on, counted from 1
};

struct CsvTable {
    std::vector<CsvRow> rows; // the header row first
    // A quoted field still open at the end of the file: the line it began.
    int unterminatedLine = 0;
    bool binary = false; // NUL bytes: not text at all
};

// Reads the text (UTF-8, or the Windows code page when it is not valid
// UTF-8; a byte-order mark is dropped). The separator is the comma, or the
// semicolon when the first line holds semicolons and no commas, as some
// locales write it.
CsvTable readCsv(const QByteArray &data);

// One field quoted when it must be: a separator, quote, CR or LF in it, or
// blanks at either end.
QString csvField(const QString &text);
// One row, fields quoted as needed, ended with CRLF.
QByteArray csvRow(const QStringList &fields);

} // namespace tabulo::exchange
