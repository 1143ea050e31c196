#include "engine/EngineTestSupport.h"

#include "engine/UpdateForm.h"
#include "store/Store.h"

#include <QFile>
#include <sqlite3.h>

using namespace tabulo;
using engine::Request;
using engine::Response;
using engine::UpdateForm;
using store::Button::Cancel;
using store::Button::Ok;
using store::Button::Retry;
using store::Button::Yes;

namespace {

class FakeFormHost final : public engine::FormHost {
public:
    int closes = 0;
    int focusFirst = 0;
    int redisplays = 0;
    bool fieldsPass = true;

    void closeForm() override { ++closes; }
    void redisplay() override { ++redisplays; }
    void focusFirstField() override { ++focusFirst; }
    bool acceptAll() override { return fieldsPass; }
};

class UpdateFormCore : public test::StoreFixture {
protected:
    void SetUp() override {
        StoreFixture::SetUp();
        m_cat = &store::Store::instance().use(QStringLiteral("QKcat"));
    }
    void TearDown() override {
        m_form.reset();
        store::Store::instance().release(QStringLiteral("QKcat"));
        StoreFixture::TearDown();
    }

    void add(qint64 number, const QString &name) {
        m_cat->record().clear();
        m_cat->record().setValue(QStringLiteral("CTRL_NBR"), number);
        m_cat->record().setValue(QStringLiteral("CATEGORY"), name);
        ASSERT_TRUE(m_cat->insert().ok());
    }

    UpdateForm &form(Request request, engine::FormSetup setup = {}) {
        setup.formKey = QStringLiteral("catup");
        setup.duplicateKeys = {m_cat->def().key(QStringLiteral("CTRL_KEY")),
                               m_cat->def().key(QStringLiteral("CAT_KEY"))};
        engine::setGlobalRequest(request);
        m_form = std::make_unique<UpdateForm>(*m_cat, setup, m_host);
        return *m_form;
    }

