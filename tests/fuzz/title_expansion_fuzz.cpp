// The title expansion on any title and repeat text, seen on any day from the
// year 1 to 9999. The input is "now|ID|priority|days", a line break, the
// title, a line break and the repeat text. The expansion never fails.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "fuzz_support.h"
#include "tasklist/title_placeholders.h"

namespace {

constexpr DateTime kFirstDay = -693593;  // 0001-01-01
constexpr DateTime kLastDay = 2958465;   // 9999-12-31

// The next "|"- or line-ended field of `input`, removed from it.
std::string_view NextField(std::string_view& input, char end) {
  const size_t at = input.find(end);
  const std::string_view field = input.substr(0, at);
  input.remove_prefix(at == std::string_view::npos ? input.size() : at + 1);
  return field;
}

int32_t WholeNumber(std::string_view field) {
  return static_cast<int32_t>(std::strtol(std::string(field).c_str(), nullptr, 10));
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzz::EnterQuietScratchFolder();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view input = fuzz::TextOf(data, size);
  std::string_view head = NextField(input, '\n');
  const double day = std::strtod(std::string(NextField(head, '|')).c_str(), nullptr);
  if (!(day >= kFirstDay && day < kLastDay + 1)) return 0;  // the clock gives no other day
  Item item;
  item.id = WholeNumber(NextField(head, '|'));
  item.priority = WholeNumber(NextField(head, '|'));
  item.days = WholeNumber(head);
  item.title = std::string(NextField(input, '\n'));
  item.repeat = std::string(input);
  GetTitleDate(item.title, item.repeat, day);
  ExpandTitle(item, day);
  return 0;
}
