#pragma once

#include "engine/gui/BrowseWindow.h"

class QLabel;
class QPlainTextEdit;

namespace tabulo::dates::gui {

// The important-dates list: five sort orders on tabs, the short date text in
// its Date column, and under the list the details of the highlighted date
// (how long ago, lead days, the whole short date text, type and note). The
// texts are computed with today's date every time a page is built.
class ImportantDatesWindow final : public engine::gui::BrowseWindow {
    Q_OBJECT
public:
    ImportantDatesWindow(QWidget *caller, std::function<void()> done);

    QLabel *howLongAgoText() const { return m_howLongAgo; }
    QLabel *leadDaysText() const { return m_leadDays; }
    QLabel *dateText() const { return m_date; }
    QLabel *typeText() const { return m_type; }
    QPlainTextEdit *noteText() const { return m_note; }

    void pageChanged() override;

private:
    void showNote();

    std::vector<engine::ListColumn> m_columns;
    QLabel *m_howLongAgo = nullptr;
    QLabel *m_leadDays = nullptr;
    QLabel *m_date = nullptr;
    QLabel *m_type = nullptr;
    QPlainTextEdit *m_note = nullptr;
    bool m_notePending = false;
};

} // namespace tabulo::dates::gui
