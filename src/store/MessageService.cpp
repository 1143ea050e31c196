#include "store/MessageService.h"

#include <QDebug>
#include <atomic>
#include <cstdio>
#include <cstdlib>

namespace tabulo::store {

namespace {
// Used when no window layer is present (command-line tools, early start-up):
// nothing can ask the user, so the box is logged and its default taken.
class ConsoleMessageService final : public MessageService {
public:
    int show(const MessageBox &box) override {
        qWarning().noquote() << box.title + QStringLiteral(": ") + box.text;
        return box.defaultButton;
    }

    [[noreturn]] void halt(const QString &haltText) override {
        std::fputs(qPrintable(haltText + QLatin1Char('\n')), stderr);
        std::fflush(stderr);
        std::_Exit(1);
    }
};

ConsoleMessageService s_console;
std::atomic<MessageService *> s_current{nullptr};
} // namespace

MessageService &MessageService::current() {
    MessageService *service = s_current.load();
    return service ? *service : s_console;
}

MessageService *MessageService::setCurrent(MessageService *service) {
    return s_current.exchange(service);
}

} // namespace tabulo::store
