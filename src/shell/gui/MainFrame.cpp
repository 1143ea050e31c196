#include "shell/gui/MainFrame.h"

#include "base/Clock.h"
#include "engine/Globals.h"
#include "engine/gui/WindowHost.h"
#include "engine/gui/WindowPlacement.h"
#include "host/DataDirectory.h"
#include "host/FrameEvents.h"
#include "host/SetupSource.h"
#include "host/gui/SharedPrinter.h"
#include "shell/HelpLauncher.h"
#include "shell/gui/AboutDialog.h"
#include "shell/gui/BackupCommands.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDesktopServices>
#include <QFileInfo>
#include <QIcon>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QPointer>
#include <QPrintDialog>
#include <QProcess>
#include <QScreen>
#include <QStatusBar>
#include <QTimer>
#include <QUrl>
#include <algorithm>

namespace tabulo::shell::gui {

using host::DataDirectory;
using host::FrameEvent;
using host::frameReceiver;
using host::isFrameEvent;
using host::ReminderState;
using host::setFrameReceiver;
using host::SetupSource;
using host::gui::FrameCommand;
using host::gui::FrameContext;
using host::gui::setFrameCommandRunner;
using host::gui::setFrameStatusShower;
using host::gui::sharedPrinter;
using host::gui::WindowOpeners;

using engine::gui::WindowPlacement;

namespace {
constexpr int kStatusMs = 5000;

ReminderState &reminderOf(const MainFrame::Services &services) {
    return services.reminder ? *services.reminder : ReminderState::process();
}
} // namespace

MainFrame::MainFrame(Services services, QWidget *parent)
    : QMainWindow(parent)
    , m_services(std::move(services))
    , m_placement(m_services.settingsFile.isEmpty() ? DataDirectory::settingsFile() : m_services.settingsFile)
    , m_reminder(reminderOf(m_services)) {
    Q_ASSERT(m_services.setup);
    Q_ASSERT(m_services.formatD3);
    setObjectName(QStringLiteral("mainFrame"));
    // The design-time title; start() replaces it.
    setWindowTitle(QStringLiteral("Tabulo List Manager"));
    setWindowIcon(programIcon());
    resize(900, 620);

    m_mdiArea = new QMdiArea(this);
    m_mdiArea->setObjectName(QStringLiteral("mdiArea"));
    m_mdiArea->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_mdiArea->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setCentralWidget(m_mdiArea);
    // Lists, forms and pickers open as sub-windows of this area.
    engine::gui::WindowHost::setArea(m_mdiArea);
    setFrameCommandRunner([this](FrameCommand command) { runCommand(command); });
    setFrameStatusShower([this](const QString &text) { statusBar()->showMessage(text, kStatusMs); });

    buildMenus();
    statusBar()->setObjectName(QStringLiteral("statusBar"));

    m_minuteTimer = new QTimer(this);
    m_minuteTimer->setObjectName(QStringLiteral("minuteTimer"));
    m_minuteTimer->setInterval(kMinuteMs);
    connect(m_minuteTimer, &QTimer::timeout, this, &MainFrame::minuteElapsed);
}

MainFrame::~MainFrame() {
    if (frameReceiver() == this)
        setFrameReceiver(nullptr);
    if (engine::gui::WindowHost::area() == m_mdiArea) {
        engine::gui::WindowHost::setArea(nullptr);
        setFrameCommandRunner(nullptr);
        setFrameStatusShower(nullptr);
    }
    if (m_started && !m_closed)
        m_services.setup->release();
}

QAction *MainFrame::addItem(QMenu *menu, const QString &name, const QString &text, const QString &statusTip) {
    QAction *action = menu->addAction(text);
    action->setObjectName(name);
    if (!statusTip.isEmpty())
        action->setStatusTip(statusTip);
    return action;
}

QAction *MainFrame::addCommand(QMenu *menu, FrameCommand command, const QString &name, const QString &text) {
    QAction *action = addItem(menu, name, text);
    m_commandActions.insert(command, action);
    connect(action, &QAction::triggered, this, [this, command] { runCommand(command); });
    return action;
}

void MainFrame::buildMenus() {
    QMenuBar *bar = menuBar();
    bar->setObjectName(QStringLiteral("menuBar"));

    QMenu *file = bar->addMenu(QStringLiteral("&File"));
    file->setObjectName(QStringLiteral("menuFile"));
    QAction *backup =
        addItem(file, QStringLiteral("actionBackupDataFiles"), QStringLiteral("&Backup Data Files"));
    connect(backup, &QAction::triggered, this, [this] { backupDataFiles(this); });
    QAction *restore =
        addItem(file, QStringLiteral("actionRestoreFromBackup"), QStringLiteral("Restore from Backup..."));
    connect(restore, &QAction::triggered, this, [this] { restoreFromBackup(this); });
    QAction *printSetupAction = addItem(file, QStringLiteral("actionPrintSetup"),
                                        QStringLiteral("&P&rint Setup..."), QStringLiteral("Setup Printer"));
    connect(printSetupAction, &QAction::triggered, this, &MainFrame::printSetup);
    file->addSeparator();
    addCommand(file, FrameCommand::ImportContacts, QStringLiteral("actionImportContacts"),
               QStringLiteral("&Import vCard or CSV..."));
    addCommand(file, FrameCommand::ExportContacts, QStringLiteral("actionExportContacts"),
               QStringLiteral("Expor&t vCard or CSV..."));
    file->addSeparator();
    QAction *exit = addItem(file, QStringLiteral("actionExit"), QStringLiteral("E&xit"),
                            QStringLiteral("Exit this application"));
    connect(exit, &QAction::triggered, this, &QWidget::close);

    QMenu *edit = bar->addMenu(QStringLiteral("&Edit"));
    edit->setObjectName(QStringLiteral("menuEdit"));
    QAction *cut = addItem(edit, QStringLiteral("actionCut"), QStringLiteral("Cu&t"),
                           QStringLiteral("Remove item to Windows Clipboard"));
    cut->setShortcut(QKeySequence::Cut);
    connect(cut, &QAction::triggered, this, [this] { editFocused("cut", QKeySequence::Cut); });
    QAction *copy = addItem(edit, QStringLiteral("actionCopy"), QStringLiteral("&Copy"),
                            QStringLiteral("Copy item to Windows Clipboard"));
    copy->setShortcut(QKeySequence::Copy);
    connect(copy, &QAction::triggered, this, [this] { editFocused("copy", QKeySequence::Copy); });
    QAction *paste = addItem(edit, QStringLiteral("actionPaste"), QStringLiteral("&Paste"),
                             QStringLiteral("Paste contents of Windows Clipboard"));
    paste->setShortcut(QKeySequence::Paste);
    connect(paste, &QAction::triggered, this, [this] { editFocused("paste", QKeySequence::Paste); });
    edit->addSeparator();
    QAction *find =
        addCommand(edit, FrameCommand::Find, QStringLiteral("actionFind"), QStringLiteral("&Find..."));
    find->setStatusTip(QStringLiteral("Find people, companies, notes, phone numbers and calls"));
    find->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_F));

    QMenu *views = bar->addMenu(QStringLiteral("&Views"));
    views->setObjectName(QStringLiteral("menuViews"));
    addCommand(views, FrameCommand::NamesList, QStringLiteral("actionNamesList"),
               QStringLiteral("&Names List"));
    addCommand(views, FrameCommand::CompaniesList, QStringLiteral("actionCompaniesList"),
               QStringLiteral("&Companies List"));
    addCommand(views, FrameCommand::PendingDatesList, QStringLiteral("actionPendingDatesList"),
               QStringLiteral("Pending &Dates List"));
    addCommand(views, FrameCommand::CallsList, QStringLiteral("actionCallsList"),
               QStringLiteral("&Calls List"));

    QMenu *tables = bar->addMenu(QStringLiteral("Data &Tables"));
    tables->setObjectName(QStringLiteral("menuDataTables"));
    addCommand(tables, FrameCommand::CitiesAndZipCodes, QStringLiteral("actionCitiesAndZipCodes"),
               QStringLiteral("Cities and &Zip Codes"));
    addCommand(tables, FrameCommand::CompanyCategories, QStringLiteral("actionCompanyCategories"),
               QStringLiteral("&Company Categories"));
    addCommand(tables, FrameCommand::ImportantDates, QStringLiteral("actionImportantDates"),
               QStringLiteral("&Important Dates"));
    addCommand(tables, FrameCommand::NameCategories, QStringLiteral("actionNameCategories"),
               QStringLiteral("&Names Categories"));
    addCommand(tables, FrameCommand::Setup, QStringLiteral("actionSetup"), QStringLiteral("&Setup"));
    addCommand(tables, FrameCommand::Calendar, QStringLiteral("actionCalendar"), QStringLiteral("&Calendar"));

    QMenu *reports = bar->addMenu(QStringLiteral("&Reports"));
    reports->setObjectName(QStringLiteral("menuReports"));
    addCommand(reports, FrameCommand::NamesLabels, QStringLiteral("actionNamesLabels"),
               QStringLiteral("Names &Labels"));
    addCommand(reports, FrameCommand::NamesReport, QStringLiteral("actionNamesReport"),
               QStringLiteral("Names &Report"));
    addCommand(reports, FrameCommand::CompanyLabels, QStringLiteral("actionCompanyLabels"),
               QStringLiteral("&Company Labels"));
    addCommand(reports, FrameCommand::CompanyReport, QStringLiteral("actionCompanyReport"),
               QStringLiteral("Co&mpany Report"));

    QMenu *window = bar->addMenu(QStringLiteral("&Window"));
    window->setObjectName(QStringLiteral("menuWindow"));
    window->menuAction()->setStatusTip(QStringLiteral("Create and Arrange windows"));
    QAction *tile = addItem(window, QStringLiteral("actionTile"), QStringLiteral("T&ile"),
                            QStringLiteral("Make all open windows visible"));
    connect(tile, &QAction::triggered, this, &MainFrame::tileWindows);
    QAction *cascade = addItem(window, QStringLiteral("actionCascade"), QStringLiteral("&Cascade"),
                               QStringLiteral("Stack all open windows"));
    connect(cascade, &QAction::triggered, this, &MainFrame::cascadeWindows);
    QAction *arrange = addItem(window, QStringLiteral("actionArrangeIcons"), QStringLiteral("&Arrange Icons"),
                               QStringLiteral("Align all window icons"));
    connect(arrange, &QAction::triggered, this, &MainFrame::arrangeIcons);
    // Below the arranging items, one checkable item per open window.
    connect(window, &QMenu::aboutToShow, this, [this, window] { listWindows(window); });

    QMenu *help = bar->addMenu(QStringLiteral("&Help"));
    help->setObjectName(QStringLiteral("menuHelp"));
    m_helpOnline = addItem(help, QStringLiteral("actionHelpOnline"), QStringLiteral("Help &Online"));
    connect(m_helpOnline, &QAction::triggered, this, [this] { showHelp(true); });
    QAction *helpLocal = addItem(help, QStringLiteral("actionHelpLocal"), QStringLiteral("Help &Local"));
    connect(helpLocal, &QAction::triggered, this, [this] { showHelp(false); });
    help->addSeparator();
    QAction *about =
        addItem(help, QStringLiteral("actionAbout"), QStringLiteral("&About Tabulo List Manager"),
                QStringLiteral("Version, data directory and licences"));
    connect(about, &QAction::triggered, this, &MainFrame::showAbout);

    m_blockableMenus = {file, edit, views, tables, reports, window};
}

