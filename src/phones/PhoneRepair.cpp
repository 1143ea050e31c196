#include "phones/PhoneRepair.h"

#include "store/Sqlite.h"
#include "store/Table.h"
#include "store/UnitOfWork.h"

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

// The numbers of owner `owner` (not in the directory) that `column` names,
// each as its row and control number.
struct Orphan {
    qint64 rid, number;
};
bool orphansOf(store::Table &fon, const char *column, qint64 owner, bool person, std::vector<Orphan> &numbers,
               QString &failure) {
    std::string sql =
        std::string("SELECT rid,f_CTRL_NBR FROM rec WHERE ") + column + "=? AND f_JUSTPHONESBYTE=0";
    if (!person)
        sql += " AND f_NAM_CTRL<=0";
    sql += " ORDER BY f_CTRL_NBR";
    store::sql::Statement stmt(fon.handle(), sql);
    stmt.bind(1, owner);
    int rc = 0;
    while ((rc = stmt.step()) == SQLITE_ROW)
        numbers.push_back({stmt.int64(0), stmt.int64(1)});
    if (rc != SQLITE_DONE) {
        failure = QStringLiteral("reading the phone file");
        return false;
    }
    return true;
}

// A message of the pass, told where its number stands in the order read.
struct Notice {
    qint64 rid;
    QString text;
    bool writeFailed = false;
};

