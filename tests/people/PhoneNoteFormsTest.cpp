#include "host/gui/PhoneNoteForms.h"
#include "base/Clock.h"
#include "base/DateOps.h"
#include "engine/UpdateForm.h"
#include "engine/gui/RecordFormWindow.h"
#include "store/Store.h"
#include "support/CaseName.h"
#include "support/FormFixtures.h"
#include "support/WindowTour.h"

#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>

using namespace tabulo;
using engine::Request;
using engine::Response;
using engine::gui::RecordFormWindow;
using host::gui::kPhoneEntryErrorText;
using host::gui::kPhoneEntryErrorTitle;
using store::Button::No;
using store::Button::Ok;

namespace {

const int kToday = dates::dateFromMdy(3, 14, 2026);
const int kLastYear = dates::dateFromMdy(6, 1, 2025);
constexpr qint64 kPerson = 42;

class PhoneNoteForms : public test::PhoneNoteFixture {
protected:
    PhoneNoteForms()
        : PhoneNoteFixture("QKnam") {}

    void SetUp() override {
        PhoneNoteFixture::SetUp();
        m_nam = m_owner;
        // The person the names list has highlighted.
        m_nam->record().clear();
        m_nam->record().setValue(QStringLiteral("CTRL_NBR"), kPerson);
    }

    void addPhone(qint64 ctrl, const QString &number, const QString &area) {
        store::Record &r = m_fon->record();
        r.clear();
        r.setValue(QStringLiteral("CTRL_NBR"), ctrl);
        r.setValue(QStringLiteral("LOCATION"), QStringLiteral("Home"));
        r.setValue(QStringLiteral("NUMBER"), number);
        r.setValue(QStringLiteral("AREA"), area);
        r.setValue(QStringLiteral("NAM_CTRL"), kPerson);
        ASSERT_TRUE(m_fon->insert().ok());
    }

    void addNote(qint64 ctrl, const QString &memo) {
        store::Record &r = m_mem->record();
        r.clear();
        r.setValue(QStringLiteral("CTRL_NBR"), ctrl);
        r.setValue(QStringLiteral("NAM_CTRL"), kPerson);
        r.setValue(QStringLiteral("DATE"), kLastYear);
        r.setValue(QStringLiteral("UPDATE"), kLastYear);
        r.setMemo(memo);
        ASSERT_TRUE(m_mem->insert().ok());
    }

