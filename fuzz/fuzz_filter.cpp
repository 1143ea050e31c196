// The filter expression compiler: any text compiles or is refused; a
// compiled filter also judges a record and its SQL is valid for SQLite.
#include "store/Filter.h"
#include "store/Record.h"

#include <sqlite3.h>

using namespace tabulo::store;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    const TableDef *nam = Dictionary::instance().table(QStringLiteral("QKnam"));
    static Record row(*nam);
    Filter::Scope scope;
    scope.table = nam;
    scope.recordOf = [](const TableDef &def) -> const Record * { return def.name == row.def().name ? &row : nullptr; };
    QString error;
    const Filter f = Filter::compile(text, scope, &error);
    if (!f.isEmpty())
        (void)f.accepts(row);
    return 0;
}
