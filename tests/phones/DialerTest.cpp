#include "engine/EngineTestSupport.h"

#include "host/Dialer.h"
#include "phones/PseudoModem.h"
#include "phones/gui/DialWindow.h"
#include "store/Store.h"
#include "support/QStringPrinter.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QUrl>

#include <map>

using namespace tabulo;

namespace {

TEST(CallerLabels, JoinTheTrimmedPartsTheWayEveryCallerDoes) {
    struct Case {
        QString first, last, location, label;
    };
    const std::vector<Case> people = {
        {QStringLiteral("Ann"), QStringLiteral("Smith"), QStringLiteral("Home"),
         QStringLiteral("Ann Smith's Home")},
        {QStringLiteral(" Ann  "), QStringLiteral("Smith   "), QStringLiteral("Home "),
         QStringLiteral("Ann Smith's Home")},
        {{}, QStringLiteral("Smith"), QStringLiteral("Office"), QStringLiteral("Smith's Office")},
        {QStringLiteral("Ann"), {}, QStringLiteral("Cell"), QStringLiteral("Ann's Cell")},
        // Held to the 40 characters the dial operation takes.
        {QStringLiteral("Maximiliana"), QStringLiteral("Featherstonehaugh-Smythe"),
         QStringLiteral("Summer House"), QStringLiteral("Maximiliana Featherstonehaugh-Smythe's S")},
    };
    for (const Case &c : people)
        EXPECT_EQ(host::personCallerLabel(c.first, c.last, c.location), c.label) << c.label.toStdString();

    EXPECT_EQ(host::companyCallerLabel(QStringLiteral("Acme Corp   "), QStringLiteral("Main")),
              QStringLiteral("Acme Corp Main"));
    EXPECT_EQ(host::companyCallerLabel(QStringLiteral("Acme Corp"), {}), QStringLiteral("Acme Corp"));
}

TEST(CallerLabels, ARequestHoldsEachPartToItsWidth) {
    const host::DialRequest r = host::makeDialRequest(
        QString(50, QLatin1Char('c')), QString(30, QLatin1Char('l')), QStringLiteral("6145551234    9"));
    EXPECT_EQ(r.callerLabel.size(), host::kCallerLabelWidth);
    EXPECT_EQ(r.locationLabel.size(), host::kLocationLabelWidth);
    EXPECT_EQ(r.number, QStringLiteral("6145551234"));
}

// The dial window over a caller, with the desktop's opener replaced so that
// the tel: addresses are seen and nothing is launched.
class DialWindowTest : public test::StoreFixture {
protected:
    void SetUp() override {
        StoreFixture::SetUp();
        store::Store &s = store::Store::instance();
        store::Table &settings = s.use(QStringLiteral("QKset"));
        settings.record().clear();
        settings.record().setValue(QStringLiteral("AREACODE"), QStringLiteral("614"));
        settings.record().setValue(QStringLiteral("DIALPREFIX"), 9);
        ASSERT_TRUE(settings.insert().ok());
        store::Table &fon = s.use(QStringLiteral("QKfon"));
        fon.record().clear();
        fon.record().setValue(QStringLiteral("CTRL_NBR"), 1);
        fon.record().setValue(QStringLiteral("NUMBER"), QStringLiteral("6145551234"));
        ASSERT_TRUE(fon.insert().ok());
        m_previousOpener = phones::gui::setUrlOpener([this](const QUrl &url) {
            m_opened.push_back(url);
            return m_desktopDials;
        });
        m_caller = new QWidget;
        m_caller->setObjectName(QStringLiteral("caller"));
        m_caller->resize(300, 200);
        m_caller->show();
    }
    void TearDown() override {
        delete m_caller.data();
        phones::gui::setUrlOpener(m_previousOpener);
        store::Store::instance().release(QStringLiteral("QKfon"));
        store::Store::instance().release(QStringLiteral("QKset"));
        StoreFixture::TearDown();
    }

    void setSetup(const char *field, const QVariant &value) {
        store::Table &settings = store::Store::instance().table(QStringLiteral("QKset"));
        ASSERT_TRUE(settings.setStart(nullptr).ok());
        ASSERT_TRUE(settings.next().ok());
        settings.record().setValue(QString::fromLatin1(field), value);
        ASSERT_TRUE(settings.change().ok());
    }

    phones::gui::DialWindow *open(const QString &number = QStringLiteral("6145551234")) {
        phones::gui::DialWindow *w =
            phones::gui::dial(m_caller, QStringLiteral("Ann Smith's Home"), QStringLiteral("Home"), number);
        settle();
        return w;
    }

