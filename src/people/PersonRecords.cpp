#include "people/PersonRecords.h"

#include "engine/LinkRecords.h"
#include "people/Membership.h"
#include "store/ChangeRules.h"
#include "store/OwnedRecords.h"
#include "store/Store.h"
#include "store/UnitOfWork.h"

#include <vector>

namespace tabulo::people {

namespace Code = store::Code;
using store::KeptBuffer;
using store::StoreError;
using store::Table;
using store::table;

namespace {
const store::KeyDef &key(Table &t, const char *name) {
    return *t.def().key(QString::fromLatin1(name));
}

int field(Table &t, const char *name) {
    return t.def().fieldIndex(QString::fromLatin1(name));
}

// The person's category links, by person and category.
const engine::LinkTable kNameLinks{"QKjnc", "NAM_CTRL_KEY", "NAM_CTRL", "CAT_CTRL"};

std::function<void(store::Record &)> nameCopies(const QString &lastName, const QString &firstName) {
    return [lastName, firstName](store::Record &link) {
        link.setText(link.indexOf(QStringLiteral("LNAME")), lastName);
        link.setText(link.indexOf(QStringLiteral("FNAME")), firstName);
    };
}
} // namespace

bool hasLink(qint64 person, qint64 category) {
    return engine::hasLink(kNameLinks, person, category);
}

StoreError addLink(qint64 person, qint64 category, const QString &lastName, const QString &firstName) {
    return engine::addLink(kNameLinks, person, category, nameCopies(lastName, firstName));
}

StoreError rewriteLinkNames(qint64 person, const QString &lastName, const QString &firstName) {
    return engine::rewriteLinkCopies(kNameLinks, person, nameCopies(lastName, firstName));
}

StoreError deletePersonWhole(qint64 person, QString *stage) {
    Table &nam = table("QKnam");
    const auto failed = [stage](const char *where, StoreError e) {
        if (stage)
            *stage = QString::fromLatin1(where);
        return e;
    };
    // The person and all that is theirs go together, or nothing goes.
    std::vector<Table *> tables{&nam};
    for (const char *child : {"QKfon", "QKmem", "QKjnc"})
        tables.push_back(&table(child));
    store::UnitOfWork unit(tables);
    if (const StoreError e = unit.begin(store::kTransactionTimeoutSeconds))
        return failed(store::failedTable(tables, e).toLatin1().constData(), e);
    {
        const KeptBuffer kept(nam);
        nam.record().clear();
        nam.record().setInteger(field(nam, "CTRL_NBR"), person);
        if (const StoreError e = nam.fetch(key(nam, "CTRL_KEY")))
            return failed("QKnam", e);
        if (const StoreError e = nam.remove())
            return failed("QKnam", e);
    }
    for (const char *child : {"QKfon", "QKmem", "QKjnc"}) {
        Table &t = table(child);
        const KeptBuffer kept(t);
        if (const StoreError e = store::deleteOwned(t, key(t, "NAM_CTRL_KEY"), person))
            return failed(child, e);
    }
    if (const StoreError e = unit.commit())
        return failed("QKnam", e);
    return {};
}

StoreError ensureJustNumbersCategory() {
    Table &cat = table("QKcat");
    const KeptBuffer kept(cat);
    cat.record().clear();
    cat.record().setText(field(cat, "CATEGORY"), JustNumbers);
    const StoreError found = cat.fetch(key(cat, "CAT_KEY"));
    if (found.ok())
        return {};
    if (found.code != Code::NotFound)
        return found;
    // Numbered after the last category in storage order.
    qint64 number = 1;
    if (const StoreError e = cat.setStart(nullptr))
        return e;
    const StoreError e = cat.previous();
    if (e.ok())
        number = cat.record().integer(field(cat, "CTRL_NBR")) + 1;
    else if (e.code != Code::EndOfFile)
        return e;
    cat.record().clear();
    cat.record().setInteger(field(cat, "CTRL_NBR"), number);
    cat.record().setText(field(cat, "CATEGORY"), JustNumbers);
    return cat.insert();
}

} // namespace tabulo::people
