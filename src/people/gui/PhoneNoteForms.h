#pragma once

#include "host/gui/PhoneNoteForms.h"

namespace tabulo::people::gui {

// The names list's phone and note forms live with the company windows'
// in the host, since both features edit the same phone and note tables.
using host::gui::checkPhoneNumber;
using host::gui::kPhoneEntryErrorText;
using host::gui::kPhoneEntryErrorTitle;
using host::gui::PhoneNumberCheck;
using host::gui::PhoneNumberField;
using host::gui::phoneNumberField;
using host::gui::runNameNoteForm;
using host::gui::runNamePhoneForm;
using host::gui::runSharedNoteForm;
using host::gui::runSharedPhoneForm;

} // namespace tabulo::people::gui
