#include "shell/gui/MainFrame.h"
#include "base/Clock.h"
#include "engine/Globals.h"
#include "engine/Picture.h"
#include "engine/PlacementSettings.h"
#include "host/FrameEvents.h"
#include "host/ReminderState.h"
#include "host/SetupSource.h"
#include "support/TempDataDir.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QDate>
#include <QDesktopServices>
#include <QFile>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QScreen>
#include <QStatusBar>
#include <QTimer>
#include <QUrl>
#include <QtTest/QSignalSpy>
#include <QtTest/QTest>
#include <gtest/gtest.h>
#include <memory>

using namespace tabulo;
using host::gui::FrameCommand;
using shell::gui::MainFrame;

namespace {

class FakeSetup final : public host::SetupSource {
public:
    Outcome prepare() override {
        ++prepared;
        return outcome;
    }
    void release() override { ++released; }

    Outcome outcome{true, QStringLiteral("                    "), {}};
    int prepared = 0;
    int released = 0;
};

QString testD3(int dayNumber) {
    return QLocale(QLocale::English)
        .toString(QDate(1800, 12, 28).addDays(dayNumber), QStringLiteral("MMM d, yyyy"));
}

class MainFrameTest : public ::testing::Test {
protected:
    MainFrameTest()
        : m_clock(QDateTime(QDate(2026, 12, 8), QTime(9, 30))) {
        dates::Clock::setCurrent(&m_clock);
    }
    ~MainFrameTest() override {
        if (m_frame)
            m_frame->close();
        m_frame.reset();
        dates::Clock::setCurrent(nullptr);
    }

    // Builds the frame with every window opener recording its calls; call
    // start() on it to run the start-up.
    MainFrame &frame() {
        if (!m_frame) {
            MainFrame::Services services;
            services.setup = &m_setup;
            services.formatD3 = testD3;
            services.settingsFile = m_dir.file(QStringLiteral("QK.INI"));
            services.reminder = &m_reminder;
            services.programDirectory = m_dir.path();
            m_frame = std::make_unique<MainFrame>(services);
            for (FrameCommand command : {FrameCommand::NamesList, FrameCommand::PendingDatesList})
                m_frame->openers().set(command, [this, command](const host::gui::FrameContext &context) {
                    EXPECT_EQ(context.frame, m_frame.get());
                    m_opened.append(command);
                });
        }
        return *m_frame;
    }

    int timesOpened(FrameCommand command) const { return int(m_opened.count(command)); }

    QAction *action(const char *name) { return frame().findChild<QAction *>(QString::fromLatin1(name)); }

