#include "support/syslog_notice.h"

#include <gtest/gtest.h>

#include "tests/unit/support_test_helpers.h"

namespace {

using varno_test::ReadFile;
using varno_test::TempFolder;

tSyslogRec Notice(int32_t id, const std::string& msg, int32_t port = 0) {
  tSyslogRec rec;
  rec.ID = id;
  rec.Msg = msg;
  rec.Port = port;
  return rec;
}

class SyslogTest : public ::testing::Test {
 protected:
  TempFolder folder_;
  varno_test::RunSettings settings_{folder_.path()};
};

TEST_F(SyslogTest, TextCarriesPriorityTagSequenceHostAndIdentifier) {
  EXPECT_EQ(FormatSyslogText(Notice(5003, "EXCEPTION:Func=x"), 1),
            "<0>VARNO:00001 EXCEPTION:Func=x H=\"desk\" (ID=05003)");
  EXPECT_EQ(FormatSyslogText(Notice(30005, "disk"), 0),
            "<3>VARNO:00000 disk H=\"desk\" (ID=30005)");
}

TEST_F(SyslogTest, PostBroadcastsOnPort514AndWrapsTheSequence) {
  VARNO_LISTEN_ISOLATED(listener);
  // The record's port only matters for a named host.
  PostSyslogMsg(Notice(5003, "first", 9999), "");
  EXPECT_EQ(listener.Receive(" first "), "<0>VARNO:00001 first H=\"desk\" (ID=05003)");

  GlobalSettings.SyslogSequence = 32767;
  PostSyslogMsg(Notice(30005, "wrapped"), "");
  EXPECT_EQ(listener.Receive(" wrapped "), "<3>VARNO:00000 wrapped H=\"desk\" (ID=30005)");
  EXPECT_EQ(GlobalSettings.SyslogSequence, 0);

  // A named host gets the record's port, 0 standing for 514.
  PostSyslogMsg(Notice(5003, "direct"), "localhost");
  EXPECT_EQ(listener.Receive(" direct "), "<0>VARNO:00001 direct H=\"desk\" (ID=05003)");
}

TEST_F(SyslogTest, NoPortMeansNothingSent) {
  VARNO_LISTEN_ISOLATED(listener);
  EXPECT_EQ(BroadcastUDPPacket("not sent", 0), 0);
  EXPECT_EQ(BroadcastUDPPacket("not sent", -514), 0);
  EXPECT_EQ(UniticastUDPPacket("not sent", "127.0.0.1", 0), 0);
  EXPECT_EQ(listener.Receive("not sent", 200), std::nullopt);
  EXPECT_EQ(BroadcastUDPPacket("bare text", 514), 0);
  EXPECT_EQ(listener.Receive("bare text"), "bare text");
}

TEST_F(SyslogTest, UnicastFailureIsReportedWithItsCheckpoint) {
  VARNO_LISTEN_ISOLATED(listener);
  GlobalSettings.ExceptionFilePattern = "report.xml";
  EXPECT_EQ(UniticastUDPPacket("x", "127.0.0.1", 70000), -2);
  EXPECT_NE(ReadFile(folder_ / "report.xml").find("<Function>loam32.UniticastUDPPacket:300<"),
            std::string::npos);
  EXPECT_NE(listener.Receive("report.xml").value_or("").find("Func=loam32.UniticastUDPPacket Trace=300"),
            std::string::npos);

  // With loopback only, the broadcast address without the broadcast switch
  // has no route: an unreachable network, which fails without a report.
  std::filesystem::remove(folder_ / "report.xml");
  EXPECT_EQ(UniticastUDPPacket("x", "", 514), -2);
  EXPECT_TRUE(folder_.Names().empty());
  EXPECT_EQ(listener.Receive("report.xml", 200), std::nullopt);
}

}  // namespace
