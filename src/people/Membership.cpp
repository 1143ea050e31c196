#include "people/Membership.h"

#include "engine/Globals.h"
#include "people/PersonRecords.h"
#include "store/MessageService.h"
#include "store/Messages.h"
#include "store/ChangeRules.h"
#include "store/Store.h"
#include "store/UnitOfWork.h"

#include <optional>
#include <vector>

namespace tabulo::people {

using store::Store;
using store::Table;

namespace {
constexpr int CopyAttempts = 3;

const store::KeyDef &key(Table &t, const char *name) {
    return *t.def().key(QString::fromLatin1(name));
}

int field(Table &t, const char *name) {
    return t.def().fieldIndex(QString::fromLatin1(name));
}

// The person first: when that fails, the person keeps everything.
void deletePerson(qint64 person) {
    store::TableUse use(
        {QStringLiteral("QKjnc"), QStringLiteral("QKnam"), QStringLiteral("QKfon"), QStringLiteral("QKmem")});
    QString stage;
    if (const store::StoreError e = deletePersonWhole(person, &stage)) {
        if (e.code == store::Code::NotFound)
            return; // gone already
        store::setLastError(e);
        store::takeSavedError();
        store::standardMessage(e.code == store::Code::EndOfFile ? 35 : 17, stage);
    }
}

QString trimmed(const QString &s) {
    return s.trimmed();
}
} // namespace

bool isSystemCategory(const QString &category) {
    return category.trimmed().compare(JustNumbers, Qt::CaseInsensitive) == 0;
}

QString operationWord(MembershipOp op) {
    switch (op) {
    case MembershipOp::Copy:
        return QStringLiteral("copy");
    case MembershipOp::Move:
        return QStringLiteral("move");
    case MembershipOp::Delete:
        return QStringLiteral("delete");
    }
    return {};
}

namespace {

// Applies the operation to the link in the buffer. Notes for the user that
// report no failure ("already a member") go to `later`, to be shown once the
// change is saved; a failure is reported at once, which undoes the change.
void applyOne(MembershipOp op, qint32 target, QObject *owner, std::vector<store::MessageBox> &later) {
    Store &store = Store::instance();
    Table &jnc = store.table(QStringLiteral("QKjnc"));
    Table &nam = store.table(QStringLiteral("QKnam"));
    store::Record &link = jnc.record();
    const int catCtrl = field(jnc, "CAT_CTRL");
    switch (op) {
    case MembershipOp::Move: {
        const store::Record before = link;
        link.setInteger(catCtrl, target);
        // A person already in the target keeps the link as it was; any
        // other failure is said, and nothing of the move stays.
        if (const store::StoreError e = jnc.change()) {
            if (e.code != store::Code::DuplicateKey) {
                store::takeSavedError();
                store::standardMessage(owner, 15, jnc.def().name);
            } else {
                store::clearSavedError();
            }
            link = before;
        }
        break;
    }
    case MembershipOp::Copy: {
        const store::Record remembered = link;
        bool added = false;
        for (int attempt = 0; attempt < CopyAttempts && !added; ++attempt) {
            qint64 next = 1;
            if (jnc.setStart(&key(jnc, "CTRL_KEY")).ok() && jnc.previous().ok())
                next = jnc.record().integer(field(jnc, "CTRL_NBR")) + 1;
            link = remembered;
            link.setInteger(field(jnc, "CTRL_NBR"), next);
            link.setInteger(catCtrl, target);
            link.setInteger(field(jnc, "NAM_CTRL"), nam.record().integer(field(nam, "CTRL_NBR")));
            link.setText(field(jnc, "FNAME"), nam.record().text(field(nam, "FNAME")));
            link.setText(field(jnc, "LNAME"), nam.record().text(field(nam, "LNAME")));
            added = jnc.insert().ok();
        }
        if (!added) {
            store::clearSavedError();
            store::MessageBox box;
            box.title = QStringLiteral("Assign Category Error");
            box.text = trimmed(link.text(field(jnc, "FNAME"))) + QLatin1Char(' ') +
                       trimmed(link.text(field(jnc, "LNAME"))) + QStringLiteral(" is already a") +
                       QStringLiteral(" member of the ") + QStringLiteral("\r\n") +
                       engine::currentCategoryName().trimmed() + QStringLiteral(" category.");
            box.owner = owner;
            later.push_back(box);
            link = remembered;
        }
        break;
    }
    case MembershipOp::Delete: {
        const qint64 person = link.integer(field(jnc, "NAM_CTRL"));
        const bool allLink = link.integer(catCtrl) == 0;
        if (jnc.remove()) {
            store::takeSavedError();
            store::standardMessage(owner, 17, jnc.def().name);
            break;
        }
        if (allLink)
            deletePerson(person);
        break;
    }
    }
    nam.record().clear();
}

// One unit of work over every table an operation may write: a copy, move or
// delete of the tagged members lands whole, or not at all.
struct MembershipChange {
    store::TableUse use{{QStringLiteral("QKjnc"), QStringLiteral("QKnam"), QStringLiteral("QKfon"),
                         QStringLiteral("QKmem")}};
    std::vector<Table *> tables{&use[QStringLiteral("QKjnc")], &use[QStringLiteral("QKnam")],
                                &use[QStringLiteral("QKfon")], &use[QStringLiteral("QKmem")]};
    store::UnitOfWork unit{tables};
    std::vector<store::MessageBox> later;

