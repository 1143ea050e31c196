#include "support/WindowTour.h"

#include "engine/Globals.h"
#include "engine/Picture.h"
#include "engine/gui/WindowHost.h"
#include "host/StoreSetupSource.h"
#include "people/gui/CategoryWindows.h"
#include "people/gui/NameRecordForm.h"
#include "phones/gui/JustPhonesWindows.h"
#include "reports/gui/PrintMenu.h"
#include "search/gui/SearchWindow.h"
#include "shell/gui/MainFrame.h"
#include "shell/gui/ProgramWindows.h"
#include "store/Store.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAbstractSpinBox>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTabBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QTextEdit>

namespace tabulo::test {

namespace {

bool isControl(const QWidget *w) {
    if (auto *label = qobject_cast<const QLabel *>(w))
        return !label->text().isEmpty() || !label->pixmap().isNull();
    return qobject_cast<const QAbstractButton *>(w) || qobject_cast<const QLineEdit *>(w) ||
           qobject_cast<const QComboBox *>(w) || qobject_cast<const QAbstractSpinBox *>(w) ||
           qobject_cast<const QAbstractItemView *>(w) || qobject_cast<const QTabBar *>(w) ||
           qobject_cast<const QTextEdit *>(w) || qobject_cast<const QPlainTextEdit *>(w) ||
           qobject_cast<const QScrollBar *>(w) ||
           // A control of its own making: takes the focus and holds no widgets.
           (w->focusPolicy() != Qt::NoFocus && w->findChildren<QWidget *>().isEmpty());
}

// Parts of a composite control (a list's header, a spin box's entry) are the
// control's business, not the window's.
bool insideControl(const QWidget *w, const QWidget *window) {
    for (const QWidget *p = w->parentWidget(); p && p != window; p = p->parentWidget()) {
        if (isControl(p))
            return true;
    }
    return false;
}

QString describe(const QWidget *w) {
    QString name = w->objectName();
    if (name.isEmpty()) {
        if (auto *b = qobject_cast<const QAbstractButton *>(w))
            name = b->text();
        else if (auto *l = qobject_cast<const QLabel *>(w))
            name = l->text().left(20);
    }
    return QStringLiteral("%1 \"%2\"").arg(QString::fromLatin1(w->metaObject()->className()), name);
}

QString rectText(const QRect &r) {
    return QStringLiteral("(%1,%2 %3x%4)").arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height());
}

} // namespace

QStringList layoutProblems(QWidget *window) {
    QStringList problems;
    std::vector<std::pair<QWidget *, QRect>> controls;
    for (QWidget *w : window->findChildren<QWidget *>()) {
        if (!w->isVisibleTo(window) || !isControl(w) || insideControl(w, window))
            continue;
        const QRect place(w->mapTo(window, QPoint(0, 0)), w->size());
        // Whole inside every widget that holds it, up to the window.
        for (QWidget *p = w->parentWidget(); p; p = p->parentWidget()) {
            const QRect room(p->mapTo(window, QPoint(0, 0)), p->size());
            if (!room.contains(place)) {
                problems << QStringLiteral("%1 %2 sticks out of %3 %4")
                                .arg(describe(w), rectText(place), describe(p), rectText(room));
                break;
            }
            if (p == window)
                break;
        }
        if (place.width() <= 0 || place.height() <= 0)
            problems << QStringLiteral("%1 has no room").arg(describe(w));
        controls.emplace_back(w, place);
    }
    for (size_t i = 0; i < controls.size(); ++i) {
        for (size_t j = i + 1; j < controls.size(); ++j) {
            if (controls[i].second.intersects(controls[j].second))
                problems << QStringLiteral("%1 %2 and %3 %4 overlap")
                                .arg(describe(controls[i].first), rectText(controls[i].second),
                                     describe(controls[j].first), rectText(controls[j].second));
        }
    }
    // Every row a list shows is whole.
    for (auto *list : window->findChildren<QTableView *>()) {
        if (!list->isVisibleTo(window) || list->model()->rowCount() == 0)
            continue;
        const int last = list->model()->rowCount() - 1;
        const int bottom = list->rowViewportPosition(last) + list->rowHeight(last);
        if (list->rowViewportPosition(0) < 0 || bottom > list->viewport()->height())
            problems << QStringLiteral("%1 cuts its rows: %2 rows end at %3 in a view %4 high")
                            .arg(describe(list))
                            .arg(last + 1)
                            .arg(bottom)
                            .arg(list->viewport()->height());
    }
    return problems;
}

namespace {
QString formatD3(int dayNumber) {
    static const engine::Picture d3 = engine::Picture::fromText(QStringLiteral("d3")).value();
    return d3.formatDate(dayNumber);
}
} // namespace

ProgramFrame::ProgramFrame()
    : m_setup(std::make_unique<host::StoreSetupSource>(store::Store::instance())) {
    shell::gui::MainFrame::Services services;
    services.setup = m_setup.get();
    services.formatD3 = formatD3;
    services.settingsFile = QDir(store::Store::instance().directory()).filePath(QStringLiteral("QK.INI"));
    m_frame = std::make_unique<shell::gui::MainFrame>(services);
    shell::gui::registerProgramWindows(m_frame->openers());
    m_frame->resize(1100, 760);
}

ProgramFrame::~ProgramFrame() {
    m_frame->close();
    settleEvents();
    m_frame.reset();
    settleEvents();
}

