#include "base/Clock.h"
#include "base/DateOps.h"
#include "companies/GroupMembership.h"
#include "companies/gui/CompanyPhoneNoteWindows.h"
#include "engine/gui/BrowseWindow.h"
#include "engine/gui/PageView.h"
#include "engine/gui/RecordFormWindow.h"
#include "host/gui/PhoneNoteForms.h"
#include "store/Store.h"
#include "support/FormFixtures.h"
#include "support/CaseName.h"
#include "support/QStringPrinter.h"
#include "support/WindowTour.h"

#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

using namespace tabulo;
using engine::ListAction;
using engine::Request;
using engine::Response;
using engine::gui::BrowseWindow;
using engine::gui::RecordFormWindow;
using store::Button::No;
using store::Button::Ok;

namespace {

const int kToday = dates::dateFromMdy(3, 14, 2026);
const int kLastYear = dates::dateFromMdy(6, 1, 2025);
constexpr qint64 kCompany = 7;
constexpr qint64 kOtherCompany = 8;

class CompanyPhonesAndNotes : public test::PhoneNoteFixture {
protected:
    CompanyPhonesAndNotes()
        : PhoneNoteFixture("QKcmp") {}

    void SetUp() override {
        PhoneNoteFixture::SetUp();
        m_cmp = m_owner;
        for (qint64 ctrl : {kCompany, kOtherCompany}) {
            m_cmp->record().clear();
            m_cmp->record().setValue(QStringLiteral("CTRL_NBR"), ctrl);
            m_cmp->record().setValue(QStringLiteral("NAME"), QStringLiteral("  Acme Tools %1 ").arg(ctrl));
            ASSERT_TRUE(m_cmp->insert().ok());
        }
        // The company the companies list has highlighted.
        m_cmp->record().clear();
        m_cmp->record().setValue(QStringLiteral("CTRL_NBR"), kCompany);
        ASSERT_TRUE(m_cmp->fetch(*m_cmp->def().key(QStringLiteral("CTRL_KEY"))).ok());
    }

    void addPhone(qint64 ctrl, qint64 company, const QString &location, const QString &number) {
        store::Record &r = m_fon->record();
        r.clear();
        r.setValue(QStringLiteral("CTRL_NBR"), ctrl);
        r.setValue(QStringLiteral("LOCATION"), location);
        r.setValue(QStringLiteral("NUMBER"), number);
        r.setValue(QStringLiteral("AREA"), number.left(3));
        r.setValue(QStringLiteral("CMP_CTRL"), company);
        ASSERT_TRUE(m_fon->insert().ok());
    }

    void addNote(qint64 ctrl, qint64 company, int order, int updated = kLastYear) {
        store::Record &r = m_mem->record();
        r.clear();
        r.setValue(QStringLiteral("CTRL_NBR"), ctrl);
        r.setValue(QStringLiteral("CMP_CTRL"), company);
        r.setValue(QStringLiteral("DATE"), kLastYear);
        r.setValue(QStringLiteral("UPDATE"), updated);
        r.setValue(QStringLiteral("ORDER"), order);
        r.setMemo(QStringLiteral("Note %1").arg(ctrl));
        ASSERT_TRUE(m_mem->insert().ok());
    }

    store::Table *m_cmp = nullptr;
};

// --- The company phone form -----------------------------------------------

struct AddCase {
    QString typed;
    bool refused;
    QString number; // as stored
};

void PrintTo(const AddCase &c, std::ostream *os) {
    *os << '"' << c.typed.toStdString() << '"';
}

class CompanyPhoneAdding : public CompanyPhonesAndNotes, public ::testing::WithParamInterface<AddCase> {};

TEST_P(CompanyPhoneAdding, LeavingTheNumberCompletesOrRefusesIt) {
    const AddCase &c = GetParam();
    // Whatever the caller left in the link, the phone is the company's.
    m_fon->record().clear();
    m_fon->record().setValue(QStringLiteral("CMP_CTRL"), kOtherCompany);
    RecordFormWindow *f = open(&companies::gui::runCompanyPhoneForm, Request::InsertRecord);
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->windowTitle(), QStringLiteral("Company Phone Database Update Form"));
    EXPECT_EQ(f->actionLabel()->text(), QStringLiteral("Record will be Added"));
    field(f, "departmentEntry")->setText(QStringLiteral("Sales"));
    QLineEdit *number = field(f, "numberEntry");

