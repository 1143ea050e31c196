#include "host/gui/FeatureWindows.h"

#include "host/gui/WindowOpeners.h"

namespace tabulo::host::gui {

void tellNotAvailable(const QString &window) {
    showFrameStatus(window + QStringLiteral(" is not available yet"));
}

FeatureWindows &FeatureWindows::process() {
    static FeatureWindows windows;
    return windows;
}

} // namespace tabulo::host::gui
