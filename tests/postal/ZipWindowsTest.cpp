#include "engine/EngineTestSupport.h"

#include "engine/gui/BrowseWindow.h"
#include "engine/gui/PageView.h"
#include "engine/gui/RecordFormWindow.h"
#include "host/CityIndex.h"
#include "postal/gui/ZipWindows.h"
#include "store/Store.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabBar>
#include <QTest>

using namespace tabulo;
using engine::Request;
using engine::Response;
using engine::gui::BrowseWindow;
using engine::gui::RecordFormWindow;

namespace {

class ZipWindows : public test::StoreFixture {
protected:
    void SetUp() override {
        StoreFixture::SetUp();
        m_zip = &store::Store::instance().use(QStringLiteral("QKzip"));
    }
    void TearDown() override {
        store::Store::instance().release(QStringLiteral("QKzip"));
        StoreFixture::TearDown();
    }

    void addEntry(const QString &city, const QString &state, const QString &zip) {
        store::Record &r = m_zip->record();
        r.clear();
        r.setValue(QStringLiteral("CTRL_NBR"), ++m_last);
        r.setValue(QStringLiteral("CITY"), city);
        r.setValue(QStringLiteral("STATE"), state);
        r.setValue(QStringLiteral("ZIP"), zip);
        ASSERT_TRUE(m_zip->insert().ok());
    }

    void addSample() {
        addEntry(QStringLiteral("New York"), QStringLiteral("NY"), QStringLiteral("10001"));
        addEntry(QStringLiteral("Peoria"), QStringLiteral("IL"), QStringLiteral("61601"));
        addEntry(QStringLiteral("Springfield"), QStringLiteral("IL"), QStringLiteral("62701"));
        addEntry(QStringLiteral("Springfield"), QStringLiteral("IL"), QStringLiteral("62704"));
        addEntry(QStringLiteral("Beverly Hills"), QStringLiteral("CA"), QStringLiteral("90210"));
    }

    void setHomeState(const QString &state) {
        store::Table &set = store::Store::instance().use(QStringLiteral("QKset"));
        set.record().clear();
        set.record().setValue(QStringLiteral("STATE"), state);
        ASSERT_TRUE(set.insert().ok());
        store::Store::instance().release(QStringLiteral("QKset"));
    }

    static QString cell(BrowseWindow *w, int column) {
        return w->engine().row(w->engine().highlighted()).texts.at(column);
    }

    RecordFormWindow *form() { return window<RecordFormWindow>(QStringLiteral("zipup")); }

    static void click(QWidget *w, const char *name) {
        QTest::mouseClick(w->findChild<QPushButton *>(QLatin1String(name)), Qt::LeftButton);
        settle();
    }

