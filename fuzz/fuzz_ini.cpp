// QK.INI as the program reads it: placements of any section.
#include "engine/PlacementSettings.h"

#include <QFile>
#include <QTemporaryDir>

using namespace tabulo::engine;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    static QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("QK.INI"));
    {
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return 0;
        f.write(reinterpret_cast<const char *>(data), static_cast<qint64>(size));
    }
    const PlacementSettings settings(path);
    for (const char *section : {"Main", "setup", "names", "catls"}) {
        const Placement p = settings.read(QString::fromLatin1(section));
        (void)clampPlacement(QRect(p.x, p.y, p.width, p.height), QSize(300, 200), {QRect(0, 0, 1920, 1080)}, 30);
    }
    return 0;
}
