#include "support/loaded_text.h"

#include <cstring>
#include <new>

namespace {

// From this size on a room is aligned to, and rounded up to, a large page.
constexpr size_t kLargePage = size_t{2} << 20;

}  // namespace

void AlignedRoomDelete::operator()(char* room) const {
  ::operator delete (room, std::align_val_t{alignment});
}

char* LoadedText::RoomAfter(size_t held, size_t more) {
  if (held + more > capacity_) {
    // A file that grows while it is read is rare: twice the room then.
    size_t capacity = held + more > 2 * capacity_ ? held + more : 2 * capacity_;
    const size_t alignment = capacity >= kLargePage ? kLargePage : alignof(std::max_align_t);
    capacity = (capacity + alignment - 1) / alignment * alignment;
    std::unique_ptr<char, AlignedRoomDelete> room(
        static_cast<char*>(::operator new (capacity, std::align_val_t{alignment})),
        AlignedRoomDelete{alignment});
    platform::AdviseLargeRoom(room.get(), capacity);
    if (held > 0) std::memcpy(room.get(), room_.get(), held);
    room_ = std::move(room);
    capacity_ = capacity;
  }
  return room_.get() + held;
}

bool LoadedText::Read(const std::string& path) {
  size_ = 0;
  const int64_t size = platform::ReadWholeFileInto(path, *this);
  if (size < 0) return false;
  size_ = static_cast<size_t>(size);
  return true;
}

void LoadedText::Assign(std::string_view text) {
  if (text.empty()) {
    size_ = 0;
    return;
  }
  // A part of the text held now is copied before its room may be given back.
  const std::string copy(text);
  std::memcpy(RoomAfter(0, copy.size()), copy.data(), copy.size());
  size_ = copy.size();
}
