#pragma once

#include "base/CalendarModel.h"

#include <QDialog>

#include <array>
#include <functional>

class QLabel;
class QPushButton;
class QSpinBox;

namespace tabulo::engine::gui {

// The calendar: one month as a grid of day buttons, moved by keys, clicks and
// the Year and Month spin boxes. It runs modally over its caller without a
// nested event loop; the chosen day reaches the caller through dateChosen()
// (or the continuation given to pick()) once the window closes: the selected
// day number after OK or a double click, 0 after Esc or the close box. OK also
// leaves the date on the clipboard as "Oct 31, 2026".
class CalendarPicker final : public QDialog {
    Q_OBJECT

public:
    // Opens on `date`; 0 (no date) opens on today.
    explicit CalendarPicker(int date, QWidget *parent = nullptr);

    // Shows a calendar modally over `parent` and returns at once. `chosen`
    // runs once when the window closes, with the day number or 0; the window
    // deletes itself afterwards.
    static CalendarPicker *pick(QWidget *parent, int date, std::function<void(int)> chosen);

    const dates::CalendarModel &model() const { return m_model; }

signals:
    // Emitted exactly once, when the window closes.
    void dateChosen(int date);

public slots:
    void done(int result) override;

protected:
    void keyPressEvent(QKeyEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    bool handleKey(QKeyEvent *event);
    void showToday();
    void spinChanged();
    void refresh();

    dates::CalendarModel m_model;
    QSpinBox *m_yearSpin = nullptr;
    QSpinBox *m_monthSpin = nullptr;
    QLabel *m_monthTitle = nullptr;
    std::array<QPushButton *, dates::CalendarModel::kCellCount> m_cells{};
    QPushButton *m_okButton = nullptr;
    QPushButton *m_todayButton = nullptr;
    bool m_finished = false;
};

} // namespace tabulo::engine::gui