    bool begin(QObject *owner) { return store::beginReported(unit, tables, QStringLiteral("Update"), owner); }
    // Saves what is left of the change (a failure said on the way undid
    // it), then shows the notes kept for afterwards.
    void end(MembershipOp op, QObject *owner) {
        if (unit.active() && store::commitReported(unit, tables, op == MembershipOp::Delete ? 17 : 15, owner))
            for (const store::MessageBox &box : later)
                store::MessageService::current().show(box);
    }
};

} // namespace

void applyToLink(MembershipOp op, qint32 target, QObject *owner) {
    MembershipChange change;
    if (!change.begin(owner))
        return;
    applyOne(op, target, owner, change.later);
    change.end(op, owner);
}

void runMembership(MembershipOp op, qint32 target, const std::vector<qint32> &taggedLinks, QObject *owner) {
    MembershipChange change;
    Table &jnc = change.use[QStringLiteral("QKjnc")];
    Table &nam = change.use[QStringLiteral("QKnam")];
    const int jncCtrl = field(jnc, "CTRL_NBR");
    const qint64 remembered = jnc.record().integer(jncCtrl);
    const qint32 keptCategory = engine::currentCategory();
    const QString keptName = engine::currentCategoryName();

    auto readPerson = [&] {
        nam.record().clear();
        nam.record().setInteger(field(nam, "CTRL_NBR"), jnc.record().integer(field(jnc, "NAM_CTRL")));
        nam.fetch(key(nam, "CTRL_KEY"));
    };
    if (change.begin(owner)) {
        if (taggedLinks.empty()) {
            applyOne(op, target, owner, change.later);
        } else {
            for (qint32 number : taggedLinks) {
                jnc.record().clear();
                jnc.record().setInteger(jncCtrl, number);
                if (jnc.fetch(key(jnc, "CTRL_KEY")))
                    continue;
                readPerson();
                applyOne(op, target, owner, change.later);
                if (!change.unit.active())
                    break; // a failure was said and undid the whole change
            }
        }
        change.end(op, owner);
    }
    jnc.record().clear();
    jnc.record().setInteger(jncCtrl, remembered);
    if (jnc.fetch(key(jnc, "CTRL_KEY")).ok())
        readPerson();
    else
        jnc.record().clear();
    store::clearSavedError();
    if (op != MembershipOp::Delete)
        engine::setCurrentCategory(keptCategory, keptName);
}

} // namespace tabulo::people
