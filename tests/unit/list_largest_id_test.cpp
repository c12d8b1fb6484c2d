// The largest ID a list can hold: the "NextID" written after it must load
// again, or every later run fails on the list.
#include <gtest/gtest.h>

#include <cstdint>

#include "publish/publishing_pass.h"
#include "tasklist/list_format.h"
#include "tasklist/list_loader.h"
#include "tasklist_test_helpers.h"

using tasklist_test::At;
using tasklist_test::InFreshFolder;

namespace {

const DateTime kNow = At(2025, 10, 3, 13, 53);

class ListLargestId : public InFreshFolder {
 protected:
  // The list text a run without a change writes for `text`.
  std::string Rewritten(const std::string& text) {
    list = ItemList{};
    LoadListText(text, {files.list, false, clock}, list, log);
    const Publishing pass{list, files, clock, false, log};
    StartPublishingPass(pass);
    std::string rewritten;
    BuildListText(pass, rewritten);
    return rewritten;
  }
};

}  // namespace

TEST_F(ListLargestId, NextIdAfterTheLargestIdMadeTheListUnreadable) {
  Item item;
  item.id = INT32_MAX;
  item.active = true;
  item.title = "last";
  ItemList header;
  header.maxId = INT32_MAX;
  std::string text;
  AppendListHeader(text, header, kNow, 8010);
  AppendListEntry(text, item, {INT32_MAX, 1, 2, "last"}, true);
  CloseListText(text);
  EXPECT_NE(text.find("\"NextID\":2147483647,"), std::string::npos);

  const std::string written = Rewritten(text);
  EXPECT_EQ(list.nextIdFromFile, INT32_MAX);
  EXPECT_EQ(Rewritten(written), written);
}