    store::Table *m_zip = nullptr;
    qint64 m_last = 0;
};

TEST_F(ZipWindows, ZipTabSearchHighlightsTheFirstZipAtOrAfterTheText) {
    addSample();
    engine::setGlobalRequest(Request::None);
    BrowseWindow *w = postal::gui::openZipList();
    settle();
    EXPECT_EQ(w->windowTitle(), QStringLiteral("Cities and Zip Codes"));
    EXPECT_EQ(cell(w, 0), QStringLiteral("Beverly Hills"));
    auto *search = w->findChild<QLineEdit *>(QStringLiteral("searchEntry"));
    auto *prompt = w->findChild<QLabel *>(QStringLiteral("searchPrompt"));
    EXPECT_EQ(prompt->text(), QStringLiteral("Find City"));

    w->tabs()->setCurrentIndex(2);
    settle();
    EXPECT_EQ(prompt->text(), QStringLiteral("Find Zip"));
    // The same record stays highlighted in the new order.
    EXPECT_EQ(cell(w, 0), QStringLiteral("Beverly Hills"));
    EXPECT_EQ(search->text(), QStringLiteral("90210"));
    EXPECT_TRUE(search->hasFocus() || !w->isActiveWindow());

    search->setText(QStringLiteral("627"));
    QTest::keyClick(search, Qt::Key_Return);
    settle();
    EXPECT_EQ(cell(w, 2), QStringLiteral("62701"));
    EXPECT_EQ(search->text(), QStringLiteral("627"));

    // Moving the highlight shows the row's zip in the search entry.
    QTest::keyClick(w->listControl(), Qt::Key_Down);
    EXPECT_EQ(cell(w, 2), QStringLiteral("62704"));
    EXPECT_EQ(search->text(), QStringLiteral("62704"));

    w->tabs()->setCurrentIndex(1);
    settle();
    EXPECT_EQ(search->text(), QStringLiteral("IL"));
    search->setText(QStringLiteral("m"));
    QTest::keyClick(search, Qt::Key_Return);
    settle();
    EXPECT_EQ(cell(w, 1), QStringLiteral("NY"));
    EXPECT_FALSE(w->button(engine::ListAction::Select)->isEnabled());
    w->close();
}

TEST_F(ZipWindows, ASecondEntryWithAnExistingZipIsRefused) {
    addSample();
    engine::setGlobalRequest(Request::None);
    BrowseWindow *w = postal::gui::openZipList();
    settle();
    click(w, "insertButton");
    RecordFormWindow *f = form();
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->windowTitle(), QStringLiteral("City-Zipcode Database Update Form"));
    f->entry(0)->setText(QStringLiteral("Capital City"));
    f->entry(2)->setText(QStringLiteral("62701"));
    m_messages.answer(24, store::Button::Ok);
    click(f, "okButton");
    EXPECT_EQ(m_messages.last().text,
              QStringLiteral("Adding this record creates a duplicate entry for the key:zip:zip_key"));
    ASSERT_EQ(form(), f);
    // Entries without a zip are not duplicates of each other.
    f->entry(2)->setText(QString());
    click(f, "okButton");
    EXPECT_EQ(form(), nullptr);
    EXPECT_EQ(m_zip->records(), 6);
    EXPECT_EQ(cell(w, 0), QStringLiteral("Capital City"));
    w->close();
}

TEST_F(ZipWindows, PickerPrimesANewEntryAndHandsItBack) {
    addSample();
    setHomeState(QStringLiteral("IL"));
    QWidget caller;
    caller.show();
    EXPECT_FALSE(host::lookUpCity(QStringLiteral("Springfeld")).has_value());
    ASSERT_TRUE(host::lookUpCity(QStringLiteral("peoria")).has_value());

    std::optional<host::CityZip> chosen;
    int answers = 0;
    postal::gui::chooseCity(&caller, QStringLiteral("Springfeld"), [&](std::optional<host::CityZip> c) {
        chosen = c;
        ++answers;
    });
    settle();
    BrowseWindow *w = window<BrowseWindow>(QStringLiteral("zipls"));
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->windowModality(), Qt::WindowModal);
    // Opened at the typed city: the first entry not below it.
    EXPECT_EQ(cell(w, 0), QStringLiteral("Springfield"));
    EXPECT_TRUE(w->button(engine::ListAction::Select)->isEnabled());

    click(w, "insertButton");
    RecordFormWindow *f = form();
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->entry(0)->text(), QStringLiteral("Springfeld"));
    EXPECT_EQ(f->entry(1)->text(), QStringLiteral("IL"));
    EXPECT_TRUE(host::zipSearchText().isEmpty());
    f->entry(2)->setText(QStringLiteral("62799"));
    click(f, "okButton");
    EXPECT_EQ(cell(w, 0), QStringLiteral("Springfeld"));

    click(w, "selectButton");
    ASSERT_EQ(answers, 1);
    ASSERT_TRUE(chosen.has_value());
    EXPECT_EQ(chosen->city, QStringLiteral("Springfeld"));
    EXPECT_EQ(chosen->state, QStringLiteral("IL"));
    EXPECT_EQ(chosen->zip, QStringLiteral("62799"));
}

TEST_F(ZipWindows, CancellingThePickerHandsNothingBack) {
    addSample();
    QWidget caller;
    caller.show();
    std::optional<host::CityZip> chosen{host::CityZip{}};
    postal::gui::chooseCity(&caller, QStringLiteral("Peoria"),
                            [&](std::optional<host::CityZip> c) { chosen = c; });
    settle();
    BrowseWindow *w = window<BrowseWindow>(QStringLiteral("zipls"));
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(cell(w, 0), QStringLiteral("Peoria"));
    click(w, "closeButton");
    EXPECT_FALSE(chosen.has_value());
    EXPECT_TRUE(host::zipSearchText().isEmpty());
}

} // namespace
