#include "companies/gui/CompaniesListWindow.h"

#include "base/Text.h"
#include "companies/CompanyRecords.h"
#include "companies/GroupMembership.h"
#include "companies/gui/CompanyPhoneNoteWindows.h"
#include "companies/gui/GroupWindows.h"
#include "engine/FieldText.h"
#include "engine/Globals.h"
#include "engine/LinkRecords.h"
#include "engine/RecordRoutines.h"
#include "engine/gui/AlphabetBar.h"
#include "engine/gui/BrowseWindow.h"
#include "engine/gui/DetailTabs.h"
#include "engine/gui/IconBar.h"
#include "engine/gui/InPlaceEditor.h"
#include "engine/gui/LocateRecord.h"
#include "engine/gui/PageView.h"
#include "engine/gui/RecordEditor.h"
#include "engine/gui/WindowHost.h"
#include "engine/gui/WindowPlacement.h"
#include "host/CityIndex.h"
#include "host/Dialer.h"
#include "host/FrameEvents.h"
#include "host/StoreSetupSource.h"
#include "host/gui/AddressCity.h"
#include "host/gui/FeatureWindows.h"
#include "host/gui/WindowOpeners.h"
#include "store/ChangeRules.h"
#include "store/MessageService.h"
#include "store/Messages.h"
#include "store/UnitOfWork.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFocusEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>
#include <optional>

