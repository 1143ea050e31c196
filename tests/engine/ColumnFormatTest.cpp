#include "engine/ColumnFormat.h"
#include "support/CaseName.h"

#include <gtest/gtest.h>

using namespace tabulo::engine;

namespace {

ColumnFormat parsed(const char *text) {
    const Parsed<ColumnFormat> format = ColumnFormat::parse(QLatin1String(text));
    EXPECT_TRUE(format.ok()) << format.error().toStdString();
    return format.ok() ? *format : *ColumnFormat::parse(QStringLiteral("1L"));
}

struct FormatInUse {
    const char *text;
    int columns;
};

void PrintTo(const FormatInUse &c, std::ostream *os) {
    *os << c.text;
}

// Named by the titles of its first columns (between the tildes) and its place.
std::string formatName(const ::testing::TestParamInfo<FormatInUse> &info) {
    const QStringList parts = QString::fromUtf8(info.param.text).split(u'~');
    QStringList titles;
    for (qsizetype i = 1; i < parts.size() && titles.size() < 3; i += 2)
        titles << parts[i];
    return tabulo::test::caseName(titles.join(u' ').toStdString(), info.index);
}

class ColumnFormatsInUse : public ::testing::TestWithParam<FormatInUse> {};

// Every column format the lists of the program use.
TEST_P(ColumnFormatsInUse, ParseIntoTheirColumns) {
    const Parsed<ColumnFormat> format = ColumnFormat::parse(QLatin1String(GetParam().text));
    ASSERT_TRUE(format.ok()) << format.error().toStdString();
    ASSERT_EQ(format->count(), GetParam().columns);
    for (const Column &column : format->columns()) {
        EXPECT_GT(column.width, 0);
        EXPECT_FALSE(column.header.isEmpty());
        ASSERT_TRUE(column.picture.has_value());
        EXPECT_EQ(column.picture->text(), column.pictureText);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Lists, ColumnFormatsInUse,
    ::testing::Values(
        FormatInUse{"101L(2)|M~City~@s30@24L(2)|M~State~@s2@24L(2)|M~Zip Code~@s5@", 3},
        FormatInUse{"103L(2)|M~Category~@s30@", 1},
        FormatInUse{
            "103L(2)|M~Dept~@S25@103L(2)|M~Name~@s25@61L(2)|M~Number~@P(###) ###-####P@24L(2)|M~Ext~@s6@", 4},
        FormatInUse{"10C(2)|M~*~L@s1@64L(2)|M~Last Name~@s16@?56L(2)|M~First Name~@s14@", 3},
        FormatInUse{"120L(2)|M~Category~@s30@", 1}, FormatInUse{"140L~Category~L(1)@s35@", 1},
        FormatInUse{
            "145L(2)|M~Name~@s35@80L(2)|M~Address~@s30@64L(2)|M~Address~@s15@80L(2)|M~City~@s30@24L(2)|M~"
            "State~@s2@24L(2)|M~Zip~@s5@80L(2)|M~Country~@s20@",
            7},
        FormatInUse{"213L(2)|M~Group~@s35@", 1}, FormatInUse{"283L(2)|M~Company~@s35@?", 1},
        FormatInUse{"37L(2)|M~Created~@d1@37L(2)|M~Updated~@d1b@", 2},
        FormatInUse{"38L(2)|M~Dated~@d1@37L(2)|M~Updated~@d1b@", 2},
        FormatInUse{"42L(2)|M~Date~@s8@112L(2)|M~Event~S(45)@s35@", 2},
        FormatInUse{"56R(2)|M~Ctrl nbr~C(0)@n13@60L(2)|M~fname~L(2)@s14@68L(2)|M~lname~L(2)@s16@56R(2)|M~Nam "
                    "ctrl~C(0)@n13@56R(2)|M~Cat ctrl~C(0)@n13@",
                    5},
        FormatInUse{
            "56R(2)|M~ctrl nbr~C(0)@n13@80L(2)|M~company~L(2)@s35@56R(2)|M~cmp ctrl~C(0)@n13@56R(2)|M~grp "
            "ctrl~C(0)@n13@",
            4},
        FormatInUse{
            "62L(2)|M~Location~@S25@55L(2)|M~Name~@s25@56L(2)|M~Number~@P(###) ###-####P@24L(2)|M~EXT~@s6@",
            4},
        FormatInUse{
            "65L(2)|M~Location~@S25@71L(2)|M~Name~@s25@56L(2)|M~Number~@P(###) ###-####P@24L(2)|M~EXT~@s6@",
            4},
        FormatInUse{
            "68L(2)|M~Lname~L(2)@S16@60L(2)|M~Fname~L(2)@S14@80L(2)|M~Addr1~L(2)@S30@80L(2)|M~Addr2~L(2)@"
            "S30@80L(2)|M~City~L(2)@S30@24L(2)|M~State~L(2)@S2@24L(2)|M~Zip~L(2)@S5@80R(2)|M~Birthdate~C(0)@"
            "d2b@80L(2)|M~Email Address~L(2)@s30@",
            9},
        FormatInUse{
            "80L(2)|M~Location~L(2)@S25@80L(2)|M~Name~L(2)@s25@64L(2)|M~Number~L(2)@P(###) ###-####P@20L(2)|"
            "M~Area~L(2)@s3@28L(2)|M~Ext~L(2)@s6@68R(2)|M~Just Phones Byte~C(0)@n3@80L(2)|M~Just Phones "
            "Name~L(2)@s35@",
            7},
        FormatInUse{"80R(2)|M~Date~C(0)@d1b@80R(2)|M~Update~C(0)@d1b@24R(2)|M~Order~C(0)@n5@", 3}),
    formatName);

} // namespace

TEST(ColumnFormat, NamesListColumns) {
    const ColumnFormat format = parsed("10C(2)|M~*~L@s1@64L(2)|M~Last Name~@s16@?56L(2)|M~First Name~@s14@");
    const Column &tag = format.column(0);
    EXPECT_EQ(tag.width, 10);
    EXPECT_EQ(tag.alignment, Alignment::Center);
    EXPECT_EQ(tag.offset, 2);
    EXPECT_TRUE(tag.rightBorder);
    EXPECT_TRUE(tag.resizable);
    EXPECT_EQ(tag.header, QStringLiteral("*")); // a header, not a marker
    EXPECT_EQ(tag.headerAlignment, Alignment::Left);
    EXPECT_TRUE(tag.headerAlignmentGiven);
    EXPECT_EQ(tag.pictureText, QStringLiteral("s1"));
    EXPECT_FALSE(tag.hasFlag(QLatin1Char('*')));

    const Column &last = format.column(1);
    EXPECT_EQ(last.width, 64);
    EXPECT_EQ(last.header, QStringLiteral("Last Name"));
    EXPECT_EQ(last.headerAlignment, Alignment::Left);
    EXPECT_FALSE(last.headerAlignmentGiven);
    EXPECT_EQ(last.picture->width(), 16);
    // The "?" after the picture belongs to the last-name column.
    ASSERT_TRUE(last.hasFlag(QLatin1Char('?')));
    EXPECT_EQ(last.flags.back(), (ColumnFlag{QLatin1Char('?'), std::nullopt, true}));

    const Column &first = format.column(2);
    EXPECT_EQ(first.width, 56);
    EXPECT_EQ(first.header, QStringLiteral("First Name"));
    EXPECT_FALSE(first.hasFlag(QLatin1Char('?')));
    EXPECT_EQ(first.flags.size(), 2u); // "|" and "M"
}

TEST(ColumnFormat, HeaderAlignmentScrollingAndPlainColumns) {
    const ColumnFormat links = parsed("56R(2)|M~Ctrl nbr~C(0)@n13@60L(2)|M~fname~L(2)@s14@");
    EXPECT_EQ(links.column(0).alignment, Alignment::Right);
    EXPECT_EQ(links.column(0).headerAlignment, Alignment::Center);
    EXPECT_EQ(links.column(0).headerOffset, 0);
    EXPECT_EQ(links.column(1).headerAlignment, Alignment::Left);
    EXPECT_EQ(links.column(1).headerOffset, 2);
    EXPECT_EQ(links.column(0).format(qint64{1234}), QStringLiteral("         1234"));

    const ColumnFormat dates = parsed("42L(2)|M~Date~@s8@112L(2)|M~Event~S(45)@s35@");
    EXPECT_FALSE(dates.column(0).scrollWidth.has_value());
    EXPECT_EQ(dates.column(1).scrollWidth, 45);
    EXPECT_EQ(dates.column(0).format(QStringLiteral("2nd Wednesday")), QStringLiteral("2nd Wedn"));

    const ColumnFormat plain = parsed("140L~Category~L(1)@s35@");
    EXPECT_FALSE(plain.column(0).resizable);
    EXPECT_FALSE(plain.column(0).rightBorder);
    EXPECT_EQ(plain.column(0).offset, 0);
    EXPECT_EQ(plain.column(0).headerOffset, 1);

    const ColumnFormat phones = parsed("56L(2)|M~Number~@P(###) ###-####P@24D(3)~Ext~@s6@");
    EXPECT_EQ(phones.column(0).format(QStringLiteral("5551234567")), QStringLiteral("(555) 123-4567"));
    EXPECT_EQ(phones.column(1).alignment, Alignment::Decimal);
    EXPECT_EQ(phones.column(1).offset, 3);

    // A column may go without a picture (shown whole) or a header.
    const ColumnFormat bare = parsed("40L~Age~30R");
    ASSERT_EQ(bare.count(), 2);
    EXPECT_FALSE(bare.column(0).picture.has_value());
    EXPECT_EQ(bare.column(0).format(QStringLiteral("45 Years")), QStringLiteral("45 Years"));
    EXPECT_TRUE(bare.column(1).header.isEmpty());
}

TEST(ColumnFormat, KeepsMarkersItHasNoUseFor) {
    const ColumnFormat format = parsed("20L(2)|MY_~Name~*@s5@#Z(3)?30R~N~@n3@");
    ASSERT_EQ(format.count(), 2);
    const Column &name = format.column(0);
    const std::vector<ColumnFlag> expected = {{QLatin1Char('|'), std::nullopt, false},
                                              {QLatin1Char('M'), std::nullopt, false},
                                              {QLatin1Char('Y'), std::nullopt, false},
                                              {QLatin1Char('_'), std::nullopt, false},
                                              {QLatin1Char('*'), std::nullopt, false},
                                              {QLatin1Char('#'), std::nullopt, true},
                                              {QLatin1Char('Z'), 3, true},
                                              {QLatin1Char('?'), std::nullopt, true}};
    EXPECT_EQ(name.flags, expected);
    EXPECT_EQ(format.column(1).width, 30);
    EXPECT_TRUE(format.column(1).flags.empty());
}

TEST(ColumnFormat, RefusesMalformedFormatsWithTheirPlace) {
    const std::pair<const char *, const char *> bad[] = {
        {"", "empty"},
        {"L(2)~A~@s5@", "width"},
        {"10X~A~@s5@", "alignment"},
        {"10L(~A~@s5@", "offset"},
        {"10L(2~A~@s5@", "offset"},
        {"10L~A@s5@", "closing \"~\""},
        {"10L~A~@s5", "closing \"@\""},
        {"10L~A~@zz@", "Unknown picture \"zz\""},
        {"10L~A~@s5@20L~B~S(x)@s5@", "column 2"},
    };
    for (const auto &[text, part] : bad) {
        const Parsed<ColumnFormat> format = ColumnFormat::parse(QLatin1String(text));
        EXPECT_FALSE(format.ok()) << text;
        EXPECT_TRUE(format.error().contains(QLatin1String(part)))
            << text << ": " << format.error().toStdString();
    }
}
