#include "engine/EngineTestSupport.h"

#include "people/TagStore.h"
#include "people/gui/TagProgress.h"
#include "store/Store.h"

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <sqlite3.h>

using namespace tabulo;
using people::TagClearer;
using people::TagPass;
using people::TagStep;
using people::TagStore;

namespace {

constexpr qint16 Links = people::TagTable::NameLinks;
constexpr qint16 Other = 2;

class Tags : public test::StoreFixture {
protected:
    void SetUp() override {
        StoreFixture::SetUp();
        // Short waits: a test that meets another station's lock fails fast.
        store::Table::setDefaultWaitMs(100);
        m_tags.setLockWaitSeconds(0);
        m_use = std::make_unique<store::TableUse>(
            QStringList{QStringLiteral("TagFile_"), QStringLiteral("QKjnc")});
    }
    void TearDown() override {
        if (m_station) {
            sqlite3_exec(m_station, "ROLLBACK", nullptr, nullptr, nullptr);
            sqlite3_close_v2(m_station);
        }
        people::gui::setSliceBudget(std::chrono::milliseconds(10));
        m_use.reset();
        store::Table::setDefaultWaitMs(5000);
        StoreFixture::TearDown();
    }

    store::Table &tagFile() { return (*m_use)[QStringLiteral("TagFile_")]; }
    store::Table &links() { return (*m_use)[QStringLiteral("QKjnc")]; }

    void tag(qint16 table, qint64 first, qint64 last) {
        m_tags.beginBatch();
        for (qint64 p = first; p <= last; ++p)
            EXPECT_TRUE(m_tags.setTag(table, p).ok());
        EXPECT_TRUE(m_tags.endBatch().ok());
    }

    // Adds `count` links to `category`; returns their row ids.
    std::vector<qint64> addLinks(qint64 category, int count) {
        std::vector<qint64> rows;
        store::Table &jnc = links();
        EXPECT_TRUE(jnc.lock(5).ok());
        for (int i = 0; i < count; ++i) {
            jnc.record().clear();
            jnc.record().setValue(QStringLiteral("CTRL_NBR"), ++m_linkNumber);
            jnc.record().setValue(QStringLiteral("CAT_CTRL"), category);
            jnc.record().setValue(QStringLiteral("NAM_CTRL"), m_linkNumber);
            jnc.record().setValue(QStringLiteral("LNAME"),
                                  QStringLiteral("Name%1").arg(m_linkNumber, 6, 10, QLatin1Char('0')));
            EXPECT_TRUE(jnc.insert().ok());
            rows.push_back(jnc.currentRid());
        }
        EXPECT_TRUE(jnc.unlock().ok());
        return rows;
    }

    std::unique_ptr<store::Cursor> category(qint64 cat) {
        auto cursor = std::make_unique<store::Cursor>(links());
        cursor->setOrder(links().def().key(QStringLiteral("CAT_CTRL_KEY")));
        cursor->setRange({store::sql::Value(cat)});
        cursor->setReadAhead(50);
        return cursor;
    }

    // Another station takes the tag file's write lock and keeps it.
    void otherStationWrites() {
        const QString path = tagFile().filePath();
        ASSERT_EQ(
            sqlite3_open_v2(QFile::encodeName(path).constData(), &m_station, SQLITE_OPEN_READWRITE, nullptr),
            SQLITE_OK);
        ASSERT_EQ(sqlite3_exec(m_station, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), SQLITE_OK);
    }