    store::Table *m_nam = nullptr;
};

// --- How each form presents itself --------------------------------------

struct Layout {
    const char *name;
    test::FormRunner run;
    QString title;
    bool actionMessage;
    QStringList tabs;
    std::vector<std::pair<const char *, QString>> prompts; // object name, prompt
};

TEST_F(PhoneNoteForms, EachFormShowsItsTitleTabsAndPrompts) {
    const std::vector<Layout> layouts = {
        {"name phone",
         &host::gui::runNamePhoneForm,
         QStringLiteral("Update Phone Record"),
         true,
         {QStringLiteral("General")},
         {{"locationEntry", QStringLiteral("&Location:")},
          {"nameEntry", QStringLiteral("Additional")},
          {"numberEntry", QStringLiteral("&Number:")},
          {"areaEntry", QStringLiteral("Area Code:")},
          {"extEntry", QStringLiteral("Ext:")}}},
        {"name note",
         &host::gui::runNameNoteForm,
         QStringLiteral("Name Notes Database Update Form"),
         true,
         {QStringLiteral("General")},
         {{"createdEntry", QStringLiteral("Created:")},
          {"updatedEntry", QStringLiteral("Updated:")},
          {"numberEntry", QStringLiteral("Number:")}}},
        {"shared phone",
         &host::gui::runSharedPhoneForm,
         QStringLiteral("Adding a QKfon Record"),
         false,
         {QStringLiteral("General")},
         {{"locationEntry", QStringLiteral("&Location:")},
          {"nameEntry", QStringLiteral("Name:")},
          {"numberEntry", QStringLiteral("&Number:")},
          {"areaEntry", QStringLiteral("Area:")},
          {"extEntry", QStringLiteral("Ext:")},
          {"justPhonesByteEntry", QStringLiteral("Just Phones Byte:")},
          {"justPhonesNameEntry", QStringLiteral("Just Phones Name:")}}},
        {"shared note",
         &host::gui::runSharedNoteForm,
         QStringLiteral("Adding a QKmem Record"),
         false,
         {QStringLiteral("General"), QStringLiteral("Memo")},
         {{"dateEntry", QStringLiteral("&Date:")},
          {"updateEntry", QStringLiteral("U&pdate:")},
          {"orderEntry", QStringLiteral("&Order:")},
          {"memoBox", QStringLiteral("&Memo:")}}},
    };
    for (const Layout &l : layouts) {
        SCOPED_TRACE(l.name);
        RecordFormWindow *f = open(l.run, Request::InsertRecord);
        ASSERT_NE(f, nullptr);
        EXPECT_EQ(f->windowTitle(), l.title);
        EXPECT_EQ(f->actionLabel() != nullptr, l.actionMessage);
        QStringList tabs;
        for (int i = 0; i < f->sheet()->count(); ++i)
            tabs << f->sheet()->tabText(i);
        EXPECT_EQ(tabs, l.tabs);
        for (const auto &[object, prompt] : l.prompts) {
            QWidget *control = f->findChild<QWidget *>(QString::fromLatin1(object));
            ASSERT_NE(control, nullptr) << object;
            QString found;
            for (QLabel *label : f->findChildren<QLabel *>()) {
                if (label->buddy() == control)
                    found = label->text();
            }
            EXPECT_EQ(found, prompt) << object;
        }
        // Variant B has a Help button that never shows.
        auto *help = f->findChild<QPushButton *>(QStringLiteral("helpButton"));
        EXPECT_EQ(help != nullptr, !l.actionMessage);
        if (help) {
            EXPECT_FALSE(help->isVisible());
        }
        if (l.actionMessage)
            m_messages.answer(33, No);
        click(f, "cancelButton");
        EXPECT_EQ(m_answer, Response::RequestCancelled);
    }
    EXPECT_EQ(m_fon->records(), 0);
    EXPECT_EQ(m_mem->records(), 0);
}

// --- The name phone form's number --------------------------------------

struct AddCase {
    QString typed;
    bool refused;
    QString number; // as stored
    QString shown;  // in the number entry afterwards
};

void PrintTo(const AddCase &c, std::ostream *os) {
    *os << '"' << c.typed.toStdString() << '"';
}

class NamePhoneAdding : public PhoneNoteForms, public ::testing::WithParamInterface<AddCase> {};

TEST_P(NamePhoneAdding, LeavingTheNumberCompletesOrRefusesIt) {
    const AddCase &c = GetParam();
    RecordFormWindow *f = open(&host::gui::runNamePhoneForm, Request::InsertRecord);
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->engine().table().record().value(QStringLiteral("NAM_CTRL")).toLongLong(), kPerson);
    QLineEdit *number = field(f, "numberEntry");
    EXPECT_TRUE(number->property("required").toBool());
    field(f, "locationEntry")->setText(QStringLiteral("Work"));

    if (c.refused)
        m_messages.answer(Ok);
    typeAndLeave(number, c.typed);
    if (c.refused) {
        ASSERT_EQ(m_messages.shown().size(), 1u);
        EXPECT_EQ(m_messages.last().title, host::gui::kPhoneEntryErrorTitle);
        EXPECT_EQ(m_messages.last().text, host::gui::kPhoneEntryErrorText);
        EXPECT_EQ(QApplication::focusWidget(), number);
        // Cancelling is always possible and leaves nothing behind.
        m_messages.answer(33, No);
        click(f, "cancelButton");
        EXPECT_EQ(m_answer, Response::RequestCancelled);
        EXPECT_EQ(m_fon->records(), 0);
        return;
    }
    EXPECT_TRUE(m_messages.shown().empty());
    EXPECT_EQ(number->text(), c.shown);
    EXPECT_EQ(field(f, "areaEntry")->text(), c.number.left(3));
    click(f, "okButton");
    EXPECT_EQ(m_answer, Response::RequestCompleted);
    const store::Record r = stored(m_fon, 1);
    EXPECT_EQ(r.value(QStringLiteral("NUMBER")).toString(), c.number);
    EXPECT_EQ(r.value(QStringLiteral("AREA")).toString(), c.number.left(3));
    EXPECT_EQ(r.value(QStringLiteral("NAM_CTRL")).toLongLong(), kPerson);
    EXPECT_EQ(r.value(QStringLiteral("LOCATION")).toString(), QStringLiteral("Work"));
}