void settleEvents() {
    for (int i = 0; i < 6; ++i) {
        QCoreApplication::processEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
}

QWidget *openWindow(const QString &name) {
    if (QMdiArea *area = engine::gui::WindowHost::area()) {
        const auto subs = area->subWindowList(QMdiArea::CreationOrder);
        for (auto it = subs.crbegin(); it != subs.crend(); ++it) {
            if ((*it)->isVisible() && (*it)->widget() && (*it)->widget()->objectName() == name)
                return (*it)->widget();
        }
    }
    const auto all = QApplication::topLevelWidgets();
    for (auto it = all.crbegin(); it != all.crend(); ++it) {
        if ((*it)->objectName() == name && (*it)->isVisible())
            return *it;
    }
    return nullptr;
}

QWidget *outerWindow(QWidget *window) {
    return engine::gui::WindowHost::frameOf(window);
}

namespace {
using host::gui::FrameCommand;
using shell::gui::MainFrame;

std::function<void(MainFrame &)> menu(FrameCommand command) {
    return [command](MainFrame &frame) { frame.runCommand(command); };
}

// Presses a button of an open window, once its events have run.
std::function<void(MainFrame &)> press(const char *window, const char *button) {
    return [window, button](MainFrame &) {
        settleEvents();
        QWidget *w = openWindow(QString::fromLatin1(window));
        if (!w)
            return;
        if (auto *b = w->findChild<QPushButton *>(QString::fromLatin1(button)); b && b->isEnabled())
            b->click();
    };
}
// A form over the names list goes before the next one opens over it.
void closeFormsOverNames() {
    for (const char *form : {"fonup", "notup"})
        if (QWidget *w = openWindow(QString::fromLatin1(form)))
            w->close();
    settleEvents();
}

// Shows a tab of the names list and presses Change on the list it holds.
std::function<void(MainFrame &)> pressOnTab(int tab, const char *list) {
    return [tab, list](MainFrame &) {
        closeFormsOverNames();
        QWidget *names = openWindow(QStringLiteral("namclstag"));
        if (!names)
            return;
        if (auto *tabs = names->findChild<QTabWidget *>(QStringLiteral("detailTabs")))
            tabs->setCurrentIndex(tab);
        settleEvents();
        if (auto *l = names->findChild<QWidget *>(QString::fromLatin1(list)))
            if (auto *b = l->findChild<QPushButton *>(QStringLiteral("changeButton")); b && b->isEnabled())
                b->click();
    };
}
} // namespace

std::vector<TourStop> windowTour() {
    return {
        {QStringLiteral("namclstag"), menu(FrameCommand::NamesList)},
        {QStringLiteral("fonup"), pressOnTab(1, "namesPhonesList")},
        {QStringLiteral("notup"), pressOnTab(2, "namesNotesList")},
        {QStringLiteral("UpdateQKnam"),
         [](MainFrame &) {
             // The highlighted person, changed through the name record form.
             closeFormsOverNames();
             QWidget *names = openWindow(QStringLiteral("namclstag"));
             engine::setGlobalRequest(engine::Request::ChangeRecord);
             people::gui::runNameRecordForm(names, {});
         }},
        {QStringLiteral("cmpgls"), menu(FrameCommand::CompaniesList)},
        {QStringLiteral("grpls"), menu(FrameCommand::CompanyCategories)},
        {QStringLiteral("catls"), menu(FrameCommand::NameCategories)},
        {QStringLiteral("catup"), press("catls", "changeButton")},
        {QStringLiteral("UpdateQKjnc"),
         [](MainFrame &) {
             QWidget *list = openWindow(QStringLiteral("catls"));
             // A new link starts blank, as its callers prime it.
             store::Store::instance().table(QStringLiteral("QKjnc")).record().clear();
             engine::setGlobalRequest(engine::Request::InsertRecord);
             people::gui::runLinkForm(list, {});
         }},
        {QStringLiteral("datls"), menu(FrameCommand::ImportantDates)},
        {QStringLiteral("datup"), press("datls", "changeButton")},
        {QStringLiteral("pendingls"), menu(FrameCommand::PendingDatesList)},
        {QStringLiteral("setupForm"), menu(FrameCommand::Setup)},
        {QStringLiteral("zipls"), menu(FrameCommand::CitiesAndZipCodes)},
        {QStringLiteral("zipup"), press("zipls", "changeButton")},
        {QStringLiteral("calendarPicker"), menu(FrameCommand::Calendar)},
        {QStringLiteral("WhoCalled"), menu(FrameCommand::CallsList)},
        {QStringLiteral("incUpdate"), press("WhoCalled", "changeButton")},
        {QStringLiteral("phoneDial"), press("incUpdate", "dialButton")},
        {QStringLiteral("fonJustPhonesBrowse"),
         [](MainFrame &) { phones::gui::JustPhonesListWindow::open(); }},
        {QStringLiteral("fonJustUpdate"), press("fonJustPhonesBrowse", "changeButton")},
        {QStringLiteral("findWindow"),
         [](MainFrame &frame) {
             // Found in the sample data: people and companies by their city.
             frame.runCommand(FrameCommand::Find);
             settleEvents();
             search::gui::SearchWindow *find = search::gui::SearchWindow::openWindow();
             if (!find)
                 return;
             find->searchNow(QStringLiteral("Columbus"));
             QElapsedTimer waited;
             waited.start();
             while (find->searching() && waited.elapsed() < 10000)
                 QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
         }},
        {QStringLiteral("printMenu"), [](MainFrame &) { reports::gui::PrintMenu::open(); }},
        {QStringLiteral("reportPreview"),
         [](MainFrame &frame) {
             // The report runs in timer batches before its preview opens.
             frame.runCommand(FrameCommand::NamesLabels);
             QElapsedTimer waited;
             waited.start();
             while (!openWindow(QStringLiteral("reportPreview")) && waited.elapsed() < 10000)
                 QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
         }},
    };
}

} // namespace tabulo::test
