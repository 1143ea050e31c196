#include "companies/gui/CompanyPicker.h"

#include "companies/gui/CompanyRecordForm.h"
#include "engine/Globals.h"
#include "engine/gui/BrowseWindow.h"
#include "engine/gui/WindowHost.h"
#include "store/Dictionary.h"
#include "store/Store.h"

#include <QPushButton>

namespace tabulo::companies::gui {

using engine::ListAction;
using engine::gui::BrowseWindow;
using engine::gui::ListSetup;

BrowseWindow *openCompanyFile(QWidget *caller, std::function<void()> done) {
    const store::TableDef &cmp = *store::Dictionary::instance().table(QStringLiteral("QKcmp"));
    ListSetup setup;
    setup.objectName = QStringLiteral("cmpls");
    setup.title = QStringLiteral("Company File");
    setup.placementKey = QStringLiteral("cmpls");
    setup.tableName = cmp.name;
    setup.uses = store::tablesUsedBy(QStringLiteral("companypicker"));
    for (const char *field :
         {"CMP:NAME", "CMP:ADDR1", "CMP:ADD2", "CMP:CITY", "CMP:STATE", "CMP:ZIP", "CMP:COUNTRY"})
        setup.columns.push_back({QString::fromLatin1(field), {}});
    setup.columnFormat =
        QStringLiteral("145L(2)|M~Name~@s35@80L(2)|M~Address~@s30@64L(2)|M~Address~@s15@80L(2)|M~City~@s30@"
                       "24L(2)|M~State~@s2@24L(2)|M~Zip~@s5@80L(2)|M~Country~@s20@");
    setup.carriedFields = {QStringLiteral("CMP:CTRL_NBR")};
    setup.orders = {engine::SortOrder{cmp.key(QStringLiteral("NAME_KEY"))}};
    setup.thumb = engine::ThumbKind::Distributed;
    setup.changeLabel = QStringLiteral("&Change");
    setup.closeLabel = QStringLiteral("Close");
    setup.buttonsTab = QStringLiteral("General");
    // The one item acts only for a caller that asked for a company.
    engine::MenuItem select;
    select.text = QStringLiteral("&Select");
    select.action = ListAction::Select;
    select.needsRows = true;
    select.needsSelectMode = true;
    setup.contextMenu = engine::ContextMenu{{select}, true};
    setup.form = [](QWidget *over, std::function<void()> formDone) {
        runCompanyRecordForm(over, std::move(formDone));
    };
    auto *window = new BrowseWindow(std::move(setup), caller, std::move(done));
    if (QPushButton *pick = window->button(ListAction::Select))
        pick->setVisible(window->engine().selectEnabled());
    auto *help = new QPushButton(QStringLiteral("Help"), window);
    help->setObjectName(QStringLiteral("helpButton"));
    help->hide();
    engine::gui::WindowHost::present(window, caller);
    return window;
}

void chooseCompany(QWidget *caller, std::function<void(std::optional<store::Record>)> done) {
    // Held until the answer is read: the list releases the table as it ends.
    store::Table &cmp = store::Store::instance().use(QStringLiteral("QKcmp"));
    engine::setGlobalRequest(engine::Request::SelectRecord);
    openCompanyFile(caller, [&cmp, done = std::move(done)] {
        std::optional<store::Record> chosen;
        if (engine::globalResponse() == engine::Response::RequestCompleted)
            chosen = cmp.record();
        store::Store::instance().release(QStringLiteral("QKcmp"));
        if (done)
            done(chosen);
    });
}

} // namespace tabulo::companies::gui