    dates::FixedClock m_clock;
    test::TempDataDir m_dir;
    FakeSetup m_setup;
    host::ReminderState m_reminder;
    QList<FrameCommand> m_opened;
    std::unique_ptr<MainFrame> m_frame;
};

TEST_F(MainFrameTest, StartUpTitlesTheFrameAndOpensNamesThenPendingEvents) {
    ASSERT_TRUE(frame().start());
    EXPECT_EQ(frame().windowTitle(), QStringLiteral(" FREE Tabulo List Manager [Tuesday, Dec 8, 2026]"));
    EXPECT_EQ(m_opened, (QList<FrameCommand>{FrameCommand::NamesList, FrameCommand::PendingDatesList}));
    EXPECT_EQ(m_setup.prepared, 1);
    EXPECT_TRUE(m_reminder.popupSwitch);
    EXPECT_TRUE(frame().isVisible());
    const auto *timer = frame().findChild<QTimer *>(QStringLiteral("minuteTimer"));
    ASSERT_NE(timer, nullptr);
    EXPECT_TRUE(timer->isActive());
    EXPECT_EQ(timer->interval(), 60000);
    EXPECT_EQ(host::frameReceiver(), &frame());
}

TEST_F(MainFrameTest, TheOwnerNameLeadsTheTitleWithoutItsBlanks) {
    m_setup.outcome.madeFor = QStringLiteral("  Ann Smith         ");
    m_clock.set(QDateTime(QDate(2027, 1, 3), QTime(8, 0)));
    ASSERT_TRUE(frame().start());
    EXPECT_EQ(frame().windowTitle(),
              QStringLiteral("Ann Smith FREE Tabulo List Manager [Sunday, Jan 3, 2027]"));
}

TEST_F(MainFrameTest, AFailedSetupRecordStopsTheStartUp) {
    m_setup.outcome = {false, {}, QStringLiteral("Error adding QKset")};
    QString error;
    EXPECT_FALSE(frame().start(&error));
    EXPECT_EQ(error, QStringLiteral("Error adding QKset"));
    EXPECT_TRUE(m_opened.isEmpty());
    EXPECT_FALSE(frame().findChild<QTimer *>(QStringLiteral("minuteTimer"))->isActive());
}

TEST_F(MainFrameTest, PendingEventsPopUpEveryIntervalWhileBothFlagsAreSet) {
    ASSERT_TRUE(frame().start());
    m_opened.clear();
    m_reminder.popupMinutes = 2;
    m_reminder.eventsPending = true;

    QList<int> poppedAt;
    for (int minute = 1; minute <= 7; ++minute) {
        const int before = timesOpened(FrameCommand::PendingDatesList);
        frame().minuteElapsed();
        if (timesOpened(FrameCommand::PendingDatesList) > before)
            poppedAt.append(minute);
    }
    EXPECT_EQ(poppedAt, (QList<int>{2, 4, 6}));
}

TEST_F(MainFrameTest, AMinuteWithNothingPendingSkipsOnlyThatPopUp) {
    ASSERT_TRUE(frame().start());
    m_opened.clear();
    m_reminder.popupMinutes = 2;
    m_reminder.eventsPending = false;
    frame().minuteElapsed();
    frame().minuteElapsed(); // minute 2: nothing pending, skipped
    EXPECT_EQ(timesOpened(FrameCommand::PendingDatesList), 0);
    m_reminder.eventsPending = true;
    frame().minuteElapsed(); // minute 3: not due, the count restarted at 2
    EXPECT_EQ(timesOpened(FrameCommand::PendingDatesList), 0);
    frame().minuteElapsed(); // minute 4
    EXPECT_EQ(timesOpened(FrameCommand::PendingDatesList), 1);
}

TEST_F(MainFrameTest, WithPopUpsOffTheTimerNeverOpensTheListButTheMenuDoes) {
    // The pending-events list takes the switch from the setup record when it
    // starts, after the frame has set it.
    frame().openers().set(FrameCommand::PendingDatesList, [this](const host::gui::FrameContext &) {
        m_opened.append(FrameCommand::PendingDatesList);
        m_reminder.popupSwitch = false;
        m_reminder.popupMinutes = 2;
        m_reminder.eventsPending = true;
    });
    ASSERT_TRUE(frame().start());
    EXPECT_EQ(timesOpened(FrameCommand::PendingDatesList), 1);
    for (int minute = 1; minute <= 10; ++minute)
        frame().minuteElapsed();
    EXPECT_EQ(timesOpened(FrameCommand::PendingDatesList), 1);
    action("actionPendingDatesList")->trigger();
    EXPECT_EQ(timesOpened(FrameCommand::PendingDatesList), 2);
}

TEST_F(MainFrameTest, AShorterIntervalTakesEffectWhenTheCountIsAlreadyPastIt) {
    ASSERT_TRUE(frame().start());
    m_opened.clear();
    m_reminder.popupMinutes = 120;
    m_reminder.eventsPending = true;
    for (int minute = 1; minute <= 10; ++minute)
        frame().minuteElapsed();
    m_reminder.popupMinutes = 2;
    frame().minuteElapsed();
    EXPECT_EQ(timesOpened(FrameCommand::PendingDatesList), 1);
    frame().minuteElapsed();
    frame().minuteElapsed();
    EXPECT_EQ(timesOpened(FrameCommand::PendingDatesList), 2);
}

TEST_F(MainFrameTest, ListWindowsGreyOutTheirMenuItemsThroughEvents) {
    ASSERT_TRUE(frame().start());
    QAction *names = action("actionNamesList");
    QAction *companies = action("actionCompaniesList");

    host::postFrameEvent(host::FrameEvent::NamesListOpened);
    host::postFrameEvent(host::FrameEvent::CompaniesListOpened);
    QCoreApplication::sendPostedEvents(&frame());
    EXPECT_FALSE(names->isEnabled());
    EXPECT_FALSE(companies->isEnabled());

    host::postFrameEvent(host::FrameEvent::NamesListClosed);
    QCoreApplication::sendPostedEvents(&frame());
    EXPECT_TRUE(names->isEnabled());
    EXPECT_FALSE(companies->isEnabled());
    host::postFrameEvent(host::FrameEvent::CompaniesListClosed);
    QCoreApplication::sendPostedEvents(&frame());
    EXPECT_TRUE(companies->isEnabled());

    m_opened.clear();
    host::postFrameEvent(host::FrameEvent::OpenNamesList);
    QCoreApplication::sendPostedEvents(&frame());
    EXPECT_EQ(m_opened, QList<FrameCommand>{FrameCommand::NamesList});
}

TEST_F(MainFrameTest, TheCompaniesListCanBlockTheMenusWhileItAddsInPlace) {
    ASSERT_TRUE(frame().start());
    const QStringList blocked{QStringLiteral("menuFile"),    QStringLiteral("menuEdit"),
                              QStringLiteral("menuViews"),   QStringLiteral("menuDataTables"),
                              QStringLiteral("menuReports"), QStringLiteral("menuWindow")};
    host::postFrameEvent(host::FrameEvent::DisableMenus);
    QCoreApplication::sendPostedEvents(&frame());
    for (const QString &name : blocked)
        EXPECT_FALSE(frame().findChild<QMenu *>(name)->menuAction()->isEnabled()) << name.toStdString();
    EXPECT_FALSE(action("actionHelpOnline")->isEnabled());
    EXPECT_TRUE(action("actionHelpLocal")->isEnabled());
    EXPECT_TRUE(frame().findChild<QMenu *>(QStringLiteral("menuHelp"))->menuAction()->isEnabled());

    host::postFrameEvent(host::FrameEvent::EnableMenus);
    QCoreApplication::sendPostedEvents(&frame());
    for (const QString &name : blocked)
        EXPECT_TRUE(frame().findChild<QMenu *>(name)->menuAction()->isEnabled()) << name.toStdString();
    EXPECT_TRUE(action("actionHelpOnline")->isEnabled());
}

TEST_F(MainFrameTest, AMenuItemWithoutItsWindowSaysSoInTheStatusBar) {
    ASSERT_TRUE(frame().start());
    action("actionCompaniesList")->trigger();
    EXPECT_EQ(frame().statusBar()->currentMessage(), QStringLiteral("Companies list is not available yet"));

    bool opened = false;
    frame().openers().set(FrameCommand::CompaniesList, [&](const host::gui::FrameContext &context) {
        EXPECT_EQ(context.mdiArea, frame().mdiArea());
        opened = true;
    });
    frame().statusBar()->clearMessage();
    action("actionCompaniesList")->trigger();
    EXPECT_TRUE(opened);
    EXPECT_TRUE(frame().statusBar()->currentMessage().isEmpty());
}

TEST_F(MainFrameTest, ShutDownReleasesSetupAndSavesTheMainPlacement) {
    ASSERT_TRUE(frame().start());
    // A place wholly on the screen, borders and all, where the next start
    // keeps it: in the middle of the screen.
    const QRect available = frame().screen()->availableGeometry();
    const QSize borders = frame().frameGeometry().size() - frame().geometry().size();
    const QSize size = frame().minimumSize();
    const QPoint outer(available.left() + (available.width() - size.width() - borders.width()) / 2,
                       available.top() + (available.height() - size.height() - borders.height()) / 2);
    const QRect place(outer + (frame().geometry().topLeft() - frame().frameGeometry().topLeft()), size);
    ASSERT_NE(place.x(), 0) << "x = 0 reads as never saved";
    frame().setGeometry(place);
    frame().close();
    EXPECT_EQ(m_setup.released, 1);
    const engine::Placement saved =
        engine::PlacementSettings(m_dir.file(QStringLiteral("QK.INI"))).read(QStringLiteral("Main"));
    EXPECT_EQ(QRect(saved.x, saved.y, saved.width, saved.height), place);
    EXPECT_FALSE(saved.maximised);
    EXPECT_EQ(host::frameReceiver(), nullptr);
    m_frame.reset();
    EXPECT_EQ(m_setup.released, 1);

    // The next start opens where this one ended.
    ASSERT_TRUE(frame().start());
    EXPECT_EQ(frame().geometry(), place);
}

// A window that asks before it closes, as a form with unsaved changes does.
class StubbornWindow final : public QWidget {
public:
    bool refuse = true;
    int asked = 0;

protected:
    void closeEvent(QCloseEvent *event) override {
        ++asked;
        if (refuse)
            event->ignore();
        else
            event->accept();
    }
};

TEST_F(MainFrameTest, ClosingTheFrameClosesEveryOtherWindowFirst) {
    ASSERT_TRUE(frame().start());
    StubbornWindow list;
    list.setObjectName(QStringLiteral("namesListWindow"));
    list.show();
    QWidget *child = new QWidget;
    frame().mdiArea()->addSubWindow(child)->show();

    EXPECT_FALSE(frame().close());
    EXPECT_EQ(list.asked, 1);
    EXPECT_TRUE(frame().isVisible());
    EXPECT_EQ(m_setup.released, 0);
    EXPECT_FALSE(QFile::exists(m_dir.file(QStringLiteral("QK.INI"))));

    list.refuse = false;
    EXPECT_TRUE(frame().close());
    EXPECT_FALSE(list.isVisible());
    EXPECT_EQ(m_setup.released, 1);
    EXPECT_TRUE(QFile::exists(m_dir.file(QStringLiteral("QK.INI"))));
}

TEST_F(MainFrameTest, WindowMenuArrangesTheChildWindows) {
    ASSERT_TRUE(frame().start());
    QMdiArea *area = frame().mdiArea();
    QList<QMdiSubWindow *> subs;
    for (int i = 0; i < 3; ++i) {
        auto *sub = area->addSubWindow(new QWidget);
        sub->setObjectName(QStringLiteral("child%1").arg(i));
        sub->setGeometry(5, 5, 200, 150);
        sub->show();
        subs.append(sub);
    }
    action("actionTile")->trigger();
    for (int i = 0; i < 3; ++i)
        for (int j = i + 1; j < 3; ++j)
            EXPECT_FALSE(subs[i]->geometry().intersects(subs[j]->geometry()));

    action("actionCascade")->trigger();
    EXPECT_LT(subs[0]->x(), subs[1]->x());
    EXPECT_LT(subs[0]->y(), subs[1]->y());
    EXPECT_LT(subs[1]->y(), subs[2]->y());

    subs[0]->showMinimized();
    subs[2]->showMinimized();
    subs[0]->move(300, 40);
    subs[2]->move(310, 60);
    action("actionArrangeIcons")->trigger();
    const int bottom = area->viewport()->height();
    EXPECT_EQ(subs[0]->geometry().bottom() + 1, bottom);
    EXPECT_EQ(subs[0]->x(), 0);
    EXPECT_EQ(subs[2]->x(), subs[0]->width());
    EXPECT_EQ(subs[2]->geometry().bottom() + 1, bottom);
}

TEST_F(MainFrameTest, EditItemsWorkOnTheFocusedControl) {
    ASSERT_TRUE(frame().start());
    auto *entry = new QLineEdit(QStringLiteral("Smith"));
    entry->setObjectName(QStringLiteral("entry"));
    QMdiSubWindow *sub = frame().mdiArea()->addSubWindow(entry);
    sub->show();
    QApplication::setActiveWindow(&frame());
    entry->setFocus();
    ASSERT_TRUE(QTest::qWaitFor([&] { return QApplication::focusWidget() == entry; }));

    entry->selectAll();
    QApplication::clipboard()->clear();
    action("actionCopy")->trigger();
    EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("Smith"));

