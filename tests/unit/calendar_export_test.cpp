#include "publish/calendar_export.h"

#include <gtest/gtest.h>

#include <iterator>
#include <random>
#include <string>

#include "support/deployment.h"
#include "support/settings.h"
#include "support/text_helpers.h"
#include "tasklist/list_files.h"

namespace {

// The text `AppendCalendarText` appends.
std::string CalendarText(std::string_view text) {
  std::string out = "held ";
  AppendCalendarText(out, text);
  return out.substr(5);
}

const std::string kDomain = kCalendarMailDomain;

// 13:53:07 in Sydney is 03:53:07 universal time.
DateTime UniversalNow() {
  return EncodeDateTime({2025, 10, 3, 3, 53, 7, 0});
}

Item MakeItem(const std::string& displayTitle, int32_t id = 7) {
  Item item;
  item.id = id;
  item.active = true;
  item.displayTitle = displayTitle;
  return item;
}

// The private calendar's events for the items.
std::string Events(std::initializer_list<Item> items) {
  CalendarTexts calendars;
  StartCalendarTexts(calendars);
  const size_t headerLength = calendars.privateText.size();
  for (const Item& item : items) AddCalendarEvents(calendars, item, "upcoming", UniversalNow());
  return calendars.privateText.substr(headerLength);
}

std::string Event(const Item& item) {
  return Events({item});
}

std::string Header(const std::string& name) {
  return "BEGIN:VCALENDAR\r\n"
         "PRODID:-//Orlix//Calendar 1.0//EN 2025.10.3.1353\r\n"
         "CALSCALE:GREGORIAN\r\n"
         "VERSION:2.0\r\n"
         "X-WR-CALNAME:Orlix (" +
         name + ")\r\n";
}

class CalendarExport : public testing::Test {
 protected:
  void SetUp() override { processSettings.version = "2025.10.3.1353"; }
  void TearDown() override { processSettings = saved_; }

 private:
  Settings saved_ = processSettings;
};

}  // namespace

TEST_F(CalendarExport, EmptyCalendarsHoldHeaderAndEnd) {
  CalendarTexts calendars;
  StartCalendarTexts(calendars);
  AddCalendarEvents(calendars, MakeItem("Buy milk"), "upcoming", UniversalNow());
  CloseCalendarTexts(calendars);
  EXPECT_EQ(calendars.privateText, Header("Private") + "END:VCALENDAR\r\n");
  EXPECT_EQ(calendars.publicText, Header("Public") + "END:VCALENDAR\r\n");
}

// An end equal to the start is no end: the event ends at its start.
TEST_F(CalendarExport, TimedEventHasNoZeroLengthEnd) {
  EXPECT_EQ(Event(MakeItem("2025-10-03 14:30 Dentist")),
            "BEGIN:VEVENT\r\n"
            "DTSTAMP:20251003T035307Z\r\n"
            "DTSTART:20251003T143000\r\n"
            "SUMMARY:2025-10-03 14:30 Dentist\r\n"
            "UID:upcoming-7@" +
                kDomain +
                "\r\n"
                "DESCRIPTION:2025-10-03 14:30 Dentist\r\n"
                "END:VEVENT\r\n");
}

TEST_F(CalendarExport, AllDayEventEndsDaysLater) {
  Item item = MakeItem("2025-10-03 Dentist", 12);
  item.days = 2;
  EXPECT_EQ(Event(item),
            "BEGIN:VEVENT\r\n"
            "DTSTAMP:20251003T035307Z\r\n"
            "DTSTART;VALUE=DATE:20251003\r\n"
            "DTEND;VALUE=DATE:20251005\r\n"
            "SUMMARY:2025-10-03 Dentist\r\n"
            "UID:upcoming-12@" +
                kDomain +
                "\r\n"
                "DESCRIPTION:2025-10-03 Dentist\r\n"
                "END:VEVENT\r\n");
}

TEST_F(CalendarExport, AllDayEndAcrossMonthsAndAtTheEdges) {
  const auto end = [](const std::string& title, int32_t days) {
    Item item = MakeItem(title);
    item.days = days;
    const std::string event = Event(item);
    const size_t at = event.find("DTEND;VALUE=DATE:");
    return at == std::string::npos ? std::string("none") : event.substr(at + 17, 8);
  };
  EXPECT_EQ(end("2025-12-30 Trip", 5), "20260104");
  EXPECT_EQ(end("2024-02-28 Leap", 1), "20240229");
  EXPECT_EQ(end("2025-10-03 x", 2147483647), "99991231");
  // An end that is not after the start would break the event: without one
  // the event lasts its day.
  EXPECT_EQ(end("2025-10-03", 0), "none");
  EXPECT_EQ(end("2025-10-03 x", -4), "none");
  EXPECT_EQ(end("9999-12-31 Last", 3), "none");
}

