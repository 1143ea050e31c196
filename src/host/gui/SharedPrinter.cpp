#include "host/gui/SharedPrinter.h"

#include <QPrinter>

namespace tabulo::host::gui {

QPrinter &sharedPrinter() {
    static QPrinter printer(QPrinter::HighResolution);
    return printer;
}

} // namespace tabulo::host::gui