    entry->setSelection(0, 2);
    action("actionCut")->trigger();
    EXPECT_EQ(entry->text(), QStringLiteral("ith"));
    EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("Sm"));

    entry->end(false);
    action("actionPaste")->trigger();
    EXPECT_EQ(entry->text(), QStringLiteral("ithSm"));
}

TEST_F(MainFrameTest, PrintSetupShowsThePrinterDialogOverTheFrame) {
    ASSERT_TRUE(frame().start());
    QString shownTitle;
    QWidget *shownParent = nullptr;
    QTimer::singleShot(0, [&] {
        QWidget *dialog = QApplication::activeModalWidget();
        ASSERT_NE(dialog, nullptr);
        shownTitle = dialog->windowTitle();
        shownParent = dialog->parentWidget();
        dialog->close();
    });
    action("actionPrintSetup")->trigger();
    EXPECT_EQ(shownTitle, QStringLiteral("Print Setup"));
    EXPECT_EQ(shownParent, &frame());
}

// Records the addresses handed to the desktop.
class UrlCatcher final : public QObject {
    Q_OBJECT
public:
    QList<QUrl> urls;
public slots:
    void open(const QUrl &url) { urls.append(url); }
};

TEST_F(MainFrameTest, HelpRunsTheLauncherFromTheProgramDirectory) {
    const QString record = m_dir.file(QStringLiteral("launched.txt"));
    const QString launcher = m_dir.file(QStringLiteral("ow"));
    {
        QFile script(launcher);
        ASSERT_TRUE(script.open(QIODevice::WriteOnly));
        script.write(
            QStringLiteral("#!/bin/sh\nprintf '%s|%s' \"$PWD\" \"$1\" > '%1'\n").arg(record).toUtf8());
        script.setPermissions(script.permissions() | QFileDevice::ExeOwner);
    }
    ASSERT_TRUE(frame().start());
    action("actionHelpLocal")->trigger();
    ASSERT_TRUE(QTest::qWaitFor([&] { return QFile::exists(record) && QFile(record).size() > 0; }, 5000));
    QFile out(record);
    ASSERT_TRUE(out.open(QIODevice::ReadOnly));
    const QString line = QString::fromUtf8(out.readAll());
    EXPECT_EQ(line, QDir(m_dir.path()).canonicalPath() + QLatin1Char('|') +
                        m_dir.file(QStringLiteral("helpfiles/HelpDocLocal.htm")));
}

