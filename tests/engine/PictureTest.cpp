#include "engine/Picture.h"
#include "base/DateOps.h"
#include "support/CaseName.h"

#include <gtest/gtest.h>

#include <limits>

using namespace tabulo;
using engine::Picture;

namespace {

int ymd(int y, int m, int d) {
    return dates::dateFromMdy(m, d, y);
}

int hhmm(int hour, int minute) {
    return (hour * 3600 + minute * 60) * 100 + 1;
}

Picture picture(const char *text) {
    const engine::Parsed<Picture> parsed = Picture::fromText(QLatin1String(text));
    EXPECT_TRUE(parsed.ok()) << text << ": " << parsed.error().toStdString();
    return parsed.ok() ? *parsed : *Picture::fromText(QStringLiteral("s1"));
}

struct FormatCase {
    const char *picture;
    QVariant value;
    const char *shown;
};

void PrintTo(const FormatCase &c, std::ostream *os) {
    *os << c.picture << " <- " << c.value.toString().toStdString();
}

class PictureFormat : public ::testing::TestWithParam<FormatCase> {};

// A picture is tried with several values: named by the picture and its place.
std::string formatCaseName(const ::testing::TestParamInfo<FormatCase> &info) {
    return tabulo::test::caseName(info.param.picture, info.index);
}

TEST_P(PictureFormat, Shows) {
    EXPECT_EQ(picture(GetParam().picture).format(GetParam().value), QString::fromUtf8(GetParam().shown));
}

INSTANTIATE_TEST_SUITE_P(Text, PictureFormat,
                         ::testing::Values(FormatCase{"s5", QStringLiteral("Hello World"), "Hello"},
                                           FormatCase{"@s16", QStringLiteral("Smith"), "Smith"},
                                           FormatCase{"S25", QStringLiteral("Home"), "Home"},
                                           FormatCase{"@s1", QStringLiteral("*"), "*"},
                                           FormatCase{"@s8", QStringLiteral("2nd Wednesday"), "2nd Wedn"},
                                           FormatCase{"s2b", QStringLiteral("0"), ""},
                                           FormatCase{"s2b", QStringLiteral("12"), "12"},
                                           FormatCase{"s2", QStringLiteral("0"), "0"}),
                         formatCaseName);

INSTANTIATE_TEST_SUITE_P(
    Numbers, PictureFormat,
    ::testing::Values(FormatCase{"n3", 0, "  0"}, FormatCase{"n3b", 0, ""}, FormatCase{"@n3", 5, "  5"},
                      FormatCase{"n3", 999, "999"}, FormatCase{"n3", 1000, "###"}, // never cut short
                      FormatCase{"n3b", 7, "  7"}, FormatCase{"N3", 100, "100"},
                      FormatCase{"n-13", -42, "          -42"}, FormatCase{"n-6", 0, "     0"},
                      FormatCase{"n-6", -99999, "-99999"}, FormatCase{"n-6", -100000, "######"},
                      FormatCase{"n3", -5, " -5"}, // the true value, sign and all, when it fits
                      FormatCase{"n2", -50, "##"}, FormatCase{"@N13", 1234567, "      1234567"},
                      FormatCase{"n05", 42, "00042"}, FormatCase{"n-05", -42, "-0042"},
                      FormatCase{"N_6", 12, "____12"}, FormatCase{"n*6", 12, "****12"},
                      FormatCase{"n-13", std::numeric_limits<qint64>::min(), "#############"}),
    formatCaseName);

INSTANTIATE_TEST_SUITE_P(Dates, PictureFormat,
                         ::testing::Values(FormatCase{"d1", ymd(1959, 10, 31), "10/31/59"},
                                           FormatCase{"@d1b", ymd(2026, 1, 5), "01/05/26"},
                                           FormatCase{"d01", ymd(1959, 10, 31), "10/31/59"},
                                           FormatCase{"d2", ymd(1959, 10, 31), "10/31/1959"},
                                           FormatCase{"D2", ymd(2026, 12, 8), "12/08/2026"},
                                           FormatCase{"d3", ymd(2026, 12, 8), "Dec 8, 2026"},
                                           FormatCase{"D3", ymd(2026, 10, 31), "Oct 31, 2026"},
                                           FormatCase{"D4", ymd(2026, 10, 31), "October 31, 2026"},
                                           FormatCase{"D4", ymd(2026, 9, 30), "September 30, 2026"},
                                           FormatCase{"d1", 0, ""}, FormatCase{"d1b", 0, ""},
                                           FormatCase{"D2b", 0, ""}, FormatCase{"d3", 0, ""},
                                           FormatCase{"d2", 1, "12/29/1800"}),
                         formatCaseName);

INSTANTIATE_TEST_SUITE_P(
    Times, PictureFormat,
    ::testing::Values(FormatCase{"t3", hhmm(16, 59), "4:59PM"},
                      FormatCase{"t3", hhmm(16, 59) + 5999, "4:59PM"}, FormatCase{"t3", 1, "12:00AM"},
                      FormatCase{"t3", hhmm(12, 0), "12:00PM"}, FormatCase{"t3", hhmm(9, 5), "9:05AM"},
                      FormatCase{"t3", hhmm(23, 59), "11:59PM"}, FormatCase{"t3", 0, ""},
                      FormatCase{"t3b", 0, ""}, FormatCase{"t3", 24 * 3600 * 100 + 2, "#######"}),
    formatCaseName);

INSTANTIATE_TEST_SUITE_P(
    Patterns, PictureFormat,
    ::testing::Values(FormatCase{"@P(###) ###-####P", QStringLiteral("5551234567"), "(555) 123-4567"},
                      FormatCase{"P(###) ###-####P", QStringLiteral("5551234567    "), "(555) 123-4567"},
                      FormatCase{"p(###) ###-####p", QStringLiteral("5551234"), "(   ) 555-1234"},
                      FormatCase{"P(###) ###-####P", QString(), "(   )    -    "},
                      FormatCase{"p(###) ###-####pb", QString(), ""},
                      FormatCase{"p(###) ###-####pb", QStringLiteral("0000000000"), ""},
                      FormatCase{"p(###) ###-####pb", QStringLiteral("2125550100"), "(212) 555-0100"},
                      // More digits than places: shown as stored, not cut.
                      FormatCase{"P(###) ###-####P", QStringLiteral("44207946000"), "44207946000"},
                      FormatCase{"pPage <<<#p", 5, "Page 5"}, FormatCase{"pPage <<<#p", 123, "Page 123"},
                      FormatCase{"pPage <<<#p", 0, "Page 0"}, FormatCase{"pPage <<<#p", 1000, "Page 1000"}),
    formatCaseName);

struct ParseCase {
    const char *picture;
    const char *typed;
    bool ok;
    QVariant value;        // when ok
    const char *errorPart; // when not ok: part of the failure text
};

void PrintTo(const ParseCase &c, std::ostream *os) {
    *os << c.picture << " <- \"" << c.typed << "\"";
}

class PictureParse : public ::testing::TestWithParam<ParseCase> {};

std::string parseCaseName(const ::testing::TestParamInfo<ParseCase> &info) {
    return tabulo::test::caseName(info.param.picture, info.index);
}

TEST_P(PictureParse, Reads) {
    const ParseCase &c = GetParam();
    const engine::Parsed<QVariant> parsed =
        picture(c.picture).parse(QString::fromUtf8(c.typed), ymd(2026, 12, 8));
    ASSERT_EQ(parsed.ok(), c.ok) << (parsed.ok() ? parsed->toString() : parsed.error()).toStdString();
    if (c.ok) {
        EXPECT_EQ(*parsed, c.value) << parsed->toString().toStdString();
    } else {
        EXPECT_TRUE(parsed.error().contains(QLatin1String(c.errorPart))) << parsed.error().toStdString();
    }
}

INSTANTIATE_TEST_SUITE_P(Text, PictureParse,
                         ::testing::Values(ParseCase{"s5", "Hello", true, QStringLiteral("Hello"), ""},
                                           ParseCase{"s5", "Hello   ", true, QStringLiteral("Hello"), ""},
                                           ParseCase{"s5", "  Hi", true, QStringLiteral("  Hi"), ""},
                                           ParseCase{"s5", "Hello!", false, {}, "at most 5 characters"},
                                           ParseCase{"S25", "", true, QString(), ""}),
                         parseCaseName);

INSTANTIATE_TEST_SUITE_P(
    Numbers, PictureParse,
    ::testing::Values(ParseCase{"n3", "", true, qint64{0}, ""}, ParseCase{"n3", " 42 ", true, qint64{42}, ""},
                      ParseCase{"n3", "999", true, qint64{999}, ""},
                      ParseCase{"n3", "007", true, qint64{7}, ""}, ParseCase{"n3", "+7", true, qint64{7}, ""},
                      ParseCase{"n3", "1000", false, {}, "at most 3 digits"},
                      ParseCase{"n3", "-5", false, {}, "negative"},
                      ParseCase{"n3", "-0", true, qint64{0}, ""},
                      ParseCase{"n3", "abc", false, {}, "not a whole number"},
                      ParseCase{"n3", "4 2", false, {}, "not a whole number"},
                      ParseCase{"n3", "4.5", false, {}, "not a whole number"},
                      ParseCase{"n-13", "-42", true, qint64{-42}, ""},
                      ParseCase{"n-13", "-999999999999", true, qint64{-999999999999}, ""},
                      ParseCase{"n-13", "-9999999999999", false, {}, "at most 12 digits"},
                      ParseCase{"n-13", "9999999999999", true, qint64{9999999999999}, ""},
                      ParseCase{"n-13", "--4", false, {}, "not a whole number"},
                      ParseCase{"n-30", "9999999999999999999999", false, {}, "at most 18 digits"}),
    parseCaseName);

INSTANTIATE_TEST_SUITE_P(Dates, PictureParse,
                         ::testing::Values(ParseCase{"d1", "", true, 0, ""},
                                           ParseCase{"d1", "10/31/59", true, ymd(1959, 10, 31), ""},
                                           ParseCase{"d1", "10/31/36", true, ymd(2036, 10, 31), ""},
                                           ParseCase{"d1", "10/31/37", true, ymd(1937, 10, 31), ""},
                                           ParseCase{"d1", "1/5/2026", true, ymd(2026, 1, 5), ""},
                                           ParseCase{"d01", "103159", true, ymd(1959, 10, 31), ""},
                                           ParseCase{"d1", "2/29/2024", true, ymd(2024, 2, 29), ""},
                                           ParseCase{"d1", "2/29/2023", false, {}, "not a valid date"},
                                           ParseCase{"d1", "2/30/2026", false, {}, "not a valid date"},
                                           ParseCase{"d1", "13/01/2026", false, {}, "not a valid date"},
                                           ParseCase{"d1", "0/10/2026", false, {}, "not a valid date"},
                                           ParseCase{"d1", "hello", false, {}, "mm/dd/yy"},
                                           ParseCase{"d1", "10/31", false, {}, "mm/dd/yy"},
                                           ParseCase{"D2", "12/08/2026", true, ymd(2026, 12, 8), ""},
                                           ParseCase{"D2", "12-8-2026", true, ymd(2026, 12, 8), ""},
                                           ParseCase{"D2", "12.8.2026", true, ymd(2026, 12, 8), ""},
                                           ParseCase{"D2", "12/8/1700", false, {}, "1801"},
                                           ParseCase{"D2", "Dec 8, 2026", false, {}, "mm/dd/yyyy"},
                                           ParseCase{"d3", "Dec 8, 2026", true, ymd(2026, 12, 8), ""},
                                           ParseCase{"d3", "december 8 2026", true, ymd(2026, 12, 8), ""},
                                           ParseCase{"D3", "12/8/2026", true, ymd(2026, 12, 8), ""},
                                           ParseCase{"d3", "Dec 32, 2026", false, {}, "not a valid date"},
                                           ParseCase{"d3", "Foo 8, 2026", false, {}, "not a month"},
                                           ParseCase{"d3", "Ju 8, 2026", false, {}, "not a month"},
                                           ParseCase{"D4", "October 31, 2026", true, ymd(2026, 10, 31), ""},
                                           ParseCase{"D4", "Sept 30, 2026", true, ymd(2026, 9, 30), ""}),
                         parseCaseName);

INSTANTIATE_TEST_SUITE_P(
    Times, PictureParse,
    ::testing::Values(
        ParseCase{"t3", "4:59PM", true, hhmm(16, 59), ""}, ParseCase{"t3", "4:59 pm", true, hhmm(16, 59), ""},
        ParseCase{"t3", "16:59", true, hhmm(16, 59), ""}, ParseCase{"t3", "4PM", true, hhmm(16, 0), ""},
        ParseCase{"t3", "12:00AM", true, 1, ""}, ParseCase{"t3", "12:30PM", true, hhmm(12, 30), ""},
        ParseCase{"t3", "0:00", true, 1, ""}, ParseCase{"t3b", "", true, 0, ""},
        ParseCase{"t3", "13:00PM", false, {}, "not a time"},
        ParseCase{"t3", "4:60PM", false, {}, "not a time"}, ParseCase{"t3", "24:00", false, {}, "not a time"},
        ParseCase{"t3", "4", false, {}, "not a time"}, ParseCase{"t3", "noon", false, {}, "not a time"}),
    parseCaseName);

INSTANTIATE_TEST_SUITE_P(
    Patterns, PictureParse,
    ::testing::Values(ParseCase{"P(###) ###-####P", "(555) 123-4567", true, QStringLiteral("5551234567"), ""},
                      ParseCase{"P(###) ###-####P", "555 123 4567", true, QStringLiteral("5551234567"), ""},
                      ParseCase{"P(###) ###-####P", "5551234", true, QStringLiteral("5551234"), ""},
                      ParseCase{"P(###) ###-####P", "(   )    -    ", true, QString(), ""},
                      ParseCase{"P(###) ###-####P", "555-CALL", false, {}, "\"C\" is not a digit"},
                      ParseCase{"P(###) ###-####P", "555.123.4567", false, {}, "Only digits"},
                      ParseCase{"P(###) ###-####P", "55512345678", false, {}, "at most 10"},
                      ParseCase{"p(###) ###-####pb", "", true, QString(), ""}),
    parseCaseName);

} // namespace

