#include "host/gui/AddressCity.h"

#include "host/CityIndex.h"
#include "host/gui/FeatureWindows.h"

namespace tabulo::host::gui {

std::optional<engine::gui::CityAddress> settledCity(const QString &typed,
                                                    const engine::gui::CityAddress &had) {
    const CityLookup found = lookUpAddressCity(typed, {had.city, had.state, had.zip});
    if (found.needsPicker)
        return std::nullopt;
    return engine::gui::CityAddress{found.address.city, found.address.state, found.address.zip};
}

void chooseAddressCity(QWidget *caller, const QString &typed,
                       std::function<void(std::optional<engine::gui::CityAddress>)> chosen) {
    featureWindows().chooseCity(caller, typed, [chosen = std::move(chosen)](std::optional<CityZip> city) {
        if (!chosen)
            return;
        if (city)
            chosen(engine::gui::CityAddress{city->city, city->state, city->zip});
        else
            chosen(std::nullopt);
    });
}

} // namespace tabulo::host::gui