    if (c.refused)
        m_messages.answer(Ok);
    typeAndLeave(number, c.typed);
    if (c.refused) {
        ASSERT_EQ(m_messages.shown().size(), 1u);
        EXPECT_EQ(m_messages.last().title, QStringLiteral("Phone Entry Error"));
        EXPECT_EQ(m_messages.last().text, host::gui::kPhoneEntryErrorText);
        EXPECT_EQ(QApplication::focusWidget(), number);
        // OK cannot get past the wrong count either.
        m_messages.answer(Ok);
        click(f, "okButton");
        EXPECT_EQ(m_answer, Response::None);
        m_messages.answer(33, No);
        click(f, "cancelButton");
        EXPECT_EQ(m_answer, Response::RequestCancelled);
        EXPECT_EQ(m_fon->records(), 0);
        return;
    }
    EXPECT_TRUE(m_messages.shown().empty());
    EXPECT_EQ(field(f, "areaEntry")->text(), c.number.left(3));
    click(f, "okButton");
    EXPECT_EQ(m_answer, Response::RequestCompleted);
    const store::Record r = stored(m_fon, 1);
    EXPECT_EQ(r.value(QStringLiteral("NUMBER")).toString(), c.number);
    EXPECT_EQ(r.value(QStringLiteral("AREA")).toString(), c.number.left(3));
    EXPECT_EQ(r.value(QStringLiteral("CMP_CTRL")).toLongLong(), kCompany);
    EXPECT_EQ(r.value(QStringLiteral("LOCATION")).toString(), QStringLiteral("Sales"));
}

INSTANTIATE_TEST_SUITE_P(
    DigitCounts, CompanyPhoneAdding,
    ::testing::Values(AddCase{QStringLiteral("555-1234"), false, QStringLiteral("6145551234")},
                      AddCase{QStringLiteral("(212) 555-0100"), false, QStringLiteral("2125550100")},
                      AddCase{QStringLiteral("61455512"), true, {}},
                      AddCase{QStringLiteral("614555123"), true, {}}),
    [](const ::testing::TestParamInfo<AddCase> &info) {
        return info.param.typed.isEmpty() ? std::string("nothingTyped")
                                          : tabulo::test::caseName("typed " + info.param.typed.toStdString());
    });

TEST_F(CompanyPhonesAndNotes, ChangingAPhoneToSevenDigitsKeepsThemAndMovesTheAreaCode) {
    addPhone(1, kCompany, QStringLiteral("Sales"), QStringLiteral("6145550000"));
    readForChange(m_fon, 1);
    RecordFormWindow *f = open(&companies::gui::runCompanyPhoneForm, Request::ChangeRecord);
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->actionLabel()->text(), QStringLiteral("Record will be Changed"));
    typeAndLeave(field(f, "numberEntry"), QStringLiteral("5551234"));
    EXPECT_EQ(field(f, "areaEntry")->text(), QStringLiteral("555"));
    click(f, "okButton");
    EXPECT_TRUE(m_messages.shown().empty());
    const store::Record r = stored(m_fon, 1);
    EXPECT_EQ(r.value(QStringLiteral("NUMBER")).toString(), QStringLiteral("5551234"));
    EXPECT_EQ(r.value(QStringLiteral("AREA")).toString(), QStringLiteral("555"));
}

// --- The company note form ------------------------------------------------

TEST_F(CompanyPhonesAndNotes, TheThirdNoteIsNumberThreeDatedTodayAndBecomesTheCounter) {
    addNote(1, kCompany, 1);
    addNote(2, kCompany, 2);
    addNote(3, kOtherCompany, 1);
    RecordFormWindow *f = open(&companies::gui::runCompanyNoteForm, Request::InsertRecord);
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->windowTitle(), QStringLiteral("Company Notes Database Update Form"));
    EXPECT_TRUE(f->memoBox()->toPlainText().isEmpty());
    EXPECT_EQ(field(f, "numberEntry")->text().trimmed(), QStringLiteral("3"));
    EXPECT_EQ(field(f, "createdEntry")->text(), QStringLiteral("03/14/26"));
    EXPECT_TRUE(field(f, "numberEntry")->isReadOnly());
    f->memoBox()->setPlainText(QStringLiteral("Met their buyer"));
    click(f, "okButton");
    EXPECT_EQ(m_answer, Response::RequestCompleted);

    const store::Record note = stored(m_mem, 4);
    EXPECT_EQ(note.value(QStringLiteral("ORDER")).toInt(), 3);
    EXPECT_EQ(note.value(QStringLiteral("DATE")).toInt(), kToday);
    EXPECT_EQ(note.value(QStringLiteral("CMP_CTRL")).toLongLong(), kCompany);
    EXPECT_EQ(note.memo(), QStringLiteral("Met their buyer"));
    EXPECT_EQ(stored(m_cmp, kCompany).value(QStringLiteral("NOTES")).toInt(), 3);
    EXPECT_EQ(m_cmp->record().value(QStringLiteral("NOTES")).toInt(), 3);
    // The company's other fields are as they were.
    EXPECT_EQ(stored(m_cmp, kCompany).value(QStringLiteral("NAME")).toString(),
              QStringLiteral("  Acme Tools 7"));
    EXPECT_EQ(stored(m_cmp, kOtherCompany).value(QStringLiteral("NOTES")).toInt(), 0);
}

