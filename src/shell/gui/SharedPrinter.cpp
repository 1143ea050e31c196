#include "shell/gui/SharedPrinter.h"

#include <QPrinter>

namespace tabulo::shell::gui {

QPrinter &sharedPrinter() {
    static QPrinter printer(QPrinter::HighResolution);
    return printer;
}

} // namespace tabulo::shell::gui
