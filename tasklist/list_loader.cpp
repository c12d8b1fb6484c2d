#include "tasklist/list_loader.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>
#include <exception>
#include <iterator>
#include <optional>
#include <utility>
#include <vector>

#include "platform/platform.h"
#include "support/byte_masks.h"
#include "support/failures.h"
#include "support/helper_threads.h"
#include "support/steps_ahead.h"
#include "support/text_file.h"
#include "support/text_helpers.h"
#include "support/text_tools.h"
#include "support/utf8_text.h"
#include "support/whole_number.h"
#include "tasklist/list_format.h"
#include "tasklist/title_placeholders.h"

namespace {

// `member` when `name`, of the length of `text`, is `text`; kNone otherwise.
// Compared at a length known when compiling: a few instructions, not a call,
// however the compiler inlines the callers.
template <size_t N>
ListMember NamedAs(std::string_view name, const char (&text)[N], ListMember member) {
  return std::memcmp(name.data(), text, N - 1) == 0 ? member : ListMember::kNone;
}

// The row of the member table whose quoted name (followed by ":") is
// `name`; kNone for any other. "{" (row 1) is tested apart. Every line of a
// list asks, so the length and a letter pick the one name to compare with.
ListMember MemberNamed(std::string_view name) {
  using enum ListMember;
  switch (name.size()) {
    case 2:
      return NamedAs(name, "ID", kId);
    case 3:
      return NamedAs(name, "ETC", kEtc);
    case 4:
      return name[0] == 'D' ? NamedAs(name, "Days", kDays) : NamedAs(name, "Link", kLink);
    case 5:
      switch (name[0]) {
        case 'O':
          return NamedAs(name, "Order", kOrder);
        case 'T':
          return NamedAs(name, "Title", kTitle);
        case 'F':
          return NamedAs(name, "Flags", kFlags);
        default:
          return NamedAs(name, "Notes", kNotes);
      }
    case 6:
      switch (name[1]) {
        case 'c':
          return NamedAs(name, "Active", kActive);
        case 'u':
          return NamedAs(name, "Public", kPublic);
        case 'e':
          return NamedAs(name, "Repeat", kRepeat);
        case 'o':
          return NamedAs(name, "SortBy", kSortBy);
        default:
          return NamedAs(name, "Status", kStatus);
      }
    case 7:
      return NamedAs(name, "DoToday", kDoToday);
    case 8:
      return name[0] == 'P' ? NamedAs(name, "Priority", kPriority)
                            : NamedAs(name, "ItemLink", kItemLink);
    case 9:
      return name[0] == 'H' ? NamedAs(name, "HeadTitle", kHeadTitle)
                            : NamedAs(name, "RSSOutput", kRssOutput);
    case 11:
      return NamedAs(name, "Description", kDescription);
    default:
      return kNone;
  }
}

// The first `c` in [from, end), or nullptr.
const char* FindChar(const char* from, const char* end, char c) {
  return from < end
             ? static_cast<const char*>(std::memchr(from, c, static_cast<size_t>(end - from)))
             : nullptr;
}

// The line [start, lineEnd) that ended at an LF or the text's end, the CRs
// before that dropped: a file whose line ends were converted twice has two.
std::string_view LineUpTo(const char* start, const char* lineEnd) {
  while (lineEnd != start && lineEnd[-1] == '\r') --lineEnd;
  return {start, static_cast<size_t>(lineEnd - start)};
}

// The high bit of each byte of `word` that is zero.
constexpr uint64_t ZeroBytes(uint64_t word) {
  constexpr uint64_t kLow7 = 0x7F7F7F7F7F7F7F7Full;
  return ~(((word & kLow7) + kLow7) | word | kLow7);
}

// What the name between the neighbouring double quotes `open` and `close`
// (followed by ":") tells of its line, which ends before `end` at the latest.
void NoteQuotedName(LineFacts& facts, const char* open, const char* close, const char* end) {
  const std::string_view name(open + 1, static_cast<size_t>(close - open - 1));
  const ListMember member = MemberNamed(name);
  if (member != ListMember::kNone && (facts.member == ListMember::kNone || member < facts.member)) {
    facts.member = member;
  }
  facts.holdsNextId |= member == ListMember::kNone && name == "NextID";
  const bool id = member == ListMember::kId;
  facts.holdsSecondId |= id && facts.holdsId;
  facts.holdsId |= id;
  // The quote after the colon is on the line: neither CR nor LF is one.
  facts.holdsSortByText |= member == ListMember::kSortBy && close + 2 < end && close[2] == '"';
}

// Calls `onLine(line, facts, colon)` for each line of [begin, end) (up to its
// LF, a CR before that dropped) with what its double quotes tell, the braces
// left out, and where its first ":" stands (npos for none); one walk over the
// bytes finds the lines, the quotes and the colons together.
// Every text looked for but the braces is a quoted name and ":", so each of
// its occurrences lies between two neighbouring double quotes of a line, and
// the earliest row in the table wins. The bytes are looked at 64 at a time:
// only line feeds and quotes followed by a colon call for work.
template <typename OnLine>
void ForEachLineFacts(const char* begin, const char* end, OnLine onLine) {
  const char* lineStart = begin;
  const char* lastQuote = nullptr;   // of the line, in the blocks before this one
  const char* firstColon = nullptr;  // of the line, in the blocks before this one
  LineFacts facts;
  // A last line without LF ends where the text ends, as if one stood there:
  // in the last block, which is empty when the text fills its blocks.
  const bool lastLineOpen = begin < end && end[-1] != '\n';
  const auto length = static_cast<size_t>(end - begin);
  for (size_t offset = 0; offset < length || (offset == length && lastLineOpen);
       offset += kMaskBlockSize) {
    const char* const block = begin + offset;
    const size_t size = length - offset;
    BlockMasks masks;
    if (size >= kMaskBlockSize) {
      masks = BlockMasksOf(block);
    } else {
      char last[kMaskBlockSize] = {};
      std::memcpy(last, block, size);
      masks = BlockMasksOf(last);
      if (lastLineOpen) masks.lineFeeds |= uint64_t{1} << size;
    }
    // A ":" after the quote is on its line: it is not a line end.
    const bool colonAfterBlock = size > kMaskBlockSize && block[kMaskBlockSize] == ':';
    const uint64_t nameEnds =
        masks.quotes & ((masks.colons >> 1) | (uint64_t{colonAfterBlock} << 63));
    // The quotes and colons of the block not before the line's start.
    uint64_t quotesOfLine = masks.quotes;
    uint64_t colonsOfLine = masks.colons;
    for (uint64_t events = nameEnds | masks.lineFeeds; events != 0; events &= events - 1) {
      const int at = std::countr_zero(events);
      const uint64_t bit = uint64_t{1} << at;
      if ((masks.lineFeeds & bit) != 0) {
        const std::string_view line = LineUpTo(lineStart, block + at);
        if (firstColon == nullptr && (colonsOfLine & (bit - 1)) != 0) {
          firstColon = block + std::countr_zero(colonsOfLine);
        }
        onLine(line, facts,
               firstColon != nullptr ? static_cast<size_t>(firstColon - lineStart)
                                     : std::string_view::npos);
        lineStart = block + at + 1;
        facts = LineFacts{};
        lastQuote = nullptr;
        firstColon = nullptr;
        quotesOfLine &= ~(bit | (bit - 1));
        colonsOfLine &= ~(bit | (bit - 1));
        continue;
      }
      const uint64_t before = quotesOfLine & (bit - 1);
      const char* const open = before != 0 ? block + 63 - std::countl_zero(before) : lastQuote;
      if (open != nullptr) NoteQuotedName(facts, open, block + at, end);
    }
    if (quotesOfLine != 0) lastQuote = block + 63 - std::countl_zero(quotesOfLine);
    if (firstColon == nullptr && colonsOfLine != 0) {
      firstColon = block + std::countr_zero(colonsOfLine);
    }
  }
}

// Tells which lines hold a brace, walking the braces of the whole text once:
// they stand on few lines. Lines are asked about in their order.
class BraceLines {
 public:
  explicit BraceLines(std::string_view text)
      : end_(text.data() + text.size()),
        nextOpen_(FindChar(text.data(), end_, '{')),
        nextClose_(FindChar(text.data(), end_, '}')) {}
  // Whether the line that ends at `lineEnd` holds a "{", and a "}".
  bool HoldsOpen(const char* lineEnd) { return Passes(nextOpen_, lineEnd, '{'); }
  bool HoldsClose(const char* lineEnd) { return Passes(nextClose_, lineEnd, '}'); }

