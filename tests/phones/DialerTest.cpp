#include "engine/EngineTestSupport.h"

#include "phones/Dialer.h"
#include "phones/gui/DialWindow.h"
#include "store/Store.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>

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
        EXPECT_EQ(phones::personCallerLabel(c.first, c.last, c.location), c.label) << c.label.toStdString();

    EXPECT_EQ(phones::companyCallerLabel(QStringLiteral("Acme Corp   "), QStringLiteral("Main")),
              QStringLiteral("Acme Corp Main"));
    EXPECT_EQ(phones::companyCallerLabel(QStringLiteral("Acme Corp"), {}), QStringLiteral("Acme Corp"));
}

TEST(CallerLabels, ARequestHoldsEachPartToItsWidth) {
    const phones::DialRequest r = phones::makeDialRequest(
        QString(50, QLatin1Char('c')), QString(30, QLatin1Char('l')), QStringLiteral("6145551234    9"));
    EXPECT_EQ(r.callerLabel.size(), phones::kCallerLabelWidth);
    EXPECT_EQ(r.locationLabel.size(), phones::kLocationLabelWidth);
    EXPECT_EQ(r.number, QStringLiteral("6145551234"));
}

class DialOperation : public test::StoreFixture {
protected:
    void SetUp() override {
        StoreFixture::SetUp();
        store::Store &s = store::Store::instance();
        store::Table &settings = s.use(QStringLiteral("QKset"));
        settings.record().clear();
        settings.record().setValue(QStringLiteral("AREACODE"), QStringLiteral("614"));
        settings.record().setValue(QStringLiteral("COM"), QStringLiteral("2"));
        ASSERT_TRUE(settings.insert().ok());
        store::Table &fon = s.use(QStringLiteral("QKfon"));
        fon.record().clear();
        fon.record().setValue(QStringLiteral("CTRL_NBR"), 1);
        fon.record().setValue(QStringLiteral("NUMBER"), QStringLiteral("6145551234"));
        ASSERT_TRUE(fon.insert().ok());
    }
    void TearDown() override {
        store::Store::instance().release(QStringLiteral("QKfon"));
        store::Store::instance().release(QStringLiteral("QKset"));
        StoreFixture::TearDown();
    }

    // Every file of the data directory with a digest of its bytes.
    std::map<QString, QByteArray> snapshot() const {
        std::map<QString, QByteArray> files;
        const QDir dir(m_dir.path());
        for (const QString &name : dir.entryList(QDir::Files)) {
            QFile f(dir.filePath(name));
            EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << name.toStdString();
            files[name] = QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256);
        }
        return files;
    }
};

TEST_F(DialOperation, ReturnsAtOnceShowingNothingAndChangingNoData) {
    store::Table &settings = store::Store::instance().table(QStringLiteral("QKset"));
    store::Table &fon = store::Store::instance().table(QStringLiteral("QKfon"));
    const store::Record settingsBuffer = settings.record();
    const store::Record phoneBuffer = fon.record();
    const auto before = snapshot();
    ASSERT_FALSE(before.empty());
    const auto windowsBefore = QApplication::topLevelWidgets();

    phones::gui::dial(QStringLiteral("Ann Smith's Home"), QStringLiteral("Home"),
                      QStringLiteral("6145551234"));
    settle();

    for (QWidget *w : QApplication::topLevelWidgets())
        EXPECT_TRUE(windowsBefore.contains(w) || !w->isVisible()) << w->objectName().toStdString();
    EXPECT_EQ(snapshot(), before);
    EXPECT_EQ(settings.record(), settingsBuffer);
    EXPECT_EQ(fon.record(), phoneBuffer);
    EXPECT_EQ(fon.records(), 1);
    EXPECT_TRUE(m_messages.shown().empty());
}

TEST_F(DialOperation, PreparesThePhoneDialWindowWithTheLocalAreaCode) {
    const phones::DialRequest request = phones::makeDialRequest(
        QStringLiteral("Acme Corp Main"), QStringLiteral("Main"), QStringLiteral("6145551234"));
    std::unique_ptr<phones::gui::DialWindow> w = phones::gui::prepareDialWindow(request);
    ASSERT_NE(w, nullptr);
    EXPECT_FALSE(w->isVisible());
    EXPECT_EQ(w->windowTitle(), QStringLiteral("Phone Dial"));
    EXPECT_EQ(w->request(), request);
    auto *sheet = w->findChild<QTabWidget *>(QStringLiteral("sheet"));
    ASSERT_NE(sheet, nullptr);
    EXPECT_EQ(sheet->tabText(0), QStringLiteral("General"));

    struct Entry {
        QLineEdit *edit;
        QString prompt;
        int width;
        QString value;
    };
    const std::vector<Entry> entries = {
        {w->numberEntry(), QStringLiteral("Dialing:"), 14, QStringLiteral("6145551234")},
        {w->areaCodeEntry(), QStringLiteral("Local Area Code:"), 3, QStringLiteral("614")},
        // The port is the dialling's to choose; it starts blank.
        {w->portEntry(), QStringLiteral("Comm Port:"), 1, QString()},
    };
    for (const Entry &e : entries) {
        auto *rows = qobject_cast<QFormLayout *>(e.edit->parentWidget()->layout());
        ASSERT_NE(rows, nullptr);
        auto *label = qobject_cast<QLabel *>(rows->labelForField(e.edit));
        ASSERT_NE(label, nullptr);
        EXPECT_EQ(label->text(), e.prompt);
        EXPECT_EQ(e.edit->maxLength(), e.width) << e.prompt.toStdString();
        EXPECT_EQ(e.edit->text(), e.value) << e.prompt.toStdString();
    }
    QStringList buttons;
    for (QPushButton *b : w->findChildren<QPushButton *>())
        buttons << b->text();
    EXPECT_EQ(buttons,
              (QStringList{QStringLiteral("Dial"), QStringLiteral("Hang Up"), QStringLiteral("Close")}));
}

TEST_F(DialOperation, WithoutASetupRecordTheAreaCodeIsBlank) {
    store::Table &settings = store::Store::instance().table(QStringLiteral("QKset"));
    ASSERT_TRUE(settings.setStart(nullptr).ok());
    ASSERT_TRUE(settings.next().ok());
    ASSERT_TRUE(settings.remove().ok());
    EXPECT_TRUE(phones::localAreaCode(m_dir.path()).isEmpty());
    // A directory without the table: nothing is created to read it.
    const QString empty = m_dir.path() + QStringLiteral("/elsewhere");
    ASSERT_TRUE(QDir().mkpath(empty));
    EXPECT_TRUE(phones::localAreaCode(empty).isEmpty());
    EXPECT_TRUE(QDir(empty).entryList(QDir::Files).isEmpty());
}

} // namespace
