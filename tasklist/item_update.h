// The change of one attribute of one item, or the insertion of a new item.
#pragma once

#include <cstdint>
#include <string>

#include "support/date_time.h"
#include "support/run_clock.h"
#include "support/run_log.h"
#include "tasklist/item.h"

// What a request asks of the list: set `attribute` of the item `id` to `value`.
struct ItemChange {
  int32_t id = -1;
  std::string attribute;
  std::string value;
};

// Sets the field that `attribute` names in `item` from `value` (the request
// attribute table; names match exactly). False for a name outside the table.
bool SetItemAttribute(Item& item, const std::string& attribute, const std::string& value,
                      const std::string& today, DateTime now);

// Traces 5050 to 5800: applies `change` to `list`, inserting the item when no
// item has its ID. `listParameter` is the list file's name as requested, which
// the line about an unknown attribute shows.
void UpdateOrInsertItem(ItemList& list, const ItemChange& change, const std::string& listParameter,
                        const RunClock& clock, RunLog& log);
