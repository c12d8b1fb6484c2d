#include "tasklist/ordering.h"

#include <algorithm>
#include <cstring>

#include "support/text_helpers.h"

namespace {

// An unset priority (0) sorts after every set one.
int32_t SortPriority(int32_t priority) {
  return priority == 0 ? 9999 : priority;
}

}  // namespace

SortKey SortKeyNamed(std::string_view sortBy) {
  if (sortBy == "Order") return SortKey::kOrder;
  if (sortBy == "DoToday") return SortKey::kDoToday;
  if (sortBy == "Description") return SortKey::kDescription;
  if (sortBy == "Priority") return SortKey::kPriority;
  if (sortBy == "Title" || sortBy == "DisplayTitle") return SortKey::kDisplayTitle;
  return SortKey::kNone;
}

int CompareText(std::string_view a, std::string_view b) {
  // memcmp compares as unsigned char, so bytes above 127 sort after ASCII.
  const size_t common = std::min(a.size(), b.size());
  const int result = common == 0 ? 0 : std::memcmp(a.data(), b.data(), common);
  if (result != 0) return result;
  return a.size() < b.size() ? -1 : (a.size() > b.size() ? 1 : 0);
}

bool SortsAfter(const Item& a, const Item& b, SortKey key) {
  switch (key) {
    case SortKey::kOrder:
      return CompareText(a.order, b.order) > 0;
    case SortKey::kDoToday:
      return CompareText(a.doToday, b.doToday) > 0;
    case SortKey::kDescription:
      return CompareText(a.description, b.description) > 0;
    case SortKey::kPriority:
      return SortPriority(a.priority) > SortPriority(b.priority);
    case SortKey::kDisplayTitle:
      return CompareText(a.displayTitle, b.displayTitle) > 0;
    case SortKey::kNone:
      break;
  }
  return false;
}

void SortItems(std::vector<Item>& items, SortKey key) {
  if (key == SortKey::kNone || items.size() < 2) return;
  const auto before = [&items, key](uint32_t a, uint32_t b) {
    return SortsAfter(items[b], items[a], key);
  };
  // A list sorted by the last run usually still is: then nothing moves.
  const auto first = items.begin();
  const auto last = items.end();
  if (std::is_sorted(first, last,
                     [key](const Item& a, const Item& b) { return SortsAfter(b, a, key); })) {
    return;
  }
  // The order is that of an exchange sort that swaps neighbours only when the
  // first is strictly greater: a stable ascending sort, done here in n log n
  // on positions, so each record moves once.
  std::vector<uint32_t> order(items.size());
  for (uint32_t i = 0; i < order.size(); ++i) order[i] = i;
  std::stable_sort(order.begin(), order.end(), before);
  // Each cycle of the permutation is followed in place: a second array of
  // records would cost more in fresh memory than the sort itself.
  for (uint32_t start = 0; start < order.size(); ++start) {
    if (order[start] == start) continue;
    Item held = std::move(items[start]);
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

void OrderList(ItemList& list, bool redoId, RunLog& log) {
  log.Report(6000, " Bubble sort by \"" + list.sortBy +
                       "\". iVarnoArrayCount=" + std::to_string(list.items.size()));
  log.Report(6010, " RedoID=" + reported::BooleanText(redoId, "True", "False"));
  log.trace = list.items.empty() ? 6090 : 6100;
  SortItems(list.items, SortKeyNamed(list.sortBy));
  log.trace = 6900;
}

int32_t WrittenId(const Item& item, size_t p, bool redoId) {
  return redoId ? static_cast<int32_t>(p + 1) : item.id;
}
