#pragma once

#include "store/MessageService.h"
#include "store/StoreError.h"

#include <QList>
#include <QString>
#include <optional>

class QObject;

namespace tabulo::store {

// What happens once the user has closed a standard message box.
enum class AfterBox {
    ReturnButton,  // the routine returns the button pressed
    EndProgram,    // the program ends with the halt text, whatever was pressed
    EndProgramOnNo // the program ends on No; any other button is returned
};

// One numbered standard message. Its text is a template: "{first}",
// "{first-lower}" (the first text in small letters), "{second}" and "{error}"
// mark where the inserted texts and the error text go.
struct MessageDefinition {
    int number = 0;
    QString title;
    MessageIcon icon = MessageIcon::Warning;
    int buttons = Button::Ok;
    int defaultButton = Button::Ok;
    QString text;
    // When set, used instead of `text` if the reported failure's code is 0
    // or 89: a record changed by another station is not an error to explain.
    QString conflictText;
    AfterBox after = AfterBox::ReturnButton;
    QString haltText; // empty unless the message can end the program
};

// The definition of message `number`, or null for a number the system does
// not use.
const MessageDefinition *messageDefinition(int number);
// Every number the system uses, ascending.
QList<int> messageNumbers();

// --- The saved error -------------------------------------------------------
//
// A caller takes the saved error right after a failing store operation and
// before showing its message, so the message reports that failure even when
// other store calls happen in between. Process-wide.

// Records the store's current error (lastError()) as the saved error and rolls
// back any open transaction through the registered roll-back hook.
void takeSavedError();
// The saved error, if one is waiting to be reported; does not clear it.
std::optional<StoreError> savedError();
// Forgets the saved error without reporting it.
void clearSavedError();
// The error a message reports: the saved error if present (which clears it),
// otherwise the store's current error.
StoreError takeErrorForMessage();

// The error text of a message: the store's text, a blank and the code in
// parentheses; for an operating-system failure (code 90) the system's own
// text and code instead. At most 150 characters.
QString errorText(const StoreError &error);

// --- The routine -------------------------------------------------------------

// Builds message `number` with the inserted texts (trailing blanks removed)
// and, where the message needs one, the error text, without showing it. When
// the text needs the error, this consumes the saved error.
MessageBox buildStandardMessage(int number, const QString &first = {}, const QString &second = {});

// Shows message `number` modally through MessageService::current() and returns
// the button pressed. Messages that end the program call the service's halt
// with their halt text after the box is closed, and so never return.
int standardMessage(int number, const QString &first = {}, const QString &second = {});
// The same, with the box owned by (and blocking only) the window `owner`.
int standardMessage(QObject *owner, int number, const QString &first = {}, const QString &second = {});

// The stop dialog: shows `text` with the choice to end the program (Abort),
// which ends it at once, or to go on (Ignore), which returns. For failures
// outside the numbered messages after which the program may still run.
void stopDialog(const QString &text, QObject *owner = nullptr);

// Ends the program at once with `haltText` (for callers that end the program
// after a message that itself returns, such as "Disk Error" after message 30).
[[noreturn]] void haltProgram(const QString &haltText);

} // namespace tabulo::store
