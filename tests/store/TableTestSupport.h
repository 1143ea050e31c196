#pragma once

#include "store/Dictionary.h"
#include "store/Table.h"
#include "support/TempDataDir.h"

#include <gtest/gtest.h>
#include <memory>

namespace tabulo::test {

// A table of the dictionary, created and opened in a fresh data directory.
inline std::unique_ptr<store::Table> freshTable(const TempDataDir &dir, const char *name)
{
    const store::TableDef *def = store::Dictionary::instance().table(QString::fromLatin1(name));
    auto table = std::make_unique<store::Table>(*def, dir.path());
    EXPECT_EQ(table->create().code, 0);
    EXPECT_EQ(table->open().code, 0);
    return table;
}

// The path of a table's file in a data directory.
inline QString fileOf(const TempDataDir &dir, const char *table)
{
    return dir.file(store::Table::fileNameFor(store::tableDef(table)));
}

inline const store::KeyDef &keyOf(const store::Table &t, const char *name)
{
    const store::KeyDef *k = t.def().key(QString::fromLatin1(name));
    EXPECT_NE(k, nullptr) << name;
    return *k;
}

} // namespace tabulo::test