 private:
  bool Passes(const char*& next, const char* lineEnd, char brace) {
    if (next == nullptr || next >= lineEnd) return false;
    next = FindChar(lineEnd, end_, brace);
    return true;
  }
  const char* end_;
  const char* nextOpen_;
  const char* nextClose_;
};

// A line that sets a member, and where its first ":" stands (npos for none):
// the value rule reads what follows it.
struct MemberLine {
  std::string_view text;
  size_t colon;
};

MemberLine MemberLineOf(std::string_view text) {
  return {text, text.find(':')};
}

// The value rule's text before its double quotes are removed: the text after
// the first ":", its last character dropped when it holds a ",".
std::string_view RawValueOfLine(const MemberLine& line) {
  if (line.colon == std::string_view::npos) return {};
  std::string_view value = line.text.substr(line.colon + 1);
  if (value.find(',') != std::string_view::npos) value.remove_suffix(1);
  return value;
}

// The text after the line's first ":", one "," that ends it dropped: where
// the usual value stands. nullopt for a line without ":".
std::optional<std::string_view> UsualValueOfLine(const MemberLine& line) {
  if (line.colon == std::string_view::npos) return std::nullopt;
  std::string_view value = line.text.substr(line.colon + 1);
  if (value.ends_with(',')) value.remove_suffix(1);
  return value;
}

// Whether the value rule's text of the line holds "true": the usual `true,`
// and `false,` (or either without the comma) are told at once.
bool HoldsTrue(const MemberLine& line) {
  if (line.colon != std::string_view::npos) {
    const std::string_view value = line.text.substr(line.colon + 1);
    if (value == "true," || value == "true") return true;
    if (value == "false," || value == "false") return false;
  }
  return Contains(RawValueOfLine(line), "true");
}

int32_t WholeNumberOfLine(const MemberLine& line) {
  if (std::optional<std::string_view> usual = UsualValueOfLine(line)) {
    // The usual 12, and "002", are read at once: the quotes around the
    // number dropped. Any "," or quote left fails the reading, and the value
    // rule below then decides.
    std::string_view number = *usual;
    if (number.size() >= 2 && number.front() == '"' && number.back() == '"') {
      number = number.substr(1, number.size() - 2);
    }
    if (int32_t value = 0; TryParseInt(number, value)) return value;
  }
  // A number is written without quotes: then there is nothing to remove.
  const std::string_view value = RawValueOfLine(line);
  if (value.find('"') == std::string_view::npos) return ParseIntOr(value, 0);
  return ParseIntOr(ValueOfLine(line.text), 0);
}

// Whether `text` holds none of a double quote, a backslash and a byte above
// 127. Eight bytes are tested at a time, the last eight of a text of eight or
// more at once, even where they overlap the eight before.
bool IsPlainText(std::string_view text) {
  const auto plainWord = [](const char* at) {
    constexpr uint64_t kOnes = 0x0101010101010101ull;
    uint64_t word;
    std::memcpy(&word, at, sizeof word);
    return (ZeroBytes(word ^ (kOnes * '"')) | ZeroBytes(word ^ (kOnes * '\\')) |
            (word & 0x8080808080808080ull)) == 0;
  };
  const char* p = text.data();
  const char* const end = p + text.size();
  if (text.size() >= 8) {
    for (; end - p > 8; p += 8) {
      if (!plainWord(p)) return false;
    }
    return plainWord(end - 8);
  }
  for (; p != end; ++p) {
    const auto c = static_cast<unsigned char>(*p);
    if (c == '"' || c == '\\' || c > 127) return false;
  }
  return true;
}

// The text between the quotes of the usual `"text",` (or `"text"`) after the
// line's first ":", when it is plain (IsPlainText): under the value rule such
// a text is its own value, and already UTF-8. (A "," in it drops the closing
// quote of `"text"`, and then every quote: the same text.) nullopt for any
// other.
std::optional<std::string_view> PlainValueOfLine(const MemberLine& line) {
  const std::optional<std::string_view> usual = UsualValueOfLine(line);
  if (!usual) return std::nullopt;
  std::string_view value = *usual;
  if (value.size() < 2 || value.front() != '"' || value.back() != '"') return std::nullopt;
  value = value.substr(1, value.size() - 2);
  if (!IsPlainText(value)) return std::nullopt;
  return value;
}

// A value that is not plain, read by the value rule into `text`, backslash
// escapes and all, in UTF-8.
void ReadByValueRule(std::string& text, std::string_view line) {
  ValueOfLineInto(text, line, false, false, true);
  MakeUtf8(text);
}

// A string member's value read into `text` (which keeps its capacity), in
// UTF-8: a value that is not is taken as Windows-1252, each on its own, so a
// list partly written by an older program keeps every value right.
void ReadString(std::string& text, std::string_view line) {
  if (const std::optional<std::string_view> plain = PlainValueOfLine(MemberLineOf(line))) {
    text.assign(*plain);
    return;
  }
  ReadByValueRule(text, line);
}

// The same into an item's text: a plain value, the usual, is referred to
// where it stands in the loaded text, which the list's items outlive.
void ReadString(ItemText& field, const MemberLine& line) {
  if (const std::optional<std::string_view> plain = PlainValueOfLine(line)) {
    field.Refer(*plain);
    return;
  }
  std::string value;
  ReadByValueRule(value, line.text);
  field = value;
}

// The description is held decoded, with the nights it lasts in place of
// "%DAYS%" (as far as the Days line came before it).
void ReadDescription(Item& item, const MemberLine& line) {
  ReadString(item.description, line);
  std::string decoded;
  if (DecodeURLEscapes(item.description, decoded).data() == decoded.data()) {
    item.description = decoded;
  }
  if (item.description.View().find('%') != std::string_view::npos) {
    item.description = ReplaceAllNoCase(item.description, "%DAYS%", std::to_string(item.days));
  }
}

// The loader's reset of an item at "{"; its order keeps what room it has.
void StartItem(Item& item, int32_t index) {
  item.id = -1;
  item.active = true;
  AssignOrderText(item.order, static_cast<long long>(index) * 2);
  item.days = 0;
  item.priority = 0;
  item.isPublic = false;
  item.displayTitleCurrent = false;
  for (ItemText* text : {&item.description, &item.flags, &item.notes, &item.status, &item.etc,
                         &item.title, &item.displayTitle, &item.repeat, &item.doToday}) {
    text->clear();
  }
}

// The context note the loader keeps: the line's index and the ID being
// assembled (trace 3400), or the number of items stored (trace 4000). It is
// held as numbers and written out as text only where it can be read: when a
// failure leaves the load, and when the load ends.
struct ContextNote {
  bool set = false;
  bool records = false;
  int32_t index = 0;
  int32_t id = 0;
  int32_t recordsFromFile = 0;

