#include "support/date_time.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdlib>
#include <ctime>
#include <optional>
#include <random>
#include <stdexcept>
#include <string>

#include "support/failures.h"

namespace {

DateTime At(int year, int month, int day, int hour = 0, int minute = 0, int second = 0,
            int ms = 0) {
  return EncodeDateTime({year, month, day, hour, minute, second, ms});
}

std::string Stamp(DateTime value) {
  return FormatDateTime("yyyy-mm-dd hh:nn:ss.zzz", value);
}

}  // namespace

TEST(DateTimeEncode, DayNumbers) {
  EXPECT_EQ(At(1899, 12, 30), 0.0);
  EXPECT_EQ(At(1899, 12, 31, 12), 1.5);
  EXPECT_EQ(At(2025, 10, 3), 45933.0);
  EXPECT_EQ(At(1, 1, 1), -693593.0);
  EXPECT_EQ(At(9999, 12, 31), 2958465.0);
}

TEST(DateTimeEncode, RejectsInvalidParts) {
  DateTime v = 1;
  EXPECT_TRUE(TryEncodeDate(2000, 2, 29, v));
  EXPECT_FALSE(TryEncodeDate(2025, 2, 29, v));
  EXPECT_EQ(v, 0.0);
  for (auto [y, m, d] : {std::array{1900, 2, 29},
                         {2025, 4, 31},
                         {2025, 13, 1},
                         {2025, 1, 0},
                         {0, 1, 1},
                         {10000, 1, 1},
                         {2025, 1, 257}}) {
    EXPECT_FALSE(TryEncodeDate(y, m, d, v)) << y << "-" << m << "-" << d;
  }
  EXPECT_TRUE(TryEncodeTime(23, 59, 59, 999, v));
  EXPECT_FALSE(TryEncodeTime(24, 0, 0, 0, v));
  EXPECT_FALSE(TryEncodeTime(12, 60, 0, 0, v));
  EXPECT_FALSE(TryEncodeTime(12, 0, 60, 0, v));
  EXPECT_FALSE(TryEncodeTime(12, 0, 0, 1000, v));
  EXPECT_THROW(At(2025, 2, 30), ConvertError);
}

TEST(DateTimeDecode, RoundTripsEveryMillisecond) {
  for (int ms = 0; ms < 1000; ++ms) {
    const DateParts p = DecodeDateTime(At(2025, 10, 3, 13, 53, 7, ms));
    ASSERT_EQ(p.millisecond, ms);
    ASSERT_EQ(p.second, 7);
  }
  const DateParts p = DecodeDateTime(At(9999, 12, 31, 23, 59, 59, 999));
  EXPECT_EQ((std::array{p.year, p.month, p.day, p.hour, p.minute, p.second, p.millisecond}),
            (std::array{9999, 12, 31, 23, 59, 59, 999}));
}

TEST(DateTimeDecode, RoundsToTheNearestMillisecond) {
  // Just under midnight by less than half a millisecond is the next day.
  EXPECT_EQ(Stamp(45933.0 - 0.4 / 86400000), "2025-10-03 00:00:00.000");
  EXPECT_EQ(Stamp(45933.0 - 0.6 / 86400000), "2025-10-02 23:59:59.999");
  EXPECT_EQ(DateOf(45933.0 - 0.4 / 86400000), 45933.0);
  EXPECT_EQ(DateOf(At(2025, 10, 3, 23, 59, 59, 999)), 45933.0);
}

// Every value, before day zero too, and halves of a millisecond above all,
// decodes to the time the C library's rounding gives.
TEST(DateTimeDecode, RoundsHalvesAwayFromZeroAsTheCLibraryDoes) {
  std::mt19937_64 random(20261210);
  std::uniform_int_distribution<long long> halves(-2LL * 693593 * 86400000,
                                                  2LL * 2958465 * 86400000);
  for (int i = 0; i < 20000; ++i) {
    const long long half = halves(random) | 1;
    const double value = i % 2 == 0 ? static_cast<double>(half) / (2 * 86400000.0)
                                    : std::ldexp(static_cast<double>(half), -30);
    if (value <= -693593 || value >= 2958466) continue;
    const long long total = std::llround(value * 86400000.0);
    const DateParts p = DecodeDateTime(value);
    ASSERT_EQ(((p.hour * 60LL + p.minute) * 60 + p.second) * 1000 + p.millisecond,
              std::llabs(total % 86400000))
        << std::hexfloat << value;
  }
}

TEST(DateTimeDecode, OutOfRangeThrows) {
  EXPECT_THROW(DecodeDateTime(2958466.0), std::out_of_range);
  EXPECT_THROW(DecodeDateTime(-693594.0), std::out_of_range);
  EXPECT_THROW(DecodeDateTime(1e300), std::out_of_range);
  EXPECT_THROW(FormatDateTime("yyyy", std::nan("")), std::out_of_range);
}