    store::Table *m_cat = nullptr;
    FakeFormHost m_host;
    std::unique_ptr<UpdateForm> m_form;
};

TEST_F(UpdateFormCore, InsertIntoAnEmptyTableNumbersOne) {
    m_cat->record().clear();
    UpdateForm &f = form(Request::InsertRecord);
    ASSERT_EQ(f.open(), UpdateForm::Start::Show);
    EXPECT_EQ(f.table().record().integer(0), 1);
    EXPECT_EQ(m_cat->records(), 1);
    EXPECT_TRUE(f.differsFromSaved());
    f.table().record().setValue(QStringLiteral("CATEGORY"), QStringLiteral("Friends"));
    f.ok();
    EXPECT_EQ(m_host.closes, 1);
    EXPECT_TRUE(f.mayClose());
    f.finish();
    EXPECT_EQ(engine::globalResponse(), Response::RequestCompleted);
    EXPECT_EQ(m_cat->records(), 1);
    // The caller's buffer holds the record as saved, positioned on it.
    EXPECT_EQ(m_cat->record().text(1), QStringLiteral("Friends"));
    EXPECT_EQ(m_cat->position(), f.table().position());
}

TEST_F(UpdateFormCore, NumberingGivesUpAfterThreeAttemptsUnlessRetried) {
    add(1, QStringLiteral("Family"));
    add(7, QStringLiteral("Work"));
    // Every add of this primed record collides with "Family".
    m_cat->record().clear();
    m_cat->record().setValue(QStringLiteral("CATEGORY"), QStringLiteral("family"));
    m_messages.answer(25, Retry);
    m_messages.answer(25, Cancel);
    UpdateForm &f = form(Request::InsertRecord);
    EXPECT_EQ(f.open(), UpdateForm::Start::Ended);
    EXPECT_EQ(m_messages.shownNumbers(), (std::vector<int>{25, 25}));
    EXPECT_EQ(m_messages.last().title, QStringLiteral("Auto Increment Error"));
    EXPECT_TRUE(m_messages.last().text.startsWith(
        QStringLiteral("Attempts to automatically number this record have failed.  Error: ")));
    f.finish();
    EXPECT_EQ(engine::globalResponse(), Response::RequestCancelled);
    EXPECT_EQ(m_cat->records(), 2);
}

TEST_F(UpdateFormCore, InsertNumbersAfterTheHighestNumber) {
    add(1, QStringLiteral("Family"));
    add(41, QStringLiteral("Work"));
    m_cat->record().clear();
    engine::FormSetup quiet;
    quiet.askOnClose = false;
    UpdateForm &f = form(Request::InsertRecord, quiet);
    ASSERT_EQ(f.open(), UpdateForm::Start::Show);
    EXPECT_EQ(f.table().record().integer(0), 42);
    EXPECT_EQ(m_cat->records(), 3);
    // Cancelled: the numbered record goes again, without a question.
    f.cancel();
    EXPECT_TRUE(f.mayClose());
    EXPECT_TRUE(m_messages.shown().empty());
    EXPECT_EQ(m_cat->records(), 2);
}

TEST_F(UpdateFormCore, DeleteAsksAndRetriesWithoutAskingAgain) {
    add(1, QStringLiteral("Family"));
    m_cat->record().setValue(QStringLiteral("CTRL_NBR"), 1);
    ASSERT_TRUE(m_cat->fetch(*m_cat->def().key(QStringLiteral("CTRL_KEY"))).ok());
    int calls = 0;
    engine::FormSetup setup;
    setup.deleteRoutine = [&](store::Table &t, QObject *) {
        ++calls;
        return calls > 1 && t.remove().ok();
    };
    m_messages.answer(32, Ok);
    m_messages.answer(18, Yes);
    UpdateForm &f = form(Request::DeleteRecord, setup);
    EXPECT_EQ(f.open(), UpdateForm::Start::Ended);
    EXPECT_EQ(calls, 2);
    EXPECT_EQ(m_messages.shownNumbers(), (std::vector<int>{32, 18}));
    EXPECT_EQ(f.response(), Response::RequestCompleted);
    EXPECT_EQ(m_cat->records(), 0);
}

TEST_F(UpdateFormCore, DeleteAnsweredWithCancelDeletesNothing) {
    add(1, QStringLiteral("Family"));
    m_cat->record().setValue(QStringLiteral("CTRL_NBR"), 1);
    ASSERT_TRUE(m_cat->fetch(*m_cat->def().key(QStringLiteral("CTRL_KEY"))).ok());
    m_messages.answer(32, Cancel);
    UpdateForm &f = form(Request::DeleteRecord);
    EXPECT_EQ(f.open(), UpdateForm::Start::Ended);
    f.finish();
    EXPECT_EQ(engine::globalResponse(), Response::RequestCancelled);
    EXPECT_EQ(m_cat->records(), 1);
}

TEST_F(UpdateFormCore, AFailedChangeOffersRetryNoAndCancel) {
    add(1, QStringLiteral("Family"));
    m_cat->record().setValue(QStringLiteral("CTRL_NBR"), 1);
    ASSERT_TRUE(m_cat->fetch(*m_cat->def().key(QStringLiteral("CTRL_KEY"))).ok());
    int calls = 0;
    engine::FormSetup setup;
    setup.changeRoutine = [&](store::Table &, bool, QObject *) {
        ++calls;
        return engine::ChangeResult::Failed;
    };
    UpdateForm &f = form(Request::ChangeRecord, setup);
    ASSERT_EQ(f.open(), UpdateForm::Start::Show);
    f.table().record().setValue(QStringLiteral("CATEGORY"), QStringLiteral("Kin"));
    m_messages.answer(16, Yes);
    m_messages.answer(16, Cancel);
    f.ok();
    EXPECT_EQ(calls, 2);
    EXPECT_EQ(m_host.closes, 0);
    m_messages.answer(16, store::Button::No);
    f.ok();
    EXPECT_EQ(m_host.closes, 1);
    EXPECT_EQ(f.response(), Response::RequestCancelled);
    // A field that fails the accept-all pass stops OK before any write.
    m_host.fieldsPass = false;
    f.ok();
    EXPECT_EQ(calls, 3);
}

// A cancelled insert whose blank record cannot be removed (another station
// holds the file) tells the user, and keeps the mark that has the record
// removed at a later open.
TEST_F(UpdateFormCore, ACancelledInsertThatCannotRemoveItsRecordSaysSo) {
    add(1, QStringLiteral("Family"));
    const int wait = store::Table::defaultWaitMs();
    store::Table::setDefaultWaitMs(50); // the form's own connection waits this long
    m_cat->record().clear();
    engine::FormSetup quiet;
    quiet.askOnClose = false;
    UpdateForm &f = form(Request::InsertRecord, quiet);
    ASSERT_EQ(f.open(), UpdateForm::Start::Show);
    store::Table::setDefaultWaitMs(wait);
    const qint64 numbered = f.table().currentRid();

    // Another station writes the file: it may be read, not written.
    sqlite3 *station = nullptr;
    ASSERT_EQ(sqlite3_open(QFile::encodeName(m_cat->filePath()).constData(), &station), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(station, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), SQLITE_OK);
    m_messages.answer(17, Ok);
    f.cancel();
    EXPECT_TRUE(f.mayClose());
    sqlite3_exec(station, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(station);

    ASSERT_EQ(m_messages.shownNumbers(), std::vector<int>{17});
    EXPECT_EQ(m_messages.last().title, QStringLiteral("Delete Operation Error"));
    EXPECT_TRUE(m_messages.last().text.startsWith(QStringLiteral("An error (File Is Locked")))
        << m_messages.last().text.toStdString();
    EXPECT_TRUE(m_messages.last().text.endsWith(
        QStringLiteral("(32)) was experienced when attempting to delete a record from the file QKcat.")))
        << m_messages.last().text.toStdString();
    EXPECT_EQ(m_cat->records(), 2);
    sqlite3 *db = m_cat->handle();
    sqlite3_stmt *mark = nullptr;
    ASSERT_EQ(sqlite3_prepare_v2(db, "SELECT count(*) FROM open_inserts WHERE rid=?", -1, &mark, nullptr),
              SQLITE_OK);
    sqlite3_bind_int64(mark, 1, numbered);
    ASSERT_EQ(sqlite3_step(mark), SQLITE_ROW);
    EXPECT_EQ(sqlite3_column_int(mark, 0), 1) << "the mark of the blank record is kept";
    sqlite3_finalize(mark);
}

} // namespace
