// The round trip: a list the program wrote, loaded again and written again,
// gives the same bytes. Any file text is loaded and written as a run without
// a change does it; the written text must then be a fixed point. When the
// first load holds nothing the writer drops or changes on purpose, the first
// written text must already be one.
#include <cstddef>
#include <cstdint>

#include "fuzz_support.h"
#include "publish/publishing_pass.h"
#include "support/failures.h"
#include "tasklist/list_format.h"
#include "tasklist/list_loader.h"
#include "tasklist/ordering.h"

namespace {

struct Rewrite {
  bool loaded = false;   // false when the load fails (a "NextID" that is no whole number)
  bool written = false;  // false when the run ends before writing
  std::string text;
  // Every title and description reads back as it was held: the writer decodes
  // %-escapes once more on every write and writes control characters as
  // blanks, so a value holding either changes (and with it a dated title's
  // display title).
  bool stableTexts = true;
  // Every slot holds a stored item with an ID above 0: an empty slot or an
  // item that is not written still takes a position, on purpose.
  bool everySlotWritten = true;
  // The loader drops the first comma of the "Link" line, as it always has, and the
  // writer's closing comma then ends the link: each write moves one comma of
  // a link to its end, until all its commas are there.
  bool stableLink = true;
};

bool ReadsBackAsWritten(std::string_view value) {
  std::string written;
  AppendListEncodedText(written, value);
  return ReadListString(written) == value;
}

Rewrite RewriteOf(std::string_view text) {
  Rewrite rewrite;
  fuzz::ListRun run;
  ItemList& list = run.list;
  try {
    LoadListText(text, {run.files.list, false, run.clock}, list, run.log);
  } catch (const ConvertError&) {
    return rewrite;
  }
  rewrite.loaded = true;
  rewrite.everySlotWritten = static_cast<size_t>(list.recordsFromFile) == list.items.size();
  const size_t lastOther = list.link.find_last_not_of(',');
  rewrite.stableLink =
      lastOther == std::string::npos || list.link.rfind(',', lastOther) == std::string::npos;
  for (const Item& item : list.items) {
    if (item.id <= 0) rewrite.everySlotWritten = false;
    if (!ReadsBackAsWritten(item.title) || !ReadsBackAsWritten(item.description)) {
      rewrite.stableTexts = false;
    }
  }
  FinishListLink(list, run.log);
  OrderList(list, false, run.log);
  if (list.items.empty()) return rewrite;
  const Publishing pass{list, run.files, run.clock, false, run.log};
  StartPublishingPass(pass);
  BuildListText(pass, rewrite.text);
  rewrite.written = true;
  return rewrite;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzz::EnterQuietScratchFolder();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const Rewrite first = RewriteOf(fuzz::TextOf(data, size));
  if (!first.written) return 0;
  const Rewrite second = RewriteOf(first.text);
  if (!second.loaded) fuzz::PropertyFailed("a written list loads again");
  if (!second.written || !second.stableTexts || !second.stableLink) return 0;
  if (first.stableTexts && first.everySlotWritten && first.stableLink &&
      second.text != first.text) {
    fuzz::PropertyFailed("a list written once writes the same bytes again");
  }
  const Rewrite third = RewriteOf(second.text);
  if (third.text != second.text) fuzz::PropertyFailed("a rewritten list writes the same bytes");
  return 0;
}