TEST_F(CalendarExport, DateReading) {
  struct Case {
    const char* title;
    double expected;
    bool allDay;
  };
  const DateTime oct3 = EncodeDateTime({2025, 10, 3});
  for (const Case& c :
       {Case{"2025-10-03 14:30 Dentist", oct3 + 14.5 / 24, false},
        Case{"2025-10-03 9:05 x", oct3 + (9 + 5 / 60.0) / 24, false},
        Case{"2025-10-03 Dentist", oct3, true}, Case{"2025-10-03", oct3, true},
        Case{"2025-10-03 25:00 late", oct3, true}, Case{"Buy milk", 0, false},
        Case{"2025-13-01 x", 0, false}, Case{"2025-02-30", 0, false}, Case{"", 0, false},
        // Positions are characters, however many bytes a letter takes.
        Case{"2025-10-03\u00e914:30 x", oct3 + 14.5 / 24, false},
        Case{"2025-10-03 \u00e9:30 x", oct3, true}, Case{"\u00e9025-10-03 x", 0, false},
        // A stray continuation byte belongs to the character before it: the
        // ninth character is then the "0" after it.
        Case{"2025-10-\x80"
             "03 x",
             oct3, true},
        Case{"2025-10-\xC3\xA9"
             "03 x",
             0, false}}) {
    const EventFacts facts = CalendarEventFacts(MakeItem(c.title));
    EXPECT_NEAR(facts.eventDate, c.expected, 1e-9) << c.title;
    EXPECT_EQ(facts.allDay, c.allDay) << c.title;
  }
  EXPECT_EQ(Event(MakeItem("Buy milk")), "");
  EXPECT_EQ(Event(MakeItem("1899-12-30 the zero date")), "");
}

// The event date as the title's characters read through the general date
// and time reading: "dd/mm/yyyy hh:nn" first, then "dd/mm/yyyy".
EventFacts FactsByGeneralReading(const std::string& title) {
  const auto chars = [&title](size_t first, size_t last) {
    return first > title.size() ? std::string() : title.substr(first - 1, last - first + 1);
  };
  const std::string date = chars(9, 10) + "/" + chars(6, 7) + "/" + chars(1, 4);
  EventFacts facts;
  DateTime value = 0;
  if (TryParseDateTime(date + " " + Trim(chars(12, 16)), value) && value != 0) {
    facts.eventDate = value;
  } else if ((value = reported::ShortDateOf(date)) != 0) {
    facts.eventDate = value;
    facts.allDay = true;
  }
  return facts;
}

TEST_F(CalendarExport, DatesReadInPlaceAsTheGeneralReadingReadsThem) {
  // Titles shaped like a date and a time, with odd parts and odd tails.
  const std::string years[] = {"2025", "2024", "0000", "9999", "1899", "20x5"};
  const std::string twoDigits[] = {"10", "02", "13", "00", "29", "31", "12", "3 ", "30"};
  const std::string separators[] = {"-", "x", "/", ""};
  const std::string tails[] = {" ",  "9",  "14", ":",  "30", "5", "60", "24",
                               "\t", "ab", "0",  "  ", ":0", "1", "23", "59"};
  std::mt19937 random(11);
  const auto pick = [&random](const auto& pieces) { return pieces[random() % std::size(pieces)]; };
  for (int round = 0; round < 20000; ++round) {
    std::string title =
        pick(years) + pick(separators) + pick(twoDigits) + pick(separators) + pick(twoDigits);
    for (int i = static_cast<int>(random() % 6); i > 0; --i) title += pick(tails);
    const EventFacts expected = FactsByGeneralReading(title);
    const EventFacts facts = CalendarEventFacts(MakeItem(title));
    ASSERT_EQ(facts.eventDate, expected.eventDate) << title;
    ASSERT_EQ(facts.allDay, expected.allDay) << title;
  }
  // Titles of any shape and length, most of them no date at all.
  const std::string anyPieces[] = {"1", "25", "0", "-", "/", ":", " ", "x", "\t", "Buy", "9"};
  for (int round = 0; round < 20000; ++round) {
    std::string title;
    for (int i = static_cast<int>(random() % 12); i > 0; --i) title += pick(anyPieces);
    const EventFacts expected = FactsByGeneralReading(title);
    const EventFacts facts = CalendarEventFacts(MakeItem(title));
    ASSERT_EQ(facts.eventDate, expected.eventDate) << title;
    ASSERT_EQ(facts.allDay, expected.allDay) << title;
  }
}

