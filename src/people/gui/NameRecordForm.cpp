#include "people/gui/NameRecordForm.h"

#include "engine/Globals.h"
#include "engine/RecordRoutines.h"
#include "engine/gui/BrowseWindow.h"
#include "engine/gui/FormChildLists.h"
#include "engine/gui/RecordFormWindow.h"
#include "engine/gui/WindowHost.h"
#include "people/PersonRecords.h"
#include "people/gui/CategoryWindows.h"
#include "people/gui/PhoneNoteForms.h"
#include "store/Dictionary.h"
#include "store/MessageService.h"
#include "store/Messages.h"
#include "store/ChangeRules.h"
#include "store/Store.h"
#include "store/UnitOfWork.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QMdiSubWindow>
#include <QPointer>
#include <QPushButton>
#include <QScrollArea>
#include <QTabWidget>
#include <QVBoxLayout>

#include <memory>
#include <vector>

namespace tabulo::people::gui {

using engine::Request;
using engine::Response;
using engine::gui::BrowseWindow;
using engine::gui::FormField;
using engine::gui::FormWindowSetup;
using engine::gui::ListSetup;
using engine::gui::RecordFormWindow;

using engine::gui::ChildList;

using engine::gui::lineEntry;

namespace {

// What the form's hooks share about the person it edits.
struct PersonState {
    Request request = Request::None;
    QPointer<RecordFormWindow> window;
    qint64 person = 0; // the control number, once known
    QString openingLast;
    QString openingFirst;
};

void tellUser(QObject *owner, const QString &title, const QString &text, const store::StoreError &e) {
    store::clearSavedError();
    store::MessageBox box;
    box.title = title;
    box.text = text + QStringLiteral("  Error: ") + store::errorText(e) + QLatin1Char('.');
    box.owner = owner;
    store::MessageService::current().show(box);
}

// Deletes every record of `tableName` that belongs to the person through its
// NAM_CTRL_KEY, leaving the table's record buffer as it was.
store::StoreError removeOwned(const QString &tableName, qint64 person) {
    store::Table &t = store::Store::instance().table(tableName);
    const store::Record kept = t.record();
    std::vector<QString> positions;
    store::StoreError result;
    {
        store::Cursor cursor(t);
        cursor.setOrder(t.def().key(QStringLiteral("NAM_CTRL_KEY")));
        cursor.setRange({store::sql::Value(person)});
        result = cursor.toStart();
        while (result.ok()) {
            const store::StoreError e = cursor.next();
            if (e.code == store::Code::EndOfFile)
                break;
            if (e)
                result = e;
            else
                positions.push_back(t.position());
        }
    }
    for (const QString &p : positions) {
        if (!result.ok())
            break;
        result = t.reget(p);
        if (result.ok())
            result = t.remove();
    }
    t.record() = kept;
    return result;
}

// Removes what still points at a person who is gone; false after telling
// the user which table kept some of it.
bool removeLeftovers(qint64 person, const QStringList &tables, QObject *owner) {
    // All of it goes, or all of it stays.
    std::vector<store::Table *> used;
    for (const QString &name : tables)
        used.push_back(&store::Store::instance().table(name));
    store::UnitOfWork unit(used);
    if (!store::beginReported(unit, used, QStringLiteral("Delete"), owner))
        return false;
    for (const QString &name : tables) {
        if (const store::StoreError e = removeOwned(name, person)) {
            store::setLastError(e);
            store::takeSavedError();
            store::standardMessage(owner, 17, name);
            return false;
        }
    }
    return store::commitReported(unit, used, 17, owner);
}

// After the form has ended: a saved person is shown under "All" and its links
// carry its name as saved; a cancelled new person takes along what was added
// on its tabs meanwhile.
void settlePerson(const PersonState &state, QObject *owner) {
    if (state.person == 0 || !state.window)
        return;
    const Response answer = engine::globalResponse();
    if (answer != Response::RequestCompleted) {
        if (state.request == Request::InsertRecord)
            removeLeftovers(state.person,
                            {QStringLiteral("QKjnc"), QStringLiteral("QKmem"), QStringLiteral("QKfon")},
                            owner);
        return;
    }
    const store::Record &saved = state.window->engine().table().record();
    const QString last = saved.text(saved.indexOf(QStringLiteral("LNAME")));
    const QString first = saved.text(saved.indexOf(QStringLiteral("FNAME")));
    if (state.request == Request::InsertRecord && !hasLink(state.person, 0)) {
        if (const store::StoreError e = addLink(state.person, 0, last, first)) {
            tellUser(owner, QStringLiteral("Record Insert Error"),
                     QStringLiteral("The person was saved but could not be added to the category All, "
                                    "so the names list does not show it yet."),
                     e);
            return;
        }
    }
    // Links made on the tab of a new person carry whatever names were typed
    // there; the saved name is the one the category lists sort by.
    const bool renamed = last != state.openingLast || first != state.openingFirst;
    if (state.request == Request::InsertRecord || renamed) {
        if (const store::StoreError e = rewriteLinkNames(state.person, last, first))
            tellUser(owner, QStringLiteral("Record Update Error"),
                     QStringLiteral("The person was saved but its name could not be copied into all of its "
                                    "category links."),
                     e);
    }
}

// One list on a tab of the form: the person's links, notes or phones.

std::vector<ChildList> childLists() {
    return {
        {"QKjnc",
         "jncList",
         "BRW2::Sort1:Reset:nam:CTRL_NBR",
         "jnc:nam_ctrl = BRW2::Sort1:Reset:nam:CTRL_NBR",
         "56R(2)|M~Ctrl nbr~C(0)@n13@60L(2)|M~fname~L(2)@s14@68L(2)|M~lname~L(2)@s16@"
         "56R(2)|M~Nam ctrl~C(0)@n13@56R(2)|M~Cat ctrl~C(0)@n13@",
         {"JNC:CTRL_NBR", "JNC:FNAME", "JNC:LNAME", "JNC:NAM_CTRL", "JNC:CAT_CTRL"},
         [](QWidget *over, std::function<void()> done) { runLinkForm(over, std::move(done)); }},
        {"QKmem",
         "memList",
         "BRW4::Sort1:Reset:nam:CTRL_NBR",
         "mem:nam_ctrl = BRW4::Sort1:Reset:nam:CTRL_NBR",
         "80R(2)|M~Date~C(0)@d1b@80R(2)|M~Update~C(0)@d1b@24R(2)|M~Order~C(0)@n5@",
         {"MEM:DATE", "MEM:UPDATE", "MEM:ORDER"},
         [](QWidget *over, std::function<void()> done) {
             // The list clears the note's fields; a new note starts without text too.
             if (engine::globalRequest() == Request::InsertRecord)
                 store::Store::instance().table(QStringLiteral("QKmem")).record().setMemo({});
             runSharedNoteForm(over, std::move(done));
         }},
        {"QKfon",
         "fonList",
         "BRW6::Sort1:Reset:nam:CTRL_NBR",
         "fon:nam_ctrl = BRW6::Sort1:Reset:nam:CTRL_NBR",
         "80L(2)|M~Location~L(2)@S25@80L(2)|M~Name~L(2)@s25@64L(2)|M~Number~L(2)@P(###) ###-####P@"
         "20L(2)|M~Area~L(2)@s3@28L(2)|M~Ext~L(2)@s6@68R(2)|M~Just Phones Byte~C(0)@n3@"
         "80L(2)|M~Just Phones Name~L(2)@s35@",
         {"FON:LOCATION", "FON:NAME", "FON:NUMBER", "FON:AREA", "FON:EXT", "FON:JUSTPHONESBYTE",
          "FON:JUSTPHONESNAME"},
         [](QWidget *over, std::function<void()> done) { runSharedPhoneForm(over, std::move(done)); }},
    };
}

} // namespace

RecordFormWindow *runNameRecordForm(QWidget *caller, std::function<void()> done) {
    const store::TableDef &nam = store::tableDef("QKnam");
    auto state = std::make_shared<PersonState>();
    state->request = engine::globalRequest();

    FormWindowSetup setup;
    setup.objectName = QStringLiteral("UpdateQKnam");
    setup.tableName = nam.name;
    setup.uses = store::tablesUsedBy(QStringLiteral("nameform"));
    setup.form.formKey = QStringLiteral("UpdateQKnam");
    setup.form.variant = engine::FormVariant::B;
    setup.form.longConflictMessage = true;
    setup.form.duplicateKeys = {nam.key(QStringLiteral("CTRL_KEY"))};
    setup.okLabel = QStringLiteral("OK");
    setup.cancelLabel = QStringLiteral("Cancel");
    const int ctrl = nam.fieldIndex(QStringLiteral("CTRL_NBR"));
    // The person's phones and notes go with it by the table's own rule; its
    // category links would be left naming a person who no longer exists.
    setup.form.deleteRoutine = [ctrl](store::Table &table, QObject *owner) {
        const qint64 person = table.record().integer(ctrl);
        store::Table &links = store::Store::instance().table(QStringLiteral("QKjnc"));
        return store::deleteRecordWith(table, {&links}, [person] { return removeOwned(QStringLiteral("QKjnc"), person); },
                                       owner) == store::ChangeResult::Done;
    };
    setup.fields = {
        lineEntry("&Lname:", "NAM:LNAME", "@S16", "lnameEntry"),
        lineEntry("&Fname:", "NAM:FNAME", "@S14", "fnameEntry"),
        lineEntry("&Addr1:", "NAM:ADDR1", "@S30", "addr1Entry"),
        lineEntry("&Addr2:", "NAM:ADDR2", "@S30", "addr2Entry"),
        lineEntry("&City:", "NAM:CITY", "@S30", "cityEntry"),
        lineEntry("&State:", "NAM:STATE", "@S2", "stateEntry"),
        lineEntry(" &Zip:", "NAM:ZIP", "@S5", "zipEntry"),
        lineEntry("Birthdate:", "NAM:DOB", "@d2b", "dobEntry"),
        lineEntry("Email Address:", "NAM:EMAILADDRESS", "@s30", "emailEntry"),
        lineEntry("Country:", "NAM:COUNTRY", "@s20", "countryEntry"),
    };
    const int last = nam.fieldIndex(QStringLiteral("LNAME"));
    const int first = nam.fieldIndex(QStringLiteral("FNAME"));
    // A saved person whose name changed: the links' copies of the name are
    // written with it, or neither is.
    setup.form.changeRoutine = [state, last, first](store::Table &table, bool longConflict, QObject *owner) {
        const QString newLast = table.record().text(last);
        const QString newFirst = table.record().text(first);
        if (state->person == 0 || (newLast == state->openingLast && newFirst == state->openingFirst))
            return engine::changeRecord(table, longConflict, owner);
        store::Table &links = store::Store::instance().table(QStringLiteral("QKjnc"));
        return engine::changeRecordWith(
            table, longConflict, {&links},
            [person = state->person, newLast, newFirst] { return rewriteLinkNames(person, newLast, newFirst); },
            owner);
    };
    auto lists = std::make_shared<QPointer<QObject>>();
    setup.beforeShow = [state, lists, ctrl, last, first](RecordFormWindow *window) {
        const store::Record &person = window->engine().table().record();
        state->window = window;
        state->person = person.integer(ctrl);
        state->openingLast = person.text(last);
        state->openingFirst = person.text(first);
        *lists = engine::gui::addChildLists(window, childLists(), QStringLiteral("NAM_CTRL_KEY"),
                                            engine::ThumbKind::Distributed);
    };

    QPointer<QWidget> owner(caller);
    RecordFormWindow *window =
        RecordFormWindow::run(caller, std::move(setup), [state, owner, done = std::move(done)] {
            // The answer stands whatever the settling shows.
            const Response answer = engine::globalResponse();
            settlePerson(*state, owner.data());
            engine::setGlobalResponse(answer);
            if (done)
                done();
        });
    if (window && *lists)
        engine::gui::followSubWindow(*lists);
    return window;
}

} // namespace tabulo::people::gui