TEST(DateTimeCalendar, DayOfWeekSundayFirst) {
  EXPECT_EQ(DayOfWeek(0), 7);  // 30 December 1899 was a Saturday
  EXPECT_EQ(DayOfWeek(At(2025, 10, 5)), 1);
  EXPECT_EQ(DayOfWeek(At(2025, 10, 3, 23, 59)), 6);
  EXPECT_EQ(DayOfWeek(At(1, 1, 1)), 2);
}

TEST(DateTimeCalendar, IncMonthKeepsDayOrTakesMonthEnd) {
  EXPECT_EQ(Stamp(IncMonth(At(2025, 1, 31, 8, 30, 0, 5), 1)), "2025-02-28 08:30:00.005");
  EXPECT_EQ(Stamp(IncMonth(At(2024, 1, 31), 1)), "2024-02-29 00:00:00.000");
  // Each step starts from the previous result.
  EXPECT_EQ(Stamp(IncMonth(IncMonth(At(2025, 1, 31), 1), 1)), "2025-03-28 00:00:00.000");
  EXPECT_EQ(Stamp(IncMonth(At(2024, 2, 29), 12)), "2025-02-28 00:00:00.000");
  EXPECT_EQ(Stamp(IncMonth(At(2024, 2, 29), 48)), "2028-02-29 00:00:00.000");
  EXPECT_EQ(Stamp(IncMonth(At(2025, 12, 31), 1)), "2026-01-31 00:00:00.000");
  EXPECT_EQ(Stamp(IncMonth(At(2025, 3, 31), -1)), "2025-02-28 00:00:00.000");
  EXPECT_EQ(Stamp(IncMonth(At(2025, 1, 15), -13)), "2023-12-15 00:00:00.000");
  EXPECT_EQ(Stamp(IncMonth(At(2025, 5, 31), 0)), "2025-05-31 00:00:00.000");
  EXPECT_THROW(IncMonth(At(9999, 12, 1), 1), std::out_of_range);
}

TEST(DateTimeFormat, EveryToken) {
  const DateTime v = At(2025, 10, 3, 9, 5, 7, 45);
  EXPECT_EQ(FormatDateTime("yyyy yy mmm mm ddd dd d hh nn ss zzz", v),
            "2025 25 Oct 10 Fri 03 3 09 05 07 045");
  EXPECT_EQ(FormatDateTime("YYYY-MM-DD HH:NN:SS.ZZZ", v), "2025-10-03 09:05:07.045");
  EXPECT_EQ(FormatDateTime("yyyymmddhhnnsszzz", v), "20251003090507045");
  EXPECT_EQ(FormatDateTime("dd/mm/yyyy", At(2005, 1, 9)), "09/01/2005");
  EXPECT_EQ(FormatDateTime("ddd mmm", At(2025, 1, 5)), "Sun Jan");
  EXPECT_EQ(FormatDateTime("ddd mmm", At(2025, 12, 6)), "Sat Dec");
}

TEST(DateTimeFormat, OtherCharactersAreCopied) {
  const DateTime v = At(2025, 10, 3, 14, 30);
  EXPECT_EQ(FormatDateTime("T[x] at: h m y", v), "T[x] at: h m y");
  EXPECT_EQ(FormatDateTime("hhmmss", v), "141000");  // mm is always the month
  EXPECT_EQ(FormatDateTime("", v), "");
}

TEST(DateTimeStringOfString, DateAndTimeUnlessMidnight) {
  EXPECT_EQ(reported::ShortDateTimeText(0), "");
  EXPECT_EQ(reported::ShortDateTimeText(At(2025, 10, 3)), "03/10/2025");
  EXPECT_EQ(reported::ShortDateTimeText(At(2025, 10, 3, 0, 0, 0, 500)), "03/10/2025");
  EXPECT_EQ(reported::ShortDateTimeText(At(2025, 10, 3, 0, 0, 1)), "03/10/2025 00:00:01");
  EXPECT_EQ(reported::ShortDateTimeText(At(2025, 10, 3, 13, 53, 7)), "03/10/2025 13:53:07");
  EXPECT_EQ(reported::ShortDateTimeText(0.5), "30/12/1899 12:00:00");
  EXPECT_EQ(reported::ShortDateTimeText(1e12), "");
}

TEST(DateTimeRFC822, DayNameDayMonthAndZone) {
  EXPECT_EQ(reported::Rfc822DateText(0, At(2025, 10, 3, 13, 53, 7, 123)),
            "Fri, 3 Oct 2025 13:53:07 +0000");
  EXPECT_EQ(reported::Rfc822DateText(0, At(2025, 10, 1, 8, 0)), "Wed, 1 Oct 2025 08:00:00 +0000");
  EXPECT_EQ(reported::Rfc822DateText(100, At(2025, 12, 25)), "Thu, 25 Dec 2025 00:00:00 +0100");
  EXPECT_EQ(reported::Rfc822DateText(-530, At(2025, 12, 25)), "Thu, 25 Dec 2025 00:00:00 -0530");
  EXPECT_EQ(reported::Rfc822DateText(1000, At(2025, 12, 25)), "Thu, 25 Dec 2025 00:00:00 +1000");
  EXPECT_EQ(reported::Rfc822DateText(0, -1e9), "");
}

