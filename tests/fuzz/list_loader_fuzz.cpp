// The loader on any file text, followed by the rest of a run that changes
// nothing: ordering and the publishing pass's texts (nothing is written).
#include <cstddef>
#include <cstdint>

#include "fuzz_support.h"
#include "publish/publishing_pass.h"
#include "support/failures.h"
#include "tasklist/list_loader.h"
#include "tasklist/ordering.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzz::EnterQuietScratchFolder();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::ListRun run;
  ItemList& list = run.list;
  try {
    LoadListText(fuzz::TextOf(data, size), {run.files.list, false, run.clock}, list, run.log);
  } catch (const ConvertError&) {
    return 0;  // a "NextID" that is not a whole number fails the run on purpose
  }
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
  std::string text;
  BuildFeedText(pass, text);
  BuildListText(pass, text);
  CsvTexts csv;
  BuildCsvTexts(pass, csv);
  return 0;
}