  void WriteTo(std::string& notes) const {
    if (!set) return;
    if (records) {
      notes.assign("iRecordsFromFile=");
      AppendNumber(notes, recordsFromFile);
    } else {
      notes.assign("iJSONStringListCount=");
      AppendNumber(notes, index);
      notes.append(" VarnoLoad.ID=");
      AppendNumber(notes, id);
    }
  }
};

constexpr size_t kNotStored = SIZE_MAX;
// The trace a run of lines starts at, and the one each line ends at.
constexpr int32_t kLinesStartTrace = 1060;
constexpr int32_t kLineDoneTrace = 4400;
constexpr size_t kNoRow = SIZE_MAX;

// A line the list is told of besides its items: one holding "NextID", or
// one holding the SortBy text. What they tell is reported before any item.
struct NotedLine {
  size_t row;
  std::string_view text;
  bool holdsNextId;
};

// A line that sets a member of the list itself. Such lines are read once
// every item is loaded, in their order: the last one read wins, and a SortBy
// line reports, after what the noted lines report.
struct ListLine {
  size_t row;
  ListMember member;
  std::string_view text;
};

// The loader's working state for a run of whole lines. The item being
// assembled is the list's last slot, so that storing it moves nothing.
struct Loader {
  Loader(const ListLoad& load, ItemList& list) : load(load), list(list) {}

