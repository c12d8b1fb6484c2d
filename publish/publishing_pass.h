// The publishing pass: one walk over the sorted items builds the list text and
// every derived text, then the files are written in their fixed order.
#pragma once

#include <cstdint>
#include <string>

#include "driver/run_state.h"
#include "publish/calendar_export.h"
#include "publish/csv_export.h"
#include "support/date_time.h"

// The feed and calendar link of an item: the ItemLink line without its member
// name, "$ID$" replaced by `id`, a trailing "," and then a trailing quote dropped.
std::string ItemLinkOf(const std::string& sItemLinkLine, int32_t id);
// The weekday copy's name: the first ".json" replaced by "-ddd.json".
std::string WeekdayCopyName(const std::string& sJSONFile, TDateTime now);
// The month copy's name: the weekday copy's "-ddd.json" replaced by "-mmm.json".
std::string MonthCopyName(const std::string& weekdayCopyName, TDateTime now);
// True when two file names name the same file (folders normalised, letters
// compared without regard to case).
bool SameFileName(const std::string& a, const std::string& b);

// Every text the pass builds, held until the writes.
struct tPublishedTexts {
  std::string List;
  std::string Feed;
  tCsvTexts Csv;
  tCalendarTexts Calendars;
};

// Traces 6910 to 9100: the preparation, the walk and the closing of the texts.
tPublishedTexts BuildPublishedTexts(RunState& run, TDateTime now);
// Traces 9110 to 9220: the writes in their order and the summary lines.
void WritePublishedTexts(RunState& run, const tPublishedTexts& texts, TDateTime now);
// Both, as the run calls them.
void RunPublishingPass(RunState& run, TDateTime now);
