// The run frame: the protected stages, the exception path and exit statuses.
#include "driver/run_frame.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <regex>

#include "support/failures.h"
#include "support_test_helpers.h"

namespace {

using varno_test::ReadFile;
using varno_test::RunSettings;
using varno_test::TempFolder;

class RunFrameTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(folder_.path().empty());
    saved_ = std::filesystem::current_path();
    std::filesystem::current_path(folder_.path());
  }
  void TearDown() override { std::filesystem::current_path(saved_); }

  // Runs `stages` through the frame, capturing the console.
  int Run(const StageFunction& stages) {
    testing::internal::CaptureStdout();
    const int status = RunProtected(run_, stages);
    console_ = testing::internal::GetCapturedStdout();
    return status;
  }

  TempFolder folder_;
  RunSettings settings_{folder_.path()};
  std::filesystem::path saved_;
  RunState run_;
  std::string console_;
};

TEST_F(RunFrameTest, NormalRunEndsWithTheFinalLineAndStatusZero) {
  EXPECT_EQ(Run([](RunState&) {}), kExitOk);
  EXPECT_EQ(console_, "9999 finally done!\n");
  EXPECT_TRUE(ReadFile(folder_ / "varno-log.txt").ends_with(" 9999 finally done!\r\n"));
}

TEST_F(RunFrameTest, EndOfRunSkipsTheRestWithoutAReport) {
  EXPECT_EQ(Run([](RunState& run) {
              run.exitStatus = kExitRefused;
              throw EndOfRun{};
            }),
            kExitRefused);
  EXPECT_EQ(console_, "9999 finally done!\n");
  EXPECT_EQ(folder_.Names(), std::vector<std::string>{"varno-log.txt"});
}

TEST_F(RunFrameTest, FailureWritesAReportBroadcastsItsNoticeAndExitsOne) {
  VARNO_LISTEN_ISOLATED(listener);
  const int status = Run([](RunState& run) {
    run.log.trace = 1030;
    run.log.notes = "iRecordsFromFile=3";
    throw ConvertError("'x' is not a valid integer value");
  });
  EXPECT_EQ(status, kExitFailure);

  const std::regex reportName(R"(E!Varno-\d{17}\.xml)");
  ASSERT_TRUE(std::regex_match(run_.exceptionFileName, reportName)) << run_.exceptionFileName;
  EXPECT_EQ(console_,
            "9900 ExceptionRec.FileName=" + run_.exceptionFileName + "\n9999 finally done!\n");

  const std::string report = ReadFile(folder_ / run_.exceptionFileName);
  EXPECT_NE(report.find("<Function>Main():1030</Function>\r\n"), std::string::npos) << report;
  EXPECT_NE(report.find("<ClassName>EConvertError</ClassName>\r\n"), std::string::npos);
  EXPECT_NE(report.find("<e.Message>'x' is not a valid integer value</e.Message>\r\n"),
            std::string::npos);
  EXPECT_NE(report.find("<Notes>iRecordsFromFile=3</Notes>\r\n"), std::string::npos);

  const auto notice = listener.Receive(run_.exceptionFileName);
  ASSERT_TRUE(notice.has_value());
  EXPECT_EQ(*notice, "<0>VARNO:00001 EXCEPTION:Func=Main() Trace=1030 File=\"" +
                         run_.exceptionFileName +
                         "\" SelfName=VARNO Version=2025.10.3.1353 H=\"desk\" (ID=05003)");
}

TEST_F(RunFrameTest, FailureOfAnyKindIsCaught) {
  VARNO_LISTEN_ISOLATED(listener);
  EXPECT_EQ(Run([](RunState&) { throw 42; }), kExitFailure);
  EXPECT_NE(ReadFile(folder_ / run_.exceptionFileName).find("<ClassName>Exception</ClassName>"),
            std::string::npos);
}

}  // namespace
