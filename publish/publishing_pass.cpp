#include "publish/publishing_pass.h"

#include <charconv>
#include <filesystem>
#include <unordered_map>

#include "driver/progress.h"
#include "driver/request.h"
#include "publish/rss_feed.h"
#include "support/failures.h"
#include "support/path_names.h"
#include "support/text_file.h"
#include "support/text_helpers.h"
#include "tasklist/list_format.h"
#include "tasklist/ordering.h"
#include "tasklist/title_placeholders.h"

namespace {

constexpr int32_t kListTrace = 8010;

// Drops a trailing "," and then a trailing double quote.
void DropClosingPunctuation(std::string& text) {
  if (EndsWith(text, ",")) text.pop_back();
  if (EndsWith(text, "\"")) text.pop_back();
}

// The item link split around its first "$ID$", worked out once per pass.
struct tItemLink {
  std::string Before;  // the whole link when there is no "$ID$"
  std::string After;
  bool HasID = false;

  explicit tItemLink(const std::string& sItemLinkLine) {
    const std::string line = ReplaceFirstNoCase(Trim(sItemLinkLine), "\"ItemLink\":\"", "");
    const size_t at = FindNoCase(line, "$ID$");
    HasID = at != std::string::npos;
    Before = HasID ? line.substr(0, at) : line;
    if (HasID) After = line.substr(at + 4);
    // The ID's digits never end in "," or a quote, so the trailing
    // punctuation lies in the part after it.
    DropClosingPunctuation(HasID ? After : Before);
  }
  std::string For(int32_t id) const {
    std::string link;
    Into(link, id);
    return link;
  }
  void Into(std::string& link, int32_t id) const {
    link.assign(Before);
    if (!HasID) return;
    char digits[16];
    link.append(digits, std::to_chars(digits, digits + sizeof digits, id).ptr).append(After);
  }
};

// Writes a derived file unless its name is the list file's own. A failed
// write does not stop the run; only the log tells which file it was. A copy
// of the list file takes the list file's permissions.
void WriteDerivedFile(RunState& run, const std::string& text, const std::string& name,
                      bool bCopyOfList = false) {
  if (SameFileName(name, run.sJSONFile)) {
    ReportAtCurrentTrace(run, " ERROR: Skipping \"" + name + "\": it would replace the list file.");
    return;
  }
  const int32_t result = bCopyOfList ? WriteTextFileAsCopyOf(text, name, run.sJSONFile)
                                     : WriteTextFile(text, name, false, "");
  if (result == kWriteFailed) {
    std::string line = " ";
    line += std::to_string(run.LogRec.Trace) + " Writing \"" + name +
            "\" failed; it keeps its old contents.";
    LogOnly(line);
  }
}

// The list file's name up to its first ".", for calendar UIDs.
std::string UidStemOf(const std::string& sJSONFile) {
  const std::string name = ExtractFileName(sJSONFile);
  return name.substr(0, name.find('.'));
}

// "-", the lower-case name that `pattern` gives for `now`, and ".json".
std::string CopySuffix(const char* pattern, TDateTime now) {
  std::string suffix = LowerCase(FormatDateTime(pattern, now));
  suffix.insert(suffix.begin(), '-');
  suffix.append(".json");
  return suffix;
}

}  // namespace

std::string ItemLinkOf(const std::string& sItemLinkLine, int32_t id) {
  return tItemLink(sItemLinkLine).For(id);
}

std::string WeekdayCopyName(const std::string& sJSONFile, TDateTime now) {
  return ReplaceFirstNoCase(sJSONFile, ".json", CopySuffix("ddd", now));
}

std::string MonthCopyName(const std::string& weekdayCopyName, TDateTime now) {
  return ReplaceFirst(weekdayCopyName, CopySuffix("ddd", now), CopySuffix("mmm", now));
}

bool SameFileName(const std::string& a, const std::string& b) {
  const auto normal = [](const std::string& name) {
    return GenericNameOf(PathOfName(name).lexically_normal());
  };
  return SameTextNoCase(normal(a), normal(b));
}

