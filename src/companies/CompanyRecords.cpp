#include "companies/CompanyRecords.h"

#include "engine/LinkRecords.h"
#include "engine/RecordRoutines.h"
#include "store/ChangeRules.h"
#include "store/OwnedRecords.h"
#include "store/Store.h"
#include "store/UnitOfWork.h"

#include <QFileInfo>
#include <vector>

namespace tabulo::companies {

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

} // namespace

qint64 companyNamed(const QString &name) {
    Table &jcg = table("QKjcg");
    if (name.trimmed().isEmpty() || (!jcg.isOpen() && !QFileInfo::exists(jcg.filePath())))
        return 0;
    const store::TableUse use({QStringLiteral("QKjcg")});
    const KeptBuffer kept(jcg);
    jcg.record().clear();
    jcg.record().setInteger(field(jcg, "GRP_CTRL"), 0);
    jcg.record().setValue(QStringLiteral("JCG:COMPANY"), name.trimmed());
    if (!jcg.fetch(key(jcg, "GRP_CTRL_KEY")).ok())
        return 0;
    return jcg.record().integer(field(jcg, "CMP_CTRL"));
}

namespace {
// The company's category links, by company and category.
const engine::LinkTable kCompanyLinks{"QKjcg", "CMP_CTRL_KEY", "CMP_CTRL", "GRP_CTRL"};

std::function<void(store::Record &)> nameCopy(const QString &name) {
    return [name](store::Record &link) { link.setText(link.indexOf(QStringLiteral("COMPANY")), name); };
}
} // namespace

bool hasGroupLink(qint64 company, qint64 group) {
    return engine::hasLink(kCompanyLinks, company, group);
}

StoreError addGroupLink(qint64 company, qint64 group, const QString &name) {
    return engine::addLink(kCompanyLinks, company, group, nameCopy(name));
}

StoreError rewriteGroupLinkNames(qint64 company, const QString &name) {
    return engine::rewriteLinkCopies(kCompanyLinks, company, nameCopy(name));
}

StoreError deleteGroupLinks(qint64 company) {
    return engine::deleteLinks(kCompanyLinks, company);
}

StoreError releaseAbandonedCompany(qint64 company, QString *stage) {
    const auto failed = [stage](const char *where, StoreError e) {
        if (stage)
            *stage = QString::fromLatin1(where);
        return e;
    };
    // All of it goes, or nothing does (inside a caller's unit, with the rest
    // of the caller's change).
    std::vector<Table *> tables;
    for (const char *name : {"QKfon", "QKmem", "QKjcg", "QKnam"})
        tables.push_back(&table(name));
    store::UnitOfWork unit(tables);
    if (const StoreError e = unit.begin(store::kTransactionTimeoutSeconds))
        return failed(store::failedTable(tables, e).toLatin1().constData(), e);
    for (const char *child : {"QKfon", "QKmem", "QKjcg"}) {
        Table &t = table(child);
        if (const StoreError e = store::deleteOwned(t, key(t, "CMP_CTRL_KEY"), company))
            return failed(child, e);
    }
    Table &nam = table("QKnam");
    if (const StoreError e =
            store::changeOwned(nam, key(nam, "CMP_CTRL_KEY"), company,
                               [](store::Record &person) { person.setValue(QStringLiteral("CMP_CTRL"), 0); }))
        return failed("QKnam", e);
    if (const StoreError e = unit.commit())
        return failed("QKfon", e);
    return {};
}

} // namespace tabulo::companies