    TagStore m_tags{store::Store::instance()};
    std::unique_ptr<store::TableUse> m_use;
    qint64 m_linkNumber = 0;
    sqlite3 *m_station = nullptr;
};

// ---------------------------------------------------------------- single tags

TEST_F(Tags, SetTestAnyAndClearKeepTablesApart) {
    EXPECT_FALSE(m_tags.anyTags(Links));
    tag(Links, 5, 7);
    tag(Other, 6, 6);

    EXPECT_TRUE(m_tags.anyTags(Links));
    EXPECT_TRUE(m_tags.isTagged(Links, 6));
    EXPECT_FALSE(m_tags.isTagged(Links, 8));
    EXPECT_FALSE(m_tags.isTagged(Other, 5));

    for (qint64 p : {5, 6, 7, 8})
        EXPECT_TRUE(m_tags.clearTag(Links, p).ok()) << p; // 8 was never tagged
    EXPECT_FALSE(m_tags.anyTags(Links));
    EXPECT_TRUE(m_tags.isTagged(Other, 6));
    EXPECT_EQ(tagFile().records(), 1);
}

TEST_F(Tags, SettingATaggedRecordRewritesItsValueOnly) {
    ASSERT_TRUE(m_tags.setTag(Links, 9, QStringLiteral("first")).ok());
    m_tags.setCachedCount(Links, 1);
    ASSERT_TRUE(m_tags.setTag(Links, 9, QStringLiteral("second")).ok());
    EXPECT_EQ(m_tags.tagValue(Links, 9), QStringLiteral("second"));
    EXPECT_EQ(tagFile().records(), 1);
    EXPECT_EQ(m_tags.cachedCount(Links), 1);
}

TEST_F(Tags, TableOrPointerZeroDoesNothing) {
    const struct {
        qint16 table;
        qint64 pointer;
    } cases[] = {{0, 5}, {Links, 0}, {0, 0}};
    for (const auto &c : cases) {
        EXPECT_TRUE(m_tags.setTag(c.table, c.pointer).ok());
        EXPECT_FALSE(m_tags.isTagged(c.table, c.pointer));
        EXPECT_TRUE(m_tags.clearTag(c.table, c.pointer).ok());
    }
    EXPECT_FALSE(m_tags.anyTags(0));
    EXPECT_EQ(m_tags.countTags(0), 0);
    EXPECT_EQ(tagFile().records(), 0);
}

TEST_F(Tags, APointerBeyondThirtyTwoBitsIsRefusedNotFolded) {
    const qint64 tooBig = qint64(1) << 32 | 5;
    EXPECT_FALSE(m_tags.setTag(Links, tooBig).ok());
    EXPECT_FALSE(m_tags.isTagged(Links, 5));
    EXPECT_EQ(tagFile().records(), 0);
}

// ---------------------------------------------------------------- count and cache

TEST_F(Tags, CountCacheFollowsEveryChange) {
    tag(Links, 1, 3);
    ASSERT_EQ(m_tags.countTags(Links), 3);

    struct Step {
        const char *what;
        std::function<void()> run;
        std::optional<qint32> cached;
    };
    const Step steps[] = {
        {"add", [&] { m_tags.setTag(Links, 4); }, 4},
        {"rewrite", [&] { m_tags.setTag(Links, 4, QStringLiteral("v")); }, 4},
        {"clear", [&] { m_tags.clearTag(Links, 1); }, 3},
        {"clear untagged", [&] { m_tags.clearTag(Links, 1); }, 3},
        {"other table", [&] { m_tags.setTag(Other, 1); }, std::nullopt},
    };
    for (const Step &s : steps) {
        s.run();
        EXPECT_EQ(m_tags.cachedCount(Links), s.cached) << s.what;
    }
    EXPECT_EQ(m_tags.countTags(Links), 3);
    EXPECT_EQ(m_tags.cachedCount(Links), 3);
}

TEST_F(Tags, CountAnswersFromTheCacheWithoutReading) {
    tag(Links, 1, 2);
    ASSERT_EQ(m_tags.countTags(Links), 2);
    // A tag another process wrote meanwhile is not seen: the cache is this
    // process's own.
    store::Record &r = tagFile().record();
    r.clear();
    r.setValue(QStringLiteral("TBL"), Links);
    r.setValue(QStringLiteral("PTR"), 50);
    ASSERT_TRUE(tagFile().insert().ok());
    EXPECT_EQ(m_tags.countTags(Links), 2);
    m_tags.forgetCount();
    EXPECT_EQ(m_tags.countTags(Links), 3);
}

TEST_F(Tags, ACountDoesNotCarryOverToAnotherDataDirectory) {
    tag(Links, 1, 3);
    ASSERT_EQ(m_tags.countTags(Links), 3);
    m_use.reset();
    test::TempDataDir other;
    store::Store::instance().setDirectory(other.path());
    EXPECT_EQ(m_tags.cachedCount(Links), std::nullopt);
    EXPECT_EQ(m_tags.countTags(Links), 0);
    store::Store::instance().setDirectory(m_dir.path());
}

TEST_F(Tags, CountingGoesInSlicesOfAHundred) {
    tag(Links, 1, 250);
    tag(Other, 1, 250);
    people::TagCounter counter(m_tags, Links);
    EXPECT_EQ(counter.start(), TagStep::More);
    EXPECT_EQ(counter.count(), 101); // the first tag and the first slice
    EXPECT_EQ(counter.percent(), 20);
    EXPECT_EQ(counter.step(), TagStep::More);
    EXPECT_EQ(counter.count(), 201);
    EXPECT_EQ(counter.step(), TagStep::Done);
    EXPECT_EQ(counter.count(), 250);
    EXPECT_EQ(counter.percent(), 50);
    EXPECT_EQ(m_tags.cachedCount(Links), 250);
}

TEST_F(Tags, EmptyTagFileCountsZeroAtOnce) {
    people::TagCounter counter(m_tags, Links);
    EXPECT_EQ(counter.start(), TagStep::Done);
    EXPECT_EQ(counter.count(), 0);
    EXPECT_EQ(m_tags.cachedCount(Links), 0);
}

// ---------------------------------------------------------------- clear all

TEST_F(Tags, ClearAllEmptiesQuicklyOnlyWhenEveryTagIsThisTables) {
    const struct {
        const char *name;
        std::vector<qint16> tables; // tags 1..20 for each
        qint16 clear;
        TagClearer::Way way;
        qint64 left;
    } cases[] = {
        {"only ours", {Links}, Links, TagClearer::Way::Quick, 0},
        {"others after ours", {Links, Other}, Links, TagClearer::Way::Slow, 20},
        {"others before ours", {Links, Other}, Other, TagClearer::Way::Slow, 20},
        {"none of ours", {Other}, Links, TagClearer::Way::None, 20},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(tagFile().empty().ok());
        for (qint16 t : c.tables)
            tag(t, 1, 20);
        m_tags.forgetCount();
        TagClearer clearer(m_tags, c.clear, false);
        TagStep s = clearer.start();
        while (s == TagStep::More)
            s = clearer.step();
        EXPECT_EQ(s, TagStep::Done);
        EXPECT_EQ(clearer.way(), c.way);
        EXPECT_FALSE(m_tags.anyTags(c.clear));
        EXPECT_EQ(tagFile().records(), c.left);
        EXPECT_EQ(m_tags.cachedCount(c.clear), 0);
        EXPECT_FALSE(tagFile().isLocked());
    }
}

TEST_F(Tags, SlowClearGoesInGroupsOfTenAndCanBeCancelled) {
    tag(Links, 1, 100);
    tag(Other, 1, 5);
    TagClearer clearer(m_tags, Links, true);
    ASSERT_EQ(clearer.start(), TagStep::More);
    EXPECT_EQ(clearer.total(), 100);
    EXPECT_TRUE(m_tags.inBatch());
    for (int i = 0; i < 3; ++i)
        ASSERT_EQ(clearer.step(), TagStep::More);
    EXPECT_EQ(clearer.deleted(), 30);
    EXPECT_EQ(clearer.percent(), 30);

    EXPECT_EQ(clearer.cancel(), TagStep::Cancelled);
    EXPECT_FALSE(m_tags.inBatch());
    EXPECT_FALSE(tagFile().isLocked());
    EXPECT_EQ(m_tags.taggedPointers(Links).size(), 70u);
    EXPECT_EQ(m_tags.taggedPointers(Other).size(), 5u);
    EXPECT_EQ(m_tags.cachedCount(Links), std::nullopt);
}

// ---------------------------------------------------------------- tag all / untag all

class TagAllPass : public Tags, public ::testing::WithParamInterface<bool> {};

TEST_P(TagAllPass, TagAllThenUntagAllLeavesNoTag) {
    const bool batch = GetParam();
    const std::vector<qint64> shown = addLinks(5, 1000);
    const std::vector<qint64> elsewhere = addLinks(6, 10);
    ASSERT_TRUE(m_tags.setTag(Other, shown.front()).ok());

    for (TagPass::Mode mode : {TagPass::Mode::Set, TagPass::Mode::Clear}) {
        if (batch)
            m_tags.beginBatch();
        auto source = category(5);
        TagPass pass(m_tags, Links, *source, mode);
        TagStep s;
        int slices = 0;
        while ((s = pass.step(10)) == TagStep::More)
            ++slices;
        ASSERT_EQ(s, TagStep::Done);
        EXPECT_GE(slices, 99);
        EXPECT_EQ(pass.processed(), 1000);
        if (batch) {
            ASSERT_TRUE(m_tags.endBatch().ok());
        }
        EXPECT_FALSE(tagFile().inTransaction());

        if (mode == TagPass::Mode::Set) {
            EXPECT_EQ(m_tags.countTags(Links), 1000);
            EXPECT_TRUE(m_tags.isTagged(Links, shown[517]));
            EXPECT_FALSE(m_tags.isTagged(Links, elsewhere[3]));
        }
    }
    EXPECT_FALSE(m_tags.anyTags(Links));
    EXPECT_EQ(m_tags.countTags(Links), 0);
    EXPECT_TRUE(m_tags.isTagged(Other, shown.front()));
}

INSTANTIATE_TEST_SUITE_P(BatchOrSlices, TagAllPass, ::testing::Bool(),
                         [](const auto &info) { return info.param ? "InABatch" : "TransactionPerSlice"; });

TEST_F(Tags, TaggedControlNumbersSkipGoneRecordsAndKeepTheBuffer) {
    const std::vector<qint64> rows = addLinks(5, 4);
    for (qint64 r : {rows[0], rows[2], rows[3]})
        ASSERT_TRUE(m_tags.setTag(Links, r).ok());
    ASSERT_TRUE(links().reget(QString::number(rows[3])).ok());
    ASSERT_TRUE(links().remove().ok());
    ASSERT_TRUE(links().reget(QString::number(rows[1])).ok());
    links().record().setValue(QStringLiteral("FNAME"), QStringLiteral("Unsaved"));

    EXPECT_EQ(m_tags.taggedControlNumbers(Links, links()), (std::vector<qint32>{1, 3}));
    EXPECT_EQ(links().currentRid(), rows[1]);
    EXPECT_EQ(links().record().value(QStringLiteral("FNAME")).toString(), QStringLiteral("Unsaved"));
}

// ---------------------------------------------------------------- failed writes

TEST_F(Tags, AFailedWriteStopsWithTheErrorAndTheStep) {
    tag(Links, 1, 1);
    otherStationWrites();
    const struct {
        const char *step;
        std::function<store::StoreError()> run;
    } cases[] = {
        {"SetTag_/ADD", [&] { return m_tags.setTag(Links, 2); }},
        {"SetTag_/PUT", [&] { return m_tags.setTag(Links, 1, QStringLiteral("x")); }},
        {"ClrTag_/DELETE", [&] { return m_tags.clearTag(Links, 1); }},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.step);
        m_tags.setCachedCount(Links, 1);
        m_messages.answer(store::Button::Ok);
        const store::StoreError e = c.run();
        EXPECT_EQ(e.code, store::Code::Locked);
        const QString text = m_messages.last().text;
        EXPECT_TRUE(text.startsWith(QStringLiteral("Error #32 - ") + store::Table::codeText(32)))
            << text.toStdString();
        EXPECT_TRUE(text.endsWith(QStringLiteral(" (%1)").arg(QLatin1String(c.step)))) << text.toStdString();
        EXPECT_EQ(m_tags.cachedCount(Links), std::nullopt);
    }
    EXPECT_EQ(m_messages.shown().size(), 3u);
}

