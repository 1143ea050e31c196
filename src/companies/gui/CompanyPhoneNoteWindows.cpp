#include "companies/gui/CompanyPhoneNoteWindows.h"

#include "base/Clock.h"
#include "companies/GroupMembership.h"
#include "engine/Globals.h"
#include "engine/gui/BrowseWindow.h"
#include "engine/gui/PageView.h"
#include "engine/gui/RecordFormWindow.h"
#include "engine/gui/WindowHost.h"
#include "host/StoreSetupSource.h"
#include "host/gui/PhoneNoteForms.h"
#include "store/Dictionary.h"
#include "store/MessageService.h"
#include "store/Messages.h"
#include "store/Store.h"

#include <QCoreApplication>
#include <QFont>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QVariant>

#include <memory>

namespace tabulo::companies::gui {

using engine::FormVariant;
using engine::ListAction;
using engine::Request;
using engine::Response;
using engine::gui::BrowseWindow;
using engine::gui::FieldKind;
using engine::gui::FormField;
using engine::gui::FormWindowSetup;
using engine::gui::ListSetup;
using engine::gui::RecordFormWindow;

using engine::gui::lineEntry;

namespace {

store::Table &companies() {
    return store::Store::instance().table(QStringLiteral("QKcmp"));
}

// The company the caller left in the QKcmp buffer.
qint64 currentCompany() {
    return companies().record().value(QStringLiteral("CTRL_NBR")).toLongLong();
}

FormWindowSetup formSetup(const char *objectName, const char *table, const QStringList &uses,
                          const char *title) {
    FormWindowSetup setup = engine::gui::numberedFormSetup(objectName, table, uses, FormVariant::A);
    setup.form.title = QString::fromLatin1(title);
    return setup;
}

// A typed letter locates the first phone of that department: the name, the
// key's next component, must not hold the highlighted phone's name then, or
// the department's phones named before it would be passed over.
class ClearNameBeforeLocating final : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override {
        if (event->type() == QEvent::KeyPress) {
            const auto *key = static_cast<QKeyEvent *>(event);
            if (!(key->modifiers() & Qt::ControlModifier) && key->text().size() == 1 &&
                key->text().at(0).isPrint()) {
                store::Table &phones = store::Store::instance().table(QStringLiteral("QKfon"));
                phones.record().setText(phones.def().fieldIndex(QStringLiteral("NAME")), {});
            }
        }
        return QObject::eventFilter(watched, event);
    }
};

} // namespace

BrowseWindow *openCompanyPhoneList(QWidget *caller, std::function<void()> done) {
    const store::TableDef &fon = store::tableDef("QKfon");
    ListSetup setup;
    setup.objectName = QStringLiteral("foncls");
    setup.title = companies().record().value(QStringLiteral("NAME")).toString().trimmed() +
                  QStringLiteral(" Phone Numbers");
    setup.placementKey = QStringLiteral("foncls");
    setup.tableName = QStringLiteral("QKfon");
    setup.uses = store::tablesUsedBy(QStringLiteral("companyphones"));
    setup.columns = {{QStringLiteral("FON:LOCATION"), {}},
                     {QStringLiteral("FON:NAME"), {}},
                     {QStringLiteral("FON:NUMBER"), {}},
                     {QStringLiteral("FON:EXT"), {}}};
    setup.columnFormat = QStringLiteral("103L(2)|M~Dept~@S25@103L(2)|M~Name~@s25@61L(2)|M~Number~@P(###) "
                                        "###-####P@24L(2)|M~Ext~@s6@");
    setup.carriedFields = {QStringLiteral("FON:CTRL_NBR"), QStringLiteral("FON:CMP_CTRL")};
    engine::SortOrder order{fon.key(QStringLiteral("CMP_CTRL_KEY"))};
    order.rangeValues = [] { return std::vector<QVariant>{QVariant(currentCompany())}; };
    order.filter = QStringLiteral("fon:cmp_ctrl = cmp:ctrl_nbr");
    setup.orders = {order};
    setup.thumb = engine::ThumbKind::Fixed;
    setup.insertLabel = QStringLiteral("&Insert");
    setup.changeLabel = QStringLiteral("&Change");
    setup.deleteLabel = QStringLiteral("&Delete");
    setup.buttonsTab = QStringLiteral("General");
    engine::ContextMenu menu;
    menu.items = {{QStringLiteral("&Insert"), ListAction::Insert},
                  {QStringLiteral("&Change"), ListAction::Change, {}, true},
                  {QStringLiteral("&Delete"), ListAction::Delete, {}, true},
                  {QStringLiteral("-")},
                  {QStringLiteral("&Select"), ListAction::Select, {}, true, true}};
    setup.contextMenu = menu;
    setup.form = [](QWidget *over, std::function<void()> formDone) {
        // A new phone starts blank; the form links it to the company.
        if (engine::globalRequest() == Request::InsertRecord)
            store::Store::instance().table(QStringLiteral("QKfon")).record().clear();
        runCompanyPhoneForm(over, std::move(formDone));
    };

    auto *window = new BrowseWindow(std::move(setup), caller, std::move(done));
    if (QPushButton *select = window->button(ListAction::Select)) {
        const bool picking = window->engine().selectEnabled();
        select->setVisible(picking);
        select->setEnabled(picking && select->isEnabled());
    }
    window->listControl()->installEventFilter(new ClearNameBeforeLocating(window));
    const ListAction byDefault = window->engine().defaultAction();
    if (byDefault == ListAction::Insert || byDefault == ListAction::Change)
        window->button(byDefault)->setDefault(true);
    engine::gui::WindowHost::present(window, caller);
    return window;
}

