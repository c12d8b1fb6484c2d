#include "publish/publishing_pass.h"

#include <optional>

#include "platform/platform.h"
#include "publish/rss_feed.h"
#include "support/failures.h"
#include "support/id_counts.h"
#include "support/steps_ahead.h"
#include "support/text_file.h"
#include "support/text_helpers.h"
#include "support/text_tools.h"
#include "support/then_always.h"
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

// Readies `staged` for the text of a derived file, written at once or piece
// by piece; none when its name is the list file's own. A copy of the list
// file takes the list file's permissions, and so does an export made anew:
// it holds the list's items, so it is readable by no more users than the
// list. An export that exists keeps the permissions it was given.
void StageDerivedFile(const Publishing& pass, std::optional<StagedTextFile>& staged,
                      const std::string& name, bool copyOfList = false) {
  const std::string& listFile = pass.files.list;
  if (SameFileName(name, listFile)) return;
  const bool listRights = copyOfList || !platform::PathExists(name);
  staged.emplace(name, listRights ? listFile : "");
}

// Writes what `text` holds on to `staged`, if there is one, and empties it.
void WriteOnAndEmpty(std::optional<StagedTextFile>& staged, std::string& text) {
  if (staged) staged->Append(text);
  text.clear();
}

// Calls `writeOn`, when a text has one, once the `held` bytes are worth writing.
void WriteOnWhenWorth(size_t held, const std::function<void()>& writeOn) {
  if (writeOn && held >= kBytesWorthWriting) writeOn();
}

// Puts a derived file staged by StageDerivedFile in place. A failed write
// does not stop the run; only the log tells which file it was. The file it
// replaces is left to `removal`.
void PutDerivedFileInPlace(const Publishing& pass, std::optional<StagedTextFile>& staged,
                           const std::string& name, BackgroundRemoval& removal) {
  if (!staged) {
    pass.log.ReportAtCurrentTrace(" ERROR: Skipping \"" + name +
                                  "\": it would replace the list file.");
    return;
  }
  if (staged->PutInPlace(removal) == kWriteFailed) {
    std::string line = " ";
    line += std::to_string(pass.log.trace) + " Writing \"" + name +
            "\" failed; it keeps its old contents.";
    LogOnly(line);
  }
}

// The list file's name up to its first ".", for calendar UIDs.
std::string UidStemOf(const std::string& listFile) {
  const std::string name = reported::FileNameOf(listFile);
  return name.substr(0, name.find('.'));
}

// How many active items there are, and how many of them each ID has when the
// link names the item by its ID.
struct ActiveCounts {
  IdCounts perId;
  int32_t total = 0;
};

ActiveCounts CountActive(const ItemList& list, const ItemLink& itemLink) {
  ActiveCounts counts{IdCounts(itemLink.hasId ? list.items.size() : 0)};
  for (const Item& item : list.items) {
    if (!item.active) continue;
    ++counts.total;
    if (itemLink.hasId) counts.perId.Add(item.id);
  }
  return counts;
}

// Two files of a pass (the calendars, the CSV exports), written under
// temporary names while their texts are built; the second is left out when
// it has no name.
struct StagedFilePair {
  std::optional<StagedTextFile> first;
  std::optional<StagedTextFile> second;

  StagedFilePair(const Publishing& pass, const std::string& firstName,
                 const std::string& secondName) {
    StageDerivedFile(pass, first, firstName);
    if (!secondName.empty()) StageDerivedFile(pass, second, secondName);
  }
  void WriteOn(std::string& firstText, std::string& secondText) {
    WriteOnAndEmpty(first, firstText);
    WriteOnAndEmpty(second, secondText);
  }
};

// Trace 9110: both calendars.
void WriteCalendars(const Publishing& pass, StagedFilePair& calendars, BackgroundRemoval& removal) {
  pass.log.Report(9110, " Writing \"" + pass.files.calendar + "\"");
  PutDerivedFileInPlace(pass, calendars.first, pass.files.calendar, removal);
  if (!pass.files.publicCalendar.empty()) {
    PutDerivedFileInPlace(pass, calendars.second, pass.files.publicCalendar, removal);
  }
}

// The list file and its two dated copies, written under temporary names
// while the list text is built; a copy is left out when its name is the
// list file's own.
struct ListFilesStaged {
  std::optional<StagedTextFile> list, weekdayCopy, monthCopy;

