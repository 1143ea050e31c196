#include "engine/EngineTestSupport.h"

#include "engine/Globals.h"
#include "engine/gui/BrowseWindow.h"
#include "engine/gui/PageView.h"
#include "engine/gui/RecordFormWindow.h"
#include "host/gui/WindowOpeners.h"
#include "people/gui/CategoryWindows.h"
#include "store/MessageService.h"
#include "store/Store.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTabWidget>
#include <QTest>
#include <memory>

using namespace tabulo;
using engine::Request;
using engine::Response;
using engine::gui::BrowseWindow;
using engine::gui::RecordFormWindow;
using store::Button::Cancel;
using store::Button::No;
using store::Button::Ok;

namespace {

class CategoryWindows : public test::StoreFixture {
protected:
    void SetUp() override {
        StoreFixture::SetUp();
        m_cat = &store::Store::instance().use(QStringLiteral("QKcat"));
    }
    void TearDown() override {
        store::Store::instance().release(QStringLiteral("QKcat"));
        StoreFixture::TearDown();
    }

    qint64 addCategory(const QString &name) {
        store::Record &r = m_cat->record();
        r.clear();
        r.setValue(QStringLiteral("CTRL_NBR"), ++m_lastNumber);
        r.setValue(QStringLiteral("CATEGORY"), name);
        EXPECT_TRUE(m_cat->insert().ok()) << name.toStdString();
        return m_lastNumber;
    }

    void addNumbered(int count) {
        for (int i = 1; i <= count; ++i)
            addCategory(QStringLiteral("Cat %1").arg(i, 2, 10, QLatin1Char('0')));
    }

    QStringList storedNames() {
        QStringList names;
        store::Cursor c(*m_cat);
        c.setOrder(m_cat->def().key(QStringLiteral("CAT_KEY")));
        c.toStart();
        while (c.next().ok())
            names << m_cat->record().text(1);
        return names;
    }

    BrowseWindow *browse() {
        engine::setGlobalRequest(Request::None);
        BrowseWindow *w = people::gui::openCategoryList();
        settle();
        return w;
    }

    static QString highlightedText(BrowseWindow *w) {
        return w->engine().row(w->engine().highlighted()).texts.at(0);
    }

    static void key(BrowseWindow *w, Qt::Key k, Qt::KeyboardModifiers m = Qt::NoModifier) {
        QTest::keyClick(w->listControl(), k, m);
    }

    RecordFormWindow *form() { return window<RecordFormWindow>(QStringLiteral("catup")); }

