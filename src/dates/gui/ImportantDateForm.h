#pragma once

#include "dates/ImportantDateRules.h"
#include "engine/UpdateForm.h"
#include "store/Store.h"

#include <QPointer>
#include <QWidget>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QSpinBox;

namespace tabulo::dates::gui {

// The important-date form over the update form engine (the quick variant):
// the "General" tab shows only the controls the chosen kind of recurrence
// uses, the check boxes switch the controls they exclude, the numeric
// entries are held to their bounds, and "..." opens the calendar.
class ImportantDateForm final : public QWidget, public engine::FormHost {
    Q_OBJECT
public:
    // Runs the form for GlobalRequest over `caller`; `done` runs once it has
    // ended (GlobalResponse holds its answer). Null when the form ended
    // without showing (a delete, failed numbering).
    static ImportantDateForm *run(QWidget *caller, std::function<void()> done);

    engine::UpdateForm &engine() { return *m_engine; }

    // What the form shows now (for the windows that test it).
    DateFormControls shownNow() const;

    // FormHost
    void closeForm() override;
    void redisplay() override;
    void focusFirstField() override;
    bool acceptAll() override;
    QObject *messageOwner() const override;
    void setWaitCursor(bool on) override;

protected:
    void closeEvent(QCloseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    ImportantDateForm(QWidget *caller, std::function<void()> done);
    void build();
    void end();

    store::Record &record() const;
    void applyVisibility();
    void applyEnabling();

    bool acceptRanged(RangedField field, QSpinBox *spin, const char *name);
    bool acceptDate();
    void storeChoices();
    void typeChosen(const QString &type);
    void floatingHolidaySwitched(bool on);
    void lastDayNameSwitched(bool on);
    void lastDaySwitched(bool on);
    void weekdayChosen();
    void openCalendar();
    void showDate();

    store::TableUse m_use;
    std::unique_ptr<engine::UpdateForm> m_engine;
    std::function<void()> m_done;
    bool m_ended = false;
    bool m_checking = false;
    int m_rememberedDate = 0;

    QButtonGroup *m_type = nullptr;
    QLineEdit *m_event = nullptr;
    QSpinBox *m_leadDays = nullptr;
    QWidget *m_dateRow = nullptr;
    QLabel *m_beginning = nullptr;
    QLabel *m_datePrompt = nullptr;
    QLineEdit *m_date = nullptr;
    QPushButton *m_calendar = nullptr;
    QWidget *m_dayDateRow = nullptr;
    QLabel *m_dayDatePrompt = nullptr;
    QSpinBox *m_dayDate = nullptr;
    QCheckBox *m_floatingHoliday = nullptr;
    QCheckBox *m_lastDayName = nullptr;
    QCheckBox *m_lastDay = nullptr;
    QWidget *m_weekRow = nullptr;
    QButtonGroup *m_week = nullptr;
    QWidget *m_weekDayRow = nullptr;
    QComboBox *m_weekDay = nullptr;
    QWidget *m_monthRow = nullptr;
    QComboBox *m_month = nullptr;
    QWidget *m_numberOfDaysRow = nullptr;
    QSpinBox *m_numberOfDays = nullptr;
    QPlainTextEdit *m_note = nullptr;
};

} // namespace tabulo::dates::gui