TEST_F(CompanyPhonesAndNotes, ANoteDeletedInBetweenNeverMakesTwoNotesShareANumber) {
    addNote(1, kCompany, 1);
    addNote(3, kCompany, 3); // note 2 was deleted
    RecordFormWindow *f = open(&companies::gui::runCompanyNoteForm, Request::InsertRecord);
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(field(f, "numberEntry")->text().trimmed(), QStringLiteral("4"));
    // A cancelled note leaves neither the note nor a counter behind.
    m_messages.answer(33, No);
    click(f, "cancelButton");
    EXPECT_EQ(m_answer, Response::RequestCancelled);
    EXPECT_EQ(m_mem->records(), 2);
    EXPECT_EQ(stored(m_cmp, kCompany).value(QStringLiteral("NOTES")).toInt(), 0);
}

TEST_F(CompanyPhonesAndNotes, OpeningANoteForAChangeDatesItTodaySoClosingAsksUnlessItAlreadyWas) {
    addNote(1, kCompany, 1, kLastYear);
    addNote(2, kCompany, 2, kToday);
    for (qint64 ctrl : {1, 2}) {
        SCOPED_TRACE(ctrl);
        readForChange(m_mem, ctrl);
        RecordFormWindow *f = open(&companies::gui::runCompanyNoteForm, Request::ChangeRecord);
        ASSERT_NE(f, nullptr);
        EXPECT_EQ(field(f, "updatedEntry")->text(), QStringLiteral("03/14/26"));
        const bool asks = ctrl == 1;
        if (asks)
            m_messages.answer(33, No);
        f->close();
        settle();
        EXPECT_EQ(m_messages.shownNumbers().size(), asks ? 1u : 0u);
        EXPECT_EQ(m_answer, Response::RequestCancelled);
        m_messages.clear();
    }
    // A saved change is dated today; the counter stays.
    readForChange(m_mem, 1);
    RecordFormWindow *f = open(&companies::gui::runCompanyNoteForm, Request::ChangeRecord);
    ASSERT_NE(f, nullptr);
    f->memoBox()->setPlainText(QStringLiteral("Edited"));
    click(f, "okButton");
    EXPECT_EQ(m_answer, Response::RequestCompleted);
    EXPECT_EQ(stored(m_mem, 1).value(QStringLiteral("UPDATE")).toInt(), kToday);
    EXPECT_EQ(stored(m_cmp, kCompany).value(QStringLiteral("NOTES")).toInt(), 0);
}

// --- The company phones list -------------------------------------------------

TEST_F(CompanyPhonesAndNotes, ThePhonesListShowsTheCompanysPhonesAndPicksOne) {
    addPhone(1, kCompany, QStringLiteral("Sales"), QStringLiteral("6145550001"));
    addPhone(2, kOtherCompany, QStringLiteral("Other"), QStringLiteral("6145550002"));
    addPhone(3, kCompany, QStringLiteral("Billing"), QStringLiteral("6145550003"));
    engine::setGlobalRequest(Request::SelectRecord);
    Response answer = Response::None;
    BrowseWindow *w =
        companies::gui::openCompanyPhoneList(&m_caller, [&] { answer = engine::globalResponse(); });
    settle();
    EXPECT_EQ(w->windowTitle(), QStringLiteral("Acme Tools 7 Phone Numbers"));
    ASSERT_EQ(w->engine().rowCount(), 2);
    EXPECT_EQ(w->engine().row(1).texts.at(0), QStringLiteral("Billing"));
    EXPECT_EQ(w->engine().row(2).texts.at(2), QStringLiteral("(614) 555-0001"));
    EXPECT_TRUE(w->button(ListAction::Select)->isVisible());
    EXPECT_EQ(w->engine().contextMenuText(), QStringLiteral("&Insert|&Change|&Delete|-|&Select"));
    QTest::keyClick(w->listControl(), Qt::Key_Down);
    QTest::keyClick(w->listControl(), Qt::Key_Return);
    settle();
    EXPECT_EQ(answer, Response::RequestCompleted);
    EXPECT_EQ(m_fon->record().value(QStringLiteral("CTRL_NBR")).toLongLong(), 1);
}

