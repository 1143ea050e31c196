#include "shell/gui/SetupForm.h"
#include "engine/Globals.h"
#include "engine/gui/RecordFormWindow.h"
#include "host/StoreSetupSource.h"
#include "store/Store.h"
#include "store/Table.h"
#include "support/ScriptedMessageService.h"
#include "support/TempDataDir.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest/QTest>
#include <gtest/gtest.h>

using namespace tabulo;
using engine::gui::RecordFormWindow;
using shell::gui::SetupForm;

namespace {

class SetupFormTest : public ::testing::Test {
protected:
    SetupFormTest()
        : m_messages(m_script) {
        store::Store::instance().setDirectory(m_dir.path());
        // The frame holds the table and has added its blank record.
        m_frameHold = std::make_unique<host::StoreSetupSource>(store::Store::instance());
        EXPECT_TRUE(m_frameHold->prepare().ok);
    }
    ~SetupFormTest() override {
        if (m_window)
            m_window->close();
        QCoreApplication::processEvents();
        m_frameHold->release();
        m_script.expectAllAnswered();
        store::Store::instance().closeAll();
    }

    store::Table &setupTable() { return store::Store::instance().table(QStringLiteral("QKset")); }

    // The stored record as another window would read it now.
    QVariant stored(const char *field) {
        const store::TableUse use(QStringList{QStringLiteral("QKset")});
        EXPECT_TRUE(host::readSetupRecord(setupTable()).ok());
        return setupTable().record().value(QString::fromLatin1(field));
    }

    void storeValues(const QList<std::pair<const char *, QVariant>> &values) {
        ASSERT_TRUE(host::readSetupRecord(setupTable()).ok());
        for (const auto &[field, value] : values)
            setupTable().record().setValue(QString::fromLatin1(field), value);
        ASSERT_TRUE(setupTable().change().ok());
    }

    void openForm() {
        m_window = SetupForm::open([this] {
            m_ended = true;
            m_response = engine::globalResponse();
        });
        ASSERT_NE(m_window.data(), nullptr);
        QApplication::setActiveWindow(m_window);
        ASSERT_TRUE(QTest::qWaitForWindowActive(m_window));
    }

    QLineEdit *entry(const char *name) { return m_window->findChild<QLineEdit *>(QString::fromLatin1(name)); }

    // Types into an entry and leaves it with Tab (Enter would press OK).
    void type(QLineEdit *field, const QString &text) {
        field->setFocus();
        field->setText(text);
        QTest::keyClick(field, Qt::Key_Tab);
    }

    void pressOk() {
        m_window->findChild<QPushButton *>(QStringLiteral("okButton"))->click();
        ASSERT_TRUE(QTest::qWaitFor([this] { return m_ended; }));
    }