  void Stage(const Publishing& pass) {
    list.emplace(pass.files.list);
    StageDerivedFile(pass, weekdayCopy, pass.files.weekdayCopy, true);
    StageDerivedFile(pass, monthCopy, pass.files.monthCopy, true);
  }
  // Writes what `text` holds on to all three and empties it; the copies
  // only while the list file's writing goes well. The list file's pieces
  // start on their way to stable storage at once, so that its flush, which
  // the run waits for, is left with the last of them.
  void WriteOn(std::string& text) {
    list->Append(text);
    list->StartFlush();
    if (list->Written() != kWriteFailed) {
      if (weekdayCopy) weekdayCopy->Append(text);
      if (monthCopy) monthCopy->Append(text);
    }
    text.clear();
  }
};

// Traces 9120 to 9140: the list file and its two dated copies, written under
// temporary names while the list text was built. The list file is flushed
// (step 1 of `listSteps`) and takes its place first; the copies take theirs
// after it.
void WriteList(const Publishing& pass, StepsAhead& listSteps, ListFilesStaged& staged,
               BackgroundRemoval& removal) {
  const std::string& listFile = pass.files.list;
  const std::string length = std::to_string(pass.list.items.size());
  pass.log.Report(9120, " Writing \"" + listFile + "\" (Length(VarnoArray)=" + length + ")");
  listSteps.WaitFor(1);
  // The list file reaches stable storage before it replaces the old one. When
  // it cannot be replaced the change is lost: the run must not end as a success.
  if (staged.list->PutInPlace(removal) == kWriteFailed) {
    pass.log.ReportAtCurrentTrace(" ERROR: Writing \"" + listFile +
                                  "\" failed: the list file keeps its old contents and this "
                                  "run's change is lost.");
    throw InOutError("Cannot write \"" + listFile + "\"");
  }
  pass.log.Report(9130, " Writing \"" + pass.files.weekdayCopy + "\"");
  PutDerivedFileInPlace(pass, staged.weekdayCopy, pass.files.weekdayCopy, removal);
  pass.log.Report(9140, " Writing \"" + pass.files.monthCopy + "\"");
  PutDerivedFileInPlace(pass, staged.monthCopy, pass.files.monthCopy, removal);
}

// Traces 9150 and 9160: both CSV exports.
void WriteCsvs(const Publishing& pass, StagedFilePair& csvs, BackgroundRemoval& removal) {
  pass.log.Report(9150, " Writing \"" + pass.files.csv + "\"");
  PutDerivedFileInPlace(pass, csvs.first, pass.files.csv, removal);
  pass.log.Report(9160, " Writing \"" + pass.files.todayCsv + "\"");
  PutDerivedFileInPlace(pass, csvs.second, pass.files.todayCsv, removal);
}

// The texts of a pass and the rooms they are built in. Built one after the
// other, each text takes the room of the one written before it: fresh memory
// costs more than building a short text. Built side by side, the list text,
// the calendars and the feed take rooms of their own, and the CSV exports the
// calendars' once those are written. Every text is written on while it is
// built, so a room holds a piece of it at a time.
struct PassTexts {
  CalendarTexts calendars;
  std::string feed;
  std::string list;
  CsvTexts csv;
  bool sideBySide = false;

  explicit PassTexts(bool sideBySideBuilds) : sideBySide(sideBySideBuilds) {
    // Room for a piece and the entry that completes it, taken at once: grown
    // step by step, the room would touch about three times as much memory.
    if (sideBySide) {
      for (std::string* room : {&list, &feed, &calendars.privateText}) {
        room->reserve(kBytesWorthWriting + kBytesWorthWriting / 4);
      }
    }
  }
  // The room each text is built in, taken just before it is built.
  void RoomForCalendars() {
    if (!sideBySide) calendars.privateText = std::move(list);
  }
  void RoomForFeed() {
    if (!sideBySide) feed = std::move(calendars.privateText);
  }
  void RoomForList() {
    if (!sideBySide) list = std::move(feed);
  }
  void RoomForCsv() {
    csv.fullText = std::move(sideBySide ? calendars.privateText : list);
    csv.todayText = std::move(calendars.publicText);
  }
};

// Traces 9200 to 9220: the summary lines.
void ReportTotals(const Publishing& pass) {
  const size_t total = pass.list.items.size();
  pass.log.Report(9200, " Total Records=" + std::to_string(total) + " [0.." +
                            std::to_string(static_cast<long long>(total) - 1) + "]");
  pass.log.Report(9210, " Active Records=" + std::to_string(pass.list.activeRecords));
  pass.log.Report(9220, " Max ID=" + std::to_string(pass.list.maxId));
}

}  // namespace

