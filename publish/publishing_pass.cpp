#include "publish/publishing_pass.h"

#include <charconv>
#include <filesystem>

#include "driver/progress.h"
#include "driver/request.h"
#include "publish/rss_feed.h"
#include "support/failures.h"
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

// Room for the texts of the pass, worked out from the items' own texts so
// that each text is reserved once and rarely has to grow: the fixed parts of
// an entry, row, feed item or event, and the values they hold, with some
// room for escapes.
struct tTextSizes {
  size_t List = 4096;
  size_t Csv = 4096;
  size_t Feed = 4096;
  size_t Calendar = 4096;
};
tTextSizes SizesOfTexts(const tVarnoList& list, size_t linkSize) {
  // About what a row, a feed item and an event take besides their values.
  constexpr size_t kRowBytes = 80, kFeedItemBytes = 120, kEventBytes = 260;
  tTextSizes sizes;
  for (int32_t p = 0; p < list.iVarnoArrayCount; ++p) {
    const tVarno& item = list.VarnoArray[static_cast<size_t>(p)];
    const size_t others =
        item.Flags.size() + item.Status.size() + item.ETC.size() + item.Notes.size();
    const size_t texts = item.DisplayTitle.size() + item.Description.size();
    sizes.List += kListEntryFixedSize + texts + item.Title.size() + others + item.Repeat.size() +
                  item.DoToday.size();
    if (!item.Active) continue;
    sizes.Csv += kRowBytes + texts + others;
    sizes.Feed += kFeedItemBytes + texts + 2 * linkSize;
    sizes.Calendar += kEventBytes + 2 * item.DisplayTitle.size();
  }
  // Escapes make a text longer than the value it holds.
  for (size_t* size : {&sizes.List, &sizes.Csv, &sizes.Feed, &sizes.Calendar}) *size += *size / 16;
  return sizes;
}

// Writes a derived file unless its name is the list file's own. A failed
// write does not stop the run; only the log tells which file it was.
void WriteDerivedFile(RunState& run, const std::string& text, const std::string& name) {
  if (SameFileName(name, run.sJSONFile)) {
    ReportAtCurrentTrace(run, " ERROR: Skipping \"" + name + "\": it would replace the list file.");
    return;
  }
  if (WriteTextFile(text, name, false, "") == kWriteFailed) {
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
    return std::filesystem::path(name).lexically_normal().generic_string();
  };
  return SameTextNoCase(normal(a), normal(b));
}

tPublishedTexts BuildPublishedTexts(RunState& run, TDateTime now) {
  tVarnoList& list = run.List;
  const int32_t count = list.iVarnoArrayCount;
  tPublishedTexts texts;
  // A list without a feed name publishes its feed under a new list's name.
  if (list.sRSSOutput.empty()) list.sRSSOutput = NewListFeedName(run.sJSONFile);

  run.LogRec.Trace = 6910;
  texts.Feed = FeedHeader(now, run.sJSONFile);
  run.LogRec.Trace = 7912;
  run.ExceptionRec.Notes = "iVarnoArrayCount=" + std::to_string(count) +
                           " Length(VarnoArray)=" + std::to_string(list.VarnoArray.size()) +
                           " sJSONFile=\"" + run.sJSONFile + "\"";
  run.LogRec.Trace = 7930;
  texts.Feed += FeedChannel(list.sRSSOutput, list.sFeedLink, now);
  run.LogRec.Trace = kListTrace;
  const tItemLink itemLink(list.sItemLinkLine);
  const tTextSizes sizes = SizesOfTexts(list, itemLink.Before.size() + itemLink.After.size());
  texts.List.reserve(sizes.List);
  AppendListHeader(texts.List, list, now, kListTrace);
  StartCsvTexts(texts.Csv);
  texts.Csv.Text.reserve(sizes.Csv);
  texts.Feed.reserve(texts.Feed.size() + sizes.Feed);
  run.LogRec.Trace = 8100;
  StartCalendarTexts(texts.Calendars);
  texts.Calendars.Private.reserve(sizes.Calendar);
  int32_t activeCount = 0;
  Report(run, 8110,
         " for iVarnoArrayItem:=0 to " + std::to_string(count - 1) + " iVarnoArrayCount-1");

  const std::string uidStem = UidStemOf(run.sJSONFile);
  const TDateTime universalNow = LocalTimeToGMT(now);
  bool anyEntry = false;
  // Texts worked out for each item, kept so that their room is reused.
  std::string expanded, link;
  for (int32_t p = 0; p < count; ++p) {
    const tVarno& item = list.VarnoArray[static_cast<size_t>(p)];
    run.LogRec.Trace = 8115;
    if (item.Active) ++activeCount;
    run.LogRec.Trace = 8130;
    const int32_t writtenID = WrittenID(item, p, run.RedoID);
    if (writtenID > 0) {
      const bool plain = IsPlainTitle(item.Title);
      if (!plain) ExpandTitleInto(expanded, item, now);
      const std::string_view displayTitle = plain ? std::string_view(item.Title) : expanded;
      AppendListEntry(texts.List, item, {writtenID, activeCount, 2LL * (p + 1), displayTitle},
                      !anyEntry);
      anyEntry = true;
    }
    run.LogRec.Trace = 8140;
    if (!item.Active) continue;
    run.LogRec.Trace = 8200;  // 8200 to 8280: the held display title serves from here on
    run.LogRec.Trace = 8280;
    run.LogRec.Trace = 8500;
    itemLink.Into(link, item.ID);
    run.LogRec.Trace = 8550;
    run.LogRec.Trace = 8700;
    AddCsvRows(texts.Csv, item, writtenID, run.sToday);
    run.LogRec.Trace = 8900;
    AppendFeedItem(texts.Feed, activeCount, item, link);
    run.LogRec.Trace = 9000;
    AddCalendarEvents(texts.Calendars, item, uidStem, universalNow);
  }
  CloseListText(texts.List);

  Report(run, 9100,
         " iVarnoArrayItem=" + std::to_string(count) +
             ", iVarnoArrayItem=iVarnoArrayCount=" + std::to_string(count));
  CloseFeed(texts.Feed);
  CloseCalendarTexts(texts.Calendars);
  return texts;
}

