#include "engine/LinkRecords.h"

#include "engine/RecordRoutines.h"
#include "store/OwnedRecords.h"
#include "store/Store.h"

namespace tabulo::engine {

using store::KeptBuffer;
using store::StoreError;
using store::Table;

namespace {
constexpr int Attempts = 3;

Table &table(const LinkTable &links) {
    return store::Store::instance().table(QString::fromLatin1(links.table));
}

const store::KeyDef &ownerKey(Table &t, const LinkTable &links) {
    return *t.def().key(QString::fromLatin1(links.ownerKey));
}

int field(Table &t, const char *name) {
    return t.def().fieldIndex(QString::fromLatin1(name));
}
} // namespace

bool hasLink(const LinkTable &links, qint64 owner, qint64 category) {
    Table &t = table(links);
    const KeptBuffer kept(t);
    t.record().clear();
    t.record().setInteger(field(t, links.ownerField), owner);
    t.record().setInteger(field(t, links.categoryField), category);
    return t.fetch(ownerKey(t, links)).ok();
}

StoreError addLink(const LinkTable &links, qint64 owner, qint64 category,
                   const std::function<void(store::Record &link)> &names) {
    Table &t = table(links);
    const KeptBuffer kept(t);
    StoreError last;
    for (int attempt = 0; attempt < Attempts; ++attempt) {
        qint64 number = 1;
        if (const StoreError e = nextControlNumber(t.def().name, number))
            return e;
        store::Record &link = t.record();
        link.clear();
        link.setInteger(field(t, "CTRL_NBR"), number);
        link.setInteger(field(t, links.ownerField), owner);
        link.setInteger(field(t, links.categoryField), category);
        names(link);
        last = t.insert();
        if (last.ok())
            return {};
    }
    return last;
}

StoreError rewriteLinkCopies(const LinkTable &links, qint64 owner,
                             const std::function<void(store::Record &link)> &names) {
    Table &t = table(links);
    const KeptBuffer kept(t);
    // All of the owner's links or none: one transaction, one write to disk.
    return store::changeOwned(t, ownerKey(t, links), owner, names);
}

StoreError deleteLinks(const LinkTable &links, qint64 owner) {
    Table &t = table(links);
    const KeptBuffer kept(t);
    return store::deleteOwned(t, ownerKey(t, links), owner);
}

} // namespace tabulo::engine
