#pragma once

#include "host/CityIndex.h"
#include "host/gui/WindowOpeners.h"

#include <QWidget>
#include <functional>
#include <optional>

class QLabel;
class QLineEdit;

namespace tabulo::engine::gui {
class BrowseWindow;
class RecordFormWindow;
} // namespace tabulo::engine::gui

namespace tabulo::postal::gui {

// The list "Cities and Zip Codes" for GlobalRequest, with its City, State
// and Zip tabs and the search entry. Over a caller it blocks only that
// window; `done` runs when it ends.
engine::gui::BrowseWindow *openZipList(QWidget *caller = nullptr, std::function<void()> done = {});

// The city and zip code form for GlobalRequest over `caller`.
engine::gui::RecordFormWindow *runZipForm(QWidget *caller, std::function<void()> done);

// The picker contract of the address fields: opens the list as a picker
// with `city` as the zip search text; `done` gets the chosen entry, or
// nothing when the user did not pick one.
void chooseCity(QWidget *caller, const QString &city, std::function<void(std::optional<host::CityZip>)> done);

// Lets the main frame's "cities and zip codes" command open the list, over
// the frame.
void registerOpeners(host::gui::WindowOpeners &openers);

} // namespace tabulo::postal::gui
