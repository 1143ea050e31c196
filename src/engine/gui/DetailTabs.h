#pragma once

#include "engine/gui/BrowseWindow.h"

#include <QString>

#include <functional>
#include <vector>

class QBoxLayout;
class QPlainTextEdit;
class QPushButton;
class QWidget;

namespace tabulo::engine::gui {

// The detail tabs a list window shows for the record it has highlighted:
// its phones, its notes and the categories it belongs to, each a list of
// the records that belong to it. Each builder makes the tab's page, asks
// `setup` for the list's set-up on that page, and keeps the list in `list`.
// A double click in a detail list does nothing: the record is changed
// through the list's buttons.
using DetailSetup = std::function<ListSetup(QWidget *page)>;

// A push button of a list window: named, never the default, with its tip
// and status text.
QPushButton *listButton(QWidget *parent, const QString &text, const char *name, const QString &tip = {},
                        const QString &status = {});

// The phones: the list, and below it the window's own buttons (`buttons`
// may add some to the row, left of "Dial") and "Dial", hidden until a
// dialler is set up; `dial` runs for the highlighted phone, read into the
// phones' buffer.
QWidget *phonesTab(const char *name, const DetailSetup &setup, BrowseWindow *&list,
                   const std::function<void(QWidget *page, QBoxLayout *row)> &buttons,
                   const std::function<void()> &dial);

// The columns of a phones list: location, name, number and extension.
std::vector<ListColumn> phoneColumns();

// The notes: the list beside the highlighted note's text, shown read only
// (a note is changed through its form, so nothing typed there is lost).
QWidget *notesTab(const char *name, const DetailSetup &setup, BrowseWindow *&list, QPlainTextEdit *&memo);

// The categories: the list (nothing added, changed or deleted in it) and
// the buttons that display the highlighted category and delete the record
// from it; each runs with the highlighted link and category read.
struct CategoryButtons {
    QString displayText; // "Dis&play Category"
    QString displayTip;
    QString removeText; // "&Delete from Category"
    std::function<void()> display;
    std::function<void()> remove;
};
QWidget *categoriesTab(const char *name, const DetailSetup &setup, BrowseWindow *&list,
                       const CategoryButtons &buttons);

} // namespace tabulo::engine::gui
