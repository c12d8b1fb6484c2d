#include "support/syslog_notice.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <tuple>

#include "support/unicast_notice.h"
#include "tests/unit/support_test_helpers.h"

namespace {

using varno_test::ReadFile;
using varno_test::TempFolder;

SyslogNotice Notice(int32_t id, const std::string& msg, int32_t port = 0) {
  SyslogNotice rec;
  rec.id = id;
  rec.message = msg;
  rec.port = port;
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

  processSettings.noticeSequence = 32767;
  PostSyslogMsg(Notice(30005, "wrapped"), "");
  EXPECT_EQ(listener.Receive(" wrapped "), "<3>VARNO:00000 wrapped H=\"desk\" (ID=30005)");
  EXPECT_EQ(processSettings.noticeSequence, 0);

  // A named host gets the record's port, 0 standing for 514. A datagram sent
  // to one address reaches one socket only, the one bound closest to it: an
  // address no other test listens on keeps a test running alongside from
  // taking it.
  varno_test::NoticeListener only("127.0.0.3");
  ASSERT_TRUE(only.Bound());
  PostSyslogMsg(Notice(5003, "direct"), "127.0.0.3");
  EXPECT_EQ(only.Receive(" direct "), "<0>VARNO:00001 direct H=\"desk\" (ID=05003)");
}

TEST_F(SyslogTest, NoPortMeansNothingSent) {
  VARNO_LISTEN_ISOLATED(listener);
  EXPECT_EQ(BroadcastUDPPacket("not sent", 0), 0);
  EXPECT_EQ(BroadcastUDPPacket("not sent", -514), 0);
  EXPECT_EQ(SendUnicastNotice("not sent", "127.0.0.1", 0), 0);
  EXPECT_EQ(listener.Receive("not sent", 200), std::nullopt);
  EXPECT_EQ(BroadcastUDPPacket("bare text", 514), 0);
  EXPECT_EQ(listener.Receive("bare text"), "bare text");
}

TEST_F(SyslogTest, UnicastFailureIsReportedWithItsCheckpoint) {
  VARNO_LISTEN_ISOLATED(listener);
  processSettings.exceptionFilePattern = "report.xml";
  EXPECT_EQ(SendUnicastNotice("x", "127.0.0.1", 70000), -2);
  EXPECT_NE(ReadFile(folder_ / "report.xml").find("<Function>loam32.UniticastUDPPacket:300<"),
            std::string::npos);
  EXPECT_NE(
      listener.Receive("report.xml").value_or("").find("Func=loam32.UniticastUDPPacket Trace=300"),
      std::string::npos);

  // With loopback only, the broadcast address without the broadcast switch
  // has no route: an unreachable network, which fails without a report.
  std::filesystem::remove(folder_ / "report.xml");
  EXPECT_EQ(SendUnicastNotice("x", "", 514), -2);
  EXPECT_TRUE(folder_.Names().empty());
  EXPECT_EQ(listener.Receive("report.xml", 200), std::nullopt);
}

TEST(NoticeTargetOf, ReadsOffAHostAndAPortAndRefusesTheRest) {
  using Kind = NoticeTarget::Kind;
  EXPECT_EQ(NoticeTargetOf(nullptr).kind, Kind::kBroadcast);
  EXPECT_EQ(NoticeTargetOf("").kind, Kind::kBroadcast);
  EXPECT_EQ(NoticeTargetOf("off").kind, Kind::kOff);
  EXPECT_EQ(NoticeTargetOf("OFF").kind, Kind::kOff);
  const NoticeTarget plain = NoticeTargetOf("127.0.0.2");
  EXPECT_EQ(std::make_tuple(plain.kind, plain.host, plain.port),
            std::make_tuple(Kind::kHost, std::string("127.0.0.2"), 514));
  const NoticeTarget named = NoticeTargetOf("log-host.lan:65535");
  EXPECT_EQ(std::make_tuple(named.kind, named.host, named.port),
            std::make_tuple(Kind::kHost, std::string("log-host.lan"), 65535));
  for (const char* wrong : {":514", "host:", "host:0", "host:65536", "host:5x", "host:514:1",
                            "host:-1", "a b", "udp://host", "::1", "host:0000001"})
    EXPECT_EQ(NoticeTargetOf(wrong).kind, Kind::kInvalid) << wrong;
}

// Sets VARNO_NOTICE_TO for one test.
class NoticeToTest : public SyslogTest {
 protected:
  void Aim(const char* setting) { ::setenv("VARNO_NOTICE_TO", setting, 1); }
  void TearDown() override { ::unsetenv("VARNO_NOTICE_TO"); }
  std::string Log() { return ReadFile(folder_ / "varno-log.txt"); }
};

TEST_F(NoticeToTest, OffSendsNothingAndLogsNothing) {
  VARNO_LISTEN_ISOLATED(listener);
  Aim("off");
  PostSyslogMsg(Notice(5003, "silenced"), "");
  EXPECT_EQ(listener.Receive("silenced", 500), std::nullopt);
  EXPECT_EQ(processSettings.noticeSequence, 1);
  EXPECT_TRUE(folder_.Names().empty());
}

TEST_F(NoticeToTest, AHostGetsTheNoticeAloneOnItsPort) {
  VARNO_LISTEN_ISOLATED(listener);
  // A broadcast never reaches a socket bound to one address.
  varno_test::NoticeListener only("127.0.0.2");
  ASSERT_TRUE(only.Bound());
  Aim("127.0.0.2");
  PostSyslogMsg(Notice(5003, "aimed"), "");
  EXPECT_EQ(only.Receive(" aimed "), "<0>VARNO:00001 aimed H=\"desk\" (ID=05003)");
  EXPECT_EQ(listener.Receive(" aimed ", 300), std::nullopt);
  EXPECT_TRUE(folder_.Names().empty());
}

TEST_F(NoticeToTest, AWrongSettingSendsNothingAndSaysWhyInTheLog) {
  VARNO_LISTEN_ISOLATED(listener);
  Aim("loghost:99999");
  PostSyslogMsg(Notice(5003, "mistyped"), "");
  EXPECT_EQ(listener.Receive("mistyped", 500), std::nullopt);
  EXPECT_NE(Log().find(" Failure notice not sent: VARNO_NOTICE_TO=\"loghost:99999\" is not "
                       "\"off\", a host or a host:PORT (PORT 1 to 65535).\r\n"),
            std::string::npos);

  std::filesystem::remove(folder_ / "varno-log.txt");
  Aim("no-such-host.invalid");
  PostSyslogMsg(Notice(5003, "unknown host"), "");
  EXPECT_EQ(listener.Receive("unknown host", 500), std::nullopt);
  EXPECT_NE(Log().find(" Failure notice not sent: VARNO_NOTICE_TO=\"no-such-host.invalid\" "
                       "names a host that cannot be reached or found."),
            std::string::npos);
}

}  // namespace
