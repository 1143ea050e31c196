#include "engine/UpdateForm.h"

#include "store/Store.h"

#include "store/Messages.h"

#include <QFileInfo>

#include <map>
#include <memory>
#include <mutex>

namespace tabulo::engine {

using store::Code::DuplicateKey;
using store::Code::EndOfFile;
using store::Code::NotFound;

namespace {
constexpr int NumberingAttempts = 3;

std::mutex s_historyMutex;
std::map<QString, std::unique_ptr<store::Record>> &histories() {
    static std::map<QString, std::unique_ptr<store::Record>> h;
    return h;
}

// The history buffer of a form, created cleared the first time it opens.
store::Record &historyFor(const QString &formKey, const store::TableDef &def) {
    std::lock_guard lock(s_historyMutex);
    auto &slot = histories()[formKey];
    if (!slot)
        slot = std::make_unique<store::Record>(def);
    return *slot;
}
} // namespace

UpdateForm::UpdateForm(store::Table &table, FormSetup setup, FormHost &host)
    : m_shared(&table)
    , m_table(&table)
    , m_setup(std::move(setup))
    , m_host(&host)
    , m_saved(table.def()) {
    // The caller's table keeps one record buffer for every window of the
    // process; a form edits its record on a connection of its own and hands
    // the saved record back when it ends.
    if (table.isOpen()) {
        auto own = std::make_unique<store::Table>(table.def(), QFileInfo(table.filePath()).absolutePath());
        if (own->open().ok()) {
            m_own = std::move(own);
            m_table = m_own.get();
        }
    }
    if (!m_setup.changeRoutine)
        m_setup.changeRoutine = &changeRecord;
    if (!m_setup.deleteRoutine)
        m_setup.deleteRoutine = &deleteRecord;
}

const store::Record *UpdateForm::history(const QString &formKey) {
    std::lock_guard lock(s_historyMutex);
    auto it = histories().find(formKey);
    return it == histories().end() ? nullptr : it->second.get();
}

UpdateForm::Start UpdateForm::open() {
    m_opening = globalRequest();
    m_response = Response::RequestCancelled;
    setGlobalRequest(Request::None);
    setGlobalResponse(Response::None);
    if (m_setup.variant == FormVariant::B)
        historyFor(m_setup.formKey, m_table->def());
    if (m_own) {
        const QString position = m_shared->position();
        if (!position.isEmpty() &&
            (m_opening == Request::ChangeRecord || m_opening == Request::DeleteRecord)) {
            m_table->watch();
            m_table->reget(position);
        }
        m_table->record() = m_shared->record();
    }
    m_saved = m_table->record();

    switch (m_opening) {
    case Request::InsertRecord:
        if (m_setup.prime)
            m_setup.prime(m_table->record());
        if (!number())
            return Start::Ended;
        return Start::Show;
    case Request::DeleteRecord:
        runDelete();
        return Start::Ended;
    default:
        return Start::Show;
    }
}

bool UpdateForm::number() {
    const store::KeyDef *key = m_table->def().primaryKey();
    if (!key) {
        for (const auto &k : m_table->def().keys) {
            if (k.unique && k.components.size() == 1 && k.components[0].field == 0) {
                key = &k;
                break;
            }
        }
    }
    if (!key)
        return false;
    const int ctrlField = key->components.front().field;
    const store::Record primed = m_table->record();
    for (;;) {
        for (int attempt = 0; attempt < NumberingAttempts; ++attempt) {
            store::StoreError e = m_table->setStart(key);
            if (e.ok())
                e = m_table->previous();
            qint64 next = 1;
            if (e.ok()) {
                next = m_table->record().integer(ctrlField) + 1;
            } else if (e.code != EndOfFile) {
                store::takeSavedError();
                if (!store::offerRepairFor(e, m_host->messageOwner()))
                    store::standardMessage(m_host->messageOwner(), 35, m_table->def().name);
                return false;
            }
            m_table->record() = primed;
            m_table->record().setInteger(ctrlField, next);
            if (m_table->insert().ok()) {
                m_numberedPosition = m_table->position();
                // Should the program die with the form open, the next open
                // of the table removes the blank record.
                m_numberedRid = m_table->currentRid();
                m_table->markOpenInsert(m_numberedRid);
                return true;
            }
        }
        store::takeSavedError();
        const int button = store::standardMessage(m_host->messageOwner(), 25);
        if (button != store::Button::Retry) {
            m_table->record() = primed;
            return false;
        }
    }
}

void UpdateForm::runDelete() {
    if (m_setup.refuseDelete && m_setup.refuseDelete(m_table->record()))
        return;
    if (store::standardMessage(m_host->messageOwner(), 32) != store::Button::Ok)
        return;
    m_host->setWaitCursor(true);
    for (;;) {
        if (m_setup.deleteRoutine(*m_table, m_host->messageOwner())) {
            m_response = Response::RequestCompleted;
            break;
        }
        // The retry runs the delete again without a second confirmation.
        if (store::standardMessage(m_host->messageOwner(), 18) != store::Button::Yes)
            break;
    }
    m_host->setWaitCursor(false);
}

void UpdateForm::ok() {
    if (m_opening == Request::InsertRecord || m_opening == Request::ChangeRecord) {
        if (!m_host->acceptAll())
            return;
    }
    complete();
}

void UpdateForm::complete() {
    if (m_setup.variant == FormVariant::B && m_setup.fieldHistory)
        historyFor(m_setup.formKey, m_table->def()) = m_table->record();

    QObject *owner = m_host->messageOwner();
    if (m_opening == Request::InsertRecord) {
        const store::StoreError e = m_table->change();
        if (e.ok()) {
            m_table->unmarkOpenInsert(m_numberedRid);
            m_response = Response::RequestCompleted;
            m_host->closeForm();
            return;
        }
        if (e.code == DuplicateKey) {
            store::clearSavedError();
            QString name;
            for (const store::KeyDef *k : m_setup.duplicateKeys) {
                if (k && m_table->wouldDuplicate(*k)) {
                    name = k->messageName;
                    break;
                }
            }
            if (name.isEmpty() && m_table->duplicatedKey())
                name = m_table->duplicatedKey()->messageName;
            store::standardMessage(owner, 24, name);
        } else {
            store::takeSavedError();
            store::standardMessage(owner, 14);
        }
        m_host->focusFirstField();
        return;
    }

    if (m_opening == Request::ChangeRecord) {
        m_response = Response::RequestCancelled;
        for (;;) {
            if (m_table->record() == m_saved) {
                m_response = Response::RequestCompleted;
                m_host->closeForm();
                return;
            }
            m_host->setWaitCursor(true);
            const ChangeResult r = m_setup.changeRoutine(*m_table, m_setup.longConflictMessage, owner);
            m_host->setWaitCursor(false);
            if (r == ChangeResult::Written) {
                m_response = Response::RequestCompleted;
                m_host->closeForm();
                return;
            }
            if (r == ChangeResult::ChangedElsewhere) {
                // The buffer now holds the other station's record: that is
                // what the form starts from again.
                m_saved = m_table->record();
                m_host->redisplay();
                m_host->focusFirstField();
                return;
            }
            const int button = store::standardMessage(owner, 16);
            if (button == store::Button::Yes)
                continue;
            if (button == store::Button::No) {
                m_response = Response::RequestCancelled;
                m_host->closeForm();
            }
            return;
        }
    }

    m_host->closeForm();
}

void UpdateForm::cancel() {
    m_response = Response::RequestCancelled;
    m_host->closeForm();
}

bool UpdateForm::mayClose() {
    if (m_setup.variant == FormVariant::A && m_setup.askOnClose && m_response != Response::RequestCompleted &&
        (m_opening == Request::InsertRecord || m_opening == Request::ChangeRecord) && differsFromSaved()) {
        const int button = store::standardMessage(m_host->messageOwner(), 33);
        if (button == store::Button::Yes) {
            ok();
            return false;
        }
        if (button == store::Button::Cancel) {
            m_host->focusFirstField();
            return false;
        }
    }
    if (m_opening == Request::InsertRecord && m_response != Response::RequestCompleted &&
        !m_numberedPosition.isEmpty()) {
        // A plain delete: a cancelled insert leaves nothing behind.
        store::StoreError e = m_table->reget(m_numberedPosition);
        if (e.ok())
            e = m_table->remove();
        if (e.ok() || e.code == NotFound) {
            // Gone either way (another station may have removed it first).
            m_table->unmarkOpenInsert(m_numberedRid);
        } else {
            // The blank record stays (a locked file): its mark removes it at
            // a later open, once this program has ended. The user hears why
            // it is still listed meanwhile.
            store::takeSavedError();
            store::standardMessage(m_host->messageOwner(), 17, m_table->def().name);
        }
        m_numberedPosition.clear();
        m_table->record().clear();
    }
    return true;
}

void UpdateForm::finish() {
    if (m_own && m_response == Response::RequestCompleted && m_opening != Request::DeleteRecord) {
        // The caller finds the record as saved in its buffer, positioned on it.
        const QString position = m_table->position();
        if (!position.isEmpty())
            m_shared->reget(position);
    }
    setGlobalResponse(m_response == Response::None ? Response::RequestCancelled : m_response);
}

void UpdateForm::recall(int field) {
    if (m_setup.variant != FormVariant::B || !m_setup.fieldHistory || field < 0)
        return;
    const store::Record *h = history(m_setup.formKey);
    if (!h)
        return;
    m_table->record().setValue(field, h->value(field));
    m_host->redisplay();
}

QString UpdateForm::actionMessage() const {
    if (m_opening == Request::InsertRecord)
        return m_setup.addedMessage;
    if (m_opening == Request::ChangeRecord)
        return m_setup.changedMessage;
    return {};
}

QString UpdateForm::windowTitle() const {
    if (m_setup.variant == FormVariant::A)
        return m_setup.title;
    if (m_opening == Request::InsertRecord)
        return QStringLiteral("Adding a %1 Record").arg(m_table->def().name);
    if (m_opening == Request::ChangeRecord)
        return QStringLiteral("Changing a %1 Record").arg(m_table->def().name);
    return m_table->def().name;
}

} // namespace tabulo::engine
