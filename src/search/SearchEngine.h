#pragma once

#include <QString>
#include <QStringList>

#include <array>
#include <atomic>
#include <memory>
#include <utility>
#include <vector>

struct sqlite3;

namespace tabulo::search {

// What a hit is: where the record lives and so which window opens it.
enum class HitKind { Person, Company, Note, Call, JustPhone };
inline constexpr int kHitKinds = 5;

// The group heading of a kind: "People", "Companies", "Notes", "Calls",
// "Just Phones".
QString hitKindTitle(HitKind kind);
// The word --find prints for a kind: "person", "company", "note", "call",
// "phone".
QString hitKindWord(HitKind kind);

// One record found. Ranges in `marks` are (start, length) in `matched`:
// the words of the query it matched.
struct SearchHit
{
    HitKind kind = HitKind::Person;
    // The record's control number: the person's, the company's, the note's,
    // the call's or the directory phone's.
    qint64 ctrl = 0;
    // Notes: whose note it is (Person or Company, with its control number).
    HitKind ownerKind = HitKind::Person;
    qint64 ownerCtrl = 0;
    QString title;   // "Smith, John", the company's name, the note's owner
    QString matched; // what else matched: "12 Main Street; Columbus", a note's passage
    std::vector<std::pair<int, int>> marks;
    std::vector<std::pair<int, int>> titleMarks; // the same in `title`
};

struct SearchResults
{
    std::vector<SearchHit> hits; // grouped by kind, in HitKind order
    // Per kind: more records matched than were kept.
    std::array<bool, kHitKinds> more{};
    // The query was interrupted (a newer one superseded it); hits are partial.
    bool interrupted = false;
    // Files whose search index is missing (their records are not searched),
    // and files whose index or records could not be read, with SQLite's
    // words; a damaged index shows here.
    QStringList missingIndex;
    QStringList failures;
    bool damaged = false; // one of the failures is damage (offer the repair)
    QString damagedFile;

    int count(HitKind kind) const;
};

// Searches the data directory's people, companies, notes, calls and phone
// numbers through the search index their files keep. It reads on a
// connection of its own, so it may live on a worker thread; interrupt()
// may be called from any thread and ends the running search soon.
class SearchEngine final
{
public:
    explicit SearchEngine(QString directory);
    ~SearchEngine();
    SearchEngine(const SearchEngine &) = delete;
    SearchEngine &operator=(const SearchEngine &) = delete;

    // At most `perKind` hits of each kind; an empty or blank query finds
    // nothing.
    SearchResults search(const QString &text, int perKind = 50);
    // Ends a running search (its results say interrupted); the next search
    // runs normally.
    void interrupt();

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};

} // namespace tabulo::search
