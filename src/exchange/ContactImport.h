#pragma once

#include "exchange/Contact.h"
#include "exchange/ContactMapping.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>
#include <vector>

namespace tabulo::exchange {

// What could not be read, with its line in the file.
struct ImportProblem {
    int line = 0;
    QString text;
};

// A file read into contacts, before anything is stored.
struct ParsedContacts {
    std::vector<Contact> contacts;
    std::vector<ImportProblem> problems;
    bool isCsv = false;
    // A CSV whose header no known layout matches: the caller maps the
    // columns (the mapping dialog) and reads again with the mapping.
    bool needsMapping = false;
    QStringList header;
    // The CSV headers that name nothing known: their columns are not imported.
    QStringList unknownColumns;
    QString failure; // the file cannot be read at all
};

// Reads a vCard or CSV file's bytes; `mapping` overrides the recognised
// CSV layout. The kind is told by the content: vCard text, else CSV.
ParsedContacts parseContacts(const QByteArray &data, const std::optional<CsvMapping> &mapping = std::nullopt);

// "A", "B", "C", as a message lists names.
QString quotedList(const QStringList &names);

// Reads vCard bytes in about `pieces` runs side by side, each cut where a
// card begins right after one ends; it gives what one reading gives, cards
// and problems with the file's own line numbers. (parseContacts chooses
// the number by the file's size.)
ParsedContacts parseVCardsInPieces(const QByteArray &data, int pieces);

struct ImportSummary {
    int cardsRead = 0;
    int peopleAdded = 0;
    int companiesAdded = 0;
    int duplicatesSkipped = 0;
    int fieldsCut = 0;
    std::vector<ImportProblem> problems; // cards that could not be read
    QStringList unknownColumns;          // CSV headers not known, so not imported
    bool cancelled = false;
    QString failure; // a store failure that ended the import (the batch rolled back)
    QString searchLate; // why the search index was not brought up to date (the cards are stored)

    bool ok() const { return failure.isEmpty(); }
    // The summary as the window and the command line show it.
    QString text() const;
};

struct ImportOptions {
    // Adds a card even when its name and a phone or e-mail match a person
    // already stored.
    bool addDuplicates = false;
    // Cards stored per transaction of each table: every commit writes each
    // file through to the disk, and the pages a batch changes that the file
    // held before are first copied to its journal, so a batch is large (its
    // pages stay in memory until the commit).
    int batchSize = 20000;
    // Called between cards with the cards done and the total; returning
    // false cancels: the cards stored so far stay, whole.
    std::function<bool(int done, int total)> progress;
};

// Stores the contacts in the tables of the store's data directory:
// companies first (so people find theirs), each card whole or not at all.
ImportSummary importContacts(std::vector<Contact> contacts, const ImportOptions &options = {});

// The whole import of a file: read, parse, store; the parse problems go
// into the summary. A CSV that needs a mapping fails unless `mapping` is
// given.
ImportSummary importFile(const QString &path, const ImportOptions &options = {},
                         const std::optional<CsvMapping> &mapping = std::nullopt);

// How a phone number is stored: ten digits bare with their area code (an
// eleventh leading 1 dropped); any other number as typed when it fits,
// else its digits (and a leading "+"). `cut` is set when even that is too
// long for the field.
struct StoredNumber {
    QString number;
    QString area;
    bool cut = false;
};
StoredNumber storedPhoneNumber(const QString &typed, int width = 14);

} // namespace tabulo::exchange
