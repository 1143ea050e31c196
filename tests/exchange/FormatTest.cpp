// The file grammars and the mapping of their values, without the store:
// vCard unfolding, encodings and escapes, the CSV reader and writer, the
// birthday forms, the phone storage rule and the CSV header layouts.
#include "base/DateOps.h"
#include "exchange/ContactExport.h"
#include "exchange/ContactImport.h"
#include "exchange/ContactMapping.h"
#include "exchange/Csv.h"
#include "exchange/VCard.h"
#include "support/QStringPrinter.h"

#include <gtest/gtest.h>

#include <thread>

using namespace tabulo;
using namespace tabulo::exchange;

namespace {

const VCardProperty *property(const VCardCard &card, const char *name) {
    return card.first(QString::fromLatin1(name));
}

TEST(VCardGrammar, UnfoldsDecodesAndSplitsProperties) {
    const QByteArray text = "BEGIN:VCARD\r\nVERSION:2.1\r\n"
                            "N;CHARSET=ISO-8859-1;ENCODING=QUOTED-PRINTABLE:M=FCller;J=\r\n"
                            "=FCrgen\r\n"
                            "NOTE:folded \r\n over\r\n\t two lines\r\n"
                            "item1.EMAIL;type=INTERNET;type=pref:a@b.c\r\n"
                            "TEL;HOME;VOICE:123\r\n"
                            "X-Q;X-P=\"a:b;c\":v\r\n"
                            "END:VCARD\r\n";
    const VCardFile file = readVCards(text);
    ASSERT_EQ(file.cards.size(), 1u);
    EXPECT_TRUE(file.problems.empty());
    const VCardCard &card = file.cards[0];
    EXPECT_EQ(card.version, QStringLiteral("2.1"));
    EXPECT_EQ(splitValue(property(card, "N")->value, QLatin1Char(';')),
              (QStringList{QStringLiteral("Müller"), QStringLiteral("Jürgen")}));
    EXPECT_EQ(property(card, "NOTE")->value, QStringLiteral("folded over two lines"));
    const VCardProperty *email = property(card, "EMAIL");
    EXPECT_EQ(email->group, QStringLiteral("item1"));
    EXPECT_TRUE(email->hasType(QStringLiteral("PREF")));
    EXPECT_EQ(property(card, "TEL")->param(QStringLiteral("TYPE")),
              (QStringList{QStringLiteral("HOME"), QStringLiteral("VOICE")}));
    EXPECT_EQ(property(card, "X-Q")->params[0].values.value(0), QStringLiteral("a:b;c"));
    EXPECT_EQ(property(card, "X-Q")->value, QStringLiteral("v"));
}

TEST(VCardGrammar, EscapesSurviveWritingAndReading) {
    const QString awkward = QStringLiteral("a, b; c\\d\nsecond line\r\nthird ünïcödé 日本語");
    VCardWriter writer(VCardVersion::V4);
    writer.begin();
    writer.property(QStringLiteral("NOTE"), VCardWriter::escapeText(awkward + awkward + awkward));
    writer.property(QStringLiteral("CATEGORIES"),
                    VCardWriter::escapeText(QStringLiteral("x,y")) + QLatin1Char(',') + QStringLiteral("z"));
    writer.end();
    for (const QByteArray &line : writer.bytes().split('\n'))
        EXPECT_LE(line.size(), 76) << "folded at 75 octets plus CR";
    const VCardFile file = readVCards(writer.bytes());
    ASSERT_EQ(file.cards.size(), 1u);
    QString expected = awkward;
    expected.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    EXPECT_EQ(unescapeValue(property(file.cards[0], "NOTE")->value), expected + expected + expected);
    EXPECT_EQ(splitValue(property(file.cards[0], "CATEGORIES")->value, QLatin1Char(',')),
              (QStringList{QStringLiteral("x,y"), QStringLiteral("z")}));
}

struct DamageCase {
    const char *name;
    QByteArray text;
    size_t cards;
    std::vector<int> problemLines;
};

void PrintTo(const DamageCase &c, std::ostream *os) {
    *os << c.name;
}

class VCardDamage : public ::testing::TestWithParam<DamageCase> {};

TEST_P(VCardDamage, ReadsWhatItCanAndReportsTheRestByLine) {
    const DamageCase &c = GetParam();
    const VCardFile file = readVCards(c.text);
    EXPECT_EQ(file.cards.size(), c.cards);
    std::vector<int> lines;
    for (const VCardProblem &p : file.problems)
        lines.push_back(p.line);
    EXPECT_EQ(lines, c.problemLines);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, VCardDamage,
    ::testing::Values(
        DamageCase{"cutShort", "BEGIN:VCARD\nN:A;B\nEND:VCARD\nBEGIN:VCARD\nN:C;D\n", 1, {4}},
        DamageCase{"textAround", "hello\nworld\nBEGIN:VCARD\nN:A;B\nEND:VCARD\ntrailing\n", 1, {1, 6}},
        DamageCase{"secondBeginWithoutEnd", "BEGIN:VCARD\nN:A\nBEGIN:VCARD\nN:B\nEND:VCARD\n", 1, {1}},
        DamageCase{"binaryLine", "BEGIN:VCARD\nN:A\n\x01\x02\x03\nEND:VCARD\n", 1, {3}},
        DamageCase{"notAProperty", "BEGIN:VCARD\nN:A\njust words\nEND:VCARD\n", 1, {3}},
        DamageCase{"blankLinesAndCrOnly", "BEGIN:VCARD\r\rN:A\rEND:VCARD\r", 1, {}}),
    [](const auto &info) { return std::string(info.param.name); });

// A large file is read in pieces side by side: whatever the number of
// pieces, the same cards and problems, with the file's line numbers. The
// pieces may only be cut where a card begins right after one ends; a soft
// break that joins END:VCARD to a quoted-printable value, text outside the
// cards, lone CR line ends and a card cut short at the end all read alike.
TEST(VCardGrammar, ReadingInPiecesGivesWhatOneReadingGives) {
    QByteArray text = "\xEF\xBB\xBF";
    for (int i = 0; i < 40; ++i) {
        const QByteArray n = QByteArray::number(i);
        text += "BEGIN:VCARD\r\nVERSION:3.0\r\nN:Last" + n + ";First\r\nTEL;TYPE=HOME:614555" + n + "\r\n";
        if (i % 4 == 0)
            text += "NOTE;ENCODING=QUOTED-PRINTABLE:soft=\r\nEND:VCARD\r\n"; // joined: the card has no end
        else
            text += "END:VCARD\r\n";
        if (i % 7 == 3)
            text += "stray words\r\n";
        if (i % 9 == 5)
            text += "BEGIN:VCARD\rN:Cr" + n + ";Only\rEND:VCARD\r";
    }
    text += "BEGIN:VCARD\r\nN:Cut;Short\r\n";
    const ParsedContacts whole = parseVCardsInPieces(text, 1);
    ASSERT_GE(whole.contacts.size(), 30u);
    ASSERT_GE(whole.problems.size(), 6u);
    auto cards = [](const ParsedContacts &p) {
        QStringList out;
        for (const Contact &c : p.contacts)
            out << QStringLiteral("%1 %2 %3 %4").arg(c.line).arg(c.lastName, c.firstName).arg(c.phones.size());
        return out;
    };
    auto problems = [](const ParsedContacts &p) {
        QStringList out;
        for (const ImportProblem &problem : p.problems)
            out << QStringLiteral("%1 %2").arg(problem.line).arg(problem.text);
        return out;
    };
    EXPECT_EQ(whole.contacts.front().lastName, QStringLiteral("Last1")); // the first card has no end
    for (const int pieces : {2, 3, 5, 16, 200}) {
        SCOPED_TRACE(pieces);
        const ParsedContacts inPieces = parseVCardsInPieces(text, pieces);
        EXPECT_EQ(cards(inPieces), cards(whole));
        EXPECT_EQ(problems(inPieces), problems(whole));
    }
}

// Many cards are written in pieces side by side: joined, they read back as
// every card once, in order, under one CSV header as wide as the widest card
// (here the last) needs.
TEST(Formatting, ManyCardsWrittenInPiecesReadBackWholeAndInOrder) {
    std::vector<Contact> contacts(12001);
    QStringList names;
    for (size_t i = 0; i < contacts.size(); ++i) {
        contacts[i].lastName = QStringLiteral("Last%1").arg(i);
        contacts[i].firstName = QStringLiteral("First");
        contacts[i].phones = {{QStringLiteral("Home"), QStringLiteral("614555%1").arg(i % 10000, 4, 10, QLatin1Char('0')), {}, {}}};
        names << contacts[i].lastName;
    }
    contacts.back().phones.resize(3, contacts.back().phones.front());
    for (const ExportFormat format : {ExportFormat::VCard4, ExportFormat::VCard3, ExportFormat::Csv}) {
        SCOPED_TRACE(static_cast<int>(format));
        const std::vector<QByteArray> pieces = formatContacts(contacts, format);
        if (std::thread::hardware_concurrency() > 1) {
            EXPECT_GT(pieces.size(), 1u);
        }
        QByteArray joined;
        for (const QByteArray &piece : pieces)
            joined += piece;
        const ParsedContacts back = parseContacts(joined);
        EXPECT_TRUE(back.problems.empty());
        QStringList read;
        for (const Contact &c : back.contacts)
            read << c.lastName;
        EXPECT_EQ(read, names);
        ASSERT_FALSE(back.contacts.empty());
        EXPECT_EQ(back.contacts.back().phones.size(), 3u);
    }
}

TEST(Csv, ReadsQuotedFieldsWithBreaksAndWritesThemBack) {
    const QStringList awkward = {QStringLiteral("plain"),      QStringLiteral("with, comma"),
                                 QStringLiteral("say \"hi\""), QStringLiteral("two\nlines"),
                                 QStringLiteral(" padded "),   QString()};
    QByteArray data = csvRow({QStringLiteral("h1"), QStringLiteral("h2"), QStringLiteral("h3"),
                              QStringLiteral("h4"), QStringLiteral("h5"), QStringLiteral("h6")});
    data += csvRow(awkward);
    data += csvRow(awkward);
    const CsvTable table = readCsv(data);
    ASSERT_EQ(table.rows.size(), 3u);
    EXPECT_EQ(table.rows[1].fields, awkward);
    EXPECT_EQ(table.rows[2].fields, awkward);
    EXPECT_EQ(table.rows[1].line, 2);
    EXPECT_EQ(table.rows[2].line, 4) << "the line break inside the quotes counts";
    EXPECT_EQ(table.unterminatedLine, 0);
}

TEST(Csv, ReportsAnOpenQuoteSemicolonsAndBinary) {
    EXPECT_EQ(readCsv("a,b\n1,\"open\n2,3\n").unterminatedLine, 2);
    const CsvTable semicolons = readCsv("a;b\n1;2\n");
    ASSERT_EQ(semicolons.rows.size(), 2u);
    EXPECT_EQ(semicolons.rows[1].fields, (QStringList{QStringLiteral("1"), QStringLiteral("2")}));
    EXPECT_TRUE(readCsv(QByteArray("a,b\n\0\0", 6)).binary);
}

TEST(Birthday, EveryFormReadsAndWritesBack) {
    const int jan31 = dates::dateFromMdy(1, 31, 1990);
    const int noYear = dates::dateFromMdy(1, 31, kNoYear);
    const std::vector<std::pair<const char *, int>> cases = {{"1990-01-31", jan31},
                                                             {"19900131", jan31},
                                                             {"1990-01-31T00:00:00Z", jan31},
                                                             {"1/31/1990", jan31},
                                                             {"--0131", noYear},
                                                             {"--01-31", noYear},
                                                             {"0/0/00", 0},
                                                             {"1990-02-30", 0},
                                                             {"", 0},
                                                             {"soon", 0},
                                                             {"--0229", dates::dateFromMdy(2, 29, kNoYear)}};
    for (const auto &[text, day] : cases)
        EXPECT_EQ(parseBirthday(QString::fromLatin1(text)), day) << text;
    EXPECT_EQ(formatBirthday(jan31, true), QStringLiteral("1990-01-31"));
    EXPECT_EQ(formatBirthday(noYear, true), QStringLiteral("--0131"));
    EXPECT_EQ(formatBirthday(noYear, false), QStringLiteral("--01-31"));
}

TEST(PhoneNumbers, TheCardsTypesSayTheLocation) {
    const std::pair<QStringList, const char *> cases[] = {
        {{QStringLiteral("HOME"), QStringLiteral("CELL")}, "Mobile"},
        {{QStringLiteral("IPHONE")}, "Mobile"},
        {{QStringLiteral("FAX"), QStringLiteral("HOME")}, "Home Fax"},
        {{QStringLiteral("WORK"), QStringLiteral("FAX")}, "Work Fax"},
        {{QStringLiteral("FAX")}, "Fax"},
        {{QStringLiteral("HOME"), QStringLiteral("PAGER")}, "Pager"},
        {{QStringLiteral("WORK"), QStringLiteral("HOME")}, "Home"},
        {{QStringLiteral("VOICE"), QStringLiteral("WORK")}, "Work"},
        {{QStringLiteral("MAIN")}, "Main"},
        {{QStringLiteral("CAR"), QStringLiteral("OTHER")}, "Car"},
        {{QStringLiteral("OTHER")}, "Other"},
        {{QStringLiteral("VOICE")}, ""},
        {{}, ""},
    };
    for (const auto &[types, location] : cases)
        EXPECT_EQ(locationFromTypes(types), QString::fromLatin1(location)) << types.join(QLatin1Char(',')).toStdString();
}

TEST(PhoneNumbers, TenDigitsBareOthersAsTyped) {
    struct Case {
        const char *typed;
        const char *number;
        const char *area;
        bool cut;
    };
    const Case cases[] = {
        {"(614) 555-1234", "6145551234", "614", false},
        {"+1 614 555 1234", "6145551234", "614", false},
        {"614.555.1234", "6145551234", "614", false},
        {"555-1234", "555-1234", "", false},
        {"+33 1 23 45 67 89", "+33123456789", "", false},
        {"+44 20 7946 0958 99 12 34", "+4420794609589", "", true},
    };
    for (const Case &c : cases) {
        const StoredNumber s = storedPhoneNumber(QString::fromUtf8(c.typed));
        EXPECT_EQ(s.number, QString::fromUtf8(c.number)) << c.typed;
        EXPECT_EQ(s.area, QString::fromUtf8(c.area)) << c.typed;
        EXPECT_EQ(s.cut, c.cut) << c.typed;
    }
}

TEST(CsvLayouts, KnownHeadersAreRecognisedOthersNeedAMapping) {
    EXPECT_FALSE(recognizeCsvHeader({QStringLiteral("Col A"), QStringLiteral("Col B")}).has_value());
    const auto own = recognizeCsvHeader(csvHeader(2, 1));
    ASSERT_TRUE(own.has_value());
    Contact c;
    c.lastName = QStringLiteral("Ode");
    c.firstName = QStringLiteral("Mary");
    c.categories = {QStringLiteral("A; B"), QStringLiteral("C")};
    c.phones = {{QStringLiteral("Office Annex"), QStringLiteral("555-1234"), QStringLiteral("12"),
                 QStringLiteral("desk")}};
    c.notes = {{5, 6, QStringLiteral("a, \"b\"\nc")}};
    c.birthday = 40000;
    const Contact back = contactFromCsvRow(csvRowFor(c, 2, 1), *own);
    EXPECT_EQ(back.lastName, c.lastName);
    EXPECT_EQ(back.categories, c.categories);
    ASSERT_EQ(back.phones.size(), 1u);
    EXPECT_EQ(back.phones[0].location, QStringLiteral("Office Annex"));
    EXPECT_EQ(back.phones[0].ext, QStringLiteral("12"));
    EXPECT_EQ(back.phones[0].name, QStringLiteral("desk"));
    ASSERT_EQ(back.notes.size(), 1u);
    EXPECT_EQ(back.notes[0].text, c.notes[0].text);
    EXPECT_EQ(back.notes[0].updated, 6);
    EXPECT_EQ(back.birthday, 40000);
    EXPECT_FALSE(back.isCompany);
}

TEST(CardMapping, FullNameSplitCompanyCardsAndPhoneLabels) {
    const VCardFile file =
        readVCards("BEGIN:VCARD\nVERSION:3.0\nFN:Ann Marie Lee\nEND:VCARD\n"
                   "BEGIN:VCARD\nVERSION:4.0\nKIND:org\nFN:Acme\nORG:Acme\nEND:VCARD\n"
                   "BEGIN:VCARD\nVERSION:3.0\nN:;;;;\nFN:Globex\nORG:Globex;Sales\nEND:VCARD\n"
                   "BEGIN:VCARD\nVERSION:3.0\nN:Roe;Jo;;;\nORG:Globex\n"
                   "TEL;TYPE=WORK,FAX:1\nTEL;TYPE=PAGER:2\nTEL:3\nEND:VCARD\n");
    ASSERT_EQ(file.cards.size(), 4u);
    const Contact named = contactFromCard(file.cards[0]);
    EXPECT_EQ(named.lastName, QStringLiteral("Lee"));
    EXPECT_EQ(named.firstName, QStringLiteral("Ann Marie"));
    EXPECT_TRUE(contactFromCard(file.cards[1]).isCompany);
    const Contact globex = contactFromCard(file.cards[2]);
    EXPECT_TRUE(globex.isCompany);
    EXPECT_EQ(globex.company, QStringLiteral("Globex"));
    const Contact person = contactFromCard(file.cards[3]);
    EXPECT_FALSE(person.isCompany);
    ASSERT_EQ(person.phones.size(), 3u);
    EXPECT_EQ(person.phones[0].location, QStringLiteral("Work Fax"));
    EXPECT_EQ(person.phones[1].location, QStringLiteral("Pager"));
    EXPECT_EQ(person.phones[2].location, QStringLiteral("Phone"));
}

} // namespace
