#pragma once

#include "store/Table.h"

#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>
#include <map>
#include <optional>

class QLineEdit;
class QWidget;

namespace tabulo::engine {
class BrowseList;
}

namespace tabulo::engine::gui {

// Why a changed field is being saved.
enum class LeaveReason {
    // The focus moved on inside the window: a lookup may open its picker.
    FocusMoved,
    // The highlight is about to move or the window to close: save now, or
    // say that the user has to stay.
    Moving,
};

// What became of a changed field.
enum class Leave {
    Done,    // saved, or deliberately given up: the field shows the stored value
    Stay,    // not saved (a conflict, a refused value): the typed text stays and the user with it
    Pending, // a picker took the change over; it ends it itself
};

// What became of an in-place save (saveInPlace).
enum class Saved {
    Written,          // the record holds the buffer now
    GivenUp,          // the user gave the change up after a failure
    Kept,             // not written: the user keeps the typed text (Cancel)
    ChangedElsewhere, // another station's change was shown; the buffer holds it
};

// Writes the table's buffer over its current record through the change
// rule, with the wait cursor. A failure asks message 16: Yes writes the same
// again, No gives the change up, Cancel keeps it.
Saved saveInPlace(store::Table &table, QObject *owner);

// Shows a record written beside `list`. Before a move the page keeps its
// rows and highlight (a renamed record's row read again in place);
// otherwise a rename places the list on the new name (`reposition`, with
// no recount, as a name changes no count) and any other change shows the
// stored record again (`refresh`).
void showWritten(BrowseList &list, bool renamed, LeaveReason why, const std::function<void()> &reposition,
                 const std::function<void()> &refresh);

// The fields of the record shown beside a list, edited in place. Each entry
// remembers the text the window showed in it; once the user types, it also
// remembers the record the typing is for (its buffer, version and watch), so
// the change is written into that record whatever the list did meanwhile. A
// changed field is saved when the user leaves it and, before it, whenever
// the user does anything else: a click or wheel turn anywhere but in the
// field, a key or shortcut aimed at another control, closing the window.
// Nothing typed is dropped or written into the record highlighted next.
class InPlaceEditor final : public QObject {
    Q_OBJECT
public:
    // Saves `edit`'s text (shown before as `before`) into the table's
    // current record, which the editor has made the record typed for.
    using Saver = std::function<Leave(QLineEdit *edit, const QString &before, LeaveReason why)>;

    InPlaceEditor(QWidget *window, store::Table &table, Saver saver);
    ~InPlaceEditor() override;

    void addEntry(QLineEdit *edit);
    // Whether two texts of an entry mean the same value (default: equal).
    void setSameValue(std::function<bool(const QString &, const QString &)> same) { m_same = std::move(same); }

    // The window has read the record it shows into the table's buffer.
    void recordShown();
    // Shows the stored `text` in `edit`, unless the user changed the entry:
    // then the typed text stays until it is saved.
    void show(QLineEdit *edit, const QString &text);
    bool changed(QLineEdit *edit) const;
    bool anyChanged() const;
    // Saves every changed entry now; false when the user has to stay.
    bool commit(LeaveReason why = LeaveReason::Moving);
    // Whether a save is running (its refreshes must not start another).
    bool committing() const { return m_committing; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    struct Typing {
        QString before;
        store::Table::Current record;
    };
    struct Entry {
        QString shown;
        std::optional<Typing> typing;
    };
    void edited(QLineEdit *edit);
    Leave leave(QLineEdit *edit, LeaveReason why);
    bool isChangedEntry(QObject *object) const;
    void watchInput(bool on);

    QPointer<QWidget> m_window;
    store::Table *m_table;
    Saver m_saver;
    std::function<bool(const QString &, const QString &)> m_same;
    std::map<QLineEdit *, Entry> m_entries;
    std::optional<store::Table::Current> m_shownRecord;
    bool m_committing = false;
    bool m_watchingInput = false;
    bool m_shownDuringSave = false;
};

} // namespace tabulo::engine::gui
