// Pictures: reading the picture itself, then showing and reading values.
#include "engine/Picture.h"

using namespace tabulo::engine;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const QString all = QString::fromUtf8(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    const qsizetype split = all.indexOf(QLatin1Char('\n'));
    const QString picture = split < 0 ? all : all.left(split);
    const QString input = split < 0 ? QString() : all.mid(split + 1);
    const Parsed<Picture> p = Picture::fromText(picture);
    if (!p.ok())
        return 0;
    const Parsed<QVariant> v = p.value().parse(input, 80000);
    if (v.ok())
        (void)p.value().format(v.value());
    (void)p.value().format(QVariant(input));
    (void)p.value().format(QVariant(static_cast<qint64>(input.size()) * 7919 - 40000));
    return 0;
}
