#include "tasklist/ordering.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "support/text_helpers.h"
#include "support/text_tools.h"

namespace {

// An unset priority (0) sorts after every set one.
int32_t SortPriority(int32_t priority) {
  return priority == 0 ? 9999 : priority;
}

// The text an item sorts by under a text key (Order for any other).
std::string_view TextKeyOf(const Item& item, SortKey key) {
  switch (key) {
    case SortKey::kDoToday:
      return item.doToday;
    case SortKey::kDescription:
      return item.description;
    case SortKey::kDisplayTitle:
      return item.displayTitle;
    default:
      return item.order;
  }
}

// An item's place in the sort, and the lead of its key: the priority, or the
// first bytes of its text as one big-endian number (OrderLead for an order).
// Leads that differ order their items as the keys do; equal leads leave the
// keys to compare.
struct SortEntry {
  uint64_t lead;
  uint32_t index;
};

// The first `count` bytes of `text` (missing bytes as 0), big-endian.
uint64_t BytesLead(std::string_view text, size_t count) {
  uint64_t lead = 0;
  for (size_t i = 0; i < count; ++i) {
    lead = lead << 8 | (i < text.size() ? static_cast<unsigned char>(text[i]) : 0u);
  }
  return lead;
}

// Orders that start with a digit compare by their length first, then as
// text: they lead with "0" (every digit sorts between the bytes below "0" and
// those above "9", as against any other order), then their length in two
// bytes, then their first five bytes. Any other order leads as a text.
uint64_t OrderLead(std::string_view order) {
  if (order.empty() || !IsDigit(order.front())) return BytesLead(order, 8);
  constexpr uint64_t kLongest = 0xFFFF;
  const uint64_t digitsLead = uint64_t{'0'} << 56;
  // Lengths beyond two bytes share one lead, and leave the rest to the keys.
  if (order.size() >= kLongest) return digitsLead | kLongest << 40;
  return digitsLead | uint64_t{order.size()} << 40 | BytesLead(order, 5);
}

uint64_t LeadOf(const Item& item, SortKey key) {
  if (key == SortKey::kPriority) {
    return static_cast<uint64_t>(static_cast<int64_t>(SortPriority(item.priority)) - INT32_MIN);
  }
  if (key == SortKey::kOrder) return OrderLead(item.order);
  return BytesLead(TextKeyOf(item, key), 8);
}

// The items' places in sorted order. The order is that of an exchange sort
// that swaps neighbours only when the first is strictly greater: a stable
// ascending sort, here on (key, place), which no two items share. Most
// comparisons are decided by the leads, held side by side, without reaching
// the records. A list sorted by the last run has few items out of place, if
// any (one changed or added): the rest are taken in their order in one walk,
// and only the few are sorted and merged in.
std::vector<SortEntry> SortedEntries(const ItemArray& items, SortKey key) {
  const auto before = [&items, key](const SortEntry& a, const SortEntry& b) {
    if (a.lead != b.lead) return a.lead < b.lead;
    const int order = CompareByKey(items[a.index], items[b.index], key);
    return order != 0 ? order < 0 : a.index < b.index;
  };
  std::vector<SortEntry> inOrder, outOfPlace;
  inOrder.reserve(items.size());
  for (uint32_t i = 0; i < items.size(); ++i) {
    const SortEntry entry{LeadOf(items[i], key), i};
    if (inOrder.empty() || !before(entry, inOrder.back())) {
      inOrder.push_back(entry);
    } else if (inOrder.size() < 2 || !before(entry, inOrder[inOrder.size() - 2])) {
      // The one taken last stands out above both its neighbours: an item
      // moved back, or sorting after the rest.
      outOfPlace.push_back(inOrder.back());
      inOrder.back() = entry;
    } else {
      outOfPlace.push_back(entry);
    }
  }
  if (outOfPlace.empty()) return inOrder;
  std::sort(outOfPlace.begin(), outOfPlace.end(), before);
  std::vector<SortEntry> entries(items.size());
  std::merge(inOrder.begin(), inOrder.end(), outOfPlace.begin(), outOfPlace.end(), entries.begin(),
             before);
  return entries;
}

// The cycles of the permutation `entries` (slot i takes the record at
// entries[i].index), each as its first slot, the slots its records come from
// in turn, and its first slot again. Slots that keep their record are left
// out. `entries` is used up.
std::vector<uint32_t> CyclesOf(std::vector<SortEntry>& entries) {
  std::vector<uint32_t> cycles;
  for (uint32_t start = 0; start < entries.size(); ++start) {
    if (entries[start].index == start) continue;
    cycles.push_back(start);
    uint32_t to = start;
    for (uint32_t from = entries[to].index; from != start; from = entries[to].index) {
      cycles.push_back(from);
      entries[to].index = to;
      to = from;
    }
    entries[to].index = to;
    cycles.push_back(start);
  }
  return cycles;
}

// Each record moves once, along its cycle, in place: a second array of
// records would cost more in fresh memory than the sort itself. With the
// cycles traced beforehand, no move waits for a lookup, so moves of records
// far apart can overlap.
void MoveAlongCycles(ItemArray& items, const std::vector<uint32_t>& cycles) {
  for (size_t m = 0; m < cycles.size();) {
    const uint32_t start = cycles[m];
    Item held = std::move(items[start]);
    uint32_t to = start;
    for (++m; cycles[m] != start; ++m) {
      items[to] = std::move(items[cycles[m]]);
      to = cycles[m];
    }
    items[to] = std::move(held);
    ++m;
  }
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

int CompareOrders(std::string_view a, std::string_view b) {
  const bool bothNumbers = !a.empty() && !b.empty() && IsDigit(a.front()) && IsDigit(b.front());
  if (bothNumbers && a.size() != b.size()) return a.size() < b.size() ? -1 : 1;
  return CompareText(a, b);
}

int CompareByKey(const Item& a, const Item& b, SortKey key) {
  switch (key) {
    case SortKey::kNone:
      return 0;
    case SortKey::kOrder:
      return CompareOrders(a.order, b.order);
    case SortKey::kPriority: {
      const int32_t first = SortPriority(a.priority);
      const int32_t second = SortPriority(b.priority);
      return first < second ? -1 : (first > second ? 1 : 0);
    }
    default:
      return CompareText(TextKeyOf(a, key), TextKeyOf(b, key));
  }
}

void SortItems(ItemArray& items, SortKey key) {
  if (key == SortKey::kNone || items.size() < 2) return;
  // A list in order already has no cycles: then nothing moves.
  std::vector<SortEntry> entries = SortedEntries(items, key);
  MoveAlongCycles(items, CyclesOf(entries));
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
