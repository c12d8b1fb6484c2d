// How many times each item ID has been met, without a node per ID.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// A count per ID. IDs are counted once per item of a list, so the room is
// made for them all at once. A list numbers its items from 1 on, so an ID up
// to about twice the count expected is counted in a plain array at the ID's
// index; any other in one block of memory looked up by the ID's hash alone
// (open addressing, linear probing) instead of a node per ID.
class IdCounts {
 public:
  // Room for `expected` IDs numbered from 1 on without growing.
  explicit IdCounts(size_t expected = 0) : direct_(2 * expected + 16) { Resize(16); }

  // Counts `id` once more; the count after it.
  int32_t Add(int32_t id) {
    if (InDirect(id)) return ++direct_[static_cast<size_t>(id)];
    if (2 * (used_ + 1) > slots_.size()) Resize(2 * slots_.size());
    Slot& slot = SlotOf(id);
    if (slot.count == 0) {
      slot.id = id;
      ++used_;
    }
    return ++slot.count;
  }
  // How many times `id` was counted; 0 for none.
  int32_t CountOf(int32_t id) const {
    if (InDirect(id)) return direct_[static_cast<size_t>(id)];
    return slots_[IndexOf(id)].count;
  }

 private:
  // An empty slot has count 0: an ID once counted stays at 1 or more.
  struct Slot {
    int32_t id = 0;
    int32_t count = 0;
  };

  bool InDirect(int32_t id) const { return id >= 0 && static_cast<size_t>(id) < direct_.size(); }
  // The slot holding `id`, or the empty one where it would go.
  size_t IndexOf(int32_t id) const {
    const size_t mask = slots_.size() - 1;
    // Multiplying by an odd number gives IDs that differ only in the table's
    // bits slots of their own, spread apart.
    size_t at = (static_cast<uint32_t>(id) * 0x9E3779B9U) & mask;
    while (slots_[at].count != 0 && slots_[at].id != id) at = (at + 1) & mask;
    return at;
  }
  Slot& SlotOf(int32_t id) { return slots_[IndexOf(id)]; }
  void Resize(size_t size) {
    std::vector<Slot> old(size);
    old.swap(slots_);
    for (const Slot& slot : old) {
      if (slot.count != 0) SlotOf(slot.id) = slot;
    }
  }

  std::vector<int32_t> direct_;
  std::vector<Slot> slots_;
  size_t used_ = 0;
};
