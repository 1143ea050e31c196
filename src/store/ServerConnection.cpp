// The store's connection to a database server, through libpq.
#include "store/ServerConnection.h"

#include <libpq-fe.h>

#include <QDir>
#include <QFile>
#include <QRegularExpression>

#include <algorithm>
#include <utility>

namespace tabulo::store::server {

ConnectionFile readConnectionFile(const QString &dataDirectory) {
    ConnectionFile out;
    QFile file(QDir(dataDirectory).filePath(QString::fromLatin1(kConnectionFileName)));
    if (!file.exists())
        return out;
    out.present = true;
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        out.problem = QStringLiteral("%1 cannot be read: %2").arg(file.fileName(), file.errorString());
        return out;
    }
    QStringList lines;
    for (const QString &line : QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'))) {
        const QString trimmed = line.trimmed();
        if (!trimmed.isEmpty() && !trimmed.startsWith(QLatin1Char('#')))
            lines << trimmed;
    }
    if (lines.size() != 1) {
        out.problem = QStringLiteral("%1 must hold one connection string, not %2 lines")
                          .arg(file.fileName())
                          .arg(lines.size());
        return out;
    }
    // A password kept beside the tables would be read by anyone who can
    // read the shared folder.
    static const QRegularExpression password(QStringLiteral("(^|\\s)password\\s*=|^postgres(ql)?://[^/@]*:[^/@]*@"),
                                             QRegularExpression::CaseInsensitiveOption);
    if (password.match(lines.front()).hasMatch()) {
        out.problem = QStringLiteral("%1 holds a password; keep it in the station's .pgpass file instead")
                          .arg(file.fileName());
        return out;
    }
    out.connectionString = lines.front();
    return out;
}

Result::Result(pg_result *result)
    : m_result(result, PQclear) {}

int Result::rows() const {
    return m_result ? PQntuples(m_result.get()) : 0;
}

int Result::columns() const {
    return m_result ? PQnfields(m_result.get()) : 0;
}

bool Result::isNull(int row, int column) const {
    return !m_result || PQgetisnull(m_result.get(), row, column);
}

std::string Result::text(int row, int column) const {
    if (isNull(row, column))
        return {};
    return std::string(PQgetvalue(m_result.get(), row, column),
                       static_cast<size_t>(PQgetlength(m_result.get(), row, column)));
}

qint64 Result::int64(int row, int column) const {
    return isNull(row, column) ? 0 : QByteArray(PQgetvalue(m_result.get(), row, column)).toLongLong();
}

int codeForState(const std::string &state) {
    if (state.empty() || state.compare(0, 2, "00") == 0)
        return Code::Ok;
    if (state == "23505")
        return Code::DuplicateKey;
    // A lock not had within lock_timeout, a deadlock broken by the server,
    // a statement cancelled at its time-out, a serialisation failure: all
    // a wait for another station that ran out.
    if (state == "55P03" || state == "40P01" || state == "57014" || state == "40001")
        return Code::Locked;
    if (state == "42P01" || state == "3F000" || state == "3D000")
        return Code::NoFile;
    // The connection, the server's resources or the server itself.
    const std::string cls = state.substr(0, 2);
    if (cls == "08" || cls == "53" || cls == "57" || cls == "58" || cls == "XX")
        return Code::SystemError;
    return Code::Failure;
}

Connection::~Connection() {
    close();
}

Connection::Connection(Connection &&other) noexcept
    : m_conn(std::exchange(other.m_conn, nullptr))
    , m_lastState(std::move(other.m_lastState)) {}

Connection &Connection::operator=(Connection &&other) noexcept {
    if (this != &other) {
        close();
        m_conn = std::exchange(other.m_conn, nullptr);
        m_lastState = std::move(other.m_lastState);
    }
    return *this;
}

bool Connection::isOpen() const {
    return m_conn && PQstatus(m_conn) == CONNECTION_OK;
}

void Connection::close() {
    if (m_conn)
        PQfinish(m_conn);
    m_conn = nullptr;
}

StoreError Connection::open(const QString &connectionString) {
    close();
    m_lastState.clear();
    m_conn = PQconnectdb(connectionString.toUtf8().constData());
    if (PQstatus(m_conn) == CONNECTION_OK) {
        // Values travel as UTF-8 whatever the server's default.
        PQsetClientEncoding(m_conn, "UTF8");
        return {};
    }
    StoreError e;
    e.code = Code::SystemError;
    e.osText = QString::fromUtf8(PQerrorMessage(m_conn)).trimmed();
    e.text = QStringLiteral("The database server cannot be reached (%1): %2").arg(connectionString, e.osText);
    close();
    setLastError(e);
    return e;
}

StoreError Connection::failure(pg_result *result, const QString &what) {
    StoreError e;
    const char *state = result ? PQresultErrorField(result, PG_DIAG_SQLSTATE) : nullptr;
    m_lastState = state ? state : "";
    const QString message = QString::fromUtf8(result ? PQresultErrorMessage(result) : PQerrorMessage(m_conn)).trimmed();
    e.code = m_lastState.empty() ? Code::SystemError : codeForState(m_lastState);
    if (e.code == Code::Ok)
        e.code = Code::Failure;
    e.osText = message;
    e.text = what + QStringLiteral(": ") + message;
    if (e.code == Code::DuplicateKey && result) {
        if (const char *constraint = PQresultErrorField(result, PG_DIAG_CONSTRAINT_NAME))
            e.key = QString::fromUtf8(constraint);
    }
    if (result)
        PQclear(result);
    setLastError(e);
    return e;
}

