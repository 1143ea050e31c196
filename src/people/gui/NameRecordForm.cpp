#include "people/gui/NameRecordForm.h"

#include "engine/Globals.h"
#include "engine/RecordRoutines.h"
#include "engine/gui/BrowseWindow.h"
#include "engine/gui/FormChildLists.h"
#include "engine/gui/LinkedRecordForm.h"
#include "engine/gui/RecordFormWindow.h"
#include "engine/gui/WindowHost.h"
#include "host/gui/PhoneNoteForms.h"
#include "people/PersonRecords.h"
#include "people/gui/CategoryWindows.h"
#include "store/ChangeRules.h"
#include "store/Dictionary.h"
#include "store/MessageService.h"
#include "store/Messages.h"
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
using engine::gui::BrowseWindow;
using engine::gui::FormWindowSetup;
using engine::gui::RecordFormWindow;
using engine::gui::ChildList;
using engine::gui::lineEntry;

namespace {

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
             host::gui::runSharedNoteForm(over, std::move(done));
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
         [](QWidget *over, std::function<void()> done) {
             host::gui::runSharedPhoneForm(over, std::move(done));
         }},
    };
}

} // namespace

RecordFormWindow *runNameRecordForm(QWidget *caller, std::function<void()> done) {
    // The person's phones and notes go with it by the table's own rule; its
    // category links would be left naming a person who no longer exists.
    FormWindowSetup setup =
        engine::gui::linkedFormSetup("QKnam", QStringLiteral("nameform"), QStringLiteral("QKjnc"),
                                     [](qint64 person) { return removeOwned(QStringLiteral("QKjnc"), person); });
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

    engine::gui::LinkedFormShape shape;
    shape.noun = QStringLiteral("person");
    shape.listName = QStringLiteral("names list");
    shape.keyFields = {QStringLiteral("LNAME"), QStringLiteral("FNAME")};
    shape.linksTable = QStringLiteral("QKjnc");
    shape.hasAllLink = [](qint64 person) { return hasLink(person, 0); };
    shape.addAllLink = [](qint64 person, const store::Record &saved) {
        return addLink(person, 0, saved.text(saved.indexOf(QStringLiteral("LNAME"))),
                       saved.text(saved.indexOf(QStringLiteral("FNAME"))));
    };
    shape.rewriteLinks = [](qint64 person, const store::Record &saved) {
        return rewriteLinkNames(person, saved.text(saved.indexOf(QStringLiteral("LNAME"))),
                                saved.text(saved.indexOf(QStringLiteral("FNAME"))));
    };
    shape.abandon = [](qint64 person, QObject *owner) {
        removeLeftovers(person, {QStringLiteral("QKjnc"), QStringLiteral("QKmem"), QStringLiteral("QKfon")},
                        owner);
    };
    shape.lists = childLists();
    shape.parentKey = QStringLiteral("NAM_CTRL_KEY");
    shape.thumb = engine::ThumbKind::Distributed;
    return engine::gui::runLinkedRecordForm(caller, std::move(setup), std::move(shape), std::move(done));
}

} // namespace tabulo::people::gui