    test::TempDataDir m_dir;
    test::ScriptedMessageService m_script;
    test::ScopedMessageService m_messages;
    std::unique_ptr<host::StoreSetupSource> m_frameHold;
    QPointer<RecordFormWindow> m_window;
    bool m_ended = false;
    engine::Response m_response = engine::Response::None;
};

TEST_F(SetupFormTest, OpensAsAChangeOfTheOneRecordWithTheDiallingSettingsHidden) {
    storeValues({{"SET:MADEFOR", QStringLiteral("Ann Smith")}, {"SET:DATPOPUP", 30}});
    engine::setGlobalRequest(engine::Request::InsertRecord);
    openForm();
    m_window->show();
    EXPECT_EQ(m_window->windowTitle(), QStringLiteral("Setup Database Update Form"));
    ASSERT_NE(m_window->actionLabel(), nullptr);
    EXPECT_EQ(m_window->actionLabel()->text(), QStringLiteral("Record will be Changed"));
    EXPECT_EQ(m_window->engine().request(), engine::Request::ChangeRecord);
    EXPECT_EQ(entry("nameEntry")->text().trimmed(), QStringLiteral("Ann Smith"));
    EXPECT_EQ(entry("popupIntervalEntry")->text().trimmed(), QStringLiteral("30"));
    EXPECT_EQ(m_window->focusWidget(), entry("nameEntry"));

    EXPECT_FALSE(entry("dialPrefixEntry")->isVisible());
    EXPECT_FALSE(entry("comPortEntry")->isVisible());
    const auto *dialAreaCode = m_window->findChild<QCheckBox *>(QStringLiteral("dialAreaCodeCheck"));
    ASSERT_NE(dialAreaCode, nullptr);
    EXPECT_FALSE(dialAreaCode->isVisible());
    for (const char *shown :
         {"nameEntry", "stateEntry", "countryEntry", "areaCodeEntry", "leadDaysEntry", "popupIntervalEntry"})
        EXPECT_TRUE(entry(shown)->isVisible()) << shown;
    const auto *minutes = m_window->findChild<QLabel *>(QStringLiteral("minutesLabel"));
    ASSERT_NE(minutes, nullptr);
    EXPECT_EQ(minutes->text(), QStringLiteral("Minutes"));
    EXPECT_TRUE(minutes->isVisible());
    EXPECT_EQ(entry("leadDaysEntry")->toolTip(), QStringLiteral("Anniversery alarm days lead time"));
}

TEST_F(SetupFormTest, APopupIntervalOutsideZeroTo240IsRefusedWithMessage10) {
    openForm();
    m_window->show();
    QLineEdit *interval = entry("popupIntervalEntry");

    m_script.answer(10, store::Button::Ok);
    type(interval, QStringLiteral("241"));
    ASSERT_EQ(m_script.shownNumbers(), std::vector<int>{10});
    EXPECT_EQ(m_script.last().text, QStringLiteral("The value of set:datpopup must be between 0 and 240."));
    EXPECT_EQ(m_window->focusWidget(), interval);
    EXPECT_TRUE(m_window->isVisible());

    type(interval, QStringLiteral("240"));
    type(interval, QStringLiteral("0"));
    EXPECT_EQ(m_script.shownNumbers().size(), 1u);

    // OK checks every field again, so a bad value cannot slip through.
    interval->setText(QStringLiteral("250"));
    m_script.answer(10, store::Button::Ok);
    m_window->findChild<QPushButton *>(QStringLiteral("okButton"))->click();
    QCoreApplication::processEvents();
    EXPECT_FALSE(m_ended);
    EXPECT_EQ(m_script.shownNumbers().size(), 2u);
    EXPECT_EQ(stored("SET:DATPOPUP").toLongLong(), 0);
}

TEST_F(SetupFormTest, OkSavesTheChangesAndKeepsTheHiddenDiallingValues) {
    storeValues({{"SET:DIALPREFIX", 9}, {"SET:DIALAREACODE", 1}, {"SET:COM", QStringLiteral("2")}});
    openForm();
    m_window->show();
    type(entry("nameEntry"), QStringLiteral("Bob Jones"));
    type(entry("popupIntervalEntry"), QStringLiteral("15"));
    pressOk();
    EXPECT_EQ(m_response, engine::Response::RequestCompleted);
    EXPECT_EQ(stored("SET:MADEFOR").toString().trimmed(), QStringLiteral("Bob Jones"));
    EXPECT_EQ(stored("SET:DATPOPUP").toLongLong(), 15);
    EXPECT_EQ(stored("SET:DIALPREFIX").toLongLong(), 9);
    EXPECT_EQ(stored("SET:DIALAREACODE").toLongLong(), 1);
    EXPECT_EQ(stored("SET:COM").toString(), QStringLiteral("2"));
    EXPECT_EQ(setupTable().records(), 1);
}

TEST_F(SetupFormTest, CancelLeavesTheRecordAsItWas) {
    openForm();
    m_window->show();
    entry("nameEntry")->setText(QStringLiteral("Carol"));
    m_window->findChild<QPushButton *>(QStringLiteral("cancelButton"))->click();
    // Closing with an edit asks whether to save it.
    m_script.answer(33, store::Button::No);
    ASSERT_TRUE(QTest::qWaitFor([this] { return m_ended; }));
    EXPECT_EQ(m_response, engine::Response::RequestCancelled);
    EXPECT_TRUE(stored("SET:MADEFOR").toString().trimmed().isEmpty());
}

TEST_F(SetupFormTest, OpeningAgainBringsTheOpenFormForward) {
    openForm();
    RecordFormWindow *first = m_window;
    EXPECT_EQ(SetupForm::open(), first);
}

} // namespace

TEST_F(SetupFormTest, NumbersOutsideTheirFieldsBoundsAreRefusedNeverClamped) {
    struct Case {
        const char *entry;
        const char *field;
        const char *typed;
        const char *text;
    };
    const Case cases[] = {
        {"leadDaysEntry", "SET:ANNLEAD", "999", "The value of set:annlead must be between 0 and 255."},
        {"popupIntervalEntry", "SET:DATPOPUP", "-5", "The value of set:datpopup must be between 0 and 240."},
        {"popupIntervalEntry", "SET:DATPOPUP", "241", "The value of set:datpopup must be between 0 and 240."},
    };
    storeValues({{"SET:ANNLEAD", 7}, {"SET:DATPOPUP", 30}});
    openForm();
    m_window->show();
    for (const Case &c : cases) {
        SCOPED_TRACE(c.typed);
        m_script.clear();
        m_script.answer(10, store::Button::Ok);
        type(entry(c.entry), QString::fromLatin1(c.typed));
        ASSERT_EQ(m_script.shownNumbers(), std::vector<int>{10});
        EXPECT_EQ(m_script.last().text, QString::fromLatin1(c.text));
        EXPECT_EQ(m_window->focusWidget(), entry(c.entry));
    }
    // Nothing was stored, and OK refuses the value still in the entry.
    entry("leadDaysEntry")->setText(QStringLiteral("300"));
    m_script.clear();
    m_script.answer(10, store::Button::Ok);
    m_window->findChild<QPushButton *>(QStringLiteral("okButton"))->click();
    QCoreApplication::processEvents();
    EXPECT_FALSE(m_ended);
    EXPECT_EQ(stored("SET:ANNLEAD").toLongLong(), 7);
    EXPECT_EQ(stored("SET:DATPOPUP").toLongLong(), 30);
}

TEST_F(SetupFormTest, OneLineEntriesDropControlCharactersAndDirectionOverrides) {
    openForm();
    m_window->show();
    QLineEdit *name = entry("nameEntry");
    name->setFocus();
    // Typed or pasted: the entry never holds them.
    QApplication::clipboard()->setText(QStringLiteral("An\tn\x1b[31m\x7f\u202eB\u2066o\nb"));
    name->clear();
    name->paste();
    EXPECT_EQ(name->text(), QStringLiteral("Ann[31mBob"));
    // Set by other means, they are dropped before the value is stored.
    name->setText(QStringLiteral("Eve\r\n\u202d\x01"));
    QTest::keyClick(name, Qt::Key_Tab);
    pressOk();
    EXPECT_EQ(stored("SET:MADEFOR").toString().trimmed(), QStringLiteral("Eve"));
}
