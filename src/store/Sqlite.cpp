#include "store/Sqlite.h"

#ifdef __GLIBC__
#include <malloc.h>
#endif

namespace tabulo::store::sql {

namespace {

// Before SQLite starts (it starts at the first connection): it need not
// count every allocation under one lock for the whole process, which
// writers on several threads would otherwise queue for. And the C library
// keeps no "fast bins" of freed small blocks: the per-thread caches serve
// small blocks as well, and with fast bins each large request (a page
// buffer) first walked and merged every fast bin, a good part of what a
// bulk import or export cost.
const bool s_configured = [] {
#ifdef __GLIBC__
    mallopt(M_MXFAST, 0);
#endif
    return sqlite3_config(SQLITE_CONFIG_MEMSTATUS, 0) == SQLITE_OK;
}();

} // namespace

Statement::Statement(sqlite3 *db, std::string_view sql)
{
    m_rc = sqlite3_prepare_v3(db, sql.data(), static_cast<int>(sql.size()), SQLITE_PREPARE_PERSISTENT, &m_stmt,
                              nullptr);
    if (m_rc != SQLITE_OK) {
        sqlite3_finalize(m_stmt);
        m_stmt = nullptr;
    }
}

Statement::~Statement()
{
    sqlite3_finalize(m_stmt);
}

Statement &Statement::operator=(Statement &&other) noexcept
{
    if (this != &other) {
        sqlite3_finalize(m_stmt);
        m_stmt = std::exchange(other.m_stmt, nullptr);
        m_rc = other.m_rc;
    }
    return *this;
}

void Statement::bind(int index, const Value &value)
{
    if (const auto *i = std::get_if<qint64>(&value))
        bind(index, *i);
    else
        bind(index, std::string_view(std::get<std::string>(value)));
}

std::string Statement::text(int column) const
{
    const auto *p = reinterpret_cast<const char *>(sqlite3_column_text(m_stmt, column));
    const int n = sqlite3_column_bytes(m_stmt, column);
    return p ? std::string(p, static_cast<size_t>(n)) : std::string();
}

void Statement::textInto(int column, std::string &out) const
{
    const auto *p = reinterpret_cast<const char *>(sqlite3_column_text(m_stmt, column));
    const int n = sqlite3_column_bytes(m_stmt, column);
    if (p)
        out.assign(p, static_cast<size_t>(n));
    else
        out.clear();
}

Value Statement::value(int column) const
{
    if (sqlite3_column_type(m_stmt, column) == SQLITE_INTEGER)
        return int64(column);
    return text(column);
}

std::string quoteIdentifier(std::string_view name)
{
    std::string out = "\"";
    for (char c : name) {
        if (c == '"')
            out += '"';
        out += c;
    }
    out += '"';
    return out;
}

namespace {

bool identifierStart(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
}

bool identifierPart(char c)
{
    return identifierStart(c) || (c >= '0' && c <= '9');
}

} // namespace

std::string qualify(std::string_view sql, std::string_view schema)
{
    static constexpr std::string_view kWords[] = {"FROM ", "INTO ", "UPDATE ", "JOIN "};
    std::string out;
    out.reserve(sql.size() + 4 * (schema.size() + 1));
    size_t i = 0;
    char quote = 0;
    while (i < sql.size()) {
        const char c = sql[i];
        if (quote) {
            out += c;
            if (c == quote)
                quote = 0;
            ++i;
            continue;
        }
        if (c == '\'' || c == '"') {
            quote = c;
            out += c;
            ++i;
            continue;
        }
        bool matched = false;
        if (i == 0 || !identifierPart(sql[i - 1])) {
            for (std::string_view w : kWords) {
                if (sql.substr(i, w.size()) != w)
                    continue;
                const size_t name = i + w.size();
                size_t end = name;
                while (end < sql.size() && identifierPart(sql[end]))
                    ++end;
                out.append(sql.substr(i, w.size()));
                // An upsert's "DO UPDATE SET" names no table.
                const bool set = w == "UPDATE " && end - name == 3 && (sql[name] | 0x20) == 's'
                                 && (sql[name + 1] | 0x20) == 'e' && (sql[name + 2] | 0x20) == 't';
                if (end > name && !set && identifierStart(sql[name]) && (end >= sql.size() || sql[end] != '.')) {
                    out.append(schema);
                    out += '.';
                }
                i = name;
                matched = true;
                break;
            }
        }
        if (!matched) {
            out += c;
            ++i;
        }
    }
    return out;
}

} // namespace tabulo::store::sql
