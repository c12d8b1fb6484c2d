// The publishing pass: the list file and every derived file, each built from
// the sorted items and written in a fixed order.
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

// Traces 7912 to 9100: the feed's name for a list without one, the context
// note and the log lines before the writes.
void StartPublishingPass(RunState& run);
// Each builds the text of one file for the sorted items, replacing what the
// text held but keeping its room.
void BuildCalendarTexts(RunState& run, TDateTime now, tCalendarTexts& calendars);
void BuildFeedText(RunState& run, TDateTime now, std::string& feed);
void BuildListText(RunState& run, TDateTime now, std::string& text);
void BuildCsvTexts(RunState& run, tCsvTexts& csv);
// The whole pass as the run calls it (traces 7912 to 9220): each file's text
// built and written in the fixed order, then the summary lines.
void RunPublishingPass(RunState& run, TDateTime now);
