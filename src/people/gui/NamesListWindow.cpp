#include "people/gui/NamesListWindow.h"

#include "base/Clock.h"
#include "base/DateOps.h"
#include "base/Text.h"
#include "engine/FieldText.h"
#include "engine/Globals.h"
#include "engine/gui/AlphabetBar.h"
#include "engine/gui/BrowseWindow.h"
#include "engine/gui/CalendarPicker.h"
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
#include "host/gui/PhoneNoteForms.h"
#include "host/gui/WindowOpeners.h"
#include "people/PersonRecords.h"
#include "people/TagStore.h"
#include "people/gui/CategoryWindows.h"
#include "people/gui/TagProgress.h"
#include "store/ChangeRules.h"
#include "store/MessageService.h"
#include "store/Messages.h"
#include "store/OwnedRecords.h"
#include "store/UnitOfWork.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCloseEvent>
#include <QFormLayout>
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

namespace tabulo::people::gui {

using engine::gui::BrowseWindow;
using engine::gui::Leave;
using engine::gui::LeaveReason;
using engine::gui::ListSetup;
using store::Table;
using store::table;

namespace {
QPointer<NamesListWindow> s_open;
bool s_ageShown = false; // survives closing the window, off at program start

QString trimmed(const QString &s) {
    return s.trimmed();
}

using host::gui::openFrameWindow;

// The person's fields on the "Home Address" tab.
using engine::gui::Lookup;
const engine::gui::EditField kHomeFields[] = {
    {"NAM:LNAME", "La&st:", "@s16"},
    {"NAM:FNAME", "&First:", "@s14"},
    {"NAM:ADDR1", "Add&ress:", "@s30"},
    {"NAM:ADDR2", "A&ddress:", "@s30"},
    {"NAM:CITY", "&City:", "@s30", Lookup::City, "cityListButton", "City List"},
    {"NAM:STATE", "&State:", "@s2"},
    {"NAM:ZIP", "&Zip:", "@s5"},
    {"NAM:COUNTRY", "Country:", "@s15"},
    {"CMP:NAME", "Compan&y:", "@s35", Lookup::Company, "companyListButton", "Company List"},
    {"NAM:EMAILADDRESS", "Email:", "@s30"},
    {"NAM:DOB", "&Birthdate:", "@D2b", Lookup::Date, "birthdateButton"},
};

using engine::gui::listButton;

int ask(QObject *owner, const QString &title, const QString &text, int buttons, int defaultButton) {
    store::MessageBox box;
    box.title = title;
    box.text = text;
    box.icon = store::MessageIcon::Question;
    box.buttons = buttons;
    box.defaultButton = defaultButton;
    box.owner = owner;
    return store::MessageService::current().show(box);
}

void tell(QObject *owner, const QString &title, const QString &text) {
    store::MessageBox box;
    box.title = title;
    box.text = text;
    box.owner = owner;
    store::MessageService::current().show(box);
}

} // namespace

NamesListWindow *NamesListWindow::open() {
    if (s_open) {
        // One names list: a second request brings it forward, refreshed.
        engine::gui::WindowHost::bringToFront(s_open);
        s_open->refreshAll();
        return s_open;
    }
    engine::setGlobalRequest(engine::Request::None);
    auto *window = new NamesListWindow;
    s_open = window;
    engine::gui::WindowHost::present(window);
    engine::gui::WindowHost::onReactivated(window, [window] { window->cameBack(); });
    host::postFrameEvent(host::FrameEvent::NamesListOpened);
    QTimer::singleShot(0, window, [window] {
        window->refreshAll(false);
        window->m_list->listControl()->setFocus();
    });
    return window;
}

NamesListWindow *NamesListWindow::openWindow() {
    return s_open.data();
}

NamesListWindow::NamesListWindow()
    : RecordListWindow(nullptr, Qt::Window)
    , m_use(store::tablesUsedBy(QStringLiteral("names"))) {
    setObjectName(QStringLiteral("namclstag"));
    setWindowTitle(QStringLiteral("Names List"));
    setAttribute(Qt::WA_DeleteOnClose);

    if (const store::StoreError e = ensureJustNumbersCategory()) {
        store::setLastError(e);
        store::takeSavedError();
        store::standardMessage(this, 14);
    }
    engine::setCurrentCategory(0, QStringLiteral("All"));
    engine::setCurrentGroup(0, QStringLiteral("All"));
    // Tags do not outlive the list that set them.
    TagStore::instance().clearAllTags(TagTable::NameLinks, false);

    m_record = new engine::gui::RecordEditor(this, recordEditorSetup());
    m_editor = &m_record->fields();
    build();
    engine::gui::WindowPlacement::attach(this, QStringLiteral("namclstag"));
    updateButtons();
}

NamesListWindow::~NamesListWindow() = default;

// The person edited in place: a new name is copied into the person's links
// and moves the person to its place in the list.
engine::gui::RecordEditorSetup NamesListWindow::recordEditorSetup() {
    engine::gui::RecordEditorSetup edit;
    edit.table = &table("QKnam");
    edit.fields = kHomeFields;
    edit.keyFields = {QStringLiteral("NAM:LNAME"), QStringLiteral("NAM:FNAME")};
    edit.positionField = QStringLiteral("NAM:LNAME");
    edit.links = &table("QKjnc");
    edit.rewriteLinks = [](const store::Record &person) {
        return rewriteLinkNames(person.integer(0), person.value(QStringLiteral("LNAME")).toString(),
                                person.value(QStringLiteral("FNAME")).toString());
    };
    edit.list = [this]() -> engine::BrowseList & { return m_list->engine(); };
    edit.reposition = [this](const QString &last) { reposition(last); };
    edit.refresh = [this] { refreshAll(); };
    edit.showRecord = [this] { showPerson(); };
    edit.lookUp = [this](QLineEdit *entry, Lookup, LeaveReason why) { return companyLeft(entry, why); };
    edit.pick = [this](Lookup lookup) {
        if (lookup == Lookup::Company)
            pickCompany(table("QKcmp").record().value(QStringLiteral("NAME")).toString());
        else if (lookup == Lookup::Date)
            pickBirthdate();
    };
    edit.findCity = host::gui::settledCity;
    edit.chooseCity = host::gui::chooseAddressCity;
    edit.afterCity = QStringLiteral("NAM:DOB");
    edit.refused = [](const QString &why) { host::gui::showFrameStatus(why); };
    edit.beforeSave = [](store::Record &person) {
        if (!person.value(QStringLiteral("COUNTRY")).toString().trimmed().isEmpty())
            return;
        Table &set = table("QKset");
        const store::Record kept = set.record();
        if (!host::readSetupRecord(set))
            person.setValue(QStringLiteral("NAM:COUNTRY"), set.record().value(QStringLiteral("SET:COUNTRY")));
        set.record() = kept;
    };
    return edit;
}

bool NamesListWindow::ageShown() const {
    return s_ageShown;
}

qint64 NamesListWindow::currentPerson() const {
    return table("QKnam").record().integer(0);
}

qint64 NamesListWindow::highlightedPointer() const {
    const engine::BrowseList &e = m_list->engine();
    if (e.highlighted() <= 0)
        return 0;
    return e.row(e.highlighted()).position.toLongLong();
}

void NamesListWindow::refreshAll(bool forced) {
    RecordListWindow::refreshAll(forced);
    askWhenEmpty();
}

// Before a button's action: the highlighted records as the files hold them
// now, watched. When the highlighted person is gone (another station
// deleted it) the list shows what is there and the action does not run.
bool NamesListWindow::beforeAction() {
    if (m_list->engine().rowCount() == 0)
        return true;
    if (!m_list->engine().fetchHighlighted()) {
        refreshAll();
        return false;
    }
    readPerson();
    showPerson();
    for (BrowseWindow *detail : {m_phones, m_notes, m_categories})
        if (detail->isVisible() && detail->engine().rowCount() > 0)
            detail->engine().fetchHighlighted();
    return true;
}

// The person (and company) of the highlighted link, read in full by number
// and watched, so an in-place save notices another station's change.
void NamesListWindow::readPerson() {
    Table &nam = table("QKnam");
    Table &cmp = table("QKcmp");
    const engine::BrowseList &e = m_list->engine();
    if (e.rowCount() == 0) {
        nam.record().clear();
        cmp.record().clear();
        m_editor->recordShown();
        return;
    }
    const qint64 person =
        table("QKjnc").record().integer(table("QKjnc").def().fieldIndex(QStringLiteral("NAM_CTRL")));
    nam.record().clear();
    nam.record().setInteger(0, person);
    if (nam.fetch(*nam.def().key(QStringLiteral("CTRL_KEY"))).ok())
        nam.watch();
    else
        nam.record().clear();
    const qint64 company = nam.record().integer(nam.def().fieldIndex(QStringLiteral("CMP_CTRL")));
    cmp.record().clear();
    if (company != 0) {
        cmp.record().setInteger(0, company);
        if (!cmp.fetch(*cmp.def().key(QStringLiteral("CTRL_KEY"))).ok())
            cmp.record().clear();
    }
    m_editor->recordShown();
    m_letters->showLetterOf(table("QKjnc").record().value(QStringLiteral("LNAME")).toString());
}

void NamesListWindow::showPerson() {
    const store::Record &nam = table("QKnam").record();
    const store::Record &cmp = table("QKcmp").record();
    m_record->show({{QStringLiteral("NAM"), &nam}, {QStringLiteral("CMP"), &cmp}});
    if (auto *number = findChild<QLabel *>(QStringLiteral("recordNumber")))
        number->setText(nam.integer(0) ? QString::number(nam.integer(0)) : QString());
    for (QLabel *value : findChildren<QLabel *>()) {
        const QString field = value->property("field").toString();
        if (field.startsWith(QLatin1String("CMP:")))
            value->setText(cmp.value(field).toString().trimmed());
    }
    m_cityLine->setText(cmp.value(QStringLiteral("CITY")).toString().trimmed() + QLatin1Char(' ') +
                        cmp.value(QStringLiteral("STATE")).toString().trimmed() + QLatin1Char(' ') +
                        cmp.value(QStringLiteral("ZIP")).toString().trimmed());
    updateAge();
}

void NamesListWindow::showTagMarks() {
    const engine::BrowseList &e = m_list->engine();
    TagStore &tags = TagStore::instance();
    const bool any = tags.anyTags(TagTable::NameLinks);
    for (int r = 1; r <= e.rowCount(); ++r) {
        QTableWidgetItem *item = m_list->listControl()->item(r - 1, 0);
        if (!item)
            continue;
        const bool tagged = any && tags.isTagged(TagTable::NameLinks, e.row(r).position.toLongLong());
        item->setText(tagged ? QStringLiteral("*") : QString());
    }
}

void NamesListWindow::updateButtons() {
    const bool rows = m_list->engine().rowCount() > 0;
    const bool all = engine::currentCategory() == 0;
    for (const char *name : {"tagButton", "untagButton", "tagAllButton", "untagAllButton",
                             "deleteRecordButton", "deleteIcon", "assignCategoryButton", "assignIcon"})
        m_actions.at(QLatin1String(name))->setEnabled(rows && !m_busy);
    m_actions.at(QStringLiteral("moveIcon"))->setEnabled(!all && rows);
    m_actions.at(QStringLiteral("removeIcon"))->setEnabled(!all && rows);
    // The context menu of the main list follows the category shown.
    engine::ContextMenu menu;
    menu.shownWhenEmpty = false;
    if (all)
        menu.items = {{QStringLiteral("Copy To..."), engine::ListAction::Command,
                       [this] { membership(MembershipOp::Copy); }, true, false},
                      {QStringLiteral("Add Record"), engine::ListAction::Command, [this] { addRecord(); },
                       false, false},
                      {QStringLiteral("Delete Record"), engine::ListAction::Command,
                       [this] { deleteRecord(); }, true, false}};
    else
        menu.items = {{QStringLiteral("Copy To..."), engine::ListAction::Command,
                       [this] { membership(MembershipOp::Copy); }, true, false},
                      {QStringLiteral("Move Copy"), engine::ListAction::Command,
                       [this] { membership(MembershipOp::Move); }, true, false},
                      {QStringLiteral("Delete Copy"), engine::ListAction::Command,
                       [this] { membership(MembershipOp::Delete); }, true, false}};
    m_list->engine().setContextMenu(menu);
    m_ageLabel->setText(s_ageShown ? QStringLiteral("On ") : QStringLiteral("Off"));
    for (QWidget *w : m_ageControls)
        w->setVisible(s_ageShown);
}

void NamesListWindow::setCategory(qint32 category, const QString &name) {
    engine::setCurrentCategory(category, name);
    m_mainTab->setTabText(0, base::withoutTrailingBlanks(name));
}

void NamesListWindow::showAll() {
    const QString last = table("QKnam").record().value(QStringLiteral("LNAME")).toString();
    setCategory(0, QStringLiteral("All"));
    reposition(last);
}

void NamesListWindow::chooseCategory() {
    engine::setGlobalRequest(engine::Request::SelectRecord);
    const QString last = table("QKnam").record().value(QStringLiteral("LNAME")).toString();
    openCategoryList(this, [this, last] {
        if (engine::globalResponse() != engine::Response::RequestCompleted)
            return;
        setCategory(engine::currentCategory(), engine::currentCategoryName());
        reposition(last);
    });
}

void NamesListWindow::displayCategory(qint32 category, const QString &name) {
    const QString last = table("QKnam").record().value(QStringLiteral("LNAME")).toString();
    setCategory(category, name);
    reposition(last);
}

// Shows the same last name, or the next one, after the category changed or
// the person was renamed.
void NamesListWindow::reposition(const QString &lastName) {
    m_list->engine().refresh(0);
    locateAt(lastName);
    showCount();
    highlightChanged();
    askWhenEmpty();
}

void NamesListWindow::askWhenEmpty() {
    if (m_asking || m_closing || recordCount() != 0) {
        if (recordCount() > 0)
            m_declined.clear();
        return;
    }
    const QString name = base::withoutTrailingBlanks(engine::currentCategoryName());
    // Asked once per empty category: a user who said No is left alone with
    // the empty list until something changes.
    if (m_declined == name)
        return;
    m_asking = true;
    QTimer::singleShot(0, this, [this, name] {
        const int answer = ask(this, QStringLiteral("Add Record"),
                               QStringLiteral("No records in Category '") + name +
                                   QStringLiteral("'.\n\r\n\rDo you want to add a record?"),
                               store::Button::Yes | store::Button::No, store::Button::Yes);
        m_asking = false;
        if (answer == store::Button::Yes) {
            addRecord();
            return;
        }
        m_declined = name;
        if (engine::currentCategory() != 0)
            showAll();
    });
}

void NamesListWindow::locateAt(const QString &lastName) {
    locateLink(table("QKjnc"), {{QStringLiteral("JNC:CAT_CTRL"), engine::currentCategory()},
                                {QStringLiteral("JNC:LNAME"), lastName},
                                {QStringLiteral("JNC:FNAME"), QString()}});
}

void NamesListWindow::alphabetJump(QChar letter) {
    locateAt(QString(letter));
    m_list->listControl()->setFocus();
}

bool NamesListWindow::locate(qint64 person, int detailTab) {
    if (m_busy || person <= 0 || !m_editor->commit())
        return false;
    // The person's link in "All": every person has one.
    if (!engine::gui::locateOnLink(*m_list, table("QKjnc"), {"NAM_CTRL_KEY", "JNC:NAM_CTRL", "JNC:CAT_CTRL"},
                                   person, [this] { setCategory(0, QStringLiteral("All")); }))
        return false;
    showLocated(detailTab);
    return currentPerson() == person;
}

bool NamesListWindow::locateNote(qint64 note) {
    return showNote(2, table("QKmem"), note, QStringLiteral("MEM:NAM_CTRL"), currentPerson());
}

bool NamesListWindow::linksFailed(const store::StoreError &error) {
    if (error.ok())
        return false;
    store::setLastError(error);
    store::takeSavedError();
    const int answer = store::standardMessage(this, 25);
    if (answer == store::Button::Retry)
        return false; // the caller tries again
    QTimer::singleShot(0, this, &QWidget::close);
    return true;
}

void NamesListWindow::addRecord() {
    Table &nam = table("QKnam");
    Table &set = table("QKset");
    if (host::readSetupRecord(set))
        set.record().clear();
    table("QKcmp").record().clear();
    table("QKjnc").record().clear();
    store::Record &person = nam.record();
    // Numbered and added at once, as a form numbers its record.
    store::StoreError added;
    qint64 number = 0;
    for (int attempt = 0; attempt < 3; ++attempt) {
        if (const store::StoreError e = nextControlNumber(QStringLiteral("QKnam"), number)) {
            store::setLastError(e);
            store::takeSavedError();
            store::standardMessage(this, 35, QStringLiteral("QKnam"));
            return;
        }
        person.clear();
        person.setInteger(0, number);
        person.setValue(QStringLiteral("NAM:STATE"), set.record().value(QStringLiteral("SET:STATE")));
        person.setValue(QStringLiteral("NAM:COUNTRY"), set.record().value(QStringLiteral("SET:COUNTRY")));
        added = nam.insert();
        if (added.ok())
            break;
    }
    if (!added.ok()) {
        store::setLastError(added);
        store::takeSavedError();
        if (added.code == store::Code::DuplicateKey)
            store::standardMessage(this, 24, QStringLiteral("nam:ctrl_key"));
        else
            store::standardMessage(this, 14);
        entry(QStringLiteral("NAM:FNAME"))->setFocus();
        return;
    }
    // The category shown, then "All" when that was another one.
    const qint32 category = engine::currentCategory();
    for (;;) {
        // A retry adds only the links still missing.
        store::StoreError e;
        if (!hasLink(number, category))
            e = addLink(number, category, {}, {});
        if (e.ok() && category != 0 && !hasLink(number, 0))
            e = addLink(number, 0, {}, {});
        if (e.ok())
            break;
        if (linksFailed(e))
            return;
    }
    m_declined.clear();
    m_list->engine().forceRefresh();
    reposition(QString());
    // The new, nameless person is at the top of the list: type the name.
    m_details->setCurrentIndex(0);
    entry(QStringLiteral("NAM:LNAME"))->setFocus();
}

void NamesListWindow::deleteRecord() {
    if (m_list->engine().rowCount() == 0)
        return;
    TagStore &tags = TagStore::instance();
    if (tags.anyTags(TagTable::NameLinks)) {
        if (ask(this, QStringLiteral("Delete Record Warning"),
                QStringLiteral("Do you want to delete tagged records?"),
                store::Button::Yes | store::Button::No, store::Button::No) != store::Button::Yes)
            return;
        const std::vector<qint32> tagged = tags.taggedControlNumbers(TagTable::NameLinks, table("QKjnc"));
        m_list->engine().fetchHighlighted();
        startMembership(this, MembershipOp::Delete, tagged, [this](bool) {
            TagStore::instance().clearAllTags(TagTable::NameLinks, false);
            m_list->engine().reset(engine::BrowseList::ResetMode::FromFirstRow);
            refreshAll();
        });
        return;
    }
    if (ask(this, QStringLiteral("Delete Record Warning"),
            QStringLiteral("Do you want to delete this record?"), store::Button::Yes | store::Button::No,
            store::Button::No) != store::Button::Yes)
        return;
    readPerson();
    QString stage;
    if (const store::StoreError e = deletePersonWhole(currentPerson(), &stage)) {
        tell(this, QStringLiteral("Delete Record Warning"),
             QStringLiteral("Error deleting record:  ") + store::errorText(e));
        if (stage == QLatin1String("QKnam"))
            return;
    }
    m_list->engine().forceRefresh();
    m_list->engine().refresh(0);
    m_list->engine().reset(engine::BrowseList::ResetMode::FromFirstRow);
    refreshAll(false);
}

void NamesListWindow::membership(MembershipOp op) {
    if (m_list->engine().rowCount() == 0 || !m_list->engine().fetchHighlighted())
        return;
    readPerson();
    const QString last = table("QKnam").record().value(QStringLiteral("LNAME")).toString();
    TagStore &tags = TagStore::instance();
    const std::vector<qint32> tagged = tags.anyTags(TagTable::NameLinks)
                                           ? tags.taggedControlNumbers(TagTable::NameLinks, table("QKjnc"))
                                           : std::vector<qint32>{};
    startMembership(this, op, tagged, [this, op, last](bool ran) {
        if (ran)
            TagStore::instance().clearAllTags(TagTable::NameLinks, false);
        m_list->engine().forceRefresh();
        if (op == MembershipOp::Copy)
            reposition(last);
        else
            refreshAll(false);
    });
}

void NamesListWindow::tagHighlighted(bool on) {
    const qint64 pointer = highlightedPointer();
    if (pointer == 0)
        return;
    TagStore &tags = TagStore::instance();
    const store::StoreError e =
        on ? tags.setTag(TagTable::NameLinks, pointer) : tags.clearTag(TagTable::NameLinks, pointer);
    if (e)
        return; // the store told the user
    showTagMarks();
    m_list->engine().scrollRow(true);
}

void NamesListWindow::tagAll(bool on, std::function<void()> done) {
    if (m_busy)
        return;
    if (!on && engine::currentCategory() == 0) {
        // Every link is in "All": every tag goes, the quick way when the tag
        // table holds nothing else, otherwise with the "Clearing Tags" window.
        QPointer<NamesListWindow> self(this);
        m_busy = true;
        updateButtons();
        clearAllTags(TagTable::NameLinks, true, this, [self, done](TagStep) {
            if (!self)
                return;
            self->m_busy = false;
            self->showTagMarks();
            self->updateButtons();
            if (done)
                done();
        });
        return;
    }
    m_busy = true;
    updateButtons();
    Table &jnc = table("QKjnc");
    auto cursor = std::make_unique<store::Cursor>(jnc);
    cursor->setOrder(jnc.def().key(QStringLiteral("CAT_CTRL_KEY")));
    cursor->setRange({store::sql::Value(static_cast<qint64>(engine::currentCategory()))});
    const store::Record kept = jnc.record();
    QPointer<NamesListWindow> self(this);
    // One batch for the whole pass, in slices between which other windows
    // get their turn.
    runTagPass(std::move(cursor), TagTable::NameLinks, on ? TagPass::Mode::Set : TagPass::Mode::Clear, this,
               [self, kept, done](TagStep) {
                   if (!self)
                       return;
                   table("QKjnc").record() = kept;
                   self->m_busy = false;
                   self->m_list->engine().reset(engine::BrowseList::ResetMode::FromFirstRow);
                   self->highlightChanged();
                   if (done)
                       done();
               });
}

void NamesListWindow::toPhonesList() {
    if (m_phones->engine().rowCount() == 0 || !m_phones->engine().fetchHighlighted())
        return;
    Table &fon = table("QKfon");
    Table &person = table("QKnam");
    // The name is the person's as stored when the phone is written: read
    // and written in one unit of work.
    const std::vector<Table *> tables{&fon, &person};
    store::UnitOfWork unit(tables);
    if (!store::beginReported(unit, tables, QStringLiteral("Update"), this))
        return;
    const store::KeptBuffer kept(person);
    if (!person.position().isEmpty() && person.reget(person.position())) {
        store::takeSavedError();
        store::standardMessage(this, 35, person.def().name);
        return;
    }
    const store::Record &nam = person.record();
    store::Record &phone = fon.record();
    phone.setValue(QStringLiteral("FON:JUSTPHONESNAME"),
                   trimmed(nam.value(QStringLiteral("FNAME")).toString()) + QLatin1Char(' ') +
                       trimmed(nam.value(QStringLiteral("LNAME")).toString()) + QStringLiteral(" (") +
                       base::withoutTrailingBlanks(phone.value(QStringLiteral("LOCATION")).toString()) +
                       QLatin1Char(')'));
    phone.setValue(QStringLiteral("FON:JUSTPHONESBYTE"), 100);
    if (store::changeRecord(fon, store::ConflictMessage::Short, this) == store::ChangeResult::Done)
        store::commitReported(unit, tables, 15, this);
    m_phones->engine().forceRefresh();
    m_phones->engine().refresh(0);
}

void NamesListWindow::toggleAge() {
    s_ageShown = !s_ageShown;
    updateButtons();
    updateAge();
}

void NamesListWindow::updateAge() {
    const store::Record &nam = table("QKnam").record();
    const int dob = static_cast<int>(nam.integer(nam.indexOf(QStringLiteral("NAM:DOB"))));
    const int reference = static_cast<int>(nam.integer(nam.indexOf(QStringLiteral("NAM:ZIP_CTRL"))));
    auto *age = findChild<QLineEdit *>(QStringLiteral("ageEntry"));
    auto *date = findChild<QLineEdit *>(QStringLiteral("ageDateEntry"));
    date->setText(reference ? engine::showValue(QStringLiteral("@D1b"), reference) : QString());
    if (dob == 0) {
        age->clear();
        return;
    }
    const int at = reference ? reference : dates::Clock::current().today();
    const int years = dates::wholeYearsBetween(dob, at);
    age->setText(years > 0 ? QString::number(years) : QString());
}

bool NamesListWindow::eventFilter(QObject *watched, QEvent *event) {
    if (watched == m_list->listControl() && event->type() == QEvent::KeyPress) {
        auto *key = static_cast<QKeyEvent *>(event);
        if (key->key() == Qt::Key_Delete) {
            deleteRecord();
            return true;
        }
        if (key->key() == Qt::Key_Insert) {
            addRecord();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

Leave NamesListWindow::companyLeft(QLineEdit *edit, LeaveReason why) {
    const QString typed = edit->text().trimmed();
    // Looked up without making the company links' table at first start.
    const qint64 company = typed.isEmpty() ? 0 : host::gui::featureWindows().companyNamed(typed);
    const bool known = company != 0;
    if (known) {
        // A typed name that matches a company links that company.
        table("QKnam").record().setValue(QStringLiteral("NAM:CMP_CTRL"), company);
        return m_record->save(false, why);
    }
    pickCompany(typed);
    return Leave::Pending;
}

// The companies list as a picker, at the typed name.
void NamesListWindow::pickCompany(const QString &remembered) {
    Table &jcg = table("QKjcg");
    jcg.record().clear();
    jcg.record().setValue(QStringLiteral("JCG:COMPANY"), remembered);
    engine::setGlobalRequest(engine::Request::SelectRecord);
    host::gui::featureWindows().pickFromCompaniesList(this, [this] {
        if (engine::globalResponse() == engine::Response::RequestCompleted) {
            table("QKnam").record().setValue(QStringLiteral("NAM:CMP_CTRL"),
                                             table("QKcmp").record().integer(0));
            m_record->save(false, LeaveReason::FocusMoved);
            return;
        }
        // The company the person had stays.
        refreshAll();
    });
}

void NamesListWindow::pickBirthdate() {
    store::Record &nam = table("QKnam").record();
    if (nam.integer(0) == 0)
        return;
    const int field = nam.indexOf(QStringLiteral("NAM:DOB"));
    int dob = static_cast<int>(nam.integer(field));
    if (dob == 0)
        dob = dates::Clock::current().today();
    engine::gui::CalendarPicker::pick(this, dob, [this, field](int chosen) {
        if (chosen == 0)
            return;
        table("QKnam").record().setInteger(field, chosen);
        m_record->save(false, LeaveReason::FocusMoved);
    });
}

void NamesListWindow::pickAgeDate() {
    store::Record &nam = table("QKnam").record();
    const int dob = static_cast<int>(nam.integer(nam.indexOf(QStringLiteral("NAM:DOB"))));
    if (nam.integer(0) == 0 || dob == 0)
        return;
    const int field = nam.indexOf(QStringLiteral("NAM:ZIP_CTRL"));
    const int reference = static_cast<int>(nam.integer(field));
    engine::gui::CalendarPicker::pick(this, reference ? reference : dob, [this, field](int chosen) {
        if (chosen == 0)
            return;
        // Today is the default: no reference date is kept for it.
        const int today = dates::Clock::current().today();
        table("QKnam").record().setInteger(field, chosen == today ? 0 : chosen);
        m_record->save(false, LeaveReason::FocusMoved);
    });
}

void NamesListWindow::closeEvent(QCloseEvent *event) {
    // What was typed is saved first; a field that cannot be saved keeps the
    // window open.
    if (m_busy || !m_editor->commit()) {
        event->ignore();
        return;
    }
    m_closing = true;
    event->accept();
    QWidget::closeEvent(event);
    host::postFrameEvent(host::FrameEvent::NamesListClosed);
    engine::setGlobalResponse(engine::Response::RequestCancelled);
}

void registerNamesList(host::gui::WindowOpeners &openers) {
    openers.set(host::gui::FrameCommand::NamesList,
                [](const host::gui::FrameContext &) { NamesListWindow::open(); });
}

} // namespace tabulo::people::gui
