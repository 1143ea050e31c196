#pragma once

#include "engine/gui/BrowseWindow.h"
#include "phones/PhoneRepair.h"

#include <functional>

class QLabel;

namespace tabulo::engine::gui {
class RecordFormWindow;
} // namespace tabulo::engine::gui

namespace tabulo::phones::gui {

// The just-phones list "Just Phones List": the phone-only directory, or
// every phone number of the system, each under a display name, with the
// count of the order shown. Building an order that shows every number also
// repairs the phone table (display names filled in, numbers of people and
// companies that no longer exist deleted, each with its message).
class JustPhonesListWindow final : public engine::gui::BrowseWindow {
    Q_OBJECT
public:
    // From the names list's phone-list button (GlobalRequest taken over:
    // SelectRecord offers Select).
    static JustPhonesListWindow *open(QWidget *caller = nullptr, std::function<void()> done = {});

    // Shows the number `phone` (its record number): in the directory's
    // order by name when it is a directory entry, otherwise in the order of
    // every number by display name. False when there is no such number.
    bool locate(qint64 phone);

    QLabel *countText() const { return m_count; }
    const PhoneRepairOutcome &lastRepair() const { return m_lastRepair; }

    // The hidden "&Dial": the highlighted number under its display name.
    void dialHighlighted();

    void pageChanged() override;

private:
    JustPhonesListWindow(QWidget *caller, std::function<void()> done);
    void repair(int sortOrder);

    QLabel *m_count = nullptr;
    PhoneRepairOutcome m_lastRepair;
};

// The just-phones form "Update Just Numbers" for GlobalRequest over `caller`.
engine::gui::RecordFormWindow *runJustPhoneForm(QWidget *caller, std::function<void()> done);

} // namespace tabulo::phones::gui