bool MainFrame::start(QString *error) {
    engine::setGlobalRequest(engine::Request::None);
    engine::setGlobalResponse(engine::Response::None);
    setFrameReceiver(this);

    // The setup table and its record come before the frame shows.
    const SetupSource::Outcome setup = m_services.setup->prepare();
    if (!setup.ok) {
        if (error)
            *error = setup.error.isEmpty() ? QStringLiteral("Error adding QKset") : setup.error;
        m_setupReported = setup.reported;
        return false;
    }

    // The designed size, but never more than the screen has room for.
    const QRect available = screen()->availableGeometry();
    const QSize room = available.size() - (frameGeometry().size() - geometry().size());
    const QSize designed = WindowPlacement::designedSize(this).boundedTo(room);
    setMinimumSize(designed);
    resize(size().boundedTo(room));
    // A first start (nothing saved) sizes the frame for its first window.
    const bool placed = m_placement.number(QString::fromLatin1(kSection), QStringLiteral("XPosit")) != 0;
    WindowPlacement::restore(this, QString::fromLatin1(kSection), m_placement);
    show();
    m_started = true;

    const int today = dates::Clock::current().today();
    setWindowTitle(frameTitle(setup.madeFor, today, m_services.formatD3));

    // Before the first windows open, so nothing writes while a start task
    // (a search index build) holds a file.
    m_openers.runStartTasks(context());
    const QList<QMdiSubWindow *> before = m_mdiArea->subWindowList();
    runCommand(FrameCommand::NamesList);
    QMdiSubWindow *names = nullptr;
    for (QMdiSubWindow *sub : m_mdiArea->subWindowList()) {
        if (!placed && !before.contains(sub))
            names = sub;
    }
    // Only now are the frame's borders known: with them it must fit too.
    fitAround(names);
    reminderOf(m_services).popupSwitch = true;
    runCommand(FrameCommand::PendingDatesList);

    m_minuteTimer->start();
    return true;
}