TEST(Picture, ReadsEveryPictureInUse) {
    const char *pictures[] = {"@s8",
                              "@s35",
                              "@s25",
                              "@n3",
                              "@N13",
                              "@P(###) ###-####P",
                              "@d1b",
                              "@s30",
                              "@s2",
                              "@s5",
                              "D2",
                              "D3",
                              "D4",
                              "N2",
                              "N3",
                              "P(###) ###-####P",
                              "S25",
                              "S30",
                              "S40",
                              "d01",
                              "d1",
                              "d1b",
                              "d2",
                              "d3",
                              "n-13",
                              "n-6",
                              "n13",
                              "n2",
                              "n3",
                              "n4",
                              "n5",
                              "p(###) ###-####p",
                              "pPage <<<#p",
                              "s1",
                              "s14",
                              "s15",
                              "s2b",
                              "s7",
                              "s9",
                              "t3",
                              "t3b",
                              "D2b",
                              "D1b",
                              "n3b",
                              "p(###) ###-####pb",
                              "N_6",
                              "S16",
                              "S14"};
    for (const char *text : pictures) {
        const engine::Parsed<Picture> parsed = Picture::fromText(QLatin1String(text));
        EXPECT_TRUE(parsed.ok()) << text << ": " << parsed.error().toStdString();
    }
}

