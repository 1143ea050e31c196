#pragma once

#include "host/CityIndex.h"

namespace tabulo::postal {

// The index of cities and zip codes is read by the address fields of every
// feature, so it lives in the host; the cities list keeps its own names for it.
using host::citiesNamed;
using host::cityInBuffer;
using host::CityLookup;
using host::CityZip;
using host::homeState;
using host::lookUpAddressCity;
using host::lookUpCity;
using host::setZipSearchText;
using host::zipSearchText;

} // namespace tabulo::postal
