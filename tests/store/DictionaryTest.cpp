#include "store/Dictionary.h"
#include "store/Record.h"

#include <gtest/gtest.h>

using namespace tabulo::store;

TEST(Dictionary, DeclaresEveryTableWithItsLayout)
{
    const Dictionary &d = Dictionary::instance();
    EXPECT_EQ(d.tables().size(), 19u);
    struct Expect
    {
        const char *name;
        const char *file;
        int length;
        size_t fields;
        int memo;
    };
    const Expect expected[] = {
        {"QKnam", "QKNAM", 197, 14, 0},   {"QKcmp", "QKCMP", 266, 14, 0},
        {"QKfon", "QKFON", 121, 10, 0},   {"QKmem", "QKMEM", 22, 6, 2000},
        {"QKcat", "QKCAT", 34, 2, 0},     {"QKjnc", "QKJNC", 42, 5, 0},
        {"QKgrp", "QKGRP", 41, 2, 0},     {"QKjcg", "QKJCG", 47, 4, 0},
        {"QKzip", "QKZIP", 41, 4, 0},     {"QKset", "QKSET", 51, 10, 0},
        {"QKdat", "QKDAT", 109, 14, 2000}, {"QKinc", "QKINC", 157, 14, 3000},
        {"TagFile_", "TagFile_.TPS", 20, 4, 0}, {"TagFileP", "TagFileP.TPS", 272, 4, 0},
        {"QKide", "QKIDE", 178, 9, 0},    {"QKweb", "QKWEB", 327, 5, 1000},
        {"QKinf", "QKINF", 812, 13, 6000}, {"QKprm", "QKPRM", 35, 5, 0},
        {"QKtyp", "QKTYP", 24, 2, 0},
    };
    for (const Expect &e : expected) {
        const TableDef *t = d.table(QString::fromLatin1(e.name));
        ASSERT_NE(t, nullptr) << e.name;
        EXPECT_EQ(t->fileName, QString::fromLatin1(e.file));
        EXPECT_EQ(t->recordLength, e.length) << e.name;
        EXPECT_EQ(t->fields.size(), e.fields) << e.name;
        EXPECT_EQ(t->memoSize, e.memo) << e.name;
    }
    // Offsets follow the declared record layout.
    EXPECT_EQ(d.table(QStringLiteral("QKnam"))->field(QStringLiteral("ZIP_CTRL"))->offset, 193);
    EXPECT_EQ(d.table(QStringLiteral("QKinc"))->field(QStringLiteral("RESUME"))->offset, 156);
    EXPECT_EQ(d.table(QStringLiteral("QKgrp"))->field(QStringLiteral("GROUP"))->offset, 6);
}

TEST(Dictionary, FindsFieldsAndKeysByLabelIgnoringCase)
{
    const Dictionary &d = Dictionary::instance();
    auto f = d.findField(QStringLiteral("jnc:cat_ctrl"));
    ASSERT_TRUE(f);
    EXPECT_EQ(f.table->name, QStringLiteral("QKjnc"));
    EXPECT_EQ(f.table->fields[static_cast<size_t>(f.field)].label, QStringLiteral("JNC:CAT_CTRL"));
    EXPECT_TRUE(d.findField(QStringLiteral("NAM:LNAME")));
    EXPECT_FALSE(d.findField(QStringLiteral("nam:nosuch")));
    EXPECT_FALSE(d.findField(QStringLiteral("xyz:lname")));

    const KeyDef *cat = d.findKey(QStringLiteral("CAT:cat_key"));
    ASSERT_NE(cat, nullptr);
    EXPECT_TRUE(cat->unique && cat->caseInsensitive && cat->excludesEmpty && !cat->primary);
    EXPECT_EQ(cat->messageName, QStringLiteral("CAT:cat_key"));
    EXPECT_EQ(d.findKey(QStringLiteral("ZIP:ZIP_KEY"))->messageName, QStringLiteral("zip:zip_key"));
}

TEST(Dictionary, RuleAKeysAreCaseInsensitiveAndKeepEmptyEntries)
{
    for (const char *label : {"NAM:LNAME_KEY", "NAM:CMP_CTRL_KEY", "FON:NAM_CTRL_KEY", "JNC:CAT_CTRL_KEY",
                              "CMP:NAME_KEY", "MEM:NAM_CTRL_KEY", "JCG:CMP_CTRL_KEY", "JCG:GRP_CTRL_KEY",
                              "CAT:CTRL_KEY", "FON:CTRL_KEY"}) {
        const KeyDef *k = Dictionary::instance().findKey(QString::fromLatin1(label));
        ASSERT_NE(k, nullptr) << label;
        EXPECT_TRUE(k->caseInsensitive) << label;
        EXPECT_FALSE(k->excludesEmpty) << label;
    }
    const KeyDef *calls = Dictionary::instance().findKey(QStringLiteral("INC:CALLDATE_KEY"));
    ASSERT_EQ(calls->components.size(), 2u);
    EXPECT_TRUE(calls->components[0].descending && calls->components[1].descending);
}

