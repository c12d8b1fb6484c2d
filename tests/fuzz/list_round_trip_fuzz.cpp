// The round trip: a list the program wrote, loaded again and written again,
// gives the same bytes. Any file text is loaded and written as a run without
// a change does it; the written text must then be a fixed point. When the
// first load holds nothing the writer drops or changes by design, the first
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

struct tRewrite {
  bool Loaded = false;   // false when the load fails (a "NextID" that is no whole number)
  bool Written = false;  // false when the run ends before writing
  std::string Text;
  // Every title and description reads back as it was held: the writer decodes
  // %-escapes once more on every write and writes control characters as
  // blanks, so a value holding either changes (and with it a dated title's
  // display title).
  bool StableTexts = true;
  // Every slot holds a stored item with an ID above 0: an empty slot or an
  // item that is not written still takes a position, by design.
  bool EverySlotWritten = true;
  // The loader drops the first comma of the "Link" line, by design, and the
  // writer's closing comma then ends the link: each write moves one comma of
  // a link to its end, until all its commas are there.
  bool StableLink = true;
};

bool ReadsBackAsWritten(const std::string& value) {
  std::string written;
  AppendListEncodedText(written, value);
  return ReadListString(written) == value;
}

tRewrite Rewrite(std::string_view text) {
  tRewrite rewrite;
  RunState run = fuzz::RunOnListJson();
  const TDateTime now = fuzz::FixedNow();
  try {
    LoadListText(run, text, now);
  } catch (const EConvertError&) {
    return rewrite;
  }
  rewrite.Loaded = true;
  const tVarnoList& list = run.List;
  rewrite.EverySlotWritten = list.iRecordsFromFile == list.iVarnoArrayCount;
  const size_t lastOther = list.sLink.find_last_not_of(',');
  rewrite.StableLink =
      lastOther == std::string::npos || list.sLink.rfind(',', lastOther) == std::string::npos;
  for (const tVarno& item : list.VarnoArray) {
    if (item.ID <= 0) rewrite.EverySlotWritten = false;
    if (!ReadsBackAsWritten(item.Title) || !ReadsBackAsWritten(item.Description)) {
      rewrite.StableTexts = false;
    }
  }
  FinishListLink(run);
  OrderList(run);
  if (list.iVarnoArrayCount == 0) return rewrite;
  StartPublishingPass(run);
  BuildListText(run, now, rewrite.Text);
  rewrite.Written = true;
  return rewrite;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzz::EnterQuietScratchFolder();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const tRewrite first = Rewrite(fuzz::TextOf(data, size));
  if (!first.Written) return 0;
  const tRewrite second = Rewrite(first.Text);
  if (!second.Loaded) fuzz::PropertyFailed("a written list loads again");
  if (!second.Written || !second.StableTexts || !second.StableLink) return 0;
  if (first.StableTexts && first.EverySlotWritten && first.StableLink &&
      second.Text != first.Text) {
    fuzz::PropertyFailed("a list written once writes the same bytes again");
  }
  const tRewrite third = Rewrite(second.Text);
  if (third.Text != second.Text) fuzz::PropertyFailed("a rewritten list writes the same bytes");
  return 0;
}
