#include "companies/gui/CompanyRecordForm.h"
#include "engine/gui/BrowseWindow.h"
#include "engine/gui/RecordFormWindow.h"
#include "store/Store.h"
#include "support/FormFixtures.h"
#include "support/QStringPrinter.h"
#include "support/WindowTour.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>

#include <iterator>

using namespace tabulo;
using engine::ListAction;
using engine::Request;
using engine::Response;
using engine::gui::BrowseWindow;
using engine::gui::RecordFormWindow;

namespace {

constexpr qint64 kAcme = 1;
constexpr qint64 kOther = 2;
constexpr qint64 kSuppliers = 7;

enum Tab { General = 0, More = 1, Phones = 2, Links = 3, Notes = 4, People = 5 };
enum Entry { CtrlNbr = 0, Name = 1, City = 5 };

const char *const kTables[] = {"QKcmp", "QKjcg", "QKfon", "QKmem", "QKnam"};

class CompanyRecordForm : public test::OwnerFormFixture {
protected:
    CompanyRecordForm()
        : OwnerFormFixture({"QKcmp", "CMP_CTRL", "CMP_CTRL_KEY", "UpdateQKcmp", {std::begin(kTables), std::end(kTables)},
                            {"", "", "fonList", "jcgList", "memList", "namList"}}) {}

    void SetUp() override {
        OwnerFormFixture::SetUp();
        addCompany(kAcme, "Acme");
        addCompany(kOther, "Other");
        // The other company's records show that nothing of it is touched.
        addLink(kOther, 0, "Other");
        add("QKfon", kOther, {{"LOCATION", "Office"}});
        add("QKmem", kOther, {});
        add("QKnam", kOther, {{"LNAME", "Roe"}});
        m_caller.show();
    }

    static void addCompany(qint64 company, const char *name) {
        store::Table &t = table("QKcmp");
        t.record().clear();
        t.record().setValue(QStringLiteral("CTRL_NBR"), company);
        t.record().setValue(QStringLiteral("NAME"), QString::fromLatin1(name));
        ASSERT_TRUE(t.insert().ok());
    }

    void addLink(qint64 company, qint64 group, const char *name) {
        const QByteArray grp = QByteArray::number(group);
        add("QKjcg", company, {{"GRP_CTRL", grp.constData()}, {"COMPANY", name}});
    }
    QStringList linksOf(qint64 company) const { return owned("QKjcg", company, {"GRP_CTRL", "COMPANY"}); }

    // Every record of the other company is still there.
    void expectOtherUntouched() const {
        EXPECT_EQ(linksOf(kOther), QStringList{QStringLiteral("0|Other")});
        for (const char *child : {"QKfon", "QKmem", "QKnam"})
            EXPECT_EQ(owned(child, kOther, {"CTRL_NBR"}).size(), 1) << child;
    }

    RecordFormWindow *open(Request request, qint64 company = 0) {
        return openForOwner(&companies::gui::runCompanyRecordForm, request, company);
    }

    static qint64 companyOf(RecordFormWindow *f) { return ownerOf(f); }

    void addPhoneOnTab(RecordFormWindow *f, const char *location) {
        OwnerFormFixture::addPhoneOnTab(f, Phones, location);
    }
};

// --- The tabs' lists ----------------------------------------------------------

TEST_F(CompanyRecordForm, APhoneAddedOnTheTabOfANewCompanyBelongsToThatCompanyAndShows) {
    RecordFormWindow *f = open(Request::InsertRecord);
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->windowTitle(), QStringLiteral("Adding a QKcmp Record"));
    const qint64 company = companyOf(f);
    ASSERT_EQ(company, 3);
    EXPECT_EQ(f->entry(CtrlNbr)->text().trimmed(), QStringLiteral("3"));

    addPhoneOnTab(f, "Sales");
    EXPECT_EQ(owned("QKfon", company, {"LOCATION", "NUMBER", "NAM_CTRL"}),
              QStringList{QStringLiteral("Sales|5551234567|0")});
    BrowseWindow *phones = list(f, Phones);
    ASSERT_EQ(phones->engine().rowCount(), 1);
    EXPECT_EQ(phones->engine().row(1).texts.at(0).trimmed(), QStringLiteral("Sales"));
    EXPECT_EQ(owned("QKfon", kOther, {"LOCATION"}), QStringList{QStringLiteral("Office")});
}