    static QPushButton *button(QWidget *w, const char *name) {
        auto *b = w->findChild<QPushButton *>(QLatin1String(name));
        EXPECT_NE(b, nullptr) << name;
        return b;
    }
    static void click(QWidget *w, const char *name) {
        QTest::mouseClick(button(w, name), Qt::LeftButton);
        settle();
    }
    // Replaces what an entry holds, typed as the user would.
    static void retype(QLineEdit *entry, const QString &text) {
        entry->setFocus();
        QTest::keyClick(entry, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(entry, Qt::Key_Delete);
        QTest::keyClicks(entry, text);
    }

    std::vector<QUrl> m_opened;
    bool m_desktopDials = true;
    phones::gui::UrlOpener m_previousOpener;
    QPointer<QWidget> m_caller;
};

TEST_F(DialWindowTest, ReadsTheDiallingSettingsWithoutMovingAnyBuffer) {
    setSetup("DIALAREACODE", 1);
    setSetup("COM", QStringLiteral("2"));
    store::Table &settings = store::Store::instance().table(QStringLiteral("QKset"));
    settings.record().clear();
    const store::Record buffer = settings.record();
    EXPECT_EQ(phones::readDialSettings(m_dir.path()),
              (phones::DialSettings{QStringLiteral("614"), 9, true, QStringLiteral("2")}));
    EXPECT_EQ(settings.record(), buffer);

    ASSERT_TRUE(settings.setStart(nullptr).ok());
    ASSERT_TRUE(settings.next().ok());
    ASSERT_TRUE(settings.remove().ok());
    EXPECT_EQ(phones::readDialSettings(m_dir.path()), phones::DialSettings{});
    // A directory without the table: nothing is created to read it.
    const QString empty = m_dir.path() + QStringLiteral("/elsewhere");
    ASSERT_TRUE(QDir().mkpath(empty));
    EXPECT_EQ(phones::readDialSettings(empty), phones::DialSettings{});
    EXPECT_TRUE(QDir(empty).entryList(QDir::Files).isEmpty());
}

TEST_F(DialWindowTest, OpensModalOverItsCallerWithTheRequestAndTheSetup) {
    setSetup("COM", QStringLiteral("3"));
    QPointer<phones::gui::DialWindow> w = phones::gui::dial(
        m_caller, QStringLiteral("Acme Corp Main"), QStringLiteral("Sales"), QStringLiteral("6145551234"));
    settle();
    ASSERT_NE(w, nullptr);
    EXPECT_TRUE(w->isVisible());
    EXPECT_EQ(w->parentWidget(), m_caller.data());
    EXPECT_EQ(w->windowModality(), Qt::WindowModal);
    EXPECT_EQ(w->windowTitle(), QStringLiteral("Phone Dial"));
    EXPECT_EQ(w->findChild<QLabel *>(QStringLiteral("callerText"))->text(), QStringLiteral("Acme Corp Main"));
    // A location the caller label does not end with is shown under it.
    EXPECT_TRUE(w->findChild<QLabel *>(QStringLiteral("locationText"))->isVisible());
    auto *sheet = w->findChild<QTabWidget *>(QStringLiteral("sheet"));
    ASSERT_NE(sheet, nullptr);
    EXPECT_EQ(sheet->tabText(0), QStringLiteral("General"));

    struct Entry {
        QLineEdit *edit;
        QString prompt;
        QString value;
    };
    const std::vector<Entry> entries = {
        {w->numberEntry(), QStringLiteral("Dialing:"), QStringLiteral("6145551234")},
        {w->areaCodeEntry(), QStringLiteral("Local Area Code:"), QStringLiteral("614")},
        {w->portEntry(), QStringLiteral("Comm Port:"), QStringLiteral("3")},
    };
    for (const Entry &e : entries) {
        auto *rows = qobject_cast<QFormLayout *>(e.edit->parentWidget()->layout());
        ASSERT_NE(rows, nullptr);
        auto *label = qobject_cast<QLabel *>(rows->labelForField(e.edit));
        ASSERT_NE(label, nullptr);
        EXPECT_EQ(label->text(), e.prompt);
        EXPECT_EQ(e.edit->text(), e.value) << e.prompt.toStdString();
    }
    EXPECT_EQ(w->numberEntry()->maxLength(), host::kNumberWidth);
    EXPECT_EQ(w->areaCodeEntry()->maxLength(), 3);
    QStringList buttons;
    for (QPushButton *b : w->findChildren<QPushButton *>())
        buttons << b->text();
    EXPECT_EQ(buttons,
              (QStringList{QStringLiteral("Dial"), QStringLiteral("Hang Up"), QStringLiteral("Close")}));

    // Opening dials nothing; Escape closes the window.
    EXPECT_TRUE(m_opened.empty());
    QTest::keyClick(w, Qt::Key_Escape);
    settle();
    EXPECT_TRUE(w.isNull());
    EXPECT_TRUE(m_messages.shown().empty());
}

TEST_F(DialWindowTest, DialHandsTheTelAddressToTheDesktop) {
    QPointer<phones::gui::DialWindow> w = open();
    ASSERT_NE(w, nullptr);
    EXPECT_TRUE(w->findChild<QLabel *>(QStringLiteral("locationText"))->isHidden());
    click(w, "dialButton");
    ASSERT_EQ(m_opened.size(), 1u);
    EXPECT_EQ(m_opened.back(), QUrl(QStringLiteral("tel:95551234")));
    EXPECT_EQ(w->statusText()->text(), QStringLiteral("Handed tel:95551234 to the desktop."));

    // Another number and area code typed for this call, dialled with Enter.
    retype(w->areaCodeEntry(), QStringLiteral("212"));
    retype(w->numberEntry(), QStringLiteral("(614) 555-7777"));
    QTest::keyClick(w->numberEntry(), Qt::Key_Return);
    settle();
    ASSERT_EQ(m_opened.size(), 2u);
    EXPECT_EQ(m_opened.back(), QUrl(QStringLiteral("tel:916145557777")));

    // Hang Up has nothing to do on the desktop's way; Close closes.
    click(w, "hangUpButton");
    EXPECT_EQ(m_opened.size(), 2u);
    click(w, "closeButton");
    EXPECT_TRUE(w.isNull());
    EXPECT_TRUE(m_messages.shown().empty());
}

TEST_F(DialWindowTest, WhatCannotBeDialledIsToldAndTheWindowStays) {
    const struct {
        const char *number;
        const char *port;
        bool desktopDials;
        QString text;
    } cases[] = {
        {"555-CALL", "", true,
         QStringLiteral("\"555-CALL\" cannot be dialled: a number holds only digits, blanks and ( ) - .")},
        {"", "", true, QStringLiteral("There is no number to dial.")},
        {"6145551234", "my modem", true, QStringLiteral("\"my modem\" does not name a serial port.")},
        {"6145551234", "", false,
         QStringLiteral(
             "No program on this desktop dials tel:95551234: set up a softphone or a phone link for "
             "tel: addresses, or give the modem port.")},
    };
    for (const auto &c : cases) {
        m_desktopDials = c.desktopDials;
        QPointer<phones::gui::DialWindow> w = open(QString::fromLatin1(c.number));
        ASSERT_NE(w, nullptr);
        retype(w->portEntry(), QString::fromLatin1(c.port));
        const size_t openedBefore = m_opened.size();
        m_messages.answer(store::Button::Ok);
        click(w, "dialButton");
        ASSERT_FALSE(w.isNull());
        EXPECT_TRUE(w->isVisible());
        EXPECT_EQ(m_messages.last().title, QStringLiteral("Phone Dial"));
        EXPECT_EQ(m_messages.last().text, c.text);
        EXPECT_EQ(m_messages.last().owner, w.data());
        EXPECT_TRUE(w->statusText()->text().isEmpty());
        EXPECT_EQ(m_opened.size(), openedBefore + (c.desktopDials ? 0 : 1));
        EXPECT_EQ(w->numberEntry()->text(), QString::fromLatin1(c.number));
        click(w, "closeButton");
    }
}

TEST_F(DialWindowTest, AModemPortGetsTheDialCommandAndHangUp) {
    test::PseudoModem modem;
    ASSERT_TRUE(modem.ready());
    setSetup("DIALAREACODE", 1);
    QPointer<phones::gui::DialWindow> w = open(QStringLiteral("2125551234"));
    ASSERT_NE(w, nullptr);
    retype(w->portEntry(), modem.device());
    click(w, "dialButton");
    EXPECT_TRUE(m_messages.shown().empty());
    EXPECT_EQ(modem.received(), QByteArray("ATDT9,12125551234;\r"));
    EXPECT_TRUE(m_opened.empty()) << "a modem dials instead of the desktop";
    EXPECT_EQ(w->line().device(), modem.device());
    EXPECT_EQ(
        w->statusText()->text(),
        QStringLiteral("Dialled 9,12125551234 on %1: pick up the phone, then Hang Up.").arg(modem.device()));

    // Again on the line already open, a local number with its area code.
    retype(w->numberEntry(), QStringLiteral("6145551234"));
    click(w, "dialButton");
    EXPECT_EQ(modem.received(), QByteArray("ATDT9,6145551234;\r"));

    click(w, "hangUpButton");
    EXPECT_EQ(modem.received(), QByteArray("ATH\r"));
    EXPECT_EQ(w->statusText()->text(), QStringLiteral("Hung up."));

    // Close lets the port go: another program can open it now.
    click(w, "closeButton");
    EXPECT_TRUE(w.isNull());
    phones::gui::ModemLine other;
    EXPECT_EQ(other.open(modem.device()), QString());
    EXPECT_TRUE(m_messages.shown().empty());
}

TEST_F(DialWindowTest, AModemPortThatIsMissingOrBusyIsToldAndNothingIsSent) {
    test::PseudoModem modem;
    ASSERT_TRUE(modem.ready());
    phones::gui::ModemLine busy;
    ASSERT_EQ(busy.open(modem.device()), QString());
    const struct {
        QString port;
        QString start;
    } cases[] = {
        {QStringLiteral("/dev/tabulo-no-such-modem"),
         QStringLiteral("The modem port /dev/tabulo-no-such-modem is missing.")},
        {modem.device(),
         QStringLiteral("The modem port %1 is in use by another program").arg(modem.device())},
    };
    for (const auto &c : cases) {
        QPointer<phones::gui::DialWindow> w = open();
        ASSERT_NE(w, nullptr);
        retype(w->portEntry(), c.port);
        m_messages.answer(store::Button::Ok);
        click(w, "dialButton");
        EXPECT_TRUE(m_messages.last().text.startsWith(c.start)) << m_messages.last().text.toStdString();
        EXPECT_FALSE(w->line().isOpen());
        EXPECT_TRUE(w->statusText()->text().isEmpty());
        // Hang Up on a line that never opened sends nothing and says nothing.
        const size_t boxes = m_messages.shown().size();
        click(w, "hangUpButton");
        EXPECT_EQ(m_messages.shown().size(), boxes);
        click(w, "closeButton");
    }
    EXPECT_TRUE(modem.quiet());
    EXPECT_TRUE(m_opened.empty());
}

TEST_F(DialWindowTest, DiallingChangesNoTable) {
    test::PseudoModem modem;
    ASSERT_TRUE(modem.ready());
    store::Table &fon = store::Store::instance().table(QStringLiteral("QKfon"));
    store::Table &settings = store::Store::instance().table(QStringLiteral("QKset"));
    // The tables' files with their sizes and change stamps (the window's
    // placement goes to QK.INI, which is no table).
    auto tableFiles = [this] {
        std::map<QString, std::pair<qint64, QDateTime>> files;
        for (const QFileInfo &f : QDir(m_dir.path()).entryInfoList(QDir::Files)) {
            if (f.fileName() != QStringLiteral("QK.INI"))
                files[f.fileName()] = {f.size(), f.lastModified()};
        }
        return files;
    };
    const auto before = tableFiles();
    ASSERT_FALSE(before.empty());
    const store::Record phoneBuffer = fon.record();
    const store::Record settingsBuffer = settings.record();

    QPointer<phones::gui::DialWindow> w = open();
    ASSERT_NE(w, nullptr);
    retype(w->numberEntry(), QStringLiteral("2125550000"));
    retype(w->areaCodeEntry(), QStringLiteral("212"));
    click(w, "dialButton");
    retype(w->portEntry(), modem.device());
    click(w, "dialButton");
    click(w, "hangUpButton");
    EXPECT_EQ(modem.received(), QByteArray("ATDT9,5550000;\rATH\r"));
    click(w, "closeButton");
    ASSERT_TRUE(w.isNull());

    EXPECT_EQ(tableFiles(), before);
    EXPECT_EQ(fon.records(), 1);
    EXPECT_EQ(settings.records(), 1);
    EXPECT_EQ(fon.record(), phoneBuffer);
    EXPECT_EQ(settings.record(), settingsBuffer);
    EXPECT_EQ(phones::readDialSettings(m_dir.path()),
              (phones::DialSettings{QStringLiteral("614"), 9, false, QString()}));
    EXPECT_EQ(m_opened, std::vector<QUrl>{QUrl(QStringLiteral("tel:95550000"))});
    EXPECT_TRUE(m_messages.shown().empty());
}

} // namespace
