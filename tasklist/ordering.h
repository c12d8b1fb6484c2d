// Ordering the list by its sort key, and the renumbering rule.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "support/run_log.h"
#include "tasklist/item.h"

// The recognised sort keys ("Title" orders by the display title too).
enum class SortKey { kNone, kOrder, kDoToday, kDescription, kPriority, kDisplayTitle };

// The key `sortBy` names, matched exactly; None for any other text.
SortKey SortKeyNamed(std::string_view sortBy);
// Byte-by-byte comparison on unsigned 8-bit characters; a prefix sorts first.
int CompareText(std::string_view a, std::string_view b);
// Orders as text, but for two that start with a digit and differ in length:
// the shorter sorts first. Orders are written with at least five digits, so
// the list's own orders of six digits (from the 50,000th item on) sort after
// those of five, as their numbers do, and a list stays in its order.
int CompareOrders(std::string_view a, std::string_view b);
// How `a` compares with `b` under `key`: below 0 when it sorts first. An
// unset priority (0) sorts after every set one.
int CompareByKey(const Item& a, const Item& b, SortKey key);
// Stable ascending sort of the items.
void SortItems(ItemArray& items, SortKey key);

// Traces 6000 to 6900: the two report lines and the sort of `list` by its
// sort key; `redoId` tells whether the list is renumbered as it is written.
void OrderList(ItemList& list, bool redoId, RunLog& log);

// The ID the publishing pass writes for the item at 0-based position `p`.
int32_t WrittenId(const Item& item, size_t p, bool redoId);