RecordFormWindow *runCompanyPhoneForm(QWidget *caller, std::function<void()> done) {
    const store::TableDef &fon = store::tableDef("QKfon");
    FormWindowSetup setup =
        formSetup("foncup", "QKfon", store::tablesUsedBy(QStringLiteral("companyphoneform")),
                  "Company Phone Database Update Form");
    // Whatever the caller put there, a new phone is the company's.
    const int link = fon.fieldIndex(QStringLiteral("CMP_CTRL"));
    setup.form.prime = [link](store::Record &r) { r.setInteger(link, currentCompany()); };

    host::gui::PhoneNumberField number = host::gui::phoneNumberField(2, true);
    setup.fields = host::gui::ownerPhoneFields("&Department:", "departmentEntry", "Name:", number.field);
    setup.beforeShow = number.prepare;
    return RecordFormWindow::run(caller, std::move(setup), std::move(done));
}

RecordFormWindow *runCompanyNoteForm(QWidget *caller, std::function<void()> done) {
    const store::TableDef &mem = store::tableDef("QKmem");
    QStringList uses = store::tablesUsedBy(QStringLiteral("noteform"));
    uses << QStringLiteral("QKcmp"); // for the company's note counter
    FormWindowSetup setup = formSetup("notcup", "QKmem", uses, "Company Notes Database Update Form");
    const int link = mem.fieldIndex(QStringLiteral("CMP_CTRL"));
    const int created = mem.fieldIndex(QStringLiteral("DATE"));
    const int updated = mem.fieldIndex(QStringLiteral("UPDATE"));
    const int order = mem.fieldIndex(QStringLiteral("ORDER"));
    const store::TableDef *notes = &mem;
    setup.form.prime = [notes, link, created, order](store::Record &r) {
        const qint64 company = currentCompany();
        // Counted on a connection of its own: the caller's buffer and
        // position stay as they were.
        store::Table counting(*notes, store::Store::instance().directory());
        const qint64 next = counting.open().ok() ? nextCompanyNoteNumber(counting, company) : 1;
        store::clearSavedError();
        r.clear();
        r.setInteger(link, company);
        r.setInteger(created, dates::Clock::current().today());
        r.setInteger(order, next);
        r.setMemo({});
    };
    FormField memo;
    memo.field = QStringLiteral("MEM:MEMO");
    memo.objectName = QStringLiteral("memoBox");
    memo.kind = FieldKind::Memo;
    setup.fields = {
        memo,
        lineEntry("Number:", "MEM:ORDER", "@n5", "numberEntry"),
        lineEntry("Created:", "MEM:DATE", "@d1", "createdEntry"),
        lineEntry("Updated:", "MEM:UPDATE", "@d1", "updatedEntry"),
    };

    // What the counter needs once the note is saved.
    struct Saved {
        bool inserting = false;
        qint64 company = 0;
        qint64 order = 0;
    };
    auto saved = std::make_shared<Saved>();
    setup.beforeShow = [saved, updated](RecordFormWindow *window) {
        saved->inserting = window->engine().request() == Request::InsertRecord;
        // The form fills these in; the user does not type them.
        for (int i = 1; i <= 3; ++i)
            window->entry(i)->setReadOnly(true);
        if (window->engine().request() == Request::ChangeRecord)
            window->engine().table().record().setInteger(updated, dates::Clock::current().today());
    };
    setup.beforeSave = [saved, link, order](RecordFormWindow &window) {
        const store::Record &r = window.engine().table().record();
        saved->company = r.integer(link);
        saved->order = r.integer(order);
    };
    QPointer<QWidget> owner(caller);
    auto finished = [saved, owner, done = std::move(done)] {
        // The counter follows a note that was really added.
        if (saved->inserting && engine::globalResponse() == Response::RequestCompleted &&
            saved->company != 0) {
            const Response answer = engine::globalResponse();
            storeCompanyNoteCounter(saved->company, saved->order, owner.data());
            engine::setGlobalResponse(answer);
        }
        if (done)
            done();
    };
    return RecordFormWindow::run(caller, std::move(setup), std::move(finished));
}

} // namespace tabulo::companies::gui
