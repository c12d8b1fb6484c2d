#include "tasklist/ordering.h"

#include <algorithm>
#include <cstring>

#include "driver/progress.h"
#include "support/text_helpers.h"

namespace {

// An unset priority (0) sorts after every set one.
int32_t SortPriority(int32_t priority) {
  return priority == 0 ? 9999 : priority;
}

}  // namespace

SortKey SortKeyNamed(std::string_view sSortBy) {
  if (sSortBy == "Order") return SortKey::Order;
  if (sSortBy == "DoToday") return SortKey::DoToday;
  if (sSortBy == "Description") return SortKey::Description;
  if (sSortBy == "Priority") return SortKey::Priority;
  if (sSortBy == "Title" || sSortBy == "DisplayTitle") return SortKey::DisplayTitle;
  return SortKey::None;
}

int CompareText(std::string_view a, std::string_view b) {
  // memcmp compares as unsigned char, so bytes above 127 sort after ASCII.
  const size_t common = std::min(a.size(), b.size());
  const int result = common == 0 ? 0 : std::memcmp(a.data(), b.data(), common);
  if (result != 0) return result;
  return a.size() < b.size() ? -1 : (a.size() > b.size() ? 1 : 0);
}

bool SortsAfter(const tVarno& a, const tVarno& b, SortKey key) {
  switch (key) {
    case SortKey::Order:
      return CompareText(a.Order, b.Order) > 0;
    case SortKey::DoToday:
      return CompareText(a.DoToday, b.DoToday) > 0;
    case SortKey::Description:
      return CompareText(a.Description, b.Description) > 0;
    case SortKey::Priority:
      return SortPriority(a.Priority) > SortPriority(b.Priority);
    case SortKey::DisplayTitle:
      return CompareText(a.DisplayTitle, b.DisplayTitle) > 0;
    case SortKey::None:
      break;
  }
  return false;
}

void SortItems(std::vector<tVarno>& items, int32_t count, SortKey key) {
  if (key == SortKey::None || count < 2) return;
  const auto before = [&items, key](uint32_t a, uint32_t b) {
    return SortsAfter(items[b], items[a], key);
  };
  // A list sorted by the last run usually still is: then nothing moves.
  const auto first = items.begin();
  const auto last = first + count;
  if (std::is_sorted(first, last,
                     [key](const tVarno& a, const tVarno& b) { return SortsAfter(b, a, key); })) {
    return;
  }
  // The designed exchange sort swaps neighbours only when the first is
  // strictly greater: a stable ascending sort, done here in n log n on
  // positions, so each record moves once.
  std::vector<uint32_t> order(static_cast<size_t>(count));
  for (uint32_t i = 0; i < order.size(); ++i) order[i] = i;
  std::stable_sort(order.begin(), order.end(), before);
  // Each cycle of the permutation is followed in place: a second array of
  // records would cost more in fresh memory than the sort itself.
  for (uint32_t start = 0; start < order.size(); ++start) {
    if (order[start] == start) continue;
    tVarno held = std::move(items[start]);
    uint32_t to = start;
    for (uint32_t from = order[to]; from != start; from = order[to]) {
      items[to] = std::move(items[from]);
      order[to] = to;
      to = from;
    }
    items[to] = std::move(held);
    order[to] = to;
  }
}

void OrderList(RunState& run) {
  tVarnoList& list = run.List;
  Report(run, 6000,
         " Bubble sort by \"" + list.sSortBy +
             "\". iVarnoArrayCount=" + std::to_string(list.iVarnoArrayCount));
  Report(run, 6010, " RedoID=" + BooleanTStr(run.RedoID, "True", "False"));
  run.LogRec.Trace = 6090;
  if (list.iVarnoArrayCount > 0) run.LogRec.Trace = 6100;
  SortItems(list.VarnoArray, list.iVarnoArrayCount, SortKeyNamed(list.sSortBy));
  run.LogRec.Trace = 6900;
}

int32_t WrittenID(const tVarno& item, int32_t p, bool redoID) {
  return redoID ? p + 1 : item.ID;
}