void StartPublishingPass(RunState& run) {
  tVarnoList& list = run.List;
  const int32_t count = list.iVarnoArrayCount;
  // A list without a feed name publishes its feed under a new list's name.
  if (list.sRSSOutput.empty()) list.sRSSOutput = NewListFeedName(run.sJSONFile);
  run.LogRec.Trace = 7912;
  run.ExceptionRec.Notes = "iVarnoArrayCount=" + std::to_string(count) +
                           " Length(VarnoArray)=" + std::to_string(list.VarnoArray.size()) +
                           " sJSONFile=\"" + run.sJSONFile + "\"";
  Report(run, 8110,
         " for iVarnoArrayItem:=0 to " + std::to_string(count - 1) + " iVarnoArrayCount-1");
  Report(run, 9100,
         " iVarnoArrayItem=" + std::to_string(count) +
             ", iVarnoArrayItem=iVarnoArrayCount=" + std::to_string(count));
}

void BuildCalendarTexts(RunState& run, TDateTime now, tCalendarTexts& calendars) {
  const tVarnoList& list = run.List;
  run.LogRec.Trace = 8100;
  StartCalendarTexts(calendars);
  const std::string uidStem = UidStemOf(run.sJSONFile);
  const TDateTime universalNow = LocalTimeToGMT(now);
  for (int32_t p = 0; p < list.iVarnoArrayCount; ++p) {
    run.LogRec.Trace = 9000;
    AddCalendarEvents(calendars, list.VarnoArray[static_cast<size_t>(p)], uidStem, universalNow);
  }
  CloseCalendarTexts(calendars);
}

void BuildFeedText(RunState& run, TDateTime now, std::string& feed) {
  const tVarnoList& list = run.List;
  run.LogRec.Trace = 6910;
  feed.clear();
  feed += FeedHeader(now, run.sJSONFile);
  run.LogRec.Trace = 7930;
  feed += FeedChannel(list.sRSSOutput, list.sFeedLink, LocalTimeToGMT(now));
  const tItemLink itemLink(list.sItemLinkLine);
  // A link names its item alone when no other active item has it: links of
  // a template with "$ID$" are equal exactly when the IDs are, and without
  // it every item has the same link.
  std::unordered_map<int32_t, int32_t> activePerID;
  int32_t activeTotal = 0;
  for (int32_t p = 0; p < list.iVarnoArrayCount; ++p) {
    const tVarno& item = list.VarnoArray[static_cast<size_t>(p)];
    if (!item.Active) continue;
    ++activeTotal;
    if (itemLink.HasID) ++activePerID[item.ID];
  }
  const std::string uidStem = UidStemOf(run.sJSONFile);
  std::unordered_map<int32_t, int32_t> uidCounts;
  int32_t activeCount = 0;
  std::string link, uid;  // their room is reused from item to item
  for (int32_t p = 0; p < list.iVarnoArrayCount; ++p) {
    const tVarno& item = list.VarnoArray[static_cast<size_t>(p)];
    if (!item.Active) continue;
    ++activeCount;
    run.LogRec.Trace = 8500;
    itemLink.Into(link, item.ID);
    const bool ownLink =
        !link.empty() && (itemLink.HasID ? activePerID[item.ID] == 1 : activeTotal == 1);
    uid.clear();
    if (!ownLink) CalendarUID(uid, uidCounts, item.ID, uidStem);
    run.LogRec.Trace = 8900;
    AppendFeedItem(feed, activeCount, item, link, uid);
  }
  CloseFeed(feed);
}

void BuildListText(RunState& run, TDateTime now, std::string& text) {
  const tVarnoList& list = run.List;
  run.LogRec.Trace = kListTrace;
  text.clear();
  AppendListHeader(text, list, now, kListTrace);
  int32_t activeCount = 0;
  bool anyEntry = false;
  std::string expanded;  // its room is reused from item to item
  for (int32_t p = 0; p < list.iVarnoArrayCount; ++p) {
    const tVarno& item = list.VarnoArray[static_cast<size_t>(p)];
    run.LogRec.Trace = 8115;
    if (item.Active) ++activeCount;
    run.LogRec.Trace = 8130;
    const int32_t writtenID = WrittenID(item, p, run.RedoID);
    if (writtenID <= 0) continue;
    std::string_view displayTitle = item.Title;
    if (item.DisplayTitleCurrent) {
      displayTitle = item.DisplayTitle;
    } else if (!IsPlainTitle(item.Title)) {
      ExpandTitleInto(expanded, item, now);
      displayTitle = expanded;
    }
    AppendListEntry(text, item, {writtenID, activeCount, 2LL * (p + 1), displayTitle}, !anyEntry);
    anyEntry = true;
  }
  CloseListText(text);
}

