#pragma once

#include <QString>

class QLineEdit;
class QTableView;
class QWidget;

namespace tabulo::test {

// What a user does with mouse and keyboard, as the window system delivers
// it: the events go through the application, its filters and focus
// handling, as real ones do.

// Makes `widget`'s window the active one (false when it never becomes so).
bool activate(QWidget *widget);
// Clicks into the entry and replaces its text by typing `text` (an empty
// text deletes what was there).
void typeInto(QLineEdit *edit, const QString &text);
// Turns the mouse wheel over `widget` by `notches` (positive: towards the
// user, down the list).
void turnWheel(QWidget *widget, int notches);
// Clicks row `row` (0-based) of the view where it is drawn.
void clickRow(QTableView *view, int row);

} // namespace tabulo::test
