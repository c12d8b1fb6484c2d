#include "support/run_log.h"

#include <gtest/gtest.h>

#include "support/text_tools.h"
#include "tasklist_test_helpers.h"

using tasklist_test::InFreshFolder;

namespace {

// The run log's lines without their time stamps.
std::vector<std::string> Lines(const std::string& log) {
  std::vector<std::string> lines;
  for (std::string_view line : tasklist_test::SplitLines(log)) {
    lines.emplace_back(line.substr(std::min<size_t>(line.size(), 23)));
  }
  return lines;
}

class RunLogLines : public InFreshFolder {};

TEST_F(RunLogLines, StartReplacesTheLogAndReportsCarryTheTrace) {
  tasklist_test::WriteFile("varno-log.txt", "an older run's lines\r\n");
  testing::internal::CaptureStdout();
  log.Start("100 varno v1");
  log.Report(690, " VarnoParam.ID=3");
  log.trace = 910;
  log.ReportAtCurrentTrace(" ERROR: refused.");
  log.Line("iVarnoArrayLength=2");
  LogOnly(" ParamCount=0");
  const std::string console = testing::internal::GetCapturedStdout();
  EXPECT_EQ(console,
            "100 varno v1\n690 VarnoParam.ID=3\n910 ERROR: refused.\niVarnoArrayLength=2\n");
  EXPECT_EQ(Lines(LogText()), (std::vector<std::string>{" 100 varno v1", " 690 VarnoParam.ID=3",
                                                        " 910 ERROR: refused.",
                                                        " iVarnoArrayLength=2", " ParamCount=0"}));
  EXPECT_EQ(log.trace, 910);
}

TEST_F(RunLogLines, LineInAnOlderCodePageIsWrittenAsUtf8) {
  testing::internal::CaptureStdout();
  log.Report(5500, " Title=\"caf\xE9\"");
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "5500 Title=\"caf\xC3\xA9\"\n");
  EXPECT_NE(LogText().find(" 5500 Title=\"caf\xC3\xA9\"\r\n"), std::string::npos);
}

TEST(Digits, NumbersAndZeroPadding) {
  std::string text = "x";
  AppendNumber(text, -42);
  AppendNumber(text, 0);
  EXPECT_EQ(text, "x-420");
  text.clear();
  AppendZeroPadded(text, 7, 3);
  text += ' ';
  AppendZeroPadded(text, 2025, 2);  // a longer value is written whole
  text += ' ';
  AppendZeroPadded(text, 0, 4);
  EXPECT_EQ(text, "007 2025 0000");
}

}  // namespace
