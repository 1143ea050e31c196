#pragma once

#include "dates/PendingEvents.h"
#include "engine/gui/BrowseWindow.h"

#include <QSet>
#include <memory>

class QCheckBox;
class QLabel;
class QPlainTextEdit;

namespace tabulo::dates::gui {

// The pending-events list: the important dates whose next occurrence falls
// within their lead days, in event order, with the date, days and age texts
// of each occurrence, the highlighted event's note, and the reminder switch
// with its text. Built by startPendingEvents() after a start-up check that
// found something pending; it holds the one-window claim while it lives.
class PendingEventsWindow final : public engine::gui::BrowseWindow {
    Q_OBJECT
public:
    PendingEventsWindow(std::unique_ptr<PendingWindowClaim> claim, std::unique_ptr<store::TableUse> tables,
                        std::unique_ptr<PendingEvents> events);
    ~PendingEventsWindow() override;

    // The open window, if any.
    static PendingEventsWindow *openWindow();

    // Another start while the window is open: to the front, refreshed.
    void bringToFront();

    QCheckBox *reminderSwitch() const { return m_switch; }
    QLabel *reminderText() const { return m_reminder; }
    QPlainTextEdit *noteText() const { return m_note; }

    // Reads the reminder minutes again and shows their text.
    void refreshReminder();

    void pageChanged() override;

protected:
    void changeEvent(QEvent *event) override;

private:
    void showNote();
    void reportFailures();

    std::unique_ptr<PendingWindowClaim> m_claim;
    std::unique_ptr<store::TableUse> m_tables;
    std::unique_ptr<PendingEvents> m_events;
    std::vector<engine::ListColumn> m_columns;
    QCheckBox *m_switch = nullptr;
    QLabel *m_reminder = nullptr;
    QPlainTextEdit *m_note = nullptr;
    QSet<QString> m_reported;
    bool m_notePending = false;
};

} // namespace tabulo::dates::gui
