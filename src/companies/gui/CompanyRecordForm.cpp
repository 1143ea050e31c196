#include "companies/gui/CompanyRecordForm.h"

#include "companies/CompanyRecords.h"
#include "companies/gui/GroupWindows.h"
#include "engine/Globals.h"
#include "engine/RecordRoutines.h"
#include "engine/gui/BrowseWindow.h"
#include "engine/gui/FormChildLists.h"
#include "engine/gui/RecordFormWindow.h"
#include "engine/gui/WindowHost.h"
#include "host/gui/FeatureWindows.h"
#include "host/gui/PhoneNoteForms.h"
#include "store/ChangeRules.h"
#include "store/Dictionary.h"
#include "store/MessageService.h"
#include "store/Messages.h"
#include "store/Store.h"

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

namespace tabulo::companies::gui {

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

const QString kMoreTab = QStringLiteral("General (cont.)");

// A number field refuses what its stored type cannot hold, rather than
// storing something else than was typed.
FormField numberEntry(const char *prompt, const char *field, const char *picture, const char *objectName) {
    FormField f = lineEntry(prompt, field, picture, objectName);
    const store::FieldDef *stored =
        store::tableDef("QKcmp").field(QString::fromLatin1(field).section(QLatin1Char(':'), 1));
    const qint64 low = stored->minValue();
    const qint64 high = stored->maxValue();
    f.check = [low, high](const QVariant &value) -> QString {
        const qint64 v = value.toLongLong();
        if (v >= low && v <= high)
            return {};
        return QStringLiteral("The value must be between %1 and %2.").arg(low).arg(high);
    };
    return f;
}

// What the form's hooks share about the company it edits.
struct CompanyState {
    Request request = Request::None;
    QPointer<RecordFormWindow> window;
    qint64 company = 0; // the control number, once known
    QString openingName;
};

void tellUser(QObject *owner, const QString &title, const QString &text, const store::StoreError &e) {
    store::clearSavedError();
    store::MessageBox box;
    box.title = title;
    box.text = text + QStringLiteral("  Error: ") + store::errorText(e) + QLatin1Char('.');
    box.owner = owner;
    store::MessageService::current().show(box);
}

// Standard message 17 naming the table that kept some of what had to go.
void tellDeleteFailed(QObject *owner, const QString &table, const store::StoreError &e) {
    store::setLastError(e);
    store::takeSavedError();
    store::standardMessage(owner, 17, table);
}

// After the form has ended: a saved company is shown under "All" and its
// links carry its name as saved; a cancelled new company takes along what
// was added on its tabs meanwhile.
void settleCompany(const CompanyState &state, QObject *owner) {
    if (state.company == 0 || !state.window)
        return;
    if (engine::globalResponse() != Response::RequestCompleted) {
        if (state.request == Request::InsertRecord) {
            QString stage;
            if (const store::StoreError e = releaseAbandonedCompany(state.company, &stage))
                tellDeleteFailed(owner, stage, e);
        }
        return;
    }
    const store::Record &saved = state.window->engine().table().record();
    const qint64 company = saved.integer(saved.indexOf(QStringLiteral("CTRL_NBR")));
    const QString name = saved.text(saved.indexOf(QStringLiteral("NAME")));
    if (state.request == Request::InsertRecord && !hasGroupLink(company, 0)) {
        if (const store::StoreError e = addGroupLink(company, 0, name)) {
            tellUser(owner, QStringLiteral("Record Insert Error"),
                     QStringLiteral("The company was saved but could not be added to the category All, "
                                    "so the companies list does not show it yet."),
                     e);
            return;
        }
    }
    // Links made on the tab of a new company carry whatever name was typed
    // there; the saved name is the one the category lists sort by.
    if (state.request == Request::InsertRecord || name != state.openingName) {
        if (const store::StoreError e = rewriteGroupLinkNames(company, name))
            tellUser(owner, QStringLiteral("Record Update Error"),
                     QStringLiteral("The company was saved but its name could not be copied into all of its "
                                    "category links."),
                     e);
    }
}

// One list on a tab of the form: the company's phones, links, notes or
// people.

std::vector<ChildList> childLists() {
    return {
        {"QKfon",
         "fonList",
         "BRW2::Sort1:Reset:cmp:ctrl_nbr",
         "fon:cmp_ctrl = BRW2::Sort1:Reset:cmp:ctrl_nbr",
         "80L(2)|M~Location~L(2)@S25@80L(2)|M~Name~L(2)@s25@64L(2)|M~Number~L(2)@P(###) ###-####P@"
         "20L(2)|M~Area~L(2)@s3@28L(2)|M~Ext~L(2)@s6@68R(2)|M~Just Phones Byte~C(0)@n3@"
         "80L(2)|M~Just Phones Name~L(2)@s35@",
         {"FON:LOCATION", "FON:NAME", "FON:NUMBER", "FON:AREA", "FON:EXT", "FON:JUSTPHONESBYTE",
          "FON:JUSTPHONESNAME"},
         [](QWidget *over, std::function<void()> done) {
             host::gui::runSharedPhoneForm(over, std::move(done));
         }},
        {"QKjcg",
         "jcgList",
         "BRW4::Sort1:Reset:cmp:ctrl_nbr",
         "jcg:cmp_ctrl = BRW4::Sort1:Reset:cmp:ctrl_nbr",
         "56R(2)|M~ctrl nbr~C(0)@n13@80L(2)|M~company~L(2)@s35@56R(2)|M~cmp ctrl~C(0)@n13@"
         "56R(2)|M~grp ctrl~C(0)@n13@",
         {"JCG:CTRL_NBR", "JCG:COMPANY", "JCG:CMP_CTRL", "JCG:GRP_CTRL"},
         [](QWidget *over, std::function<void()> done) { runCompanyGroupLinkForm(over, std::move(done)); }},
        {"QKmem",
         "memList",
         "BRW6::Sort1:Reset:cmp:ctrl_nbr",
         "mem:cmp_ctrl = BRW6::Sort1:Reset:cmp:ctrl_nbr",
         "80R(2)|M~Date~C(0)@d1b@80R(2)|M~Update~C(0)@d1b@24R(2)|M~Order~C(0)@n5@",
         {"MEM:DATE", "MEM:UPDATE", "MEM:ORDER"},
         [](QWidget *over, std::function<void()> done) {
             // The list clears the note's fields; a new note starts without text too.
             if (engine::globalRequest() == Request::InsertRecord)
                 store::Store::instance().table(QStringLiteral("QKmem")).record().setMemo({});
             host::gui::runSharedNoteForm(over, std::move(done));
         }},
        {"QKnam",
         "namList",
         "BRW8::Sort1:Reset:cmp:ctrl_nbr",
         "nam:cmp_ctrl = BRW8::Sort1:Reset:cmp:ctrl_nbr",
         "68L(2)|M~Lname~L(2)@S16@60L(2)|M~Fname~L(2)@S14@80L(2)|M~Addr1~L(2)@S30@"
         "80L(2)|M~Addr2~L(2)@S30@80L(2)|M~City~L(2)@S30@24L(2)|M~State~L(2)@S2@24L(2)|M~Zip~L(2)@S5@"
         "80R(2)|M~Birthdate~C(0)@d2b@80L(2)|M~Email Address~L(2)@s30@",
         {"NAM:LNAME", "NAM:FNAME", "NAM:ADDR1", "NAM:ADDR2", "NAM:CITY", "NAM:STATE", "NAM:ZIP", "NAM:DOB",
          "NAM:EMAILADDRESS"},
         [](QWidget *over, std::function<void()> done) {
             host::gui::featureWindows().runNameRecordForm(over, std::move(done));
         }},
    };
}

std::vector<FormField> companyFields() {
    std::vector<FormField> fields = {
        numberEntry("&ctrl nbr:", "CMP:CTRL_NBR", "@n13", "ctrlNbrEntry"),
        lineEntry("&name:", "CMP:NAME", "@s35", "nameEntry"),
        lineEntry("Business:", "CMP:BUSINESS", "@s40", "businessEntry"),
        lineEntry("&Address:", "CMP:ADDR1", "@s30", "addr1Entry"),
        lineEntry("&Address:", "CMP:ADD2", "@s15", "addr2Entry"),
        lineEntry("&City:", "CMP:CITY", "@s30", "cityEntry"),
        lineEntry("&State:", "CMP:STATE", "@s2", "stateEntry"),
        lineEntry(" &Zip:", "CMP:ZIP", "@s5", "zipEntry"),
        lineEntry("Cou&ntry:", "CMP:COUNTRY", "@s20", "countryEntry"),
        lineEntry("Email Address:", "CMP:EMAILADDRESS", "@s30", "emailEntry"),
        numberEntry("Notes:", "CMP:NOTES", "@n-6", "notesEntry"),
        numberEntry("fon ctrl:", "CMP:FON_CTRL", "@n-13", "fonCtrlEntry"),
        numberEntry("nam ctrl:", "CMP:NAM_CTRL", "@n-13", "namCtrlEntry"),
        lineEntry("Web Address:", "CMP:WEBADDRESS", "@s45", "webAddressEntry"),
    };
    for (size_t i = 10; i < fields.size(); ++i)
        fields[i].tab = kMoreTab;
    return fields;
}

} // namespace

