#include "host/StoreSetupSource.h"

#include "store/Messages.h"
#include "store/Store.h"
#include "store/Table.h"

namespace tabulo::host {

namespace {
const QString kSetupTable = QStringLiteral("QKset");
}

store::StoreError readSetupRecord(store::Table &setup) {
    setup.record().clear();
    if (const store::StoreError error = setup.setStart(nullptr))
        return error;
    return setup.next();
}

StoreSetupSource::StoreSetupSource(store::Store &store)
    : m_store(store) {}

StoreSetupSource::~StoreSetupSource() = default;

SetupSource::Outcome StoreSetupSource::prepare() {
    // Using the table creates it when it is missing; a table that cannot be
    // used at all ends the program inside the guarded open.
    if (!m_use)
        m_use = std::make_unique<store::TableUse>(m_store, QStringList{kSetupTable});
    store::Table &setup = (*m_use)[kSetupTable];

    if (const store::StoreError read = readSetupRecord(setup)) {
        if (read.code != store::Code::EndOfFile) {
            // A record that is there but cannot be read is no missing record:
            // adding a blank one would hide the owner's settings.
            const QString text = store::errorText(read);
            store::setLastError(read);
            store::takeSavedError();
            store::standardMessage(35, kSetupTable);
            return Outcome{false, {}, text, true};
        }
        setup.record().clear();
        // The user may end the program here or go on with the blank setup
        // in the buffer (its values are the defaults).
        if (setup.insert())
            store::stopDialog(QStringLiteral("Error adding QKset"));
        if (readSetupRecord(setup))
            setup.record().clear();
    }
    return Outcome{true, setup.record().value(QStringLiteral("SET:MADEFOR")).toString(), {}};
}

void StoreSetupSource::release() {
    m_use.reset();
}

} // namespace tabulo::host