TEST_F(MainFrameTest, WithoutTheLauncherHelpGoesToTheDesktop) {
    UrlCatcher catcher;
    QDesktopServices::setUrlHandler(QStringLiteral("https"), &catcher, "open");
    QDesktopServices::setUrlHandler(QStringLiteral("file"), &catcher, "open");
    ASSERT_TRUE(frame().start());

    action("actionHelpOnline")->trigger();
    ASSERT_EQ(catcher.urls.size(), 1);
    EXPECT_TRUE(catcher.urls[0].toString().endsWith(QStringLiteral("/help/helpdocs.htm")));

    // No local help file: the user is told, nothing is opened.
    action("actionHelpLocal")->trigger();
    EXPECT_EQ(catcher.urls.size(), 1);
    EXPECT_TRUE(frame().statusBar()->currentMessage().contains(QStringLiteral("HelpDocLocal.htm")));

    QDir(m_dir.path()).mkdir(QStringLiteral("helpfiles"));
    QFile page(m_dir.file(QStringLiteral("helpfiles/HelpDocLocal.htm")));
    ASSERT_TRUE(page.open(QIODevice::WriteOnly));
    page.close();
    action("actionHelpLocal")->trigger();
    ASSERT_EQ(catcher.urls.size(), 2);
    EXPECT_EQ(catcher.urls[1], QUrl::fromLocalFile(page.fileName()));

    QDesktopServices::unsetUrlHandler(QStringLiteral("https"));
    QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
}

} // namespace

#include "MainFrameTest.moc"
