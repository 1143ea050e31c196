#include "engine/gui/InPlaceEditor.h"

#include "engine/BrowseList.h"
#include "store/ChangeRules.h"
#include "store/MessageService.h"
#include "store/Messages.h"

#include <QApplication>
#include <QFocusEvent>
#include <QLineEdit>
#include <QTimer>
#include <QWidget>

namespace tabulo::engine::gui {

Saved saveInPlace(store::Table &table, QObject *owner) {
    // Saving again after a failure writes what the user typed once more.
    const store::Table::Current typed = table.current();
    for (;;) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        const int result = store::changeRecord(table, store::ConflictMessage::Short, owner);
        QApplication::restoreOverrideCursor();
        if (result == store::ChangeResult::Done)
            return Saved::Written;
        if (result == store::ChangeResult::ChangedElsewhere)
            return Saved::ChangedElsewhere;
        const int answer = store::standardMessage(owner, 16);
        if (answer == store::Button::Cancel)
            return Saved::Kept;
        if (answer != store::Button::Yes)
            return Saved::GivenUp;
        table.setCurrent(typed);
    }
}

void showWritten(BrowseList &list, bool renamed, LeaveReason why, const std::function<void()> &reposition,
                 const std::function<void()> &refresh) {
    if (why == LeaveReason::Moving) {
        if (renamed)
            list.reset(BrowseList::ResetMode::FromFirstRow);
        return;
    }
    if (!renamed) {
        refresh();
        return;
    }
    list.setCountsRecords(false);
    list.forceRefresh();
    reposition();
    list.setCountsRecords(true);
}

InPlaceEditor::InPlaceEditor(QWidget *window, store::Table &table, Saver saver)
    : QObject(window)
    , m_window(window)
    , m_table(&table)
    , m_saver(std::move(saver))
    , m_same([](const QString &a, const QString &b) { return a == b; }) {}

InPlaceEditor::~InPlaceEditor() {
    watchInput(false);
}

void InPlaceEditor::addEntry(QLineEdit *edit) {
    m_entries[edit] = Entry{edit->text(), std::nullopt};
    edit->installEventFilter(this);
    connect(edit, &QLineEdit::textEdited, this, [this, edit] { edited(edit); });
    connect(edit, &QObject::destroyed, this, [this, edit] { m_entries.erase(edit); });
}

void InPlaceEditor::recordShown() {
    m_shownRecord = m_table->current();
}

void InPlaceEditor::show(QLineEdit *edit, const QString &text) {
    const auto found = m_entries.find(edit);
    if (found == m_entries.end()) {
        edit->setText(text);
        return;
    }
    found->second.shown = text;
    m_shownDuringSave = true;
    if (!found->second.typing)
        edit->setText(text);
}

bool InPlaceEditor::changed(QLineEdit *edit) const {
    const auto found = m_entries.find(edit);
    return found != m_entries.end() && found->second.typing.has_value();
}

bool InPlaceEditor::anyChanged() const {
    for (const auto &[edit, entry] : m_entries)
        if (entry.typing)
            return true;
    return false;
}

bool InPlaceEditor::isChangedEntry(QObject *object) const {
    for (const auto &[edit, entry] : m_entries)
        if (entry.typing && edit == object)
            return true;
    return false;
}

void InPlaceEditor::edited(QLineEdit *edit) {
    Entry &entry = m_entries.at(edit);
    if (!entry.typing) {
        // The typing is for the record shown now, as it was read.
        entry.typing = Typing{entry.shown, m_shownRecord ? *m_shownRecord : m_table->current()};
    } else if (m_same(edit->text(), entry.typing->before)) {
        entry.typing.reset(); // typed back to what was there
    }
    watchInput(anyChanged());
}

Leave InPlaceEditor::leave(QLineEdit *edit, LeaveReason why) {
    Entry &entry = m_entries.at(edit);
    if (!entry.typing)
        return Leave::Done;
    if (m_same(edit->text(), entry.typing->before)) {
        entry.typing.reset();
        return Leave::Done;
    }
    const Typing typing = *entry.typing;
    // The list may have moved on: the change belongs to the record typed for.
    const store::Table::Current now = m_table->current();
    if (now.rid != typing.record.rid || now.ver != typing.record.ver)
        m_table->setCurrent(typing.record);
    m_shownDuringSave = false;
    const Leave outcome = m_saver(edit, typing.before, why);
    switch (outcome) {
    case Leave::Done:
        entry.typing.reset();
        if (!m_shownDuringSave)
            entry.shown = edit->text();
        edit->setText(entry.shown);
        // The record shown was just written: typing from here on is for the
        // version stored now.
        if (m_shownRecord && m_table->currentRid() == m_shownRecord->rid)
            m_shownRecord = m_table->current();
        break;
    case Leave::Stay:
        // Saving once more writes over what the buffer holds now (the stored
        // record after a conflict).
        if (m_table->currentRid() == typing.record.rid)
            entry.typing->record = m_table->current();
        if (m_window && m_window->isVisible())
            edit->setFocus();
        break;
    case Leave::Pending:
        entry.typing.reset();
        break;
    }
    return outcome;
}

bool InPlaceEditor::commit(LeaveReason why) {
    if (m_committing)
        return true;
    m_committing = true;
    bool leaving = true;
    for (auto &[edit, entry] : m_entries) {
        if (!entry.typing)
            continue;
        if (leave(edit, why) != Leave::Done) {
            leaving = false;
            break;
        }
    }
    m_committing = false;
    watchInput(anyChanged());
    return leaving;
}

void InPlaceEditor::watchInput(bool on) {
    if (on == m_watchingInput)
        return;
    m_watchingInput = on;
    if (on)
        qApp->installEventFilter(this);
    else
        qApp->removeEventFilter(this);
}

bool InPlaceEditor::eventFilter(QObject *watched, QEvent *event) {
    const QEvent::Type type = event->type();
    if (type == QEvent::FocusOut) {
        auto *edit = qobject_cast<QLineEdit *>(watched);
        // A message box or picker raised by a save takes the focus for a
        // while: that is no leaving.
        if (edit && !m_committing && changed(edit) &&
            static_cast<QFocusEvent *>(event)->reason() != Qt::PopupFocusReason) {
            // Handled once the focus has moved on.
            QTimer::singleShot(0, this, [this, edit = QPointer<QLineEdit>(edit)] {
                if (!edit || m_committing || !changed(edit))
                    return;
                m_committing = true;
                leave(edit, LeaveReason::FocusMoved);
                m_committing = false;
                watchInput(anyChanged());
            });
        }
        return false;
    }
    if (!m_watchingInput || m_committing)
        return false;
    if (type != QEvent::MouseButtonPress && type != QEvent::MouseButtonDblClick && type != QEvent::Wheel &&
        type != QEvent::KeyPress && type != QEvent::Shortcut)
        return false;
    // Widgets only: the window system's delivery to a window comes first and
    // reaches the widget next.
    auto *widget = qobject_cast<QWidget *>(watched);
    if (!widget || isChangedEntry(widget))
        return false;
    // The field's own context menu and completer.
    if (widget->window()->windowType() == Qt::Popup)
        return false;
    // Keys typed in the field that it leaves to its parents.
    if (type == QEvent::KeyPress && isChangedEntry(QApplication::focusWidget()))
        return false;
    // Anything else first saves what was typed; when it cannot be saved the
    // user stays where the typing is and the input goes nowhere.
    return !commit(LeaveReason::Moving);
}

} // namespace tabulo::engine::gui
