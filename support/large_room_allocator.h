// An allocator that puts large arrays on large pages where the system has them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <new>

#include "platform/platform.h"

// Arrays of kLargeRoomBytes or more go to platform::TakeLargeRoom, smaller
// ones to the usual heap: a large page is worth its zeroing only for an array
// that fills much of it.
inline constexpr size_t kLargeRoomBytes = size_t{1} << 20;

template <typename T>
class LargeRoomAllocator {
 public:
  // The members a standard container asks of an allocator, by their names.
  // NOLINTBEGIN(readability-identifier-naming)
  using value_type = T;

  LargeRoomAllocator() = default;
  template <typename U>
  explicit LargeRoomAllocator(const LargeRoomAllocator<U>& /*other*/) {}

  T* allocate(size_t count) {
    if (count > SIZE_MAX / sizeof(T)) throw std::bad_array_new_length();
    const size_t size = count * sizeof(T);
    if (size < kLargeRoomBytes) return static_cast<T*>(::operator new(size));
    void* const room = platform::TakeLargeRoom(size);
    if (room == nullptr) throw std::bad_alloc();
    return static_cast<T*>(room);
  }
  void deallocate(T* array, size_t count) {
    const size_t size = count * sizeof(T);
    if (size < kLargeRoomBytes) {
      ::operator delete(array);
    } else {
      platform::GiveBackLargeRoom(array, size);
    }
  }
  // NOLINTEND(readability-identifier-naming)

  friend bool operator==(const LargeRoomAllocator& /*a*/, const LargeRoomAllocator& /*b*/) {
    return true;
  }
};
