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
  const std::vector<std::string> args = ArgumentsOf(fuzz::TextOf(data, size));
  RunLog log;
  Request request = ReadRequestParameters(args, log);
  if (args.empty() || !RefusalOfListFile(request).empty()) return 0;
  const ListFiles files = NameListFiles(request.listFile, fuzz::FixedNow());
  PrepareRequestRecord(request, args, files.list, log);

  const std::string& list = files.list;
  if (args.size() == 1 && (Contains(list, "/") || Contains(list, "\\") || Contains(list, ".."))) {
    fuzz::PropertyFailed("a web request names no folder");
  }
  if (Contains(list, "/") || Contains(list, "\\")) return 0;
  for (const std::string& name :
       {files.csv, files.todayCsv, files.editorPage, files.viewerPage, files.newListFeed,
        files.weekdayCopy, files.monthCopy, files.calendar}) {
    if (SameFileName(name, list)) fuzz::PropertyFailed("no derived file is the list file");
  }
  return 0;
}
