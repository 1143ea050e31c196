#include "companies/gui/GroupWindows.h"

#include "companies/GroupMembership.h"
#include "engine/Globals.h"
#include "engine/gui/BrowseWindow.h"
#include "engine/gui/CategoryList.h"
#include "engine/gui/RecordFormWindow.h"
#include "engine/gui/WindowHost.h"
#include "engine/gui/WindowPlacement.h"
#include "store/Dictionary.h"
#include "store/Store.h"

#include <QBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStatusBar>
#include <QVariant>

namespace tabulo::companies::gui {

using engine::ListAction;
using engine::Request;
using engine::Response;
using engine::gui::BrowseWindow;
using engine::gui::CategoryKind;
using engine::gui::FormField;
using engine::gui::FormWindowSetup;
using engine::gui::ListSetup;
using engine::gui::RecordFormWindow;

using engine::gui::lineEntry;

namespace {

using engine::gui::inRangeOf;

// The list's buttons as the window shows them: Select first on the tab,
// Close below it.
void arrangeButtons(BrowseWindow *window) {
    QPushButton *select = window->button(ListAction::Select);
    QPushButton *close = window->button(ListAction::Close);
    auto *row = select ? qobject_cast<QBoxLayout *>(select->parentWidget()->layout()) : nullptr;
    auto *outer = qobject_cast<QBoxLayout *>(window->layout());
    if (!row || !outer || !close)
        return;
    select->setText(QStringLiteral("Select"));
    row->removeWidget(select);
    row->insertWidget(0, select);
    row->removeWidget(close);
    close->setParent(window);
    auto *closeRow = new QHBoxLayout;
    closeRow->addStretch();
    closeRow->addWidget(close);
    // Above the status line, which stays last.
    const int statusAt = window->statusLine() ? outer->indexOf(window->statusLine()) : -1;
    outer->insertLayout(statusAt < 0 ? outer->count() : statusAt, closeRow);
    close->show();
    engine::gui::WindowPlacement::settleDesignedSize(window);
}

} // namespace

BrowseWindow *openCompanyCategoryList(QWidget *caller, std::function<void()> done) {
    ListSetup setup = engine::gui::categoryListSetup(
        {CategoryKind::Companies, QStringLiteral("grpls"), QStringLiteral("Company Categories"),
         QStringLiteral("QKgrp"), QStringLiteral("GRP:GROUP"), QStringLiteral("@s35"),
         QStringLiteral("140L~Category~L(1)@s35@"), QStringLiteral("GROUP_KEY"),
         [](QWidget *over, std::function<void()> formDone) {
             runCompanyCategoryForm(over, std::move(formDone));
         }});
    setup.carriedFields = {QStringLiteral("GRP:CTRL_NBR")};
    setup.insertLabel = QStringLiteral("Insert");
    setup.changeLabel = QStringLiteral("Change");
    setup.deleteLabel = QStringLiteral("Delete");
    setup.closeLabel = QStringLiteral("Close");
    engine::ContextMenu menu;
    menu.items = {{QStringLiteral("Insert"), ListAction::Insert},
                  {QStringLiteral("Change"), ListAction::Change, {}, true},
                  {QStringLiteral("Delete"), ListAction::Delete, {}, true},
                  {QStringLiteral("-")},
                  {QStringLiteral("Select"), ListAction::Select, {}, true, true}};
    setup.contextMenu = menu;

    const int name = store::tableDef("QKgrp").fieldIndex(QStringLiteral("GROUP"));
    store::Table &table = store::Store::instance().table(QStringLiteral("QKgrp"));
    // What a cancelled pick leaves as the current name when there is none.
    const QString nameAtOpening = table.record().text(name);
    auto ended = [&table, name, nameAtOpening, done = std::move(done)] {
        if (engine::globalResponse() == Response::RequestCompleted) {
            const QString current = engine::currentGroupName().trimmed().isEmpty()
                                        ? table.record().text(name)
                                        : engine::currentGroupName();
            engine::gui::setCurrentCategoryOf(CategoryKind::Companies, table.record().integer(0), current);
        } else if (engine::currentGroupName().trimmed().isEmpty()) {
            engine::setCurrentGroup(engine::currentGroup(), nameAtOpening);
        }
        if (done)
            done();
    };
    BrowseWindow *window = engine::gui::openCategoryListWindow(std::move(setup), CategoryKind::Companies,
                                                               caller, std::move(ended));
    arrangeButtons(window);
    engine::gui::WindowHost::present(window, caller);
    return window;
}

RecordFormWindow *runCompanyCategoryForm(QWidget *caller, std::function<void()> done) {
    const store::TableDef &grp = store::tableDef("QKgrp");
    FormWindowSetup setup;
    setup.objectName = QStringLiteral("grpup");
    setup.tableName = QStringLiteral("QKgrp");
    setup.uses = store::tablesUsedBy(QStringLiteral("grpform"));
    setup.form.formKey = QStringLiteral("grpup");
    setup.form.variant = engine::FormVariant::A;
    setup.form.title = QStringLiteral("Company Category Database Update Form");
    setup.form.addedMessage = QStringLiteral("Record Will Be Added");
    setup.form.changedMessage = QStringLiteral("Record Will Be Changed");
    setup.form.duplicateKeys = {grp.key(QStringLiteral("CTRL_KEY")), grp.key(QStringLiteral("GROUP_KEY"))};
    setup.okLabel = QStringLiteral("OK");
    setup.cancelLabel = QStringLiteral("Cancel");
    // A new category starts blank, never as a copy of the one last read.
    setup.form.prime = [](store::Record &r) { r.clear(); };
    setup.fields = {lineEntry("&Category", "GRP:GROUP", "@s35", "groupEntry")};
    setup.beforeShow = [](RecordFormWindow *window) {
        // The action message also stands in the status bar's second zone.
        auto *bar = new QStatusBar(window);
        bar->setObjectName(QStringLiteral("statusBar"));
        bar->setSizeGripEnabled(false);
        auto *first = new QLabel(bar);
        first->setObjectName(QStringLiteral("statusZone1"));
        auto *second = new QLabel(window->engine().actionMessage(), bar);
        second->setObjectName(QStringLiteral("statusZone2"));
        bar->addWidget(first, 1);
        bar->addWidget(second, 1);
        if (auto *outer = qobject_cast<QBoxLayout *>(window->layout()))
            outer->addWidget(bar);
        // Defined by the form, never shown.
        auto *help = new QPushButton(QStringLiteral("Help"), window);
        help->setObjectName(QStringLiteral("helpButton"));
        help->hide();
    };
    return RecordFormWindow::run(caller, std::move(setup), std::move(done));
}

RecordFormWindow *runCompanyGroupLinkForm(QWidget *caller, std::function<void()> done) {
    const store::TableDef &jcg = store::tableDef("QKjcg");
    FormWindowSetup setup;
    setup.objectName = QStringLiteral("UpdateQKjcg");
    setup.tableName = QStringLiteral("QKjcg");
    setup.uses = store::tablesUsedBy(QStringLiteral("jcgform"));
    setup.form.formKey = QStringLiteral("UpdateQKjcg");
    setup.form.variant = engine::FormVariant::B;
    setup.form.longConflictMessage = true;
    setup.form.duplicateKeys = {jcg.key(QStringLiteral("CTRL_KEY"))};
    setup.okLabel = QStringLiteral("OK");
    setup.cancelLabel = QStringLiteral("Cancel");
    setup.fields = {
        lineEntry("&ctrl nbr:", "JCG:CTRL_NBR", "@n13", "ctrlNbrEntry"),
        lineEntry("&company:", "JCG:COMPANY", "@s35", "companyEntry"),
        lineEntry("&cmp ctrl:", "JCG:CMP_CTRL", "@n13", "cmpCtrlEntry"),
        lineEntry("&grp ctrl:", "JCG:GRP_CTRL", "@n13", "grpCtrlEntry"),
    };
    setup.fields[0].check = inRangeOf(jcg, "CTRL_NBR");
    setup.fields[2].check = inRangeOf(jcg, "CMP_CTRL");
    setup.fields[3].check = inRangeOf(jcg, "GRP_CTRL");
    return RecordFormWindow::run(caller, std::move(setup), std::move(done));
}

void runCategoryAssignment(QWidget *caller, std::function<void()> done) {
    const GroupAction action = groupActionFromWord(groupActionWord());
    engine::gui::changeCategories(
        CategoryKind::Companies, needsTargetGroup(action), caller,
        [](QWidget *over, std::function<void()> picked) {
            return openCompanyCategoryList(over, std::move(picked));
        },
        [action, caller](qint64 target) { applyGroupAction(action, target, caller); },
        [done = std::move(done)](bool) {
            setGroupActionWord({});
            if (done)
                done();
        });
}

void registerCompanyCategories(host::gui::WindowOpeners &openers) {
    openers.set(host::gui::FrameCommand::CompanyCategories, [](const host::gui::FrameContext &) {
        engine::setGlobalRequest(Request::None);
        openCompanyCategoryList();
    });
}

} // namespace tabulo::companies::gui
