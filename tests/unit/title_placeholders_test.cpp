#include "tasklist/title_placeholders.h"

#include <gtest/gtest.h>

#include <random>

#include "support/text_tools.h"
#include "support/utf8_text.h"
#include "tasklist/list_format.h"
#include "tasklist_test_helpers.h"

using tasklist_test::At;

namespace {

Item MakeItem(const std::string& title, const std::string& repeat = "") {
  Item item;
  item.id = 7;
  item.priority = 2;
  item.days = 3;
  item.title = title;
  item.repeat = repeat;
  return item;
}

std::string DateText(DateTime value) {
  return FormatDateTime("yyyy-mm-dd", value);
}

// The roll-forward taken one step at a time, for comparison.
DateTime SteppedDueDate(DateTime due, char unit, int count, DateTime today) {
  if (count <= 0) return due;
  while (today > due) {
    if (unit == 'W') due += 7.0 * count;
    if (unit == 'M') due = IncMonth(due, count);
    if (unit == 'Y') due = IncMonth(due, 12 * count);
  }
  return due;
}

// The expansion done the plain way, for comparison: the date prefix always
// written again, and each placeholder replaced in a pass of its own over the
// whole text, in their order.
std::string ExpandedPassByPass(const Item& item, DateTime now) {
  std::string result(item.title);
  const TitleDate facts = GetTitleDate(item.title, item.repeat, now);
  if (Utf8PrefixBytes(result, 11) != std::string::npos && HasDatePrefix(result)) {
    std::string decoded;
    result = std::string(DecodeURLEscapes(result, decoded));
    result.replace(0, Utf8PrefixBytes(result, 10), DateText(facts.dueDate));
  }
  const std::pair<const char*, std::string> passes[] = {
      {"%DOW%", facts.dayOfWeek},
      {"%DTG%", std::to_string(facts.daysToGo)},
      {"%ID%", std::to_string(item.id)},
      {"%PRTY%", std::to_string(item.priority)},
      {"%RPT%", item.repeat.empty() ? std::string("-") : std::string(item.repeat)},
      {"%DAYS%", std::to_string(item.days)}};
  for (const auto& [placeholder, value] : passes) {
    result = ReplaceAllNoCase(result, placeholder, value);
  }
  return result;
}

}  // namespace

TEST(ExpandTitle, DentistFourDaysAhead) {
  EXPECT_EQ(ExpandTitle(MakeItem("2025-10-03 Dentist %DOW% in %DTG% days"), At(2025, 9, 29)),
            "2025-10-03 Dentist FRI in 4 days");
}

TEST(ExpandTitle, WeeklyRepeatMovesToToday) {
  EXPECT_EQ(ExpandTitle(MakeItem("2025-10-03 Dentist %DOW% in %DTG% days", "1W"), At(2025, 10, 10)),
            "2025-10-10 Dentist FRI in 0 days");
}

TEST(ExpandTitle, PastDateGivesNegativeDaysToGo) {
  // Whole days from today's date to the due date: two days ago is -2.
  EXPECT_EQ(ExpandTitle(MakeItem("2025-10-01 Report %DTG%"), At(2025, 10, 3)),
            "2025-10-01 Report -2");
}

TEST(ExpandTitle, TenCharacterTitleKeepsItsText) {
  EXPECT_EQ(ExpandTitle(MakeItem("2025-10-03", "1W"), At(2025, 10, 20)), "2025-10-03");
}

TEST(ExpandTitle, NoDatePrefixLeavesPlaceholdersEmptyAndDoesNotDecode) {
  EXPECT_EQ(ExpandTitle(MakeItem("Buy%20milk [%DOW%] %DTG%"), At(2025, 10, 3)), "Buy%20milk [] 0");
  EXPECT_EQ(ExpandTitle(MakeItem("2025-1 %DOW%"), At(2025, 10, 3)), "2025-1 ");
}

TEST(ExpandTitle, DatedTitleIsDecoded) {
  EXPECT_EQ(ExpandTitle(MakeItem("2025-10-03%20Fish%20%26%20Chips"), At(2025, 10, 1)),
            "2025-10-03 Fish & Chips");
}

TEST(ExpandTitle, PlaceholdersIgnoreCase) {
  EXPECT_EQ(ExpandTitle(MakeItem("2025-10-06 %dow% %Dow% %ID% %prty% %Rpt% %days%", "1Y"),
                        At(2025, 10, 3)),
            "2025-10-06 MON MON 7 2 1Y 3");
}

TEST(ExpandTitle, EmptyRepeatShowsDash) {
  EXPECT_EQ(ExpandTitle(MakeItem("x %RPT%"), At(2025, 10, 3)), "x -");
}

