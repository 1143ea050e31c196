#include "BenchSupport.h"

#include "store/Messages.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QWidget>

#include <cstdio>
#include <cstdlib>

namespace tabulo::bench {

QString cachedDataDir(const QString &name) {
    return QDir::temp().filePath(QStringLiteral("tabulo-bench-") + name);
}

bool startBuild(const QString &dir, const QString &marker) {
    if (QFile::exists(QDir(dir).filePath(marker)))
        return false;
    QDir(dir).removeRecursively();
    QDir().mkpath(dir);
    return true;
}

void finishBuild(const QString &dir, const QString &marker, const QByteArray &content) {
    QFile done(QDir(dir).filePath(marker));
    if (done.open(QIODevice::WriteOnly))
        done.write(content);
}

void fill(store::Record &record, FieldValues values) {
    record.clear();
    for (const auto &[name, value] : values)
        record.setValue(QString::fromLatin1(name), value);
}

namespace {
// Inserts the table's buffer as it stands.
void insertBuffer(store::Table &table) {
    if (const store::StoreError e = table.insert()) {
        std::fprintf(stderr, "building the data: insert into %s failed: %s\n", qPrintable(table.def().name),
                     qPrintable(store::errorText(e)));
        std::exit(1);
    }
}

// The typed builders set their own fields, then the caller's extra ones.
void insertWith(store::Table &table, FieldValues own, FieldValues more) {
    fill(table.record(), own);
    for (const auto &[name, value] : more)
        table.record().setValue(QString::fromLatin1(name), value);
    insertBuffer(table);
}
} // namespace

void insert(store::Table &table, FieldValues values) {
    fill(table.record(), values);
    insertBuffer(table);
}

void addPerson(store::Table &nam, qint64 number, const QString &last, const QString &first,
               FieldValues more) {
    insertWith(nam, {{"NAM:CTRL_NBR", number}, {"NAM:LNAME", last}, {"NAM:FNAME", first}}, more);
}

void addCompany(store::Table &cmp, qint64 number, const QString &name, FieldValues more) {
    insertWith(cmp, {{"CMP:CTRL_NBR", number}, {"CMP:NAME", name}}, more);
}

void addPhone(store::Table &fon, qint64 number, const char *ownerField, qint64 owner, const QString &location,
              const QString &digits, FieldValues more) {
    insertWith(
        fon,
        {{"FON:CTRL_NBR", number}, {ownerField, owner}, {"FON:LOCATION", location}, {"FON:NUMBER", digits}},
        more);
}

void addNote(store::Table &mem, qint64 number, const char *ownerField, qint64 owner, const QString &text) {
    fill(mem.record(), {{"MEM:CTRL_NBR", number}, {ownerField, owner}});
    mem.record().setMemo(text);
    insertBuffer(mem);
}

void addNameLink(store::Table &jnc, qint64 number, qint64 person, qint64 category, const QString &last,
                 const QString &first) {
    insert(jnc, {{"JNC:CTRL_NBR", number},
                 {"JNC:NAM_CTRL", person},
                 {"JNC:CAT_CTRL", category},
                 {"JNC:LNAME", last},
                 {"JNC:FNAME", first}});
}

void addGroupLink(store::Table &jcg, qint64 number, qint64 company, qint64 group, const QString &name) {
    insert(jcg, {{"JCG:CTRL_NBR", number},
                 {"JCG:CMP_CTRL", company},
                 {"JCG:GRP_CTRL", group},
                 {"JCG:COMPANY", name}});
}

void settle() {
    for (int i = 0; i < 3; ++i)
        QCoreApplication::processEvents();
}

void closeWindow(QWidget *window) {
    window->close();
    settle();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

CountingMessages::CountingMessages()
    : m_before(store::MessageService::setCurrent(this)) {}

CountingMessages::~CountingMessages() {
    store::MessageService::setCurrent(m_before);
}

int CountingMessages::show(const store::MessageBox &box) {
    ++m_shown;
    m_lastText = box.text;
    return box.defaultButton;
}

void CountingMessages::halt(const QString &text) {
    std::fprintf(stderr, "halted: %s\n", qPrintable(text));
    std::abort();
}

long peakResidentKb() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toLong();
    return -1;
}

} // namespace tabulo::bench
