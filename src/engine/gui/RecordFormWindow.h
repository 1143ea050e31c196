#pragma once

#include "engine/FieldText.h"
#include "engine/UpdateForm.h"
#include "store/Store.h"

#include <QWidget>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QKeyEvent;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTabWidget;

namespace tabulo::store {
struct TableDef;
}

namespace tabulo::engine::gui {

class RecordFormWindow;

// What kind of control shows a field of a form.
enum class FieldKind {
    Entry, // a line entry through the field's picture
    Memo,  // a multi-line text box bound to the record's memo
};

// One field of a form.
struct FormField {
    QString prompt;     // "Category:"; a memo without a prompt spans its row
    QString field;      // "CAT:CATEGORY"; ignored for a memo
    QString picture;    // "@s30"; ignored for a memo
    QString objectName; // "categoryEntry"
    // The form's own check of the value; returns a message, empty when fine.
    std::function<QString(const QVariant &)> check;
    FieldKind kind = FieldKind::Entry;
    // The tab the field sits on; fields with the same tab share its page,
    // and pages follow in the order their first field is declared.
    QString tab = QStringLiteral("General");
    // The form's rule when the user leaves the field, run once its value is
    // in the record buffer (it may set other fields too). False keeps the
    // focus on the field: the rule has told the user why.
    std::function<bool(RecordFormWindow &)> leave;
    // The bounds of a number entry when narrower than its field's type.
    std::optional<std::pair<qint64, qint64>> range;
};

// A check for a number entry whose picture has more places than its field
// holds (an "n13" entry over a 32-bit field): what would not fit is refused
// with the field's bounds instead of stored as another number.
std::function<QString(const QVariant &)> inRangeOf(const store::TableDef &table, const char *field);

// A line entry: its prompt, field, picture and name.
inline FormField lineEntry(const char *prompt, const char *field, const char *picture,
                           const char *objectName) {
    FormField f;
    f.prompt = QString::fromUtf8(prompt);
    f.field = QString::fromLatin1(field);
    f.picture = QString::fromLatin1(picture);
    f.objectName = QString::fromLatin1(objectName);
    return f;
}

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
    // Runs when OK's pass has accepted every field, just before the engine
    // saves the record buffer (last-moment values such as a change date).
    std::function<void(RecordFormWindow &)> beforeSave;
};

// The set-up most forms start from: the form named `objectName` (its
// placement and history name too) over `table`, numbered through its
// CTRL_KEY and reporting a duplicate of it, with "OK" and "Cancel". A
// variant B form reports another station's change with the long message.
FormWindowSetup numberedFormSetup(const char *objectName, const char *table, QStringList uses,
                                  FormVariant variant);

// The window of a record form: the fields on their tabs ("General" unless a
// field names another), the action message (variant A), OK and Cancel. It is
// window-modal over its caller and reports its end through a continuation,
// never through a nested event loop.
class RecordFormWindow final : public QWidget, public FormHost {
    Q_OBJECT
public:
    // Runs the form for GlobalRequest over `caller`; `done` runs when it has
    // ended, with GlobalResponse holding its answer. Returns the window, or
    // null when the form ended without showing (a delete, failed numbering).
    static RecordFormWindow *run(QWidget *caller, FormWindowSetup setup, std::function<void()> done);

    UpdateForm &engine() { return *m_engine; }
    // The line entry of field `index` (in the order of the setup's fields);
    // null for a memo.
    QLineEdit *entry(int index) const { return m_controls.at(static_cast<size_t>(index)).entry; }
    // The memo box, or null when the form has none.
    QPlainTextEdit *memoBox() const { return m_memo; }
    QLabel *actionLabel() const { return m_action; }
    QTabWidget *sheet() const { return m_sheet; }

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
    struct Control {
        QWidget *widget = nullptr;
        QLineEdit *entry = nullptr; // null for the memo
        int field = -1;             // index in the record, -1 for the memo or an unknown name
    };

    RecordFormWindow(QWidget *caller, FormWindowSetup setup, std::function<void()> done);
    bool acceptField(int index);
    // The bounds a number entry's text falls outside ("0 and 255"); empty when fine.
    QString outOfRange(int index, const QString &typed, const EntryValue &v) const;
    bool acceptMemo(int index);
    void memoEdited();
    void focusControl(int index);
    void fixControls();
    void end();

    FormWindowSetup m_setup;
    store::TableUse m_use;
    std::unique_ptr<UpdateForm> m_engine;
    std::vector<Control> m_controls;
    QTabWidget *m_sheet = nullptr;
    QPlainTextEdit *m_memo = nullptr;
    // The memo as last handed between box and record: a redisplay replaces
    // the box's text only when the record's memo moved away from it.
    QString m_memoSynced;
    QLabel *m_action = nullptr;
    std::function<void()> m_done;
    bool m_ended = false;
    bool m_accepting = false;
    bool m_leftByClick = false; // how the last entry lost the focus
};

// Enter in a form: a focused button is pressed, otherwise the form's
// default button. Returns whether a button took the key.
bool pressDefaultButton(QWidget *form, QKeyEvent *event);

} // namespace tabulo::engine::gui
