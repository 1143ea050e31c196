#pragma once

class QPrinter;

namespace tabulo::host::gui {

// The printer chosen through "Print Setup...", shared by every report so the
// user's choice of printer, paper and orientation holds for the session.
// Created on first use; GUI thread only.
QPrinter &sharedPrinter();

} // namespace tabulo::host::gui