void BuildCsvTexts(RunState& run, tCsvTexts& csv) {
  const tVarnoList& list = run.List;
  StartCsvTexts(csv);
  for (int32_t p = 0; p < list.iVarnoArrayCount; ++p) {
    const tVarno& item = list.VarnoArray[static_cast<size_t>(p)];
    run.LogRec.Trace = 8700;
    AddCsvRows(csv, item, WrittenID(item, p, run.RedoID), run.sToday);
  }
}

void RunPublishingPass(RunState& run, TDateTime now) {
  tVarnoList& list = run.List;
  StartPublishingPass(run);
  // Each text is built just before its file is written, in the room of the
  // loaded list text or in one spare room: fresh memory costs more than
  // building the texts, and the list text is about as long as the longest.
  std::string& room = run.TextRoom;
  std::string spare;

  tCalendarTexts calendars;
  calendars.Private = std::move(room);
  calendars.Public = std::move(spare);
  BuildCalendarTexts(run, now, calendars);
  const std::string calendarName = CalendarName(run.sParam1_JSONFile);
  const std::string publicCalendarName = PublicCalendarName(calendarName);
  Report(run, 9110, " Writing \"" + calendarName + "\"");
  WriteDerivedFile(run, calendars.Private, calendarName);
  if (!publicCalendarName.empty()) {
    WriteDerivedFile(run, calendars.Public, publicCalendarName);
  }
  room = std::move(calendars.Private);
  spare = std::move(calendars.Public);

  BuildFeedText(run, now, room);
  Report(run, 9110, " Writing \"" + list.sRSSOutput + "\"");
  WriteDerivedFile(run, room, list.sRSSOutput);

  BuildListText(run, now, room);
  const std::string length = std::to_string(list.VarnoArray.size());
  Report(run, 9120, " Writing \"" + run.sJSONFile + "\" (Length(VarnoArray)=" + length + ")");
  // The list file reaches stable storage before it replaces the old one. When
  // it cannot be replaced the change is lost: the run must not end as a success.
  if (WriteTextFileDurably(room, run.sJSONFile) == kWriteFailed) {
    ReportAtCurrentTrace(run, " ERROR: Writing \"" + run.sJSONFile +
                                  "\" failed: the list file keeps its old contents and this "
                                  "run's change is lost.");
    throw EInOutError("Cannot write \"" + run.sJSONFile + "\"");
  }
  const std::string weekdayCopy = WeekdayCopyName(run.sJSONFile, now);
  Report(run, 9130, " Writing \"" + weekdayCopy + "\"");
  WriteDerivedFile(run, room, weekdayCopy, true);
  const std::string monthCopy = MonthCopyName(weekdayCopy, now);
  Report(run, 9140, " Writing \"" + monthCopy + "\"");
  WriteDerivedFile(run, room, monthCopy, true);

  tCsvTexts csv;
  csv.Text = std::move(room);
  csv.TodayText = std::move(spare);
  BuildCsvTexts(run, csv);
  Report(run, 9150, " Writing \"" + run.sCSVFile + "\"");
  WriteDerivedFile(run, csv.Text, run.sCSVFile);
  Report(run, 9160, " Writing \"" + run.sTodayCSVFile + "\"");
  WriteDerivedFile(run, csv.TodayText, run.sTodayCSVFile);
  room = std::move(csv.Text);

  const size_t total = list.VarnoArray.size();
  Report(run, 9200,
         " Total Records=" + std::to_string(total) + " [0.." +
             std::to_string(static_cast<long long>(total) - 1) + "]");
  Report(run, 9210, " Active Records=" + std::to_string(list.iActiveRecords));
  Report(run, 9220, " Max ID=" + std::to_string(list.iMaxID));
}
