// Reading a table in order: the cursors' positions, their batched keyset
// reads, and the table's own sequential reading and fetches by key.
#include "store/Table.h"

#include <algorithm>

namespace tabulo::store {

Cursor::Cursor(Table &table)
    : m_table(&table)
{
    m_table->attach(this);
}

Cursor::~Cursor()
{
    m_table->detach(this);
}

void Cursor::detach()
{
    m_statements.clear();
    m_batch.clear();
    clearBatch();
}

void Cursor::forgetStatementsOn(sqlite3 *db)
{
    std::erase_if(m_statements, [db](const auto &entry) { return entry.first.first == db; });
}

void Cursor::setOrder(const KeyDef *key)
{
    if (key != m_key) {
        m_key = key;
        m_statements.clear();
    }
    updateRangeKey();
    resetPosition(Anchor::None);
}

void Cursor::setRange(std::vector<sql::Value> leading)
{
    if (leading.size() != m_range.size())
        m_statements.clear();
    m_range = std::move(leading);
    updateRangeKey();
    resetPosition(Anchor::None);
}

void Cursor::updateRangeKey()
{
    m_rangeKey.clear();
    if (!m_key)
        return;
    const auto &columns = m_table->schema().key(*m_key).columns;
    for (size_t i = 0; i < m_range.size() && i < columns.size(); ++i) {
        const FieldDef &f = m_table->def().fields[static_cast<size_t>(columns[i].field)];
        m_rangeKey.push_back(TableSchema::keyValue(f, m_range[i], columns[i].kind));
    }
}

void Cursor::setFilter(std::string sql, std::function<int(sql::Statement &, int)> binder)
{
    m_filterSql = std::move(sql);
    m_filterBinder = std::move(binder);
    m_statements.clear();
    resetPosition(Anchor::None);
}

void Cursor::setReadAhead(int rows)
{
    m_readAhead = std::max(1, rows);
}

void Cursor::resetPosition(Anchor anchor)
{
    m_anchor = anchor;
    m_atEnd = false;
    clearBatch();
    m_anchorValues.clear();
    m_anchorRid = 0;
}

StoreError Cursor::toStart()
{
    if (!m_table->isOpen())
        return m_table->fail(Code::Failure, QStringLiteral("the table is not open"));
    resetPosition(Anchor::None);
    return m_table->succeed();
}

StoreError Cursor::toEnd()
{
    if (!m_table->isOpen())
        return m_table->fail(Code::Failure, QStringLiteral("the table is not open"));
    resetPosition(Anchor::None);
    m_atEnd = true;
    return m_table->succeed();
}

StoreError Cursor::toNotBelow(const Record &values)
{
    if (!m_table->isOpen())
        return m_table->fail(Code::Failure, QStringLiteral("the table is not open"));
    resetPosition(Anchor::ValuesInclusive);
    if (!m_key) {
        m_anchor = Anchor::None;
        return m_table->succeed();
    }
    for (const auto &column : m_table->schema().key(*m_key).columns)
        m_anchorValues.push_back(TableSchema::keyValue(values, column));
    return m_table->succeed();
}

StoreError Cursor::toPosition(const QString &token)
{
    // Read the token's record to learn its key values, then stand on it.
    StoreError e = m_table->reget(token);
    if (e)
        return e;
    resetPosition(Anchor::RowInclusive);
    if (m_key) {
        for (const auto &column : m_table->schema().key(*m_key).columns)
            m_anchorValues.push_back(TableSchema::keyValue(m_table->record(), column));
    }
    m_anchorRid = m_table->currentRid();
    return m_table->succeed();
}

StoreError Cursor::next()
{
    return read(true);
}

StoreError Cursor::previous()
{
    return read(false);
}

std::string Cursor::whereClause(const std::string &position) const
{
    // Parameters go: range values, the position, the filter's. The key's
    // empty-entry condition is repeated because SQLite uses a key that
    // leaves out empty entries only when the query leaves them out too.
    std::string terms;
    auto add = [&terms](const std::string &term) { terms += (terms.empty() ? " WHERE " : " AND ") + term; };
    if (m_key) {
        const TableSchema::KeySchema &ks = m_table->schema().key(*m_key);
        if (!ks.emptyCondition.empty())
            add(ks.emptyCondition);
        for (size_t i = 0; i < m_rangeKey.size(); ++i)
            add(ks.columns[i].column + "=?");
    }
    if (!position.empty())
        add(position);
    if (!m_filterSql.empty())
        add("(" + m_filterSql + ")");
    return terms;
}

int Cursor::bindRange(sql::Statement &stmt, int first) const
{
    for (const sql::Value &v : m_rangeKey)
        stmt.bind(first++, v);
    return first;
}

sql::Statement &Cursor::statement(bool forward, Anchor anchor)
{
    const std::pair<sqlite3 *, int> id(m_table->db(), (forward ? 1 : 0) | (static_cast<int>(anchor) << 1));
    auto it = m_statements.find(id);
    if (it != m_statements.end() && it->second->valid())
        return *it->second;

    const TableSchema &schema = m_table->schema();
    std::string sql = "SELECT " + schema.selectList();
    std::string position;
    std::string order;
    if (m_key) {
        const TableSchema::KeySchema &ks = schema.key(*m_key);
        for (const auto &c : ks.columns)
            sql += "," + c.column;
        // Only the components after the range and the row id take part in
        // the keyset comparison: with a fixed component inside the row value
        // SQLite can seek on the range alone and must step through it from
        // its start to reach the position.
        std::vector<std::string> free;
        for (size_t i = m_rangeKey.size(); i < ks.columns.size(); ++i) {
            free.push_back(ks.columns[i].column);
            order += ks.columns[i].column + (forward ? "," : " DESC,");
        }
        order += forward ? "rid" : "rid DESC";
        const bool byRow = anchor == Anchor::RowInclusive || anchor == Anchor::RowExclusive;
        if (byRow)
            free.emplace_back("rid");
        if (anchor != Anchor::None && !free.empty()) {
            std::string columns;
            std::string params;
            for (const std::string &c : free) {
                columns += (columns.empty() ? "" : ",") + c;
                params += params.empty() ? "?" : ",?";
            }
            if (free.size() > 1) {
                // SQLite seeks on a row value only as far as each element
                // has a collating sequence; the row id has none, so without
                // one named here the seek would stop before it and step
                // through every record with equal key values. Integers
                // compare the same under any collation.
                if (byRow)
                    params += " COLLATE BINARY";
                columns = "(" + columns + ")";
                params = "(" + params + ")";
            }
            const bool inclusive = anchor != Anchor::RowExclusive;
            position = columns + (forward ? ">" : "<") + (inclusive ? "=" : "") + params;
        }
    } else {
        if (anchor == Anchor::RowInclusive)
            position = forward ? "rid>=?" : "rid<=?";
        else if (anchor == Anchor::RowExclusive)
            position = forward ? "rid>?" : "rid<?";
        order = forward ? "rid" : "rid DESC";
    }
    sql += " FROM rec" + whereClause(position) + " ORDER BY " + order + " LIMIT ?";
    return *(m_statements[id] = &m_table->cached(sql));
}

Cursor::Anchor Cursor::effectiveAnchor(bool forward, bool &nothing) const
{
    nothing = false;
    if (m_anchor == Anchor::None || m_rangeKey.empty())
        return m_anchor;
    // The statement compares only the components after the range, so a
    // position outside the range (a not-below value or a position token of
    // another range) is settled here: it leaves all of the range to read in
    // one direction and none of it in the other. Key values compare as
    // SQLite compares them: integers before text, text byte by byte.
    for (size_t i = 0; i < m_rangeKey.size() && i < m_anchorValues.size(); ++i) {
        if (m_anchorValues[i] == m_rangeKey[i])
            continue;
        const bool below = m_anchorValues[i] < m_rangeKey[i];
        if (below == forward)
            return Anchor::None;
        nothing = true;
        return m_anchor;
    }
    // A not-below position on a range that fixes the whole key: every
    // record of the range has those values.
    if (m_anchor == Anchor::ValuesInclusive && m_rangeKey.size() >= m_anchorValues.size())
        return Anchor::None;
    return m_anchor;
}

std::string Cursor::readSql(bool forward)
{
    if (!m_table->isOpen())
        return {};
    bool nothing = false;
    const Anchor anchor = effectiveAnchor(forward, nothing);
    if (nothing || (forward && m_atEnd))
        return {};
    sql::Statement &stmt = statement(forward, anchor);
    return stmt.valid() ? std::string(sqlite3_sql(stmt.get())) : std::string();
}

StoreError Cursor::read(bool forward)
{
    if (!m_table->isOpen())
        return m_table->fail(Code::Failure, QStringLiteral("the table is not open"));

    if (batchEmpty() || m_batchForward != forward) {
        clearBatch();
        if (m_atEnd && forward)
            return m_table->fail(Code::EndOfFile);
        m_atEnd = false;
        bool nothing = false;
        const Anchor anchor = effectiveAnchor(forward, nothing);
        if (nothing) {
            m_batchForward = forward;
            return m_table->fail(Code::EndOfFile);
        }
        sql::Statement &stmt = statement(forward, anchor);
        if (!stmt.valid())
            return m_table->failSql(stmt.prepareCode(), QStringLiteral("preparing a read"));
        sql::ResetGuard guard(stmt);
        const size_t keyColumns = m_key ? m_table->schema().key(*m_key).columns.size() : 0;
        int p = bindRange(stmt, 1);
        if (anchor != Anchor::None) {
            for (size_t i = m_rangeKey.size(); i < m_anchorValues.size(); ++i)
                stmt.bind(p++, m_anchorValues[i]);
            if (anchor != Anchor::ValuesInclusive)
                stmt.bind(p++, m_anchorRid);
        }
        if (m_filterBinder)
            p = m_filterBinder(stmt, p);
        stmt.bind(p, static_cast<qint64>(m_readAhead));

        const TableSchema &schema = m_table->schema();
        const int nFields = static_cast<int>(m_table->def().fields.size());
        const int firstKey = schema.selectedColumnCount();
        int rc;
        while ((rc = stmt.step()) == SQLITE_ROW) {
            // Rows of earlier batches are filled again in place.
            if (m_batchSize == m_batch.size())
                m_batch.emplace_back();
            Row &row = m_batch[m_batchSize++];
            row.rid = stmt.int64(0);
            row.ver = stmt.int64(1);
            row.fields.resize(static_cast<size_t>(nFields));
            for (int i = 0; i < nFields; ++i) {
                sql::Value &field = row.fields[static_cast<size_t>(i)];
                if (m_table->def().fields[static_cast<size_t>(i)].isText()) {
                    if (!std::holds_alternative<std::string>(field))
                        field = std::string();
                    stmt.textInto(schema.firstFieldColumn() + i, std::get<std::string>(field));
                } else {
                    field = stmt.int64(schema.firstFieldColumn() + i);
                }
            }
            if (m_table->def().hasMemo())
                stmt.textInto(schema.memoColumn(), row.memo);
            row.keyValues.clear();
            for (size_t k = 0; k < keyColumns; ++k)
                row.keyValues.push_back(stmt.value(firstKey + static_cast<int>(k)));
        }
        if (rc != SQLITE_DONE) {
            clearBatch();
            return m_table->failSql(rc, QStringLiteral("reading"));
        }
        m_batchForward = forward;
        if (batchEmpty())
            return m_table->fail(Code::EndOfFile);
    }

    Row &row = m_batch[m_batchNext++];
    m_anchor = Anchor::RowExclusive;
    m_anchorValues.swap(row.keyValues);
    m_anchorRid = row.rid;
    m_table->loadRow(row.rid, row.ver, row.fields, row.memo);
    return m_table->succeed();
}

StoreError Table::setStart(const KeyDef *key)
{
    m_cursor->setOrder(key);
    return m_cursor->toStart();
}

StoreError Table::setEnd(const KeyDef *key)
{
    m_cursor->setOrder(key);
    return m_cursor->toEnd();
}

StoreError Table::setNotBelow(const KeyDef &key)
{
    m_cursor->setOrder(&key);
    return m_cursor->toNotBelow(m_record);
}

StoreError Table::setPosition(const KeyDef *key, const QString &token)
{
    m_cursor->setOrder(key);
    return m_cursor->toPosition(token);
}

StoreError Table::next()
{
    return m_cursor->next();
}

StoreError Table::previous()
{
    return m_cursor->previous();
}

void Table::loadRow(qint64 rid, qint64 ver, std::vector<sql::Value> &fields, std::string &memo)
{
    for (size_t i = 0; i < fields.size(); ++i) {
        if (auto *s = std::get_if<std::string>(&fields[i]))
            m_record.setUtf8(static_cast<int>(i), *s);
        else
            m_record.setInteger(static_cast<int>(i), std::get<qint64>(fields[i]));
    }
    m_record.setMemoUtf8(memo);
    m_currentRid = rid;
    m_currentVer = ver;
}

StoreError Table::readCurrent(sql::Statement &stmt)
{
    const int rc = stmt.step();
    if (rc == SQLITE_DONE)
        return fail(Code::NotFound);
    if (rc != SQLITE_ROW)
        return failSql(rc, QStringLiteral("reading"));
    std::vector<sql::Value> fields;
    const int n = static_cast<int>(m_def->fields.size());
    for (int i = 0; i < n; ++i) {
        if (m_def->fields[static_cast<size_t>(i)].isText())
            fields.emplace_back(stmt.text(m_schema.firstFieldColumn() + i));
        else
            fields.emplace_back(stmt.int64(m_schema.firstFieldColumn() + i));
    }
    std::string memo = m_def->hasMemo() ? stmt.text(m_schema.memoColumn()) : std::string();
    loadRow(stmt.int64(0), stmt.int64(1), fields, memo);
    return succeed();
}

StoreError Table::fetch(const KeyDef &key)
{
    if (StoreError e = checkOpen())
        return e;
    const auto &ks = m_schema.key(key);
    std::string sql = "SELECT " + m_schema.selectList() + " FROM rec WHERE ";
    for (size_t i = 0; i < ks.columns.size(); ++i)
        sql += (i ? " AND " : "") + ks.columns[i].column + "=?";
    if (!ks.emptyCondition.empty())
        sql += " AND " + ks.emptyCondition;
    sql += " ORDER BY " + ks.orderAsc + " LIMIT 1";
    sql::Statement &stmt = cached(sql);
    if (!stmt.valid())
        return failSql(stmt.prepareCode(), QStringLiteral("preparing a fetch"));
    sql::ResetGuard guard(stmt);
    int p = 1;
    for (const auto &c : ks.columns)
        stmt.bind(p++, TableSchema::keyValue(m_record, c));
    return readCurrent(stmt);
}

QString Table::position() const
{
    return m_currentRid > 0 ? QString::number(m_currentRid) : QString();
}

StoreError Table::reget(const QString &token)
{
    if (StoreError e = checkOpen())
        return e;
    bool ok = false;
    const qint64 rid = token.trimmed().toLongLong(&ok);
    if (!ok || rid <= 0 || token.size() > 512)
        return fail(Code::NotFound, QStringLiteral("bad position"));
    sql::Statement &stmt = cached("SELECT " + m_schema.selectList() + " FROM rec WHERE rid=?");
    sql::ResetGuard guard(stmt);
    stmt.bind(1, rid);
    return readCurrent(stmt);
}

void Table::discardBatches()
{
    for (Cursor *c : m_cursors)
        c->discardBatch();
}


} // namespace tabulo::store
