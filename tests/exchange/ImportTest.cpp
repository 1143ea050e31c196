// Importing files as address books write them into real table files: the
// names, phones, e-mails and birthdays that land in the tables, the links
// and categories made, duplicates, cut fields, damaged files that change
// nothing already stored, Cancel, and the command-line import.
#include "base/DateOps.h"
#include "exchange/ContactImport.h"
#include "exchange/ExchangeCommands.h"
#include "exchange/ExchangeTestSupport.h"
#include "host/BatchCommands.h"
#include "store/Sqlite.h"
#include "store/Store.h"
#include "store/UnitOfWork.h"
#include "support/QStringPrinter.h"

#include <QFile>
#include <QTextStream>
#include <sqlite3.h>

using namespace tabulo;
using namespace tabulo::exchange;
using test::sampleFile;

namespace {

class Import : public test::ExchangeFixture {
protected:
    // The people as "Last, First <email> dob [phones]", sorted.
    QStringList people() {
        std::map<qint64, QStringList> phones;
        for (const store::Record &r : test::allRecords("QKfon"))
            phones[r.integer(r.indexOf(QStringLiteral("NAM_CTRL")))].append(
                r.value(QStringLiteral("LOCATION")).toString() + QLatin1Char('=') +
                r.value(QStringLiteral("NUMBER")).toString() +
                (r.value(QStringLiteral("EXT")).toString().isEmpty()
                     ? QString()
                     : QStringLiteral(" x") + r.value(QStringLiteral("EXT")).toString()));
        QStringList out;
        for (const store::Record &r : test::allRecords("QKnam")) {
            const int dob = static_cast<int>(r.value(QStringLiteral("DOB")).toLongLong());
            out.append(QStringLiteral("%1, %2 <%3> %4 [%5]")
                           .arg(r.value(QStringLiteral("LNAME")).toString(),
                                r.value(QStringLiteral("FNAME")).toString(),
                                r.value(QStringLiteral("EMAILADDRESS")).toString(),
                                dob ? QStringLiteral("%1/%2/%3")
                                          .arg(dates::monthOf(dob))
                                          .arg(dates::dayOf(dob))
                                          .arg(dates::yearOf(dob))
                                    : QStringLiteral("-"),
                                phones[r.integer(0)].join(QStringLiteral(", "))));
        }
        out.sort();
        return out;
    }
    QStringList names(const char *table, const char *field) {
        QStringList out;
        for (const store::Record &r : test::allRecords(table))
            out.append(r.value(QString::fromLatin1(field)).toString());
        out.sort();
        return out;
    }
};

struct ShapeCase {
    const char *file;
    QStringList people;
    QStringList companies;
};

void PrintTo(const ShapeCase &c, std::ostream *os) {
    *os << c.file;
}

class RealShapes : public Import, public ::testing::WithParamInterface<ShapeCase> {};

TEST_P(RealShapes, ImportWithTheRightNamesPhonesEmailsAndBirthdays) {
    const ShapeCase &c = GetParam();
    const ImportSummary summary = importFile(sampleFile(c.file));
    EXPECT_TRUE(summary.ok()) << (summary.text()).toStdString();
    EXPECT_TRUE(summary.problems.empty()) << (summary.text()).toStdString();
    EXPECT_EQ(people(), c.people);
    EXPECT_EQ(names("QKcmp", "NAME"), c.companies);
    EXPECT_EQ(summary.peopleAdded, c.people.size());
    EXPECT_EQ(summary.companiesAdded, c.companies.size());
}

INSTANTIATE_TEST_SUITE_P(
    Files, RealShapes,
    ::testing::Values(
        ShapeCase{"outlook-2.1.vcf",
                  {QStringLiteral(
                      "Müller, Jürgen <juergen@contoso.com> 2/14/1980 [Work=4255550101, Home=4255550102, "
                      "Mobile=4255550103, Work Fax=4255550104]")},
                  {QStringLiteral("Contoso Ltd."), QStringLiteral("Fabrikam Inc.")}},
        ShapeCase{"google-3.0.vcf",
                  {QStringLiteral("García, Ana María <ana.garcia@example.com> 7/4/1985 [Mobile=+34612345678, "
                                  "Home=6145550199]"),
                   QStringLiteral("Stone, Bob <> 1/1/1970 [Work=6145550111]")},
                  {QStringLiteral("Acme, Inc.")}},
        ShapeCase{"apple-3.0.vcf",
                  {QStringLiteral("Ng, Wei <wei.ng@northwind.example> 3/15/1804 [Mobile=2125550142, "
                                  "Studio=2125550143, Home=2125550144 x12]")},
                  {QStringLiteral("Northwind Traders")}},
        ShapeCase{
            "thunderbird-4.0.vcf",
            {QStringLiteral("Dubois, Zoë <zoe@example.fr> 1/31/1804 [Work=+33123456789, Mobile=5558675309, "
                            "Home=5555555555 x102]")},
            {}},
        ShapeCase{"outlook.csv",
                  {QStringLiteral(
                       "Müller, Jürgen <juergen@contoso.com> 2/14/1980 [Work=4255550101, Home=4255550102]"),
                   QStringLiteral("Ode, Mary <mary@ode.example> - [Mobile=6145550150]")},
                  {QStringLiteral("Contoso Ltd.")}},
        ShapeCase{"google.csv",
                  {QStringLiteral("García, Ana María <ana.garcia@example.com> 7/4/1985 [Mobile=+34612345678, "
                                  "Home=6145550199]")},
                  {QStringLiteral("Acme, Inc.")}},
        ShapeCase{
            "thunderbird.csv",
            {QStringLiteral("Dubois, Zoë <zoe@example.fr> 1/31/1804 [Work=+33123456789, Mobile=5558675309]")},
            {}}),
    [](const auto &info) {
        std::string name = info.param.file;
        for (char &ch : name)
            if (!isalnum(static_cast<unsigned char>(ch)))
                ch = '_';
        return name;
    });

TEST_F(Import, AddressNotesCategoriesAndCompanyLinks) {
    ASSERT_TRUE(importFile(sampleFile("google-3.0.vcf")).ok());
    const QStringList lines = test::snapshot();
    const QString ana = lines.filter(QStringLiteral("person|García")).value(0);
    EXPECT_TRUE(ana.contains(QStringLiteral("|Calle Mayor 5, 2º||Madrid||28013|"))) << (ana).toStdString();
    EXPECT_TRUE(ana.contains(QStringLiteral("|España|Acme, Inc.|"))) << (ana).toStdString();
    EXPECT_TRUE(ana.contains(QStringLiteral("/Likes hiking; prefers email.\nCall after 6.")))
        << (ana).toStdString();
    EXPECT_TRUE(ana.contains(QStringLiteral("in (All)/García/Ana María"))) << (ana).toStdString();
    EXPECT_TRUE(ana.contains(QStringLiteral("in Friends/García/Ana María"))) << (ana).toStdString();
    EXPECT_EQ(names("QKcat", "CATEGORY"),
              (QStringList{QStringLiteral("Friends"), QStringLiteral("myContacts")}));
    const QString acme = lines.filter(QStringLiteral("company|Acme")).value(0);
    EXPECT_TRUE(acme.contains(QStringLiteral("in (All)/Acme, Inc."))) << (acme).toStdString();
    // A second import finds the categories and the company instead of making them again.
    ASSERT_TRUE(importFile(sampleFile("google-3.0.vcf"), {true, 500, {}}).ok());
    EXPECT_EQ(names("QKcat", "CATEGORY").size(), 2);
    EXPECT_EQ(names("QKcmp", "NAME").size(), 1);
    EXPECT_EQ(names("QKnam", "LNAME").size(), 4);
}

TEST_F(Import, DuplicatesAreSkippedUnlessAskedToAddThem) {
    ASSERT_TRUE(importFile(sampleFile("google-3.0.vcf")).ok());
    // Same name and e-mail (Ana), same name and phone (Bob).
    ImportSummary again = importFile(sampleFile("google.csv"));
    EXPECT_EQ(again.duplicatesSkipped, 1);
    EXPECT_EQ(again.peopleAdded, 0);
    std::vector<Contact> sameNameOtherPhone(1);
    sameNameOtherPhone[0].lastName = QStringLiteral("Stone");
    sameNameOtherPhone[0].firstName = QStringLiteral("Bob");
    sameNameOtherPhone[0].phones = {{QStringLiteral("Home"), QStringLiteral("(614) 555-0999"), {}, {}}};
    EXPECT_EQ(importContacts(sameNameOtherPhone).peopleAdded, 1)
        << "a namesake with another number is someone else";
    sameNameOtherPhone[0].phones[0].number = QStringLiteral("614 555 0111");
    EXPECT_EQ(importContacts(sameNameOtherPhone).duplicatesSkipped, 1);
    ImportOptions anyway;
    anyway.addDuplicates = true;
    EXPECT_EQ(importContacts(sameNameOtherPhone, anyway).peopleAdded, 1);
}

TEST_F(Import, ACardRepeatedInTheSameImportIsSkippedBesidePeopleStoredBefore) {
    // Someone else is stored already, so the check reads the stored people
    // and must still know the cards this import added, in its own batch or
    // an earlier one.
    std::vector<Contact> other(1);
    other[0].lastName = QStringLiteral("Other");
    ASSERT_EQ(importContacts(other).peopleAdded, 1);
    std::vector<Contact> twice(2);
    for (Contact &c : twice) {
        c.lastName = QStringLiteral("Twice");
        c.firstName = QStringLiteral("Tess");
        c.phones = {{QStringLiteral("Home"), QStringLiteral("(614) 555-0123"), {}, {}}};
    }
    for (const int batch : {500, 1}) {
        SCOPED_TRACE(batch);
        ImportOptions options;
        options.batchSize = batch;
        const ImportSummary summary = importContacts(twice, options);
        EXPECT_EQ(summary.peopleAdded + summary.duplicatesSkipped, 2);
        EXPECT_EQ(summary.duplicatesSkipped, batch == 500 ? 1 : 2)
            << "the second import finds the first one's card";
    }
}

TEST_F(Import, LongTextsAreCutAtACharacterAndCounted) {
    std::vector<Contact> cards(1);
    cards[0].lastName = QStringLiteral("Ääääääääääääääää€€"); // 18 characters in a 16-character field
    cards[0].firstName = QStringLiteral("Short");
    cards[0].state = QStringLiteral("Ohio");
    cards[0].notes = {{0, 0, QString(2100, QLatin1Char('n'))}};
    const ImportSummary summary = importContacts(cards);
    EXPECT_EQ(summary.fieldsCut, 3);
    const std::vector<store::Record> nam = test::allRecords("QKnam");
    ASSERT_EQ(nam.size(), 1u);
    EXPECT_EQ(nam[0].value(QStringLiteral("LNAME")).toString(), QStringLiteral("Ääääääääääääääää"));
    EXPECT_EQ(nam[0].value(QStringLiteral("STATE")).toString(), QStringLiteral("Oh"));
    EXPECT_EQ(test::allRecords("QKmem")[0].memo().size(), 2000);
    EXPECT_TRUE(summary.text().contains(QStringLiteral("Fields cut: 3")));
}

struct DamagedCase {
    const char *file;
    bool fails;      // nothing at all could be read
    int peopleAdded; // of the readable cards
    std::vector<int> problemLines;
};

void PrintTo(const DamagedCase &c, std::ostream *os) {
    *os << c.file;
}

class DamagedFiles : public Import, public ::testing::WithParamInterface<DamagedCase> {};

TEST_P(DamagedFiles, ImportWhatCanBeReadReportTheRestAndKeepWhatIsStored) {
    const DamagedCase &c = GetParam();
    ASSERT_TRUE(importFile(sampleFile("thunderbird-4.0.vcf")).ok());
    const QStringList before = test::snapshot();
    const ImportSummary summary = importFile(sampleFile(c.file));
    EXPECT_EQ(!summary.ok(), c.fails) << (summary.text()).toStdString();
    EXPECT_EQ(summary.peopleAdded, c.peopleAdded) << (summary.text()).toStdString();
    std::vector<int> lines;
    for (const ImportProblem &p : summary.problems) {
        lines.push_back(p.line);
        EXPECT_TRUE(summary.text().contains(QStringLiteral("line %1: ").arg(p.line)));
    }
    EXPECT_EQ(lines, c.problemLines) << (summary.text()).toStdString();
    const QStringList after = test::snapshot();
    for (const QString &line : before)
        EXPECT_TRUE(after.contains(line)) << "changed: " << line.toStdString();
    EXPECT_EQ(after.size(), before.size() + c.peopleAdded + summary.companiesAdded);
}

INSTANTIATE_TEST_SUITE_P(Files, DamagedFiles,
                         ::testing::Values(DamagedCase{"truncated.vcf", false, 1, {16}},
                                           DamagedCase{"not-a-vcard.vcf", true, 0, {}},
                                           DamagedCase{"binary.vcf", true, 0, {}},
                                           DamagedCase{"missing-column.csv", false, 1, {4}},
                                           DamagedCase{"mixed-damage.vcf", false, 2, {5, 6, 12}}),
                         [](const auto &info) {
                             std::string name = info.param.file;
                             for (char &ch : name)
                                 if (!isalnum(static_cast<unsigned char>(ch)))
                                     ch = '_';
                             return name;
                         });

TEST_F(Import, CancelHalfwayLeavesOnlyWholeCards) {
    std::vector<Contact> cards(40);
    for (int i = 0; i < 40; ++i) {
        cards[i].lastName = QStringLiteral("Person%1").arg(i);
        cards[i].categories = {QStringLiteral("Club")};
        cards[i].phones = {{QStringLiteral("Home"), QStringLiteral("614555%1").arg(1000 + i), {}, {}},
                           {QStringLiteral("Work"), QStringLiteral("614556%1").arg(1000 + i), {}, {}}};
        cards[i].notes = {{0, 0, QStringLiteral("note %1").arg(i)}};
    }
    ImportOptions options;
    options.batchSize = 7;
    options.progress = [](int done, int) { return done < 17; };
    const ImportSummary summary = importContacts(cards, options);
    EXPECT_TRUE(summary.cancelled);
    EXPECT_EQ(summary.peopleAdded, 17);
    EXPECT_EQ(test::allRecords("QKnam").size(), 17u);
    EXPECT_EQ(test::allRecords("QKfon").size(), 34u);
    EXPECT_EQ(test::allRecords("QKmem").size(), 17u);
    EXPECT_EQ(test::allRecords("QKjnc").size(), 34u);
    EXPECT_TRUE(summary.text().contains(QStringLiteral("cancelled")));
}

// A large import indexes its records for the search once its batches are
// stored, the committed batches of a cancelled one too; no mark stays.
TEST_F(Import, ALargeImportsCommittedBatchesAreSearchableAfterwards) {
    std::vector<Contact> cards(5000);
    for (int i = 0; i < 5000; ++i) {
        cards[i].lastName = QStringLiteral("Zorbel%1").arg(i);
        cards[i].notes = {{0, 0, QStringLiteral("memo%1").arg(i)}};
    }
    ImportOptions options;
    options.batchSize = 2000;
    options.progress = [](int done, int) { return done < 4500; };
    const ImportSummary summary = importContacts(cards, options);
    ASSERT_TRUE(summary.cancelled);
    ASSERT_EQ(summary.peopleAdded, 4500); // the cards before the cancel are stored
    EXPECT_TRUE(summary.searchLate.isEmpty()) << summary.searchLate.toStdString();
    struct Case {
        const char *table;
        const char *word;
        int hits;
    };
    for (const auto &[table, word, expected] : {Case{"QKnam", "zorbel0", 1}, Case{"QKnam", "zorbel4499", 1},
                                                Case{"QKmem", "memo4499", 1}, Case{"QKnam", "zorbel4500", 0}}) {
        sqlite3 *db = nullptr;
        const QByteArray path =
            QFile::encodeName(store::Store::instance().directory() + QLatin1Char('/') +
                              store::Table::fileNameFor(store::tableDef(table)));
        ASSERT_EQ(sqlite3_open_v2(path.constData(), &db, SQLITE_OPEN_READONLY, nullptr), SQLITE_OK) << path.constData();
        {
            store::sql::Statement marks(db, "SELECT count(*) FROM s_defer");
            ASSERT_EQ(marks.step(), SQLITE_ROW);
            EXPECT_EQ(marks.int64(0), 0) << table;
            store::sql::Statement hits(db, "SELECT count(*) FROM s_w WHERE s_w MATCH ?1");
            hits.bind(1, std::string(word));
            ASSERT_EQ(hits.step(), SQLITE_ROW) << sqlite3_errmsg(db);
            EXPECT_EQ(hits.int64(0), expected) << word;
        }
        sqlite3_close(db);
    }
}

// The import window's progress runs the program's event loop between
// cards, so another window may start a change of its own on the same thread
// in the middle of a batch. That change meets the batch's locks and fails
// alone, as another station's would; the batch, written on its own
// connection, goes on and lands whole.
TEST_F(Import, AChangeStartedDuringABatchFailsAloneAndTheBatchLands) {
    std::vector<Contact> cards(30);
    for (int i = 0; i < 30; ++i) {
        cards[i].lastName = QStringLiteral("Person%1").arg(i);
        cards[i].categories = {QStringLiteral("Club")};
        cards[i].phones = {{QStringLiteral("Home"), QStringLiteral("614555%1").arg(1000 + i), {}, {}}};
    }
    store::TableUse windows({QStringLiteral("QKcat"), QStringLiteral("QKnam")});
    std::vector<store::Table *> windowTables{&windows[QStringLiteral("QKcat")],
                                             &windows[QStringLiteral("QKnam")]};
    std::optional<int> windowCode;
    ImportOptions options;
    options.progress = [&](int done, int) {
        if (done == 10) {
            store::UnitOfWork change(windowTables);
            windowCode = change.begin(0).code;
        }
        return true;
    };
    const ImportSummary summary = importContacts(cards, options);
    EXPECT_TRUE(summary.ok()) << summary.text().toStdString();
    EXPECT_EQ(windowCode, store::Code::Locked);
    EXPECT_EQ(summary.peopleAdded, 30);
    EXPECT_EQ(test::allRecords("QKnam").size(), 30u);
    EXPECT_EQ(test::allRecords("QKfon").size(), 30u);
    EXPECT_EQ(test::allRecords("QKjnc").size(), 60u);
    // Once the import is done the window's change goes ahead.
    store::UnitOfWork later(windowTables);
    EXPECT_EQ(later.begin(0).code, store::Code::Ok);
    later.rollback();
}

TEST_F(Import, TheCommandLinePrintsTheSummaryAndFailsOnBadFiles) {
    registerExchangeCommands();
    const host::BatchCommand *command = host::findBatchCommand(QStringLiteral("import"));
    ASSERT_NE(command, nullptr);
    const auto run = [&](const QString &file, QString &printed, QString &errors) {
        host::BatchRequest request;
        request.value = file;
        QTextStream out(&printed), err(&errors);
        return command->run(request, out, err);
    };
    QString printed, errors;
    EXPECT_EQ(run(sampleFile("outlook-2.1.vcf"), printed, errors), 0);
    EXPECT_TRUE(printed.contains(QStringLiteral("Cards read: 2\nPeople added: 1\nCompanies added: 2\n")))
        << (printed).toStdString();
    printed.clear();
    EXPECT_NE(run(sampleFile("binary.vcf"), printed, errors), 0);
    EXPECT_FALSE(errors.isEmpty());
    errors.clear();
    EXPECT_NE(run(sampleFile("truncated.vcf"), printed, errors), 0)
        << "a card that could not be read is reported";
    EXPECT_NE(run(m_dir.file(QStringLiteral("missing.vcf")), printed, errors), 0);
}

// A CSV file written as the mail programs of several languages export it,
// imported from the command line: what lands in the tables and what the
// summary says.
struct CsvCase {
    const char *name;
    const char *text; // UTF-8
    int exitCode;
    QStringList people;
    const char *printed; // in the summary (empty: nothing in particular)
};

void PrintTo(const CsvCase &c, std::ostream *os) {
    *os << c.name;
}

class CsvFiles : public Import, public ::testing::WithParamInterface<CsvCase> {};

TEST_P(CsvFiles, ImportFromTheCommandLine) {
    const CsvCase &c = GetParam();
    const QString path = m_dir.file(QStringLiteral("contacts.csv"));
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(c.text);
    f.close();
    registerExchangeCommands();
    const host::BatchCommand *command = host::findBatchCommand(QStringLiteral("import"));
    ASSERT_NE(command, nullptr);
    QString printed, errors;
    host::BatchRequest request;
    request.value = path;
    QTextStream out(&printed), err(&errors);
    EXPECT_EQ(command->run(request, out, err), c.exitCode) << (printed + errors).toStdString();
    EXPECT_EQ(people(), c.people);
    EXPECT_TRUE((printed + errors).contains(QString::fromUtf8(c.printed)))
        << (printed + errors).toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Import, CsvFiles,
    ::testing::Values(
        // Google's "Outlook CSV" ends every row with an empty column more.
        CsvCase{"TrailingEmptyColumn",
                "First Name,Last Name,E-mail Address,Business Phone\r\n"
                "Ann,Lee,ann@example.org,(614) 555-0100,\r\n"
                "Bob,Ray,,,\r\n",
                0,
                {QStringLiteral("Lee, Ann <ann@example.org> - [Work=6145550100]"),
                 QStringLiteral("Ray, Bob <> - []")},
                "People added: 2"},
        CsvCase{"ExtraColumnWithText",
                "First Name,Last Name\r\n"
                "Ann,Lee\r\n"
                "Bob,Ray,surprise\r\n",
                3,
                {QStringLiteral("Lee, Ann <> - []")},
                "line 3: \"Bob Ray\": 3 columns where the header has 2"},
        CsvCase{"German",
                "Vorname,Nachname,E-Mail-Adresse,Telefon geschäftlich,Mobiltelefon,Ort privat\r\n"
                "Jürgen,Müller,jm@example.de,6145550101,6145550102,Köln\r\n",
                0,
                {QStringLiteral("Müller, Jürgen <jm@example.de> - [Work=6145550101, Mobile=6145550102]")},
                "People added: 1"},
        CsvCase{"French",
                "Prénom,Nom,Adresse de messagerie,Téléphone (domicile),Anniversaire\r\n"
                "Élise,Dupont,ed@example.fr,6145550103,3/4/1980\r\n",
                0,
                {QStringLiteral("Dupont, Élise <ed@example.fr> 3/4/1980 [Home=6145550103]")},
                "People added: 1"},
        CsvCase{"Spanish",
                "Nombre,Apellidos,Teléfono móvil\r\n"
                "José,García López,6145550104\r\n",
                0,
                {QStringLiteral("García López, José <> - [Mobile=6145550104]")},
                "People added: 1"},
        CsvCase{"Italian",
                "Nome,Cognome,Telefono ufficio\r\n"
                "Luca,Rossi,6145550105\r\n",
                0,
                {QStringLiteral("Rossi, Luca <> - [Work=6145550105]")},
                "People added: 1"},
        CsvCase{"Dutch",
                "Voornaam,Achternaam,Telefoon thuis\r\n"
                "Sanne,Jansen,6145550106\r\n",
                0,
                {QStringLiteral("Jansen, Sanne <> - [Home=6145550106]")},
                "People added: 1"},
        CsvCase{"Portuguese",
                "Nome,Apelido,Telemóvel\r\n"
                "João,Silva,6145550107\r\n",
                0,
                {QStringLiteral("Silva, João <> - [Mobile=6145550107]")},
                "People added: 1"},
        CsvCase{"UnknownHeadersNamed",
                "Vorname,Nachname,Lieblingsfarbe\r\n"
                "Anna,Schmidt,blau\r\n",
                0,
                {QStringLiteral("Schmidt, Anna <> - []")},
                "Columns not imported (headers not known): \"Lieblingsfarbe\""},
        CsvCase{"NoKnownHeader",
                "Col A,Col B\r\n"
                "x,y\r\n",
                1,
                {},
                "Headers not known: \"Col A\", \"Col B\"."}),
    [](const auto &info) { return std::string(info.param.name); });

} // namespace
