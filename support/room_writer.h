// Writing a text piece by piece into room made for it beforehand.
#pragma once

#include <charconv>
#include <cstring>
#include <string>
#include <string_view>

// Writes into room made beforehand at the end of a text, so that no piece is
// measured or checked on its own: fixed texts are copied with a length known
// when compiling. The room must hold all that is written; Finish() cuts the
// text back to what was written.
class RoomWriter {
 public:
  RoomWriter(std::string& out, size_t room) : out_(out) {
    const size_t start = out.size();
    out.resize(start + room);
    next_ = out.data() + start;
  }
  template <size_t N>
  void Put(const char (&text)[N]) {
    std::memcpy(next_, text, N - 1);
    next_ += N - 1;
  }
  void Put(std::string_view text) {
    std::memcpy(next_, text.data(), text.size());
    next_ += text.size();
  }
  void PutChar(char c) { *next_++ = c; }
  // At most 20 bytes.
  void PutNumber(long long value) { next_ = std::to_chars(next_, next_ + 24, value).ptr; }
  // For writers of their own: the place of the next byte, moved on by them.
  char*& Next() { return next_; }
  void Finish() { out_.resize(static_cast<size_t>(next_ - out_.data())); }

 private:
  std::string& out_;
  char* next_;
};
