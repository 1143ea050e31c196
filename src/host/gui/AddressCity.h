#pragma once

#include "engine/gui/RecordEditor.h"

#include <QString>

#include <functional>
#include <optional>

class QWidget;

namespace tabulo::host::gui {

// The city lookups of an address edited in place beside a list, through the
// cities and zip codes index: the city the index settles for what was typed
// (a typed city never wipes the state or zip the address `had`), or nothing
// when the user has to pick one; and the picker, giving the chosen city or
// nothing.
std::optional<engine::gui::CityAddress> settledCity(const QString &typed,
                                                    const engine::gui::CityAddress &had);
void chooseAddressCity(QWidget *caller, const QString &typed,
                       std::function<void(std::optional<engine::gui::CityAddress>)> chosen);

} // namespace tabulo::host::gui
