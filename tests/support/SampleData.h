#pragma once

#include <QString>

namespace tabulo::test {

// Fills the store's data directory with enough records to fill every list
// that exists: the setup record, name categories, cities and important
// dates of every kind, some of them pending around `today`.
void fillSampleData(int today, int records = 60);

} // namespace tabulo::test