    store::Table *m_cat = nullptr;
    qint64 m_lastNumber = 0;
};

TEST_F(CategoryWindows, FewerRowsThanAPageShowAllWithoutScrollBar) {
    addNumbered(4);
    BrowseWindow *w = browse();
    EXPECT_EQ(w->windowTitle(), QStringLiteral("Names Categories"));
    EXPECT_EQ(w->engine().pageSize(), 10);
    EXPECT_EQ(w->listControl()->rowCount(), 4);
    EXPECT_FALSE(w->thumbBar()->isVisible());
    EXPECT_EQ(w->engine().thumb(), 0);
    EXPECT_EQ(w->engine().highlighted(), 1);

    key(w, Qt::Key_PageDown);
    EXPECT_EQ(w->engine().highlighted(), 4);
    EXPECT_EQ(w->listControl()->currentRow(), 3);
    EXPECT_EQ(highlightedText(w), QStringLiteral("Cat 04"));
    // Nothing new was read: up from the first record keeps the page.
    key(w, Qt::Key_Home, Qt::ControlModifier);
    key(w, Qt::Key_Up);
    EXPECT_EQ(w->engine().highlighted(), 1);
    EXPECT_EQ(w->engine().thumb(), 0);
    EXPECT_EQ(w->listControl()->rowCount(), 4);
    w->close();
}

TEST_F(CategoryWindows, ButtonsSitOnTheGeneralTabWithTheStatusTexts) {
    addNumbered(2);
    BrowseWindow *w = browse();
    auto *tabs = w->findChild<QTabWidget *>(QStringLiteral("buttonTabs"));
    ASSERT_NE(tabs, nullptr);
    ASSERT_EQ(tabs->count(), 1);
    EXPECT_EQ(tabs->tabText(0), QStringLiteral("General"));
    for (const char *name : {"insertButton", "changeButton", "deleteButton", "selectButton", "closeButton"})
        EXPECT_TRUE(tabs->widget(0)->isAncestorOf(w->findChild<QPushButton *>(QLatin1String(name)))) << name;
    EXPECT_EQ(w->findChild<QPushButton *>(QStringLiteral("changeButton"))->text(), QStringLiteral("&Edit"));
    EXPECT_EQ(w->statusTip(), QStringLiteral("Select or update Category"));
    ASSERT_NE(w->statusLine(), nullptr);
    EXPECT_TRUE(w->statusLine()->text().contains(QStringLiteral("Browsing Records")));
    w->close();
}

TEST_F(CategoryWindows, PagingDownNearTheEndMovesByWhatIsLeft) {
    addNumbered(23);
    BrowseWindow *w = browse();
    EXPECT_EQ(w->listControl()->rowCount(), 10);
    EXPECT_TRUE(w->thumbBar()->isVisible());

    key(w, Qt::Key_PageDown);
    EXPECT_EQ(w->engine().row(1).texts.at(0), QStringLiteral("Cat 11"));
    EXPECT_EQ(w->engine().highlighted(), 1);
    EXPECT_EQ(w->engine().thumb(), 50);

    key(w, Qt::Key_PageDown); // only 3 records follow
    EXPECT_EQ(w->engine().row(1).texts.at(0), QStringLiteral("Cat 14"));
    EXPECT_EQ(w->engine().row(10).texts.at(0), QStringLiteral("Cat 23"));
    EXPECT_EQ(w->engine().highlighted(), 8);
    EXPECT_EQ(highlightedText(w), QStringLiteral("Cat 21"));
    EXPECT_EQ(w->engine().thumb(), 100);
    EXPECT_EQ(w->thumbBar()->value(), 100);

    key(w, Qt::Key_PageDown); // at the end: highlight to the last row, never past it
    EXPECT_EQ(w->engine().highlighted(), 10);
    EXPECT_EQ(w->engine().row(1).texts.at(0), QStringLiteral("Cat 14"));

    key(w, Qt::Key_Down); // one row down at the very end reads nothing
    EXPECT_EQ(highlightedText(w), QStringLiteral("Cat 23"));

    key(w, Qt::Key_Home, Qt::ControlModifier);
    EXPECT_EQ(w->engine().row(1).texts.at(0), QStringLiteral("Cat 01"));
    EXPECT_EQ(w->engine().thumb(), 0);
    key(w, Qt::Key_End, Qt::ControlModifier);
    EXPECT_EQ(highlightedText(w), QStringLiteral("Cat 23"));
    EXPECT_EQ(w->engine().highlighted(), 10);

    // Row steps shift the page by one record at the boundary.
    key(w, Qt::Key_Home, Qt::ControlModifier);
    for (int i = 0; i < 10; ++i)
        key(w, Qt::Key_Down);
    EXPECT_EQ(w->engine().row(1).texts.at(0), QStringLiteral("Cat 02"));
    EXPECT_EQ(highlightedText(w), QStringLiteral("Cat 11"));
    EXPECT_EQ(w->engine().highlighted(), 10);

    // The scroll bar drives the same scrolling.
    w->thumbBar()->triggerAction(QAbstractSlider::SliderToMaximum);
    EXPECT_EQ(highlightedText(w), QStringLiteral("Cat 23"));
    EXPECT_EQ(w->thumbBar()->value(), 100);
    w->thumbBar()->triggerAction(QAbstractSlider::SliderPageStepSub);
    EXPECT_EQ(w->engine().row(1).texts.at(0), QStringLiteral("Cat 04"));
    EXPECT_EQ(w->thumbBar()->value(), 50);
    w->close();
}

TEST_F(CategoryWindows, TypingALetterStepsThroughItsRecordsAndWraps) {
    for (const char *n : {"Alpha", "Apple", "Bravo", "beta", "Bison", "Charlie", "Delta"})
        addCategory(QString::fromLatin1(n));
    BrowseWindow *w = browse();
    EXPECT_EQ(highlightedText(w), QStringLiteral("Alpha"));
    QTest::keyClicks(w->listControl(), QStringLiteral("b"));
    EXPECT_EQ(highlightedText(w), QStringLiteral("beta"));
    QTest::keyClicks(w->listControl(), QStringLiteral("B"));
    EXPECT_EQ(highlightedText(w), QStringLiteral("Bison"));
    QTest::keyClicks(w->listControl(), QStringLiteral("b"));
    EXPECT_EQ(highlightedText(w), QStringLiteral("Bravo"));
    QTest::keyClicks(w->listControl(), QStringLiteral("b"));
    EXPECT_EQ(highlightedText(w), QStringLiteral("beta"));
    // A letter no record starts with brings up the next record after it.
    QTest::keyClicks(w->listControl(), QStringLiteral("c"));
    EXPECT_EQ(highlightedText(w), QStringLiteral("Charlie"));
    // The last record of the table starting with the letter stays put.
    QTest::keyClicks(w->listControl(), QStringLiteral("d"));
    EXPECT_EQ(highlightedText(w), QStringLiteral("Delta"));
    QTest::keyClicks(w->listControl(), QStringLiteral("d"));
    EXPECT_EQ(highlightedText(w), QStringLiteral("Delta"));
    // Past every record: the last page, its last row.
    QTest::keyClicks(w->listControl(), QStringLiteral("z"));
    EXPECT_EQ(highlightedText(w), QStringLiteral("Delta"));
    w->close();
}

TEST_F(CategoryWindows, InsertThenCancelLeavesNothingBehind) {
    addCategory(QStringLiteral("Family"));
    addCategory(QStringLiteral("Work"));
    BrowseWindow *w = browse();
    key(w, Qt::Key_Down);
    ASSERT_EQ(highlightedText(w), QStringLiteral("Work"));

    QTest::mouseClick(w->button(engine::ListAction::Insert), Qt::LeftButton);
    settle();
    RecordFormWindow *f = form();
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->windowTitle(), QStringLiteral("Categories Database Update Table"));
    EXPECT_EQ(f->actionLabel()->text(), QStringLiteral("Record will be Added"));
    EXPECT_EQ(f->windowModality(), Qt::WindowModal);
    EXPECT_EQ(f->parentWidget(), w);
    // The new record is numbered and stored at once.
    EXPECT_EQ(m_cat->records(), 3);
    EXPECT_EQ(f->engine().table().record().integer(0), 3);

