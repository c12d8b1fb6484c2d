// The loader on any file text, followed by the rest of a run that changes
// nothing: ordering and the publishing pass's texts (nothing is written).
// The text is loaded again in two halves side by side, wherever it can be
// split: that must load what one thread loads.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz_support.h"
#include "publish/publishing_pass.h"
#include "support/failures.h"
#include "tasklist/list_loader.h"
#include "tasklist/ordering.h"

namespace {

// Loads `text` into `run`; false when a "NextID" that is not a whole number
// fails the load, as it fails the run on purpose.
bool Load(std::string_view text, fuzz::ListRun& run, size_t bytesWorthTwoThreads) {
  try {
    LoadListText(text, {run.files.list, false, run.clock, bytesWorthTwoThreads}, run.list, run.log);
    return true;
  } catch (const ConvertError&) {
    return false;
  }
}

// Everything a load keeps, as text.
std::string Loaded(const fuzz::ListRun& run) {
  const ItemList& list = run.list;
  std::string facts =
      std::to_string(list.recordsFromFile) + "|" + std::to_string(list.activeRecords) + "|" +
      std::to_string(list.lineCount) + "|" + std::to_string(list.nextIdFromFile) + "|" +
      std::to_string(list.holdsNextId) + std::to_string(list.endsClosed) + "|" +
      std::to_string(list.unreadableLine) + "|" + std::to_string(list.maxId) + "|" + list.sortBy +
      "|" + list.headTitle + "|" + list.link + "|" + list.itemLinkLine + "|" + list.feedName + "|" +
      std::to_string(run.log.trace) + "|" + run.log.notes + "\n";
  for (const Item& item : list.items) {
    facts += std::to_string(item.id) + "|" + std::to_string(item.days) + "|" +
             std::to_string(item.priority) + "|" + std::to_string(item.active) +
             std::to_string(item.isPublic) + std::to_string(item.displayTitleCurrent) + "|" +
             item.order + "|" + std::string(item.description) + "|" + std::string(item.flags) +
             "|" + std::string(item.notes) + "|" + std::string(item.status) + "|" +
             std::string(item.etc) + "|" + std::string(item.title) + "|" +
             std::string(item.displayTitle) + "|" + std::string(item.repeat) + "|" +
             std::string(item.doToday) + "\n";
  }
  return facts;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzz::EnterQuietScratchFolder();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text = fuzz::TextOf(data, size);
  fuzz::ListRun run;
  fuzz::ListRun halves;
  const bool loaded = Load(text, run, SIZE_MAX);
  // A failed load leaves its trace and its notes to report, nothing more.
  if (Load(text, halves, 0) != loaded ||
      (loaded ? Loaded(halves) != Loaded(run)
              : halves.log.trace != run.log.trace || halves.log.notes != run.log.notes)) {
    fuzz::PropertyFailed("two halves load what one thread loads");
  }
  if (!loaded) return 0;
  ItemList& list = run.list;
  if (static_cast<size_t>(list.recordsFromFile) > list.items.size()) {
    fuzz::PropertyFailed("no more items stored than slots");
  }
  FinishListLink(list, run.log);
  OrderList(list, false, run.log);
  if (list.items.empty()) return 0;
  const Publishing pass{list, run.files, run.clock, false, run.log};
  StartPublishingPass(pass);
  CalendarTexts calendars;
  BuildCalendarTexts(pass, calendars);
  std::string built;
  BuildFeedText(pass, built);
  BuildListText(pass, built);
  CsvTexts csv;
  BuildCsvTexts(pass, csv);
  return 0;
}
