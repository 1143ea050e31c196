#pragma once

#include "dates/Recurrence.h"
#include "engine/BrowseList.h"

#include <vector>

namespace tabulo::dates::gui {

// The date lists show texts computed from the recurrence fields of each row,
// so every row carries those fields besides the columns the user sees: they
// are columns of the engine that the list control keeps hidden.

// `visible` followed by the recurrence fields (and the control number).
std::vector<engine::ListColumn> withRecurrenceColumns(std::vector<engine::ListColumn> visible);

// The important date a row of such a list holds.
ImportantDate importantDateOfRow(const std::vector<engine::ListColumn> &columns, const engine::ListRow &row);

} // namespace tabulo::dates::gui
