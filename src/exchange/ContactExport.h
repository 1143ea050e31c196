#pragma once

#include "exchange/Contact.h"

#include <QByteArray>
#include <QString>

#include <functional>
#include <vector>

namespace tabulo::exchange {

enum class ExportFormat { VCard4, VCard3, Csv };

// What goes out: the people of a name category, the companies of a company
// category, or everything (all companies, then all people).
enum class ExportScope { People, Companies, Everything };

struct ExportOptions {
    ExportFormat format = ExportFormat::VCard4;
    ExportScope scope = ExportScope::Everything;
    // The name category (People) or company category (Companies); 0 = All.
    qint64 category = 0;
    // Called now and then with the cards done; returning false cancels.
    std::function<bool(int done, int total)> progress;
};

struct ExportSummary {
    int people = 0;
    int companies = 0;
    bool cancelled = false;
    QString failure;
    bool ok() const { return failure.isEmpty(); }
    QString text() const;
};

// The contacts of the scope as stored: people with their phones (in
// storage order), notes (by their order number), categories and company's
// name; companies with theirs.
std::vector<Contact> collectContacts(const ExportOptions &options, ExportSummary &summary);

// The contacts written in the format, UTF-8, in pieces to be written one
// after the other (many cards are written side by side).
std::vector<QByteArray> formatContacts(const std::vector<Contact> &contacts, ExportFormat format);

// Collects and writes to the file.
ExportSummary exportFile(const QString &path, const ExportOptions &options);

// The format named on the command line: "vcard" (4.0), "vcard3", "csv".
bool exportFormatFromName(const QString &name, ExportFormat &format);

} // namespace tabulo::exchange
