#pragma once

#include <QString>
#include <functional>
#include <vector>

class QObject;

namespace tabulo::people {

// The name of the system category the names list keeps and the category
// form refuses to delete.
inline const QString JustNumbers = QStringLiteral("Just Numbers");

// Whether a category record (by its CAT:CATEGORY) is the system category.
bool isSystemCategory(const QString &category);

// The membership operations the names list applies to one person or to all
// tagged people.
enum class MembershipOp { Copy, Move, Delete };

// The operation word ("copy", "move", "delete") and back.
QString operationWord(MembershipOp op);

// Applies `op` to one link: the link is in the QKjnc buffer, its person in
// the QKnam buffer; `target` is the category to copy or move to. Copy and
// move report nothing for a person already in the target, except that a
// copy that fails three times says so ("Assign Category Error"). A delete
// of a person's "All" link deletes the person with all links, notes and
// phones. The person's buffer is cleared afterwards. Uses QKjnc, QKnam,
// QKfon and QKmem through the store.
void applyToLink(MembershipOp op, qint32 target, QObject *owner = nullptr);

// The whole operation: over the tagged links when there are any (their
// JNC:CTRL_NBR in `taggedLinks`), otherwise over the link in the buffer;
// then re-reads the link that was in the buffer and its person. The caller
// clears the tags afterwards.
void runMembership(MembershipOp op, qint32 target, const std::vector<qint32> &taggedLinks,
                   QObject *owner = nullptr);

} // namespace tabulo::people
