#pragma once

#include "engine/Globals.h"
#include "engine/RecordRoutines.h"
#include "store/Table.h"

#include <QString>
#include <functional>
#include <memory>
#include <vector>

class QObject;

namespace tabulo::engine {

// Variant A is the classic form window (action message in the form, asks
// before dropping edits); variant B the quick window (action message as its
// title, field history, conflicts reported with the long message).
enum class FormVariant { A, B };

// What a particular form adds to the engine.
struct FormSetup {
    QString formKey; // placement key and history name: "catup", "UpdateQKjnc"
    FormVariant variant = FormVariant::A;
    QString title; // variant A window title
    QString addedMessage = QStringLiteral("Record will be Added");
    QString changedMessage = QStringLiteral("Record will be Changed");
    bool askOnClose = true;           // variant A: message 33 before dropping edits
    bool fieldHistory = true;         // variant B: Ctrl+' recalls the last OK'd value
    bool longConflictMessage = false; // message 38 instead of 15 on a conflict
    // The unique keys a duplicate is reported for, in the form's order.
    std::vector<const store::KeyDef *> duplicateKeys;
    // Primes a new record before it is numbered (setup values, search text).
    std::function<void(store::Record &)> prime;
    // Refuses a delete by itself (after telling the user); true = refused.
    std::function<bool(const store::Record &)> refuseDelete;
    // The table's change and delete routines; the engine's own by default.
    std::function<ChangeResult(store::Table &, bool longConflict, QObject *owner)> changeRoutine;
    std::function<bool(store::Table &, QObject *owner)> deleteRoutine;
};

// What the engine needs from the window that shows the form.
class FormHost {
public:
    virtual ~FormHost() = default;
    // Closes the window (the close check then runs); may be deferred.
    virtual void closeForm() = 0;
    virtual void redisplay() = 0;
    virtual void focusFirstField() = 0;
    // Validates every field in order as if the user left it, writing the
    // values into the record buffer; false when one failed (it has the focus).
    virtual bool acceptAll() = 0;
    virtual QObject *messageOwner() const { return nullptr; }
    virtual void setWaitCursor(bool) {}
};

// The update form engine: request and response, automatic numbering of new
// records, saving with duplicate and conflict handling, delete with
// confirmation, the close check and the removal of a cancelled insert.
class UpdateForm final {
public:
    UpdateForm(store::Table &table, FormSetup setup, FormHost &host);

    enum class Start { Show, Ended };
    // Entry: takes over GlobalRequest. Ended means the form already did its
    // work (a delete) or could not start (numbering failed): do not show it.
    Start open();
    void ok();
    void cancel();
    // The close check: false abandons the close. When the close goes on, a
    // cancelled insert's numbered record has been removed.
    bool mayClose();
    // Leaving: GlobalResponse gets the form's response.
    void finish();
    // Ctrl+' in a field (variant B with history).
    void recall(int field);

    Request request() const { return m_opening; }
    Response response() const { return m_response; }
    const FormSetup &setup() const { return m_setup; }
    // The table the form works on: its own connection to the caller's table,
    // so two forms over one table never write each other's record.
    store::Table &table() const { return *m_table; }
    QString actionMessage() const;
    QString windowTitle() const;
    bool differsFromSaved() const { return m_table->record() != m_saved; }

    // The history buffer of a form, process-wide (null before its first use).
    static const store::Record *history(const QString &formKey);

private:
    bool number();
    void runDelete();
    void complete();

    store::Table *m_shared;
    std::unique_ptr<store::Table> m_own;
    store::Table *m_table;
    FormSetup m_setup;
    FormHost *m_host;
    Request m_opening = Request::None;
    Response m_response = Response::RequestCancelled;
    store::Record m_saved;
    QString m_numberedPosition;
    qint64 m_numberedRid = 0;
};

} // namespace tabulo::engine