TEST_F(CompanyRecordForm, EachTabListsOnlyTheRecordsOfTheCompanyOnTheForm) {
    add("QKfon", kAcme, {{"LOCATION", "Sales"}});
    add("QKfon", kAcme, {{"LOCATION", "Billing"}});
    addLink(kAcme, 0, "Acme");
    add("QKnam", kAcme, {{"LNAME", "Doe"}});
    RecordFormWindow *f = open(Request::ChangeRecord, kAcme);
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->windowTitle(), QStringLiteral("Changing a QKcmp Record"));
    const std::pair<Tab, int> expected[] = {{Phones, 2}, {Links, 1}, {Notes, 0}, {People, 1}};
    for (const auto &[tab, rows] : expected)
        EXPECT_EQ(list(f, tab)->engine().rowCount(), rows) << tab;
    EXPECT_EQ(list(f, People)->engine().row(1).texts.at(0).trimmed(), QStringLiteral("Doe"));
}

// --- Keeping the company's links whole ------------------------------------------

struct NewCompanyCase {
    const char *name;
    bool allLinkAddedOnTab; // the user already linked the company to "All" on the tab
};
void PrintTo(const NewCompanyCase &c, std::ostream *os) {
    *os << c.name;
}

class NewCompany : public CompanyRecordForm, public ::testing::WithParamInterface<NewCompanyCase> {};

TEST_P(NewCompany, OkLinksTheCompanyToAllOnceWithTheSavedName) {
    RecordFormWindow *f = open(Request::InsertRecord);
    ASSERT_NE(f, nullptr);
    const qint64 company = companyOf(f);
    // Links made on the tab carry whatever name was typed there.
    addLink(company, kSuppliers, "");
    if (GetParam().allLinkAddedOnTab)
        addLink(company, 0, "Typo");
    f->entry(Name)->setText(QStringLiteral("Zenith"));
    click(f, "okButton");
    EXPECT_EQ(m_answer, Response::RequestCompleted);
    EXPECT_TRUE(exists("QKcmp", company));
    EXPECT_EQ(linksOf(company), (QStringList{QStringLiteral("0|Zenith"), QStringLiteral("7|Zenith")}));
    expectOtherUntouched();
}

INSTANTIATE_TEST_SUITE_P(Cases, NewCompany,
                         ::testing::Values(NewCompanyCase{"Fresh", false},
                                           NewCompanyCase{"AlreadyInAll", true}),
                         [](const auto &info) { return std::string(info.param.name); });

struct ChangeCase {
    const char *name;
    int entry;
    const char *typed;
    QStringList links; // the company's links afterwards
};
void PrintTo(const ChangeCase &c, std::ostream *os) {
    *os << c.name;
}

class ChangedCompany : public CompanyRecordForm, public ::testing::WithParamInterface<ChangeCase> {};