INSTANTIATE_TEST_SUITE_P(
    DigitCounts, NamePhoneAdding,
    ::testing::Values(AddCase{QStringLiteral("555-1234"), false, QStringLiteral("6145551234"),
                              QStringLiteral("(614) 555-1234")},
                      AddCase{QStringLiteral("(212) 555-0100"), false, QStringLiteral("2125550100"),
                              QStringLiteral("(212) 555-0100")},
                      AddCase{QStringLiteral("614555123"), true, {}, {}},
                      AddCase{QStringLiteral("55512"), true, {}, {}}, AddCase{QString(), true, {}, {}}),
    [](const ::testing::TestParamInfo<AddCase> &info) {
        return info.param.typed.isEmpty() ? std::string("nothingTyped")
                                          : tabulo::test::caseName("typed " + info.param.typed.toStdString());
    });

TEST_F(PhoneNoteForms, OkChecksTheNumberOnceWhenTheUserClicksItFromTheNumber) {
    RecordFormWindow *f = open(&host::gui::runNamePhoneForm, Request::InsertRecord);
    ASSERT_NE(f, nullptr);
    QLineEdit *number = field(f, "numberEntry");
    number->setFocus();
    number->setText(QStringLiteral("61455512"));
    // The click takes the focus from the number: one check, one message.
    m_messages.answer(Ok);
    QTest::mouseClick(f->findChild<QPushButton *>(QStringLiteral("okButton")), Qt::LeftButton);
    settle();
    EXPECT_EQ(m_messages.shown().size(), 1u);
    EXPECT_EQ(QApplication::focusWidget(), number);
    EXPECT_EQ(m_answer, Response::None);
    // The digits the user typed are still there to be corrected.
    EXPECT_EQ(f->engine().table().record().value(QStringLiteral("NUMBER")).toString(),
              QStringLiteral("61455512"));

    number->setText(QStringLiteral("6145551234"));
    click(f, "okButton");
    EXPECT_EQ(m_answer, Response::RequestCompleted);
    EXPECT_EQ(stored(m_fon, 1).value(QStringLiteral("NUMBER")).toString(), QStringLiteral("6145551234"));
}

TEST_F(PhoneNoteForms, ChangingTheNumberMovesTheAreaCodeWithoutCountingDigits) {
    const std::vector<std::pair<QString, QString>> cases = {
        {QStringLiteral("2125551234"), QStringLiteral("212")},
        {QStringLiteral("31255512"), QStringLiteral("312")}, // 8 digits: no count check on a change
    };
    qint64 ctrl = 0;
    for (const auto &[typed, area] : cases) {
        SCOPED_TRACE(typed.toStdString());
        addPhone(++ctrl, QStringLiteral("6145550000"), QStringLiteral("614"));
        readForChange(m_fon, ctrl);
        RecordFormWindow *f = open(&host::gui::runNamePhoneForm, Request::ChangeRecord);
        ASSERT_NE(f, nullptr);
        EXPECT_EQ(f->actionLabel()->text(), QStringLiteral("Record will be Changed"));
        EXPECT_FALSE(field(f, "numberEntry")->property("required").toBool());
        typeAndLeave(field(f, "numberEntry"), typed);
        EXPECT_EQ(field(f, "areaEntry")->text(), area);
        click(f, "okButton");
        EXPECT_TRUE(m_messages.shown().empty());
        EXPECT_EQ(m_answer, Response::RequestCompleted);
        const store::Record r = stored(m_fon, ctrl);
        EXPECT_EQ(r.value(QStringLiteral("NUMBER")).toString(), typed);
        EXPECT_EQ(r.value(QStringLiteral("AREA")).toString(), area);
    }
}

