#pragma once

#include "engine/gui/RecordFormWindow.h"
#include <QString>

#include <functional>
#include <vector>

class QWidget;

namespace tabulo::engine::gui {
class RecordFormWindow;
} // namespace tabulo::engine::gui

namespace tabulo::host::gui {

// The phone and note tables are shared by people and companies: both the
// names list and the company windows run these forms.

// The forms that edit a person's phone numbers and notes. Each runs for
// GlobalRequest over `caller`, works on the record buffer the caller left
// (QKfon or QKmem) and runs `done` when it has ended, with GlobalResponse
// holding its answer. They return the window, or null when the form ended
// without showing (a delete, failed numbering).

// "Update Phone Record": a new phone belongs to the person in the QKnam
// buffer; leaving the number completes a local number with the area code of
// the setup record and keeps the area field in step with the number.
engine::gui::RecordFormWindow *runNamePhoneForm(QWidget *caller, std::function<void()> done);

// "Name Notes Database Update Form": a new note belongs to the person in the
// QKnam buffer and is dated today; a changed note gets today as its update
// date unless the user has just typed one.
engine::gui::RecordFormWindow *runNameNoteForm(QWidget *caller, std::function<void()> done);

// The plain phone and note forms of the name and company record forms: the
// caller primes the link field, the user types everything else.
engine::gui::RecordFormWindow *runSharedPhoneForm(QWidget *caller, std::function<void()> done);
engine::gui::RecordFormWindow *runSharedNoteForm(QWidget *caller, std::function<void()> done);

// What leaving the number field of the name phone form makes of the number
// and area code. While adding, a number of 7 digits gets the local area code
// in front and any count but 7 or 10 is refused; in every case the area code
// follows the first three digits of the number.
struct PhoneNumberCheck {
    bool refused = false;
    QString number; // digits as stored
    QString area;
};
PhoneNumberCheck checkPhoneNumber(const QString &number, const QString &area, bool adding,
                                  const QString &localAreaCode);

// The message that refuses a number with the wrong count of digits.
inline const QString kPhoneEntryErrorTitle = QStringLiteral("Phone Entry Error");
inline const QString kPhoneEntryErrorText = QStringLiteral(
    "Phone number is incorrect.  You \n\rmust enter at least 7 numbers \n\rincluding trailing zeros.");

// The number entry of a phone form, with what comes with it: leaving it
// completes a 7-digit number with the setup record's area code while adding,
// refuses any other count than 7 or 10 with the "Phone Entry Error" box and
// keeps FON:AREA in step; while adding the entry looks required. `field`
// goes among the form's fields at `index`; `prepare` is the form's
// beforeShow. With `caretOn`, a refused number gets the caret one place on.
struct PhoneNumberField {
    engine::gui::FormField field;
    std::function<void(engine::gui::RecordFormWindow *)> prepare;
};
PhoneNumberField phoneNumberField(int index, bool caretOn = false);

// The fields of the phone form of a person or a company: where the phone is
// (a person's location, a company's department), the additional name, the
// number (`number`, third), the area code and the extension.
std::vector<engine::gui::FormField> ownerPhoneFields(const char *wherePrompt, const char *whereName,
                                                     const char *namePrompt, engine::gui::FormField number);

} // namespace tabulo::host::gui
