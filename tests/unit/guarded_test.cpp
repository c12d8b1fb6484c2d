#include "support/guarded.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <stdexcept>
#include <string>

#include "support/date_time.h"
#include "support/failures.h"
#include "tests/unit/support_test_helpers.h"

namespace {

using varno_test::ReadFile;
using varno_test::TempFolder;

// Reports go to a fresh folder and their notices nowhere, so these tests
// send nothing.
class GuardedTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* notice = std::getenv("VARNO_NOTICE_TO");
    savedNotice_ = notice != nullptr ? notice : "";
    hadNotice_ = notice != nullptr;
    ::setenv("VARNO_NOTICE_TO", "off", 1);
    processSettings.exceptionFilePattern = "report.xml";
  }
  void TearDown() override {
    if (hadNotice_) {
      ::setenv("VARNO_NOTICE_TO", savedNotice_.c_str(), 1);
    } else {
      ::unsetenv("VARNO_NOTICE_TO");
    }
  }
  std::string Report() { return ReadFile(folder_ / "report.xml"); }

  TempFolder folder_;
  varno_test::RunSettings settings_{folder_.path()};
  std::string savedNotice_;
  bool hadNotice_ = false;
};

TEST_F(GuardedTest, WorkThatSucceedsGivesItsValueAndNoReport) {
  EXPECT_EQ(Guarded("loam32.Sample", 7, std::string("neutral"), [] { return std::string("done"); }),
            "done");
  EXPECT_TRUE(folder_.Names().empty());
}

TEST_F(GuardedTest, WorkThatThrowsGivesTheNeutralValueAndOneReport) {
  int calls = 0;
  const int result = Guarded("loam32.Sample", 7, -1, [&calls]() -> int {
    ++calls;
    throw ConvertError("'x' is not a valid integer value");
  });
  EXPECT_EQ(result, -1);
  EXPECT_EQ(calls, 1);
  ASSERT_EQ(folder_.Names(), std::vector<std::string>{"report.xml"});
  const std::string report = Report();
  EXPECT_NE(report.find("<Function>loam32.Sample:7</Function>\r\n<Trace>7</Trace>\r\n"),
            std::string::npos)
      << report;
  EXPECT_NE(report.find("<ClassName>EConvertError</ClassName>\r\n"
                        "<e.Message>'x' is not a valid integer value</e.Message>\r\n"),
            std::string::npos)
      << report;
}

TEST_F(GuardedTest, StandardFailuresAreReportedUnderTheirSourceName) {
  EXPECT_EQ(Guarded("loam32.Sample", 0, 0.0, []() -> double { throw std::out_of_range("far"); }),
            0.0);
  EXPECT_NE(Report().find("<ClassName>std::out_of_range</ClassName>"), std::string::npos);
}

// A date routine whose helper fails: the empty text and a single report, the
// report writer formatting its own date without reaching the routine again.
TEST_F(GuardedTest, DateRoutineOutOfRangeReportsOnceAndGivesEmptyText) {
  EXPECT_EQ(reported::ShortDateTimeText(1e9), "");
  ASSERT_EQ(folder_.Names(), std::vector<std::string>{"report.xml"});
  const std::string report = Report();
  EXPECT_NE(report.find("<Function>loam32.StringOfString:0</Function>"), std::string::npos);
  EXPECT_NE(report.find("<ClassName>std::out_of_range</ClassName>"), std::string::npos);
}

// A date that reads only up to its "." is a failed conversion like a bad
// number: both reports name the same class.
TEST_F(GuardedTest, DateThatReadsOnlyUpToItsDotIsReportedAsAFailedConversion) {
  EXPECT_EQ(reported::ShortDateOf("31/12/2025.5"), 0.0);
  const std::string report = Report();
  EXPECT_NE(report.find("<Function>Loam32.StrToDate:0</Function>"), std::string::npos) << report;
  EXPECT_NE(report.find("<ClassName>EConvertError</ClassName>\r\n"
                        "<e.Message>'31/12/2025.5' is not a valid date</e.Message>"),
            std::string::npos)
      << report;
}

}  // namespace
