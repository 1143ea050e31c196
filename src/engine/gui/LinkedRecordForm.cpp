#include "engine/gui/LinkedRecordForm.h"

#include "engine/Globals.h"
#include "engine/RecordRoutines.h"
#include "store/ChangeRules.h"
#include "store/MessageService.h"
#include "store/Messages.h"
#include "store/Store.h"

#include <QPointer>

#include <memory>

namespace tabulo::engine::gui {

namespace {

// What the form's hooks share about the record it edits.
struct FormState {
    LinkedFormShape shape;
    Request request = Request::None;
    QPointer<RecordFormWindow> window;
    qint64 number = 0; // the control number, once known
    QStringList openingKey;
};

QStringList keyOf(const LinkedFormShape &shape, const store::Record &record) {
    QStringList key;
    for (const QString &field : shape.keyFields)
        key << record.text(record.indexOf(field));
    return key;
}

void tellUser(QObject *owner, const QString &title, const QString &text, const store::StoreError &e) {
    store::clearSavedError();
    store::MessageBox box;
    box.title = title;
    box.text = text + QStringLiteral("  Error: ") + store::errorText(e) + QLatin1Char('.');
    box.owner = owner;
    store::MessageService::current().show(box);
}

// After the form has ended: a saved record is shown under "All" and its links
// carry its key as saved; a cancelled new record takes along what was added
// on its tabs meanwhile.
void settle(const FormState &state, QObject *owner) {
    if (state.number == 0 || !state.window)
        return;
    const LinkedFormShape &shape = state.shape;
    if (globalResponse() != Response::RequestCompleted) {
        if (state.request == Request::InsertRecord)
            shape.abandon(state.number, owner);
        return;
    }
    const store::Record &saved = state.window->engine().table().record();
    const QString noun = shape.noun;
    if (state.request == Request::InsertRecord && !shape.hasAllLink(state.number)) {
        if (const store::StoreError e = shape.addAllLink(state.number, saved)) {
            tellUser(owner, QStringLiteral("Record Insert Error"),
                     QStringLiteral("The %1 was saved but could not be added to the category All, "
                                    "so the %2 does not show it yet.")
                         .arg(noun, shape.listName),
                     e);
            return;
        }
    }
    // Links made on the tab of a new record carry whatever key was typed
    // there; the saved key is the one the category lists sort by.
    if (state.request == Request::InsertRecord || keyOf(shape, saved) != state.openingKey) {
        if (const store::StoreError e = shape.rewriteLinks(state.number, saved))
            tellUser(owner, QStringLiteral("Record Update Error"),
                     QStringLiteral("The %1 was saved but its name could not be copied into all of its "
                                    "category links.")
                         .arg(noun),
                     e);
    }
}

} // namespace

FormWindowSetup linkedFormSetup(const char *table, const QString &uses, const QString &links,
                                std::function<store::StoreError(qint64 number)> deleteLinks) {
    const store::TableDef &def = store::tableDef(table);
    FormWindowSetup setup;
    setup.objectName = QStringLiteral("Update") + def.name;
    setup.tableName = def.name;
    setup.uses = store::tablesUsedBy(uses);
    setup.form.formKey = setup.objectName;
    setup.form.variant = FormVariant::B;
    setup.form.longConflictMessage = true;
    setup.form.duplicateKeys = {def.key(QStringLiteral("CTRL_KEY"))};
    setup.okLabel = QStringLiteral("OK");
    setup.cancelLabel = QStringLiteral("Cancel");
    const int ctrl = def.fieldIndex(QStringLiteral("CTRL_NBR"));
    setup.form.deleteRoutine = [ctrl, links, deleteLinks = std::move(deleteLinks)](store::Table &t,
                                                                                  QObject *owner) {
        const qint64 number = t.record().integer(ctrl);
        store::Table &linkTable = store::Store::instance().table(links);
        return store::deleteRecordWith(
                   t, {&linkTable}, [&deleteLinks, number] { return deleteLinks(number); }, owner) ==
               store::ChangeResult::Done;
    };
    return setup;
}

RecordFormWindow *runLinkedRecordForm(QWidget *caller, FormWindowSetup setup, LinkedFormShape shape,
                                      std::function<void()> done) {
    auto state = std::make_shared<FormState>();
    state->shape = std::move(shape);
    state->request = globalRequest();
    // A saved record whose key changed: the links' copies of it are written
    // with it, or neither is.
    setup.form.changeRoutine = [state](store::Table &table, bool longConflict, QObject *owner) {
        const store::Record &record = table.record();
        if (state->number == 0 || keyOf(state->shape, record) == state->openingKey)
            return changeRecord(table, longConflict, owner);
        store::Table &links = store::Store::instance().table(state->shape.linksTable);
        const store::Record saved = record;
        return changeRecordWith(
            table, longConflict, {&links},
            [state, saved] { return state->shape.rewriteLinks(state->number, saved); }, owner);
    };
    auto lists = std::make_shared<QPointer<QObject>>();
    setup.beforeShow = [state, lists](RecordFormWindow *window) {
        const store::Record &record = window->engine().table().record();
        state->window = window;
        state->number = record.integer(0);
        state->openingKey = keyOf(state->shape, record);
        *lists = addChildLists(window, state->shape.lists, state->shape.parentKey, state->shape.thumb);
    };
    QPointer<QWidget> owner(caller);
    RecordFormWindow *window =
        RecordFormWindow::run(caller, std::move(setup), [state, owner, done = std::move(done)] {
            // The answer stands whatever the settling shows.
            const Response answer = globalResponse();
            settle(*state, owner.data());
            setGlobalResponse(answer);
            if (done)
                done();
        });
    if (window && *lists)
        followSubWindow(*lists);
    return window;
}

} // namespace tabulo::engine::gui
