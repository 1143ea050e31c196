#include "engine/EngineTestSupport.h"
#include "engine/ListTestHost.h"

#include "engine/BrowseList.h"
#include "engine/UpdateForm.h"
#include "store/Store.h"
#include "support/ChildProcess.h"

#include <QFile>
#include <QProcess>
#include <sqlite3.h>
#include <cstdlib>

using namespace tabulo;
using engine::BrowseList;
using engine::ListAction;
using engine::Request;
using engine::Response;
using test::columnTexts;
using test::list;

namespace {

// A second station: "engine-rename-category <dir> <ctrl> <name>" renames a
// category in its own process.
const bool s_roles = tabulo::test::registerChildRole("engine-rename-category", [](int argc, char **argv) {
    if (argc < 3)
        return 10;
    store::Store::instance().setDirectory(QString::fromLocal8Bit(argv[0]));
    store::Table &cat = store::Store::instance().use(QStringLiteral("QKcat"));
    cat.record().setValue(QStringLiteral("CAT:CTRL_NBR"), std::atoi(argv[1]));
    if (cat.fetch(*cat.def().key(QStringLiteral("CTRL_KEY"))))
        return 11;
    cat.record().setValue(QStringLiteral("CAT:CATEGORY"), QString::fromLocal8Bit(argv[2]));
    const int result = cat.change() ? 12 : 0;
    store::Store::instance().release(QStringLiteral("QKcat"));
    return result;
});

class ListFaults : public test::StoreFixture {
protected:
    void SetUp() override {
        StoreFixture::SetUp();
        m_zip = &store::Store::instance().use(QStringLiteral("QKzip"));
    }
    void TearDown() override {
        m_list.reset();
        store::Store::instance().release(QStringLiteral("QKzip"));
        StoreFixture::TearDown();
    }

    void cities(const QStringList &names) {
        for (const QString &name : names) {
            m_zip->record().clear();
            m_zip->record().setValue(QStringLiteral("CTRL_NBR"), ++m_last);
            m_zip->record().setValue(QStringLiteral("CITY"), name);
            ASSERT_TRUE(m_zip->insert().ok());
        }
    }

    BrowseList &open() {
        m_list = std::make_unique<BrowseList>(
            *m_zip, std::vector<engine::ListColumn>{{QStringLiteral("CITY"), QStringLiteral("@s30")}},
            std::vector<engine::SortOrder>{engine::SortOrder{m_zip->def().key(QStringLiteral("CITY_KEY"))}},
            engine::ThumbKind::Fixed, m_host);
        m_list->open();
        m_list->refresh(0);
        return *m_list;
    }

    QString highlighted() const {
        return m_list->highlighted() < 1 ? QString()
                                         : m_list->row(m_list->highlighted()).texts.at(0).trimmed();
    }