    m_messages.answer(33, No);
    QTest::mouseClick(f->findChild<QPushButton *>(QStringLiteral("cancelButton")), Qt::LeftButton);
    settle();
    ASSERT_EQ(m_messages.shownNumbers(), std::vector<int>{33});
    EXPECT_EQ(m_messages.last().text, QStringLiteral("Do you want to save the changes to this record?"));
    EXPECT_EQ(form(), nullptr);
    EXPECT_EQ(m_cat->records(), 2);
    EXPECT_EQ(engine::globalResponse(), Response::RequestCancelled);
    // The same record stays highlighted in the refilled page.
    EXPECT_EQ(w->listControl()->rowCount(), 2);
    EXPECT_EQ(highlightedText(w), QStringLiteral("Work"));
    w->close();
}

TEST_F(CategoryWindows, InsertedRecordIsHighlightedAndAnswerSaveOnCloseSaves) {
    addNumbered(15);
    BrowseWindow *w = browse();
    key(w, Qt::Key_Insert);
    settle();
    RecordFormWindow *f = form();
    ASSERT_NE(f, nullptr);
    f->entry(0)->setText(QStringLiteral("Cat 05a"));
    // Closing the window with an edit asks; Yes saves as OK would.
    m_messages.answer(33, store::Button::Yes);
    f->close();
    settle();
    EXPECT_EQ(form(), nullptr);
    EXPECT_EQ(engine::globalResponse(), Response::RequestCompleted);
    EXPECT_EQ(m_cat->records(), 16);
    EXPECT_EQ(w->engine().row(1).texts.at(0), QStringLiteral("Cat 05a"));
    EXPECT_EQ(highlightedText(w), QStringLiteral("Cat 05a"));
    w->close();
}