TEST(DateTimeStrToDate, ReadsTheDateBeforeTheFirstBlank) {
  EXPECT_EQ(reported::ShortDateOf("12/05/2025"), At(2025, 5, 12));
  EXPECT_EQ(reported::ShortDateOf("12/05/2025 10:30"), At(2025, 5, 12));
  EXPECT_EQ(reported::ShortDateOf("1/5/2025"), At(2025, 5, 1));
  EXPECT_EQ(reported::ShortDateOf("29/02/2024"), At(2024, 2, 29));
  EXPECT_EQ(reported::ShortDateOf("12/05/25"), At(2025, 5, 12));
  EXPECT_EQ(reported::ShortDateOf(""), 0.0);
  EXPECT_EQ(reported::ShortDateOf(" 12/05/2025"), 0.0);
}

TEST(DateTimeStrToDate, NotADateGivesZero) {
  for (const char* text : {"31/12/2025.5", "29/02/2025", "32/01/2025", "12/13/2025", "12/05/202",
                           "12/05/2", "12/05/20255", "012/05/2025", "12-05-2025", "12/05/2025x",
                           "12/05/2025/", "12/05", "+1/05/2025", "Dentist", "//"}) {
    EXPECT_EQ(reported::ShortDateOf(text), 0.0) << text;
  }
}

TEST(DateTimeIsDate, TestsOnlyBeforeTheFirstDot) {
  EXPECT_TRUE(IsDate("12/05/2025.txt"));
  EXPECT_TRUE(IsDate("31/12/2025.5"));
  EXPECT_TRUE(IsDate("1/1/2025"));
  EXPECT_FALSE(IsDate(""));
  EXPECT_FALSE(IsDate(".12/05/2025"));
  EXPECT_FALSE(IsDate("12/05/2025 "));
  EXPECT_FALSE(IsDate("30/02/2025.txt"));
}

TEST(DateTimeTryStrToDateTime, DateAndTimeBothRequired) {
  DateTime v = 0;
  EXPECT_TRUE(TryParseDateTime("03/10/2025 14:30", v));
  EXPECT_EQ(Stamp(v), "2025-10-03 14:30:00.000");
  EXPECT_TRUE(TryParseDateTime("3/10/2025 0:05", v));
  EXPECT_EQ(Stamp(v), "2025-10-03 00:05:00.000");
  for (const char* text : {"03/10/2025 Denti", "03/10/2025 ", "03/10/2025", "03/10/2025 24:00",
                           "03/10/2025 12:60", "31/02/2025 10:00", "03/10/2025  14:30",
                           "03/10/2025 14:30 ", "03/10/2025 14:30:00", "03/10/2025 14-30"}) {
    v = 1;
    EXPECT_FALSE(TryParseDateTime(text, v)) << text;
    EXPECT_EQ(v, 0.0) << text;
  }
}

class DateTimeZone : public testing::Test {
 protected:
  void SetUp() override {
    if (const char* tz = std::getenv("TZ")) saved_ = tz;
    setenv("TZ", "Australia/Sydney", 1);
    tzset();
  }
  void TearDown() override {
    if (saved_) {
      setenv("TZ", saved_->c_str(), 1);
    } else {
      unsetenv("TZ");
    }
    tzset();
  }

 private:
  std::optional<std::string> saved_;
};

TEST_F(DateTimeZone, LocalTimeToGMTUsesTheBiasInForce) {
  // July is standard time (+10:00), January daylight saving time (+11:00).
  EXPECT_EQ(Stamp(reported::UniversalTimeOf(At(2025, 7, 15, 12, 0, 0, 250))),
            "2025-07-15 02:00:00.250");
  EXPECT_EQ(Stamp(reported::UniversalTimeOf(At(2025, 1, 15, 12, 0, 0, 999))),
            "2025-01-15 01:00:00.999");
  EXPECT_EQ(Stamp(reported::UniversalTimeOf(At(2025, 1, 1, 5, 30))), "2024-12-31 18:30:00.000");
}

TEST(DateTimeNow, IsTheLocalClock) {
  const std::time_t before = std::time(nullptr);
  const DateTime now = Now();
  std::tm local{};
  localtime_r(&before, &local);
  const DateTime expected = At(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour,
                               local.tm_min, local.tm_sec);
  EXPECT_GE(now, expected);
  EXPECT_LT(now - expected, 5.0 / 86400);
}
