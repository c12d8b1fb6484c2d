#include "support/host_facts.h"

#include <gtest/gtest.h>

#include "support/settings.h"
#include "tests/unit/support_test_helpers.h"

namespace {

using varno_test::TempFolder;
using varno_test::WriteFile;

constexpr uint32_t kSecond = 1000, kMinute = 60 * kSecond, kHour = 60 * kMinute, kDay = 24 * kHour;

TEST(MachineUpTimeFromTicks, SplitsTheCounterAndWrapsAt32Bits) {
  tMachineUpTime upTime = MachineUpTimeFromTicks(59 * kSecond);
  EXPECT_EQ(upTime.Text, "0w0d00h00m59s");
  EXPECT_DOUBLE_EQ(upTime.Days, 59.0 / 86400);

  upTime = MachineUpTimeFromTicks(7 * kDay);
  EXPECT_EQ(upTime.Text, "1w0d00h00m00s");
  EXPECT_DOUBLE_EQ(upTime.Days, 7.0);

  // Left-over milliseconds are dropped, not rounded.
  upTime = MachineUpTimeFromTicks(3 * kDay + 4 * kHour + 5 * kMinute + 9 * kSecond + 999);
  EXPECT_EQ(upTime.Text, "0w3d04h05m09s");
  EXPECT_NEAR(upTime.Days, 3 + 4 / 24.0 + 5 / 1440.0 + 9 / 86400.0, 1e-12);

  // The last count before the counter restarts, read as unsigned.
  upTime = MachineUpTimeFromTicks(UINT32_MAX);
  EXPECT_EQ(upTime.Ticks, 4294967295LL);
  EXPECT_EQ(upTime.Text, "7w0d17h02m47s");
}

TEST(MemoryStatus, PercentagesTellWhatIsFree) {
  platform::MemoryFigures figures;
  figures.TotalPhys = 8000;
  figures.AvailPhys = 2000;
  figures.TotalPageFile = 12000;  // full: nothing available
  figures.TotalVirtual = 4000;
  figures.AvailVirtual = 3000;
  const tMemoryStatusRec status = MemoryStatusFromFigures(figures);
  EXPECT_TRUE(status.Valid);
  EXPECT_EQ(status.UsedPhys, 6000);
  EXPECT_DOUBLE_EQ(status.AvailPhysPercent, 25.0);
  EXPECT_EQ(status.UsedPageFile, status.TotalPageFile);
  EXPECT_DOUBLE_EQ(status.AvailPageFilePercent, 0.0);
  EXPECT_EQ(status.UsedVirtual, 1000);
  EXPECT_DOUBLE_EQ(status.AvailVirtualPercent, 75.0);
  // Without a total the percentage is 0, not "not a number".
  EXPECT_EQ(MemoryStatusFromFigures({}).AvailPhysPercent, 0.0);

  const tMemoryStatusRec live = GetMemoryStatus();
  ASSERT_TRUE(live.Valid);
  EXPECT_GT(live.TotalPhys, 0);
  EXPECT_GT(live.UsedVirtual, 0);
  EXPECT_LE(live.AvailPageFile, live.TotalPageFile);
}

TEST(ExecutableFolder, SetPathToEXEPathMakesItCurrentAndKeepsIt) {
  const tGlobalSettings saved = GlobalSettings;
  const std::string before = platform::CurrentDirectory();
  const std::string folder = GetEXEPath("");
  EXPECT_EQ(folder + "unit_tests", platform::ExecutablePath());
  EXPECT_EQ(SetPathToEXEPath(), folder);
  EXPECT_EQ(GlobalSettings.EXEPath, folder);
  EXPECT_EQ(platform::CurrentDirectory() + "/", folder);
  platform::SetCurrentDirectory(before);
  GlobalSettings = saved;
}

TEST(ExecutableFolder, SiblingProgramIsLookedForAtItsFixedPathOnly) {
  const std::string before = platform::CurrentDirectory();
  TempFolder folder;
  ASSERT_TRUE(platform::SetCurrentDirectory(folder.path()));
  const std::string fixed = "C:\\Program Files (x86)\\Bemstead\\Zumo\\Zumo.exe";
  EXPECT_EQ(GetEXEPath("zumo.exe"), "");
  // Tested exactly as written, the path is one odd file name here.
  WriteFile(folder / fixed, "");
  EXPECT_EQ(GetEXEPath("ZUMO.EXE"), fixed);
  EXPECT_EQ(GetEXEPath("Zumo.Exe"), fixed);
  EXPECT_EQ(GetEXEPath("notepad.exe"), "");
  platform::SetCurrentDirectory(before);
}

TEST(FileExists, LooksBesideTheExecutable) {
  TempFolder folder;
  const std::string savedPath = GlobalSettings.EXEPath;
  GlobalSettings.EXEPath = folder.path() + "/";
  WriteFile(folder / ".todo.json", "{}");
  std::filesystem::create_directory(folder / "web");
  EXPECT_TRUE(FileExists("*.json"));
  EXPECT_TRUE(FileExists("web"));
  EXPECT_FALSE(FileExists("*.csv"));
  // Without a folder the name is looked for in the current directory.
  GlobalSettings.EXEPath.clear();
  EXPECT_FALSE(FileExists(".todo.json"));
  GlobalSettings.EXEPath = savedPath;
}

}  // namespace