TEST(PhoneNumberCheck, FollowsTheDigitCountOnlyWhileAdding) {
    struct Case {
        QString number, area;
        bool adding;
        QString local;
        bool refused;
        QString number2, area2;
    };
    const std::vector<Case> cases = {
        {QStringLiteral("5551234"),
         {},
         true,
         QStringLiteral("614"),
         false,
         QStringLiteral("6145551234"),
         QStringLiteral("614")},
        {QStringLiteral("2125551234"), QStringLiteral("614"), true, QStringLiteral("614"), false,
         QStringLiteral("2125551234"), QStringLiteral("212")},
        {QStringLiteral("12345678901"),
         {},
         true,
         QStringLiteral("614"),
         true,
         QStringLiteral("12345678901"),
         QStringLiteral("123")},
        {QStringLiteral("5551234"), QStringLiteral("614"), false, QStringLiteral("614"), false,
         QStringLiteral("5551234"), QStringLiteral("555")},
        {QStringLiteral("2125551234"), QStringLiteral("212"), false, QStringLiteral("614"), false,
         QStringLiteral("2125551234"), QStringLiteral("212")},
    };
    for (const Case &c : cases) {
        const host::gui::PhoneNumberCheck r =
            host::gui::checkPhoneNumber(c.number, c.area, c.adding, c.local);
        EXPECT_EQ(r.refused, c.refused) << c.number.toStdString();
        EXPECT_EQ(r.number, c.number2) << c.number.toStdString();
        EXPECT_EQ(r.area, c.area2) << c.number.toStdString();
    }
}

// --- The name note form ---------------------------------------------------

TEST_F(PhoneNoteForms, ANewNoteIsTheHighlightedPersonsDatedTodayAndCancellingRemovesIt) {
    addNote(1, QStringLiteral("Older note"));
    // A stale memo in the buffer does not carry into the new note.
    m_mem->record().setMemo(QStringLiteral("left behind"));
    RecordFormWindow *f = open(&host::gui::runNameNoteForm, Request::InsertRecord);
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->actionLabel()->text(), QStringLiteral("Record will be Added"));
    EXPECT_TRUE(f->memoBox()->toPlainText().isEmpty());
    EXPECT_EQ(field(f, "createdEntry")->text(), QStringLiteral("03/14/26"));
    EXPECT_TRUE(field(f, "updatedEntry")->text().isEmpty());
    const store::Record &r = f->engine().table().record();
    EXPECT_EQ(r.value(QStringLiteral("NAM_CTRL")).toLongLong(), kPerson);
    EXPECT_EQ(r.value(QStringLiteral("CTRL_NBR")).toLongLong(), 2);
    EXPECT_EQ(m_mem->records(), 2);

    m_messages.answer(33, No);
    click(f, "cancelButton");
    EXPECT_EQ(m_answer, Response::RequestCancelled);
    EXPECT_EQ(m_mem->records(), 1);
}

struct SaveCase {
    const char *name;
    QString memo;        // typed into the memo box; empty leaves it
    QString typedUpdate; // typed into "Updated:"; empty leaves it
    bool cursorHome;     // the cursor moved away from the end of the typed date
    int update;          // MEM:UPDATE stored afterwards
    QString storedMemo;
};

