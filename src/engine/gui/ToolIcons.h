#pragma once

#include <QIcon>
#include <QString>

namespace tabulo::engine::gui {

// The picture of an icon bar button, by the button's object name
// ("addIcon", "printIcon"...): the desktop's icon theme's picture under its
// freedesktop name when the theme has one, otherwise the program's own
// (built in). A null icon for a name that is no icon button.
QIcon toolIcon(const QString &objectName);

// The freedesktop icon name the button's picture is looked up by; empty for
// a name that is no icon button.
QString toolIconThemeName(const QString &objectName);

// The text the button shows beside its picture ("Find..."); empty for a
// name that is no icon button.
QString toolText(const QString &objectName);

} // namespace tabulo::engine::gui
