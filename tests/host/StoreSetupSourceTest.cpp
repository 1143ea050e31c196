#include "host/StoreSetupSource.h"
#include "store/Store.h"
#include "store/Table.h"
#include "support/TempDataDir.h"

#include "store/Messages.h"
#include "support/ScriptedMessageService.h"

#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>
#include <optional>
#include <sqlite3.h>

using tabulo::host::StoreSetupSource;
using tabulo::store::Store;
using tabulo::store::Table;
namespace Button = tabulo::store::Button;
using tabulo::test::Halted;
using tabulo::test::ScopedMessageService;
using tabulo::test::ScriptedMessageService;

namespace {

TEST(StoreSetupSourceTest, FirstStartCreatesTheTableWithOneBlankRecord) {
    tabulo::test::TempDataDir dir;
    Store store(dir.path());
    StoreSetupSource setup(store);
    const auto outcome = setup.prepare();
    ASSERT_TRUE(outcome.ok) << outcome.error.toStdString();
    EXPECT_TRUE(outcome.madeFor.trimmed().isEmpty());
    EXPECT_EQ(store.useCount(QStringLiteral("QKset")), 1);
    EXPECT_EQ(store.table(QStringLiteral("QKset")).records(), 1);
    const auto &record = store.table(QStringLiteral("QKset")).record();
    EXPECT_EQ(record.value(QStringLiteral("SET:DATPOPUP")).toLongLong(), 0);
    EXPECT_EQ(record.value(QStringLiteral("SET:POPCHECKED")).toLongLong(), 0);

    setup.release();
    EXPECT_EQ(store.useCount(QStringLiteral("QKset")), 0);
    EXPECT_FALSE(store.table(QStringLiteral("QKset")).isOpen());
}

TEST(StoreSetupSourceTest, LaterStartsReadTheStoredOwnerAndAddNothing) {
    tabulo::test::TempDataDir dir;
    {
        Store store(dir.path());
        StoreSetupSource setup(store);
        ASSERT_TRUE(setup.prepare().ok);
        auto &table = store.table(QStringLiteral("QKset"));
        table.record().setValue(QStringLiteral("SET:MADEFOR"), QStringLiteral("Ann Smith"));
        ASSERT_TRUE(table.change().ok());
        setup.release();
    }
    Store store(dir.path());
    StoreSetupSource setup(store);
    const auto outcome = setup.prepare();
    ASSERT_TRUE(outcome.ok);
    EXPECT_EQ(outcome.madeFor.trimmed(), QStringLiteral("Ann Smith"));
    EXPECT_EQ(store.table(QStringLiteral("QKset")).records(), 1);
    setup.release();
}

// When the blank setup record cannot be added (another station holds the
// file), the stop dialog says so: Abort ends the program, Ignore goes on
// with a blank setup and adds nothing.
TEST(StoreSetupSourceTest, ABlankRecordThatCannotBeAddedStopsWithTheChoiceToGoOn) {
    for (const int answer : {Button::Abort, Button::Ignore}) {
        SCOPED_TRACE(answer == Button::Abort ? "Abort" : "Ignore");
        tabulo::test::TempDataDir dir;
        {
            Table made(tabulo::store::tableDef("QKset"), dir.path());
            ASSERT_EQ(made.create().code, 0);
        }
        sqlite3 *station = nullptr;
        const QString file = dir.file(Table::fileNameFor(tabulo::store::tableDef("QKset")));
        ASSERT_EQ(sqlite3_open(QFile::encodeName(file).constData(), &station), SQLITE_OK);
        ASSERT_EQ(sqlite3_exec(station, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), SQLITE_OK);

        ScriptedMessageService messages;
        ScopedMessageService installed(messages);
        messages.answer(0, answer);
        const int wait = Table::defaultWaitMs();
        Table::setDefaultWaitMs(50);
        Store store(dir.path());
        StoreSetupSource setup(store);
        std::optional<StoreSetupSource::Outcome> outcome;
        QString halt = QStringLiteral("(none)");
        try {
            outcome = setup.prepare();
        } catch (const Halted &halted) {
            halt = halted.text();
        }
        Table::setDefaultWaitMs(wait);
        sqlite3_exec(station, "ROLLBACK", nullptr, nullptr, nullptr);
        sqlite3_close(station);

        ASSERT_EQ(messages.shown().size(), 1u);
        const tabulo::store::MessageBox box = messages.last();
        EXPECT_EQ(box.title, QStringLiteral("Stop"));
        EXPECT_EQ(box.text, QStringLiteral("Error adding QKset"));
        EXPECT_EQ(box.buttons, Button::Abort | Button::Ignore);
        if (answer == Button::Abort) {
            EXPECT_EQ(halt, QString()) << "the program ends without a second box";
            EXPECT_FALSE(outcome.has_value());
        } else {
            EXPECT_EQ(halt, QStringLiteral("(none)"));
            ASSERT_TRUE(outcome.has_value());
            EXPECT_TRUE(outcome->ok);
            EXPECT_TRUE(outcome->madeFor.trimmed().isEmpty());
            EXPECT_EQ(store.table(QStringLiteral("QKset")).records(), 0);
            setup.release();
        }
    }
}

} // namespace
