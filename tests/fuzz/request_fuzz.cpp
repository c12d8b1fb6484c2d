// The request reader on any argument text, in both forms: the first byte picks
// the form; a web query string is the rest as one argument, positional
// arguments are the rest split at NUL bytes. A web request must never name a
// folder, and an accepted list file without a folder part must never share
// its name with a derived file. (A console name with a folder part can, as in
// "a.json/../list.json"; the publishing pass skips such a derived file.)
#include <cstddef>
#include <cstdint>

#include "driver/request.h"
#include "fuzz_support.h"
#include "publish/calendar_export.h"
#include "publish/publishing_pass.h"
#include "support/text_helpers.h"

namespace {

std::vector<std::string> ArgumentsOf(std::string_view input) {
  if (input.empty()) return {};
  const bool positional = (static_cast<unsigned char>(input[0]) & 1) != 0;
  input.remove_prefix(1);
  if (!positional) return {std::string(input)};
  std::vector<std::string> args;
  for (size_t start = 0;;) {
    const size_t nul = input.find('\0', start);
    args.emplace_back(input.substr(start, nul - start));
    if (nul == std::string_view::npos) break;
    start = nul + 1;
  }
  return args;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzz::EnterQuietScratchFolder();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  RunState run;
  run.Args = ArgumentsOf(fuzz::TextOf(data, size));
  ReadRequestParameters(run);
  if (run.Args.empty() || !RefusalOfListFile(run).empty()) return 0;
  DeriveFileNames(run);
  PrepareRequestRecord(run);

  const std::string& list = run.sJSONFile;
  if (run.Args.size() == 1 &&
      (Contains(list, "/") || Contains(list, "\\") || Contains(list, ".."))) {
    fuzz::PropertyFailed("a web request names no folder");
  }
  if (Contains(list, "/") || Contains(list, "\\")) return 0;
  const TDateTime now = fuzz::FixedNow();
  const std::string weekdayCopy = WeekdayCopyName(list, now);
  for (const std::string& derived :
       {run.sCSVFile, run.sTodayCSVFile, EditorPageName(list), ViewerPageName(list),
        NewListFeedName(list), weekdayCopy, MonthCopyName(weekdayCopy, now),
        CalendarName(run.sParam1_JSONFile)}) {
    if (SameFileName(derived, list)) fuzz::PropertyFailed("no derived file is the list file");
  }
  return 0;
}
