#pragma once

#include "store/MessageService.h"

#include <QString>
#include <QStringList>
#include <QtGlobal>
#include <vector>

namespace tabulo::test::cascades {

// The changes that write several tables (or many records) at once, run as
// the windows run them, with what a test needs around them: records to
// change, made beforehand and committed; a line that names what each change
// is about, so a checker that knows nothing of when a change was stopped can
// tell whether it landed whole or not at all; and that check.

enum class Kind {
    PersonDelete,  // a person with 5 category links, 3 phones and 2 notes
    CompanyDelete, // a company with 2 phones, 2 notes and 2 group links
    TaggedMove,    // 100 tagged people moved from one category to another
    Rename,        // a person with 5 links renamed: the links' name copies follow
    Import         // vCards stored in batches
};
inline constexpr Kind kAllKinds[] = {Kind::PersonDelete, Kind::CompanyDelete, Kind::TaggedMove, Kind::Rename,
                                     Kind::Import};
QString kindName(Kind kind);

// The categories and groups the changes use.
inline constexpr qint64 kMoveFrom = 1;
inline constexpr qint64 kMoveTo = 2;
inline constexpr qint64 kLinkCategories[] = {0, 3, 4, 5, 6}; // a person's five links
inline constexpr int kMovedPeople = 100;

// How large an import is and how many cards each of its batches stores.
struct ImportSize {
    int cards = 1000;
    int batch = 1000;
};

// What one change is about, as a line of text (written to a side file
// before the change starts).
struct Identity {
    Kind kind = Kind::PersonDelete;
    std::vector<qint64> numbers; // the person, the company, or the first and last moved link
    QString prefix;              // an import's last-name prefix
    ImportSize import;

    QString line() const;
    static bool parse(const QString &line, Identity &out);
};

// Answers every box with its default button and counts them; a halt (the
// store ending the program) exits with 70, which a parent reports.
class CountingMessages final : public store::MessageService {
public:
    int show(const store::MessageBox &box) override;
    [[noreturn]] void halt(const QString &text) override;
    int shown = 0;
    QStringList texts;
};

// Every table the changes touch, in the order a checker opens them.
QStringList tableNames();

// Makes every table in the directory of Store::instance() and the
// categories and groups the changes use.
bool makeBase(QString &failure);

// Makes the records change `serial` of this kind needs, committed, in the
// program's store. `failure` says why when it returns false.
bool prepare(Kind kind, int serial, const ImportSize &import, Identity &out, QString &failure);

// Many person deletes at once (a reader's load): the records of `count`
// people made under one lock per table.
bool preparePersonDeletes(int count, std::vector<Identity> &out, QString &failure);

// How a change ended, as its caller sees it.
struct Outcome {
    bool done = false; // the routine said it was done
    int boxes = 0;     // message boxes it showed
    QString failure;   // what a routine returned instead of showing it
};

// Runs the change through the routines the windows call, in the program's
// store, with `messages` installed (it is counted).
Outcome run(const Identity &change, CountingMessages &messages);

// What a data directory holds after the program that wrote it has gone:
// every table opened afresh (a hot journal is rolled back as the program's
// next start would), read whole, closed, then checked by the store's check
// (layout, keys, SQLite's integrity check). Returns the half states and
// damage found, one line each; empty when every change is whole or absent.
QStringList findHalfStates(const QString &directory, const std::vector<Identity> &changes);

// Whether change `c` landed, in a directory where it is whole (after a
// check that found nothing): true when it did, false when nothing of it did.
bool landed(const QString &directory, const Identity &c);

// The identities listed in a side file, one a line.
std::vector<Identity> readIdentities(const QString &path);
// Appends one identity to a side file and flushes it to the disk, so it is
// there whenever the writer is stopped.
bool appendIdentity(const QString &path, const Identity &c);

} // namespace tabulo::test::cascades
