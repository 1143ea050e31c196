#pragma once

#include "engine/gui/FormChildLists.h"
#include "engine/gui/RecordFormWindow.h"
#include "store/StoreError.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

namespace tabulo::engine::gui {

// What sets the person's and the company's record forms apart: a record
// whose category links carry copies of its key fields (a person's names, a
// company's name) and whose children are listed on the form's tabs.
struct LinkedFormShape {
    QString noun;          // "person", in the messages
    QString listName;      // "names list", which shows a record linked to "All"
    QStringList keyFields; // copied into the links ("LNAME", "FNAME")
    QString linksTable;    // "QKjnc"
    std::function<bool(qint64 number)> hasAllLink;
    std::function<store::StoreError(qint64 number, const store::Record &saved)> addAllLink;
    std::function<store::StoreError(qint64 number, const store::Record &saved)> rewriteLinks;
    // What a new record that was cancelled leaves to clear (what was added
    // on its tabs meanwhile).
    std::function<void(qint64 number, QObject *owner)> abandon;
    std::vector<ChildList> lists;
    QString parentKey; // "NAM_CTRL_KEY"
    ThumbKind thumb = ThumbKind::Fixed;
};

// The record form of a table whose records have category links (`links`,
// the table named in the shape): an update form with OK and Cancel that
// reports a conflict at length, whose key of numbers must stay unique, and
// whose delete takes the record's links with it (`deleteLinks` removes the
// links of the numbered record; the table's own rule takes its phones and
// notes) in one change. `uses` names the tables the form uses.
FormWindowSetup linkedFormSetup(const char *table, const QString &uses, const QString &links,
                                std::function<store::StoreError(qint64 number)> deleteLinks);

// Runs the record form of `setup` for GlobalRequest over `caller`, with what
// `shape` adds: a changed key is written with the links' copies or neither
// is; once the form has ended, a saved new record is linked to "All" and its
// links carry its key as saved, and a cancelled new record takes along what
// was added on its tabs. `done` runs last, with the form's answer in
// GlobalResponse.
RecordFormWindow *runLinkedRecordForm(QWidget *caller, FormWindowSetup setup, LinkedFormShape shape,
                                      std::function<void()> done);

} // namespace tabulo::engine::gui