ItemLink::ItemLink(const std::string& itemLinkLine) {
  const std::string line = ReplaceFirstNoCase(Trim(itemLinkLine), "\"ItemLink\":\"", "");
  const size_t at = FindNoCase(line, "$ID$");
  hasId = at != std::string::npos;
  before = hasId ? line.substr(0, at) : line;
  if (hasId) after = line.substr(at + 4);
  // The ID's digits never end in "," or a quote, so the trailing punctuation
  // lies in the part after it.
  DropClosingPunctuation(hasId ? after : before);
  // A list written by another program may escape the link's characters
  // ("http:\/\/"); they read as the list's other texts read.
  before = ReadListString(std::move(before));
  after = ReadListString(std::move(after));
}

void ItemLink::Into(std::string& link, int32_t id) const {
  link.assign(before);
  if (!hasId) return;
  AppendNumber(link, id);
  link.append(after);
}

bool SameFileName(const std::string& a, const std::string& b) {
  return SameTextNoCase(platform::LexicallyNormalName(a), platform::LexicallyNormalName(b));
}

void StartPublishingPass(const Publishing& pass) {
  ItemList& list = pass.list;
  const std::string count = std::to_string(list.items.size());
  // A list without a feed name publishes its feed under a new list's name.
  if (list.feedName.empty()) list.feedName = pass.files.newListFeed;
  pass.log.trace = 7912;
  pass.log.notes = "iVarnoArrayCount=" + count + " Length(VarnoArray)=" + count + " sJSONFile=\"" +
                   pass.files.list + "\"";
  pass.log.Report(8110, " for iVarnoArrayItem:=0 to " +
                            std::to_string(static_cast<long long>(list.items.size()) - 1) +
                            " iVarnoArrayCount-1");
  pass.log.Report(9100,
                  " iVarnoArrayItem=" + count + ", iVarnoArrayItem=iVarnoArrayCount=" + count);
}

void BuildCalendarTexts(const Publishing& pass, CalendarTexts& calendars,
                        const std::function<void()>& writeOn) {
  pass.log.trace = 8100;
  StartCalendarTexts(calendars, pass.list.items.size());
  const std::string uidStem = UidStemOf(pass.files.list);
  const DateTime universalNow = UniversalNowOf(pass.clock);
  for (const Item& item : pass.list.items) {
    pass.log.trace = 9000;
    AddCalendarEvents(calendars, item, uidStem, universalNow);
    WriteOnWhenWorth(calendars.privateText.size() + calendars.publicText.size(), writeOn);
  }
  CloseCalendarTexts(calendars);
}

void BuildFeedText(const Publishing& pass, std::string& feed,
                   const std::function<void()>& writeOn) {
  const ItemList& list = pass.list;
  pass.log.trace = 6910;
  feed.clear();
  feed += FeedHeader(pass.clock.now, pass.files.list);
  pass.log.trace = 7930;
  feed += FeedChannel(list.feedName, list.feedLink, UniversalNowOf(pass.clock));
  const ItemLink itemLink(list.itemLinkLine);
  // A link names its item alone when no other active item has it: links of
  // a template with "$ID$" are equal exactly when the IDs are, and without
  // it every item has the same link.
  ActiveCounts active = CountActive(list, itemLink);
  const std::string uidStem = UidStemOf(pass.files.list);
  IdCounts uidCounts;
  int32_t activeCount = 0;
  std::string link, uid;  // their room is reused from item to item
  for (const Item& item : list.items) {
    if (!item.active) continue;
    ++activeCount;
    pass.log.trace = 8500;
    itemLink.Into(link, item.id);
    const bool ownLink =
        !link.empty() && (itemLink.hasId ? active.perId.CountOf(item.id) == 1 : active.total == 1);
    uid.clear();
    if (!ownLink) CalendarUid(uid, uidCounts, item.id, uidStem);
    pass.log.trace = 8900;
    AppendFeedItem(feed, activeCount, item, link, uid);
    WriteOnWhenWorth(feed.size(), writeOn);
  }
  CloseFeed(feed);
}

void BuildListText(const Publishing& pass, std::string& text,
                   const std::function<void()>& writeOn) {
  const ItemList& list = pass.list;
  const DateTime now = pass.clock.now;
  pass.log.trace = kListTrace;
  text.clear();
  AppendListHeader(text, list, now, kListTrace);
  int32_t activeCount = 0;
  bool anyEntry = false;
  std::string expanded;  // its room is reused from item to item
  for (size_t p = 0; p < list.items.size(); ++p) {
    const Item& item = list.items[p];
    if (item.active) ++activeCount;
    pass.log.trace = 8130;
    const int32_t writtenId = WrittenId(item, p, pass.redoId);
    if (writtenId <= 0) continue;
    std::string_view displayTitle = item.title;
    if (item.displayTitleCurrent) {
      displayTitle = item.displayTitle;
    } else if (!IsPlainTitle(item.title)) {
      ExpandTitleInto(expanded, item, now);
      displayTitle = expanded;
    }
    const auto order = 2 * (static_cast<int64_t>(p) + 1);
    AppendListEntry(text, item, {writtenId, activeCount, order, displayTitle}, !anyEntry);
    anyEntry = true;
    WriteOnWhenWorth(text.size(), writeOn);
  }
  CloseListText(text);
}

