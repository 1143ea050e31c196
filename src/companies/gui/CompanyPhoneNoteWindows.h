#pragma once

#include <functional>

class QWidget;

namespace tabulo::engine::gui {
class BrowseWindow;
class RecordFormWindow;
} // namespace tabulo::engine::gui

namespace tabulo::companies::gui {

// The windows of a company's phone numbers and notes. Each works on the
// company in the QKcmp buffer, runs for GlobalRequest over `caller` and runs
// `done` when it has ended, with GlobalResponse holding its answer.

// The phones of the company, titled with its name ("Acme Phone Numbers").
// As a picker (SelectRecord) it leaves the chosen phone in the QKfon buffer.
engine::gui::BrowseWindow *openCompanyPhoneList(QWidget *caller, std::function<void()> done = {});

// "Company Phone Database Update Form": a new phone belongs to the company,
// and leaving the number completes a local number with the setup record's
// area code and keeps the area field in step with the number. Returns null
// when the form ended without showing (a delete, failed numbering).
engine::gui::RecordFormWindow *runCompanyPhoneForm(QWidget *caller, std::function<void()> done);

// "Company Notes Database Update Form": a new note belongs to the company,
// is dated today and numbered after the company's notes, and saving it
// makes that number the company's note counter (CMP:NOTES); a note opened
// for a change is dated today as its update.
engine::gui::RecordFormWindow *runCompanyNoteForm(QWidget *caller, std::function<void()> done);

} // namespace tabulo::companies::gui
