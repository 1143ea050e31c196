#include "companies/GroupMembership.h"

#include "store/ChangeRules.h"
#include "store/MessageService.h"
#include "store/Messages.h"
#include "store/Store.h"

#include <algorithm>
#include <mutex>

namespace tabulo::companies {

using store::Table;

namespace {
constexpr int CopyAttempts = 3;
constexpr int ActionWordWidth = 10;

std::mutex s_wordMutex;
QString &actionWord() {
    static QString word;
    return word;
}

int field(const Table &t, const char *name) {
    return t.def().fieldIndex(QString::fromLatin1(name));
}

const store::KeyDef &key(const Table &t, const char *name) {
    return *t.def().key(QString::fromLatin1(name));
}

// The highest link number plus one; 1 when the table is empty or cannot be
// read. Uses the table's buffer.
qint64 nextLinkNumber(Table &jcg) {
    if (jcg.setStart(&key(jcg, "CTRL_KEY")).ok() && jcg.previous().ok())
        return jcg.record().integer(field(jcg, "CTRL_NBR")) + 1;
    store::clearSavedError();
    return 1;
}

// Re-reads the link whose number is in the buffer, so that a write or delete
// goes to that very link whatever the table read since.
bool rereadLink(Table &jcg) {
    const qint64 number = jcg.record().integer(field(jcg, "CTRL_NBR"));
    jcg.record().clear();
    jcg.record().setInteger(field(jcg, "CTRL_NBR"), number);
    if (jcg.fetch(key(jcg, "CTRL_KEY")).ok())
        return true;
    store::clearSavedError();
    return false;
}

bool copyLink(Table &jcg, const Table &cmp, qint64 target, QObject *owner) {
    const store::Record remembered = jcg.record();
    for (int attempt = 0; attempt < CopyAttempts; ++attempt) {
        const qint64 next = nextLinkNumber(jcg);
        store::Record &link = jcg.record();
        link = remembered;
        link.setInteger(field(jcg, "CTRL_NBR"), next);
        link.setInteger(field(jcg, "GRP_CTRL"), target);
        link.setInteger(field(jcg, "CMP_CTRL"), cmp.record().integer(field(cmp, "CTRL_NBR")));
        link.setText(field(jcg, "COMPANY"), cmp.record().text(field(cmp, "NAME")));
        if (jcg.insert().ok())
            return true;
    }
    store::clearSavedError();
    jcg.record() = remembered;
    store::MessageBox box;
    box.text = kDuplicateCopyText;
    box.owner = owner;
    store::MessageService::current().show(box);
    return false;
}
} // namespace

QString groupActionWord() {
    std::lock_guard lock(s_wordMutex);
    return actionWord();
}

void setGroupActionWord(const QString &word) {
    std::lock_guard lock(s_wordMutex);
    actionWord() = word.left(ActionWordWidth);
}

GroupAction groupActionFromWord(const QString &word) {
    const QString w = word.trimmed().toLower();
    if (w == QLatin1String("copy"))
        return GroupAction::Copy;
    if (w == QLatin1String("move"))
        return GroupAction::Move;
    if (w == QLatin1String("delete"))
        return GroupAction::Delete;
    if (w == QLatin1String("add"))
        return GroupAction::Add;
    return GroupAction::None;
}

QString wordFor(GroupAction action) {
    switch (action) {
    case GroupAction::Copy:
        return QStringLiteral("copy");
    case GroupAction::Move:
        return QStringLiteral("move");
    case GroupAction::Delete:
        return QStringLiteral("delete");
    case GroupAction::Add:
        return QStringLiteral("add");
    case GroupAction::None:
        break;
    }
    return {};
}

bool applyGroupAction(GroupAction action, qint64 target, QObject *owner) {
    if (action == GroupAction::None || action == GroupAction::Add)
        return false;
    store::TableUse use({QStringLiteral("QKjcg"), QStringLiteral("QKcmp")});
    Table &jcg = use[QStringLiteral("QKjcg")];
    const store::FieldDef &grpCtrl = jcg.def().fields[static_cast<size_t>(field(jcg, "GRP_CTRL"))];
    if (needsTargetGroup(action) && (target < grpCtrl.minValue() || target > grpCtrl.maxValue())) {
        // The link's field would hold another number than the category's.
        store::MessageBox box;
        box.text = QStringLiteral("Category number %1 is too large for a company link.").arg(target);
        box.owner = owner;
        store::MessageService::current().show(box);
        return false;
    }
    switch (action) {
    case GroupAction::Copy:
        return copyLink(jcg, use[QStringLiteral("QKcmp")], target, owner);
    case GroupAction::Move:
        // A failed write is not reported: the link stays where it was.
        if (!rereadLink(jcg))
            return false;
        jcg.record().setInteger(field(jcg, "GRP_CTRL"), target);
        if (jcg.change().ok())
            return true;
        store::clearSavedError();
        return false;
    case GroupAction::Delete:
        if (rereadLink(jcg) && jcg.remove().ok())
            return true;
        store::clearSavedError();
        return false;
    default:
        return false;
    }
}

qint64 nextCompanyNoteNumber(Table &notes, qint64 company) {
    const int link = field(notes, "CMP_CTRL");
    const int order = field(notes, "ORDER");
    store::Cursor cursor(notes);
    cursor.setOrder(&key(notes, "CMP_CTRL_KEY"));
    cursor.setRange({store::sql::Value(company)});
    cursor.toStart();
    qint64 count = 0;
    qint64 highest = 0;
    while (cursor.next().ok() && notes.record().integer(link) == company) {
        ++count;
        highest = std::max(highest, notes.record().integer(order));
    }
    store::clearSavedError();
    const store::FieldDef &f = notes.def().fields[static_cast<size_t>(order)];
    return std::min(std::max(count, highest) + 1, f.maxValue());
}

bool storeCompanyNoteCounter(qint64 company, qint64 order, QObject *owner) {
    store::TableUse use({QStringLiteral("QKcmp")});
    Table &shared = use[QStringLiteral("QKcmp")];
    const int ctrl = field(shared, "CTRL_NBR");
    const int notes = field(shared, "NOTES");
    Table own(shared.def(), store::Store::instance().directory());
    if (own.open()) {
        store::takeSavedError();
        store::standardMessage(owner, 35, shared.def().name);
        return false;
    }
    bool written = false;
    // Another station may write the company between the read and the write:
    // the counter then goes onto what it stored.
    for (int attempt = 0; attempt < CopyAttempts && !written; ++attempt) {
        own.record().clear();
        own.record().setInteger(ctrl, company);
        own.watch();
        if (own.fetch(key(own, "CTRL_KEY"))) {
            store::takeSavedError();
            store::standardMessage(owner, 35, shared.def().name);
            break;
        }
        if (own.record().integer(notes) == order) {
            written = true;
            break;
        }
        own.record().setInteger(notes, order);
        const int result = store::changeRecord(own, store::ConflictMessage::Short, owner);
        if (result == store::ChangeResult::Failed)
            break;
        written = result == store::ChangeResult::Done;
    }
    own.close();
    if (written && shared.record().integer(ctrl) == company)
        shared.record().setInteger(notes, order);
    return written;
}

} // namespace tabulo::companies
