// The change of one attribute of one item, or the insertion of a new item.
#pragma once

#include <string>

#include "driver/run_state.h"
#include "support/date_time.h"

// Sets the field that `attribute` names in `item` from `value` (the request
// attribute table; names match exactly). False for a name outside the table.
bool SetItemAttribute(tVarno& item, const std::string& attribute, const std::string& value,
                      const std::string& sToday, TDateTime now);

// Traces 5050 to 5800: applies the run's request to run.List.
void UpdateOrInsertItem(RunState& run, TDateTime now);
