#include "support/exception_report.h"

#include <gtest/gtest.h>

#include <regex>

#include "support/failures.h"
#include "tests/unit/support_test_helpers.h"

namespace {

using varno_test::ReadFile;
using varno_test::TempFolder;

std::vector<std::string> SplitCrLf(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  for (size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2)
    lines.push_back(text.substr(start, end - start));
  EXPECT_EQ(start, text.size()) << "the last line must end with CR LF";
  return lines;
}

MemoryStatus VirtualMemory(int64_t total, int64_t avail) {
  MemoryStatus memory;
  memory.totalVirtual = total;
  memory.availVirtual = avail;
  memory.availVirtualPercent = total > 0 ? 100.0 * avail / total : 0;
  return memory;
}

FailureRecord SampleRecord() {
  FailureRecord rec;
  rec.function = "Main()";
  rec.className = "EConvertError";
  rec.message = "'31.02.2025' is not a valid date";
  rec.trace = 5240;
  rec.sql = "select";
  rec.callingFunction = "LoadList";
  rec.notes = "reading item 7";
  rec.fileName = "E!Varno-{timestamp}.xml";
  rec.beep = true;
  rec.count = 3;
  return rec;
}

class ReportTest : public ::testing::Test {
 protected:
  void TearDown() override { SetReportWriterFaultCheckpoint(0); }
  TempFolder folder_;
  varno_test::RunSettings settings_{folder_.path()};
};

TEST_F(ReportTest, DocumentHasEighteenExactLines) {
  const std::string text =
      BuildExceptionReportText(SampleRecord(), "2025-10-03 13:53:07.123", "0w3d04h05m09s",
                               VirtualMemory(2000000000, 2000000000 - 27262976));
  const std::vector<std::string> expected = {
      "<xml>",
      "<Exception>",
      "<DateTime>2025-10-03 13:53:07.123</DateTime>",
      "<MachineUpTime>0w3d04h05m09s</MachineUpTime>",
      "<UsedMemory>1.36% (27,262,976) </UsedMemory>",
      "<SelfName>VARNO</SelfName>",
      "<Version>2025.10.3.1353</Version>",
      "<Function>Main():5240</Function>",
      "<Trace>5240</Trace>",
      "<CallingFunction>LoadList</CallingFunction>",
      "<HostName>desk</HostName>",
      "<ClassName>EConvertError</ClassName>",
      "<e.Message>'31.02.2025' is not a valid date</e.Message>",
      "<SQL>select</SQL>",
      "<Notes>reading item 7</Notes>",
      "<Count>3</Count>",
      "</Exception>",
      "</xml>"};
  EXPECT_EQ(SplitCrLf(text), expected);

  // Values go in unescaped; a line break in the message spreads line 13.
  FailureRecord rec;
  rec.message = "a < b &\r\nc";
  const auto lines = SplitCrLf(BuildExceptionReportText(rec, "", "", VirtualMemory(1, 1)));
  ASSERT_EQ(lines.size(), 19u);
  EXPECT_EQ(lines[12] + "|" + lines[13], "<e.Message>a < b &|c</e.Message>");
}

TEST_F(ReportTest, ValuesInAnotherCodePageAreWrittenInUTF8) {
  // A system message in the Windows code page beside a UTF-8 note.
  FailureRecord rec;
  rec.message = "Acc\xE8s refus\xE9";
  rec.notes = "sParam1_JSONFile=caf\xC3\xA9.json";
  const auto lines = SplitCrLf(BuildExceptionReportText(rec, "", "", VirtualMemory(1, 1)));
  ASSERT_EQ(lines.size(), 18u);
  EXPECT_EQ(lines[12], "<e.Message>Accès refusé</e.Message>");
  EXPECT_EQ(lines[14], "<Notes>sParam1_JSONFile=café.json</Notes>");
}

TEST_F(ReportTest, UsedMemoryLineGroupsThousandsAndKeepsTwoDecimals) {
  auto line5 = [](int64_t total, int64_t avail) {
    return SplitCrLf(BuildExceptionReportText({}, "", "", VirtualMemory(total, avail))).at(4);
  };
  EXPECT_EQ(line5(1000, 1000), "<UsedMemory>0.00% (0) </UsedMemory>");
  EXPECT_EQ(line5(1000, 1), "<UsedMemory>99.90% (999) </UsedMemory>");
  EXPECT_EQ(line5(4000, 2999), "<UsedMemory>25.03% (1,001) </UsedMemory>");
  EXPECT_EQ(line5(int64_t{1} << 47, 0), "<UsedMemory>100.00% (140,737,488,355,328) </UsedMemory>");
}

TEST_F(ReportTest, NothingHappensBeforeTheSettingsAreFilled) {
  processSettings.selfName.clear();
  EXPECT_EQ(WriteExceptionReport(SampleRecord()), "");
  EXPECT_TRUE(folder_.Names().empty());
}

TEST_F(ReportTest, WritesTheFileAndBroadcastsTheNotice) {
  VARNO_LISTEN_ISOLATED(listener);
  const std::string name = WriteExceptionReport(SampleRecord());
  EXPECT_TRUE(std::regex_match(name, std::regex(R"(E!Varno-\d{17}\.xml)"))) << name;
  const auto lines = SplitCrLf(ReadFile(folder_ / name));
  ASSERT_EQ(lines.size(), 18u);
  EXPECT_TRUE(
      std::regex_match(lines[2] + lines[3] + lines[4],
                       std::regex(R"(<DateTime>\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3}</DateTime>)"
                                  R"(<MachineUpTime>\d+w\dd\d\dh\d\dm\d\ds</MachineUpTime>)"
                                  R"(<UsedMemory>\d+\.\d\d% \([\d,]+\) </UsedMemory>)")))
      << lines[2] << lines[3] << lines[4];
  EXPECT_EQ(listener.Receive(name), "<0>VARNO:00001 EXCEPTION:Func=Main() Trace=5240 File=\"" +
                                        name +
                                        "\" SelfName=VARNO Version=2025.10.3.1353 H=\"desk\" "
                                        "(ID=05003)");

  // Without a file name the self name goes into the default pattern.
  FailureRecord rec = SampleRecord();
  rec.fileName.clear();
  const std::string defaultName = WriteExceptionReport(rec);
  EXPECT_TRUE(std::regex_match(defaultName, std::regex(R"(E!VARNO-\d{17}\.xml)"))) << defaultName;
  EXPECT_EQ(folder_.Names(), (std::vector<std::string>{defaultName, name}));
}

TEST_F(ReportTest, UnwritableReportStillNamesItsFileAndSendsTheNotice) {
  VARNO_LISTEN_ISOLATED(listener);
  processSettings.exeFolder = folder_ / "missing/";
  FailureRecord rec = SampleRecord();
  rec.fileName = "fixed.xml";
  EXPECT_EQ(WriteExceptionReport(rec), "fixed.xml");
  EXPECT_TRUE(folder_.Names().empty());
  EXPECT_NE(listener.Receive(" File=\"fixed.xml\" ").value_or("").find(" File=\"fixed.xml\" "),
            std::string::npos);
}

TEST_F(ReportTest, CaughtFailureIsReportedUnderTheRoutineName) {
  VARNO_LISTEN_ISOLATED(listener);
  processSettings.exceptionFilePattern = "caught.xml";
  ReportCaughtFailure("loam32.FileExists", ConvertError("bad value"), 100);
  const auto lines = SplitCrLf(ReadFile(folder_ / "caught.xml"));
  ASSERT_EQ(lines.size(), 18u);
  EXPECT_EQ(lines[7], "<Function>loam32.FileExists:100</Function>");
  EXPECT_EQ(lines[11] + lines[12],
            "<ClassName>EConvertError</ClassName><e.Message>bad value</e.Message>");
  EXPECT_EQ(lines[14] + lines[15], "<Notes></Notes><Count>0</Count>");
  EXPECT_NE(listener.Receive("caught.xml")
                .value_or("")
                .find(" EXCEPTION:Func=loam32.FileExists Trace=100 "),
            std::string::npos);
}

// The fault strikes after the file is written and before any notice, so
// this test sends nothing and runs anywhere.
TEST_F(ReportTest, FailureOfTheWriterGivesOneSecondReportAndNoMore) {
  processSettings.exceptionFilePattern = "second-{timestamp}.xml";
  FailureRecord rec = SampleRecord();
  rec.fileName = "first.xml";
  SetReportWriterFaultCheckpoint(460);
  EXPECT_EQ(WriteExceptionReport(rec), "first.xml");
  const std::vector<std::string> names = folder_.Names();
  ASSERT_EQ(names.size(), 2u);
  EXPECT_EQ(names[0], "first.xml");
  EXPECT_TRUE(std::regex_match(names[1], std::regex(R"(second-\d{17}\.xml)"))) << names[1];

  const auto lines = SplitCrLf(ReadFile(folder_ / names[1]));
  ASSERT_EQ(lines.size(), 18u);
  EXPECT_EQ(lines[7], "<Function>loam32.SaveExceptionRecAsXML:460</Function>");
  EXPECT_EQ(
      lines[11] + lines[12],
      "<ClassName>std::runtime_error</ClassName><e.Message>fault at checkpoint 460</e.Message>");
  // The rest of the record stays as it was received.
  EXPECT_EQ(
      lines[9] + lines[14] + lines[15],
      "<CallingFunction>LoadList</CallingFunction><Notes>reading item 7</Notes><Count>3</Count>");

  // The guard is lifted again: the next failure gets its report too.
  rec.fileName = "again.xml";
  EXPECT_EQ(WriteExceptionReport(rec), "again.xml");
  EXPECT_TRUE(std::filesystem::exists(folder_ / "again.xml"));
}

}  // namespace