TEST_F(Tags, AFailedPassOrClearStopsAtTheFirstFailure) {
    addLinks(5, 30);
    tag(Links, 1000, 1009);
    otherStationWrites();

    m_messages.answer(store::Button::Ok);
    auto source = category(5);
    TagPass pass(m_tags, Links, *source, TagPass::Mode::Set);
    EXPECT_EQ(pass.step(10), TagStep::Failed);
    EXPECT_EQ(pass.step(10), TagStep::Failed); // stopped for good
    EXPECT_EQ(pass.processed(), 0);
    EXPECT_TRUE(m_messages.last().text.endsWith(QStringLiteral("(SetTag_/ADD)")));

    // The other station still writes: the clear cannot lock and its first
    // group cannot begin.
    m_messages.answer(store::Button::Ok);
    EXPECT_EQ(m_tags.clearAllTags(Links, false), TagStep::Failed);
    EXPECT_TRUE(m_messages.last().text.endsWith(QStringLiteral("(NewTag_/SlowButSure/DELETE)")));
    EXPECT_EQ(m_messages.shown().size(), 2u);

    sqlite3_exec(m_station, "ROLLBACK", nullptr, nullptr, nullptr);
    EXPECT_EQ(m_tags.countTags(Links), 10);
}

// ---------------------------------------------------------------- windows

