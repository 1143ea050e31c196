// Column formats of the lists.
#include "engine/ColumnFormat.h"

using namespace tabulo::engine;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    const Parsed<ColumnFormat> f = ColumnFormat::parse(text);
    if (f.ok()) {
        for (int i = 0; i < f.value().count(); ++i)
            (void)f.value().column(i);
    }
    return 0;
}
