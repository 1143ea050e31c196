#include "postal/gui/ZipWindows.h"

#include "engine/Globals.h"
#include "engine/gui/BrowseWindow.h"
#include "engine/gui/PageView.h"
#include "engine/gui/RecordFormWindow.h"
#include "engine/gui/WindowHost.h"
#include "store/Dictionary.h"
#include "store/Store.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QPushButton>
#include <QTabBar>
#include <QVBoxLayout>

namespace tabulo::postal::gui {

using engine::gui::BrowseWindow;
using engine::gui::FormWindowSetup;
using engine::gui::ListSetup;
using engine::gui::RecordFormWindow;

namespace {
const store::TableDef &zipDef() {
    return *store::Dictionary::instance().table(QStringLiteral("QKzip"));
}

const QStringList &searchPrompts() {
    static const QStringList prompts{QStringLiteral("Find City"), QStringLiteral("Find State"),
                                     QStringLiteral("Find Zip")};
    return prompts;
}

// The highlighted row's value for the active order, as the search entry shows it.
QString searchValue(const store::Record &r, int tab) {
    switch (tab) {
    case 1:
        return r.value(QStringLiteral("STATE")).toString().left(2);
    case 2:
        return r.value(QStringLiteral("ZIP")).toString().left(5);
    default:
        return r.value(QStringLiteral("CITY")).toString().trimmed();
    }
}
} // namespace

BrowseWindow *openZipList(QWidget *caller, std::function<void()> done) {
    const store::TableDef &zip = zipDef();
    ListSetup setup;
    setup.objectName = QStringLiteral("zipls");
    setup.title = QStringLiteral("Cities and Zip Codes");
    setup.placementKey = QStringLiteral("zipls");
    setup.tableName = QStringLiteral("QKzip");
    setup.uses = store::tablesUsedBy(QStringLiteral("zipls"));
    setup.columns = {{QStringLiteral("ZIP:CITY"), QStringLiteral("@s30")},
                     {QStringLiteral("ZIP:STATE"), QStringLiteral("@s2")},
                     {QStringLiteral("ZIP:ZIP"), QStringLiteral("@s5")}};
    setup.orders = {engine::SortOrder{zip.key(QStringLiteral("CITY_KEY"))},
                    engine::SortOrder{zip.key(QStringLiteral("STATE_KEY"))},
                    engine::SortOrder{zip.key(QStringLiteral("ZIP_KEY"))}};
    setup.columnFormat = QStringLiteral("101L(2)|M~City~@s30@24L(2)|M~State~@s2@24L(2)|M~Zip Code~@s5@");
    setup.tabTexts = {QStringLiteral("&City"), QStringLiteral("&State"), QStringLiteral("&Zip")};
    setup.thumb = engine::ThumbKind::Distributed;
    setup.changeLabel = QStringLiteral("&Change");
    setup.closeLabel = QStringLiteral("Close");
    setup.form = [](QWidget *over, std::function<void()> formDone) { runZipForm(over, std::move(formDone)); };
    auto *window = new BrowseWindow(std::move(setup), caller, std::move(done));

    auto *searchRow = new QHBoxLayout;
    auto *prompt = new QLabel(searchPrompts().at(0), window);
    prompt->setObjectName(QStringLiteral("searchPrompt"));
    auto *search = new QLineEdit(window);
    search->setObjectName(QStringLiteral("searchEntry"));
    search->setMaxLength(30);
    prompt->setBuddy(search);
    searchRow->addWidget(prompt);
    searchRow->addWidget(search);
    window->extraArea()->addLayout(searchRow);
    auto *help = new QPushButton(QStringLiteral("Help"), window);
    help->setObjectName(QStringLiteral("helpButton"));
    help->hide();

    store::Table &table = window->engine().table();
    QTabBar *tabs = window->tabs();
    QObject::connect(window, &BrowseWindow::rowChanged, search, [search, tabs, &table] {
        search->setText(searchValue(table.record(), tabs->currentIndex()));
    });
    QObject::connect(tabs, &QTabBar::currentChanged, window, [prompt, search, tabs, &table](int tab) {
        prompt->setText(searchPrompts().value(tab));
        search->setText(searchValue(table.record(), tabs->currentIndex()));
        search->setFocus();
    });
    QObject::connect(search, &QLineEdit::returnPressed, window, [window, search, tabs, &table] {
        const QString typed = search->text();
        store::Record &r = table.record();
        // The search names the leading field only: the others start lowest,
        // so the first entry at or after the typed text comes up.
        r.setValue(QStringLiteral("CITY"), QString());
        r.setValue(QStringLiteral("STATE"), QString());
        r.setValue(QStringLiteral("ZIP"), QString());
        switch (tabs->currentIndex()) {
        case 1:
            r.setValue(QStringLiteral("STATE"), typed.left(2));
            break;
        case 2:
            r.setValue(QStringLiteral("ZIP"), typed.left(5));
            break;
        default:
            r.setValue(QStringLiteral("CITY"), typed.trimmed());
            break;
        }
        window->engine().locate(engine::BrowseList::LocateMode::NotBelow);
        search->setText(typed);
        search->setFocus();
    });
    // From the frame's menu it blocks the frame; as a picker, its caller.
    engine::gui::WindowHost::present(window, caller);
    return window;
}

RecordFormWindow *runZipForm(QWidget *caller, std::function<void()> done) {
    const store::TableDef &zip = zipDef();
    FormWindowSetup setup;
    setup.objectName = QStringLiteral("zipup");
    setup.tableName = QStringLiteral("QKzip");
    setup.uses = store::tablesUsedBy(QStringLiteral("zipform"));
    setup.form.formKey = QStringLiteral("zipup");
    setup.form.variant = engine::FormVariant::A;
    setup.form.title = QStringLiteral("City-Zipcode Database Update Form");
    setup.form.duplicateKeys = {zip.key(QStringLiteral("CTRL_KEY")), zip.key(QStringLiteral("ZIP_KEY"))};
    setup.form.prime = [](store::Record &r) {
        r.setValue(QStringLiteral("STATE"), host::homeState());
        const QString city = host::zipSearchText();
        if (!city.trimmed().isEmpty()) {
            r.setValue(QStringLiteral("CITY"), city);
            host::setZipSearchText({});
        }
    };
    setup.fields = {
        {QStringLiteral("&City:"),
         QStringLiteral("ZIP:CITY"),
         QStringLiteral("@s30"),
         QStringLiteral("cityEntry"),
         {}},
        {QStringLiteral("State:"),
         QStringLiteral("ZIP:STATE"),
         QStringLiteral("@s2"),
         QStringLiteral("stateEntry"),
         {}},
        {QStringLiteral("&Zip Code:"),
         QStringLiteral("ZIP:ZIP"),
         QStringLiteral("@s5"),
         QStringLiteral("zipEntry"),
         {}},
    };
    setup.okLabel = QStringLiteral("OK");
    setup.cancelLabel = QStringLiteral("Cancel");
    return RecordFormWindow::run(caller, std::move(setup), std::move(done));
}

void chooseCity(QWidget *caller, const QString &city,
                std::function<void(std::optional<host::CityZip>)> done) {
    store::Table &zip = store::Store::instance().use(QStringLiteral("QKzip"));
    zip.record().clear();
    zip.record().setValue(QStringLiteral("CITY"), city.trimmed());
    host::setZipSearchText(city);
    engine::setGlobalRequest(engine::Request::SelectRecord);
    openZipList(caller, [done = std::move(done)] {
        std::optional<host::CityZip> chosen;
        if (engine::globalResponse() == engine::Response::RequestCompleted)
            chosen = host::cityInBuffer();
        // An entry the user did not use is no longer looked for.
        host::setZipSearchText({});
        store::Store::instance().release(QStringLiteral("QKzip"));
        if (done)
            done(chosen);
    });
}

void registerOpeners(host::gui::WindowOpeners &openers) {
    openers.set(host::gui::FrameCommand::CitiesAndZipCodes, [](const host::gui::FrameContext &context) {
        engine::setGlobalRequest(engine::Request::None);
        openZipList(context.frame);
    });
}

} // namespace tabulo::postal::gui