QString textOf(QWidget *window, const char *name) {
    auto *label = window->findChild<QLabel *>(QString::fromLatin1(name));
    return label ? label->text() : QString();
}

TEST_F(Tags, ShortCountsAndClearsOpenNoWindow) {
    tag(Links, 1, 60);
    std::optional<qint32> counted;
    EXPECT_EQ(people::gui::countTags(
                  Links, nullptr, [&](std::optional<qint32> n) { counted = n; }, m_tags),
              nullptr);
    EXPECT_EQ(counted, 60);

    // The slow way, with no more than fifty to delete.
    tag(Other, 1, 1);
    for (int p = 1; p <= 10; ++p)
        ASSERT_TRUE(m_tags.clearTag(Links, p).ok());
    std::optional<TagStep> cleared;
    EXPECT_EQ(people::gui::clearAllTags(
                  Links, true, nullptr, [&](TagStep s) { cleared = s; }, m_tags),
              nullptr);
    EXPECT_EQ(cleared, TagStep::Done);
    EXPECT_FALSE(m_tags.anyTags(Links));
    EXPECT_EQ(window(QStringLiteral("tagProgress")), nullptr);
}

TEST_F(Tags, CountingWindowShowsTheCountAndClosesItselfAtTheEnd) {
    tag(Links, 1, 450);
    people::gui::setSliceBudget(std::chrono::milliseconds(0));
    std::optional<qint32> counted;
    auto *window = people::gui::countTags(
        Links, nullptr, [&](std::optional<qint32> n) { counted = n; }, m_tags);
    ASSERT_NE(window, nullptr);
    QPointer<QWidget> guard(window);
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Progress..."));
    EXPECT_EQ(textOf(window, "taskText"), QStringLiteral("Counting Tags"));
    EXPECT_EQ(textOf(window, "progressText"), QStringLiteral("101"));
    EXPECT_FALSE(window->findChild<QPushButton *>(QStringLiteral("cancelButton"))->isVisible());
    EXPECT_FALSE(counted);

    ASSERT_TRUE(QTest::qWaitFor([&] { return counted.has_value(); }, 5000));
    EXPECT_EQ(counted, 450);
    settle();
    EXPECT_TRUE(guard.isNull());
}