TEST_F(CategoryWindows, ChangeWithNothingChangedWritesNothing) {
    addCategory(QStringLiteral("Family"));
    BrowseWindow *w = browse();
    key(w, Qt::Key_Return, Qt::ControlModifier);
    settle();
    RecordFormWindow *f = form();
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->actionLabel()->text(), QStringLiteral("Record will be Changed"));
    EXPECT_EQ(f->entry(0)->text(), QStringLiteral("Family"));

    // Another station renames it meanwhile: a write would now be refused as
    // a conflict, so a quiet close proves nothing was written.
    store::Table other(m_cat->def(), m_dir.path());
    ASSERT_TRUE(other.open().ok());
    other.record().setValue(QStringLiteral("CTRL_NBR"), 1);
    ASSERT_TRUE(other.fetch(*other.def().key(QStringLiteral("CTRL_KEY"))).ok());
    other.record().setValue(QStringLiteral("CATEGORY"), QStringLiteral("Kin"));
    ASSERT_TRUE(other.change().ok());

    QTest::mouseClick(f->findChild<QPushButton *>(QStringLiteral("okButton")), Qt::LeftButton);
    settle();
    EXPECT_TRUE(m_messages.shownNumbers().empty());
    EXPECT_EQ(form(), nullptr);
    EXPECT_EQ(engine::globalResponse(), Response::RequestCompleted);
    EXPECT_EQ(storedNames(), QStringList{QStringLiteral("Kin")});
    other.close();
    w->close();
}

TEST_F(CategoryWindows, ChangeInVariantAReportsAConflictAndShowsTheOtherStationsValue) {
    addCategory(QStringLiteral("Family"));
    BrowseWindow *w = browse();
    QTest::mouseClick(w->button(engine::ListAction::Change), Qt::LeftButton);
    settle();
    RecordFormWindow *f = form();
    ASSERT_NE(f, nullptr);
    store::Table other(m_cat->def(), m_dir.path());
    ASSERT_TRUE(other.open().ok());
    other.record().setValue(QStringLiteral("CTRL_NBR"), 1);
    ASSERT_TRUE(other.fetch(*other.def().key(QStringLiteral("CTRL_KEY"))).ok());
    other.record().setValue(QStringLiteral("CATEGORY"), QStringLiteral("Kin"));
    ASSERT_TRUE(other.change().ok());

    f->entry(0)->setText(QStringLiteral("Relatives"));
    m_messages.answer(15, Ok);
    QTest::mouseClick(f->findChild<QPushButton *>(QStringLiteral("okButton")), Qt::LeftButton);
    settle();
    EXPECT_EQ(m_messages.last().text, QStringLiteral("This record was changed by another station."));
    ASSERT_EQ(form(), f);
    EXPECT_EQ(f->entry(0)->text(), QStringLiteral("Kin"));
    // The second attempt is guarded again and goes through.
    f->entry(0)->setText(QStringLiteral("Relatives"));
    QTest::mouseClick(f->findChild<QPushButton *>(QStringLiteral("okButton")), Qt::LeftButton);
    settle();
    EXPECT_EQ(form(), nullptr);
    EXPECT_EQ(storedNames(), QStringList{QStringLiteral("Relatives")});
    EXPECT_EQ(highlightedText(w), QStringLiteral("Relatives"));
    other.close();
    w->close();
}

TEST_F(CategoryWindows, DuplicateCategoryNameIsRefusedWithTheKeyName) {
    addCategory(QStringLiteral("Family"));
    BrowseWindow *w = browse();
    key(w, Qt::Key_Insert);
    settle();
    RecordFormWindow *f = form();
    ASSERT_NE(f, nullptr);
    f->entry(0)->setText(QStringLiteral("FAMILY"));
    m_messages.answer(24, Ok);
    QTest::mouseClick(f->findChild<QPushButton *>(QStringLiteral("okButton")), Qt::LeftButton);
    settle();
    ASSERT_EQ(m_messages.shownNumbers(), std::vector<int>{24});
    EXPECT_EQ(m_messages.last().title, QStringLiteral("Duplicate Key Error"));
    EXPECT_EQ(m_messages.last().text,
              QStringLiteral("Adding this record creates a duplicate entry for the key:CAT:cat_key"));
    EXPECT_EQ(form(), f);

    m_messages.answer(33, No);
    QTest::mouseClick(f->findChild<QPushButton *>(QStringLiteral("cancelButton")), Qt::LeftButton);
    settle();
    EXPECT_EQ(storedNames(), QStringList{QStringLiteral("Family")});
    w->close();
}

