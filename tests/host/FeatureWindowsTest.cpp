// The named ways one feature opens another's windows: what a call does
// before the program has installed an answer, and that what it installs
// gets the caller's arguments and gives back its answer.
#include "host/gui/FeatureWindows.h"
#include "host/gui/WindowOpeners.h"

#include <QStringList>
#include <gtest/gtest.h>

#include <optional>

using tabulo::host::gui::FeatureEntry;
using tabulo::host::gui::setFrameStatusShower;

namespace {

// Records what the frame's status bar would show while a test runs.
class StatusNotes final {
public:
    StatusNotes() {
        setFrameStatusShower([this](const QString &text) { m_shown << text; });
    }
    ~StatusNotes() { setFrameStatusShower(nullptr); }
    StatusNotes(const StatusNotes &) = delete;
    StatusNotes &operator=(const StatusNotes &) = delete;
    const QStringList &shown() const { return m_shown; }

private:
    QStringList m_shown;
};

TEST(FeatureEntry, BeforeTheProgramAnswersACallSaysTheWindowIsNotAvailableAndGivesNothing) {
    const StatusNotes notes;
    const FeatureEntry<bool(qint64, int, qint64)> showPerson("Names list");
    const FeatureEntry<qint64(const QString &)> companyNamed("Companies list");
    const FeatureEntry<void()> openPrintMenu("Print menu");
    const FeatureEntry<QWidget *(QWidget *)> form("Name record form");

    EXPECT_FALSE(showPerson.installed());
    EXPECT_FALSE(showPerson(7, 1, 0));
    EXPECT_EQ(companyNamed(QStringLiteral("Acme")), 0);
    openPrintMenu();
    EXPECT_EQ(form(nullptr), nullptr);
    EXPECT_EQ(notes.shown(), (QStringList{QStringLiteral("Names list is not available yet"),
                                          QStringLiteral("Companies list is not available yet"),
                                          QStringLiteral("Print menu is not available yet"),
                                          QStringLiteral("Name record form is not available yet")}));
}

TEST(FeatureEntry, TheInstalledAnswerGetsTheArgumentsAndGivesItsResult) {
    const StatusNotes notes;
    FeatureEntry<bool(qint64, int, qint64)> showPerson("Names list");
    struct Call {
        qint64 person;
        int tab;
        qint64 note;
        bool shown; // what the answer says
    };
    const Call calls[] = {{7, 1, 0, true}, {8, -1, 12, false}, {0, 0, 0, false}};
    for (const Call &call : calls) {
        SCOPED_TRACE(call.person);
        std::optional<Call> got;
        showPerson.install([&got, &call](qint64 person, int tab, qint64 note) {
            got = Call{person, tab, note, call.shown};
            return call.shown;
        });
        EXPECT_EQ(showPerson(call.person, call.tab, call.note), call.shown);
        ASSERT_TRUE(got);
        EXPECT_EQ(got->person, call.person);
        EXPECT_EQ(got->tab, call.tab);
        EXPECT_EQ(got->note, call.note);
    }
    EXPECT_TRUE(notes.shown().isEmpty());
}

// A continuation handed through the entry is the caller's own: it runs once,
// when the answering window ends, and not at the call.
TEST(FeatureEntry, AContinuationReachesTheAnswerWhole) {
    FeatureEntry<void(QWidget *, std::function<void(std::optional<int>)>)> choose("Cities list");
    std::function<void(std::optional<int>)> kept;
    choose.install(
        [&kept](QWidget *, std::function<void(std::optional<int>)> done) { kept = std::move(done); });
    std::optional<int> chosen;
    int runs = 0;
    choose(nullptr, [&](std::optional<int> value) {
        chosen = value;
        ++runs;
    });
    EXPECT_EQ(runs, 0);
    ASSERT_TRUE(kept);
    kept(42);
    EXPECT_EQ(runs, 1);
    EXPECT_EQ(chosen, 42);
}

// An answer that installs the entry again while it runs finishes its own call.
TEST(FeatureEntry, AnAnswerMayReplaceItselfWhileItRuns) {
    FeatureEntry<int()> entry("Calls list");
    entry.install([&entry] {
        entry.install([] { return 2; });
        return 1;
    });
    EXPECT_EQ(entry(), 1);
    EXPECT_EQ(entry(), 2);
}

} // namespace
