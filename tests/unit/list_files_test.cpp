// The list's file names, worked out once per run from the requested name and
// the run's one clock reading.
#include "tasklist/list_files.h"

#include <gtest/gtest.h>

#include "tasklist_test_helpers.h"

using tasklist_test::At;

namespace {

TEST(ListFiles, EveryFileOfTheListFromItsRequestedName) {
  const ListFiles files = NameListFiles("Home.JSON", At(2025, 10, 3));
  EXPECT_EQ(files.parameter, "Home.JSON");
  EXPECT_EQ(files.list, "home.json");
  EXPECT_EQ(files.weekdayCopy, "home-fri.json");
  EXPECT_EQ(files.monthCopy, "home-oct.json");
  EXPECT_EQ(files.csv, "home.csv");
  EXPECT_EQ(files.todayCsv, "hometoday.csv");
  EXPECT_EQ(files.editorPage, "home.html");
  EXPECT_EQ(files.editorPageFiles,
            (std::vector<std::string>{"home.html", "home-oct.html", "home-fri.html"}));
  EXPECT_EQ(files.viewerPage, "homerss.html");
  // The calendar keeps the name as requested.
  EXPECT_EQ(files.calendar, "Home.ics");
  EXPECT_EQ(files.publicCalendar, "");
  EXPECT_EQ(files.newListFeed, "homerss.xml");
}

TEST(ListFiles, ListInAnotherFolder) {
  const ListFiles files = NameListFiles("old.lists/Upcoming.json", At(2025, 10, 3));
  EXPECT_EQ(files.list, "old.lists/upcoming.json");
  EXPECT_EQ(files.weekdayCopy, "old.lists/upcoming-fri.json");
  EXPECT_EQ(files.editorPage, "old.lists/upcoming.html");
  // The editor page's stem ends at the first full stop, folder included.
  EXPECT_EQ(files.editorPageFiles,
            (std::vector<std::string>{"old.html", "old-oct.html", "old-fri.html"}));
  EXPECT_EQ(files.viewerPage, "old.lists/upcomingrss.html");
  EXPECT_EQ(files.calendar, "old.lists/Upcoming.ics");
  EXPECT_EQ(files.newListFeed, "upcomingrss.xml");
}

TEST(ListFiles, UpcomingListHasAPublicCalendar) {
  EXPECT_EQ(NameListFiles("Upcoming.json", At(2025, 10, 3)).publicCalendar, "public.ics");
}

// One clock reading names every dated file, so a run that goes on past
// midnight never names a Friday page beside a Saturday copy of the list.
TEST(ListFiles, RunAcrossMidnightNamesOneDay) {
  const DateTime lastMoment = EncodeDateTime({2025, 10, 31, 23, 59, 59, 999});
  const ListFiles before = NameListFiles("home.json", lastMoment);
  EXPECT_EQ(before.weekdayCopy, "home-fri.json");
  EXPECT_EQ(before.monthCopy, "home-oct.json");
  EXPECT_EQ(before.editorPageFiles[1], "home-oct.html");
  EXPECT_EQ(before.editorPageFiles[2], "home-fri.html");
  const ListFiles after = NameListFiles("home.json", At(2025, 11, 1, 0, 0));
  EXPECT_EQ(after.weekdayCopy, "home-sat.json");
  EXPECT_EQ(after.monthCopy, "home-nov.json");
  EXPECT_EQ(after.editorPageFiles[2], "home-sat.html");
}

TEST(ListFiles, EditorPageStemEndsAtTheFirstFullStop) {
  EXPECT_EQ(EditorPageStem("varno.html"), "varno");
  EXPECT_EQ(EditorPageStem("my.list.html"), "my");
  EXPECT_EQ(EditorPageStem("old.lists/home.html"), "old");
  EXPECT_EQ(EditorPageStem("nodot"), "");
}

TEST(ListFiles, ExistsForFilesFoldersAndDanglingLinksOnly) {
  const std::string folder = ::testing::TempDir() + "varno-list-files-test";
  std::filesystem::remove_all(folder);
  std::filesystem::create_directories(folder);
  tasklist_test::WriteFile(folder + "/list.json", "{}");
  std::filesystem::create_symlink(folder + "/gone.json", folder + "/link.json");
  EXPECT_TRUE(ListFileExists(folder + "/list.json"));
  EXPECT_TRUE(ListFileExists(folder));
  EXPECT_TRUE(ListFileExists(folder + "/link.json"));
  EXPECT_FALSE(ListFileExists(folder + "/gone.json"));
  EXPECT_FALSE(ListFileExists(folder + "/*.json"));
  EXPECT_FALSE(ListFileExists(""));
  std::filesystem::remove_all(folder);
}

}  // namespace
