#include "companies/gui/CompanyRecordForm.h"

#include "companies/CompanyRecords.h"
#include "companies/gui/GroupWindows.h"
#include "engine/Globals.h"
#include "engine/RecordRoutines.h"
#include "engine/gui/BrowseWindow.h"
#include "engine/gui/FormChildLists.h"
#include "engine/gui/LinkedRecordForm.h"
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
using engine::gui::BrowseWindow;
using engine::gui::FormField;
using engine::gui::FormWindowSetup;
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

// Standard message 17 naming the table that kept some of what had to go.
void tellDeleteFailed(QObject *owner, const QString &table, const store::StoreError &e) {
    store::setLastError(e);
    store::takeSavedError();
    store::standardMessage(owner, 17, table);
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
    // The company's phones and notes go with it by the table's own rule; its
    // category links would be left listing a company that no longer exists.
    // Its people keep the number, as when a company goes from the list.
    FormWindowSetup setup = engine::gui::linkedFormSetup("QKcmp", QStringLiteral("companyform"),
                                                         QStringLiteral("QKjcg"), deleteGroupLinks);
    setup.fields = companyFields();

    engine::gui::LinkedFormShape shape;
    shape.noun = QStringLiteral("company");
    shape.listName = QStringLiteral("companies list");
    shape.keyFields = {QStringLiteral("NAME")};
    shape.linksTable = QStringLiteral("QKjcg");
    shape.hasAllLink = [](qint64 company) { return hasGroupLink(company, 0); };
    shape.addAllLink = [](qint64 company, const store::Record &saved) {
        return addGroupLink(company, 0, saved.text(saved.indexOf(QStringLiteral("NAME"))));
    };
    shape.rewriteLinks = [](qint64 company, const store::Record &saved) {
        return rewriteGroupLinkNames(company, saved.text(saved.indexOf(QStringLiteral("NAME"))));
    };
    shape.abandon = [](qint64 company, QObject *owner) {
        QString stage;
        if (const store::StoreError e = releaseAbandonedCompany(company, &stage))
            tellDeleteFailed(owner, stage, e);
    };
    shape.lists = childLists();
    shape.parentKey = QStringLiteral("CMP_CTRL_KEY");
    shape.thumb = engine::ThumbKind::Fixed;
    return engine::gui::runLinkedRecordForm(caller, std::move(setup), std::move(shape), std::move(done));
}

} // namespace tabulo::companies::gui
