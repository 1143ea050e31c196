#pragma once

#include <QString>

class QObject;

namespace tabulo::store {

// Values of the buttons a standard message box offers; a box's button set is
// the bitwise or of them, and a shown box returns the value of the one pressed.
namespace Button {
inline constexpr int Ok = 1;
inline constexpr int Yes = 2;
inline constexpr int No = 4;
inline constexpr int Abort = 8; // the stop dialog's: end the program
inline constexpr int Retry = 16;
inline constexpr int Ignore = 32; // the stop dialog's: go on
inline constexpr int Cancel = 64;
} // namespace Button

enum class MessageIcon { Warning, Question, Information };

// One modal message box, fully built: everything a service needs to show it.
struct MessageBox {
    int number = 0; // the standard message's number, 0 for none
    QString title;
    QString text;
    MessageIcon icon = MessageIcon::Warning;
    int buttons = Button::Ok;
    int defaultButton = Button::Ok;
    // The window the box belongs to, or null: with a window the box blocks
    // only that window, without one the whole application.
    QObject *owner = nullptr;
};

// Shows message boxes and ends the program on the store's behalf. The core
// never touches widgets itself: the program installs a service that shows real
// boxes, tests install one that answers from a script.
class MessageService {
public:
    virtual ~MessageService() = default;

    // Shows the box modally and returns the value of the button pressed.
    virtual int show(const MessageBox &box) = 0;

    // Shows the halt text and ends the program at once, without closing
    // windows or tables in order. Never returns to the caller. An empty
    // text shows nothing: the user was told already (the stop dialog).
    [[noreturn]] virtual void halt(const QString &haltText) = 0;

    // The process-wide service. Until one is installed, boxes go to the
    // standard error stream and are answered with their default button.
    static MessageService &current();
    // Installs a service for the whole process; nullptr restores the default.
    // The service must outlive its installation. Returns the service installed
    // before (null for the default), so a caller can put it back.
    static MessageService *setCurrent(MessageService *service);
};

} // namespace tabulo::store
