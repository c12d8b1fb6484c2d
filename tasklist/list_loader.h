// Loading the list file into the run's list: the template of a missing file,
// and one walk over the lines that counts them and the items, reads "NextID"
// and assembles the items.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "platform/platform.h"
#include "support/date_time.h"
#include "support/run_clock.h"
#include "support/run_log.h"
#include "tasklist/item.h"
#include "tasklist/list_files.h"

// The rows of the member table that assembles items, in the table's order.
enum class ListMember : uint8_t {
  kNone,
  kItemStart,  // "{"
  kId,
  kOrder,
  kActive,
  kDays,
  kHeadTitle,
  kPriority,
  kPublic,
  kTitle,
  kRepeat,
  kDescription,
  kFlags,
  kDoToday,
  kSortBy,
  kNotes,
  kEtc,
  kStatus,
  kRssOutput,
  kLink,
  kItemLink,
};
// What the loader looks for in one line; `member` is the first row of the
// member table whose text the line holds.
struct LineFacts {
  ListMember member = ListMember::kNone;  // the row applied to the item
  bool holdsNextId = false;               // "NextID":
  bool holdsId = false;                   // "ID":
  bool holdsSecondId = false;             // "ID": twice or more
  bool holdsSortByText = false;           // "SortBy":" (a quote after the colon)
};
// What the loader finds in each line of `text` (split at LF, the CRs
// before it dropped).
std::vector<LineFacts> FactsOfLines(std::string_view text);

// The value rule: the text after the first ":", its last character dropped
// when it holds a ",", every double quote removed (unless `keepQuotes`);
// with `trimFirst` the text after ":" is trimmed before the rest.
std::string ValueOfLine(std::string_view line, bool keepQuotes = false, bool trimFirst = false);
// The same into `out`; with `readBackslashes` two backslashes are then one.
void ValueOfLineInto(std::string& out, std::string_view line, bool keepQuotes, bool trimFirst,
                     bool readBackslashes);

// Trace 920: when the list file is missing, writes the template and reports
// it. True when the file was missing.
bool CreateListFileWhenMissing(const ListFiles& files, DateTime now, ItemList& list, RunLog& log);

// From this many bytes (about 800 items) on a list is loaded in two halves
// side by side; a shorter one loads as fast on one thread, with less work in
// all.
inline constexpr size_t kListBytesWorthTwoThreads = 384 * 1024;

// What loading a list needs besides its text: the name its lines report, whether
// the file was just created, and the run's clock.
struct ListLoad {
  const std::string& listFile;
  bool newListFile = false;
  const RunClock& clock;
  // From this many bytes on the list is loaded in two halves side by side.
  size_t bytesWorthTwoThreads = kListBytesWorthTwoThreads;
};

// Traces 1030 to 4400: reads the list file once, into `file`, and loads it
// into `list`, whose items then refer to the bytes `file` holds: it must
// outlive them, unchanged.
void LoadListFile(const ListLoad& load, platform::FileBytes& file, ItemList& list, RunLog& log);
// The same from a file text already read, which must outlive the items too.
void LoadListText(std::string_view text, const ListLoad& load, ItemList& list, RunLog& log);

// Traces 5000 to 5040: the feed link from the list's link.
void FinishListLink(ItemList& list, RunLog& log);