void MainFrame::fitAround(QMdiSubWindow *sub) {
    // The frame grows until the area holds the whole window (no scroll
    // bars), up to what the screen has room for with the frame's borders,
    // and lies wholly on the screen.
    const QRect available = screen()->availableGeometry();
    const QSize room = available.size() - (frameGeometry().size() - geometry().size());
    QSize wanted = size();
    if (sub) {
        // The area may have scrolled the window partly out of view.
        const QSize held = m_mdiArea->contentsRect().size();
        const QSize needed(std::max(0, sub->x()) + sub->width(), std::max(0, sub->y()) + sub->height());
        wanted += (needed - held).expandedTo(QSize(0, 0));
    }
    setMinimumSize(minimumSize().boundedTo(room));
    if (wanted.boundedTo(room) != size())
        resize(wanted.boundedTo(room));
    if (sub && (sub->x() < 0 || sub->y() < 0))
        sub->move(std::max(0, sub->x()), std::max(0, sub->y()));
    const QRect outer = frameGeometry();
    const int x = std::clamp(outer.x(), available.left(),
                             std::max(available.left(), available.right() + 1 - outer.width()));
    const int y = std::clamp(outer.y(), available.top(),
                             std::max(available.top(), available.bottom() + 1 - outer.height()));
    if (x != outer.x() || y != outer.y())
        move(x, y);
}

