#pragma once

#include <QString>

class QObject;

namespace tabulo::store {
class Table;
}

namespace tabulo::companies {

// What the companies list asks the category assignment to do with the
// highlighted company link.
enum class GroupAction { None, Copy, Move, Delete, Add };

// The process-wide category action word ("copy", "move", "delete", at most
// 10 characters): set by the companies list just before it runs the
// assignment, cleared by the assignment when it ends.
QString groupActionWord();
void setGroupActionWord(const QString &word);
GroupAction groupActionFromWord(const QString &word);
QString wordFor(GroupAction action);

// Copy and move first need the category to copy or move to.
inline bool needsTargetGroup(GroupAction action) {
    return action == GroupAction::Copy || action == GroupAction::Move;
}

// The message after the third failed attempt to add a copied link.
inline const QString kDuplicateCopyText = QStringLiteral("Creates a duplicate copy of selected group.");

// Applies `action` to the company link in the QKjcg buffer (for a copy, of
// the company in the QKcmp buffer) with `target` as the category
// (GRP:CTRL_NBR) to copy or move to:
// - copy adds a new link of the company to the target, numbered after the
//   highest link; three failed adds end with kDuplicateCopyText;
// - move points the link at the target;
// - delete removes the link (the company and its other links stay);
// - add and none do nothing.
// No check is made whether the company already has a link to the target: a
// second copy lists it twice there. Returns whether the link table changed.
// A target that a link cannot hold (a category number past a link's 32-bit
// field) is refused with a message instead of linking another category.
bool applyGroupAction(GroupAction action, qint64 target, QObject *owner = nullptr);

// The number a new note of `company` gets: one more than the company's
// notes, and past the highest number any of them carries, so a note deleted
// in between never makes two notes share a number. `notes` is a connection
// of QKmem whose buffer and position the count may use up.
qint64 nextCompanyNoteNumber(store::Table &notes, qint64 company);

// Stores `order` as the note counter CMP:NOTES of `company`, through the
// change rule of QKcmp on the stored record (so edits to other fields that
// the caller's buffer may hold are neither written nor lost), and puts it in
// the QKcmp buffer too when that buffer holds the company. False when the
// company could not be read or written (the user has been told).
bool storeCompanyNoteCounter(qint64 company, qint64 order, QObject *owner = nullptr);

} // namespace tabulo::companies
