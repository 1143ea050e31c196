// Opening a table file of any content: it opens, or is refused with a code;
// an opened table is read to its end and checked.
#include "store/Table.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

using namespace tabulo::store;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    static QTemporaryDir dir;
    const TableDef *def = Dictionary::instance().table(QStringLiteral("QKzip"));
    const QString path = QDir(dir.path()).filePath(Table::fileNameFor(*def));
    QFile::remove(path + QStringLiteral("-journal"));
    {
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return 0;
        f.write(reinterpret_cast<const char *>(data), static_cast<qint64>(size));
    }
    Table::setDefaultWaitMs(0);
    Table t(*def, dir.path());
    if (t.open().ok()) {
        for (const KeyDef &k : def->keys) {
            StoreError e = t.setStart(&k);
            for (int n = 0; !e && n < 1000; ++n)
                e = t.next();
        }
        t.close();
        QStringList problems;
        (void)t.check(problems);
    }
    return 0;
}
