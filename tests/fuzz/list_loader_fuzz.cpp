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
  RunState run = fuzz::RunOnListJson();
  const TDateTime now = fuzz::FixedNow();
  try {
    LoadListText(run, fuzz::TextOf(data, size), now);
  } catch (const EConvertError&) {
    return 0;  // a "NextID" that is not a whole number fails the run by design
  }
  const tVarnoList& list = run.List;
  if (list.VarnoArray.size() != static_cast<size_t>(list.iVarnoArrayCount)) {
    fuzz::PropertyFailed("the item count matches the list");
  }
  if (list.iRecordsFromFile > list.iVarnoArrayCount) {
    fuzz::PropertyFailed("no more items stored than slots");
  }
  FinishListLink(run);
  OrderList(run);
  if (list.iVarnoArrayCount == 0) return 0;
  StartPublishingPass(run);
  tCalendarTexts calendars;
  BuildCalendarTexts(run, now, calendars);
  std::string text;
  BuildFeedText(run, now, text);
  BuildListText(run, now, text);
  tCsvTexts csv;
  BuildCsvTexts(run, csv);
  return 0;
}