namespace {

// A statement's values as libpq sends them: every value as text, which the
// server gives the type of the place it is bound to.
struct BoundValues {
    explicit BoundValues(const std::vector<sql::Value> &params) {
        texts.reserve(params.size());
        for (const sql::Value &v : params)
            texts.push_back(std::holds_alternative<qint64>(v) ? std::to_string(std::get<qint64>(v))
                                                               : std::get<std::string>(v));
        for (const std::string &t : texts) {
            values.push_back(t.c_str());
            lengths.push_back(static_cast<int>(t.size()));
        }
    }
    int count() const { return static_cast<int>(values.size()); }
    std::vector<std::string> texts;
    std::vector<const char *> values;
    std::vector<int> lengths;
};

// Statements sent before their answers are read: few enough that the
// answers never fill the connection's buffers while it still sends.
constexpr size_t kPipelineDepth = 256;

} // namespace

StoreError Connection::execMany(const std::string &sql, const std::vector<std::vector<sql::Value>> &rows) {
    m_lastState.clear();
    if (!m_conn)
        return failure(nullptr, QStringLiteral("not connected to the database server"));
    if (!PQenterPipelineMode(m_conn))
        return failure(nullptr, QStringLiteral("the bulk write could not begin"));
    StoreError first;
    for (size_t start = 0; start < rows.size() && first.ok(); start += kPipelineDepth) {
        const size_t end = std::min(rows.size(), start + kPipelineDepth);
        bool sent = true;
        for (size_t r = start; r < end && sent; ++r) {
            const BoundValues bound(rows[r]);
            sent = PQsendQueryParams(m_conn, sql.c_str(), bound.count(), nullptr, bound.values.data(),
                                     bound.lengths.data(), nullptr, 0) == 1;
        }
        if (!sent || PQpipelineSync(m_conn) != 1) {
            first = failure(nullptr, QStringLiteral("the bulk write could not be sent"));
            break;
        }
        // Each statement's answer, then the end of the statement's results,
        // up to the point of synchronisation.
        for (;;) {
            pg_result *result = PQgetResult(m_conn);
            if (!result) {
                if (PQstatus(m_conn) != CONNECTION_OK) {
                    first = failure(nullptr, QStringLiteral("the bulk write was cut off"));
                    break;
                }
                continue;
            }
            const ExecStatusType status = PQresultStatus(result);
            if (status == PGRES_PIPELINE_SYNC) {
                PQclear(result);
                break;
            }
            if (status == PGRES_FATAL_ERROR && first.ok())
                first = failure(result, QStringLiteral("the database server refused the statement"));
            else
                PQclear(result);
        }
    }
    PQexitPipelineMode(m_conn);
    return first;
}

StoreError Connection::exec(const std::string &sql, const std::vector<sql::Value> &params, Result *rows) {
    m_lastState.clear();
    if (!m_conn)
        return failure(nullptr, QStringLiteral("not connected to the database server"));
    const BoundValues bound(params);
    pg_result *result = PQexecParams(m_conn, sql.c_str(), bound.count(), nullptr, bound.values.data(),
                                     bound.lengths.data(), nullptr, 0);
    const ExecStatusType status = result ? PQresultStatus(result) : PGRES_FATAL_ERROR;
    if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK)
        return failure(result, QStringLiteral("the database server refused the statement"));
    if (rows)
        *rows = Result(result);
    else
        PQclear(result);
    return {};
}

StoreError Connection::begin(const std::vector<std::string> &tables, int waitMs) {
    if (StoreError e = execScript("BEGIN"))
        return e;
    // The wait holds for this transaction alone.
    StoreError e = exec("SELECT set_config('lock_timeout',$1,true)", {std::to_string(std::max(waitMs, 1)) + "ms"});
    if (e.ok() && !tables.empty()) {
        std::string names;
        for (const std::string &t : tables) {
            char *quoted = PQescapeIdentifier(m_conn, t.c_str(), t.size());
            if (!quoted)
                return failure(nullptr, QStringLiteral("naming the tables to lock"));
            names += (names.empty() ? "" : ",") + std::string(quoted);
            PQfreemem(quoted);
        }
        e = execScript("LOCK TABLE " + names + " IN SHARE ROW EXCLUSIVE MODE");
        if (e.code == Code::Locked) {
            e.text = QStringLiteral("the change could not begin within %1 seconds: %2")
                         .arg(QString::number(waitMs / 1000.0), e.osText);
            setLastError(e);
        }
    }
    if (e)
        rollback();
    return e;
}

StoreError Connection::commit() {
    return execScript("COMMIT");
}

void Connection::rollback() {
    if (m_conn && PQtransactionStatus(m_conn) != PQTRANS_IDLE) {
        if (pg_result *result = PQexec(m_conn, "ROLLBACK"))
            PQclear(result);
    }
}

StoreError Connection::keepingTransaction(const std::function<StoreError()> &work) {
    if (StoreError e = execScript("SAVEPOINT keep"))
        return e;
    const StoreError e = work();
    if (e) {
        const std::string state = m_lastState;
        execScript("ROLLBACK TO SAVEPOINT keep");
        execScript("RELEASE SAVEPOINT keep");
        m_lastState = state;
        setLastError(e);
        return e;
    }
    return execScript("RELEASE SAVEPOINT keep");
}

StoreError Connection::execScript(const std::string &sql) {
    m_lastState.clear();
    if (!m_conn)
        return failure(nullptr, QStringLiteral("not connected to the database server"));
    pg_result *result = PQexec(m_conn, sql.c_str());
    const ExecStatusType status = result ? PQresultStatus(result) : PGRES_FATAL_ERROR;
    if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK)
        return failure(result, QStringLiteral("the database server refused the statement"));
    PQclear(result);
    return {};
}

} // namespace tabulo::store::server