TEST_P(ChangedCompany, ASavedNameIsCopiedIntoEveryLinkOfTheCompany) {
    // Copies out of step show whether the form rewrote them.
    addLink(kAcme, 0, "Acme");
    addLink(kAcme, kSuppliers, "Acme Old");
    RecordFormWindow *f = open(Request::ChangeRecord, kAcme);
    ASSERT_NE(f, nullptr);
    f->entry(GetParam().entry)->setText(QString::fromLatin1(GetParam().typed));
    click(f, "okButton");
    EXPECT_EQ(m_answer, Response::RequestCompleted);
    EXPECT_EQ(linksOf(kAcme), GetParam().links);
    expectOtherUntouched();
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ChangedCompany,
    ::testing::Values(
        ChangeCase{
            "Renamed", Name, "Acme Corp", {QStringLiteral("0|Acme Corp"), QStringLiteral("7|Acme Corp")}},
        ChangeCase{"CityOnly", City, "Columbus", {QStringLiteral("0|Acme"), QStringLiteral("7|Acme Old")}}),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(CompanyRecordForm, CancellingANewCompanyLeavesNothingOfItBehind) {
    RecordFormWindow *f = open(Request::InsertRecord);
    ASSERT_NE(f, nullptr);
    const qint64 company = companyOf(f);
    addPhoneOnTab(f, "Sales");
    addLink(company, 0, "");
    add("QKmem", company, {});
    add("QKnam", company, {{"LNAME", "Doe"}});
    const qint64 person = table("QKnam").record().value(QStringLiteral("CTRL_NBR")).toLongLong();

    click(f, "cancelButton");
    EXPECT_EQ(m_answer, Response::RequestCancelled);
    EXPECT_FALSE(exists("QKcmp", company));
    for (const char *child : {"QKjcg", "QKfon", "QKmem", "QKnam"})
        EXPECT_TRUE(owned(child, company, {"CTRL_NBR"}).isEmpty()) << child;
    // The person stays, no longer naming a number the next company gets.
    ASSERT_TRUE(exists("QKnam", person));
    EXPECT_EQ(table("QKnam").record().value(QStringLiteral("CMP_CTRL")).toLongLong(), 0);
    expectOtherUntouched();
}

TEST_F(CompanyRecordForm, DeletingACompanyTakesItsPhonesNotesAndLinksButNotItsPeople) {
    addLink(kAcme, 0, "Acme");
    addLink(kAcme, kSuppliers, "Acme");
    add("QKfon", kAcme, {{"LOCATION", "Sales"}});
    add("QKmem", kAcme, {});
    add("QKnam", kAcme, {{"LNAME", "Doe"}});
    m_messages.answer(32, store::Button::Ok);
    EXPECT_EQ(open(Request::DeleteRecord, kAcme), nullptr);
    EXPECT_EQ(m_answer, Response::RequestCompleted);
    EXPECT_FALSE(exists("QKcmp", kAcme));
    for (const char *child : {"QKjcg", "QKfon", "QKmem"})
        EXPECT_TRUE(owned(child, kAcme, {"CTRL_NBR"}).isEmpty()) << child;
    EXPECT_EQ(owned("QKnam", kAcme, {"LNAME"}), QStringList{QStringLiteral("Doe")});
    expectOtherUntouched();
}

TEST_F(CompanyRecordForm, ANoteCounterTheFieldCannotHoldIsRefusedAndNothingIsSaved) {
    RecordFormWindow *f = open(Request::ChangeRecord, kAcme);
    ASSERT_NE(f, nullptr);
    f->sheet()->setCurrentIndex(More);
    f->entry(10)->setText(QStringLiteral("99999"));
    m_messages.answer(10, store::Button::Ok);
    click(f, "okButton");
    EXPECT_EQ(m_messages.last().text, QStringLiteral("The value of cmp:notes must be between -32768 and 32767."));
    EXPECT_EQ(m_answer, Response::None);
    EXPECT_EQ(form(), f);
    EXPECT_TRUE(f->entry(10)->toolTip().contains(QStringLiteral("32767")))
        << f->entry(10)->toolTip().toStdString();
    ASSERT_TRUE(exists("QKcmp", kAcme));
    EXPECT_EQ(table("QKcmp").record().value(QStringLiteral("NOTES")).toLongLong(), 0);
}

// --- The window ---------------------------------------------------------------

TEST_F(CompanyRecordForm, EveryTabIsWholeAtItsOpeningSizeAndAtTwiceIt) {
    for (int i = 0; i < 12; ++i)
        add("QKfon", kAcme, {{"LOCATION", "Phone"}});
    RecordFormWindow *f = open(Request::ChangeRecord, kAcme);
    ASSERT_NE(f, nullptr);
    const QStringList tabs{QStringLiteral("General"), QStringLiteral("General (cont.)"),
                           QStringLiteral("QKfon"),   QStringLiteral("QKjcg"),
                           QStringLiteral("QKmem"),   QStringLiteral("QKnam")};
    ASSERT_EQ(f->sheet()->count(), tabs.size());
    for (int t = 0; t < tabs.size(); ++t)
        EXPECT_EQ(f->sheet()->tabText(t), tabs.at(t));
    EXPECT_EQ(f->findChild<QPushButton *>(QStringLiteral("okButton"))->text(), QStringLiteral("OK"));

    BrowseWindow *phones = list(f, Phones);
    const int rows = phones->engine().rowCount();
    const QSize opening = f->size();
    for (const QSize size : {opening, opening * 2}) {
        f->resize(size);
        settle();
        for (int t = General; t <= People; ++t) {
            f->sheet()->setCurrentIndex(t);
            settle();
            const QStringList problems = test::layoutProblems(f);
            EXPECT_TRUE(problems.isEmpty()) << size.width() << "x" << size.height() << " tab " << t << ": "
                                            << problems.join(QStringLiteral("; ")).toStdString();
        }
    }
    EXPECT_GT(phones->engine().rowCount(), rows);
}

} // namespace