FrameContext MainFrame::context() const {
    return FrameContext{const_cast<MainFrame *>(this), m_mdiArea};
}

void MainFrame::runCommand(FrameCommand command) {
    if (!m_openers.open(command, context()))
        statusBar()->showMessage(
            QStringLiteral("%1 is not available yet").arg(WindowOpeners::windowName(command)), kStatusMs);
}

void MainFrame::minuteElapsed() {
    if (m_reminder.tick())
        runCommand(FrameCommand::PendingDatesList);
}

// Side by side when every window fits its share of the area, otherwise in
// the fewest rows that let each keep at least its designed size; when none
// does, the toolkit's own tiling.
void MainFrame::tileWindows() {
    QList<QMdiSubWindow *> windows;
    for (QMdiSubWindow *sub : m_mdiArea->subWindowList(QMdiArea::CreationOrder)) {
        if (sub->isVisible() && !sub->isMinimized())
            windows.append(sub);
    }
    const int n = static_cast<int>(windows.size());
    if (n == 0)
        return;
    const QSize area = m_mdiArea->viewport()->size();
    for (int columns = n; columns >= 1; --columns) {
        const int rows = (n + columns - 1) / columns;
        const QSize cell(area.width() / columns, area.height() / rows);
        const bool fits = std::all_of(windows.cbegin(), windows.cend(), [&cell](const QMdiSubWindow *sub) {
            const QSize least = sub->minimumSizeHint().expandedTo(sub->minimumSize());
            return least.width() <= cell.width() && least.height() <= cell.height();
        });
        if (!fits)
            continue;
        for (int i = 0; i < n; ++i) {
            QMdiSubWindow *sub = windows.at(i);
            if (sub->isMaximized())
                sub->showNormal();
            const QRect place(QPoint((i % columns) * cell.width(), (i / columns) * cell.height()), cell);
            // A window of fixed size keeps it, at the corner of its share.
            if (sub->minimumSize() == sub->maximumSize())
                sub->move(place.topLeft());
            else
                sub->setGeometry(place);
        }
        return;
    }
    m_mdiArea->tileSubWindows();
}