TEST(Record, CutsTextAtCharacterBoundaryAndIgnoresTrailingBlanks)
{
    Record r(*Dictionary::instance().table(QStringLiteral("QKnam")));
    const int lname = r.indexOf(QStringLiteral("NAM:LNAME"));
    const int fname = r.indexOf(QStringLiteral("fname"));
    r.setText(lname, QStringLiteral("Abcdefghijklmnopq")); // 17 characters
    EXPECT_EQ(r.text(lname), QStringLiteral("Abcdefghijklmnop"));
    r.setText(fname, QStringLiteral("ÉéÉéÉéÉéÉéÉéÉéÉé")); // 16 two-byte characters
    EXPECT_EQ(r.text(fname).size(), 14);
    EXPECT_EQ(r.utf8(fname).size(), 28u);
    r.setText(fname, QStringLiteral("😀😀😀😀😀😀😀😀😀😀😀😀😀😀😀")); // four-byte characters
    EXPECT_EQ(r.utf8(fname).size(), 56u);

    Record other(r.def());
    other = r;
    other.setText(lname, QStringLiteral("Abcdefghijklmnop   "));
    EXPECT_TRUE(other == r);
    other.setText(lname, QStringLiteral(" Abcdefghijklmnop"));
    EXPECT_FALSE(other == r);
}

TEST(Record, KeepsIntegersInRange)
{
    Record set(*Dictionary::instance().table(QStringLiteral("QKset")));
    set.setValue(QStringLiteral("SET:DATPOPUP"), 300);
    EXPECT_EQ(set.value(QStringLiteral("SET:DATPOPUP")).toLongLong(), 255);
    set.setValue(QStringLiteral("SET:DATPOPUP"), -4);
    EXPECT_EQ(set.value(QStringLiteral("SET:DATPOPUP")).toLongLong(), 0);

    Record cmp(*Dictionary::instance().table(QStringLiteral("QKcmp")));
    cmp.setValue(QStringLiteral("CMP:NOTES"), 40000);
    EXPECT_EQ(cmp.value(QStringLiteral("CMP:NOTES")).toLongLong(), 32767);
    cmp.setValue(QStringLiteral("CMP:NOTES"), -40000);
    EXPECT_EQ(cmp.value(QStringLiteral("CMP:NOTES")).toLongLong(), -32768);

    Record nam(*Dictionary::instance().table(QStringLiteral("QKnam")));
    nam.setValue(QStringLiteral("NAM:CTRL_NBR"), Q_INT64_C(5000000000));
    EXPECT_EQ(nam.value(QStringLiteral("NAM:CTRL_NBR")).toLongLong(), 2147483647);
    nam.setValue(QStringLiteral("NAM:CTRL_NBR"), Q_INT64_C(-5000000000));
    EXPECT_EQ(nam.value(QStringLiteral("NAM:CTRL_NBR")).toLongLong(), Q_INT64_C(-2147483648));

    Record grp(*Dictionary::instance().table(QStringLiteral("QKgrp")));
    grp.setValue(QStringLiteral("GRP:CTRL_NBR"), Q_INT64_C(99999999999));
    EXPECT_EQ(grp.value(QStringLiteral("GRP:CTRL_NBR")).toLongLong(), Q_INT64_C(99999999999));
    grp.setValue(QStringLiteral("GRP:CTRL_NBR"), Q_INT64_C(123456789012));
    EXPECT_EQ(grp.value(QStringLiteral("GRP:CTRL_NBR")).toLongLong(), Q_INT64_C(99999999999));
    grp.setValue(QStringLiteral("GRP:CTRL_NBR"), Q_INT64_C(-123456789012));
    EXPECT_EQ(grp.value(QStringLiteral("GRP:CTRL_NBR")).toLongLong(), Q_INT64_C(-99999999999));

    Record inc(*Dictionary::instance().table(QStringLiteral("QKinc")));
    inc.setMemo(QString(3100, QLatin1Char('x')));
    EXPECT_EQ(inc.memo().size(), 3000);
    inc.clear();
    EXPECT_TRUE(inc.memo().isEmpty());
}
