// Loading the list file into the run's list: the template of a missing file,
// the first pass that sizes the list and the second pass that assembles items.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "driver/run_state.h"
#include "support/date_time.h"

// True when a file or folder of that name exists (no wildcards).
bool ListFileExists(const std::string& name);

// The lines of a file text: split on LF, a CR before the LF dropped; a final
// line break does not start another line.
std::vector<std::string_view> SplitListLines(std::string_view text);

// The rows of the second pass's member table, in the table's order.
enum class ListMember : uint8_t {
  None,
  ItemStart,  // "{"
  ID,
  Order,
  Active,
  Days,
  HeadTitle,
  Priority,
  Public,
  Title,
  Repeat,
  Description,
  Flags,
  DoToday,
  SortBy,
  Notes,
  ETC,
  Status,
  RSSOutput,
  Link,
  ItemLink,
};
// The first row of the member table whose text `line` holds.
ListMember MemberOfLine(std::string_view line);

// What the two passes look for in one line.
struct tLineFacts {
  ListMember Member = ListMember::None;  // the second pass's row
  bool HoldsNextID = false;              // "NextID":
  bool HoldsID = false;                  // "ID":
  bool HoldsSortByText = false;          // "SortBy":" (a quote after the colon)
};
tLineFacts FactsOfLine(std::string_view line);

// The value rule: the text after the first ":", its last character dropped
// when it holds a ",", every double quote removed (unless `keepQuotes`);
// with `trimFirst` the text after ":" is trimmed before the rest.
std::string ValueOfLine(std::string_view line, bool keepQuotes = false, bool trimFirst = false);
// The same into `out`; with `readBackslashes` two backslashes are then one.
void ValueOfLineInto(std::string& out, std::string_view line, bool keepQuotes, bool trimFirst,
                     bool readBackslashes);

// Traces 900 to 920: when the list file is missing, writes the template and
// reports it; sets run.bNewJSONFile.
void CreateListFileWhenMissing(RunState& run, TDateTime now);

// Traces 1030 to 4400: reads the list file once and loads it into run.List.
void LoadListFile(RunState& run, TDateTime now);
// The same from a file text already read.
void LoadListText(RunState& run, std::string_view text, TDateTime now);

// Traces 5000 to 5040: the feed link from the list's link.
void FinishListLink(RunState& run);
