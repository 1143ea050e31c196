#include "engine/EngineTestSupport.h"

#include "engine/UpdateForm.h"
#include "engine/gui/RecordFormWindow.h"
#include "people/gui/CategoryWindows.h"
#include "store/Store.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTest>

using namespace tabulo;
using engine::Request;
using engine::Response;
using engine::gui::RecordFormWindow;

namespace {

class LinkForm : public test::StoreFixture {
protected:
    void SetUp() override {
        StoreFixture::SetUp();
        m_jnc = &store::Store::instance().use(QStringLiteral("QKjnc"));
    }
    void TearDown() override {
        store::Store::instance().release(QStringLiteral("QKjnc"));
        StoreFixture::TearDown();
    }

    void addLink(qint64 ctrl, const QString &lname, qint64 person, qint64 category) {
        store::Record &r = m_jnc->record();
        r.clear();
        r.setValue(QStringLiteral("CTRL_NBR"), ctrl);
        r.setValue(QStringLiteral("LNAME"), lname);
        r.setValue(QStringLiteral("NAM_CTRL"), person);
        r.setValue(QStringLiteral("CAT_CTRL"), category);
        ASSERT_TRUE(m_jnc->insert().ok());
    }

    // What a list leaves for a change: the whole record, read with a watch.
    void readForChange(qint64 ctrl) {
        m_jnc->record().clear();
        m_jnc->record().setValue(QStringLiteral("CTRL_NBR"), ctrl);
        m_jnc->watch();
        ASSERT_TRUE(m_jnc->fetch(*m_jnc->def().key(QStringLiteral("CTRL_KEY"))).ok());
    }

    store::Table *m_jnc = nullptr;
};

TEST_F(LinkForm, ConflictShowsTheOtherStationsValuesAndCtrlQuoteBringsTheUsersBack) {
    addLink(1, QStringLiteral("Smith"), 7, 0);
    QWidget caller;
    caller.show();
    readForChange(1);
    engine::setGlobalRequest(Request::ChangeRecord);
    Response answer = Response::None;
    RecordFormWindow *f = people::gui::runLinkForm(&caller, [&] { answer = engine::globalResponse(); });
    settle();
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->windowTitle(), QStringLiteral("Changing a QKjnc Record"));
    EXPECT_EQ(f->actionLabel(), nullptr);
    EXPECT_EQ(f->entry(2)->text(), QStringLiteral("Smith"));

    store::Table other(m_jnc->def(), m_dir.path());
    ASSERT_TRUE(other.open().ok());
    other.record().setValue(QStringLiteral("CTRL_NBR"), 1);
    ASSERT_TRUE(other.fetch(*other.def().key(QStringLiteral("CTRL_KEY"))).ok());
    other.record().setValue(QStringLiteral("LNAME"), QStringLiteral("Smyth"));
    ASSERT_TRUE(other.change().ok());

    f->entry(2)->setText(QStringLiteral("Smithers"));
    m_messages.answer(38, store::Button::Ok);
    QTest::mouseClick(f->findChild<QPushButton *>(QStringLiteral("okButton")), Qt::LeftButton);
    settle();
    ASSERT_EQ(m_messages.shownNumbers(), std::vector<int>{38});
    EXPECT_EQ(m_messages.last().title, QStringLiteral("Record Was Not Updated"));
    ASSERT_TRUE(f->isVisible());
    EXPECT_EQ(f->entry(2)->text(), QStringLiteral("Smyth"));
    EXPECT_EQ(answer, Response::None);

    QTest::keyClick(f->entry(2), Qt::Key_Apostrophe, Qt::ControlModifier);
    EXPECT_EQ(f->entry(2)->text(), QStringLiteral("Smithers"));
    // Only the field with the focus is recalled.
    EXPECT_EQ(f->entry(3)->text(), QStringLiteral("7"));

    QTest::mouseClick(f->findChild<QPushButton *>(QStringLiteral("okButton")), Qt::LeftButton);
    settle();
    EXPECT_EQ(answer, Response::RequestCompleted);
    other.record().setValue(QStringLiteral("CTRL_NBR"), 1);
    ASSERT_TRUE(other.fetch(*other.def().key(QStringLiteral("CTRL_KEY"))).ok());
    EXPECT_EQ(other.record().text(other.def().fieldIndex(QStringLiteral("LNAME"))),
              QStringLiteral("Smithers"));
    other.close();
}

TEST_F(LinkForm, VariantBClosesWithoutAskingAndKeepsTheStoredRecord) {
    addLink(1, QStringLiteral("Smith"), 7, 0);
    QWidget caller;
    caller.show();
    readForChange(1);
    engine::setGlobalRequest(Request::ChangeRecord);
    Response answer = Response::None;
    RecordFormWindow *f = people::gui::runLinkForm(&caller, [&] { answer = engine::globalResponse(); });
    settle();
    f->entry(2)->setText(QStringLiteral("Jones"));
    f->close();
    settle();
    EXPECT_TRUE(m_messages.shown().empty());
    EXPECT_EQ(answer, Response::RequestCancelled);
    readForChange(1);
    EXPECT_EQ(m_jnc->record().text(2), QStringLiteral("Smith"));
}

