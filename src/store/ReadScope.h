#pragma once

#include <vector>

namespace tabulo::store {

class Table;

// Reads of several tables that belong together (one batch of a report) under
// one shared lock per table file, taken at the first read and released when
// the scope ends, instead of a lock taken and dropped for every statement.
// Other stations' writers wait at most for the scope; a table already in a
// transaction or locked is left as it is. Nothing may be written through the
// tables while the scope lives.
class ReadScope final {
public:
    explicit ReadScope(std::vector<Table *> tables);
    ~ReadScope();
    ReadScope(const ReadScope &) = delete;
    ReadScope &operator=(const ReadScope &) = delete;

private:
    std::vector<Table *> m_begun;
};

} // namespace tabulo::store