TEST_F(CalendarExport, RepeatRules) {
  for (const auto& [repeat, rule] : {std::pair{"1Y", "RRULE:FREQ=YEARLY"},
                                     {"1W", "RRULE:FREQ=WEEKLY"},
                                     {"2W", "RRULE:FREQ=WEEKLY;INTERVAL=2"},
                                     {"1w", ""},
                                     {"1M", ""},
                                     {"3W", ""},
                                     {"", ""},
                                     {" 1W", ""}}) {
    Item item = MakeItem("2025-10-03 x");
    item.repeat = repeat;
    EXPECT_EQ(CalendarEventFacts(item).repeatRule, rule) << repeat;
    const std::string event = Event(item);
    const std::string expectedTail = std::string("DESCRIPTION:2025-10-03 x\r\n") +
                                     (*rule ? std::string(rule) + "\r\n" : "") + "END:VEVENT\r\n";
    EXPECT_TRUE(event.ends_with(expectedTail)) << repeat << "\n" << event;
  }
}

TEST_F(CalendarExport, PublicItemsGoIntoBothInactiveIntoNeither) {
  Item open = MakeItem("2025-10-03 Open", 1);
  Item shared = MakeItem("2025-10-04 Shared", 2);
  shared.isPublic = true;
  Item done = MakeItem("2025-10-05 Done", 3);
  done.isPublic = true;
  done.active = false;
  CalendarTexts calendars;
  StartCalendarTexts(calendars);
  for (const Item* item : {&open, &shared, &done}) {
    AddCalendarEvents(calendars, *item, "upcoming", UniversalNow());
  }
  EXPECT_NE(calendars.privateText.find("SUMMARY:2025-10-03 Open"), std::string::npos);
  EXPECT_NE(calendars.privateText.find("SUMMARY:2025-10-04 Shared"), std::string::npos);
  EXPECT_EQ(calendars.privateText.find("Done"), std::string::npos);
  EXPECT_EQ(calendars.publicText, Header("Public") + Event(shared));
}

TEST_F(CalendarExport, UIDsStayUniqueWithinAFile) {
  const std::string events = Events({MakeItem("2025-10-03 a", 5), MakeItem("2025-10-04 b", 5),
                                     MakeItem("2025-10-05 c", 6), MakeItem("2025-10-06 d", 5)});
  EXPECT_NE(events.find("UID:upcoming-5@" + kDomain + "\r\nDESCRIPTION:2025-10-03 a"),
            std::string::npos);
  EXPECT_NE(events.find("UID:upcoming-5-2@" + kDomain + "\r\nDESCRIPTION:2025-10-04 b"),
            std::string::npos);
  EXPECT_NE(events.find("UID:upcoming-6@" + kDomain + "\r\n"), std::string::npos);
  EXPECT_NE(events.find("UID:upcoming-5-3@" + kDomain + "\r\nDESCRIPTION:2025-10-06 d"),
            std::string::npos);
}

// Each file numbers its own UIDs: a public item whose ID a private one had
// before it is numbered apart in the private file only.
TEST_F(CalendarExport, EachFileNumbersItsOwnUIDs) {
  Item first = MakeItem("2025-10-03 a", 5);
  Item second = MakeItem("2025-10-04 b", 5);
  Item third = MakeItem("2025-10-05 c", 5);
  second.isPublic = third.isPublic = true;
  CalendarTexts calendars;
  StartCalendarTexts(calendars);
  for (const Item* item : {&first, &second, &third}) {
    AddCalendarEvents(calendars, *item, "upcoming", UniversalNow());
  }
  EXPECT_NE(
      calendars.privateText.find("UID:upcoming-5-2@" + kDomain + "\r\nDESCRIPTION:2025-10-04 b"),
      std::string::npos);
  EXPECT_NE(
      calendars.privateText.find("UID:upcoming-5-3@" + kDomain + "\r\nDESCRIPTION:2025-10-05 c"),
      std::string::npos);
  const std::string publicEvents = calendars.publicText.substr(Header("Public").size());
  EXPECT_EQ(publicEvents.find("UID:upcoming-5@" + kDomain + "\r\nDESCRIPTION:2025-10-04 b"),
            publicEvents.find("UID:"));
  EXPECT_NE(publicEvents.find("UID:upcoming-5-2@" + kDomain + "\r\nDESCRIPTION:2025-10-05 c"),
            std::string::npos);
}

