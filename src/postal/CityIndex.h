#pragma once

#include <QString>
#include <optional>

namespace tabulo::postal {

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

// The entry in the QKzip record buffer.
CityZip cityInBuffer();

// The home state of the setup record (SET:STATE), blank when none.
QString homeState();

} // namespace tabulo::postal