TEST(Picture, RefusesPicturesItDoesNotKnow) {
    for (const char *text : {"", "@", "x5", "s", "n", "n-", "sx", "d", "d5", "d12", "t", "t1", "s0", "n3c",
                             "s5bb", "P###", "P()P", "@@s5"}) {
        const engine::Parsed<Picture> parsed = Picture::fromText(QLatin1String(text));
        EXPECT_FALSE(parsed.ok()) << text;
        EXPECT_TRUE(parsed.error().startsWith(QStringLiteral("Unknown picture"))) << text;
    }
}

TEST(Picture, PartsOfAPicture) {
    const Picture signedNumber = picture("@n-13");
    EXPECT_EQ(signedNumber.kind(), Picture::Kind::Number);
    EXPECT_EQ(signedNumber.width(), 13);
    EXPECT_TRUE(signedNumber.signAllowed());
    EXPECT_FALSE(signedNumber.blankWhenZero());
    EXPECT_EQ(signedNumber.text(), QStringLiteral("n-13"));

    const Picture phone = picture("p(###) ###-####pb");
    EXPECT_EQ(phone.kind(), Picture::Kind::Pattern);
    EXPECT_EQ(phone.pattern(), QStringLiteral("(###) ###-####"));
    EXPECT_EQ(phone.digitPlaces(), 10);
    EXPECT_EQ(phone.width(), 14);
    EXPECT_TRUE(phone.blankWhenZero());

    EXPECT_EQ(picture("N_6").fill(), QLatin1Char('_'));
    EXPECT_EQ(picture("d01").dateStyle(), dates::DateStyle::Numeric2);
    EXPECT_EQ(picture("D4").dateStyle(), dates::DateStyle::LongMonth);
    EXPECT_EQ(picture("t3").kind(), Picture::Kind::Time);
}

