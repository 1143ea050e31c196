#pragma once

// What the browse list's own source files share; not for its users.

#include "store/Table.h"

#include <QString>

#include <utility>
#include <vector>

namespace tabulo::engine {

inline bool isNumeric(const store::FieldDef &field) {
    return !field.isText();
}

// Keeps the record buffers of a list's tables (and the primary's current
// record) through reads that only look: the thumb table's ends, a count
// through the view.
class KeptBuffers final {
public:
    KeptBuffers(store::Table &primary, const std::vector<store::Table *> &parents)
        : m_primary(&primary)
        , m_position(primary.position()) {
        m_records.emplace_back(&primary, primary.record());
        for (store::Table *t : parents)
            m_records.emplace_back(t, t->record());
    }
    ~KeptBuffers() {
        if (!m_position.isEmpty())
            m_primary->reget(m_position);
        for (auto &[table, record] : m_records)
            table->record() = record;
    }
    KeptBuffers(const KeptBuffers &) = delete;
    KeptBuffers &operator=(const KeptBuffers &) = delete;

private:
    store::Table *m_primary;
    QString m_position;
    std::vector<std::pair<store::Table *, store::Record>> m_records;
};

} // namespace tabulo::engine