    store::Table *m_zip = nullptr;
    qint64 m_last = 0;
    test::ListTestHost m_host;
    std::unique_ptr<BrowseList> m_list;
};

// After a delete the row of the deleted record leaves the page, and the row
// that followed it (or the new last row) is highlighted; a cancelled delete
// keeps the page and the highlight.
TEST_F(ListFaults, DeletedRowLeavesThePageAndItsFollowerIsHighlighted) {
    struct Case {
        const char *name;
        int records;
        bool toBottom;
        int row;
        Response answer;
        QStringList page;
        const char *highlight;
    };
    const Case cases[] = {
        {"middle", 9, false, 3, Response::RequestCompleted,
         list({"City 0", "City 1", "City 3", "City 4", "City 5"}), "City 3"},
        {"first", 9, false, 1, Response::RequestCompleted,
         list({"City 1", "City 2", "City 3", "City 4", "City 5"}), "City 1"},
        {"last of the table", 9, true, 5, Response::RequestCompleted,
         list({"City 3", "City 4", "City 5", "City 6", "City 7"}), "City 7"},
        {"cancelled", 9, false, 2, Response::RequestCancelled,
         list({"City 0", "City 1", "City 2", "City 3", "City 4"}), "City 1"},
        {"only record", 1, false, 1, Response::RequestCompleted, {}, ""},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        m_zip->empty();
        m_last = 0;
        QStringList names;
        for (int i = 0; i < c.records; ++i)
            names << QStringLiteral("City %1").arg(i);
        cities(names);
        BrowseList &l = open();
        if (c.toBottom)
            l.scrollToEnd(true);
        l.highlightRow(c.row);
        Request asked = Request::None;
        m_host.form = [&] {
            asked = engine::globalRequest();
            engine::setGlobalRequest(Request::None);
            if (c.answer == Response::RequestCompleted) {
                ASSERT_TRUE(m_zip->remove().ok());
            }
            engine::setGlobalResponse(c.answer);
        };
        l.perform(ListAction::Delete);
        EXPECT_EQ(asked, Request::DeleteRecord);
        EXPECT_EQ(columnTexts(l, 0), c.page);
        EXPECT_EQ(highlighted(), QString::fromLatin1(c.highlight));
        EXPECT_EQ(l.changeEnabled(), !c.page.isEmpty());
    }
}

// Typing a letter jumps to the first record at or after it, the same letter
// again steps through its records and wraps to the first of them; on the
// table's last record the letter leaves it highlighted.
TEST_F(ListFaults, StepLocatorJumpsStepsAndWraps) {
    cities(list({"Able", "Baker", "Bell", "Brown", "Carter", "Dunn", "Duval"}));
    m_host.rows = 3;
    BrowseList &l = open();
    const std::pair<char, const char *> steps[] = {
        {'b', "Baker"}, {'b', "Bell"},  {'B', "Brown"}, {'b', "Baker"}, {'c', "Carter"},
        {'a', "Able"},  {'z', "Duval"}, {'d', "Duval"}, {'D', "Duval"}, {'b', "Baker"},
    };
    for (const auto &[typed, expected] : steps) {
        l.typed(QLatin1Char(typed));
        EXPECT_EQ(highlighted(), QString::fromLatin1(expected)) << "after " << typed;
        EXPECT_EQ(m_zip->record().value(QStringLiteral("CITY")).toString(), QString::fromLatin1(expected));
    }
    // A jump puts the record found at the top when a page follows it.
    l.typed(QLatin1Char('b'));
    l.typed(QLatin1Char('a'));
    EXPECT_EQ(columnTexts(l, 0), list({"Able", "Baker", "Bell"}));
    EXPECT_EQ(l.highlighted(), 1);
}

// A page fill that meets another station's lock waits for it as a write
// does, and goes on once the station lets go: the list stays open with the
// next page. The station holds the file until the fill is seen waiting,
// then lets go; one that holds it past the wait ends the list with message 35.
TEST_F(ListFaults, APageFillWaitsForAnotherStationsLock) {
    struct Case {
        const char *name;
        bool letGo;
    };
    // A table waits as long as it was told when it opened: shorter here, so
    // that a station that keeps the file does not hold the test up long.
    const int wait = store::Table::defaultWaitMs();
    store::Table::setDefaultWaitMs(400);
    m_zip->close();
    ASSERT_TRUE(m_zip->open().ok());
    store::Table::setDefaultWaitMs(wait);
    for (const Case c : {Case{"the station lets go", true}, Case{"the station keeps the file", false}}) {
        SCOPED_TRACE(c.name);
        m_zip->empty();
        m_last = 0;
        QStringList names;
        for (int i = 0; i < 12; ++i)
            names << QStringLiteral("City %1").arg(i, 2, 10, QLatin1Char('0'));
        cities(names);
        BrowseList &l = open();
        ASSERT_EQ(columnTexts(l, 0), list({"City 00", "City 01", "City 02", "City 03", "City 04"}));

        sqlite3 *station = nullptr;
        ASSERT_EQ(sqlite3_open(QFile::encodeName(m_zip->filePath()).constData(), &station), SQLITE_OK);
        ASSERT_EQ(sqlite3_exec(station, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);
        int waits = 0;
        int longest = 0;
        store::Table::setWaitListener([&](store::Table &, int waitMs) {
            ++waits;
            longest = waitMs;
            if (c.letGo)
                sqlite3_exec(station, "ROLLBACK", nullptr, nullptr, nullptr);
        });
        if (!c.letGo)
            m_messages.answer(35, store::Button::Ok);
        l.scrollPage(true);
        store::Table::setWaitListener(nullptr);
        sqlite3_exec(station, "ROLLBACK", nullptr, nullptr, nullptr);
        sqlite3_close(station);

        EXPECT_GE(waits, 1);
        EXPECT_EQ(longest, 400) << "the wait of a write";
        if (c.letGo) {
            EXPECT_EQ(m_host.closes, 0);
            EXPECT_TRUE(m_messages.shown().empty());
            EXPECT_EQ(columnTexts(l, 0), list({"City 05", "City 06", "City 07", "City 08", "City 09"}));
        } else {
            EXPECT_EQ(m_host.closes, 1);
            ASSERT_EQ(m_messages.shownNumbers(), std::vector<int>{35});
            EXPECT_TRUE(m_messages.last().text.startsWith(QStringLiteral("Error: (File Is Locked")))
                << m_messages.last().text.toStdString();
        }
        m_messages.clear();
        m_host.closes = 0;
    }
}

class FakeFormHost final : public engine::FormHost {
public:
    int closes = 0;
    int focusFirst = 0;
    int redisplays = 0;

    void closeForm() override { ++closes; }
    void redisplay() override { ++redisplays; }
    void focusFirstField() override { ++focusFirst; }
    bool acceptAll() override { return true; }
};

class FormFaults : public test::StoreFixture {
protected:
    void SetUp() override {
        StoreFixture::SetUp();
        m_cat = &store::Store::instance().use(QStringLiteral("QKcat"));
        m_cat->record().setValue(QStringLiteral("CTRL_NBR"), 1);
        m_cat->record().setValue(QStringLiteral("CATEGORY"), QStringLiteral("Family"));
        ASSERT_TRUE(m_cat->insert().ok());
    }
    void TearDown() override {
        store::Store::instance().release(QStringLiteral("QKcat"));
        StoreFixture::TearDown();
    }

    QString stored() {
        store::Table t(m_cat->def(), m_dir.path());
        if (t.open())
            return QStringLiteral("<unreadable>");
        t.record().setValue(QStringLiteral("CTRL_NBR"), 1);
        return t.fetch(*t.def().key(QStringLiteral("CTRL_KEY"))) ? QStringLiteral("<missing>")
                                                                 : t.record().text(1);
    }

    store::Table *m_cat = nullptr;
};

// Saving over a record another station changed meanwhile: the user is told,
// the form shows the other station's version with the focus on its first
// field and stays open; saving again then writes.
TEST_F(FormFaults, ChangeMeetingAnotherStationsChangeReloadsItAndStaysOpen) {
    struct Case {
        engine::FormVariant variant;
        bool longMessage;
        int message;
    };
    const Case cases[] = {{engine::FormVariant::A, false, 15}, {engine::FormVariant::B, true, 38}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.message);
        m_messages.clear();
        m_cat->record().setValue(QStringLiteral("CTRL_NBR"), 1);
        ASSERT_TRUE(m_cat->fetch(*m_cat->def().key(QStringLiteral("CTRL_KEY"))).ok());
        const QString before = m_cat->record().text(1);
        engine::FormSetup setup;
        setup.formKey = QStringLiteral("catup");
        setup.variant = c.variant;
        setup.longConflictMessage = c.longMessage;
        FakeFormHost host;
        engine::setGlobalRequest(Request::ChangeRecord);
        engine::UpdateForm form(*m_cat, setup, host);
        ASSERT_EQ(form.open(), engine::UpdateForm::Start::Show);
        ASSERT_EQ(form.table().record().text(1), before);

        const QString theirs = QStringLiteral("Kin %1").arg(c.message);
        const QString ours = QStringLiteral("Relatives %1").arg(c.message);
        ASSERT_EQ(QProcess::execute(test::selfPath(),
                                    {QStringLiteral("--child"), QStringLiteral("engine-rename-category"),
                                     m_dir.path(), QStringLiteral("1"), theirs}),
                  0);
        form.table().record().setValue(QStringLiteral("CATEGORY"), ours);
        m_messages.answer(c.message, store::Button::Ok);
        form.ok();
        EXPECT_EQ(m_messages.shownNumbers(), std::vector<int>{c.message});
        EXPECT_EQ(host.closes, 0);
        EXPECT_EQ(host.redisplays, 1);
        EXPECT_EQ(host.focusFirst, 1);
        EXPECT_EQ(form.table().record().text(1), theirs);
        EXPECT_FALSE(form.differsFromSaved());
        EXPECT_EQ(stored(), theirs);

        // Typed again over what the other station saved, the change goes in.
        form.table().record().setValue(QStringLiteral("CATEGORY"), ours);
        form.ok();
        EXPECT_EQ(host.closes, 1);
        EXPECT_TRUE(form.mayClose());
        form.finish();
        EXPECT_EQ(engine::globalResponse(), Response::RequestCompleted);
        EXPECT_EQ(stored(), ours);
        EXPECT_EQ(m_cat->record().text(1), ours);
    }
}

} // namespace
