// The report windows offscreen: the progress window and its Cancel, the
// preview's pages, zoom and answers, printing only on Print, the print menu
// and the frame's report items.
#include "companies/gui/CompaniesListWindow.h"
#include "host/gui/SharedPrinter.h"
#include "host/gui/WindowOpeners.h"
#include "people/gui/NamesListWindow.h"
#include "reports/ReportTestSupport.h"
#include "reports/gui/PrintMenu.h"
#include "reports/gui/ReportCommands.h"
#include "reports/gui/ReportPreview.h"
#include "reports/gui/ReportRunner.h"
#include "support/WindowTour.h"

#include <QAction>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QPrinter>
#include <QPrinterInfo>
#include <QPushButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTest>
#include <QToolButton>

using namespace tabulo;
using reports::gui::ReportPreview;
using reports::gui::ReportRunner;
using reports::gui::ZoomMode;

namespace {

class ReportWindows : public test::ReportFixture {
protected:
    void SetUp() override {
        ReportFixture::SetUp();
        // Printing goes to a file the test can look for.
        QPrinter &printer = host::gui::sharedPrinter();
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(m_printed.file(QStringLiteral("printed.pdf")));
    }
    void TearDown() override {
        host::gui::sharedPrinter().setOutputFileName(QString());
        host::gui::sharedPrinter().setOutputFormat(QPrinter::NativeFormat);
        ReportFixture::TearDown();
    }
    bool printed() const { return QFile::exists(m_printed.file(QStringLiteral("printed.pdf"))); }
    ReportPreview *waitForPreview() {
        ReportPreview *preview = nullptr;
        QTest::qWaitFor(
            [&] { return (preview = window<ReportPreview>(QStringLiteral("reportPreview"))) != nullptr; },
            10000);
        return preview;
    }
    // Runs a report to its end and keeps the percent text the progress window
    // showed when it closed.
    QString percentAtClose(ReportRunner *runner) {
        QString text;
        QTest::qWaitFor([&] { return runner->progressWindow() != nullptr; }, 5000);
        if (auto *progress = runner->progressWindow()) {
            EXPECT_EQ(progress->windowTitle(), QStringLiteral("Generating Report"));
            QObject::connect(progress, &engine::gui::ProgressWindow::closed, progress,
                             [&text, progress] { text = progress->percentText(); });
        }
        waitForPreview();
        return text;
    }
    test::TempDataDir m_printed;
};

TEST_F(ReportWindows, ProgressShowsThePercentOfTheEstimateAndExitPrintsNothing) {
    struct {
        int members;
        const char *text;
    } cases[] = {{10, " 40% Completed"}, {31, "100% Completed"}};
    for (const auto &c : cases) {
        const qint64 category = addCategory(QStringLiteral("C%1").arg(c.members));
        addPeople(c.members, category);
        engine::setCurrentCategory(static_cast<qint32>(category), QStringLiteral("C"));
        ReportRunner *runner = ReportRunner::start(reports::ReportKind::NameLabels);
        EXPECT_EQ(percentAtClose(runner), QString::fromLatin1(c.text));
        ReportPreview *preview = waitForPreview();
        ASSERT_TRUE(preview);
        EXPECT_EQ(preview->pageCount(), c.members > 30 ? 2 : 1);
        QTest::mouseClick(preview->findChild<QToolButton *>(QStringLiteral("exitButton")), Qt::LeftButton);
        settle();
        EXPECT_EQ(engine::globalResponse(), engine::Response::RequestCancelled);
        EXPECT_FALSE(printed());
    }
}

TEST_F(ReportWindows, PrintSendsThePagesToThePrinter) {
    addPeople(3);
    ReportRunner::start(reports::ReportKind::NameLabels);
    ReportPreview *preview = waitForPreview();
    ASSERT_TRUE(preview);
    QTest::mouseClick(preview->findChild<QToolButton *>(QStringLiteral("printButton")), Qt::LeftButton);
    settle();
    EXPECT_EQ(engine::globalResponse(), engine::Response::RequestCompleted);
    EXPECT_TRUE(printed());
}

TEST_F(ReportWindows, WithoutAPrinterTheUserIsToldAndOfferedAPdf) {
    if (!QPrinterInfo::availablePrinters().isEmpty())
        GTEST_SKIP() << "this machine has a printer";
    host::gui::sharedPrinter().setOutputFileName(QString());
    host::gui::sharedPrinter().setOutputFormat(QPrinter::NativeFormat);
    addPeople(2);
    ReportRunner::start(reports::ReportKind::NameLabels);
    ReportPreview *preview = waitForPreview();
    ASSERT_TRUE(preview);
    m_messages.answer(store::Button::No);
    QTest::mouseClick(preview->findChild<QToolButton *>(QStringLiteral("printButton")), Qt::LeftButton);
    settle();
    ASSERT_EQ(m_messages.shown().size(), 1u);
    EXPECT_TRUE(m_messages.shown().front().text.contains(QLatin1String("no printer")));
    EXPECT_TRUE(m_messages.shown().front().buttons & store::Button::Yes) << "the PDF is offered";
}

TEST_F(ReportWindows, CancelShowsNoPreviewAndAnEmptyCategoryShowsNothing) {
    addPeople(600);
    ReportRunner *runner = ReportRunner::start(reports::ReportKind::NameLabels);
    QTest::qWaitFor([&] { return runner->progressWindow() && runner->progressWindow()->isVisible(); }, 5000);
    ASSERT_TRUE(runner->progressWindow());
    ASSERT_TRUE(runner->run().running()) << "the pass is under way";
    EXPECT_GT(runner->run().processed(), 0);
    runner->progressWindow()->cancelButton()->click();
    QTest::qWait(200);
    settle();
    EXPECT_FALSE(window(QStringLiteral("reportPreview")));
    EXPECT_FALSE(printed());

    const qint64 nobody = addCategory(QStringLiteral("Nobody"));
    engine::setCurrentCategory(static_cast<qint32>(nobody), QStringLiteral("Nobody"));
    const auto before = QApplication::topLevelWidgets().size();
    QPointer<ReportRunner> empty = ReportRunner::start(reports::ReportKind::NameLabels);
    QTest::qWaitFor([&] { return empty.isNull(); }, 5000);
    settle();
    EXPECT_TRUE(empty.isNull()) << "the report ended";
    EXPECT_EQ(QApplication::topLevelWidgets().size(), before) << "no window, no message";
}

reports::ReportDocument pages(int count) {
    reports::ReportDocument document;
    document.pages.resize(static_cast<size_t>(count));
    return document;
}

TEST_F(ReportWindows, PreviewPagesThroughTenPagesTwoByTwo) {
    const reports::ReportDocument document = pages(10);
    auto *preview = new ReportPreview(&document);
    preview->show();
    preview->findChild<QSpinBox *>(QStringLiteral("acrossSpin"))->setValue(2);
    preview->findChild<QSpinBox *>(QStringLiteral("downSpin"))->setValue(2);
    auto *pageText = preview->findChild<QLabel *>(QStringLiteral("pageText"));
    auto *next = preview->findChild<QAction *>(QStringLiteral("actionNextPages"));
    EXPECT_EQ(pageText->text(), QStringLiteral("Pages 1-4 of 10"));
    next->trigger();
    EXPECT_EQ(pageText->text(), QStringLiteral("Pages 5-8 of 10"));
    next->trigger();
    EXPECT_EQ(pageText->text(), QStringLiteral("Pages 9-10 of 10"));
    EXPECT_EQ(preview->shownPages(), QList<int>({9, 10, 0, 0}));
    EXPECT_FALSE(next->isEnabled());
    next->trigger();
    EXPECT_EQ(pageText->text(), QStringLiteral("Pages 9-10 of 10"));
    preview->findChild<QAction *>(QStringLiteral("actionPreviousPages"))->trigger();
    EXPECT_EQ(pageText->text(), QStringLiteral("Pages 5-8 of 10"));

    preview->jumpTo(3);
    preview->findChild<QAction *>(QStringLiteral("actionZoom5"))->trigger();
    EXPECT_EQ(pageText->text(), QStringLiteral("Page 3 of 10"));
    EXPECT_EQ(preview->findChild<QLabel *>(QStringLiteral("zoomText"))->text(),
              QStringLiteral("Zoom (200%)"));
    // The zoom pop-up marks the mode in use.
    const QList<QAction *> entries = preview->zoomMenu()->actions();
    const auto checked =
        std::count_if(entries.begin(), entries.end(), [](QAction *a) { return a->isChecked(); });
    EXPECT_EQ(checked, 1);
    EXPECT_TRUE(std::any_of(entries.begin(), entries.end(),
                            [](QAction *a) { return a->isChecked() && a->text() == QLatin1String("200%"); }));
    next->trigger();
    EXPECT_EQ(pageText->text(), QStringLiteral("Page 4 of 10"));

    // Across returns to the thumbnails; a click on one zooms to page width,
    // a click on the page returns.
    preview->findChild<QSpinBox *>(QStringLiteral("acrossSpin"))->setValue(1);
    EXPECT_EQ(preview->zoomMode(), ZoomMode::NoZoom);
    preview->findChild<QSpinBox *>(QStringLiteral("downSpin"))->setValue(1);
    EXPECT_EQ(pageText->text(), QStringLiteral("Page 4 of 10"));
    QWidget *grid = preview->findChild<QWidget *>(QStringLiteral("thumbnails"));
    QTest::mouseClick(grid, Qt::LeftButton, {}, grid->rect().center());
    EXPECT_EQ(preview->zoomMode(), ZoomMode::PageWidth);
    EXPECT_EQ(preview->zoomText(), QStringLiteral("Zoom (Page Width)"));
    QWidget *zoomed = preview->findChild<QWidget *>(QStringLiteral("zoomedPage"));
    QTest::mouseClick(zoomed, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(preview->zoomMode(), ZoomMode::NoZoom);

    QSignalSpy finished(preview, &ReportPreview::finished);
    preview->close();
    ASSERT_EQ(finished.size(), 1);
    EXPECT_FALSE(finished.first().first().toBool());
}

TEST_F(ReportWindows, AOnePagePreviewStaysOnItsPage) {
    const reports::ReportDocument document = pages(1);
    auto *preview = new ReportPreview(&document);
    preview->show();
    EXPECT_EQ(preview->pageText(), QStringLiteral("Page 1 of 1"));
    preview->next();
    preview->previous();
    EXPECT_EQ(preview->pageText(), QStringLiteral("Page 1 of 1"));
    EXPECT_EQ(preview->zoomText(), QStringLiteral("No Zoom"));
    EXPECT_TRUE(test::layoutProblems(preview).isEmpty())
        << test::layoutProblems(preview).join(u'\n').toStdString();
    preview->close();
}

TEST_F(ReportWindows, ThePrintMenuAndTheFrameStartIndependentReports) {
    addPeople(2);
    addCompany(QStringLiteral("Acme"), QStringLiteral("Springfield"), QStringLiteral("IL"),
               QStringLiteral("62701"));
    reports::gui::PrintMenu *menu = reports::gui::PrintMenu::open();
    settle();
    EXPECT_EQ(menu->windowTitle(), QStringLiteral("Print Menu"));
    auto *labels = menu->findChild<QPushButton *>(QStringLiteral("nameLabelsButton"));
    labels->click();
    labels->click();
    menu->findChild<QPushButton *>(QStringLiteral("closeButton"))->click();
    QTest::qWaitFor([&] { return QApplication::topLevelWidgets().count(); }, 10);
    int previews = 0;
    QTest::qWaitFor(
        [&] {
            previews = 0;
            for (QWidget *w : QApplication::topLevelWidgets())
                previews += w->objectName() == QLatin1String("reportPreview") && w->isVisible();
            return previews == 2;
        },
        10000);
    EXPECT_EQ(previews, 2) << "both reports ran to their previews after the menu closed";

    host::gui::WindowOpeners openers;
    reports::gui::registerReportWindows(openers);
    for (auto command : {host::gui::FrameCommand::NamesLabels, host::gui::FrameCommand::NamesReport,
                         host::gui::FrameCommand::CompanyLabels, host::gui::FrameCommand::CompanyReport})
        EXPECT_TRUE(openers.open(command, {}));
    QTest::qWaitFor(
        [&] {
            previews = 0;
            for (QWidget *w : QApplication::topLevelWidgets())
                previews += w->objectName() == QLatin1String("reportPreview") && w->isVisible();
            return previews == 6;
        },
        10000);
    EXPECT_EQ(previews, 6);
}

TEST_F(ReportWindows, TheListsPrintButtonsOpenThePrintMenu) {
    addPeople(1);
    addCompany(QStringLiteral("Acme"), QStringLiteral("Springfield"), QStringLiteral("IL"),
               QStringLiteral("62701"));
    QWidget *names = people::gui::NamesListWindow::open();
    QWidget *companies = companies::gui::CompaniesListWindow::open();
    settle();
    for (QWidget *list : {names, companies}) {
        ASSERT_TRUE(list);
        auto *print = list->findChild<QToolButton *>(QStringLiteral("printIcon"));
        ASSERT_TRUE(print) << list->objectName().toStdString();
        EXPECT_EQ(print->toolTip(), QStringLiteral("Print Category Records"));
        print->click();
        settle();
        QWidget *menu = window(QStringLiteral("printMenu"));
        ASSERT_TRUE(menu) << list->objectName().toStdString();
        menu->close();
        settle();
    }
    names->close();
    companies->close();
}

} // namespace