void WritePublishedTexts(RunState& run, const tPublishedTexts& texts, TDateTime now) {
  tVarnoList& list = run.List;
  const std::string calendarName = CalendarName(run.sParam1_JSONFile);
  const std::string publicCalendarName = PublicCalendarName(calendarName);
  Report(run, 9110, " Writing \"" + calendarName + "\"");
  WriteDerivedFile(run, texts.Calendars.Private, calendarName);
  if (!publicCalendarName.empty()) {
    WriteDerivedFile(run, texts.Calendars.Public, publicCalendarName);
  }
  Report(run, 9110, " Writing \"" + list.sRSSOutput + "\"");
  WriteDerivedFile(run, texts.Feed, list.sRSSOutput);

  const std::string length = std::to_string(list.VarnoArray.size());
  Report(run, 9120, " Writing \"" + run.sJSONFile + "\" (Length(VarnoArray)=" + length + ")");
  // The list file reaches stable storage before it replaces the old one. When
  // it cannot be replaced the change is lost: the run must not end as a success.
  if (WriteTextFileDurably(texts.List, run.sJSONFile) == kWriteFailed) {
    ReportAtCurrentTrace(run, " ERROR: Writing \"" + run.sJSONFile +
                                  "\" failed: the list file keeps its old contents and this "
                                  "run's change is lost.");
    throw EInOutError("Cannot write \"" + run.sJSONFile + "\"");
  }
  const std::string weekdayCopy = WeekdayCopyName(run.sJSONFile, now);
  Report(run, 9130, " Writing \"" + weekdayCopy + "\"");
  WriteDerivedFile(run, texts.List, weekdayCopy);
  const std::string monthCopy = MonthCopyName(weekdayCopy, now);
  Report(run, 9140, " Writing \"" + monthCopy + "\"");
  WriteDerivedFile(run, texts.List, monthCopy);

  Report(run, 9150, " Writing \"" + run.sCSVFile + "\"");
  WriteDerivedFile(run, texts.Csv.Text, run.sCSVFile);
  Report(run, 9160, " Writing \"" + run.sTodayCSVFile + "\"");
  WriteDerivedFile(run, texts.Csv.TodayText, run.sTodayCSVFile);

  const size_t total = list.VarnoArray.size();
  Report(run, 9200,
         " Total Records=" + std::to_string(total) + " [0.." +
             std::to_string(static_cast<long long>(total) - 1) + "]");
  Report(run, 9210, " Active Records=" + std::to_string(list.iActiveRecords));
  Report(run, 9220, " Max ID=" + std::to_string(list.iMaxID));
}

void RunPublishingPass(RunState& run, TDateTime now) {
  const tPublishedTexts texts = BuildPublishedTexts(run, now);
  WritePublishedTexts(run, texts, now);
}
