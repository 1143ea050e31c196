#pragma once

#include <QString>
#include <QStringList>

namespace tabulo::test {

// Data builders and file surgery for the store's tests: tables filled in
// bulk, files read and damaged behind the store's back.

enum class PersonSize {
    NameOnly,
    // With a full first address line too, so the records fill more pages
    // (for tests that damage a page of them).
    WithAddress,
};

// The last name addPeople() gives person `number`: "Person 00042".
QString personName(int number);

// Adds `count` people numbered from `from` on to the names table in `dir`
// (made there when it is missing), in one locked write.
void addPeople(const QString &dir, int from, int count, PersonSize size = PersonSize::NameOnly);

// Runs one query on a file through a connection of its own: the first
// column of each row, or "error: ..." when it fails. `bound` is bound to
// the query's one parameter, if given.
QStringList queryFile(const QString &path, const char *sql, const QString &bound = {});

// SQLite's verdict on the file: "ok", its first finding, or "unreadable".
QString integrityOf(const QString &path);

// Drops the index of a key from the file, as another tool might.
void dropKeyIndex(const QString &path, const char *index = "k_LNAME_KEY");

// Writes noise over the root page of a key's index.
void overwriteKeyRoot(const QString &path, const char *index = "k_LNAME_KEY");

} // namespace tabulo::test
