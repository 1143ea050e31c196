#pragma once

#include "host/Dialer.h"

namespace tabulo::phones {

// Every list that dials words its labels through the dial contract in the
// host; the phone windows keep their own names for it.
using host::companyCallerLabel;
using host::DialRequest;
using host::kCallerLabelWidth;
using host::kLocationLabelWidth;
using host::kNumberWidth;
using host::lastCallerLabel;
using host::makeDialRequest;
using host::personCallerLabel;
using host::setLastCallerLabel;

} // namespace tabulo::phones