  const ListLoad& load;
  ItemList& list;
  RunLog log{kLinesStartTrace, {}};  // the run's log is told after the lines
  ContextNote note;
  // Whether the list's last slot holds an item being assembled, not stored
  // yet: from the start of the lines (zero-filled until the first item
  // start), from each "{" and from each take-back.
  bool assembling = false;
  // The slot of the item last stored: until the next "{" its members are
  // taken back into the next slot when a line sets one more.
  size_t storedIn = kNotStored;
  std::string expanded;  // a display title's room, reused from item to item

  // What the lines tell besides the items.
  std::vector<NotedLine> noted;
  std::vector<ListLine> listLines;
  size_t lines = 0;
  size_t itemCount = 0;           // lines holding an item's "ID"
  size_t unreadableRow = kNoRow;  // the first holding a second ID
  // What assembling an item threw: the lines after it are still looked at,
  // but no longer assembled.
  std::exception_ptr failure;

  Item& Assembled() { return list.items.back(); }
  // The ID of the item being assembled; -1 once stored.
  int32_t AssembledId() const { return assembling ? list.items.back().id : -1; }
};

// A run of lines starts with a zero-filled item.
void StartAssembling(Loader& l) {
  l.list.items.emplace_back();
  l.assembling = true;
}

// An item still being assembled when the lines end is not kept.
void DropUnstoredItem(Loader& l) {
  if (l.assembling) l.list.items.pop_back();
  l.assembling = false;
}

// An item stored without a "{" after it goes on with what it held.
void TakeBackStoredItem(Loader& l) {
  if (l.storedIn == kNotStored) return;
  l.list.items.push_back(l.list.items[l.storedIn]);
  l.Assembled().id = -1;
  l.assembling = true;
  l.storedIn = kNotStored;
}

// The members that set a number or a switch of the item; false for any other.
bool ApplyNumberMember(Loader& l, ListMember member, const MemberLine& line) {
  Item& item = l.Assembled();
  switch (member) {
    case ListMember::kId:
      l.log.trace = 2100;
      item.id = WholeNumberOfLine(line);
      l.log.trace = 2160;
      if (item.id > l.list.maxId) l.list.maxId = item.id;
      return true;
    case ListMember::kOrder:
      l.log.trace = 2300;
      AssignOrderText(item.order, WholeNumberOfLine(line));
      return true;
    case ListMember::kActive:
      l.log.trace = 2200;
      item.active = HoldsTrue(line);
      if (item.active) ++l.list.activeRecords;
      return true;
    case ListMember::kDays:
      item.days = WholeNumberOfLine(line);
      return true;
    case ListMember::kPriority:
      l.log.trace = 2400;
      item.priority = WholeNumberOfLine(line);
      return true;
    case ListMember::kPublic:
      l.log.trace = 2200;
      item.isPublic = HoldsTrue(line);
      return true;
    default:
      return false;
  }
}

// The members that set a text of the item; false for any other.
bool ApplyTextMember(Loader& l, ListMember member, const MemberLine& line) {
  Item& item = l.Assembled();
  switch (member) {
    case ListMember::kTitle:
      l.log.trace = 2500;
      ReadString(item.title, line);
      // A title without date or placeholder is its own display title; any
      // other is expanded when its item completes, since its placeholders
      // show members that may follow the Title line.
      if (IsPlainTitle(item.title)) item.displayTitle = item.title;
      return true;
    case ListMember::kRepeat:
      ReadString(item.repeat, line);
      if (!item.repeat.empty() && (static_cast<unsigned char>(item.repeat.front()) <= ' ' ||
                                   static_cast<unsigned char>(item.repeat.back()) <= ' ')) {
        item.repeat = Trim(item.repeat);
      }
      return true;
    case ListMember::kDescription:
      l.log.trace = 2600;
      ReadDescription(item, line);
      return true;
    case ListMember::kFlags:
      l.log.trace = 2610;
      ReadString(item.flags, line);
      return true;
    case ListMember::kDoToday:
      ReadString(item.doToday, line);
      if (item.doToday != l.load.clock.today) item.doToday.clear();
      return true;
    case ListMember::kNotes:
      l.log.trace = 2700;
      ReadString(item.notes, line);
      return true;
    case ListMember::kEtc:
      ReadString(item.etc, line);
      return true;
    case ListMember::kStatus:
      ReadString(item.status, line);
      return true;
    default:
      return false;
  }
}

// The members of the list's header.
void ApplyListMember(const ListLoad& load, ItemList& list, RunLog& log, ListMember member,
                     std::string_view line) {
  switch (member) {
    case ListMember::kHeadTitle:
      ReadString(list.headTitle, line);
      break;
    case ListMember::kSortBy:
      list.sortBy = AsUtf8(ReadListString(ValueOfLine(line, false, true)));
      log.ReportAtCurrentTrace(" SortBy=\"" + list.sortBy + "\" (Loaded from \"" + load.listFile +
                               "\")");
      break;
    case ListMember::kRssOutput:
      log.trace = 2900;
      list.feedName = LowerCase(AsUtf8(ReadListString(ValueOfLine(line, false, true))));
      break;
    case ListMember::kLink: {
      log.trace = 3100;
      std::string link = ReplaceFirstNoCase(Trim(line), "\"Link\":\"", "");
      link = ReplaceFirst(ReplaceFirst(link, ",", ""), "\"", "");
      list.link = AsUtf8(ReadListString(link));
      break;
    }
    case ListMember::kItemLink:
      log.trace = 3200;
      list.itemLinkLine = AsUtf8(line);
      break;
    default:
      break;
  }
}

void ApplyMember(Loader& l, ListMember member, const MemberLine& line, int32_t index) {
  if (member == ListMember::kNone) return;
  if (member == ListMember::kItemStart) {
    l.log.trace = 2050;
    // A slot not stored is reset with the room its texts have.
    if (!l.assembling) l.list.items.emplace_back();
    StartItem(l.Assembled(), index);
    l.assembling = true;
    l.storedIn = kNotStored;
    return;
  }
  TakeBackStoredItem(l);
  if (!ApplyNumberMember(l, member, line) && !ApplyTextMember(l, member, line)) {
    l.listLines.push_back({static_cast<size_t>(index), member, line.text});
  }
}

// Trace 3400 onward: the context note and, on a "}", the completed item,
// which stays in its slot.
void FinishLine(Loader& l, bool holdsCloseBrace, int32_t index) {
  ItemList& list = l.list;
  l.log.trace = 3400;
  l.note = {true, false, index, l.AssembledId(), 0};
  if (holdsCloseBrace && l.AssembledId() >= 0) {
    Item& item = l.Assembled();
    l.log.trace = 3600;
    if (!IsPlainTitle(item.title)) {
      ExpandTitleInto(l.expanded, item, l.load.clock.now);
      // Most dated titles show as they stand.
      if (l.expanded == item.title.View()) {
        item.displayTitle = item.title;
      } else {
        item.displayTitle = l.expanded;
      }
      item.displayTitleCurrent = true;
    }
    l.log.trace = 4000;
    l.note = {true, true, 0, 0, list.recordsFromFile};
    if (!item.description.empty() || !item.title.empty()) {
      ++list.recordsFromFile;
      l.storedIn = list.items.size() - 1;
      l.assembling = false;
    }
  }
  l.log.trace = kLineDoneTrace;
}

// Loads the whole lines [begin, end), the first of which is line `firstRow`
// of the text (from 0): assembles their items into the loader's list and
// notes what else they tell. Line 0 opens the list and is never assembled.
void LoadLines(const char* begin, const char* end, size_t firstRow, Loader& l) {
  BraceLines braces(std::string_view(begin, static_cast<size_t>(end - begin)));
  size_t row = firstRow;
  StartAssembling(l);
  ForEachLineFacts(begin, end, [&](std::string_view line, const LineFacts& facts, size_t colon) {
    const char* const lineEnd = line.data() + line.size();
    const bool itemStart = braces.HoldsOpen(lineEnd);
    const bool itemEnd = braces.HoldsClose(lineEnd);
    if (facts.holdsNextId || (!facts.holdsId && facts.holdsSortByText)) {
      l.noted.push_back({row, line, facts.holdsNextId});
    } else if (facts.holdsId) {
      ++l.itemCount;
    }
    // Only the first of a line's members is read.
    if (facts.holdsSecondId && l.unreadableRow == kNoRow) l.unreadableRow = row;
    if (row != 0 && !l.failure) {
      const auto index = static_cast<int32_t>(row);
      try {
        ApplyMember(l, itemStart ? ListMember::kItemStart : facts.member, {line, colon}, index);
        FinishLine(l, itemEnd, index);
      } catch (...) {
        l.failure = std::current_exception();
      }
    }
    ++row;
  });
  DropUnstoredItem(l);
  l.lines = row - firstRow;
}

// The start of the line after the middle of a text of `longText` bytes or
// more; nullptr for a shorter text or one without such a line.
const char* MiddleLineStart(std::string_view text, size_t longText) {
  if (text.size() < longText) return nullptr;
  const char* const end = text.data() + text.size();
  const char* const newline = FindChar(text.data() + text.size() / 2, end, '\n');
  return newline != nullptr && newline + 1 < end ? newline + 1 : nullptr;
}

// Where the second half of a text of `longText` bytes or more starts: at the
// first line from the middle on that holds a "{", which starts an item and
// resets all it holds, so that both halves can be assembled side by side.
// nullptr for none.
const char* SecondHalfStart(std::string_view text, size_t longText) {
  const char* const middle = MiddleLineStart(text, longText);
  if (middle == nullptr) return nullptr;
  const char* lineStart = FindChar(middle, text.data() + text.size(), '{');
  if (lineStart == nullptr) return nullptr;
  while (lineStart != middle && lineStart[-1] != '\n') --lineStart;
  return lineStart;
}

// The line (from 1) of the first "ID" member with a blank before its colon
// (`"ID" : 1`, as some JSON tools write it), which the member table does not
// know; 0 for none. Asked only of a text without any "ID" it knows.
int32_t LineOfSpacedId(std::string_view text) {
  for (size_t at = text.find("\"ID\""); at != std::string_view::npos;
       at = text.find("\"ID\"", at + 1)) {
    const size_t colon = text.find_first_not_of(" \t", at + 4);
    if (colon != std::string_view::npos && colon > at + 4 && text[colon] == ':') {
      return static_cast<int32_t>(std::count(text.begin(), text.begin() + at, '\n') + 1);
    }
  }
  return 0;
}

// Whether `text` ends as a list ends: its last character but blanks and line
// ends is "}", and the items' array was closed after the last item opened (a
// line starting with "]" or "}]" comes after every line but the first that
// starts with "{"). A text of blanks and line ends alone counts too.
bool EndsAsAListEnds(std::string_view text) {
  const auto isBlank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
  size_t end = text.size();
  while (end > 0 && isBlank(text[end - 1])) --end;
  if (end == 0) return true;
  if (text[end - 1] != '}') return false;
  // The lines from the last back to the second: the first opens the list.
  for (size_t lineEnd = end;;) {
    const size_t newline = text.rfind('\n', lineEnd - 1);
    if (newline == std::string_view::npos) return true;
    std::string_view line = text.substr(newline + 1, lineEnd - newline - 1);
    while (!line.empty() && isBlank(line.front())) line.remove_prefix(1);
    if (line.starts_with("]") || line.starts_with("}]")) return true;
    if (line.starts_with("{")) return false;
    if (newline == 0) return true;
    lineEnd = newline;
  }
}

// What the lines tell the run before any item: the SortBy lines' reports
// and "NextID", read strictly; then the lines, and the first the loader
// cannot read. The noted lines come in the order of the lines.
void ReportNotedLines(std::string_view text, const std::vector<NotedLine>& noted, size_t lines,
                      size_t unreadableRow, size_t itemCount, ItemList& list, RunLog& log) {
  list.holdsNextId = false;
  for (const NotedLine& line : noted) {
    list.lineCount = static_cast<int32_t>(line.row + 1);
    if (line.holdsNextId) {
      list.holdsNextId = true;
      list.nextIdFromFile = ParseIntStrict(reported::TextBetween(line.text, "\"NextID\":", ","));
    } else {
      log.Report(1040, " \"SortBy\" set line " + std::to_string(list.lineCount));
    }
  }
  list.lineCount = static_cast<int32_t>(lines);
  list.endsClosed = EndsAsAListEnds(text);
  // The first line is never assembled.
  const std::string_view firstLine = text.substr(0, text.find('\n'));
  list.unreadableLine = 0;
  if (firstLine.find("\"ID\":") != std::string_view::npos) {
    list.unreadableLine = 1;
  } else if (unreadableRow != kNoRow) {
    list.unreadableLine = static_cast<int32_t>(unreadableRow + 1);
  } else if (itemCount == 0) {
    list.unreadableLine = LineOfSpacedId(text);
  }
}

// The second half of a long list, loaded on a helper into a list of its own.
// It stands on cache lines of its own: the first half's loader writes to its
// own state line after line, and would otherwise slow the helper's writes.
struct alignas(64) SecondHalf {
  explicit SecondHalf(const ListLoad& load) : loader(load, list) {}
  SecondHalf(const SecondHalf&) = delete;
  SecondHalf& operator=(const SecondHalf&) = delete;
  ItemList list;
  Loader loader;
};

// Adds the items and counts the second half assembled.
void MergeSecondHalf(ItemList& list, ItemList& tail) {
  list.recordsFromFile += tail.recordsFromFile;
  list.items.insert(list.items.end(), std::make_move_iterator(tail.items.begin()),
                    std::make_move_iterator(tail.items.end()));
  list.activeRecords += tail.activeRecords;
  if (tail.maxId > list.maxId) list.maxId = tail.maxId;
}

// Room for the items of `bytes` of list text, taken before they are counted:
// a list as the program writes it takes well over 256 bytes an item, so
// that the items seldom move. A huge text of a few long items would hold
// room for nothing, so it is room for a million items at most; a longer
// list grows its array as it goes.
size_t ItemRoomFor(size_t bytes) {
  return std::min<size_t>(bytes / 256 + 2, size_t{1} << 20);
}

}  // namespace