void MainFrame::cascadeWindows() {
    m_mdiArea->cascadeSubWindows();
}

// Lines the minimised windows up along the bottom of the area, left to right,
// starting a new row above when a row is full.
void MainFrame::arrangeIcons() {
    const QRect area = m_mdiArea->viewport()->rect();
    int x = 0;
    int rowBottom = area.bottom() + 1;
    int rowHeight = 0;
    for (QMdiSubWindow *sub : m_mdiArea->subWindowList(QMdiArea::CreationOrder)) {
        if (!sub->isMinimized() || !sub->isVisible())
            continue;
        const QSize size = sub->size();
        if (x > 0 && x + size.width() > area.width()) {
            rowBottom -= rowHeight;
            x = 0;
            rowHeight = 0;
        }
        sub->move(x, rowBottom - size.height());
        x += size.width();
        rowHeight = std::max(rowHeight, size.height());
    }
}

void MainFrame::listWindows(QMenu *menu) {
    for (QAction *old : menu->actions()) {
        if (old->property("windowEntry").toBool()) {
            menu->removeAction(old);
            old->deleteLater();
        }
    }
    const QList<QMdiSubWindow *> windows = m_mdiArea->subWindowList(QMdiArea::CreationOrder);
    int number = 0;
    for (QMdiSubWindow *sub : windows) {
        if (!sub->isVisible() || !sub->widget())
            continue;
        if (number == 0) {
            QAction *separator = menu->addSeparator();
            separator->setProperty("windowEntry", true);
        }
        ++number;
        const QString text = number < 10 ? QStringLiteral("&%1 %2").arg(number).arg(sub->windowTitle())
                                         : QStringLiteral("%1 %2").arg(number).arg(sub->windowTitle());
        QAction *item = menu->addAction(text);
        item->setProperty("windowEntry", true);
        item->setObjectName(QStringLiteral("windowEntry%1").arg(number));
        item->setCheckable(true);
        item->setChecked(sub == m_mdiArea->activeSubWindow());
        QPointer<QMdiSubWindow> target(sub);
        connect(item, &QAction::triggered, this, [target] {
            if (target)
                engine::gui::WindowHost::bringToFront(target);
        });
    }
}

void MainFrame::editFocused(const char *slot, int standardKey) {
    QWidget *target = QApplication::focusWidget();
    if (!target) {
        if (QMdiSubWindow *active = m_mdiArea->activeSubWindow())
            target = active->widget() ? active->widget()->focusWidget() : nullptr;
    }
    if (!target)
        return;
    if (auto *combo = qobject_cast<QComboBox *>(target); combo && combo->lineEdit())
        target = combo->lineEdit();
    const QByteArray signature = QByteArray(slot) + "()";
    if (target->metaObject()->indexOfMethod(signature.constData()) >= 0) {
        QMetaObject::invokeMethod(target, slot);
        return;
    }
    // Controls without such a slot still know the standard key.
    const QKeySequence sequence(static_cast<QKeySequence::StandardKey>(standardKey));
    if (sequence.isEmpty())
        return;
    const QKeyCombination combination = sequence[0];
    QKeyEvent press(QEvent::KeyPress, combination.key(), combination.keyboardModifiers());
    QApplication::sendEvent(target, &press);
    QKeyEvent release(QEvent::KeyRelease, combination.key(), combination.keyboardModifiers());
    QApplication::sendEvent(target, &release);
}

