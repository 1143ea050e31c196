#pragma once

#include "engine/BrowseList.h"
#include "engine/gui/BrowseWindow.h"

#include <QObject>
#include <vector>

namespace tabulo::engine::gui {

class RecordFormWindow;

// One list of a record's children on a tab of its record form: the child
// table (also the tab's text), the list's name, the bound name under which
// its filter reads the parent's number, the filter, the column format and
// columns, and the form that edits a child.
struct ChildList {
    const char *tab;        // "QKfon", also the table
    const char *objectName; // "fonList"
    const char *resetName;  // "BRW6::Sort1:Reset:nam:CTRL_NBR"
    const char *filter;
    const char *format;
    std::vector<const char *> columns;
    FormRunner form;
};

// Puts the lists on the form's tabs, each ranged through `parentKey` (the
// child tables' key that starts with the link to the parent, "NAM_CTRL_KEY")
// on the number of the record the form holds. Every refresh of the form (a
// tab change, the form active again) checks all of them, and a list whose
// parent changed rebuilds from its start. Call from the form's beforeShow;
// the object belongs to the form.
QObject *addChildLists(RecordFormWindow *form, std::vector<ChildList> lists, const QString &parentKey,
                       ThumbKind thumb);
// Inside the main frame the form's activation is its sub-window's: follow it
// once the form is shown.
void followSubWindow(QObject *childLists);

} // namespace tabulo::engine::gui