TEST_F(LinkForm, DuplicateMembershipNamesTheLinkKey) {
    addLink(1, QStringLiteral("Smith"), 7, 3);
    QWidget caller;
    caller.show();
    m_jnc->record().clear();
    engine::setGlobalRequest(Request::InsertRecord);
    Response answer = Response::None;
    RecordFormWindow *f = people::gui::runLinkForm(&caller, [&] { answer = engine::globalResponse(); });
    settle();
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->windowTitle(), QStringLiteral("Adding a QKjnc Record"));
    EXPECT_EQ(f->entry(0)->text(), QStringLiteral("2"));
    f->entry(3)->setText(QStringLiteral("7"));
    f->entry(4)->setText(QStringLiteral("3"));
    m_messages.answer(24, store::Button::Ok);
    QTest::mouseClick(f->findChild<QPushButton *>(QStringLiteral("okButton")), Qt::LeftButton);
    settle();
    EXPECT_EQ(m_messages.last().text,
              QStringLiteral("Adding this record creates a duplicate entry for the key:jnc:nam_ctrl_key"));
    // Variant B drops the insert without asking.
    QTest::mouseClick(f->findChild<QPushButton *>(QStringLiteral("cancelButton")), Qt::LeftButton);
    settle();
    EXPECT_EQ(answer, Response::RequestCancelled);
    EXPECT_EQ(m_jnc->records(), 1);
}

TEST_F(LinkForm, ANumberThatIsNotANumberIsRefusedAndNothingIsLost) {
    addLink(1, QStringLiteral("Smith"), 7, 0);
    QWidget caller;
    caller.show();
    readForChange(1);
    engine::setGlobalRequest(Request::ChangeRecord);
    Response answer = Response::None;
    RecordFormWindow *f = people::gui::runLinkForm(&caller, [&] { answer = engine::globalResponse(); });
    settle();
    f->entry(3)->setText(QStringLiteral("7x"));
    QTest::mouseClick(f->findChild<QPushButton *>(QStringLiteral("okButton")), Qt::LeftButton);
    settle();
    EXPECT_TRUE(f->isVisible());
    EXPECT_EQ(f->entry(3)->text(), QStringLiteral("7"));
    EXPECT_FALSE(f->entry(3)->toolTip().isEmpty());
    EXPECT_EQ(answer, Response::None);
    f->close();
    settle();
    EXPECT_EQ(answer, Response::RequestCancelled);
}

} // namespace

// A variant B form follows the control resizer: twice as wide, OK and Cancel
// keep their size and their distance to the nearer edge, entries double their
// width and keep their height.
TEST_F(LinkForm, VariantBFormResizesItsControlsByTheResizersRules) {
    addLink(1, QStringLiteral("Smith"), 7, 0);
    QWidget caller;
    caller.show();
    readForChange(1);
    engine::setGlobalRequest(Request::ChangeRecord);
    RecordFormWindow *f = people::gui::runLinkForm(&caller, [] {});
    settle();
    auto *ok = f->findChild<QPushButton *>(QStringLiteral("okButton"));
    auto *cancel = f->findChild<QPushButton *>(QStringLiteral("cancelButton"));
    QLineEdit *entry = f->entry(1);
    const int width = f->width();
    const QRect okBefore = ok->geometry();
    const QRect cancelBefore = cancel->geometry();
    const QRect entryBefore = entry->geometry();
    ASSERT_GT(entryBefore.width(), 0);

    f->resize(width * 2, f->height());
    settle();
    EXPECT_EQ(ok->size(), okBefore.size());
    EXPECT_EQ(cancel->size(), cancelBefore.size());
    for (const auto &[button, before] : {std::pair{ok, okBefore}, std::pair{cancel, cancelBefore}}) {
        const int left = before.left();
        const int right = width - before.right();
        if (right < left)
            EXPECT_EQ(f->width() - button->geometry().right(), right) << button->objectName().toStdString();
        else
            EXPECT_EQ(button->geometry().left(), left) << button->objectName().toStdString();
    }
    // The designed form is narrow: Cancel sits nearer the right edge.
    EXPECT_EQ(f->width() - cancel->geometry().right(), width - cancelBefore.right());
    EXPECT_NEAR(entry->width(), entryBefore.width() * 2, 2);
    EXPECT_EQ(entry->height(), entryBefore.height());
    // Its values are still there and saved as usual.
    EXPECT_EQ(f->entry(2)->text(), QStringLiteral("Smith"));
    f->close();
    settle();
}