namespace tabulo::companies::gui {

using engine::gui::BrowseWindow;
using engine::gui::Leave;
using engine::gui::LeaveReason;
using engine::gui::ListSetup;
using store::Table;
using store::table;

namespace {
QPointer<CompaniesListWindow> s_open;

QString textOf(const store::Record &r, const char *field) {
    return r.value(QString::fromLatin1(field)).toString();
}

QString withoutLeadingBlanks(QString s) {
    qsizetype i = 0;
    while (i < s.size() && s.at(i) == QLatin1Char(' '))
        ++i;
    return s.mid(i);
}

// The company's fields on the "Address" tab.
using engine::gui::Lookup;
const engine::gui::EditField kAddress[] = {
    {"CMP:NAME", "Name:", "@s35"},
    {"CMP:BUSINESS", "Business:", "@s40"},
    {"CMP:ADDR1", "Address:", "@s30"},
    {"CMP:ADD2", "Address:", "@s15"},
    {"CMP:CITY", "City:", "@s25", Lookup::City, "cityListButton"},
    {"CMP:STATE", "State:", "@s2"},
    {"CMP:ZIP", " Zip:", "@s5"},
    {"CMP:COUNTRY", "", "@s15"},
    {"PHONE", " Phone:", "@P(###) ###-####Pb", Lookup::Phone, "phoneListButton"},
    {"CMP:WEBADDRESS", "Web Address:", "@s45"},
};

using engine::gui::listButton;

void frameEvent(host::FrameEvent event) {
    host::postFrameEvent(event);
}

using host::gui::openFrameWindow;

} // namespace

CompaniesListWindow *CompaniesListWindow::open() {
    if (s_open) {
        engine::gui::WindowHost::bringToFront(s_open);
        s_open->refreshAll();
        return s_open;
    }
    engine::setGlobalRequest(engine::Request::None);
    auto *window = new CompaniesListWindow(false, nullptr, {});
    s_open = window;
    engine::gui::WindowHost::present(window);
    engine::gui::WindowHost::onReactivated(window, [window] { window->cameBack(); });
    // The first page is read as the window shows; its count, kept by the
    // file, with it.
    window->showCount();
    frameEvent(host::FrameEvent::CompaniesListOpened);
    QTimer::singleShot(0, window, [window] {
        window->refreshAll(false);
        window->m_list->listControl()->setFocus();
    });
    return window;
}

CompaniesListWindow *CompaniesListWindow::pick(QWidget *caller, std::function<void()> done) {
    // The name the caller looks for, as it left it in the link buffer.
    const QString wanted = textOf(table("QKjcg").record(), "COMPANY");
    engine::setGlobalRequest(engine::Request::None);
    auto *window = new CompaniesListWindow(true, caller, std::move(done));
    engine::gui::WindowHost::present(window, caller);
    QTimer::singleShot(0, window, [window, wanted] {
        window->refreshAll(false);
        window->reposition(wanted);
        window->m_list->listControl()->setFocus();
    });
    return window;
}

CompaniesListWindow *CompaniesListWindow::openWindow() {
    return s_open.data();
}

CompaniesListWindow::CompaniesListWindow(bool picker, QWidget *caller, std::function<void()> done)
    : RecordListWindow(caller, Qt::Window)
    , m_picker(picker)
    , m_use(store::tablesUsedBy(QStringLiteral("companies"))
            << QStringLiteral("QKnam") << QStringLiteral("QKzip"))
    , m_done(std::move(done)) {
    setObjectName(QStringLiteral("cmpgls"));
    setWindowTitle(QStringLiteral("Companies List"));
    setAttribute(Qt::WA_DeleteOnClose);
    engine::setCurrentGroup(0, QStringLiteral("All"));
    m_record = new engine::gui::RecordEditor(this, recordEditorSetup());
    m_editor = &m_record->fields();
    // Leading blanks alone are no change.
    m_editor->setSameValue([](const QString &a, const QString &b) {
        return withoutLeadingBlanks(a) == withoutLeadingBlanks(b);
    });
    build();
    engine::gui::WindowPlacement::attach(this, QStringLiteral("cmpgls"));
    updateButtons();
}

CompaniesListWindow::~CompaniesListWindow() = default;

// The company edited in place: a new name is copied into the company's
// links and moves the company to its place in the list; while a company is
// being added the fields only fill it, and OK writes it.
engine::gui::RecordEditorSetup CompaniesListWindow::recordEditorSetup() {
    engine::gui::RecordEditorSetup edit;
    edit.table = &table("QKcmp");
    edit.fields = kAddress;
    edit.keyFields = {QStringLiteral("CMP:NAME")};
    edit.positionField = QStringLiteral("CMP:NAME");
    edit.links = &table("QKjcg");
    edit.rewriteLinks = [](const store::Record &company) {
        return rewriteGroupLinkNames(company.integer(0), textOf(company, "NAME"));
    };
    edit.list = [this]() -> engine::BrowseList & { return m_list->engine(); };
    edit.reposition = [this](const QString &name) { reposition(name); };
    edit.refresh = [this] { refreshAll(); };
    edit.showRecord = [this] { showCompany(); };
    edit.lookUp = [this](QLineEdit *, Lookup, LeaveReason why) { return phoneLeft(why); };
    edit.pick = [this](Lookup) { pickPhone(); };
    edit.findCity = host::gui::settledCity;
    edit.chooseCity = host::gui::chooseAddressCity;
    edit.afterCity = QStringLiteral("PHONE");
    edit.focusAfterFoundCity = true;
    edit.refused = [](const QString &why) { host::gui::showFrameStatus(why); };
    edit.writes = [this] { return !m_adding; };
    return edit;
}

void CompaniesListWindow::readCompany() {
    Table &cmp = table("QKcmp");
    if (m_list->engine().rowCount() == 0) {
        cmp.record().clear();
        m_editor->recordShown();
        return;
    }
    const store::Record &link = table("QKjcg").record();
    cmp.record().clear();
    cmp.record().setInteger(0, link.value(QStringLiteral("CMP_CTRL")).toLongLong());
    if (cmp.fetch(*cmp.def().key(QStringLiteral("CTRL_KEY"))).ok())
        cmp.watch();
    else
        cmp.record().clear();
    m_editor->recordShown();
    m_letters->showLetterOf(textOf(link, "COMPANY"));
}

void CompaniesListWindow::showCompany() {
    const store::Record &cmp = table("QKcmp").record();
    m_record->show({{QStringLiteral("CMP"), &cmp}});
    // The country shows only when the company has one.
    const bool country = !textOf(cmp, "COUNTRY").trimmed().isEmpty() || m_adding;
    entry(QStringLiteral("CMP:COUNTRY"))->setVisible(country);
    showMainPhone();
}

void CompaniesListWindow::showMainPhone() {
    const store::Record &cmp = table("QKcmp").record();
    Table &fon = table("QKfon");
    const store::Record kept = fon.record();
    QString number, ext, contact, location;
    const qint64 main = cmp.value(QStringLiteral("FON_CTRL")).toLongLong();
    if (main != 0) {
        fon.record().clear();
        fon.record().setInteger(0, main);
        if (fon.fetch(*fon.def().key(QStringLiteral("CTRL_KEY"))).ok()) {
            number = engine::showValue(QStringLiteral("@P(###) ###-####Pb"),
                                       fon.record().value(QStringLiteral("NUMBER")));
            ext = textOf(fon.record(), "EXT").trimmed();
            contact = textOf(fon.record(), "NAME").left(20).trimmed();
            location = textOf(fon.record(), "LOCATION").left(15).trimmed();
        }
    }
    fon.record() = kept;
    m_editor->show(entry(QStringLiteral("PHONE")), number);
    findChild<QLineEdit *>(QStringLiteral("extEntry"))->setText(ext);
    findChild<QLineEdit *>(QStringLiteral("contactEntry"))->setText(contact);
    findChild<QLineEdit *>(QStringLiteral("locationEntry"))->setText(location);
}

void CompaniesListWindow::onAddressTab(void (CompaniesListWindow::*action)()) {
    m_details->setCurrentIndex(0);
    (this->*action)();
}

void CompaniesListWindow::makeDetailTab(int index) {
    QWidget *holder = m_details->widget(index);
    if (!holder || index == 0 || !holder->layout()->isEmpty())
        return;
    QWidget *page = index == 1 ? buildPhonesTab() : index == 2 ? buildNotesTab() : buildCategoriesTab();
    holder->layout()->addWidget(page);
}

void CompaniesListWindow::updateButtons() {
    const bool rows = m_list->engine().rowCount() > 0;
    const bool all = engine::currentGroup() == 0;
    const bool browsing = !m_adding;
    for (const char *name :
         {"allIcon", "categoryIcon", "assignIcon", "printIcon", "closeButton", "assignCategoryButton"})
        m_actions.at(QLatin1String(name))->setEnabled(browsing);
    m_actions.at(QStringLiteral("assignIcon"))->setEnabled(browsing && rows);
    m_actions.at(QStringLiteral("assignCategoryButton"))->setEnabled(browsing && rows);
    m_actions.at(QStringLiteral("moveIcon"))->setEnabled(browsing && rows && !all);
    m_actions.at(QStringLiteral("removeIcon"))->setEnabled(browsing && rows && !all);
    m_actions.at(QStringLiteral("deleteRecordButton"))->setEnabled(rows);
    m_actions.at(QStringLiteral("deleteIcon"))->setEnabled(browsing && rows);
    m_actions.at(QStringLiteral("addIcon"))->setEnabled(browsing);
    m_actions.at(QStringLiteral("addRecordButton"))->setVisible(browsing);
    m_actions.at(QStringLiteral("deleteRecordButton"))->setVisible(browsing);
    m_actions.at(QStringLiteral("okButton"))->setVisible(m_adding);
    m_actions.at(QStringLiteral("cancelButton"))->setVisible(m_adding);
    m_actions.at(QStringLiteral("selectButton"))->setVisible(m_picker && browsing);
    m_actions.at(QStringLiteral("selectButton"))->setEnabled(m_picker && browsing && rows);
    m_list->setEnabled(browsing);
    for (int tab = 1; tab < m_details->count(); ++tab)
        m_details->setTabEnabled(tab, browsing);
    m_status->setText(m_adding ? QStringLiteral("Record will be Added") : QString());
}

void CompaniesListWindow::setCategory(qint64 group, const QString &name) {
    engine::setCurrentGroup(static_cast<qint32>(group), name);
    const QString shown = base::withoutTrailingBlanks(name);
    m_mainTab->setTabText(0, shown);
    m_categoryPanel->setText(shown);
}

void CompaniesListWindow::showAll() {
    setCategory(0, QStringLiteral("All"));
    reposition(QString());
}

void CompaniesListWindow::chooseCategory() {
    const QString name = textOf(table("QKcmp").record(), "NAME");
    engine::setGlobalRequest(engine::Request::SelectRecord);
    openCompanyCategoryList(this, [this, name] {
        if (engine::globalResponse() != engine::Response::RequestCompleted)
            return;
        setCategory(engine::currentGroup(), engine::currentGroupName());
        reposition(name);
    });
}

void CompaniesListWindow::displayCategory(qint64 group, const QString &name) {
    const QString company = textOf(table("QKcmp").record(), "NAME");
    setCategory(group, name);
    reposition(company);
}

// Shows the company of this name, or the next one, in the category shown.
void CompaniesListWindow::reposition(const QString &name) {
    m_list->engine().refresh(0);
    locateAt(name);
    showCount();
    highlightChanged();
}

void CompaniesListWindow::locateAt(const QString &name) {
    locateLink(table("QKjcg"),
               {{QStringLiteral("JCG:GRP_CTRL"), engine::currentGroup()}, {QStringLiteral("JCG:COMPANY"), name}});
}

void CompaniesListWindow::alphabetJump(QChar letter) {
    if (m_adding)
        return;
    locateAt(QString(letter));
    m_list->listControl()->setFocus();
}

bool CompaniesListWindow::locate(qint64 company, int detailTab) {
    if (m_adding || company <= 0 || !m_editor->commit())
        return false;
    // The company's link in "All": every company has one.
    if (!engine::gui::locateOnLink(*m_list, table("QKjcg"), {"CMP_CTRL_KEY", "JCG:CMP_CTRL", "JCG:GRP_CTRL"},
                                   company, [this] { setCategory(0, QStringLiteral("All")); }))
        return false;
    showLocated(detailTab);
    return table("QKcmp").record().integer(0) == company;
}

bool CompaniesListWindow::locateNote(qint64 note) {
    return showNote(2, table("QKmem"), note, QStringLiteral("MEM:CMP_CTRL"), table("QKcmp").record().integer(0));
}

void CompaniesListWindow::assignment(const QString &word) {
    if (m_adding || m_list->engine().rowCount() == 0 || !m_list->engine().fetchHighlighted())
        return;
    readCompany();
    setGroupActionWord(word);
    runCategoryAssignment(this, [this] { refreshAll(); });
}

void CompaniesListWindow::addRecord() {
    if (m_adding)
        return;
    Table &cmp = table("QKcmp");
    Table &set = table("QKset");
    if (host::readSetupRecord(set))
        set.record().clear();
    m_shownBeforeAdding = cmp.record().integer(0);
    table("QKjcg").record().clear();
    store::Record &company = cmp.record();
    qint64 number = 0;
    store::StoreError added;
    for (;;) {
        for (int attempt = 0; attempt < 3; ++attempt) {
            if (const store::StoreError e = engine::nextControlNumber(QStringLiteral("QKcmp"), number)) {
                store::setLastError(e);
                store::takeSavedError();
                store::standardMessage(this, 35, QStringLiteral("qkcmp"));
                QTimer::singleShot(0, this, &QWidget::close);
                return;
            }
            company.clear();
            company.setInteger(0, number);
            company.setValue(QStringLiteral("CMP:STATE"), set.record().value(QStringLiteral("SET:STATE")));
            company.setValue(QStringLiteral("CMP:COUNTRY"),
                             set.record().value(QStringLiteral("SET:COUNTRY")));
            added = cmp.insert();
            if (added.ok())
                break;
        }
        if (added.ok())
            break;
        store::setLastError(added);
        store::takeSavedError();
        if (store::standardMessage(this, 25) != store::Button::Retry)
            return;
    }
    m_newCompany = number;
    m_editor->recordShown();
    m_adding = true;
    frameEvent(host::FrameEvent::DisableMenus);
    m_details->setCurrentIndex(0);
    updateButtons();
    showCompany();
    entry(QStringLiteral("CMP:NAME"))->setFocus();
}

void CompaniesListWindow::finishAdding(bool keep) {
    if (!m_adding)
        return;
    Table &cmp = table("QKcmp");
    // What the user typed last counts.
    for (const auto &[field, edit] : m_record->entries()) {
        if (field == QLatin1String("PHONE"))
            continue;
        const engine::EntryValue v = engine::readEntry(m_record->pictureOf(field), edit->text());
        if (v.ok)
            cmp.record().setValue(field, v.value);
    }
    m_adding = false;
    frameEvent(host::FrameEvent::EnableMenus);
    const qint64 company = m_newCompany;
    m_newCompany = 0;
    if (!keep) {
        // Nothing of the abandoned company stays behind.
        cmp.record().clear();
        cmp.record().setInteger(0, company);
        const auto release = [company] { return releaseAbandonedCompany(company); };
        if (cmp.fetch(*cmp.def().key(QStringLiteral("CTRL_KEY"))).ok())
            store::deleteRecordWith(cmp, {&table("QKjcg"), &table("QKnam")}, release, this);
        else
            release();
        updateButtons();
        refreshAll();
        return;
    }
    if (const store::StoreError e = cmp.change()) {
        store::setLastError(e);
        store::takeSavedError();
        if (e.code == store::Code::DuplicateKey)
            store::standardMessage(this, 24, QStringLiteral("cmp:ctrl_key"));
        else
            store::standardMessage(this, 14);
    }
    const QString name = textOf(cmp.record(), "NAME");
    const qint64 group = engine::currentGroup();
    for (;;) {
        store::StoreError e = addGroupLink(company, group, name);
        if (e.ok() && group != 0 && !hasGroupLink(company, 0))
            e = addGroupLink(company, 0, name);
        if (e.ok())
            break;
        store::MessageBox box;
        box.title = QStringLiteral("Auto Increment Error");
        box.text =
            QStringLiteral("Attempts to automatically number this record have failed.  Error received: ") +
            store::errorText(e);
        box.buttons = store::Button::Retry | store::Button::Cancel;
        box.defaultButton = store::Button::Cancel;
        box.owner = this;
        if (store::MessageService::current().show(box) != store::Button::Retry) {
            QTimer::singleShot(0, this, &QWidget::close);
            return;
        }
    }
    updateButtons();
    m_list->engine().forceRefresh();
    reposition(name);
}

void CompaniesListWindow::deleteRecord() {
    if (m_adding || m_list->engine().rowCount() == 0)
        return;
    readCompany();
    Table &cmp = table("QKcmp");
    const QString name = textOf(cmp.record(), "NAME");
    // A company goes with its phones, notes and links: one key press should
    // not do that unasked.
    store::MessageBox box;
    box.title = QStringLiteral("Delete Record Warning");
    box.text = QStringLiteral("Do you want to delete this record?");
    box.icon = store::MessageIcon::Question;
    box.buttons = store::Button::Yes | store::Button::No;
    box.defaultButton = store::Button::No;
    box.owner = this;
    if (store::MessageService::current().show(box) != store::Button::Yes)
        return;
    const qint64 company = cmp.record().integer(0);
    // The company, its phones, notes and links go together or not at all.
    if (store::deleteRecordWith(
            cmp, {&table("QKjcg")}, [company] { return deleteGroupLinks(company); }, this) !=
        store::ChangeResult::Done)
        return; // the user was told; everything stays
    m_list->engine().forceRefresh();
    reposition(name);
}

bool CompaniesListWindow::eventFilter(QObject *watched, QEvent *event) {
    if (watched == m_list->listControl() && event->type() == QEvent::KeyPress) {
        switch (static_cast<QKeyEvent *>(event)->key()) {
        case Qt::Key_Delete:
            deleteRecord();
            return true;
        case Qt::Key_Insert:
            // The company is added in place, as with "Add Record".
            m_details->setCurrentIndex(0);
            addRecord();
            return true;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            // A picker selects; otherwise the company is changed in place,
            // on its Address tab, and the list stays on it.
            if (m_picker) {
                qobject_cast<QPushButton *>(m_actions.at(QStringLiteral("selectButton")))->click();
            } else if (m_list->engine().rowCount() > 0) {
                m_details->setCurrentIndex(0);
                entry(QStringLiteral("CMP:NAME"))->setFocus(Qt::TabFocusReason);
            }
            return true;
        default:
            break;
        }
    }
    return QWidget::eventFilter(watched, event);
}

Leave CompaniesListWindow::phoneLeft(LeaveReason why) {
    const engine::EntryValue v = engine::readEntry(m_record->pictureOf(QStringLiteral("PHONE")),
                                                   entry(QStringLiteral("PHONE"))->text());
    Table &fon = table("QKfon");
    const store::Record kept = fon.record();
    fon.record().clear();
    fon.record().setValue(QStringLiteral("FON:NUMBER"), v.ok ? v.value : QVariant());
    const bool known = v.ok && fon.fetch(*fon.def().key(QStringLiteral("NUMBER_KEY"))).ok();
    fon.record() = kept;
    // A number already on file links nothing; an unknown one is picked from
    // the company's phones.
    if (!known) {
        pickPhone();
        return Leave::Pending;
    }
    if (why == LeaveReason::FocusMoved)
        entry(QStringLiteral("CMP:WEBADDRESS"))->setFocus(Qt::OtherFocusReason);
    return Leave::Done;
}

void CompaniesListWindow::pickPhone() {
    engine::setGlobalRequest(engine::Request::SelectRecord);
    openCompanyPhoneList(this, [this] {
        if (engine::globalResponse() != engine::Response::RequestCompleted) {
            if (!m_adding)
                refreshAll();
            return;
        }
        table("QKcmp").record().setValue(QStringLiteral("CMP:FON_CTRL"), table("QKfon").record().integer(0));
        showMainPhone();
        m_record->save(false, LeaveReason::FocusMoved);
        entry(QStringLiteral("CMP:WEBADDRESS"))->setFocus(Qt::OtherFocusReason);
    });
}

void CompaniesListWindow::closeEvent(QCloseEvent *event) {
    // What was typed is saved first; a field that cannot be saved keeps the
    // window open.
    if (!m_editor->commit()) {
        event->ignore();
        return;
    }
    // Closing while adding is Cancel: no numbered company stays behind and
    // the frame's menus come back.
    if (m_adding)
        finishAdding(false);
    event->accept();
    QWidget::closeEvent(event);
    if (m_ended)
        return;
    m_ended = true;
    if (!m_picker)
        frameEvent(host::FrameEvent::CompaniesListClosed);
    engine::setGlobalResponse(m_selected ? engine::Response::RequestCompleted
                                         : engine::Response::RequestCancelled);
    engine::gui::WindowHost::release(this);
    if (m_done)
        m_done();
}

void registerCompaniesList(host::gui::WindowOpeners &openers) {
    openers.set(host::gui::FrameCommand::CompaniesList,
                [](const host::gui::FrameContext &) { CompaniesListWindow::open(); });
}

} // namespace tabulo::companies::gui
