#include "tasklist/list_format.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <optional>

#include "support/plain_runs.h"
#include "support/room_writer.h"
#include "support/settings.h"
#include "support/text_helpers.h"
#include "support/text_tools.h"
#include "support/utf8_text.h"

namespace {

// The time stamp of the "Created" and "Updated" members.
std::string StampOf(DateTime now) {
  return FormatDateTime("hh:nn:ss dd/mm/yy", now) + " by varno.exe v" + kVersion;
}

void AppendStringMember(std::string& out, std::string_view indentedName, std::string_view value) {
  out.append(indentedName).append(":\"");
  AppendListString(out, value);
  out.append("\",").append(kCrLf);
}

void AppendNumberMember(std::string& out, std::string_view indentedName, long long value) {
  out.append(indentedName).append(":");
  AppendNumber(out, value);
  out.append(",").append(kCrLf);
}

// One character of a string value other than a double quote, written at
// `at`; returns the end of what was written (at most six bytes). Braces are
// written as JSON escapes: the loader finds items by the braces on a line.
char* PutHeldChar(char* at, char c) {
  const auto put = [at](std::string_view text) {
    std::memcpy(at, text.data(), text.size());
    return at + text.size();
  };
  if (c == '\\') return put("\\\\");
  if (c == '{') return put("\\u007b");
  if (c == '}') return put("\\u007d");
  *at = static_cast<unsigned char>(c) < 0x20 ? ' ' : c;
  return at + 1;
}

// The characters a string value is held as they are: all but double quotes,
// backslashes, braces and control characters.
constexpr PlainByteSet kPlainInList = {0x20, 0xFF, {'"', '\\', '{', '}'}};

// A string value as the list file holds it; with `quotesAsEscapes` a double
// quote is written "%22" instead of left out. Plain characters are copied a
// run at a time.
void PutHeld(RoomWriter& w, std::string_view value, bool quotesAsEscapes) {
  ForEachPlainRun(
      value, kPlainInList, [&w](std::string_view run) { w.Put(run); },
      [&w, value, quotesAsEscapes](size_t at) {
        if (value[at] != '"') {
          w.Next() = PutHeldChar(w.Next(), value[at]);
        } else if (quotesAsEscapes) {
          w.Put("%22");
        }
        return at + 1;
      });
}

// The UTF-16 code unit of the escape "\uXXXX" at `at` (four hex digits in
// either case); nullopt for none.
std::optional<char32_t> EscapedUnitAt(std::string_view text, size_t at) {
  if (text.size() < at + 6 || text[at] != '\\' || text[at + 1] != 'u') return std::nullopt;
  const char* const digits = text.data() + at + 2;
  uint32_t unit = 0;
  const auto [end, error] = std::from_chars(digits, digits + 4, unit, 16);
  if (error != std::errc() || end != digits + 4) return std::nullopt;
  return static_cast<char32_t>(unit);
}

// The most bytes one character of a value takes once held.
constexpr size_t kMostPerHeldChar = 6;

}  // namespace

std::string_view DecodeURLEscapes(std::string_view text, std::string& room) {
  if (!HoldsUrlEscape(text)) return text;
  room = reported::DecodeUrlText(text);
  return room;
}

void AppendListString(std::string& out, std::string_view value) {
  RoomWriter w(out, kMostPerHeldChar * value.size());
  PutHeld(w, value, false);
  w.Finish();
}

void AppendListEncodedText(std::string& out, std::string_view value) {
  std::string decoded;
  value = DecodeURLEscapes(value, decoded);
  RoomWriter w(out, kMostPerHeldChar * value.size());
  PutHeld(w, value, true);
  w.Finish();
}

void AssignOrderText(std::string& text, long long order) {
  // Each item of a list loaded has its order written: the zeros and the sign
  // go in front of the digits in one buffer, assigned at once.
  char digits[32];
  char* start = digits + 5;  // room for the zeros and the sign
  const auto magnitude = order < 0 ? 0 - static_cast<unsigned long long>(order)
                                   : static_cast<unsigned long long>(order);
  char* const end = std::to_chars(start, digits + sizeof digits, magnitude).ptr;
  while (end - start < 5) *--start = '0';
  if (order < 0) *--start = '-';
  text.assign(start, static_cast<size_t>(end - start));
}

std::string OrderText(int32_t order) {
  std::string text;
  AssignOrderText(text, order);
  return text;
}

std::string ReadListString(std::string value) {
  if (value.find('\\') == std::string::npos) return value;
  // One pass from left to right, so a doubled backslash never starts an
  // escape: the file text \\u007b reads back as \u007b, not as a brace.
  std::string result;
  result.reserve(value.size());
  for (size_t i = 0; i < value.size(); ++i) {
    const char next = i + 1 < value.size() ? value[i + 1] : '\0';
    if (value[i] != '\\') {
      result.push_back(value[i]);
    } else if (next == '\\' || next == '/') {
      result.push_back(next);
      ++i;
    } else if (const std::optional<char32_t> unit = EscapedUnitAt(value, i)) {
      bool paired = false;
      const char32_t code = Utf16Char(*unit, EscapedUnitAt(value, i + 6), paired);
      i += paired ? 11 : 5;
      AppendUtf8Char(result, code);
    } else {
      result.push_back('\\');
    }
  }
  return result;
}

