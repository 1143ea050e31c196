// Export followed by import into an empty data directory gives back the same
// people, phones, notes, categories and companies, field by field, through
// vCard 4.0, vCard 3.0 and CSV; and the command-line export.
#include "exchange/ContactExport.h"
#include "exchange/ContactImport.h"
#include "exchange/ExchangeCommands.h"
#include "exchange/ExchangeTestSupport.h"
#include "host/BatchCommands.h"
#include "support/QStringPrinter.h"

#include <random>

using namespace tabulo;
using namespace tabulo::exchange;

namespace tabulo::exchange {
// Beside the format, where GoogleTest looks for it: a case of the round trip
// prints, and is named, by its format.
static void PrintTo(ExportFormat format, std::ostream *os) {
    *os << (format == ExportFormat::VCard4 ? "vCard4" : format == ExportFormat::VCard3 ? "vCard3" : "csv");
}
} // namespace tabulo::exchange

namespace {

constexpr int kPeople = 1000;
constexpr int kCompanies = 25;

// Fills the store directly, as the lists would have: every field of every
// person, company, phone and note, non-ASCII names, commas, semicolons and
// line breaks, three name categories and two company categories.
void fillStore() {
    store::TableUse use({QStringLiteral("QKnam"), QStringLiteral("QKfon"), QStringLiteral("QKmem"),
                         QStringLiteral("QKcat"), QStringLiteral("QKjnc"), QStringLiteral("QKcmp"),
                         QStringLiteral("QKgrp"), QStringLiteral("QKjcg")});
    auto &nam = use[QStringLiteral("QKnam")];
    auto &fon = use[QStringLiteral("QKfon")];
    auto &mem = use[QStringLiteral("QKmem")];
    auto &cat = use[QStringLiteral("QKcat")];
    auto &jnc = use[QStringLiteral("QKjnc")];
    auto &cmp = use[QStringLiteral("QKcmp")];
    auto &grp = use[QStringLiteral("QKgrp")];
    auto &jcg = use[QStringLiteral("QKjcg")];
    std::mt19937 rng(5);
    const QStringList last = {QStringLiteral("Ødegård"),    QStringLiteral("O'Brien"),
                              QStringLiteral("Smith, Jr."), QStringLiteral("Нечаев"),
                              QStringLiteral("李"),         QStringLiteral("Dupont;Leroy")};
    const QStringList first = {QStringLiteral("Zoë"), QStringLiteral("José"), QStringLiteral("Ann \"Nan\""),
                               QStringLiteral("Łukasz"), QStringLiteral("Bob")};
    const QStringList locations = {QStringLiteral("Home"), QStringLiteral("Mobile"),
                                   QStringLiteral("Office Annex"), QStringLiteral("Fax"),
                                   QStringLiteral("Work")};
    qint64 phone = 0, note = 0, link = 0;
    for (store::Table *t : {&nam, &fon, &mem, &cat, &jnc, &cmp, &grp, &jcg})
        t->lock(10);
    const auto put = [](store::Record &r, const char *f, const QVariant &v) {
        r.setValue(QString::fromLatin1(f), v);
    };
    for (qint64 g = 1; g <= 3; ++g) {
        cat.record().clear();
        put(cat.record(), "CTRL_NBR", g);
        put(cat.record(), "CATEGORY", QStringLiteral("Club, %1; ü").arg(g));
        cat.insert();
    }
    for (qint64 g = 1; g <= 2; ++g) {
        grp.record().clear();
        put(grp.record(), "CTRL_NBR", g);
        put(grp.record(), "GROUP", QStringLiteral("Suppliers %1").arg(g));
        grp.insert();
    }
    const auto addPhone = [&](qint64 person, qint64 company, int k) {
        store::Record &f = fon.record();
        f.clear();
        put(f, "CTRL_NBR", ++phone);
        put(f, "LOCATION", locations[k % locations.size()]);
        put(f, "NAME", k % 2 ? QStringLiteral("desk, left") : QString());
        const bool ten = k != 3;
        put(f, "NUMBER",
            ten ? QStringLiteral("614%1").arg(1000000 + phone)
                : QStringLiteral("+44 20 79%1").arg(phone % 100));
        put(f, "AREA", ten ? QStringLiteral("614") : QString());
        put(f, "EXT", k == 2 ? QStringLiteral("%1").arg(phone % 1000) : QString());
        put(f, "NAM_CTRL", person);
        put(f, "CMP_CTRL", company);
        fon.insert();
    };
    const auto addNotes = [&](qint64 person, qint64 company, int count) {
        for (int k = 1; k <= count; ++k) {
            store::Record &m = mem.record();
            m.clear();
            put(m, "CTRL_NBR", ++note);
            put(m, "NAM_CTRL", person);
            put(m, "CMP_CTRL", company);
            put(m, "DATE", 80000 + k);
            put(m, "UPDATE", k == 2 ? 80100 : 0);
            put(m, "ORDER", k);
            m.setMemo(QStringLiteral("Note %1, with; punctuation\nand a second line \\ backslash\nthird: ñ")
                          .arg(note));
            mem.insert();
        }
    };
    for (qint64 c = 1; c <= kCompanies; ++c) {
        store::Record &r = cmp.record();
        r.clear();
        const QString name = QStringLiteral("Company %1, Ltd; Ærø").arg(c);
        put(r, "CTRL_NBR", c);
        put(r, "NAME", name);
        put(r, "BUSINESS", QStringLiteral("Trade, wholesale"));
        put(r, "ADDR1", QStringLiteral("%1 Mill Road").arg(c));
        put(r, "ADD2", QStringLiteral("Unit %1").arg(c));
        put(r, "CITY", QStringLiteral("Columbus"));
        put(r, "STATE", QStringLiteral("OH"));
        put(r, "ZIP", QStringLiteral("43215"));
        put(r, "COUNTRY", QStringLiteral("USA"));
        put(r, "EMAILADDRESS", QStringLiteral("info%1@example.com").arg(c));
        put(r, "WEBADDRESS", QStringLiteral("https://example.com/c%1").arg(c));
        put(r, "NOTES", 1);
        put(r, "FON_CTRL", phone + 1);
        cmp.insert();
        addPhone(0, c, 0);
        addPhone(0, c, 2);
        addNotes(0, c, 1);
        for (qint64 g : {qint64(0), 1 + c % 2}) {
            store::Record &l = jcg.record();
            l.clear();
            put(l, "CTRL_NBR", ++link);
            put(l, "COMPANY", name);
            put(l, "CMP_CTRL", c);
            put(l, "GRP_CTRL", g);
            jcg.insert();
        }
    }
    link = 0;
    for (qint64 p = 1; p <= kPeople; ++p) {
        store::Record &r = nam.record();
        r.clear();
        const QString l = last[p % last.size()] + QString::number(p);
        const QString f = first[p % first.size()];
        put(r, "CTRL_NBR", p);
        put(r, "LNAME", l);
        put(r, "FNAME", f);
        put(r, "ADDR1", QStringLiteral("%1 Elm St, Apt %2").arg(p).arg(p % 7));
        put(r, "ADDR2", QStringLiteral("c/o Ünal; rear"));
        put(r, "CITY", QStringLiteral("Zürich"));
        put(r, "STATE", QStringLiteral("ZH"));
        put(r, "ZIP", QStringLiteral("80%1").arg(p % 1000, 3, 10, QLatin1Char('0')));
        put(r, "DOB", p % 10 == 0 ? 0 : (p % 10 == 1 ? 1500 + p : 50000 + p * 3));
        put(r, "EMAILADDRESS", QStringLiteral("p%1@example.org").arg(p));
        put(r, "COUNTRY", QStringLiteral("Schweiz"));
        put(r, "CMP_CTRL", p % 4 == 0 ? 0 : 1 + p % kCompanies);
        nam.insert();
        std::vector<qint64> cats = {0, 1 + p % 3};
        if (p % 2)
            cats.push_back(1 + (p + 1) % 3);
        for (qint64 c : cats) {
            store::Record &j = jnc.record();
            j.clear();
            put(j, "CTRL_NBR", ++link);
            put(j, "LNAME", l);
            put(j, "FNAME", f);
            put(j, "NAM_CTRL", p);
            put(j, "CAT_CTRL", c);
            jnc.insert();
        }
        for (int k = 0; k < 1 + static_cast<int>(rng() % 4); ++k)
            addPhone(p, 0, k);
        addNotes(p, 0, 1 + static_cast<int>(p % 3));
    }
    for (store::Table *t : {&nam, &fon, &mem, &cat, &jnc, &cmp, &grp, &jcg})
        t->unlock();
}

// The people of category `c` as fillStore links them.
int peopleIn(int c) {
    int count = 0;
    for (int p = 1; p <= kPeople; ++p)
        count += (1 + p % 3 == c || (p % 2 && 1 + (p + 1) % 3 == c)) ? 1 : 0;
    return count;
}

class RoundTrip : public test::ExchangeFixture, public ::testing::WithParamInterface<ExportFormat> {};

TEST_P(RoundTrip, ExportThenImportIntoAnEmptyDirectoryGivesEveryFieldBack) {
    fillStore();
    const QStringList original = test::snapshot();
    ASSERT_EQ(original.size(), kPeople + kCompanies);
    ExportOptions options;
    options.format = GetParam();
    const QString file = m_dir.file(QStringLiteral("contacts.out"));
    const ExportSummary exported = exportFile(file, options);
    ASSERT_TRUE(exported.ok()) << (exported.text()).toStdString();
    EXPECT_EQ(exported.people, kPeople);
    EXPECT_EQ(exported.companies, kCompanies);
    store::Store::instance().closeAll();

    test::TempDataDir empty;
    useDirectory(empty);
    const ImportSummary imported = importFile(file);
    ASSERT_TRUE(imported.ok()) << (imported.text()).toStdString();
    EXPECT_EQ(imported.cardsRead, kPeople + kCompanies);
    EXPECT_EQ(imported.peopleAdded, kPeople);
    EXPECT_EQ(imported.companiesAdded, kCompanies);
    EXPECT_EQ(imported.fieldsCut, 0);
    EXPECT_TRUE(imported.problems.empty());
    const QStringList back = test::snapshot();
    ASSERT_EQ(back.size(), original.size());
    for (int i = 0; i < original.size(); ++i)
        ASSERT_EQ(back[i], original[i]);
}

INSTANTIATE_TEST_SUITE_P(Formats, RoundTrip,
                         ::testing::Values(ExportFormat::VCard4, ExportFormat::VCard3, ExportFormat::Csv),
                         [](const auto &info) { return ::testing::PrintToString(info.param); });

TEST_F(RoundTrip, ExportsOneCategoryOrOneCompanyCategory) {
    fillStore();
    ExportOptions options;
    options.scope = ExportScope::People;
    options.category = 2;
    ExportSummary summary;
    const std::vector<Contact> people = collectContacts(options, summary);
    EXPECT_EQ(static_cast<int>(people.size()), peopleIn(2));
    for (const Contact &c : people)
        EXPECT_TRUE(c.categories.contains(QStringLiteral("Club, 2; ü"))) << c.lastName.toStdString();
    options.scope = ExportScope::Companies;
    options.category = 1;
    const std::vector<Contact> companies = collectContacts(options, summary);
    EXPECT_EQ(static_cast<int>(companies.size()), kCompanies / 2);
    for (const Contact &c : companies)
        EXPECT_TRUE(c.isCompany);
}

TEST_F(RoundTrip, TheCommandLineExportsACategoryAndRefusesBadRequests) {
    fillStore();
    registerExchangeCommands();
    const host::BatchCommand *command = host::findBatchCommand(QStringLiteral("export"));
    ASSERT_NE(command, nullptr);
    const auto run = [&](const QString &format, const QStringList &files, const QString &category,
                         QString &printed) {
        host::BatchRequest request;
        request.value = format;
        request.positional = files;
        if (!category.isEmpty())
            request.options[QStringLiteral("category")] = category;
        QString errors;
        QTextStream out(&printed), err(&errors);
        return command->run(request, out, err);
    };
    const QString file = m_dir.file(QStringLiteral("club.csv"));
    QString printed;
    EXPECT_EQ(run(QStringLiteral("csv"), {file}, QStringLiteral("Club, 1; ü"), printed), 0);
    EXPECT_TRUE(
        printed.startsWith(QStringLiteral("People exported: %1\nCompanies exported: 0\n").arg(peopleIn(1))))
        << printed.toStdString();
    EXPECT_TRUE(QFile::exists(file));
    EXPECT_NE(run(QStringLiteral("xml"), {file}, {}, printed), 0);
    EXPECT_NE(run(QStringLiteral("vcard"), {}, {}, printed), 0);
    EXPECT_NE(run(QStringLiteral("vcard"), {file}, QStringLiteral("No such"), printed), 0);
    EXPECT_NE(run(QStringLiteral("vcard"), {m_dir.file(QStringLiteral("no/such/dir/x.vcf"))}, {}, printed),
              0);
}

} // namespace
