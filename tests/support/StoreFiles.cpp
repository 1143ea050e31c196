#include "support/StoreFiles.h"

#include "store/Dictionary.h"
#include "store/Table.h"

#include <QByteArray>
#include <QFile>
#include <gtest/gtest.h>
#include <sqlite3.h>

namespace tabulo::test {

QString personName(int number) {
    return QStringLiteral("Person %1").arg(number, 5, 10, QLatin1Char('0'));
}

void addPeople(const QString &dir, int from, int count, PersonSize size) {
    store::Table nam(store::tableDef("QKnam"), dir);
    if (nam.open().code == store::Code::NoFile) {
        ASSERT_EQ(nam.create().code, 0);
        ASSERT_EQ(nam.open().code, 0);
    }
    ASSERT_EQ(nam.lock(5).code, 0);
    for (int i = from; i < from + count; ++i) {
        nam.record().clear();
        nam.record().setValue(QStringLiteral("NAM:CTRL_NBR"), i);
        nam.record().setValue(QStringLiteral("NAM:LNAME"), personName(i));
        if (size == PersonSize::WithAddress)
            nam.record().setValue(QStringLiteral("NAM:ADDR1"), QString(25, QLatin1Char('a' + i % 26)));
        ASSERT_EQ(nam.insert().code, 0);
    }
    ASSERT_EQ(nam.unlock().code, 0);
}

QStringList queryFile(const QString &path, const char *sql, const QString &bound) {
    sqlite3 *db = nullptr;
    sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READWRITE, nullptr);
    sqlite3_stmt *stmt = nullptr;
    QStringList rows;
    if (sqlite3_prepare_v2(db, sql, -1, &stmt, nullptr) == SQLITE_OK) {
        if (!bound.isNull())
            sqlite3_bind_text(stmt, 1, bound.toUtf8().constData(), -1, SQLITE_TRANSIENT);
        int rc;
        while ((rc = sqlite3_step(stmt)) == SQLITE_ROW)
            rows << QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(stmt, 0)));
        if (rc != SQLITE_DONE)
            rows << QStringLiteral("error: ") + QString::fromUtf8(sqlite3_errmsg(db));
    } else {
        rows << QStringLiteral("error: ") + QString::fromUtf8(sqlite3_errmsg(db));
    }
    sqlite3_finalize(stmt);
    sqlite3_close(db);
    return rows;
}

QString integrityOf(const QString &path) {
    sqlite3 *db = nullptr;
    sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_stmt *stmt = nullptr;
    sqlite3_prepare_v2(db, "PRAGMA integrity_check", -1, &stmt, nullptr);
    QString result = sqlite3_step(stmt) == SQLITE_ROW
                         ? QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(stmt, 0)))
                         : QStringLiteral("unreadable");
    sqlite3_finalize(stmt);
    sqlite3_close(db);
    return result;
}

void dropKeyIndex(const QString &path, const char *index) {
    sqlite3 *db = nullptr;
    sqlite3_open(QFile::encodeName(path).constData(), &db);
    const QByteArray drop = QByteArray("DROP INDEX ") + index;
    ASSERT_EQ(sqlite3_exec(db, drop.constData(), nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(db);
}

void overwriteKeyRoot(const QString &path, const char *index) {
    const QStringList root =
        queryFile(path, "SELECT rootpage FROM sqlite_master WHERE name=?", QString::fromLatin1(index));
    ASSERT_EQ(root.size(), 1) << index;
    const int rootPage = root.first().toInt();
    const int pageSize = queryFile(path, "PRAGMA page_size").value(0).toInt();
    ASSERT_GT(rootPage, 0) << index;
    ASSERT_GT(pageSize, 0);
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadWrite));
    f.seek(static_cast<qint64>(rootPage - 1) * pageSize);
    f.write(QByteArray(pageSize, '\xAB'));
}

} // namespace tabulo::test
