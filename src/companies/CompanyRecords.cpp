#include "companies/CompanyRecords.h"

#include "people/PersonRecords.h"
#include "store/Store.h"

#include <vector>

namespace tabulo::companies {

namespace Code = store::Code;
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

// Puts a table's record buffer back when the routine ends.
class KeptBuffer final {
public:
    explicit KeptBuffer(Table &t)
        : m_table(t)
        , m_kept(t.record()) {}
    ~KeptBuffer() { m_table.record() = m_kept; }
    KeptBuffer(const KeptBuffer &) = delete;
    KeptBuffer &operator=(const KeptBuffer &) = delete;

private:
    Table &m_table;
    store::Record m_kept;
};

// The positions of every record of `child` whose CMP_CTRL_KEY starts with
// the company. Collected first, so that writes never disturb the reading.
StoreError ownedPositions(Table &child, qint64 company, std::vector<QString> &positions) {
    store::Cursor cursor(child);
    cursor.setOrder(&key(child, "CMP_CTRL_KEY"));
    cursor.setRange({store::sql::Value(company)});
    if (const StoreError e = cursor.toStart())
        return e;
    for (;;) {
        const StoreError e = cursor.next();
        if (e.code == Code::EndOfFile)
            return {};
        if (e)
            return e;
        positions.push_back(child.position());
    }
}

StoreError deleteOwned(Table &child, qint64 company) {
    const KeptBuffer kept(child);
    std::vector<QString> positions;
    if (const StoreError e = ownedPositions(child, company, positions))
        return e;
    for (const QString &p : positions) {
        if (const StoreError e = child.reget(p))
            return e;
        if (const StoreError e = child.remove())
            return e;
    }
    return {};
}

// Sets `fieldName` of every record the company owns in `child`, in one
// transaction: all of them or none.
StoreError rewriteOwned(Table &child, qint64 company, const char *fieldName, const QVariant &value) {
    const KeptBuffer kept(child);
    std::vector<QString> positions;
    if (const StoreError e = ownedPositions(child, company, positions))
        return e;
    if (positions.empty())
        return {};
    if (const StoreError e = child.begin(2))
        return e;
    const int index = field(child, fieldName);
    for (const QString &p : positions) {
        StoreError e = child.reget(p);
        if (e.ok()) {
            child.record().setValue(index, value);
            e = child.change();
        }
        if (e) {
            child.rollback();
            return e;
        }
    }
    return child.commit();
}
} // namespace

bool hasGroupLink(qint64 company, qint64 group) {
    Table &jcg = table("QKjcg");
    const KeptBuffer kept(jcg);
    jcg.record().clear();
    jcg.record().setInteger(field(jcg, "CMP_CTRL"), company);
    jcg.record().setInteger(field(jcg, "GRP_CTRL"), group);
    return jcg.fetch(key(jcg, "CMP_CTRL_KEY")).ok();
}

StoreError addGroupLink(qint64 company, qint64 group, const QString &name) {
    Table &jcg = table("QKjcg");
    const KeptBuffer kept(jcg);
    StoreError last;
    for (int attempt = 0; attempt < Attempts; ++attempt) {
        qint64 number = 1;
        if (const StoreError e = people::nextControlNumber(QStringLiteral("QKjcg"), number))
            return e;
        store::Record &link = jcg.record();
        link.clear();
        link.setInteger(field(jcg, "CTRL_NBR"), number);
        link.setInteger(field(jcg, "CMP_CTRL"), company);
        link.setInteger(field(jcg, "GRP_CTRL"), group);
        link.setText(field(jcg, "COMPANY"), name);
        last = jcg.insert();
        if (last.ok())
            return {};
    }
    return last;
}

StoreError rewriteGroupLinkNames(qint64 company, const QString &name) {
    return rewriteOwned(table("QKjcg"), company, "COMPANY", name);
}

StoreError deleteGroupLinks(qint64 company) {
    return deleteOwned(table("QKjcg"), company);
}

StoreError releaseAbandonedCompany(qint64 company, QString *stage) {
    const auto failed = [stage](const char *where, StoreError e) {
        if (stage)
            *stage = QString::fromLatin1(where);
        return e;
    };
    for (const char *child : {"QKfon", "QKmem", "QKjcg"}) {
        if (const StoreError e = deleteOwned(table(child), company))
            return failed(child, e);
    }
    if (const StoreError e = rewriteOwned(table("QKnam"), company, "CMP_CTRL", QVariant(qint64(0))))
        return failed("QKnam", e);
    return {};
}

} // namespace tabulo::companies
