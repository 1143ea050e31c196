#pragma once

#include <QString>
#include <optional>
#include <vector>

namespace tabulo::host {

// The zip search text: the city a caller is looking for when it opens the
// cities list as a picker; a new entry's form takes it as its city.
QString zipSearchText();
void setZipSearchText(const QString &city);

// One entry of the index of cities and zip codes.
struct CityZip {
    QString city;
    QString state;
    QString zip;
};

// Looks a city up in QKzip (by ZIP:DUPECITYKEY, case-insensitively) and
// leaves the entry in the QKzip buffer; nothing when the index lacks it.
std::optional<CityZip> lookUpCity(const QString &city);

// The entries of QKzip for a city (case-insensitively), at most `atMost`
// of them, in the order of the city key.
std::vector<CityZip> citiesNamed(const QString &city, int atMost = 2);

// What a typed city makes of an address's city, state and zip: a city the
// index holds once fills the state and zip it has there (blank ones leave
// the address's own); the cities list has to be asked when the index lacks
// the city or holds it more than once.
struct CityLookup {
    bool needsPicker = false;
    CityZip address;
};
CityLookup lookUpAddressCity(const QString &city, const CityZip &address);

// The entry in the QKzip record buffer.
CityZip cityInBuffer();

// The home state of the setup record (SET:STATE), blank when none.
QString homeState();

} // namespace tabulo::host