std::string ListTemplateText(DateTime now, const std::string& feedName) {
  std::string out = "{";
  out.append(kCrLf);
  out.append("  \"Created\":\"").append(StampOf(now)).append("\",").append(kCrLf);
  AppendStringMember(out, "  \"RSSOutput\"", feedName);
  out.append("  \"Trace\":\"Main():920 v").append(kVersion).append("\",").append(kCrLf);
  for (const char* line : {"  \"SortBy\":\"Order\",", "  \"Link\":\"\",", "  \"ItemLink\":\"\",",
                           "  \"HeadTitle\":\"Varno\",", "  \"NextID\":1,", "  \"SCount\":0,",
                           "  \"items\":", "  [", "  ]", "}"}) {
    out.append(line).append(kCrLf);
  }
  return out;
}

void AppendListHeader(std::string& out, const ItemList& list, DateTime now, int32_t trace) {
  out.append("{").append(kCrLf);
  out.append("  \"Updated\":\"").append(StampOf(now)).append("\",").append(kCrLf);
  AppendStringMember(out, "  \"RSSOutput\"", list.feedName);
  out.append("  \"Trace\":\"Main():").append(std::to_string(trace)).append("\",").append(kCrLf);
  AppendStringMember(out, "  \"SortBy\"", list.sortBy);
  AppendStringMember(out, "  \"Link\"", list.link);
  // The ItemLink line is carried over as read.
  out.append("  ").append(Trim(list.itemLinkLine)).append(kCrLf);
  AppendStringMember(out, "  \"HeadTitle\"", list.headTitle);
  // "NextID" must load again as a 32-bit whole number: after the largest ID
  // it stays at that ID rather than make the list unreadable.
  AppendNumberMember(out, "  \"NextID\"",
                     std::min<long long>(static_cast<long long>(list.maxId) + 1, INT32_MAX));
  out.append("  \"items\":[").append(kCrLf);
}

namespace {

// The members from "ID" to "Flags", up to the opening quote of the Flags value.
void PutEntryHead(RoomWriter& w, const Item& item, const ListEntry& entry, bool first) {
  if (first) {
    w.Put("  {\r\n    \"ID\":");
  } else {
    w.Put(",\r\n  {\r\n    \"ID\":");
  }
  w.PutNumber(entry.writtenId);
  w.Put(",\r\n    \"Count\":");
  w.PutNumber(entry.count);
  w.Put(",\r\n    \"Order\":\"");
  // At least three digits.
  if (entry.order < 10) {
    w.Put("00");
  } else if (entry.order < 100) {
    w.Put("0");
  }
  w.PutNumber(entry.order);
  w.Put("\",\r\n    \"Days\":");
  w.PutNumber(item.days);
  if (item.active) {
    w.Put(",\r\n    \"Active\":true,\r\n    \"DoToday\":\"");
  } else {
    w.Put(",\r\n    \"Active\":false,\r\n    \"DoToday\":\"");
  }
  PutHeld(w, item.doToday, false);
  if (item.doToday.empty()) {
    w.Put("\",\r\n    \"DoTodayBoolean\":false,\r\n    \"Flags\":\"");
  } else {
    w.Put("\",\r\n    \"DoTodayBoolean\":true,\r\n    \"Flags\":\"");
  }
}

}  // namespace

void AppendListEntry(std::string& out, const Item& item, const ListEntry& entry, bool first) {
  // Decoding only ever shortens a text.
  std::string decodedTitle, decodedDescription;
  const std::string_view title = DecodeURLEscapes(item.title, decodedTitle);
  const std::string_view description = DecodeURLEscapes(item.description, decodedDescription);
  const size_t values = item.doToday.size() + item.flags.size() + title.size() +
                        entry.displayTitle.size() + description.size() + item.status.size() +
                        item.etc.size() + item.notes.size() + item.repeat.size();
  RoomWriter w(out, kListEntryFixedSize + kMostPerHeldChar * values);
  PutEntryHead(w, item, entry, first);
  PutHeld(w, item.flags, false);
  w.Put("\",\r\n    \"Priority\":");
  w.PutNumber(item.priority);
  if (item.isPublic) {
    w.Put(",\r\n    \"Public\":true,\r\n    \"Title\":\"");
  } else {
    w.Put(",\r\n    \"Public\":false,\r\n    \"Title\":\"");
  }
  PutHeld(w, title, true);
  w.Put("\",\r\n    \"DisplayTitle\":\"");
  PutHeld(w, entry.displayTitle, false);
  w.Put("\",\r\n    \"Description\":\"");
  PutHeld(w, description, true);
  w.Put("\",\r\n    \"Status\":\"");
  PutHeld(w, item.status, false);
  w.Put("\",\r\n    \"ETC\":\"");
  PutHeld(w, item.etc, false);
  w.Put("\",\r\n    \"Notes\":\"");
  PutHeld(w, item.notes, false);
  w.Put("\",\r\n    \"Repeat\":\"");
  PutHeld(w, item.repeat, false);
  w.Put("\"\r\n  }");
  w.Finish();
}

void CloseListText(std::string& out) {
  // After the last entry the array closes on the entry's own brace line;
  // without entries it closes on a line of its own below the "items" line.
  out.append("]").append(kCrLf).append("}");
}