// What a picture shows, it reads back as the same value.
TEST(Picture, ShownValuesReadBack) {
    const int reference = ymd(2026, 12, 8);
    for (const char *text : {"d1", "d01", "d2", "d3", "D4"}) {
        const Picture p = picture(text);
        for (int day : {ymd(1959, 10, 31), ymd(2000, 2, 29), ymd(2026, 12, 8), ymd(2036, 1, 1)}) {
            const engine::Parsed<QVariant> back = p.parse(p.formatDate(day), reference);
            ASSERT_TRUE(back.ok()) << text << back.error().toStdString();
            EXPECT_EQ(back->toInt(), day) << text;
        }
    }
    const Picture time = picture("t3");
    for (int minute = 0; minute < 24 * 60; ++minute) {
        const int value = minute * 6000 + 1;
        const engine::Parsed<QVariant> back = time.parse(time.formatTime(value));
        ASSERT_TRUE(back.ok());
        ASSERT_EQ(back->toInt(), value) << time.formatTime(value).toStdString();
    }
    const Picture phone = picture("P(###) ###-####P");
    EXPECT_EQ(phone.parse(phone.formatDigits(u"2125550100"))->toString(), QStringLiteral("2125550100"));
    const Picture number = picture("n-6");
    for (qint64 v : {qint64{-99999}, qint64{-1}, qint64{0}, qint64{42}, qint64{999999}})
        EXPECT_EQ(number.parse(number.formatNumber(v))->toLongLong(), v);
}
