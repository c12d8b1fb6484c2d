// The publishing pass: the list file and every derived file, each built from
// the sorted items and written in a fixed order.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include "publish/calendar_export.h"
#include "publish/csv_export.h"
#include "support/run_clock.h"
#include "support/run_log.h"
#include "tasklist/item.h"
#include "tasklist/list_files.h"

// What the pass works from: the sorted list, the list's file names, the run's
// clock, whether the items are renumbered, and the log it reports to.
struct Publishing {
  ItemList& list;
  const ListFiles& files;
  const RunClock& clock;
  bool redoId = false;
  RunLog& log;
};

// The item link of a list, split around its first "$ID$" once per pass: the
// ItemLink line without its member name, a trailing "," and then a trailing
// quote dropped, its JSON escapes read.
struct ItemLink {
  std::string before;  // the whole link when there is no "$ID$"
  std::string after;
  bool hasId = false;

  explicit ItemLink(const std::string& itemLinkLine);
  // The link of the item `id`, into `link` (which keeps its room).
  void Into(std::string& link, int32_t id) const;
};

// True when two file names name the same file (folders normalised, letters
// compared without regard to case).
bool SameFileName(const std::string& a, const std::string& b);

// Traces 7912 to 9100: the feed's name for a list without one, the context
// note and the log lines before the writes.
void StartPublishingPass(const Publishing& pass);
// Each builds the text of one file for the sorted items, replacing what the
// text held but keeping its room. With `writeOn` given, each calls it
// whenever its texts hold kBytesWorthWriting between them, to write what they
// hold and empty them: a long text is never held whole.
inline constexpr size_t kBytesWorthWriting = 256 * 1024;
void BuildCalendarTexts(const Publishing& pass, CalendarTexts& calendars,
                        const std::function<void()>& writeOn = {});
void BuildFeedText(const Publishing& pass, std::string& feed,
                   const std::function<void()>& writeOn = {});
void BuildListText(const Publishing& pass, std::string& text,
                   const std::function<void()>& writeOn = {});
void BuildCsvTexts(const Publishing& pass, CsvTexts& csv,
                   const std::function<void()>& writeOn = {});
// From this many items on the texts are built, and the files they replace
// removed, on threads of their own (500 to 1,000 items run 3-7% sooner); for
// fewer the threads cost about what they save.
inline constexpr size_t kItemsWorthThreads = 500;

// The whole pass as the run calls it (traces 7912 to 9220): each file's text
// built and written in the fixed order, then the summary lines.
void RunPublishingPass(const Publishing& pass);