std::vector<LineFacts> FactsOfLines(std::string_view text) {
  std::vector<LineFacts> lines;
  ForEachLineFacts(text.data(), text.data() + text.size(),
                   [&lines](std::string_view line, LineFacts facts, size_t) {
                     if (line.find('{') != std::string_view::npos) {
                       facts.member = ListMember::kItemStart;
                     }
                     lines.push_back(facts);
                   });
  return lines;
}

void ValueOfLineInto(std::string& out, std::string_view line, bool keepQuotes, bool trimFirst,
                     bool readBackslashes) {
  const size_t colon = line.find(':');
  std::string_view value =
      colon == std::string_view::npos ? std::string_view() : line.substr(colon + 1);
  std::string trimmed;
  if (trimFirst) {
    trimmed = Trim(value);
    value = trimmed;
  }
  if (value.find(',') != std::string_view::npos) value.remove_suffix(1);
  if (!keepQuotes && value.size() >= 2 && value.front() == '"' && value.back() == '"' &&
      value.substr(1, value.size() - 2).find('"') == std::string_view::npos) {
    // The usual "text": the text between the quotes, as it stands.
    out.assign(value.substr(1, value.size() - 2));
  } else {
    out.clear();
    // Copied in runs between the double quotes that are left out.
    size_t start = 0;
    for (size_t quote = keepQuotes ? std::string_view::npos : value.find('"');
         quote != std::string_view::npos; quote = value.find('"', start)) {
      out.append(value.substr(start, quote - start));
      start = quote + 1;
    }
    out.append(value.substr(start));
  }
  if (readBackslashes && out.find('\\') != std::string::npos) out = ReadListString(std::move(out));
}