void MainFrame::printSetup() {
    QPrintDialog dialog(&sharedPrinter(), this);
    dialog.setObjectName(QStringLiteral("printSetupDialog"));
    dialog.setWindowTitle(QStringLiteral("Print Setup"));
    // Choosing the printer and its paper only; nothing is printed from here.
    dialog.setOption(QAbstractPrintDialog::PrintToFile, false);
    dialog.setOption(QAbstractPrintDialog::PrintSelection, false);
    dialog.setOption(QAbstractPrintDialog::PrintPageRange, false);
    dialog.setOption(QAbstractPrintDialog::PrintCurrentPage, false);
    dialog.setOption(QAbstractPrintDialog::PrintCollateCopies, false);
    dialog.exec();
}

void MainFrame::showHelp(bool online) {
    const QString programDirectory = m_services.programDirectory.isEmpty()
                                         ? QCoreApplication::applicationDirPath()
                                         : m_services.programDirectory;
    const HelpLaunch launch = planHelp(online ? HelpKind::Online : HelpKind::Local, programDirectory);
    if (!launch.program.isEmpty()) {
        // Not waited for; its outcome is its own business.
        if (!QProcess::startDetached(launch.program, launch.arguments, programDirectory))
            statusBar()->showMessage(QStringLiteral("Could not run %1").arg(launch.program), kStatusMs);
        return;
    }
    if (launch.targetIsFile && !QFileInfo::exists(launch.target)) {
        statusBar()->showMessage(QStringLiteral("The local help file %1 is missing").arg(launch.target),
                                 kStatusMs);
        return;
    }
    const QUrl url = launch.targetIsFile ? QUrl::fromLocalFile(launch.target) : QUrl(launch.target);
    if (!QDesktopServices::openUrl(url))
        statusBar()->showMessage(QStringLiteral("Could not open %1").arg(launch.target), kStatusMs);
}

void MainFrame::showAbout() {
    auto *box = new AboutDialog(DataDirectory::path(), this);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
}

void MainFrame::setMenusEnabled(bool enabled) {
    for (QMenu *menu : std::as_const(m_blockableMenus))
        menu->menuAction()->setEnabled(enabled);
    m_helpOnline->setEnabled(enabled);
}

bool MainFrame::event(QEvent *event) {
    if (!isFrameEvent(event->type()))
        return QMainWindow::event(event);
    switch (static_cast<FrameEvent>(static_cast<int>(event->type()))) {
    case FrameEvent::DisableMenus:
        setMenusEnabled(false);
        break;
    case FrameEvent::EnableMenus:
        setMenusEnabled(true);
        break;
    case FrameEvent::NamesListOpened:
        m_commandActions.value(FrameCommand::NamesList)->setEnabled(false);
        break;
    case FrameEvent::CompaniesListOpened:
        m_commandActions.value(FrameCommand::CompaniesList)->setEnabled(false);
        break;
    case FrameEvent::NamesListClosed:
        m_commandActions.value(FrameCommand::NamesList)->setEnabled(true);
        break;
    case FrameEvent::CompaniesListClosed:
        m_commandActions.value(FrameCommand::CompaniesList)->setEnabled(true);
        break;
    case FrameEvent::OpenNamesList:
        runCommand(FrameCommand::NamesList);
        break;
    }
    event->accept();
    return true;
}

void MainFrame::closeEvent(QCloseEvent *event) {
    // The program ends with the frame. Every other window gets its own close
    // first, so each saves its placement and its form can ask about unsaved
    // changes; one that refuses keeps the program running.
    // Newest first, so a form closes before the window waiting for it.
    QList<QMdiSubWindow *> open = m_mdiArea->subWindowList(QMdiArea::CreationOrder);
    for (auto it = open.crbegin(); it != open.crend(); ++it) {
        QMdiSubWindow *sub = *it;
        if (sub->isVisible() && !sub->close()) {
            event->ignore();
            return;
        }
    }
    for (QWidget *window : QApplication::topLevelWidgets()) {
        if (window == this || !window->isVisible() || window->windowType() == Qt::Popup ||
            window->windowType() == Qt::ToolTip)
            continue;
        if (!window->close()) {
            event->ignore();
            return;
        }
    }
    m_minuteTimer->stop();
    if (m_started && !m_closed)
        m_services.setup->release();
    m_closed = true;
    WindowPlacement::save(this, QString::fromLatin1(kSection), m_placement);
    setFrameReceiver(nullptr);
    QMainWindow::closeEvent(event);
}

} // namespace tabulo::shell::gui
