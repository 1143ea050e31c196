#pragma once

#include <sqlite3.h>

#include <QString>
#include <string>
#include <string_view>
#include <utility>
#include <variant>

namespace tabulo::store::sql {

// A key or field value as SQLite holds it.
using Value = std::variant<qint64, std::string>;

// One prepared statement; finalised when it goes out of scope. A statement
// never outlives the connection that prepared it (its owner keeps both).
class Statement final
{
public:
    Statement() = default;
    Statement(sqlite3 *db, std::string_view sql);
    ~Statement();
    Statement(Statement &&other) noexcept : m_stmt(std::exchange(other.m_stmt, nullptr)), m_rc(other.m_rc) {}
    Statement &operator=(Statement &&other) noexcept;
    Statement(const Statement &) = delete;
    Statement &operator=(const Statement &) = delete;

    bool valid() const { return m_stmt != nullptr; }
    int prepareCode() const { return m_rc; }
    sqlite3_stmt *get() const { return m_stmt; }

    void bind(int index, qint64 value) { sqlite3_bind_int64(m_stmt, index, value); }
    void bind(int index, std::string_view value)
    {
        sqlite3_bind_text(m_stmt, index, value.data(), static_cast<int>(value.size()), SQLITE_TRANSIENT);
    }
    void bind(int index, const std::string &value) { bind(index, std::string_view(value)); }
    void bind(int index, const char *value) { bind(index, std::string_view(value)); }
    void bind(int index, const Value &value);
    // Binds text without copying it: the text must stay unchanged until the
    // statement is reset (the writes bind their record buffer this way).
    void bindStatic(int index, std::string_view value)
    {
        sqlite3_bind_text(m_stmt, index, value.data(), static_cast<int>(value.size()), SQLITE_STATIC);
    }
    // A statement that could not be prepared (its file locked by another
    // station while the schema was read) steps to the preparing error.
    int step() { return m_stmt ? sqlite3_step(m_stmt) : (m_rc != SQLITE_OK ? m_rc : SQLITE_MISUSE); }
    void reset()
    {
        if (!m_stmt)
            return;
        sqlite3_reset(m_stmt);
        sqlite3_clear_bindings(m_stmt);
    }

    qint64 int64(int column) const { return sqlite3_column_int64(m_stmt, column); }
    std::string text(int column) const;
    // The column's text into `out`, reusing its storage.
    void textInto(int column, std::string &out) const;
    Value value(int column) const;

private:
    sqlite3_stmt *m_stmt = nullptr;
    int m_rc = SQLITE_OK;
};

// Resets a statement when a scope ends, so a read never keeps its shared
// lock on the file longer than the call that made it.
class ResetGuard final
{
public:
    explicit ResetGuard(Statement &stmt) : m_stmt(stmt) {}
    ~ResetGuard() { m_stmt.reset(); }
    ResetGuard(const ResetGuard &) = delete;
    ResetGuard &operator=(const ResetGuard &) = delete;

private:
    Statement &m_stmt;
};

// Quotes an identifier for SQL text (identifiers only; values are always bound).
std::string quoteIdentifier(std::string_view name);

// The statement with every table it names after FROM, INTO, UPDATE or JOIN
// taken from the attached file `schema` ("qkfon"), for a connection that
// holds several table files at once. Names already qualified, subqueries
// and everything else are left as they are.
std::string qualify(std::string_view sql, std::string_view schema);

} // namespace tabulo::store::sql