void BuildCsvTexts(const Publishing& pass, CsvTexts& csv, const std::function<void()>& writeOn) {
  StartCsvTexts(csv);
  for (size_t p = 0; p < pass.list.items.size(); ++p) {
    const Item& item = pass.list.items[p];
    pass.log.trace = 8700;
    AddCsvRows(csv, item, WrittenId(item, p, pass.redoId), pass.clock.today);
    WriteOnWhenWorth(csv.fullText.size() + csv.todayText.size(), writeOn);
  }
}

void RunPublishingPass(const Publishing& pass) {
  StartPublishingPass(pass);
  // The calendars, written first, are built on this thread; the list text,
  // the longest, on a thread of its own; the feed and the CSV exports in
  // turn on a third, each while the files before it are written. Each thread
  // keeps a trace of its own: a failure in building a text is reported at
  // its trace when the pass comes to write that text.
  const bool longList = pass.list.items.size() >= kItemsWorthThreads;
  PassTexts texts(longList);
  RunLog listLog{pass.log.trace, pass.log.notes};
  RunLog otherLog{pass.log.trace, pass.log.notes};
  const Publishing listBuilder{pass.list, pass.files, pass.clock, pass.redoId, listLog};
  const Publishing otherBuilder{pass.list, pass.files, pass.clock, pass.redoId, otherLog};
  // The list text is written under a temporary name while it is built, the
  // dated copies alongside from the same room, so that no long text is held
  // whole and each piece is written while the processor still holds it; the
  // list file is flushed right after.
  ListFilesStaged stagedList;
  StepsAhead listSteps({[&] {
                          texts.RoomForList();
                          stagedList.Stage(pass);
                          const auto writeOn = [&] { stagedList.WriteOn(texts.list); };
                          BuildListText(listBuilder, texts.list, writeOn);
                          writeOn();
                        },
                        [&] { stagedList.list->Flush(); }},
                       2, longList);
  // The calendars, the feed and the CSV exports are written under temporary
  // names while they are built. The CSV exports take the calendars' room,
  // given back with the feed's.
  StagedFilePair calendars(pass, pass.files.calendar, pass.files.publicCalendar);
  std::optional<StagedTextFile> feed;
  StageDerivedFile(pass, feed, pass.list.feedName);
  std::optional<StagedFilePair> csvs;
  StepsAhead otherSteps({[&] {
                           texts.RoomForFeed();
                           const auto writeOn = [&] { WriteOnAndEmpty(feed, texts.feed); };
                           BuildFeedText(otherBuilder, texts.feed, writeOn);
                           writeOn();
                         },
                         [&] {
                           texts.RoomForCsv();
                           csvs.emplace(otherBuilder, pass.files.csv, pass.files.todayCsv);
                           const auto writeOn = [&] {
                             csvs->WriteOn(texts.csv.fullText, texts.csv.todayText);
                           };
                           BuildCsvTexts(otherBuilder, texts.csv, writeOn);
                           writeOn();
                         }},
                        1, longList);
  // The text's trace is taken over either way: the pass reports its next
  // line (which sets the trace) before it can fail again.
  const auto take = [&pass](StepsAhead& steps, const RunLog& builderLog, size_t step) {
    RunThenAlways([&] { steps.WaitFor(step); }, [&] { pass.log.trace = builderLog.trace; });
  };
  // The files replaced are removed meanwhile, on a thread of their own.
  BackgroundRemoval removal(longList);
  texts.RoomForCalendars();
  const auto writeOnCalendars = [&] {
    calendars.WriteOn(texts.calendars.privateText, texts.calendars.publicText);
  };
  BuildCalendarTexts(pass, texts.calendars, writeOnCalendars);
  writeOnCalendars();
  WriteCalendars(pass, calendars, removal);
  take(otherSteps, otherLog, 0);
  pass.log.Report(9110, " Writing \"" + pass.list.feedName + "\"");
  PutDerivedFileInPlace(pass, feed, pass.list.feedName, removal);
  otherSteps.Done(0);
  take(listSteps, listLog, 0);
  WriteList(pass, listSteps, stagedList, removal);
  take(otherSteps, otherLog, 1);
  WriteCsvs(pass, *csvs, removal);
  ReportTotals(pass);
}
