#include "store/Store.h"

#include "store/Messages.h"

#include <QDir>
#include <stdexcept>

namespace tabulo::store {

Store &Store::instance()
{
    static Store store(QDir::currentPath());
    return store;
}

Store::Store(QString directory)
    : m_directory(std::move(directory))
{
}

Store::~Store()
{
    closeAll();
}

void Store::setDirectory(const QString &directory)
{
    std::lock_guard lock(m_mutex);
    closeAll();
    m_tables.clear();
    m_useCounts.clear();
    m_directory = directory;
}

Table &Store::table(const QString &name)
{
    std::lock_guard lock(m_mutex);
    const TableDef *def = Dictionary::instance().table(name);
    if (!def)
        throw std::invalid_argument("no table " + name.toStdString());
    auto &slot = m_tables[def->index];
    if (!slot)
        slot = std::make_unique<Table>(*def, m_directory);
    return *slot;
}

Table &Store::use(const QString &name)
{
    std::lock_guard lock(m_mutex);
    Table &t = table(name);
    int &count = m_useCounts[t.def().index];
    if (count == 0)
        guardedOpen(t);
    ++count;
    return t;
}

void Store::release(const QString &name)
{
    std::lock_guard lock(m_mutex);
    Table &t = table(name);
    int &count = m_useCounts[t.def().index];
    if (count <= 0)
        return; // every use is matched by one release; never below zero
    if (--count == 0)
        t.close();
}

int Store::useCount(const QString &name) const
{
    std::lock_guard lock(m_mutex);
    const TableDef *def = Dictionary::instance().table(name);
    if (!def)
        return 0;
    auto it = m_useCounts.find(def->index);
    return it == m_useCounts.end() ? 0 : it->second;
}

void Store::guardedOpen(Table &table)
{
    StoreError result = table.open();
    if (result.code == Code::Locked) {
        table.send(QStringLiteral("Recover=10"));
        result = table.open();
    }
    const QString file = table.fileName();
    switch (result.code) {
    case Code::Ok:
    case Code::AlreadyOpen:
        return;
    case Code::NoFile:
        if (table.create()) {
            standardMessage(4, file);
            haltProgram(QStringLiteral("File Creation Error!"));
        }
        if (table.open()) {
            standardMessage(5, file);
            haltProgram(QStringLiteral("File Creation Error!"));
        }
        return;
    case Code::BadLayout:
        standardMessage(1, file);
        haltProgram(QStringLiteral("Invalid File!"));
    case Code::InvalidKeys:
        // Message 2 ends the program itself on No.
        standardMessage(2, file);
        if (repairAndReport(table)) {
            standardMessage(3, file);
            haltProgram(QStringLiteral("Error Rebuilding Key!"));
        }
        result = table.open();
        break;
    default:
        break;
    }
    if (result.code == Code::Ok)
        return;
    standardMessage(30, file);
    haltProgram(QStringLiteral("Disk Error"));
}

Table *Store::tableByFile(const QString &fileName)
{
    std::lock_guard lock(m_mutex);
    for (auto &[index, t] : m_tables) {
        if (t && t->fileName().compare(fileName, Qt::CaseInsensitive) == 0)
            return t.get();
    }
    return nullptr;
}

void Store::closeAll()
{
    std::lock_guard lock(m_mutex);
    for (auto &[index, t] : m_tables) {
        if (t)
            t->close();
    }
    for (auto &[index, count] : m_useCounts)
        count = 0;
}

TableUse::TableUse(Store &store, QStringList names)
    : m_store(&store)
{
    // Count only what was actually used, so a halt half-way releases right.
    for (const QString &name : names) {
        m_store->use(name);
        m_names << name;
    }
}

TableUse::~TableUse()
{
    for (const QString &name : m_names)
        m_store->release(name);
}

QString repairSummary(const Table &table, const Table::RepairOutcome &outcome)
{
    QStringList parts;
    if (outcome.recordsDamaged) {
        parts << QStringLiteral("%1 had damaged records: %2 record(s) were saved and %3 could not be read. "
                                "The damaged file was kept as %4.")
                     .arg(table.fileName())
                     .arg(outcome.saved)
                     .arg(outcome.unreadable)
                     .arg(QDir::toNativeSeparators(outcome.damagedCopy));
    }
    if (outcome.setAside > 0) {
        parts << QStringLiteral("%1 record(s) of %2 that duplicated a unique key were set aside in %3.")
                     .arg(outcome.setAside)
                     .arg(table.fileName())
                     .arg(QDir::toNativeSeparators(outcome.sideFile));
    }
    return parts.join(QLatin1Char(' '));
}

StoreError repairAndReport(Table &table, QObject *owner)
{
    Table::RepairOutcome outcome;
    const StoreError e = table.repair(outcome);
    if (e)
        return e;
    const QString summary = repairSummary(table, outcome);
    if (!summary.isEmpty()) {
        MessageBox box;
        box.title = QStringLiteral("Table Repaired");
        box.text = summary;
        box.owner = owner;
        MessageService::current().show(box);
    }
    return e;
}

void offerRepair(Table &table, QObject *owner)
{
    const QString file = table.fileName();
    const bool wasOpen = table.isOpen();
    standardMessage(owner, 2, file); // No ends the program
    if (repairAndReport(table, owner)) {
        standardMessage(owner, 3, file);
        haltProgram(QStringLiteral("Error Rebuilding Key!"));
    }
    if (wasOpen && table.open()) {
        standardMessage(owner, 30, file);
        haltProgram(QStringLiteral("Disk Error"));
    }
}

bool offerRepairFor(const StoreError &error, QObject *owner)
{
    if (error.code != Code::InvalidKeys)
        return false;
    Table *table = Store::instance().tableByFile(error.file);
    if (!table)
        return false;
    clearSavedError(); // the messages that follow report the repair's own errors
    offerRepair(*table, owner);
    return true;
}

QStringList tablesUsedBy(const QString &window)
{
    static const std::map<QString, QStringList> uses{
        {QStringLiteral("Main"), {QStringLiteral("QKset")}},
        {QStringLiteral("setup"), {QStringLiteral("QKset")}},
        {QStringLiteral("names"),
         {QStringLiteral("TagFile_"), QStringLiteral("QKcat"), QStringLiteral("QKcmp"), QStringLiteral("QKfon"),
          QStringLiteral("QKjnc"), QStringLiteral("QKmem"), QStringLiteral("QKnam"), QStringLiteral("QKset"),
          QStringLiteral("QKzip")}},
        {QStringLiteral("nameform"),
         {QStringLiteral("QKfon"), QStringLiteral("QKjnc"), QStringLiteral("QKmem"), QStringLiteral("QKnam")}},
        {QStringLiteral("catls"), {QStringLiteral("QKcat"), QStringLiteral("QKjnc"), QStringLiteral("QKnam")}},
        {QStringLiteral("catform"), {QStringLiteral("QKcat")}},
        {QStringLiteral("jncform"), {QStringLiteral("QKjnc")}},
        {QStringLiteral("tags"), {QStringLiteral("TagFile_")}},
        {QStringLiteral("namephoneform"), {QStringLiteral("QKfon"), QStringLiteral("QKset")}},
        {QStringLiteral("namephoneform2"), {QStringLiteral("QKfon")}},
        {QStringLiteral("noteform"), {QStringLiteral("QKmem")}},
        {QStringLiteral("companies"),
         {QStringLiteral("QKcmp"), QStringLiteral("QKfon"), QStringLiteral("QKgrp"), QStringLiteral("QKjcg"),
          QStringLiteral("QKmem"), QStringLiteral("QKnam"), QStringLiteral("QKzip")}},
        {QStringLiteral("companyform"),
         {QStringLiteral("QKcmp"), QStringLiteral("QKfon"), QStringLiteral("QKjcg"), QStringLiteral("QKmem"),
          QStringLiteral("QKnam")}},
        {QStringLiteral("grpls"), {QStringLiteral("QKcmp"), QStringLiteral("QKgrp"), QStringLiteral("QKjcg")}},
        {QStringLiteral("grpform"), {QStringLiteral("QKgrp")}},
        {QStringLiteral("jcgform"), {QStringLiteral("QKjcg")}},
        {QStringLiteral("companyphones"), {QStringLiteral("QKcmp"), QStringLiteral("QKfon"), QStringLiteral("QKnam")}},
        {QStringLiteral("companyphoneform"), {QStringLiteral("QKfon"), QStringLiteral("QKset")}},
        {QStringLiteral("companypicker"), {QStringLiteral("QKcmp")}},
        {QStringLiteral("dates"), {QStringLiteral("QKdat"), QStringLiteral("QKnam")}},
        {QStringLiteral("dateform"), {QStringLiteral("QKdat"), QStringLiteral("QKset")}},
        {QStringLiteral("pending"), {QStringLiteral("QKdat"), QStringLiteral("QKset")}},
        {QStringLiteral("justphones"), {QStringLiteral("QKcmp"), QStringLiteral("QKfon"), QStringLiteral("QKnam")}},
        {QStringLiteral("justphoneform"), {QStringLiteral("QKfon")}},
        {QStringLiteral("calls"), {QStringLiteral("QKinc")}},
        {QStringLiteral("zipls"), {QStringLiteral("QKzip")}},
        {QStringLiteral("zipform"), {QStringLiteral("QKset"), QStringLiteral("QKzip")}},
        {QStringLiteral("namelabels"), {QStringLiteral("QKjnc"), QStringLiteral("QKnam")}},
        {QStringLiteral("companylabels"), {QStringLiteral("QKcmp"), QStringLiteral("QKjcg")}},
        {QStringLiteral("companyphonelist"),
         {QStringLiteral("QKcmp"), QStringLiteral("QKfon"), QStringLiteral("QKgrp"), QStringLiteral("QKjcg")}},
        {QStringLiteral("namephonelist"),
         {QStringLiteral("QKcat"), QStringLiteral("QKfon"), QStringLiteral("QKjnc"), QStringLiteral("QKnam")}},
        {QStringLiteral("cascade"), {QStringLiteral("QKfon"), QStringLiteral("QKmem")}},
    };
    auto it = uses.find(window);
    return it == uses.end() ? QStringList() : it->second;
}

} // namespace tabulo::store
