#include "phones/PhoneRepair.h"

#include "store/Sqlite.h"

#include <algorithm>
#include <map>
#include <tuple>
#include <vector>

namespace tabulo::phones {

namespace {

using Stamps = std::tuple<store::Table::ChangeStamp, store::Table::ChangeStamp, store::Table::ChangeStamp>;

std::map<QString, Stamps> &completePasses() {
    static std::map<QString, Stamps> passes;
    return passes;
}

// The distinct owner numbers `column` names in the phones, ascending, that
// have no record in `owners`, when `onlyWithoutPerson` also those of numbers
// without a person.
bool missingOwners(store::Table &fon, const char *column, bool onlyWithoutPerson, store::Table &owners,
                   std::vector<qint64> &missing, QString &failure) {
    std::string named = std::string("SELECT DISTINCT ") + column + " FROM rec WHERE " + column + ">0";
    if (onlyWithoutPerson)
        named += " AND f_NAM_CTRL<=0";
    named += std::string(" ORDER BY ") + column;
    store::sql::Statement left(fon.handle(), named);
    // The owners' numbers in their unique key's order (the key leaves out 0).
    store::sql::Statement right(owners.handle(), "SELECT f_CTRL_NBR FROM rec WHERE f_CTRL_NBR<>0 ORDER BY f_CTRL_NBR");
    if (!left.valid() || !right.valid()) {
        failure = QStringLiteral("reading the phone owners");
        return false;
    }
    int rightState = right.step();
    while (true) {
        const int rc = left.step();
        if (rc == SQLITE_DONE)
            return true;
        if (rc != SQLITE_ROW) {
            failure = QStringLiteral("reading the phone file");
            return false;
        }
        const qint64 owner = left.int64(0);
        while (rightState == SQLITE_ROW && right.int64(0) < owner)
            rightState = right.step();
        if (rightState != SQLITE_ROW && rightState != SQLITE_DONE) {
            failure = QStringLiteral("reading the owners' file");
            return false;
        }
        if (rightState == SQLITE_DONE || right.int64(0) != owner)
            missing.push_back(owner);
    }
}

// The numbers of owner `owner` (not in the directory) that `column` names.
bool orphansOf(store::Table &fon, const char *column, qint64 owner, bool person, std::vector<qint64> &numbers,
               QString &failure) {
    std::string sql = std::string("SELECT f_CTRL_NBR FROM rec WHERE ") + column + "=? AND f_JUSTPHONESBYTE=0";
    if (!person)
        sql += " AND f_NAM_CTRL<=0";
    sql += " ORDER BY f_CTRL_NBR";
    store::sql::Statement stmt(fon.handle(), sql);
    stmt.bind(1, owner);
    int rc = 0;
    while ((rc = stmt.step()) == SQLITE_ROW)
        numbers.push_back(stmt.int64(0));
    if (rc != SQLITE_DONE) {
        failure = QStringLiteral("reading the phone file");
        return false;
    }
    return true;
}

} // namespace

QString badPersonPhoneMessage(qint64 personNumber, qint64 phoneNumber) {
    // The person's last (16) and first (14) name stand between, blank since
    // the person was not found.
    return QStringLiteral("Deleting bad name record, name:ctrl=") + QString(30, QLatin1Char(' ')) +
           QString::number(personNumber) + QStringLiteral(" phone:ctrl=") + QString::number(phoneNumber);
}

QString badCompanyPhoneMessage(qint64 companyNumber, qint64 phoneNumber) {
    return QStringLiteral("Deleting bad company phone record, comp:ctrl=") + QString(35, QLatin1Char(' ')) +
           QString::number(companyNumber) + QStringLiteral(" phone:ctrl=") + QString::number(phoneNumber);
}

void forgetPhoneRepairs() {
    completePasses().clear();
}

PhoneRepairOutcome repairPhones(PhoneRepairTables t, const RepairTeller &tell, const RepairTeller &writeFailed) {
    PhoneRepairOutcome outcome;
    const QString file = t.fon.filePath();
    const Stamps before{t.fon.changeStamp(), t.nam.changeStamp(), t.cmp.changeStamp()};
    const auto known = completePasses().find(file);
    if (known != completePasses().end() && known->second == before) {
        outcome.skipped = true;
        return outcome;
    }
    completePasses().erase(file);

    // Orphans first: a number whose owner is gone gets no name.
    std::vector<qint64> people, companies;
    if (!missingOwners(t.fon, "f_NAM_CTRL", false, t.nam, people, outcome.failure) ||
        !missingOwners(t.fon, "f_CMP_CTRL", true, t.cmp, companies, outcome.failure))
        return outcome;
    // Each deletion is told first; the deletions are then written together,
    // so no station waits on this one while a message is on the screen.
    std::vector<qint64> doomed;
    for (auto [owners, person] : {std::pair{&people, true}, std::pair{&companies, false}}) {
        for (qint64 owner : *owners) {
            std::vector<qint64> numbers;
            if (!orphansOf(t.fon, person ? "f_NAM_CTRL" : "f_CMP_CTRL", owner, person, numbers, outcome.failure))
                return outcome;
            for (qint64 number : numbers) {
                tell(person ? badPersonPhoneMessage(owner, number) : badCompanyPhoneMessage(owner, number));
                doomed.push_back(number);
            }
        }
    }
    // Display names for the owners' numbers that have none (through their
    // own short key), in file order.
    struct Unnamed {
        qint64 rid, person, company;
    };
    std::vector<Unnamed> unnamed;
    {
        store::sql::Statement stmt(t.fon.handle(), "SELECT rid,f_NAM_CTRL,f_CMP_CTRL FROM rec WHERE f_JUSTPHONESBYTE=0 "
                                                   "AND f_JUSTPHONESNAME='' AND (f_NAM_CTRL>0 OR f_CMP_CTRL>0)");
        int rc = 0;
        while (stmt.valid() && (rc = stmt.step()) == SQLITE_ROW)
            unnamed.push_back({stmt.int64(0), stmt.int64(1), stmt.int64(2)});
        if (!stmt.valid() || rc != SQLITE_DONE) {
            outcome.failure = QStringLiteral("reading the phone file");
            return outcome;
        }
    }
    std::sort(unnamed.begin(), unnamed.end(), [](const Unnamed &a, const Unnamed &b) { return a.rid < b.rid; });
    if (doomed.empty() && unnamed.empty()) {
        completePasses()[file] = Stamps{t.fon.changeStamp(), t.nam.changeStamp(), t.cmp.changeStamp()};
        return outcome;
    }

    // The deletions and the names are written in one transaction.
    const bool batch = !t.fon.inTransaction() && t.fon.begin(5).ok();
    const store::KeyDef &ctrl = *t.fon.def().key(QStringLiteral("CTRL_KEY"));
    for (qint64 number : doomed) {
        t.fon.record().clear();
        t.fon.record().setValue(QStringLiteral("CTRL_NBR"), number);
        if (!t.fon.fetch(ctrl).ok())
            continue; // gone meanwhile
        if (store::StoreError e = t.fon.remove()) {
            if (batch)
                t.fon.rollback();
            outcome.deleted = 0;
            outcome.failure = e.text;
            return outcome;
        }
        ++outcome.deleted;
    }
    t.fon.record().clear();
    store::sql::Statement person(t.nam.handle(), "SELECT f_LNAME,f_FNAME FROM rec WHERE f_CTRL_NBR=? AND f_CTRL_NBR<>0");
    store::sql::Statement company(t.cmp.handle(), "SELECT f_NAME FROM rec WHERE f_CTRL_NBR=? AND f_CTRL_NBR<>0");
    for (const Unnamed &u : unnamed) {
        store::sql::Statement &owner = u.person > 0 ? person : company;
        store::sql::ResetGuard guard(owner);
        owner.bind(1, u.person > 0 ? u.person : u.company);
        if (owner.step() != SQLITE_ROW)
            continue; // gone: deleted above, or by the next pass
        const QString name = u.person > 0 ? QString::fromStdString(owner.text(0)).trimmed() + QStringLiteral(", ") +
                                                QString::fromStdString(owner.text(1))
                                          : QString::fromStdString(owner.text(0)).trimmed();
        if (t.fon.writeText(u.rid, QStringLiteral("JUSTPHONESNAME"), name).ok()) {
            ++outcome.named;
        } else {
            ++outcome.writeFailures;
            writeFailed(QString::fromLatin1(kPhoneWriteError));
        }
    }
    if (batch) {
        if (store::StoreError e = t.fon.commit()) {
            t.fon.rollback();
            outcome.deleted = 0;
            outcome.named = 0;
            outcome.failure = e.text;
            return outcome;
        }
    }
    if (outcome.writeFailures == 0)
        completePasses()[file] = Stamps{t.fon.changeStamp(), t.nam.changeStamp(), t.cmp.changeStamp()};
    return outcome;
}

} // namespace tabulo::phones
