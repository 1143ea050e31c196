#pragma once

#include "engine/UpdateForm.h"
#include "store/Store.h"

#include <QWidget>
#include <functional>
#include <memory>
#include <vector>

class QKeyEvent;
class QLabel;
class QLineEdit;
class QPushButton;
class QTabWidget;

namespace tabulo::engine::gui {

// One entry field of a form.
struct FormField {
    QString prompt;     // "Category:"
    QString field;      // "CAT:CATEGORY"
    QString picture;    // "@s30"
    QString objectName; // "categoryEntry"
    // The form's own check of the value; returns a message, empty when fine.
    std::function<QString(const QVariant &)> check;
};

struct FormWindowSetup {
    QString objectName;
    QString tableName;
    QStringList uses;
    FormSetup form;
    std::vector<FormField> fields;
    QString okLabel = QStringLiteral("&OK");
    QString cancelLabel = QStringLiteral("&Cancel");
    // What a particular form adds to the window once the record is read and
    // before the window is measured and shown.
    std::function<void(class RecordFormWindow *)> beforeShow;
};

// The window of a record form: the entries on a "General" tab, the action
// message (variant A), OK and Cancel. It is window-modal over its caller and
// reports its end through a continuation, never through a nested event loop.
class RecordFormWindow final : public QWidget, public FormHost {
    Q_OBJECT
public:
    // Runs the form for GlobalRequest over `caller`; `done` runs when it has
    // ended, with GlobalResponse holding its answer. Returns the window, or
    // null when the form ended without showing (a delete, failed numbering).
    static RecordFormWindow *run(QWidget *caller, FormWindowSetup setup, std::function<void()> done);

    UpdateForm &engine() { return *m_engine; }
    QLineEdit *entry(int index) const { return m_entries.at(static_cast<size_t>(index)); }
    QLabel *actionLabel() const { return m_action; }

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
    RecordFormWindow(QWidget *caller, FormWindowSetup setup, std::function<void()> done);
    bool acceptField(int index);
    void fixControls();
    void end();

    FormWindowSetup m_setup;
    store::TableUse m_use;
    std::unique_ptr<UpdateForm> m_engine;
    std::vector<QLineEdit *> m_entries;
    std::vector<int> m_fieldIndexes;
    QLabel *m_action = nullptr;
    std::function<void()> m_done;
    bool m_ended = false;
    bool m_accepting = false;
};

// Enter in a form: a focused button is pressed, otherwise the form's
// default button. Returns whether a button took the key.
bool pressDefaultButton(QWidget *form, QKeyEvent *event);

} // namespace tabulo::engine::gui
