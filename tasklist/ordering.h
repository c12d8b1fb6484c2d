// Ordering the list by its sort key, and the renumbering rule.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "driver/run_state.h"

// The recognised sort keys ("Title" orders by the display title too).
enum class SortKey { None, Order, DoToday, Description, Priority, DisplayTitle };

// The key `sSortBy` names, matched exactly; None for any other text.
SortKey SortKeyNamed(std::string_view sSortBy);
// Byte-by-byte comparison on unsigned 8-bit characters; a prefix sorts first.
int CompareText(std::string_view a, std::string_view b);
// True when `a` must come after `b` under `key` (strictly greater).
bool SortsAfter(const tVarno& a, const tVarno& b, SortKey key);
// Stable ascending sort of the first `count` items.
void SortItems(std::vector<tVarno>& items, int32_t count, SortKey key);

// Traces 6000 to 6900: the two report lines and the sort of run.List.
void OrderList(RunState& run);

// The ID the publishing pass writes for the item at 0-based position `p`.
int32_t WrittenID(const tVarno& item, int32_t p, bool redoID);
