#include "people/PersonRecords.h"

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

namespace {
constexpr int Attempts = 3;

Table &table(const char *name) {
    return store::Store::instance().table(QString::fromLatin1(name));
}

const store::KeyDef &key(Table &t, const char *name) {
    return *t.def().key(QString::fromLatin1(name));
}

int field(Table &t, const char *name) {
    return t.def().fieldIndex(QString::fromLatin1(name));
}

} // namespace

bool hasLink(qint64 person, qint64 category) {
    Table &jnc = table("QKjnc");
    const KeptBuffer kept(jnc);
    jnc.record().clear();
    jnc.record().setInteger(field(jnc, "NAM_CTRL"), person);
    jnc.record().setInteger(field(jnc, "CAT_CTRL"), category);
    return jnc.fetch(key(jnc, "NAM_CTRL_KEY")).ok();
}

StoreError addLink(qint64 person, qint64 category, const QString &lastName, const QString &firstName) {
    Table &jnc = table("QKjnc");
    const KeptBuffer kept(jnc);
    StoreError last;
    for (int attempt = 0; attempt < Attempts; ++attempt) {
        qint64 number = 1;
        if (const StoreError e = nextControlNumber(QStringLiteral("QKjnc"), number))
            return e;
        store::Record &link = jnc.record();
        link.clear();
        link.setInteger(field(jnc, "CTRL_NBR"), number);
        link.setInteger(field(jnc, "NAM_CTRL"), person);
        link.setInteger(field(jnc, "CAT_CTRL"), category);
        link.setText(field(jnc, "LNAME"), lastName);
        link.setText(field(jnc, "FNAME"), firstName);
        last = jnc.insert();
        if (last.ok())
            return {};
    }
    return last;
}

StoreError rewriteLinkNames(qint64 person, const QString &lastName, const QString &firstName) {
    Table &jnc = table("QKjnc");
    // All of a person's links or none: one transaction, one write to disk.
    return store::changeOwned(jnc, key(jnc, "NAM_CTRL_KEY"), person, [&](store::Record &link) {
        link.setText(link.indexOf(QStringLiteral("LNAME")), lastName);
        link.setText(link.indexOf(QStringLiteral("FNAME")), firstName);
    });
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