TEST_F(PhoneNoteForms, SavingAChangedNoteDatesItTodayUnlessADateWasJustTyped) {
    const int typed = dates::dateFromMdy(1, 15, 2026);
    const std::vector<SaveCase> cases = {
        {"memo only", QStringLiteral("Called back"), {}, false, kToday, QStringLiteral("Called back")},
        {"date typed", {}, QStringLiteral("01/15/26"), false, typed, QStringLiteral("Note")},
        {"date typed, cursor moved", {}, QStringLiteral("01/15/26"), true, kToday, QStringLiteral("Note")},
        {"nothing changed", {}, {}, false, kLastYear, QStringLiteral("Note")},
    };
    qint64 ctrl = 0;
    for (const SaveCase &c : cases) {
        SCOPED_TRACE(c.name);
        addNote(++ctrl, QStringLiteral("Note"));
        readForChange(m_mem, ctrl);
        RecordFormWindow *f = open(&host::gui::runNameNoteForm, Request::ChangeRecord);
        ASSERT_NE(f, nullptr);
        EXPECT_EQ(f->memoBox()->toPlainText(), QStringLiteral("Note"));
        if (!c.memo.isEmpty()) {
            f->memoBox()->setFocus();
            f->memoBox()->selectAll();
            QTest::keyClicks(f->memoBox(), c.memo);
        }
        if (!c.typedUpdate.isEmpty()) {
            QLineEdit *updated = field(f, "updatedEntry");
            updated->setFocus();
            updated->selectAll();
            QTest::keyClicks(updated, c.typedUpdate);
            if (c.cursorHome)
                QTest::keyClick(updated, Qt::Key_Home);
        }
        click(f, "okButton");
        EXPECT_EQ(m_answer, Response::RequestCompleted);
        const store::Record r = stored(m_mem, ctrl);
        EXPECT_EQ(r.value(QStringLiteral("UPDATE")).toInt(), c.update);
        EXPECT_EQ(r.memo(), c.storedMemo);
    }
}

TEST_F(PhoneNoteForms, AChangedMemoAloneMakesTheCloseCheckAsk) {
    addNote(1, QStringLiteral("Note"));
    readForChange(m_mem, 1);
    RecordFormWindow *f = open(&host::gui::runNameNoteForm, Request::ChangeRecord);
    ASSERT_NE(f, nullptr);
    f->memoBox()->setPlainText(QStringLiteral("Note, edited"));
    m_messages.answer(33, No);
    f->close();
    settle();
    EXPECT_EQ(m_messages.shownNumbers(), std::vector<int>{33});
    EXPECT_EQ(m_answer, Response::RequestCancelled);
    EXPECT_EQ(stored(m_mem, 1).memo(), QStringLiteral("Note"));
}

// --- The shared forms ------------------------------------------------------

TEST_F(PhoneNoteForms, SharedPhoneFormRecallsEveryFieldFromTheLastSavedPhone) {
    RecordFormWindow *f = open(&host::gui::runSharedPhoneForm, Request::InsertRecord);
    ASSERT_NE(f, nullptr);
    const std::vector<std::pair<const char *, QString>> values = {
        {"locationEntry", QStringLiteral("Cabin")},
        {"nameEntry", QStringLiteral("Pat")},
        {"numberEntry", QStringLiteral("(802) 555-0142")},
        {"areaEntry", QStringLiteral("802")},
        {"extEntry", QStringLiteral("12")},
        {"justPhonesByteEntry", QStringLiteral("100")},
        {"justPhonesNameEntry", QStringLiteral("Pat's cabin")},
    };
    for (const auto &[name, value] : values)
        field(f, name)->setText(value);
    click(f, "okButton");
    ASSERT_EQ(m_answer, Response::RequestCompleted);
    EXPECT_EQ(stored(m_fon, 1).value(QStringLiteral("NUMBER")).toString(), QStringLiteral("8025550142"));

    // The caller clears the buffer for an insert; the history stays.
    m_fon->record().clear();
    f = open(&host::gui::runSharedPhoneForm, Request::InsertRecord);
    ASSERT_NE(f, nullptr);
    for (const auto &[name, value] : values) {
        QLineEdit *e = field(f, name);
        EXPECT_NE(e->text(), value) << name;
        e->setFocus();
        QTest::keyClick(e, Qt::Key_Apostrophe, Qt::ControlModifier);
        EXPECT_EQ(e->text(), value) << name;
    }
    click(f, "cancelButton"); // variant B drops the insert without asking
    EXPECT_EQ(m_fon->records(), 1);
}

