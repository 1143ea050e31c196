// One pass of a report over real table files: the percent against the
// fixed estimate, the driver hints, empty categories, the category filter,
// phone lists grouped by member, and the record buffers the lists rely on.
#include "reports/ReportRun.h"
#include "reports/ReportTestSupport.h"
#include "reports/ReportTexts.h"

#include <sqlite3.h>

using namespace tabulo;
using reports::ReportKind;
using reports::ReportRun;

namespace {

class ReportPass : public test::ReportFixture {
protected:
    // Runs a report to its end and keeps every percent it announced.
    ReportRun::State runAll(ReportKind kind) {
        ReportRun run(kind);
        run.onPercent = [this](int p) { m_percents.push_back(p); };
        run.start();
        while (run.step()) {
        }
        run.finish();
        m_hints = run.hints();
        m_processed = run.processed();
        m_document = run.takeDocument();
        return run.state();
    }
    QStringList textsOf(int page) const {
        QStringList texts;
        for (const auto &t : m_document.pages.at(static_cast<size_t>(page)).texts)
            texts << t.text;
        return texts;
    }
    std::vector<int> m_percents;
    QStringList m_hints;
    int m_processed = 0;
    reports::ReportDocument m_document;
};

TEST_F(ReportPass, PercentIsCountedAgainstTheFixedEstimate) {
    struct {
        int members;
        int last;
        int firstHundredAt; // 0: never
    } cases[] = {{10, 40, 0}, {31, 100, 25}};
    for (const auto &c : cases) {
        m_percents.clear();
        const qint64 category = addCategory(QStringLiteral("Group %1").arg(c.members));
        addPeople(c.members, category);
        engine::setCurrentCategory(static_cast<qint32>(category), QStringLiteral("Group"));
        EXPECT_EQ(runAll(ReportKind::NameLabels), ReportRun::State::Completed);
        EXPECT_EQ(m_processed, c.members);
        ASSERT_FALSE(m_percents.empty());
        EXPECT_EQ(m_percents.back(), c.last) << c.members;
        // Each percent is announced once, in rising order.
        EXPECT_TRUE(std::is_sorted(m_percents.begin(), m_percents.end()));
        EXPECT_EQ(std::adjacent_find(m_percents.begin(), m_percents.end()), m_percents.end());
        if (c.firstHundredAt)
            EXPECT_EQ(m_percents.size(), static_cast<size_t>(c.firstHundredAt)) << "100% comes at the 25th";
    }
}

TEST_F(ReportPass, AnEmptyCategoryEndsSilentlyAndHintsAreSentAroundThePass) {
    addPeople(3);
    const qint64 empty = addCategory(QStringLiteral("Nobody"));
    engine::setCurrentCategory(static_cast<qint32>(empty), QStringLiteral("Nobody"));
    EXPECT_EQ(runAll(ReportKind::NameLabels), ReportRun::State::Empty);
    EXPECT_TRUE(m_percents.empty());
    EXPECT_EQ(m_document.pageCount(), 0);
    EXPECT_EQ(m_hints,
              QStringList({QStringLiteral("QKjnc QUICKSCAN=on"), QStringLiteral("QKnam QUICKSCAN=on"),
                           QStringLiteral("QKjnc QUICKSCAN=off"), QStringLiteral("QKnam QUICKSCAN=off")}));
}

TEST_F(ReportPass, LabelsListTheCategoryInNameOrderAndAllListsEveryone) {
    const qint64 friends = addCategory(QStringLiteral("Friends"));
    addPerson({QStringLiteral("Zoe"), QStringLiteral("Young")}, {friends});
    addPerson({QStringLiteral("Ann"), QStringLiteral("Lee")}, {friends});
    addPerson({QStringLiteral("Bob"), QStringLiteral("Stranger")});
    engine::setCurrentCategory(static_cast<qint32>(friends), QStringLiteral("Friends"));
    ASSERT_EQ(runAll(ReportKind::NameLabels), ReportRun::State::Completed);
    QStringList firstLines;
    for (const QString &text : textsOf(0))
        if (!text.contains(QLatin1String("Main")) && !text.contains(QLatin1String("Springfield")))
            firstLines << text;
    EXPECT_EQ(firstLines, QStringList({QStringLiteral("Ann Lee"), QStringLiteral("Zoe Young")}));
    engine::setCurrentCategory(0, QStringLiteral("All"));
    ASSERT_EQ(runAll(ReportKind::NameLabels), ReportRun::State::Completed);
    EXPECT_EQ(m_processed, 3);
}

TEST_F(ReportPass, ANamePhoneListPrintsOneHeadingPerPersonAndALinePerPhone) {
    addPerson({QStringLiteral("Ann"), QStringLiteral("Lee")}, {},
              {{QStringLiteral("Home"), QStringLiteral("5551234567")},
               {QStringLiteral("Work"), QStringLiteral("5559876543")}});
    addPerson({QStringLiteral("Bob"), QStringLiteral("Nophone")});
    engine::setCurrentCategory(0, QStringLiteral("All"));
    ASSERT_EQ(runAll(ReportKind::NamePhoneList), ReportRun::State::Completed);
    const QStringList texts = textsOf(0);
    EXPECT_EQ(texts.count(QStringLiteral("Ann Lee")), 1);
    EXPECT_EQ(texts.count(QStringLiteral("(555) 123-4567")), 1);
    EXPECT_EQ(texts.count(QStringLiteral("(555) 987-6543")), 1);
    EXPECT_TRUE(texts.contains(QStringLiteral("All Categories")));
    EXPECT_TRUE(texts.contains(QStringLiteral("Name Phone List")));
    // A person without phones is listed with the heading alone.
    EXPECT_EQ(texts.count(QStringLiteral("Bob Nophone")), 1);
    EXPECT_EQ(m_processed, 3);
    EXPECT_EQ(m_hints.first(), QStringLiteral("QKjnc QUICKSCAN=on"));
    EXPECT_TRUE(m_hints.contains(QStringLiteral("QKcat QUICKSCAN=off")));
}

TEST_F(ReportPass, ACompanyPhoneListShowsAllGroupsAndTheCityLine) {
    addCompany(QStringLiteral("Acme"), QStringLiteral("Springfield"), QStringLiteral("IL"),
               QStringLiteral("62704"), {{QStringLiteral("Desk"), QStringLiteral("2175550000")}});
    engine::setCurrentGroup(0, QStringLiteral("All"));
    ASSERT_EQ(runAll(ReportKind::CompanyPhoneList), ReportRun::State::Completed);
    const QStringList texts = textsOf(0);
    EXPECT_TRUE(texts.contains(QStringLiteral("All Groups")));
    EXPECT_TRUE(texts.contains(QStringLiteral("Springfield IL 62704")));
    EXPECT_TRUE(texts.contains(QStringLiteral("(217) 555-0000")));
    EXPECT_TRUE(texts.contains(QStringLiteral("Number")));
    ASSERT_EQ(runAll(ReportKind::CompanyLabels), ReportRun::State::Completed);
    EXPECT_TRUE(textsOf(0).contains(QStringLiteral("Springfield IL 62704")));
}

TEST_F(ReportPass, ABatchPutsBackTheRecordBuffersTheListsHold) {
    addPeople(80);
    store::Record &nam = t("QKnam").record();
    nam.clear();
    nam.setValue(QStringLiteral("LNAME"), QStringLiteral("Shown in the list"));
    const store::Record before = nam;
    ReportRun run(ReportKind::NameLabels);
    run.start();
    EXPECT_EQ(t("QKnam").record(), before);
    EXPECT_TRUE(run.step());
    EXPECT_EQ(t("QKnam").record(), before);
    // A batch reads under one lock per table and lets go of it at its end:
    // the tables can be written between batches.
    for (const char *table : {"QKjnc", "QKnam"})
        EXPECT_TRUE(sqlite3_get_autocommit(t(table).handle())) << table;
    put("QKjnc",
        {{"CTRL_NBR", 9999}, {"LNAME", QStringLiteral("Between")}, {"NAM_CTRL", 1}, {"CAT_CTRL", 5}});
    EXPECT_TRUE(run.step());
    run.cancel();
    EXPECT_FALSE(run.step());
    EXPECT_EQ(run.state(), ReportRun::State::Cancelled);
}

TEST_F(ReportPass, ALinkWhosePersonIsGoneDoesNotRepeatTheLabelBeforeIt) {
    addPerson({QStringLiteral("Ann"), QStringLiteral("Lee")});
    put("QKjnc", {{"CTRL_NBR", ++m_link},
                  {"FNAME", QStringLiteral("Gone")},
                  {"LNAME", QStringLiteral("Mo")},
                  {"NAM_CTRL", 999},
                  {"CAT_CTRL", 0}});
    addPerson({QStringLiteral("Cy"), QStringLiteral("Zed")});
    ASSERT_EQ(runAll(ReportKind::NameLabels), ReportRun::State::Completed);
    const QStringList texts = textsOf(0);
    EXPECT_EQ(texts.count(QStringLiteral("Ann Lee")), 1);
    EXPECT_EQ(texts.count(QStringLiteral("Cy Zed")), 1);
    EXPECT_EQ(m_processed, 2);
}

TEST_F(ReportPass, CategoriesAreFoundByName) {
    const qint64 friends = addCategory(QStringLiteral("Friends"));
    EXPECT_EQ(reports::categoryByName(ReportKind::NameLabels, QStringLiteral("Friends"))->first, friends);
    EXPECT_EQ(reports::categoryByName(ReportKind::NameLabels, QString())->second, QStringLiteral("All"));
    EXPECT_FALSE(reports::categoryByName(ReportKind::NameLabels, QStringLiteral("Enemies")));
    EXPECT_FALSE(reports::categoryByName(ReportKind::CompanyLabels, QStringLiteral("Friends")));
}

} // namespace