TEST_F(CategoryWindows, DeleteAsksAndTheNextRecordIsHighlighted) {
    for (const char *n : {"Alpha", "Beta", "Gamma"})
        addCategory(QString::fromLatin1(n));
    BrowseWindow *w = browse();
    key(w, Qt::Key_Down);
    m_messages.answer(32, Cancel);
    key(w, Qt::Key_Delete);
    settle();
    EXPECT_EQ(storedNames().size(), 3);
    EXPECT_EQ(highlightedText(w), QStringLiteral("Beta"));

    m_messages.answer(32, Ok);
    key(w, Qt::Key_Delete);
    settle();
    EXPECT_EQ(storedNames(), (QStringList{QStringLiteral("Alpha"), QStringLiteral("Gamma")}));
    EXPECT_EQ(highlightedText(w), QStringLiteral("Gamma"));
    // Deleting the last record highlights the new last one.
    m_messages.answer(32, Ok);
    key(w, Qt::Key_Delete);
    settle();
    EXPECT_EQ(highlightedText(w), QStringLiteral("Alpha"));
    m_messages.answer(32, Ok);
    key(w, Qt::Key_Delete);
    settle();
    EXPECT_EQ(w->listControl()->rowCount(), 0);
    EXPECT_FALSE(w->button(engine::ListAction::Change)->isEnabled());
    EXPECT_FALSE(w->button(engine::ListAction::Delete)->isEnabled());
    EXPECT_EQ(w->engine().contextMenuText(), QStringLiteral("&Insert|~&Edit|~&Delete|-|~&Select"));
    w->close();
}

TEST_F(CategoryWindows, TheSystemCategoryCannotBeDeleted) {
    addCategory(QStringLiteral("Just Numbers"));
    BrowseWindow *w = browse();
    m_messages.answer(Ok);
    key(w, Qt::Key_Delete);
    settle();
    ASSERT_EQ(m_messages.shown().size(), 1u);
    EXPECT_EQ(m_messages.last().title, QStringLiteral("System Category"));
    EXPECT_EQ(m_messages.last().text, QStringLiteral("This is a system category, , it can't be deleted."));
    EXPECT_EQ(storedNames(), QStringList{QStringLiteral("Just Numbers")});
    w->close();
}

TEST_F(CategoryWindows, PickerOpensOnTheCallersRecordAndSetsTheCurrentCategory) {
    for (int i = 0; i < 30; ++i)
        addCategory(QStringLiteral("Group %1").arg(i, 2, 10, QLatin1Char('0')));
    QWidget caller;
    caller.setObjectName(QStringLiteral("caller"));
    caller.show();
    m_cat->record().clear();
    m_cat->record().setValue(QStringLiteral("CATEGORY"), QStringLiteral("Group 17"));
    engine::setGlobalRequest(Request::SelectRecord);
    int answers = 0;
    Response answer = Response::None;
    BrowseWindow *w = people::gui::openCategoryList(&caller, [&] {
        ++answers;
        answer = engine::globalResponse();
    });
    settle();
    EXPECT_EQ(engine::globalRequest(), Request::None);
    EXPECT_EQ(w->windowModality(), Qt::WindowModal);
    EXPECT_EQ(highlightedText(w), QStringLiteral("Group 17"));
    EXPECT_TRUE(w->button(engine::ListAction::Select)->isEnabled());
    EXPECT_EQ(w->engine().contextMenuText(), QStringLiteral("&Insert|&Edit|&Delete|-|&Select"));

    key(w, Qt::Key_Down);
    key(w, Qt::Key_Return); // Enter is Select in a picker
    settle();
    EXPECT_EQ(answers, 1);
    EXPECT_EQ(answer, Response::RequestCompleted);
    EXPECT_EQ(engine::currentCategory(), 19);
    EXPECT_EQ(engine::currentCategoryName(), QStringLiteral("Group 18"));
    EXPECT_EQ(m_cat->record().text(1), QStringLiteral("Group 18"));
}

TEST_F(CategoryWindows, ClosingThePickerAnswersCancelledAndKeepsTheCategory) {
    addCategory(QStringLiteral("Family"));
    engine::setCurrentCategory(0, {});
    QWidget caller;
    caller.show();
    engine::setGlobalRequest(Request::SelectRecord);
    Response answer = Response::None;
    BrowseWindow *w = people::gui::openCategoryList(&caller, [&] { answer = engine::globalResponse(); });
    settle();
    w->close();
    settle();
    EXPECT_EQ(answer, Response::RequestCancelled);
    EXPECT_EQ(engine::currentCategoryName(), QStringLiteral("All"));
    EXPECT_EQ(engine::currentCategory(), 0);
}

