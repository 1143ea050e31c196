// The windows of the import: the duplicates choice, the CSV column mapping
// that remembers the last one, the summary box, and the lists' button.
#include "exchange/gui/ExchangeWindows.h"
#include "exchange/ExchangeTestSupport.h"
#include "host/DataDirectory.h"
#include "support/ScriptedMessageService.h"
#include "support/WindowTour.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QTimer>

using namespace tabulo;
using namespace tabulo::exchange;

namespace {

class ExchangeWindows : public test::ExchangeFixture {
protected:
    void SetUp() override {
        ExchangeFixture::SetUp();
        host::DataDirectory::use(m_dir.path());
    }
    // Runs `answer` on the next modal dialog once it shows.
    static void whenDialogShows(std::function<void(QDialog *)> answer) {
        QTimer::singleShot(0, [answer] {
            QDialog *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget());
            if (!dialog) {
                whenDialogShows(answer);
                return;
            }
            answer(dialog);
        });
    }
    test::ScriptedMessageService m_messages;
    test::ScopedMessageService m_scoped{m_messages};
};

TEST_F(ExchangeWindows, DuplicatesAreSkippedUnlessTheDialogSaysAddAnyway) {
    QWidget caller;
    ASSERT_TRUE(importFile(test::sampleFile("google-3.0.vcf")).ok());
    for (const bool addAnyway : {false, true}) {
        whenDialogShows([addAnyway](QDialog *d) {
            EXPECT_TRUE(test::layoutProblems(d).isEmpty())
                << test::layoutProblems(d).join(QLatin1Char('\n')).toStdString();
            d->findChild<QCheckBox *>(QStringLiteral("addAnywayCheck"))->setChecked(addAnyway);
            d->accept();
        });
        m_messages.answer(store::Button::Ok);
        const auto summary = gui::importWithDialogs(&caller, test::sampleFile("google-3.0.vcf"));
        ASSERT_TRUE(summary.has_value());
        EXPECT_EQ(summary->peopleAdded, addAnyway ? 2 : 0);
        EXPECT_EQ(summary->duplicatesSkipped, addAnyway ? 0 : 2);
        EXPECT_EQ(m_messages.last().text, summary->text());
    }
}

TEST_F(ExchangeWindows, AnUnknownCsvLayoutIsMappedAndTheMappingRemembered) {
    QWidget caller;
    const QString file = m_dir.file(QStringLiteral("odd.csv"));
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("Surname Given,Tel,Remark\r\nLee Ann,(614) 555-0100,hello\r\n");
    f.close();
    const auto choose = [](QDialog *d, int column, const char *label) {
        auto *box = d->findChild<QComboBox *>(QStringLiteral("column%1").arg(column));
        ASSERT_NE(box, nullptr);
        box->setCurrentIndex(box->findText(QString::fromLatin1(label)));
    };
    whenDialogShows([&](QDialog *mapping) {
        EXPECT_EQ(mapping->objectName(), QStringLiteral("csvMappingDialog"));
        choose(mapping, 0, "Full name");
        choose(mapping, 1, "Work phone");
        choose(mapping, 2, "Note");
        mapping->accept();
        whenDialogShows([](QDialog *ask) { ask->accept(); });
    });
    m_messages.answer(store::Button::Ok);
    const auto summary = gui::importWithDialogs(&caller, file);
    ASSERT_TRUE(summary.has_value());
    EXPECT_EQ(summary->peopleAdded, 1);
    const QStringList lines = test::snapshot();
    ASSERT_EQ(lines.size(), 1);
    EXPECT_TRUE(lines[0].startsWith(QStringLiteral("person|Ann|Lee|"))) << lines[0].toStdString();
    EXPECT_TRUE(lines[0].contains(QStringLiteral("phone Work//6145550100/614//0"))) << lines[0].toStdString();

    // The next file with those headers offers the same choices.
    gui::CsvMappingDialog again(
        {QStringLiteral("Surname Given"), QStringLiteral("Tel"), QStringLiteral("Other")}, {}, nullptr);
    const CsvMapping kept = again.mapping();
    EXPECT_EQ(kept[0].field, CsvField::FullName);
    EXPECT_EQ(kept[1].field, CsvField::PhoneNumber);
    EXPECT_EQ(kept[1].location, QStringLiteral("Work"));
    EXPECT_EQ(kept[2].field, CsvField::Ignore);
}

TEST_F(ExchangeWindows, GivingUpOnTheMappingStoresNothing) {
    QWidget caller;
    const QString file = m_dir.file(QStringLiteral("odd.csv"));
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("A,B\r\n1,2\r\n");
    f.close();
    whenDialogShows([](QDialog *d) { d->reject(); });
    EXPECT_FALSE(gui::importWithDialogs(&caller, file).has_value());
    EXPECT_TRUE(test::allRecords("QKnam").empty());
}

// The mapping dialog offers for each column what the command line reads it
// as, in any of the languages it knows; a header it does not know stays
// unimported.
TEST_F(ExchangeWindows, TheMappingDialogStartsFromTheRecognisedHeaders) {
    const gui::CsvMappingDialog dialog({QStringLiteral("Vorname"), QStringLiteral("Nachname"),
                                        QStringLiteral("Telefono ufficio"), QStringLiteral("Prénom"),
                                        QStringLiteral("Apellidos"), QStringLiteral("Lieblingsfarbe")},
                                       {}, nullptr);
    const CsvMapping offered = dialog.mapping();
    ASSERT_EQ(offered.size(), 6u);
    const std::pair<CsvField, const char *> expected[] = {
        {CsvField::FirstName, ""}, {CsvField::LastName, ""}, {CsvField::PhoneNumber, "Work"},
        {CsvField::FirstName, ""}, {CsvField::LastName, ""}, {CsvField::Ignore, ""}};
    for (size_t i = 0; i < offered.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(offered[i].field, expected[i].first);
        EXPECT_EQ(offered[i].location, QString::fromLatin1(expected[i].second));
    }
}

} // namespace
