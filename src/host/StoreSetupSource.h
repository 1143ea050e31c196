#pragma once

#include "host/SetupSource.h"
#include "store/StoreError.h"

#include <memory>

namespace tabulo::store {
class Store;
class Table;
class TableUse;
} // namespace tabulo::store

namespace tabulo::host {

// Reads the setup record the way every window does: clear the buffer of
// QKset and read its first record in file order. The table must be in use.
store::StoreError readSetupRecord(store::Table &setup);

// The main frame's hold on QKset through the store: the table is used from
// start to shut-down, and the one blank record is added when it is missing.
class StoreSetupSource final : public SetupSource {
public:
    explicit StoreSetupSource(store::Store &store);
    ~StoreSetupSource() override;

    Outcome prepare() override;
    void release() override;

private:
    store::Store &m_store;
    std::unique_ptr<store::TableUse> m_use;
};

} // namespace tabulo::host
