#pragma once

#include <vector>

namespace tabulo::store {

class Table;

// Reads of several tables that belong together (one batch of a report, a
// person with its phones and links) under one shared lock per table file,
// all taken when the scope begins and released when it ends, instead of a
// lock taken and dropped for every statement: the reads see one state of
// all the files, before or after any change over several of them.
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
