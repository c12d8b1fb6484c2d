#include "support/host_facts.h"

#include <gtest/gtest.h>

#include "support/settings.h"
#include "tests/unit/support_test_helpers.h"

namespace {

using varno_test::TempFolder;
using varno_test::WriteFile;

constexpr uint32_t kSecond = 1000, kMinute = 60 * kSecond, kHour = 60 * kMinute, kDay = 24 * kHour;

TEST(MachineUpTimeFromTicks, SplitsTheCounterAndWrapsAt32Bits) {
  UpTime upTime = MachineUpTimeFromTicks(59 * kSecond);
  EXPECT_EQ(upTime.text, "0w0d00h00m59s");
  EXPECT_DOUBLE_EQ(upTime.days, 59.0 / 86400);

  upTime = MachineUpTimeFromTicks(7 * kDay);
  EXPECT_EQ(upTime.text, "1w0d00h00m00s");
  EXPECT_DOUBLE_EQ(upTime.days, 7.0);

  // Left-over milliseconds are dropped, not rounded.
  upTime = MachineUpTimeFromTicks(3 * kDay + 4 * kHour + 5 * kMinute + 9 * kSecond + 999);
  EXPECT_EQ(upTime.text, "0w3d04h05m09s");
  EXPECT_NEAR(upTime.days, 3 + 4 / 24.0 + 5 / 1440.0 + 9 / 86400.0, 1e-12);

  // The last count before the counter restarts, read as unsigned.
  upTime = MachineUpTimeFromTicks(UINT32_MAX);
  EXPECT_EQ(upTime.ticks, 4294967295LL);
  EXPECT_EQ(upTime.text, "7w0d17h02m47s");
}

TEST(MemoryStatus, PercentagesTellWhatIsFree) {
  platform::MemoryFigures figures;
  figures.totalPhys = 8000;
  figures.availPhys = 2000;
  figures.totalPageFile = 12000;  // full: nothing available
  figures.totalVirtual = 4000;
  figures.availVirtual = 3000;
  const MemoryStatus status = MemoryStatusFromFigures(figures);
  EXPECT_TRUE(status.valid);
  EXPECT_EQ(status.usedPhys, 6000);
  EXPECT_DOUBLE_EQ(status.availPhysPercent, 25.0);
  EXPECT_EQ(status.usedPageFile, status.totalPageFile);
  EXPECT_DOUBLE_EQ(status.availPageFilePercent, 0.0);
  EXPECT_EQ(status.usedVirtual, 1000);
  EXPECT_DOUBLE_EQ(status.availVirtualPercent, 75.0);
  // Without a total the percentage is 0, not "not a number".
  EXPECT_EQ(MemoryStatusFromFigures({}).availPhysPercent, 0.0);

  const MemoryStatus live = ReadMemoryStatus();
  ASSERT_TRUE(live.valid);
  EXPECT_GT(live.totalPhys, 0);
  EXPECT_GT(live.usedVirtual, 0);
  EXPECT_LE(live.availPageFile, live.totalPageFile);
}

TEST(ExecutableFolder, SetPathToEXEPathMakesItCurrentAndKeepsIt) {
  const Settings saved = processSettings;
  const std::string before = platform::CurrentDirectory();
  const std::string folder = reported::ProgramPath("");
  EXPECT_EQ(folder + "unit_tests", platform::ExecutablePath());
  EXPECT_EQ(reported::EnterProgramFolder(), folder);
  EXPECT_EQ(processSettings.exeFolder, folder);
  EXPECT_EQ(platform::CurrentDirectory() + "/", folder);
  platform::SetCurrentDirectory(before);
  processSettings = saved;
}

TEST(ExecutableFolder, SiblingProgramIsLookedForAtItsFixedPathOnly) {
  const std::string before = platform::CurrentDirectory();
  TempFolder folder;
  ASSERT_TRUE(platform::SetCurrentDirectory(folder.path()));
  const std::string fixed = "C:\\Program Files (x86)\\Bemstead\\Zumo\\Zumo.exe";
  EXPECT_EQ(reported::ProgramPath("zumo.exe"), "");
  // Tested exactly as written, the path is one odd file name here.
  WriteFile(folder / fixed, "");
  EXPECT_EQ(reported::ProgramPath("ZUMO.EXE"), fixed);
  EXPECT_EQ(reported::ProgramPath("Zumo.Exe"), fixed);
  EXPECT_EQ(reported::ProgramPath("notepad.exe"), "");
  platform::SetCurrentDirectory(before);
}

TEST(ExistsBesideProgram, LooksBesideTheExecutable) {
  TempFolder folder;
  const std::string savedPath = processSettings.exeFolder;
  processSettings.exeFolder = folder.path() + "/";
  WriteFile(folder / ".todo.json", "{}");
  std::filesystem::create_directory(folder / "web");
  EXPECT_TRUE(reported::ExistsBesideProgram("*.json"));
  EXPECT_TRUE(reported::ExistsBesideProgram("web"));
  EXPECT_FALSE(reported::ExistsBesideProgram("*.csv"));
  // Without a folder the name is looked for in the current directory.
  processSettings.exeFolder.clear();
  EXPECT_FALSE(reported::ExistsBesideProgram(".todo.json"));
  processSettings.exeFolder = savedPath;
}

}  // namespace