std::string ValueOfLine(std::string_view line, bool keepQuotes, bool trimFirst) {
  std::string value;
  ValueOfLineInto(value, line, keepQuotes, trimFirst, false);
  return value;
}

bool CreateListFileWhenMissing(const ListFiles& files, DateTime now, ItemList& list, RunLog& log) {
  log.trace = 910;
  if (ListFileExists(files.list)) return false;
  log.trace = 920;
  list.feedName = files.newListFeed;
  if (WriteTextFileDurably(ListTemplateText(now, list.feedName), files.list) == kWriteFailed) {
    log.ReportAtCurrentTrace(" ERROR: Creating \"" + files.list + "\" failed.");
    throw InOutError("Cannot create \"" + files.list + "\"");
  }
  ConsoleLine(" " + files.list + " created.");
  LogOnly(" " + files.list + " created.");
  return true;
}

void LoadListFile(const ListLoad& load, platform::FileBytes& file, ItemList& list, RunLog& log) {
  log.Report(1030, " Loading \"" + load.listFile + "\". ");
  // A long list hands its second half to a helper as soon as it is read:
  // the helper starts while it is read.
  if (uint64_t size = 0;
      platform::FileSize(load.listFile, size) && size >= load.bytesWorthTwoThreads) {
    StartHelperEarly();
  }
  if (!file.Read(load.listFile)) {
    throw InOutError("Cannot open \"" + load.listFile + "\" for reading");
  }
  // A list an editor saved in UTF-16 is read as its characters (and
  // rewritten in UTF-8): read as bytes, no line would be seen for a member.
  if (std::optional<std::string> utf8 = Utf16ToUtf8(file.View())) file.Hold(std::move(*utf8));
  LoadListText(file.View(), load, list, log);
}

