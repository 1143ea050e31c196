#include "shell/StoreSetupSource.h"
#include "store/Store.h"
#include "store/Table.h"
#include "support/TempDataDir.h"

#include <QFileInfo>
#include <gtest/gtest.h>

using tabulo::shell::StoreSetupSource;
using tabulo::store::Store;

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

} // namespace
