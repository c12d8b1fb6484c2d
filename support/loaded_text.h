// A file's whole text, read straight into a room of its own and then only
// looked at: a list of 10,000 items is 5 MB, whose first touch costs more
// than reading it, so the room of a long text is aligned for large pages
// and not filled with zeros first.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

#include "platform/platform.h"

// Gives back a room of the alignment it was taken with.
struct AlignedRoomDelete {
  size_t alignment = 0;
  void operator()(char* room) const;
};

class LoadedText final : private platform::ReadTarget {
 public:
  LoadedText() = default;
  LoadedText(const LoadedText&) = delete;
  LoadedText& operator=(const LoadedText&) = delete;
  ~LoadedText() = default;

  // Reads the whole file at `path`, in place of what was held; false when it
  // cannot be opened or read.
  bool Read(const std::string& path);
  // Holds `text` in place of what was held.
  void Assign(std::string_view text);
  std::string_view View() const { return {room_.get(), size_}; }

 private:
  char* RoomAfter(size_t held, size_t more) override;

  std::unique_ptr<char, AlignedRoomDelete> room_;
  size_t capacity_ = 0;
  size_t size_ = 0;
};
