// A text member of an item: most are the loaded list file's own bytes, so an
// item refers to them where they stand instead of holding a copy; a text the
// loader had to rewrite, or that a run sets, is held by the item itself.
#pragma once

#include <compare>
#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>

class ItemText {
 public:
  ItemText() = default;
  // A copy holds its own bytes only where the original does.
  ItemText(const ItemText& other) { ReferLike(other); }
  ItemText(ItemText&& other) noexcept : data_(other.data_), size_(other.size_), held_(other.held_) {
    other.Forget();
  }
  ItemText& operator=(const ItemText& other) {
    if (this != &other) ReferLike(other);
    return *this;
  }
  ItemText& operator=(ItemText&& other) noexcept {
    if (this != &other) {
      Release();
      data_ = other.data_;
      size_ = other.size_;
      held_ = other.held_;
      other.Forget();
    }
    return *this;
  }
  ~ItemText() { Release(); }

  // Holds a copy of `text`, which may be a part of this text itself: it is
  // copied before this room is given back.
  ItemText& operator=(std::string_view text) {
    ItemText copy;
    copy.Hold(text);
    return *this = std::move(copy);
  }
  // Refers to `text` where it stands: it must outlive this item text and
  // its copies.
  void Refer(std::string_view text) {
    Release();
    data_ = text.data();
    size_ = Checked(text.size());
  }
  std::string_view View() const { return {data_, size_}; }
  // An item's text goes wherever a text is read.
  operator std::string_view() const { return View(); }
  explicit operator std::string() const { return std::string(View()); }
  // The members of a standard text by their standard names, so that an
  // item's text reads like any other.
  // NOLINTBEGIN(readability-identifier-naming)
  const char* data() const { return data_; }
  size_t size() const { return size_; }
  bool empty() const { return size_ == 0; }
  char front() const { return data_[0]; }
  char back() const { return data_[size_ - 1]; }
  void clear() { Release(); }
  // NOLINTEND(readability-identifier-naming)

  friend bool operator==(const ItemText& a, std::string_view b) { return a.View() == b; }
  friend std::strong_ordering operator<=>(const ItemText& a, std::string_view b) {
    return a.View() <=> b;
  }

 private:
  // The same text as `other`, held or referred to as `other` has it.
  void ReferLike(const ItemText& other) {
    if (other.held_) {
      *this = other.View();
    } else {
      Refer(other.View());
    }
  }
  static uint32_t Checked(size_t size) {
    if (size > UINT32_MAX) throw std::length_error("item text over 4 GB");
    return static_cast<uint32_t>(size);
  }
  void Hold(std::string_view text) {
    if (text.empty()) return;
    const uint32_t size = Checked(text.size());
    char* room = new char[size];
    text.copy(room, size);
    data_ = room;
    size_ = size;
    held_ = true;
  }
  void Release() {
    if (held_) delete[] data_;
    Forget();
  }
  void Forget() {
    data_ = "";
    size_ = 0;
    held_ = false;
  }

  const char* data_ = "";
  uint32_t size_ = 0;
  bool held_ = false;
};

// Texts joined with an item text, as with std::string.
inline std::string operator+(std::string text, const ItemText& tail) {
  return text.append(tail.View());
}
inline std::string operator+(const ItemText& head, std::string_view tail) {
  return std::string(head.View()).append(tail);
}
