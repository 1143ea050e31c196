#pragma once

#include "store/MessageService.h"

namespace tabulo::store {

// The program's message service: real QMessageBox dialogs. A box with an
// owner window is window-modal over it, so only that window waits for the
// answer; a box without one is application-modal. Boxes asked for from a
// worker thread are shown on the GUI thread while the asking thread waits, so
// the GUI thread must never be blocked waiting for such a worker.
class QtMessageService final : public MessageService {
public:
    int show(const MessageBox &box) override;
    // Shows the halt text in a critical box titled "Halt", then ends the
    // process at once with exit code 1: no window or table is closed in order.
    [[noreturn]] void halt(const QString &haltText) override;

    // Installs one process-wide instance as MessageService::current().
    static void install();
};

} // namespace tabulo::store
