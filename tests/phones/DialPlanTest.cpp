#include "phones/DialPlan.h"
#include "support/QStringPrinter.h"

#include <gtest/gtest.h>

using namespace tabulo;
using phones::DialSettings;

namespace {

struct DialCase {
    const char *name;
    QString number;
    DialSettings settings;
    QString telUri;
    QByteArray modem;
};

void PrintTo(const DialCase &c, std::ostream *os) {
    *os << c.name;
}

DialSettings settings(const char *area, int prefix, bool dialAreaCode) {
    return {QString::fromLatin1(area), prefix, dialAreaCode, {}};
}

class DialStrings : public ::testing::TestWithParam<DialCase> {};

TEST_P(DialStrings, FollowTheSetupRules) {
    const DialCase &c = GetParam();
    const phones::DialString d = phones::composeDialString(c.number, c.settings);
    ASSERT_TRUE(d.ok()) << d.error.toStdString();
    EXPECT_EQ(d.telUri(), c.telUri);
    EXPECT_EQ(d.modemCommand(), c.modem);
}

INSTANTIATE_TEST_SUITE_P(
    Numbers, DialStrings,
    ::testing::Values(
        DialCase{"local_seven_digits", QStringLiteral("6145551234"), settings("614", 0, false),
                 QStringLiteral("tel:5551234"), "ATDT5551234;\r"},
        DialCase{"local_with_area_code", QStringLiteral("6145551234"), settings("614", 0, true),
                 QStringLiteral("tel:6145551234"), "ATDT6145551234;\r"},
        DialCase{"long_distance", QStringLiteral("2125551234"), settings("614", 0, false),
                 QStringLiteral("tel:12125551234"), "ATDT12125551234;\r"},
        // The flag is about local calls: long distance is dialled the same.
        DialCase{"long_distance_flag_set", QStringLiteral("2125551234"), settings("614", 0, true),
                 QStringLiteral("tel:12125551234"), "ATDT12125551234;\r"},
        DialCase{"outside_line_local", QStringLiteral("6145551234"), settings("614", 9, false),
                 QStringLiteral("tel:95551234"), "ATDT9,5551234;\r"},
        DialCase{"outside_line_long_distance", QStringLiteral("2125551234"), settings("614", 9, true),
                 QStringLiteral("tel:912125551234"), "ATDT9,12125551234;\r"},
        // A fresh setup knows no area code: the ten digits as stored.
        DialCase{"no_local_area_code", QStringLiteral("2125551234"), settings("", 0, false),
                 QStringLiteral("tel:2125551234"), "ATDT2125551234;\r"},
        DialCase{"blank_local_area_code", QStringLiteral("2125551234"), settings("   ", 0, true),
                 QStringLiteral("tel:2125551234"), "ATDT2125551234;\r"},
        DialCase{"seven_typed", QStringLiteral("555-1234"), settings("614", 0, false),
                 QStringLiteral("tel:5551234"), "ATDT5551234;\r"},
        DialCase{"seven_typed_with_area_code", QStringLiteral("5551234"), settings("614", 0, true),
                 QStringLiteral("tel:6145551234"), "ATDT6145551234;\r"},
        DialCase{"seven_typed_no_area_code_known", QStringLiteral("5551234"), settings("", 0, true),
                 QStringLiteral("tel:5551234"), "ATDT5551234;\r"},
        DialCase{"punctuated_as_shown", QStringLiteral("(614) 555-1234"), settings("614", 0, false),
                 QStringLiteral("tel:5551234"), "ATDT5551234;\r"},
        DialCase{"leading_one_typed", QStringLiteral("1 614 555 1234"), settings("614", 0, false),
                 QStringLiteral("tel:5551234"), "ATDT5551234;\r"},
        DialCase{"leading_one_long_distance", QStringLiteral("1-212-555-1234"), settings("614", 0, false),
                 QStringLiteral("tel:12125551234"), "ATDT12125551234;\r"},
        DialCase{"service_code", QStringLiteral("411"), settings("614", 9, true), QStringLiteral("tel:9411"),
                 "ATDT9,411;\r"},
        DialCase{"abroad", QStringLiteral("011 44 20 7946 0000"), settings("614", 0, false),
                 QStringLiteral("tel:011442079460000"), "ATDT011442079460000;\r"}),
    [](const ::testing::TestParamInfo<DialCase> &info) { return std::string(info.param.name); });

TEST(DialStringRefusals, NameWhatIsWrongAndDialNothing) {
    const struct {
        QString number;
        DialSettings settings;
        QString error;
    } cases[] = {
        {QString(), settings("614", 0, false), QStringLiteral("There is no number to dial.")},
        {QStringLiteral(" ( ) - "), settings("614", 0, false), QStringLiteral("There is no number to dial.")},
        {QStringLiteral("555-CALL"), settings("614", 0, false),
         QStringLiteral("\"555-CALL\" cannot be dialled: a number holds only digits, blanks and ( ) - .")},
        // Nothing that a modem would take as a command of its own.
        {QStringLiteral("5551234;H"), settings("614", 0, false),
         QStringLiteral("\"5551234;H\" cannot be dialled: a number holds only digits, blanks and ( ) - .")},
        {QStringLiteral("6145551234"), settings("61", 0, false),
         QStringLiteral("The local area code \"61\" is not three digits.")},
        {QStringLiteral("6145551234"), settings("6a4", 0, false),
         QStringLiteral("The local area code \"6a4\" is not three digits.")},
        {QStringLiteral("6145551234"), settings("614", 12, false),
         QStringLiteral("The dial prefix of the setup (12) is not one digit.")},
    };
    for (const auto &c : cases) {
        const phones::DialString d = phones::composeDialString(c.number, c.settings);
        EXPECT_FALSE(d.ok()) << c.number.toStdString();
        EXPECT_EQ(d.error, c.error);
        EXPECT_TRUE(d.telUri().isEmpty());
        EXPECT_TRUE(d.modemCommand().isEmpty());
    }
}

TEST(ModemPorts, MapTheSetupCharacterAndNamesToDevices) {
    const struct {
        QString port;
        QString device;
        QString error;
    } cases[] = {
        {QString(), QString(), QString()},
        {QStringLiteral(" "), QString(), QString()},
        {QStringLiteral("0"), QString(), QString()},
        {QStringLiteral("1"), QStringLiteral("/dev/ttyS0"), QString()},
        {QStringLiteral("4"), QStringLiteral("/dev/ttyS3"), QString()},
        {QStringLiteral("COM2"), QStringLiteral("/dev/ttyS1"), QString()},
        {QStringLiteral("com1:"), QStringLiteral("/dev/ttyS0"), QString()},
        {QStringLiteral("COM12"), QStringLiteral("/dev/ttyS11"), QString()},
        {QStringLiteral("/dev/ttyUSB0"), QStringLiteral("/dev/ttyUSB0"), QString()},
        {QStringLiteral(" ttyACM0 "), QStringLiteral("/dev/ttyACM0"), QString()},
        {QStringLiteral("COM0"), QString(), QStringLiteral("\"COM0\" does not name a serial port.")},
        {QStringLiteral("tty/../x"), QString(), QStringLiteral("\"tty/../x\" does not name a serial port.")},
        {QStringLiteral("my modem"), QString(), QStringLiteral("\"my modem\" does not name a serial port.")},
    };
    for (const auto &c : cases) {
        const phones::ModemPort p = phones::modemPort(c.port);
        EXPECT_EQ(p.device, c.device) << c.port.toStdString();
        EXPECT_EQ(p.error, c.error) << c.port.toStdString();
    }
}

} // namespace
