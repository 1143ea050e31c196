#pragma once

// What the benchmarks share: where their data lives, builders that write
// people, companies, phones, notes and links straight into the tables (no
// rules, no cascades: the data a benchmark reads or changes, made fast), and
// the event-loop helpers around windows.
#include "store/MessageService.h"
#include "store/Table.h"

#include <QString>
#include <QVariant>

#include <initializer_list>
#include <utility>

class QWidget;

namespace tabulo::bench {

// ---- data directories ----

// A data directory kept between runs under the temporary folder, named
// "tabulo-bench-<name>": big data is built once and reused.
QString cachedDataDir(const QString &name);

// True when `dir` lacks its `marker` file, i.e. the data must be (re)built;
// then the directory is emptied and made ready for the build. A build that
// was interrupted left no marker, so it starts over.
bool startBuild(const QString &dir, const QString &marker = QStringLiteral("done"));
// Writes the marker (with `content`) once the build is complete.
void finishBuild(const QString &dir, const QString &marker = QStringLiteral("done"),
                 const QByteArray &content = {});

// ---- records ----

// Field values by name, with or without the table prefix ("NAM:LNAME").
using FieldValues = std::initializer_list<std::pair<const char *, QVariant>>;

// Clears the record buffer, then sets the fields given.
void fill(store::Record &record, FieldValues values);
// Fills the table's buffer and inserts it. A failed insert ends the program:
// a benchmark over data that silently lacks records measures nothing.
void insert(store::Table &table, FieldValues values);

void addPerson(store::Table &nam, qint64 number, const QString &last, const QString &first,
               FieldValues more = {});
void addCompany(store::Table &cmp, qint64 number, const QString &name, FieldValues more = {});
// `ownerField` is "FON:NAM_CTRL" for a person's phone, "FON:CMP_CTRL" for a company's.
void addPhone(store::Table &fon, qint64 number, const char *ownerField, qint64 owner, const QString &location,
              const QString &digits, FieldValues more = {});
// `ownerField` is "MEM:NAM_CTRL" or "MEM:CMP_CTRL".
void addNote(store::Table &mem, qint64 number, const char *ownerField, qint64 owner, const QString &text);
// A person's link to a category (0 = "All") with the copies of the name.
void addNameLink(store::Table &jnc, qint64 number, qint64 person, qint64 category, const QString &last,
                 const QString &first);
// A company's link to a company category (0 = "All") with the copy of its name.
void addGroupLink(store::Table &jcg, qint64 number, qint64 company, qint64 group, const QString &name);

// ---- windows and the event loop ----

// Lets the event loop run what the last step posted (a few turns).
void settle();
// Closes a window and lets it be deleted.
void closeWindow(QWidget *window);

// Answers every box with its default button and counts them: a benchmark
// that expects none can tell that a routine reported a failure.
class CountingMessages final : public store::MessageService {
public:
    CountingMessages();
    ~CountingMessages() override;
    CountingMessages(const CountingMessages &) = delete;
    CountingMessages &operator=(const CountingMessages &) = delete;

    int show(const store::MessageBox &box) override;
    [[noreturn]] void halt(const QString &text) override;

    int shown() const { return m_shown; }
    // The text of the last box shown, for an error report.
    QString lastText() const { return m_lastText; }

private:
    store::MessageService *m_before = nullptr;
    int m_shown = 0;
    QString m_lastText;
};

// ---- measurements ----

// The process's peak resident memory (VmHWM) in kB; -1 when unknown.
long peakResidentKb();

} // namespace tabulo::bench