// Puts the notices in the order of `order` (the order the list reads), so
// they come as if each number were checked in turn; without an order, in
// control-number order.
bool sortNotices(store::Table &fon, const store::KeyDef *order, std::vector<Notice> &notices,
                 QString &failure) {
    if (notices.size() < 2)
        return true;
    const std::string by = order ? fon.schema().key(*order).orderAsc : std::string("f_CTRL_NBR,rid");
    store::sql::Statement stmt(fon.handle(),
                               "SELECT rid FROM rec WHERE rid IN (SELECT value FROM json_each(?)) "
                               "ORDER BY " +
                                   by);
    std::string rids = "[";
    for (const Notice &n : notices) {
        if (rids.size() > 1)
            rids += ',';
        rids += std::to_string(n.rid);
    }
    rids += ']';
    stmt.bind(1, rids);
    std::map<qint64, size_t> rank;
    int rc = 0;
    while (stmt.valid() && (rc = stmt.step()) == SQLITE_ROW)
        rank.emplace(stmt.int64(0), rank.size());
    if (!stmt.valid() || rc != SQLITE_DONE) {
        failure = QStringLiteral("reading the phone file");
        return false;
    }
    std::stable_sort(notices.begin(), notices.end(), [&rank](const Notice &a, const Notice &b) {
        const auto x = rank.find(a.rid), y = rank.find(b.rid);
        const size_t rx = x == rank.end() ? rank.size() : x->second;
        const size_t ry = y == rank.end() ? rank.size() : y->second;
        return rx < ry;
    });
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

PhoneRepairOutcome repairPhones(PhoneRepairTables t, const store::KeyDef *order, const RepairTeller &tell,
                                const RepairTeller &writeFailed) {
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
    std::vector<Notice> notices;
    std::vector<std::pair<qint64, bool>> doomed; // the phone's number, and whether a person's
    for (auto [owners, person] : {std::pair{&people, true}, std::pair{&companies, false}}) {
        for (qint64 owner : *owners) {
            std::vector<Orphan> numbers;
            if (!orphansOf(t.fon, person ? "f_NAM_CTRL" : "f_CMP_CTRL", owner, person, numbers, outcome.failure))
                return outcome;
            for (const Orphan &o : numbers) {
                notices.push_back({o.rid, person ? badPersonPhoneMessage(owner, o.number)
                                                 : badCompanyPhoneMessage(owner, o.number)});
                doomed.emplace_back(o.number, person);
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

    // The names are written in one transaction (an orphan finds no owner
    // and keeps its blank name); a name that cannot be written is told in
    // its number's place among the deletions.
    // Both batches read the owners inside their own unit of work with the
    // phones: no station changes an owner between the reading and the
    // writing, and each batch is written whole or not at all.
    const std::vector<store::Table *> tables{&t.fon, &t.nam, &t.cmp};
    if (!unnamed.empty()) {
        store::UnitOfWork unit(tables);
        const bool batch = !t.fon.inTransaction() && unit.begin(5).ok();
        t.fon.record().clear();
        store::sql::Statement person =
            t.nam.prepare("SELECT f_LNAME,f_FNAME FROM rec WHERE f_CTRL_NBR=? AND f_CTRL_NBR<>0");
        store::sql::Statement company = t.cmp.prepare("SELECT f_NAME FROM rec WHERE f_CTRL_NBR=? AND f_CTRL_NBR<>0");
        for (const Unnamed &u : unnamed) {
            store::sql::Statement &owner = u.person > 0 ? person : company;
            store::sql::ResetGuard guard(owner);
            owner.bind(1, u.person > 0 ? u.person : u.company);
            if (owner.step() != SQLITE_ROW)
                continue; // an orphan: deleted below, or by the next pass
            const QString name = u.person > 0
                                     ? QString::fromStdString(owner.text(0)).trimmed() +
                                           QStringLiteral(", ") + QString::fromStdString(owner.text(1))
                                     : QString::fromStdString(owner.text(0)).trimmed();
            if (t.fon.writeText(u.rid, QStringLiteral("JUSTPHONESNAME"), name).ok()) {
                ++outcome.named;
            } else {
                ++outcome.writeFailures;
                notices.push_back({u.rid, QString::fromLatin1(kPhoneWriteError), true});
            }
        }
        person = store::sql::Statement();
        company = store::sql::Statement();
        if (batch) {
            if (store::StoreError e = unit.commit()) {
                outcome.named = 0;
                outcome.failure = e.text;
                return outcome;
            }
        }
    }

    // The messages in the order the list reads the numbers; each deletion
    // is told first and the deletions are then written together, so no
    // station waits on this one while a message is on the screen.
    if (!sortNotices(t.fon, order, notices, outcome.failure))
        return outcome;
    for (const Notice &n : notices) {
        if (n.writeFailed)
            writeFailed(n.text);
        else
            tell(n.text);
    }
    if (!doomed.empty()) {
        store::UnitOfWork unit(tables);
        const bool batch = !t.fon.inTransaction() && unit.begin(5).ok();
        const store::KeyDef &ctrl = *t.fon.def().key(QStringLiteral("CTRL_KEY"));
        // An owner given the number again meanwhile keeps its phone.
        store::sql::Statement person = t.nam.prepare("SELECT 1 FROM rec WHERE f_CTRL_NBR=?");
        store::sql::Statement company = t.cmp.prepare("SELECT 1 FROM rec WHERE f_CTRL_NBR=?");
        const auto ownerExists = [&](store::sql::Statement &owner, qint64 number) {
            store::sql::ResetGuard guard(owner);
            owner.bind(1, number);
            return number > 0 && owner.step() == SQLITE_ROW;
        };
        for (const auto &[number, ofPerson] : doomed) {
            t.fon.record().clear();
            t.fon.record().setValue(QStringLiteral("CTRL_NBR"), number);
            if (!t.fon.fetch(ctrl).ok())
                continue; // gone meanwhile
            const qint64 owner =
                t.fon.record().value(ofPerson ? QStringLiteral("NAM_CTRL") : QStringLiteral("CMP_CTRL")).toLongLong();
            if (ownerExists(ofPerson ? person : company, owner))
                continue;
            if (store::StoreError e = t.fon.remove()) {
                outcome.deleted = 0;
                outcome.failure = e.text;
                return outcome;
            }
            ++outcome.deleted;
        }
        person = store::sql::Statement();
        company = store::sql::Statement();
        if (batch) {
            if (store::StoreError e = unit.commit()) {
                outcome.deleted = 0;
                outcome.failure = e.text;
                return outcome;
            }
        }
        t.fon.record().clear();
    }
    if (outcome.writeFailures == 0)
        completePasses()[file] = Stamps{t.fon.changeStamp(), t.nam.changeStamp(), t.cmp.changeStamp()};
    return outcome;
}

} // namespace tabulo::phones