TEST_F(Tags, ClearingWindowShowsThePercentageAndCancelStopsIt) {
    tag(Links, 1, 400);
    tag(Other, 1, 3);
    people::gui::setSliceBudget(std::chrono::milliseconds(0));
    std::optional<TagStep> ended;
    auto *window = people::gui::clearAllTags(
        Links, true, nullptr, [&](TagStep s) { ended = s; }, m_tags);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(textOf(window, "taskText"), QStringLiteral("Clearing Tags"));
    EXPECT_EQ(textOf(window, "progressText"), QStringLiteral("15%")); // 60 of 400
    auto *cancel = window->findChild<QPushButton *>(QStringLiteral("cancelButton"));
    ASSERT_TRUE(cancel && cancel->isVisible());

    // One group per turn of the event loop: let a few turns go by.
    for (int turn = 0; turn < 1000 && m_tags.taggedPointers(Links).size() > 300; ++turn)
        QCoreApplication::processEvents();
    ASSERT_FALSE(ended);
    QTest::mouseClick(cancel, Qt::LeftButton);
    ASSERT_EQ(ended, TagStep::Cancelled);
    const size_t left = m_tags.taggedPointers(Links).size();
    EXPECT_GT(left, 0u);
    EXPECT_LT(left, 400u);
    EXPECT_EQ(m_tags.taggedPointers(Other).size(), 3u);
    EXPECT_EQ(m_tags.cachedCount(Links), std::nullopt);
    EXPECT_FALSE(m_tags.inBatch());
}

TEST_F(Tags, TagPassRunsFromTheEventLoopWithinOneBatch) {
    addLinks(5, 300);
    people::gui::setSliceBudget(std::chrono::milliseconds(0));
    std::optional<TagStep> ended;
    people::gui::runTagPass(
        category(5), Links, TagPass::Mode::Set, nullptr, [&](TagStep s) { ended = s; }, m_tags);
    EXPECT_TRUE(m_tags.inBatch());
    EXPECT_FALSE(ended); // nothing runs before the event loop turns
    ASSERT_TRUE(QTest::qWaitFor([&] { return ended.has_value(); }, 5000));
    EXPECT_EQ(ended, TagStep::Done);
    EXPECT_FALSE(m_tags.inBatch());
    EXPECT_FALSE(tagFile().isLocked());
    EXPECT_EQ(m_tags.countTags(Links), 300);
}

} // namespace