RecordFormWindow *runCompanyRecordForm(QWidget *caller, std::function<void()> done) {
    const store::TableDef &cmp = store::tableDef("QKcmp");
    auto state = std::make_shared<CompanyState>();
    state->request = engine::globalRequest();

    FormWindowSetup setup;
    setup.objectName = QStringLiteral("UpdateQKcmp");
    setup.tableName = cmp.name;
    setup.uses = store::tablesUsedBy(QStringLiteral("companyform"));
    setup.form.formKey = QStringLiteral("UpdateQKcmp");
    setup.form.variant = engine::FormVariant::B;
    setup.form.longConflictMessage = true;
    setup.form.duplicateKeys = {cmp.key(QStringLiteral("CTRL_KEY"))};
    setup.okLabel = QStringLiteral("OK");
    setup.cancelLabel = QStringLiteral("Cancel");
    const int ctrl = cmp.fieldIndex(QStringLiteral("CTRL_NBR"));
    // The company's phones and notes go with it by the table's own rule; its
    // category links would be left listing a company that no longer exists.
    // Its people keep the number, as when a company goes from the list.
    setup.form.deleteRoutine = [ctrl](store::Table &table, QObject *owner) {
        const qint64 company = table.record().integer(ctrl);
        store::Table &links = store::Store::instance().table(QStringLiteral("QKjcg"));
        return store::deleteRecordWith(
                   table, {&links}, [company] { return deleteGroupLinks(company); }, owner) ==
               store::ChangeResult::Done;
    };
    setup.fields = companyFields();
    const int name = cmp.fieldIndex(QStringLiteral("NAME"));
    // A saved company whose name changed: the links' copies of the name are
    // written with it, or neither is.
    setup.form.changeRoutine = [state, name](store::Table &table, bool longConflict, QObject *owner) {
        const QString newName = table.record().text(name);
        if (state->company == 0 || newName == state->openingName)
            return engine::changeRecord(table, longConflict, owner);
        store::Table &links = store::Store::instance().table(QStringLiteral("QKjcg"));
        return engine::changeRecordWith(
            table, longConflict, {&links},
            [company = state->company, newName] { return rewriteGroupLinkNames(company, newName); }, owner);
    };
    auto lists = std::make_shared<QPointer<QObject>>();
    setup.beforeShow = [state, lists, ctrl, name](RecordFormWindow *window) {
        const store::Record &company = window->engine().table().record();
        state->window = window;
        state->company = company.integer(ctrl);
        state->openingName = company.text(name);
        *lists = engine::gui::addChildLists(window, childLists(), QStringLiteral("CMP_CTRL_KEY"),
                                            engine::ThumbKind::Fixed);
    };

    QPointer<QWidget> owner(caller);
    RecordFormWindow *window =
        RecordFormWindow::run(caller, std::move(setup), [state, owner, done = std::move(done)] {
            // The answer stands whatever the settling shows.
            const Response answer = engine::globalResponse();
            settleCompany(*state, owner.data());
            engine::setGlobalResponse(answer);
            if (done)
                done();
        });
    if (window && *lists)
        engine::gui::followSubWindow(*lists);
    return window;
}

} // namespace tabulo::companies::gui