TEST_F(CalendarExport, TextValuesAreEscaped) {
  EXPECT_EQ(CalendarText("a\\b;c,d"), "a\\\\b\\;c\\,d");
  EXPECT_EQ(CalendarText("one\r\ntwo\nthree\rfour"), "one\\ntwo\\nthree\\nfour");
  EXPECT_EQ(CalendarText(std::string("tab\there\x01\x1F\x7F:\"ok\"", 16)), "tab\there:\"ok\"");
  EXPECT_EQ(CalendarText("caf\xC3\xA9"), "caf\xC3\xA9");

  const std::string event = Event(MakeItem("2025-10-03 Lunch; fish, chips\\peas\nmore"));
  EXPECT_NE(event.find("SUMMARY:2025-10-03 Lunch\\; fish\\, chips\\\\peas\\nmore\r\n"),
            std::string::npos)
      << event;
  EXPECT_NE(event.find("DESCRIPTION:2025-10-03 Lunch\\; fish\\, chips\\\\peas\\nmore\r\n"),
            std::string::npos)
      << event;
}

// A calendar is UTF-8 even when a title is not: it is read as Windows-1252.
TEST_F(CalendarExport, TitleThatIsNotUTF8IsReadAsWindows1252) {
  const std::string event = Event(MakeItem("2025-10-03 Cr\xE8me br\xFBl\xE9\x65 \x80 caf\xC3\xA9"));
  EXPECT_NE(event.find("SUMMARY:2025-10-03 Cr\xC3\xA8me br\xC3\xBBl\xC3\xA9\x65 \xE2\x82\xAC "
                       "caf\xC3\x83\xC2\xA9\r\n"),
            std::string::npos)
      << event;
  EXPECT_NE(event.find("DESCRIPTION:2025-10-03 Cr\xC3\xA8me"), std::string::npos);
  EXPECT_NE(Event(MakeItem("2025-10-03 caf\xC3\xA9 \xF0\x9F\x98\x80"))
                .find("SUMMARY:2025-10-03 caf\xC3\xA9 \xF0\x9F\x98\x80\r\n"),
            std::string::npos);
}

TEST_F(CalendarExport, LongLinesAreFoldedAt75Octets) {
  EXPECT_EQ(CalendarContentLine(std::string(75, 'a')), std::string(75, 'a') + "\r\n");
  EXPECT_EQ(CalendarContentLine(std::string(76, 'a')), std::string(75, 'a') + "\r\n a\r\n");
  EXPECT_EQ(CalendarContentLine(std::string(75 + 74 + 1, 'a')),
            std::string(75, 'a') + "\r\n " + std::string(74, 'a') + "\r\n a\r\n");
  // A two-octet character that would straddle octet 75 moves whole to the next line.
  EXPECT_EQ(CalendarContentLine(std::string(74, 'a') + "\xC3\xA9" + "b"),
            std::string(74, 'a') + "\r\n \xC3\xA9" + "b\r\n");
  // So does a four-octet one.
  EXPECT_EQ(CalendarContentLine(std::string(73, 'a') + "\xF0\x9F\x98\x80"),
            std::string(73, 'a') + "\r\n \xF0\x9F\x98\x80\r\n");
}

// The summary and the description hold the same escaped title, each folded
// where its own line reaches 75 octets; short date parts keep their zeros.
TEST_F(CalendarExport, TitleLinesFoldApartAndDatePartsKeepTheirZeros) {
  const std::string tail = "a,b;c\\d " + std::string(60, 'x');
  const std::string event = Event(MakeItem("1900-01-02 9:05 " + tail));
  const std::string escaped = "1900-01-02 9:05 a\\,b\\;c\\\\d " + std::string(60, 'x');
  EXPECT_NE(event.find("DTSTART:19000102T090500\r\n"), std::string::npos) << event;
  EXPECT_NE(event.find(CalendarContentLine("SUMMARY:" + escaped)), std::string::npos) << event;
  EXPECT_NE(event.find(CalendarContentLine("DESCRIPTION:" + escaped)), std::string::npos) << event;
  EXPECT_NE(CalendarContentLine("SUMMARY:" + escaped).find("\r\n "), std::string::npos);
}

TEST_F(CalendarExport, FileNames) {
  EXPECT_EQ(CalendarName("upcoming.json"), "upcoming.ics");
  EXPECT_EQ(CalendarName("Upcoming.JSON"), "Upcoming.ics");
  EXPECT_EQ(CalendarName("work.json"), "work.ics");
  EXPECT_EQ(CalendarName("a.json.json"), "a.ics.json");
  EXPECT_EQ(CalendarName("home.txt"), "home.txt.ics");
  EXPECT_EQ(PublicCalendarName("upcoming.ics"), "public.ics");
  EXPECT_EQ(PublicCalendarName("Upcoming.ics"), "public.ics");
  EXPECT_EQ(PublicCalendarName("work.ics"), "");
  EXPECT_EQ(PublicCalendarName("lists/upcoming.ics"), "");
  EXPECT_EQ(PublicCalendarName("upcoming.ics.bak"), "");
}
