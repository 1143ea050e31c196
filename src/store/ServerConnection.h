#pragma once

#include "store/Sqlite.h"
#include "store/StoreError.h"

#include <QString>

#include <functional>
#include <memory>
#include <string>
#include <vector>

struct pg_conn;
struct pg_result;

namespace tabulo::store::server {

// The file in a data directory that points it at a database server: one
// connection string, in the forms libpq reads ("service=office", or
// "host=db.lan dbname=tabulo user=anna sslmode=verify-full"), never with a
// password (the station's .pgpass or the service file holds that). Lines
// starting with '#' and blank lines are ignored.
inline constexpr const char *kConnectionFileName = "server.conf";

// What the data directory's connection file says: absent (the directory
// keeps its table files), a connection string, or why it cannot be used.
struct ConnectionFile {
    bool present = false;
    QString connectionString;
    QString problem; // empty when the file may be used
};
ConnectionFile readConnectionFile(const QString &dataDirectory);

// The rows a statement returned; empty after a statement that returns none.
class Result final
{
public:
    Result() = default;
    explicit Result(pg_result *result);
    int rows() const;
    int columns() const;
    bool isNull(int row, int column) const;
    std::string text(int row, int column) const;
    qint64 int64(int row, int column) const;

private:
    std::shared_ptr<pg_result> m_result;
};

// One connection to the server, closed when it goes. A statement's values
// are always bound as parameters ($1, $2 ...), never pasted into its text.
// A failure carries the server's own words and the store's code for its
// condition: a duplicated unique key is 40, a lock not had within the wait
// (or a deadlock) is 32, a missing table is 2, a connection that fails or
// goes away is 90.
class Connection final
{
public:
    Connection() = default;
    ~Connection();
    Connection(Connection &&other) noexcept;
    Connection &operator=(Connection &&other) noexcept;
    Connection(const Connection &) = delete;
    Connection &operator=(const Connection &) = delete;

    // Connects with a libpq connection string; the failure names the server
    // the string points at, in libpq's words.
    StoreError open(const QString &connectionString);
    bool isOpen() const;
    void close();

    StoreError exec(const std::string &sql, const std::vector<sql::Value> &params = {}, Result *rows = nullptr);
    // One statement for each set of values, sent a few hundred at a time
    // without waiting for each answer (libpq's pipeline): for bulk writes,
    // inside the caller's transaction. A failure is the first one the server
    // reports; as with any failed statement, the server has then given up
    // the transaction, which the caller rolls back.
    StoreError execMany(const std::string &sql, const std::vector<std::vector<sql::Value>> &rows);
    // Several statements separated by semicolons, without parameters (the
    // making of tables); stops at the first failure.
    StoreError execScript(const std::string &sql);

    // Begins a transaction that holds the write lock of `tables` (other
    // writers wait, readers do not), waiting up to `waitMs` for it, as a
    // file's write transaction begins; a lock not had in time ends it with
    // code 32 and nothing held.
    StoreError begin(const std::vector<std::string> &tables, int waitMs);
    StoreError commit();
    void rollback();
    // Runs `work` inside the transaction so that its failure undoes its own
    // statements alone and leaves the transaction going (the server would
    // otherwise give up the whole transaction at a failed statement, where
    // a file keeps it); the failure is returned.
    StoreError keepingTransaction(const std::function<StoreError()> &work);

    // The server's SQLSTATE of the last failure ("23505"), empty after a
    // success or a failure of the connection itself.
    const std::string &lastState() const { return m_lastState; }

private:
    StoreError failure(pg_result *result, const QString &what);
    pg_conn *m_conn = nullptr;
    std::string m_lastState;
};

// The store's code for a server condition (SQLSTATE); 0 for success states.
int codeForState(const std::string &state);

} // namespace tabulo::store::server