TEST(ExpandTitle, PlaceholdersAreReplacedOneAfterAnotherInTheirOrder) {
  // A later placeholder that an earlier replacement puts in, or that it
  // joins from the text around it, is replaced too; one already passed is not.
  EXPECT_EQ(ExpandTitle(MakeItem("x %RPT%", "%DAYS%"), At(2025, 10, 3)), "x 3");
  EXPECT_EQ(ExpandTitle(MakeItem("x %DAY%RPT%%", "S"), At(2025, 10, 3)), "x 3");
  EXPECT_EQ(ExpandTitle(MakeItem("x %RPT%", "%ID%"), At(2025, 10, 3)), "x %ID%");
  EXPECT_EQ(ExpandTitle(MakeItem("%ID%%ID%%PRTY%%id%"), At(2025, 10, 3)), "7727");
}

TEST(ExpandTitle, PlaceholdersAddAtMostTheirLimit) {
  std::string title;
  for (int i = 0; i < 100; ++i) title += "%RPT%";
  const std::string repeat(1000, 'W');
  const std::string expanded = ExpandTitle(MakeItem(title, repeat), At(2025, 10, 3));
  EXPECT_LE(expanded.size(), title.size() + kPlaceholderGrowthLimit);
  // Those replaced come first; the rest stay as typed.
  EXPECT_TRUE(expanded.starts_with(repeat + repeat + repeat + repeat)) << expanded.size();
  EXPECT_TRUE(expanded.ends_with("%RPT%"));
}

TEST(ExpandTitle, LowerCaseUnitStepsByDays) {
  EXPECT_EQ(ExpandTitle(MakeItem("2025-09-01 x %RPT% %DTG%", "2w"), At(2025, 10, 3)),
            "2025-10-03 x 2w 0");
}

TEST(ExpandTitle, InvalidDateIsDayZero) {
  EXPECT_EQ(ExpandTitle(MakeItem("2025-13-03 x %DOW%"), At(2025, 10, 3)), "1899-12-30 x SAT");
  const TitleDate facts = GetTitleDate("2025-13-03 x", "", At(2025, 10, 3));
  EXPECT_EQ(facts.daysToGo, -45933);
}

TEST(ExpandTitle, InvalidDateRollsForwardWithARepeat) {
  EXPECT_EQ(ExpandTitle(MakeItem("2025-13-03 x", "1M"), At(2025, 10, 3)), "2025-10-28 x");
}

// Positions are characters: a letter of two bytes is one, and is never cut.
TEST(ExpandTitle, PositionsCountCharactersNotBytes) {
  EXPECT_EQ(ExpandTitle(MakeItem("2025-10-1\u00ba reuni\u00e3o %DOW%"), At(2025, 10, 3)),
            "1899-12-30 reuni\u00e3o SAT");
  EXPECT_EQ(ExpandTitle(MakeItem("2025-10-0\u00e9"), At(2025, 10, 3)), "2025-10-0\u00e9");
  EXPECT_EQ(ExpandTitle(MakeItem("2025-\u00e9-03 x %DOW%"), At(2025, 10, 3)), "2025-\u00e9-03 x ");
  EXPECT_EQ(ExpandTitle(MakeItem("\u00e9\u00e9-10-03 x"), At(2025, 10, 3)), "\u00e9\u00e9-10-03 x");
  EXPECT_EQ(ExpandTitle(MakeItem("\u00e9\u00e9\u00e9\u00e9-10-03 x %DOW%"), At(2025, 10, 3)),
            "1899-12-30 x SAT");
  // A stray continuation byte belongs to the character before it: "-" is
  // then no character of its own, and the title has no date.
  EXPECT_TRUE(
      IsPlainTitle("2025-10-\x80"
                   "3 x"));
  EXPECT_TRUE(
      IsPlainTitle("2025-\x80"
                   "10-03 x"));
  EXPECT_FALSE(IsPlainTitle("2025-10-"));
}

TEST(GetTitleDate, RepeatUnitsAndCounts) {
  const DateTime now = At(2025, 10, 3);
  const std::pair<const char*, std::pair<char, int>> cases[] = {
      {"1W", {'W', 1}},    {"2W", {'W', 2}},   {"3M", {'M', 3}},   {"1Y", {'Y', 1}},
      {"1w", {'?', 1}},    {"1D", {'?', 1}},   {"1W2W", {'?', 1}}, {"W", {'W', 0}},
      {"DAILY", {'Y', 0}}, {"-1M", {'M', -1}}, {"$2W", {'W', 0}}};
  for (const auto& [repeat, expected] : cases) {
    const TitleDate facts = GetTitleDate("2025-10-06 x", repeat, now);
    EXPECT_EQ(facts.repeatUnit, expected.first) << repeat;
    EXPECT_EQ(facts.repeatCount, expected.second) << repeat;
  }
}

TEST(GetTitleDate, CountZeroOrNegativeLeavesTheDueDate) {
  for (const char* repeat : {"W", "0W", "-1M", "DAILY", "0Y", "-3W"}) {
    const TitleDate facts = GetTitleDate("2025-09-01 x", repeat, At(2025, 10, 3));
    EXPECT_EQ(DateText(facts.dueDate), "2025-09-01") << repeat;
    EXPECT_EQ(facts.daysToGo, -32) << repeat;
    EXPECT_EQ(facts.dayOfWeek, "MON") << repeat;
  }
}