TEST_F(CategoryWindows, BrowsingHasNoUsableSelect) {
    addCategory(QStringLiteral("Family"));
    BrowseWindow *w = browse();
    EXPECT_FALSE(w->button(engine::ListAction::Select)->isEnabled());
    EXPECT_EQ(w->engine().contextMenuText(), QStringLiteral("&Insert|&Edit|&Delete|-|~&Select"));
    w->engine().perform(engine::ListAction::Select);
    settle();
    EXPECT_TRUE(w->isVisible());
    w->close();
}

TEST_F(CategoryWindows, TheFrameCommandOpensTheListForBrowsing) {
    addCategory(QStringLiteral("Family"));
    host::gui::WindowOpeners openers;
    people::gui::registerOpeners(openers);
    engine::setGlobalRequest(Request::SelectRecord); // whatever was left: the frame opens to browse
    ASSERT_TRUE(openers.open(host::gui::FrameCommand::NameCategories, {}));
    settle();
    auto *w = window<BrowseWindow>(QStringLiteral("catls"));
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->windowModality(), Qt::NonModal);
    EXPECT_FALSE(w->button(engine::ListAction::Select)->isEnabled());
    EXPECT_EQ(highlightedText(w), QStringLiteral("Family"));
    w->close();
}

// Two forms over two windows: each blocks only its own caller, they close in
// either order, each caller resumes as its form ends, and neither form writes
// the other's record.
TEST_F(CategoryWindows, TwoFormsOverTwoWindowsCloseInEitherOrder) {
    addCategory(QStringLiteral("Alpha"));
    addCategory(QStringLiteral("Beta"));
    const store::KeyDef &ctrlKey = *m_cat->def().key(QStringLiteral("CTRL_KEY"));
    for (int order = 0; order < 2; ++order) {
        QWidget first, second;
        first.show();
        second.show();
        std::vector<int> resumed;
        auto openOver = [&](QWidget *caller, qint64 number, int tag) {
            m_cat->record().clear();
            m_cat->record().setValue(QStringLiteral("CTRL_NBR"), number);
            m_cat->watch();
            EXPECT_TRUE(m_cat->fetch(ctrlKey).ok());
            engine::setGlobalRequest(Request::ChangeRecord);
            return people::gui::runCategoryForm(caller, [&resumed, tag] { resumed.push_back(tag); });
        };
        const QStringList before = storedNames();
        RecordFormWindow *f1 = openOver(&first, 1, 1);
        RecordFormWindow *f2 = openOver(&second, 2, 2);
        settle();
        ASSERT_TRUE(f1 && f2);
        EXPECT_TRUE(f1->isVisible() && f2->isVisible());
        EXPECT_EQ(f1->windowModality(), Qt::WindowModal);
        EXPECT_EQ(f1->parentWidget(), &first);
        EXPECT_EQ(f2->parentWidget(), &second);
        EXPECT_EQ(f1->entry(0)->text(), before.value(0));
        EXPECT_EQ(f2->entry(0)->text(), before.value(1));
        f1->entry(0)->setText(QStringLiteral("Alpha %1").arg(order));
        f2->entry(0)->setText(QStringLiteral("Beta %1").arg(order));

        RecordFormWindow *firstToClose = order == 0 ? f1 : f2;
        RecordFormWindow *secondToClose = order == 0 ? f2 : f1;
        QTest::mouseClick(firstToClose->findChild<QPushButton *>(QStringLiteral("okButton")), Qt::LeftButton);
        settle();
        ASSERT_EQ(resumed.size(), 1u);
        EXPECT_EQ(resumed[0], order == 0 ? 1 : 2);
        EXPECT_EQ(engine::globalResponse(), Response::RequestCompleted);
        EXPECT_TRUE(secondToClose->isVisible());

        m_messages.answer(33, store::Button::Yes); // closing with edits: save them
        secondToClose->close();
        settle();
        ASSERT_EQ(resumed.size(), 2u);
        EXPECT_EQ(resumed[1], order == 0 ? 2 : 1);
        EXPECT_EQ(engine::globalResponse(), Response::RequestCompleted);
        EXPECT_EQ(storedNames(),
                  (QStringList{QStringLiteral("Alpha %1").arg(order), QStringLiteral("Beta %1").arg(order)}));
    }
}

} // namespace
