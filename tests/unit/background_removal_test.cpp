#include "support/background_removal.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "tasklist_test_helpers.h"

using tasklist_test::InFreshFolder;

namespace {

class BackgroundRemovalTest : public InFreshFolder {};

}  // namespace

TEST_F(BackgroundRemovalTest, EveryFileAddedIsGoneWhenItEnds) {
  for (const bool alongside : {false, true}) {
    for (int n = 0; n < 20; ++n) std::ofstream("old" + std::to_string(n)) << "text";
    {
      BackgroundRemoval removal(alongside);
      for (int n = 0; n < 20; ++n) removal.Add("old" + std::to_string(n));
      removal.Add("missing");  // a file already gone is no failure
    }
    EXPECT_TRUE(std::filesystem::is_empty(".")) << alongside;
  }
}