TEST(GetTitleDate, MonthEndStepsFromThePreviousResult) {
  EXPECT_EQ(DateText(GetTitleDate("2025-01-31 x", "1M", At(2025, 3, 1)).dueDate), "2025-03-28");
  EXPECT_EQ(DateText(GetTitleDate("2024-01-31 x", "1M", At(2024, 3, 1)).dueDate), "2024-03-29");
  EXPECT_EQ(DateText(GetTitleDate("2024-01-31 x", "1M", At(2024, 2, 10)).dueDate), "2024-02-29");
}

TEST(GetTitleDate, YearlyLeapDayBecomesTheTwentyEighth) {
  EXPECT_EQ(DateText(GetTitleDate("2020-02-29 x", "1Y", At(2025, 10, 3)).dueDate), "2026-02-28");
}

TEST(GetTitleDate, DueTodayOrLaterIsNotMoved) {
  EXPECT_EQ(DateText(GetTitleDate("2025-10-03 x", "1W", At(2025, 10, 3, 23, 59)).dueDate),
            "2025-10-03");
  EXPECT_EQ(DateText(GetTitleDate("2026-01-01 x", "1M", At(2025, 10, 3)).dueDate), "2026-01-01");
}

TEST(GetTitleDate, NoPrefixKeepsTheStartValues) {
  const DateTime now = At(2025, 10, 3, 13, 53);
  const TitleDate facts = GetTitleDate("Buy milk", "1W", now);
  EXPECT_EQ(facts.dueDate, now);
  EXPECT_EQ(facts.dayOfWeek, "");
  EXPECT_EQ(facts.daysToGo, 0);
  EXPECT_EQ(facts.repeatUnit, '\0');
}

TEST(GetTitleDate, JumpsAgreeWithSteppingOneStepAtATime) {
  std::mt19937 random(20251003);
  std::uniform_int_distribution<int> year(1990, 2025), month(1, 12), day(1, 31), count(1, 40);
  const char units[] = {'W', 'M', 'Y'};
  const DateTime now = At(2025, 10, 3, 8, 30);
  int checked = 0;
  while (checked < 3000) {
    DateTime start = 0;
    if (!TryEncodeDate(year(random), month(random), day(random), start)) continue;
    const char unit = units[checked % 3];
    const int n = unit == 'Y' ? count(random) % 5 + 1 : count(random);
    const std::string title = DateText(start) + " x";
    const std::string repeat = std::to_string(n) + unit;
    EXPECT_EQ(DateText(GetTitleDate(title, repeat, now).dueDate),
              DateText(SteppedDueDate(start, unit, n, DateOf(now))))
        << title << " " << repeat;
    ++checked;
  }
}

TEST(GetTitleDate, HugeCountsDoNotFail) {
  const TitleDate facts = GetTitleDate("2025-09-01 x", "2147483647Y", At(2025, 10, 3));
  EXPECT_EQ(DateText(facts.dueDate), "2025-09-01");
  EXPECT_EQ(DateText(GetTitleDate("2025-09-01 x", "2147483647W", At(2025, 10, 3)).dueDate),
            "2025-09-01");
  EXPECT_EQ(ExpandTitle(MakeItem("2025-09-01 x %DOW%", "99999999M"), At(2025, 10, 3)),
            "2025-09-01 x ");
}

// Titles of dates (valid, invalid and moved by their repeat), escapes and
// placeholders in any case, whole or cut, including those a replacement puts
// in or joins: expanded as the passes one after another expand them.
TEST(ExpandTitle, AgreesWithReplacingEachPlaceholderInAPassOfItsOwn) {
  std::mt19937 random(20261211);
  const std::vector<std::string> prefixes = {
      "",           "2025-10-03 ", "2025-13-03 ", "2024-02-30 ", "0999-01-31 ",
      "2031-12-31", "2025-1x-03 ", "20%3025-1 "};
  const std::vector<std::string> pieces = {
      "%DOW%", "%dtg%", "%Id%",   "%PRTY%", "%rpt%", "%DAYS%", "%DA", "YS%", "%",    "%%",
      "%20",   "%41",   "%C3%A9", "x",      " ",     "DOW",    "%ID", "%d",  "ays%", "\u00e9"};
  const std::vector<std::string> repeats = {"",   "1W",     "2W",   "1M", "3M", "1Y", "-1M",
                                            "0W", "%DAYS%", "%ID%", "S",  "%d", "1D"};
  for (int round = 0; round < 4000; ++round) {
    std::string title = prefixes[random() % prefixes.size()];
    for (int n = static_cast<int>(random() % 6); n > 0; --n)
      title += pieces[random() % pieces.size()];
    Item item = MakeItem(title, repeats[random() % repeats.size()]);
    item.days = static_cast<int32_t>(random() % 30) - 3;
    const DateTime now =
        At(2020 + static_cast<int>(random() % 10), 1 + static_cast<int>(random() % 12),
           1 + static_cast<int>(random() % 28));
    EXPECT_EQ(ExpandTitle(item, now), ExpandedPassByPass(item, now))
        << "title \"" << title << "\" repeat \"" << item.repeat.View() << "\"";
  }
}
