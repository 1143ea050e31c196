#include "people/gui/CategoryWindows.h"

#include "engine/Globals.h"
#include "engine/gui/BrowseWindow.h"
#include "engine/gui/CategoryList.h"
#include "engine/gui/PageView.h"
#include "engine/gui/RecordFormWindow.h"
#include "engine/gui/WindowHost.h"
#include "store/Dictionary.h"
#include "store/MessageService.h"
#include "store/Messages.h"
#include "store/Store.h"

namespace tabulo::people::gui {

using engine::gui::BrowseWindow;
using engine::gui::CategoryKind;
using engine::gui::FormField;
using engine::gui::FormWindowSetup;
using engine::gui::ListSetup;
using engine::gui::RecordFormWindow;

namespace {
std::vector<const store::KeyDef *> keys(const store::TableDef &table,
                                        std::initializer_list<const char *> names) {
    std::vector<const store::KeyDef *> result;
    for (const char *n : names)
        result.push_back(table.key(QString::fromLatin1(n)));
    return result;
}
} // namespace

BrowseWindow *openCategoryList(QWidget *caller, std::function<void()> done) {
    ListSetup setup = engine::gui::categoryListSetup(
        {CategoryKind::Names, QStringLiteral("catls"), QStringLiteral("Names Categories"),
         QStringLiteral("QKcat"), QStringLiteral("CAT:CATEGORY"), QStringLiteral("@s30"),
         QStringLiteral("103L(2)|M~Category~@s30@"), QStringLiteral("CAT_KEY"),
         [](QWidget *over, std::function<void()> formDone) { runCategoryForm(over, std::move(formDone)); }});
    setup.listStatusText = QStringLiteral("Browsing Records");
    BrowseWindow *window =
        engine::gui::openCategoryListWindow(std::move(setup), CategoryKind::Names, caller, std::move(done));
    engine::gui::WindowHost::present(window, caller);
    return window;
}

RecordFormWindow *runCategoryForm(QWidget *caller, std::function<void()> done) {
    const store::TableDef &cat = store::tableDef("QKcat");
    FormWindowSetup setup;
    setup.objectName = QStringLiteral("catup");
    setup.tableName = QStringLiteral("QKcat");
    setup.uses = store::tablesUsedBy(QStringLiteral("catform"));
    setup.form.formKey = QStringLiteral("catup");
    setup.form.variant = engine::FormVariant::A;
    setup.form.title = QStringLiteral("Categories Database Update Table");
    setup.form.duplicateKeys = keys(cat, {"CTRL_KEY", "CAT_KEY"});
    const int name = cat.fieldIndex(QStringLiteral("CATEGORY"));
    setup.form.refuseDelete = [name, caller](const store::Record &record) {
        if (!isSystemCategory(record.text(name)))
            return false;
        store::MessageBox box;
        box.title = QStringLiteral("System Category");
        box.text = QStringLiteral("This is a system category, , it can't be deleted.");
        box.owner = caller;
        store::MessageService::current().show(box);
        return true;
    };
    setup.fields = {{QStringLiteral("Category:"),
                     QStringLiteral("CAT:CATEGORY"),
                     QStringLiteral("@s30"),
                     QStringLiteral("categoryEntry"),
                     {}}};
    return RecordFormWindow::run(caller, std::move(setup), std::move(done));
}

RecordFormWindow *runLinkForm(QWidget *caller, std::function<void()> done) {
    const store::TableDef &jnc = store::tableDef("QKjnc");
    FormWindowSetup setup;
    setup.objectName = QStringLiteral("UpdateQKjnc");
    setup.tableName = QStringLiteral("QKjnc");
    setup.uses = store::tablesUsedBy(QStringLiteral("jncform"));
    setup.form.formKey = QStringLiteral("UpdateQKjnc");
    setup.okLabel = QStringLiteral("OK");
    setup.cancelLabel = QStringLiteral("Cancel");
    setup.form.variant = engine::FormVariant::B;
    setup.form.longConflictMessage = true;
    setup.form.duplicateKeys = keys(jnc, {"CTRL_KEY", "NAM_CTRL_KEY"});
    // The link form deletes the link alone, without the person's rules.
    setup.form.deleteRoutine = [](store::Table &table, QObject *owner) {
        if (table.reget(table.position()).ok() && table.remove().ok())
            return true;
        store::takeSavedError();
        store::standardMessage(owner, 17, table.def().name);
        return false;
    };
    setup.fields = {
        {QStringLiteral("&Ctrl nbr:"),
         QStringLiteral("JNC:CTRL_NBR"),
         QStringLiteral("@n13"),
         QStringLiteral("ctrlNbrEntry"),
         {}},
        {QStringLiteral("fname:"),
         QStringLiteral("JNC:FNAME"),
         QStringLiteral("@s14"),
         QStringLiteral("fnameEntry"),
         {}},
        {QStringLiteral("lname:"),
         QStringLiteral("JNC:LNAME"),
         QStringLiteral("@s16"),
         QStringLiteral("lnameEntry"),
         {}},
        {QStringLiteral("&Nam ctrl:"),
         QStringLiteral("JNC:NAM_CTRL"),
         QStringLiteral("@n13"),
         QStringLiteral("namCtrlEntry"),
         {}},
        {QStringLiteral("&Cat ctrl:"),
         QStringLiteral("JNC:CAT_CTRL"),
         QStringLiteral("@n13"),
         QStringLiteral("catCtrlEntry"),
         {}},
    };
    return RecordFormWindow::run(caller, std::move(setup), std::move(done));
}

void startMembership(QWidget *namesList, MembershipOp op, std::vector<qint32> taggedLinks,
                     std::function<void(bool ran)> done) {
    engine::gui::changeCategories(
        CategoryKind::Names, op != MembershipOp::Delete, namesList,
        [](QWidget *caller, std::function<void()> picked) {
            return openCategoryList(caller, std::move(picked));
        },
        [op, taggedLinks = std::move(taggedLinks), namesList](qint64 target) {
            runMembership(op, static_cast<qint32>(target), taggedLinks, namesList);
        },
        std::move(done));
}

void registerOpeners(host::gui::WindowOpeners &openers) {
    openers.set(host::gui::FrameCommand::NameCategories, [](const host::gui::FrameContext &) {
        engine::setGlobalRequest(engine::Request::None);
        openCategoryList();
    });
}

} // namespace tabulo::people::gui
