#include "tasklist/list_loader.h"

#include <array>
#include <bit>
#include <charconv>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "driver/progress.h"
#include "driver/request.h"
#include "platform/platform.h"
#include "support/failures.h"
#include "support/path_names.h"
#include "support/text_file.h"
#include "support/text_helpers.h"
#include "support/utf8_text.h"
#include "support/whole_number.h"
#include "tasklist/list_format.h"
#include "tasklist/title_placeholders.h"

namespace {

// The quoted member names of the table, each recognised by the name between
// double quotes followed by ":"; "{" (row 1) is tested apart.
struct MemberName {
  std::string_view Name;
  ListMember Member;
};
constexpr MemberName kMemberNames[] = {
    {"ID", ListMember::ID},
    {"Order", ListMember::Order},
    {"Active", ListMember::Active},
    {"Days", ListMember::Days},
    {"HeadTitle", ListMember::HeadTitle},
    {"Priority", ListMember::Priority},
    {"Public", ListMember::Public},
    {"Title", ListMember::Title},
    {"Repeat", ListMember::Repeat},
    {"Description", ListMember::Description},
    {"Flags", ListMember::Flags},
    {"DoToday", ListMember::DoToday},
    {"SortBy", ListMember::SortBy},
    {"Notes", ListMember::Notes},
    {"ETC", ListMember::ETC},
    {"Status", ListMember::Status},
    {"RSSOutput", ListMember::RSSOutput},
    {"Link", ListMember::Link},
    {"ItemLink", ListMember::ItemLink},
};

// The table's names grouped by length, so a name is compared only with the
// few of its own length.
constexpr size_t kLongestName = 11;
constexpr size_t kMostOfOneLength = 5;
struct NamesOfLength {
  MemberName Names[kMostOfOneLength] = {};
  size_t Count = 0;
};
constexpr std::array<NamesOfLength, kLongestName + 1> kNamesByLength = [] {
  std::array<NamesOfLength, kLongestName + 1> byLength{};
  for (const MemberName& entry : kMemberNames) {
    NamesOfLength& group = byLength[entry.Name.size()];
    group.Names[group.Count++] = entry;
  }
  return byLength;
}();

ListMember MemberNamed(std::string_view name) {
  if (name.size() > kLongestName) return ListMember::None;
  const NamesOfLength& group = kNamesByLength[name.size()];
  // The first letter tells most names of one length apart.
  for (size_t i = 0; i < group.Count; ++i) {
    const std::string_view candidate = group.Names[i].Name;
    if (candidate[0] == name[0] && candidate == name) return group.Names[i].Member;
  }
  return ListMember::None;
}

// The first `c` in [from, end), or nullptr.
const char* FindChar(const char* from, const char* end, char c) {
  return from < end
             ? static_cast<const char*>(std::memchr(from, c, static_cast<size_t>(end - from)))
             : nullptr;
}

// The line that starts at `start` (before `end`): up to the next LF, a CR
// before it dropped. `next` is where the following line starts.
std::string_view LineAt(const char* start, const char* end, const char*& next) {
  const char* newline = FindChar(start, end, '\n');
  const char* lineEnd = newline != nullptr ? newline : end;
  next = lineEnd + 1;
  if (lineEnd != start && lineEnd[-1] == '\r') --lineEnd;
  return {start, static_cast<size_t>(lineEnd - start)};
}

// Calls `onQuote` with the place of each double quote in [begin, end), in
// order. Eight bytes are tested at a time where the byte order lets the
// first match be found from the low end of the word.
template <typename OnQuote>
void ForEachQuote(const char* begin, const char* end, OnQuote onQuote) {
  const char* p = begin;
  if constexpr (std::endian::native == std::endian::little) {
    constexpr uint64_t kOnes = 0x0101010101010101ull;
    constexpr uint64_t kLow7 = 0x7F7F7F7F7F7F7F7Full;
    for (; end - p >= 8; p += 8) {
      uint64_t word;
      std::memcpy(&word, p, sizeof word);
      const uint64_t x = word ^ (kOnes * '"');
      // The high bit of each byte that is zero in x, that is a quote in word.
      uint64_t quotes = ~(((x & kLow7) + kLow7) | x | kLow7);
      for (; quotes != 0; quotes &= quotes - 1) onQuote(p + std::countr_zero(quotes) / 8);
    }
  }
  for (; p != end; ++p) {
    if (*p == '"') onQuote(p);
  }
}

// Every text the passes look for but the braces is a quoted name and ":", so
// each of its occurrences lies between two neighbouring double quotes: one
// walk over the quotes finds them all, and the earliest row in the table wins.
tLineFacts QuoteFactsOfLine(std::string_view line) {
  tLineFacts facts;
  const char* const end = line.data() + line.size();
  const char* open = nullptr;
  ForEachQuote(line.data(), end, [&](const char* close) {
    if (open != nullptr && close + 1 != end && close[1] == ':') {
      const std::string_view name(open + 1, static_cast<size_t>(close - open - 1));
      const ListMember member = MemberNamed(name);
      if (member != ListMember::None &&
          (facts.Member == ListMember::None || member < facts.Member)) {
        facts.Member = member;
      }
      facts.HoldsNextID |= name == "NextID";
      facts.HoldsID |= member == ListMember::ID;
      facts.HoldsSortByText |= member == ListMember::SortBy && close + 2 < end && close[2] == '"';
    }
    open = close;
  });
  return facts;
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

// What the second pass needs of a line besides its text.
struct LineRow {
  ListMember Member = ListMember::None;
  bool HoldsCloseBrace = false;
};

// Appends a whole number without a temporary text.
void AppendNumber(std::string& out, long long value) {
  char digits[24];
  const auto result = std::to_chars(digits, digits + sizeof digits, value);
  out.append(digits, result.ptr);
}

// The value rule's text before its double quotes are removed: the text after
// the first ":", its last character dropped when it holds a ",".
std::string_view RawValueOfLine(std::string_view line) {
  const size_t colon = line.find(':');
  if (colon == std::string_view::npos) return {};
  std::string_view value = line.substr(colon + 1);
  if (value.find(',') != std::string_view::npos) value.remove_suffix(1);
  return value;
}

int32_t WholeNumberOfLine(std::string_view line) {
  // A number is written without quotes: then there is nothing to remove.
  const std::string_view value = RawValueOfLine(line);
  if (value.find('"') == std::string_view::npos) return StrToIntDef(value, 0);
  return StrToIntDef(ValueOfLine(line), 0);
}

// A string member's value read into `field` (which keeps its capacity), in
// UTF-8: a value that is not is taken as Windows-1252, each on its own, so a
// list partly written by an older program keeps every value right.
void ReadString(std::string& field, std::string_view line) {
  ValueOfLineInto(field, line, false, false, true);
  MakeUTF8(field);
}

// The loader's reset of an item at "{"; the strings keep their capacity.
void StartItem(tVarno& item, int32_t index) {
  item.ID = -1;
  item.Active = true;
  item.Order = ZeroPad(static_cast<long long>(index) * 2, 5);
  item.Days = 0;
  item.Priority = 0;
  item.Public = false;
  item.DisplayTitleCurrent = false;
  for (std::string* text : {&item.Description, &item.Flags, &item.Notes, &item.Status, &item.ETC,
                            &item.Title, &item.DisplayTitle, &item.Repeat, &item.DoToday}) {
    text->clear();
  }
}

// The context note the second pass keeps: the line's index and the ID being
// assembled (trace 3400), or the number of items stored (trace 4000). It is
// held as numbers and written out as text only where it can be read: when a
// failure leaves the pass, and when the pass ends.
struct ContextNote {
  bool Set = false;
  bool Records = false;
  int32_t Index = 0;
  int32_t ID = 0;
  int32_t RecordsFromFile = 0;

  void WriteTo(std::string& notes) const {
    if (!Set) return;
    if (Records) {
      notes.assign("iRecordsFromFile=");
      AppendNumber(notes, RecordsFromFile);
    } else {
      notes.assign("iJSONStringListCount=");
      AppendNumber(notes, Index);
      notes.append(" VarnoLoad.ID=");
      AppendNumber(notes, ID);
    }
  }
};

// The loader's working state between lines.
struct Loader {
  RunState& run;
  tVarnoList& list;
  TDateTime now;
  tVarno VarnoLoad;  // zero-filled until the first item start
  ContextNote Note;
};

void ApplyMember(Loader& l, ListMember member, std::string_view line, int32_t index) {
  RunState& run = l.run;
  tVarnoList& list = l.list;
  tVarno& item = l.VarnoLoad;
  switch (member) {
    case ListMember::None:
      break;
    case ListMember::ItemStart:
      run.LogRec.Trace = 2050;
      StartItem(item, index);
      break;
    case ListMember::ID:
      run.LogRec.Trace = 2100;
      item.ID = WholeNumberOfLine(line);
      run.LogRec.Trace = 2160;
      if (item.ID > list.iMaxID) list.iMaxID = item.ID;
      break;
    case ListMember::Order:
      run.LogRec.Trace = 2300;
      item.Order = OrderText(WholeNumberOfLine(line));
      break;
    case ListMember::Active:
      run.LogRec.Trace = 2200;
      item.Active = Contains(RawValueOfLine(line), "true");
      if (item.Active) ++list.iActiveRecords;
      break;
    case ListMember::Days:
      item.Days = WholeNumberOfLine(line);
      break;
    case ListMember::HeadTitle:
      ReadString(list.sHeadTitle, line);
      break;
    case ListMember::Priority:
      run.LogRec.Trace = 2400;
      item.Priority = WholeNumberOfLine(line);
      break;
    case ListMember::Public:
      run.LogRec.Trace = 2200;
      item.Public = Contains(RawValueOfLine(line), "true");
      break;
    case ListMember::Title:
      run.LogRec.Trace = 2500;
      ReadString(item.Title, line);
      // A title without date or placeholder is its own display title; any
      // other is expanded when its item completes, since its placeholders
      // show members that may follow the Title line.
      if (IsPlainTitle(item.Title)) item.DisplayTitle.assign(item.Title);
      break;
    case ListMember::Repeat:
      ReadString(item.Repeat, line);
      if (!item.Repeat.empty() && (static_cast<unsigned char>(item.Repeat.front()) <= ' ' ||
                                   static_cast<unsigned char>(item.Repeat.back()) <= ' ')) {
        item.Repeat = Trim(item.Repeat);
      }
      break;
    case ListMember::Description:
      run.LogRec.Trace = 2600;
      ReadString(item.Description, line);
      if (MayHoldURLEscape(item.Description)) item.Description = URLDecodeText(item.Description);
      if (item.Description.find('%') != std::string::npos) {
        item.Description = ReplaceAllNoCase(item.Description, "%DAYS%", std::to_string(item.Days));
      }
      break;
    case ListMember::Flags:
      run.LogRec.Trace = 2610;
      ReadString(item.Flags, line);
      break;
    case ListMember::DoToday:
      ReadString(item.DoToday, line);
      if (item.DoToday != run.sToday) item.DoToday.clear();
      break;
    case ListMember::SortBy:
      list.sSortBy = AsUTF8(ReadListString(ValueOfLine(line, false, true)));
      ReportAtCurrentTrace(
          run, " SortBy=\"" + list.sSortBy + "\" (Loaded from \"" + run.sJSONFile + "\")");
      break;
    case ListMember::Notes:
      run.LogRec.Trace = 2700;
      ReadString(item.Notes, line);
      break;
    case ListMember::ETC:
      ReadString(item.ETC, line);
      break;
    case ListMember::Status:
      ReadString(item.Status, line);
      break;
    case ListMember::RSSOutput:
      run.LogRec.Trace = 2900;
      list.sRSSOutput = LowerCase(AsUTF8(ReadListString(ValueOfLine(line, false, true))));
      break;
    case ListMember::Link: {
      run.LogRec.Trace = 3100;
      std::string link = ReplaceFirstNoCase(Trim(line), "\"Link\":\"", "");
      link = ReplaceFirst(ReplaceFirst(link, ",", ""), "\"", "");
      list.sLink = AsUTF8(ReadListString(link));
      break;
    }
    case ListMember::ItemLink:
      run.LogRec.Trace = 3200;
      list.sItemLinkLine = AsUTF8(line);
      break;
  }
}

// Trace 3400 onward: the context note and, on a "}", the completed item.
void FinishLine(Loader& l, bool holdsCloseBrace, int32_t index) {
  RunState& run = l.run;
  tVarnoList& list = l.list;
  tVarno& item = l.VarnoLoad;
  run.LogRec.Trace = 3400;
  l.Note = {true, false, index, item.ID, 0};
  if (holdsCloseBrace && item.ID >= 0) {
    run.LogRec.Trace = 3500;
    run.LogRec.Trace = 3600;
    if (!IsPlainTitle(item.Title)) {
      ExpandTitleInto(item.DisplayTitle, item, l.now);
      item.DisplayTitleCurrent = true;
      run.LogRec.Trace = 3900;
    }
    run.LogRec.Trace = 4000;
    l.Note = {true, true, 0, 0, list.iRecordsFromFile};
    if (!item.Description.empty() || !item.Title.empty()) {
      ++list.iRecordsFromFile;
      const size_t slot = static_cast<size_t>(list.iRecordsFromFile) - 1;
      // A hand-edited file can hold more items than the first pass counted:
      // the list grows so that none is dropped.
      if (slot < list.VarnoArray.size()) {
        list.VarnoArray[slot] = item;
      } else {
        list.VarnoArray.push_back(item);
        list.iVarnoArrayCount = static_cast<int32_t>(list.VarnoArray.size());
      }
      run.LogRec.Trace = 4100;
      item.ID = -1;
      run.LogRec.Trace = 4200;
      run.LogRec.Trace = 4300;
    }
  }
  run.LogRec.Trace = 4400;
}

}  // namespace

bool ListFileExists(const std::string& name) {
  std::error_code error;
  return !name.empty() &&
         std::filesystem::exists(std::filesystem::symlink_status(PathOfName(name), error));
}

std::vector<std::string_view> SplitListLines(std::string_view text) {
  std::vector<std::string_view> lines;
  const char* const end = text.data() + text.size();
  const char* next = nullptr;
  for (const char* start = text.data(); start < end; start = next) {
    lines.push_back(LineAt(start, end, next));
  }
  return lines;
}

tLineFacts FactsOfLine(std::string_view line) {
  tLineFacts facts = QuoteFactsOfLine(line);
  if (line.find('{') != std::string_view::npos) facts.Member = ListMember::ItemStart;
  return facts;
}

ListMember MemberOfLine(std::string_view line) {
  return FactsOfLine(line).Member;
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

void CreateListFileWhenMissing(RunState& run, TDateTime now) {
  run.LogRec.Trace = 900;
  run.LogRec.Trace = 910;
  run.bNewJSONFile = !ListFileExists(run.sJSONFile);
  if (!run.bNewJSONFile) return;
  run.LogRec.Trace = 920;
  run.List.sRSSOutput = NewListFeedName(run.sJSONFile);
  if (WriteTextFileDurably(ListTemplateText(now, run.List.sRSSOutput), run.sJSONFile) ==
      kWriteFailed) {
    ReportAtCurrentTrace(run, " ERROR: Creating \"" + run.sJSONFile + "\" failed.");
    throw EInOutError("Cannot create \"" + run.sJSONFile + "\"");
  }
  ConsoleLine(" " + run.sJSONFile + " created.");
  LogOnly(" " + run.sJSONFile + " created.");
}

void LoadListFile(RunState& run, TDateTime now) {
  Report(run, 1030, " Loading \"" + run.sJSONFile + "\". ");
  std::string& text = run.TextRoom;
  std::error_code error;
  const uintmax_t size = std::filesystem::file_size(PathOfName(run.sJSONFile), error);
  // The rewritten list may come out a little longer than the loaded one.
  if (!error) {
    text.reserve(static_cast<size_t>(size + size / 4 + 4096));
    platform::AdviseLargeRoom(text.data(), text.capacity());
  }
  if (!platform::ReadWholeFile(run.sJSONFile, text)) {
    throw EInOutError("Cannot open \"" + run.sJSONFile + "\" for reading");
  }
  LoadListText(run, text, now);
}

void LoadListText(RunState& run, std::string_view text, TDateTime now) {
  tVarnoList& list = run.List;
  const char* const end = text.data() + text.size();
  const char* next = nullptr;

  // First pass: count the items, read "NextID" strictly. The same look at a
  // line finds its row for the second pass, which is kept; the second pass
  // cuts the lines again rather than keep them all.
  list.iJSONStringListCount = 0;
  list.iVarnoArrayCount = 0;
  std::vector<LineRow> rows;
  rows.reserve(text.size() / 24 + 1);
  BraceLines braces(text);
  for (const char* start = text.data(); start < end; start = next) {
    const std::string_view line = LineAt(start, end, next);
    const char* const lineEnd = line.data() + line.size();
    const tLineFacts facts = QuoteFactsOfLine(line);
    const bool itemStart = braces.HoldsOpen(lineEnd);
    rows.push_back({itemStart ? ListMember::ItemStart : facts.Member, braces.HoldsClose(lineEnd)});
    ++list.iJSONStringListCount;
    if (facts.HoldsNextID) {
      list.iNextIDFromJSON = StrToIntStrict(Between(line, "\"NextID\":", ","));
    } else if (facts.HoldsID) {
      ++list.iVarnoArrayCount;
    } else if (facts.HoldsSortByText) {
      Report(run, 1040, " \"SortBy\" set line " + std::to_string(list.iJSONStringListCount));
    }
  }
  // Room for an item added by the request, so that adding one moves no record.
  list.VarnoArray.reserve(static_cast<size_t>(list.iVarnoArrayCount) + 1);
  platform::AdviseLargeRoom(list.VarnoArray.data(), list.VarnoArray.capacity() * sizeof(tVarno));
  list.VarnoArray.assign(static_cast<size_t>(list.iVarnoArrayCount), tVarno{});
  const int32_t count = list.iVarnoArrayCount;
  Report(run, 1050,
         " Records loaded from \"" + run.sJSONFile + "\"=" + std::to_string(count) + " [0.." +
             std::to_string(count - 1) +
             "], lines processed=" + std::to_string(list.iJSONStringListCount) +
             ", iVarnoArrayCount=" + std::to_string(count) +
             ". New JSON file created=" + BooleanTStr(run.bNewJSONFile, "True", "False"));

  // Second pass: assemble the items; the first line is never examined.
  run.LogRec.Trace = 1060;
  list.sSortBy = "Order";
  list.iRecordsFromFile = 0;
  list.iActiveRecords = 0;
  list.iMaxID = 0;
  Loader loader{run, list, now, tVarno{}, ContextNote{}};
  try {
    const char* start = text.data();
    if (!rows.empty()) LineAt(start, end, start);
    for (size_t index = 1; index < rows.size(); ++index) {
      const std::string_view line = LineAt(start, end, start);
      ApplyMember(loader, rows[index].Member, line, static_cast<int32_t>(index));
      FinishLine(loader, rows[index].HoldsCloseBrace, static_cast<int32_t>(index));
    }
  } catch (...) {
    loader.Note.WriteTo(run.ExceptionRec.Notes);
    throw;
  }
  loader.Note.WriteTo(run.ExceptionRec.Notes);
}

void FinishListLink(RunState& run) {
  run.LogRec.Trace = 5000;
  std::string& link = run.List.sFeedLink;
  link = run.List.sLink;
  run.LogRec.Trace = 5010;
  run.LogRec.Trace = 5020;
  run.LogRec.Trace = 5030;
  if (!link.empty() && link.back() == ',') link.pop_back();
  run.LogRec.Trace = 5040;
  if (!link.empty() && link.back() == '"') link.pop_back();
}