TEST_F(CompanyPhonesAndNotes, AnEmptyPhonesListOffersOnlyInsertWhichAddsToTheCompany) {
    engine::setGlobalRequest(Request::None);
    BrowseWindow *w = companies::gui::openCompanyPhoneList(&m_caller);
    settle();
    EXPECT_EQ(w->engine().rowCount(), 0);
    EXPECT_FALSE(w->button(ListAction::Select)->isVisible());
    EXPECT_FALSE(w->button(ListAction::Change)->isEnabled());
    EXPECT_EQ(w->engine().contextMenuText(), QStringLiteral("&Insert|~&Change|~&Delete|-|~&Select"));

    QTest::keyClick(w->listControl(), Qt::Key_Insert);
    settle();
    auto *f = window<RecordFormWindow>(QStringLiteral("foncup"));
    ASSERT_NE(f, nullptr);
    typeAndLeave(field(f, "numberEntry"), QStringLiteral("5550199"));
    click(f, "okButton");
    ASSERT_EQ(w->engine().rowCount(), 1);
    EXPECT_EQ(w->engine().row(1).texts.at(2), QStringLiteral("(614) 555-0199"));
    EXPECT_EQ(stored(m_fon, 1).value(QStringLiteral("CMP_CTRL")).toLongLong(), kCompany);
    w->close();
}

TEST_F(CompanyPhonesAndNotes, ALetterFindsTheFirstPhoneOfItsDepartmentWhateverNameIsHighlighted) {
    addPhone(1, kCompany, QStringLiteral("B"), QStringLiteral("6145550001"));
    addPhone(2, kCompany, QStringLiteral("S"), QStringLiteral("6145550002"));
    addPhone(3, kCompany, QStringLiteral("S"), QStringLiteral("6145550003"));
    for (auto [ctrl, name] : {std::pair{1, "Zoe"}, std::pair{2, "Amy"}, std::pair{3, "Bob"}}) {
        readForChange(m_fon, ctrl);
        m_fon->record().setValue(QStringLiteral("NAME"), QString::fromLatin1(name));
        ASSERT_TRUE(m_fon->change().ok());
    }
    engine::setGlobalRequest(Request::None);
    BrowseWindow *w = companies::gui::openCompanyPhoneList(&m_caller);
    settle();
    QTest::keyClick(w->listControl(), Qt::Key_Home, Qt::ControlModifier);
    ASSERT_EQ(w->engine().row(w->engine().highlighted()).texts.at(1), QStringLiteral("Zoe"));
    QTest::keyClicks(w->listControl(), QStringLiteral("s"));
    EXPECT_EQ(w->engine().row(w->engine().highlighted()).texts.at(1), QStringLiteral("Amy"));
    w->close();
}

// --- Layout -----------------------------------------------------------------

TEST_F(CompanyPhonesAndNotes, EveryWindowIsWholeAtItsOpeningSizeAndAtTwiceIt) {
    addPhone(1, kCompany, QStringLiteral("Sales"), QStringLiteral("6145550001"));
    engine::setGlobalRequest(Request::SelectRecord);
    std::vector<QWidget *> windows{companies::gui::openCompanyPhoneList(&m_caller)};
    settle();
    QWidget phoneCaller, noteCaller;
    phoneCaller.show();
    noteCaller.show();
    engine::setGlobalRequest(Request::InsertRecord);
    windows.push_back(companies::gui::runCompanyPhoneForm(&phoneCaller, [] {}));
    engine::setGlobalRequest(Request::InsertRecord);
    windows.push_back(companies::gui::runCompanyNoteForm(&noteCaller, [] {}));
    settle();
    for (QWidget *w : windows) {
        ASSERT_NE(w, nullptr);
        const QSize opening = w->size();
        for (const QSize size : {opening, opening * 2}) {
            w->resize(size);
            settle();
            EXPECT_EQ(test::layoutProblems(w).join(QLatin1Char('\n')).toStdString(), "")
                << w->objectName().toStdString() << " at " << size.width() << "x" << size.height();
        }
    }
    for (int i : {1, 2}) {
        m_messages.answer(33, No);
        windows[static_cast<size_t>(i)]->close();
        settle();
    }
}

} // namespace
