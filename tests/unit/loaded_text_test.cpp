#include "support/loaded_text.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fstream>
#include <string>
#include <thread>

#include "tests/unit/support_test_helpers.h"

using varno_test::TempFolder;
using varno_test::WriteFile;

namespace {

// A list file several large pages long, and one whose size says nothing (a
// pipe another program writes into): its room grows while it is read.
TEST(LoadedText, ReadsWholeFilesWhateverTheirSizeSays) {
  TempFolder folder;
  const std::string file = folder / "list.json";
  std::string content(5 << 20, 'x');
  content.back() = '}';
  WriteFile(file, content);
  LoadedText text;
  ASSERT_TRUE(text.Read(file));
  EXPECT_EQ(text.View(), content);

  const std::string pipe = folder / "pipe.json";
  ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
  std::string piped;
  for (int i = 0; piped.size() < 300000; ++i) piped += "line " + std::to_string(i) + "\n";
  std::thread writer([&] { std::ofstream(pipe, std::ios::binary) << piped; });
  ASSERT_TRUE(text.Read(pipe));
  writer.join();
  EXPECT_EQ(text.View(), piped);
}

TEST(LoadedText, FailsWithoutAFileAndTakesAPartOfItself) {
  TempFolder folder;
  LoadedText text;
  EXPECT_FALSE(text.Read(folder / "missing.json"));
  EXPECT_FALSE(text.Read(folder.path()));
  EXPECT_TRUE(text.View().empty());

  WriteFile(folder / "list.json", "\xFF\xFE{}");
  ASSERT_TRUE(text.Read(folder / "list.json"));
  text.Assign(text.View().substr(2));
  EXPECT_EQ(text.View(), "{}");
  text.Assign("");
  EXPECT_TRUE(text.View().empty());
}

}  // namespace