TEST_F(PhoneNoteForms, SharedNoteFormRecallsItsFieldsButNotTheMemo) {
    RecordFormWindow *f = open(&host::gui::runSharedNoteForm, Request::InsertRecord);
    ASSERT_NE(f, nullptr);
    field(f, "dateEntry")->setText(QStringLiteral("02/01/26"));
    field(f, "orderEntry")->setText(QStringLiteral("3"));
    f->memoBox()->setPlainText(QStringLiteral("First"));
    click(f, "okButton");
    ASSERT_EQ(m_answer, Response::RequestCompleted);

    m_mem->record().clear();
    f = open(&host::gui::runSharedNoteForm, Request::InsertRecord);
    ASSERT_NE(f, nullptr);
    QLineEdit *date = field(f, "dateEntry");
    date->setFocus();
    QTest::keyClick(date, Qt::Key_Apostrophe, Qt::ControlModifier);
    EXPECT_EQ(date->text(), QStringLiteral("02/01/26"));

    QPlainTextEdit *memo = f->memoBox();
    f->sheet()->setCurrentIndex(1);
    memo->setFocus();
    QTest::keyClicks(memo, QStringLiteral("Second"));
    QTest::keyClick(memo, Qt::Key_Apostrophe, Qt::ControlModifier);
    EXPECT_EQ(memo->toPlainText(), QStringLiteral("Second"));
    // Enter in the memo starts a new line; it does not press OK.
    QTest::keyClick(memo, Qt::Key_Return);
    QTest::keyClicks(memo, QStringLiteral("line"));
    settle();
    EXPECT_EQ(m_answer, Response::None);
    EXPECT_EQ(memo->toPlainText(), QStringLiteral("Second\nline"));
    click(f, "okButton");
    EXPECT_EQ(m_answer, Response::RequestCompleted);
    EXPECT_EQ(stored(m_mem, 2).memo(), QStringLiteral("Second\nline"));
}

TEST_F(PhoneNoteForms, ValuesTooBigForTheirFieldAreRefusedAndKept) {
    RecordFormWindow *f = open(&host::gui::runSharedNoteForm, Request::InsertRecord);
    ASSERT_NE(f, nullptr);
    const QString longMemo(2001, QLatin1Char('x'));
    f->memoBox()->setPlainText(longMemo);
    click(f, "okButton");
    EXPECT_EQ(m_answer, Response::None);
    EXPECT_EQ(f->memoBox()->toPlainText(), longMemo);
    EXPECT_FALSE(f->memoBox()->toolTip().isEmpty());

    f->memoBox()->setPlainText(longMemo.left(2000));
    field(f, "orderEntry")->setText(QStringLiteral("40000")); // past a 16-bit order
    m_messages.answer(10, Ok);
    click(f, "okButton");
    EXPECT_EQ(m_messages.last().text, QStringLiteral("The value of mem:order must be between 0 and 32767."));
    EXPECT_EQ(m_answer, Response::None);
    EXPECT_FALSE(field(f, "orderEntry")->toolTip().isEmpty());

    field(f, "orderEntry")->setText(QStringLiteral("32767"));
    click(f, "okButton");
    EXPECT_EQ(m_answer, Response::RequestCompleted);
    const store::Record r = stored(m_mem, 1);
    EXPECT_EQ(r.memo().size(), 2000);
    EXPECT_EQ(r.value(QStringLiteral("ORDER")).toLongLong(), 32767);
}

// Every tab page is laid out before the quick window fixes its controls'
// places, the ones not in front included, and follows a resize.
TEST_F(PhoneNoteForms, EveryPageOfTheSharedNoteFormIsWholeAtItsOpeningSizeAndAtTwiceIt) {
    RecordFormWindow *f = open(&host::gui::runSharedNoteForm, Request::InsertRecord);
    ASSERT_NE(f, nullptr);
    const QSize opening = f->size();
    const QSize memoAtOpening = f->memoBox()->size();
    EXPECT_GT(memoAtOpening.width(), 100);
    EXPECT_GT(memoAtOpening.height(), 50);
    for (const QSize size : {opening, opening * 2}) {
        f->resize(size);
        settle();
        for (int page = 0; page < f->sheet()->count(); ++page) {
            f->sheet()->setCurrentIndex(page);
            settle();
            EXPECT_EQ(test::layoutProblems(f).join(QLatin1Char('\n')).toStdString(), "")
                << f->sheet()->tabText(page).toStdString() << " at " << size.width() << "x" << size.height();
        }
    }
    EXPECT_GT(f->memoBox()->width(), memoAtOpening.width());
    EXPECT_GT(f->memoBox()->height(), memoAtOpening.height());
    click(f, "cancelButton");
}

} // namespace