void LoadListText(std::string_view text, const ListLoad& load, ItemList& list, RunLog& log) {
  list.items.clear();
  list.items.reserve(ItemRoomFor(text.size()));
  list.recordsFromFile = 0;
  list.activeRecords = 0;
  list.maxId = 0;
  const char* const end = text.data() + text.size();
  const char* const split = SecondHalfStart(text, load.bytesWorthTwoThreads);
  Loader head(load, list);
  std::optional<SecondHalf> second;
  if (split == nullptr) {
    LoadLines(text.data(), end, 0, head);
  } else {
    // The halves are loaded side by side, the second on a helper kept off
    // the first half's processor.
    second.emplace(load);
    second->list.items.reserve(ItemRoomFor(static_cast<size_t>(end - split)));
    const int firstHalfProcessor = platform::CurrentProcessor();
    StepsAhead secondHalf({[&] {
                            platform::RunOffProcessor(firstHalfProcessor, [&] {
                              const size_t firstRow = CountLineFeeds(text.data(), split);
                              LoadLines(split, end, firstRow, second->loader);
                            });
                          }},
                          1, true);
    LoadLines(text.data(), split, 0, head);
    secondHalf.WaitFor(0);
  }
  // What the lines tell, in their order: the second half's after the first's.
  const Loader* const tail = second ? &second->loader : nullptr;
  const bool bothHalves = tail != nullptr && !head.failure;
  size_t lines = head.lines;
  size_t itemCount = head.itemCount;
  size_t unreadableRow = head.unreadableRow;
  if (tail != nullptr) {
    head.noted.insert(head.noted.end(), tail->noted.begin(), tail->noted.end());
    lines += tail->lines;
    itemCount += tail->itemCount;
    if (unreadableRow == kNoRow) unreadableRow = tail->unreadableRow;
  }
  ReportNotedLines(text, head.noted, lines, unreadableRow, itemCount, list, log);
  const std::string count = std::to_string(itemCount);
  log.Report(1050, " Records loaded from \"" + load.listFile + "\"=" + count + " [0.." +
                       std::to_string(static_cast<long long>(itemCount) - 1) +
                       "], lines processed=" + std::to_string(list.lineCount) +
                       ", iVarnoArrayCount=" + count + ". New JSON file created=" +
                       reported::BooleanText(load.newListFile, "True", "False"));
  list.sortBy = "Order";
  const Loader* const halves[] = {&head, bothHalves ? tail : nullptr};
  for (const Loader* half : halves) {
    if (half == nullptr) continue;
    for (const ListLine& line : half->listLines) {
      // The trace the line found: the one the line before it left.
      log.trace = line.row == 1 ? kLinesStartTrace : kLineDoneTrace;
      ApplyListMember(load, list, log, line.member, line.text);
    }
  }
  // The load ends where the lines ended, or where assembling failed.
  const Loader& last = bothHalves ? *tail : head;
  log.trace = last.log.trace;
  ContextNote note = last.note;
  if (bothHalves && note.records) note.recordsFromFile += list.recordsFromFile;
  note.WriteTo(log.notes);
  if (last.failure) std::rethrow_exception(last.failure);
  if (second) MergeSecondHalf(list, second->list);
  // The list has a slot for each item counted; those no item was stored in
  // stay empty at its end. A hand-edited file can hold more items than were
  // counted: none of them is dropped. And there is room for an item added by
  // the request, so that adding one moves no record.
  list.items.reserve(std::max(list.items.size(), itemCount) + 1);
  if (list.items.size() < itemCount) list.items.resize(itemCount);
}

void FinishListLink(ItemList& list, RunLog& log) {
  log.trace = 5000;
  std::string& link = list.feedLink;
  link = list.link;
  if (!link.empty() && link.back() == ',') link.pop_back();
  log.trace = 5040;
  if (!link.empty() && link.back() == '"') link.pop_back();
}
