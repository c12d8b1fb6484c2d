"""The publishers: CSV exports, RSS feed and calendars as a run writes them,
byte for byte where their bytes are fixed, and read back by real readers:
Python's csv and json modules, xmllint, feedparser, ical.js and
python3-icalendar."""

import csv
import json
import os
import re
import subprocess
import xml.etree.ElementTree as ET

from varno_e2e import VERSION, VarnoTestCase

HERE = os.path.dirname(os.path.abspath(__file__))
ICAL_CHECK = os.path.join(HERE, "ical_check.mjs")
STRICT_READERS = os.path.join(HERE, "strict_readers.py")
# Debian's python3-icalendar and python3-feedparser import only here.
SYSTEM_PYTHON = "/usr/bin/python3"
CRLF = "\r\n"


def deployment_value(name):
    """A value of support/deployment.h, so the tests follow the deployment."""
    with open(os.path.join(HERE, "..", "..", "support", "deployment.h")) as f:
        return re.search(name + r' = "([^"]*)";', f.read()).group(1)


MAIL_DOMAIN = deployment_value("kCalendarMailDomain")
CHANNEL_TAIL = [
    "<language>en-us</language>",
    f"<generator>VARNO {VERSION}</generator>",
    f"<copyright>{deployment_value('kFeedCopyright')}</copyright>",
    f"<managingEditor>{deployment_value('kFeedManagingEditor')}</managingEditor>",
    f"<webMaster>{deployment_value('kFeedWebMaster')}</webMaster>",
    "<pubDate>Fri, 3 Oct 2025 13:53:07 +0000</pubDate>",
    "<ttl>5</ttl>",
]
CSV_HEADER = ('"#","ID","Active","DisplayTitle","Description","Status","ETC","Notes",'
              '"Priority","Flags","Order","Days"')
TODAY_HEADER = '"#","ID","DisplayTitle","Description","Flags"'
CALENDAR_HEADER = [
    "BEGIN:VCALENDAR", f"PRODID:-//Orlix//Calendar 1.0//EN {VERSION}", "CALSCALE:GREGORIAN",
    "VERSION:2.0"]


def item(id_, title, order, active=True, **fields):
    return dict(ID=id_, Title=title, Order=order, Active=active, **fields)


def list_file(items, rss="listrss.xml", link="http://lists.example/list",
              item_link='"ItemLink":"http://lists.example/view?id=$ID$",', sort_by="Order"):
    """A list file in the layout the program writes, one member per line."""
    lines = ["{", f'  "Updated":"13:00:00 02/10/25 by varno.exe v{VERSION}",',
             f'  "RSSOutput":"{rss}",', '  "Trace":"Main():8010",', f'  "SortBy":"{sort_by}",',
             f'  "Link":"{link}",', "  " + item_link, '  "HeadTitle":"Tests",',
             f'  "NextID":{max([i["ID"] for i in items] + [0]) + 1},', '  "items":[']
    for n, it in enumerate(items):
        lines += [
            "  {", f'    "ID":{it["ID"]},', f'    "Count":{n + 1},',
            f'    "Order":"{it["Order"]}",', f'    "Days":{it.get("Days", 0)},',
            f'    "Active":{"true" if it["Active"] else "false"},',
            f'    "DoToday":"{it.get("DoToday", "")}",', '    "DoTodayBoolean":false,',
            f'    "Flags":"{it.get("Flags", "")}",', f'    "Priority":{it.get("Priority", 0)},',
            f'    "Public":{"true" if it.get("Public") else "false"},',
            f'    "Title":"{it["Title"]}",', f'    "Description":"{it.get("Description", "")}",',
            f'    "Status":"{it.get("Status", "")}",', f'    "ETC":"{it.get("ETC", "")}",',
            f'    "Notes":"{it.get("Notes", "")}",', f'    "Repeat":"{it.get("Repeat", "")}"',
            "  }," if n + 1 < len(items) else "  }]"]
    if not items:
        lines[-1] += "]"
    lines.append("}")
    return CRLF.join(lines).encode("utf-8", "surrogateescape")


# Five items in order; the second is done. Two are marked for today, one for yesterday.
BASIC_ITEMS = [
    item(3, "Alpha", "00002", DoToday="20251003", Flags="f1", Priority=1,
         Description="Say%20%22hi%22", Status="open", ETC="1h", Notes="n1"),
    item(5, "Beta", "00004", active=False, DoToday="20251003"),
    item(8, "Gamma, with comma", "00040", Days=2, Description="plain"),
    item(9, "Delta", "00050", DoToday="20251002"),
    item(12, "Echo", "00060", DoToday="20251003", Priority=3),
]


class PublisherTestCase(VarnoTestCase):
    def publish(self, list_name, items, *request, tz="UTC", **list_options):
        self.folder.write(list_name, list_file(items, **list_options))
        self.folder.run(list_name, *request, tz=tz, check_status=0)
        self.check_every_export()

    def check_every_export(self):
        """Every export the run wrote opens in its reader."""
        for name in self.folder.files():
            if name.endswith(".csv"):
                self.csv_rows(name)
            elif name.endswith("rss.xml"):
                self.check_feed_is_well_formed(name)
            elif name.endswith(".ics") and self.folder.read(name).startswith(b"BEGIN:"):
                self.ical(name)

    def text(self, name):
        return self.folder.read(name).decode("utf-8", "surrogateescape")

    def csv_rows(self, name):
        """The file's rows as Python's csv module reads them."""
        with open(self.folder.path(name), newline="", encoding="utf-8",
                  errors="surrogateescape") as f:
            return list(csv.reader(f, strict=True))

    def check_feed_is_well_formed(self, name):
        proc = subprocess.run(["xmllint", "--noout", self.folder.path(name)],
                              stdout=subprocess.PIPE, stderr=subprocess.PIPE)
        self.assertEqual((proc.returncode, proc.stderr.decode()), (0, ""))
        return ET.parse(self.folder.path(name)).getroot()

    def strict_read(self, kind, name):
        """The calendar ("ics") as python3-icalendar or the feed ("rss") as
        feedparser reads it."""
        proc = subprocess.run([SYSTEM_PYTHON, STRICT_READERS, kind, self.folder.path(name)],
                              stdout=subprocess.PIPE, stderr=subprocess.PIPE)
        self.assertEqual(proc.returncode, 0, proc.stderr.decode())
        return json.loads(proc.stdout)

    def ical(self, name):
        """The calendar as ical.js reads it; also checks the line lengths."""
        data = self.folder.read(name)
        self.assertTrue(data.endswith(b"END:VCALENDAR\r\n"))
        for line in data.split(b"\r\n"):
            self.assertLessEqual(len(line), 75, line)
            self.assertNotIn(b"\n", line)
        if not os.path.isdir(os.path.join(HERE, "..", "node_modules", "ical.js")):
            raise RuntimeError("ical.js is missing: run scripts/install-test-deps")
        proc = subprocess.run(["node", ICAL_CHECK, self.folder.path(name)],
                              stdout=subprocess.PIPE, stderr=subprocess.PIPE)
        self.assertEqual(proc.returncode, 0, proc.stderr.decode())
        return json.loads(proc.stdout)


class CsvExports(PublisherTestCase):
    def test_rows_of_active_items_byte_for_byte(self):
        self.publish("list.json", BASIC_ITEMS)
        self.assertEqual(self.text("list.csv"), CRLF.join([
            CSV_HEADER,
            '"1","3","true","Alpha","Say ""hi""","open","1h","n1","1","f1",2,0',
            '"2","8","true","Gamma, with comma","plain","","","","0","",40,2',
            '"3","9","true","Delta","","","","","0","",50,0',
            '"4","12","true","Echo","","","","","3","",60,0', ""]))
        self.assertEqual(self.text("listtoday.csv"), CRLF.join([
            TODAY_HEADER, '"1","3","Alpha","Say ""hi""",', '"2","12","Echo","",', ""]))
        self.assertEqual(self.csv_rows("list.csv")[1],
                         ["1", "3", "true", "Alpha", 'Say "hi"', "open", "1h", "n1", "1", "f1",
                          "2", "0"])
        self.assertEqual(self.csv_rows("listtoday.csv"),
                         [["#", "ID", "DisplayTitle", "Description", "Flags"],
                          ["1", "3", "Alpha", 'Say "hi"', ""], ["2", "12", "Echo", "", ""]])

    def test_renumbering_changes_the_ids_but_not_the_feed_links(self):
        self.publish("list.json", BASIC_ITEMS, "/redoid")
        self.assertEqual([row[1] for row in self.csv_rows("list.csv")[1:]], ["1", "3", "4", "5"])
        self.assertEqual([row[:2] for row in self.csv_rows("listtoday.csv")[1:]],
                         [["1", "1"], ["2", "5"]])
        root = self.check_feed_is_well_formed("listrss.xml")
        self.assertEqual([e.text for e in root.iter("guid")],
                         [f"http://lists.example/view?id={n}" for n in (3, 8, 9, 12)])


def feed_lines(items):
    """The feed's lines but the generation comment, for (title, description, link) items."""
    lines = ['<?xml version="1.0" encoding="UTF-8" ?>', None, '<rss version="2.0">', "<channel>",
             "<title>listrss.xml</title>", f"<description>{VERSION}</description>",
             "<link>http://lists.example/list</link>", *CHANNEL_TAIL]
    for title, description, item_link in items:
        lines += ["<item>", f"<title>{title}</title>", f"<description>{description}</description>",
                  f"<link>{item_link}</link>", f"<guid>{item_link}</guid>", "</item>"]
    return lines + ["</channel>", "</rss>"]


class Feed(PublisherTestCase):
    def check_feed(self, expected_lines):
        text = self.text("listrss.xml")
        self.assertFalse(text.endswith("\n"))
        lines = text.split(CRLF)
        self.assertRegex(lines[1], r'^<!-- Generated: \S+ \S+ by Varno\.exe v' + re.escape(VERSION)
                         + r' Main\(\):6910 sJSONFile="list\.json" -->$')
        lines[1] = None
        self.assertEqual(lines, expected_lines)
        self.check_feed_is_well_formed("listrss.xml")

    def test_items_numbered_by_active_count_with_their_links(self):
        self.publish("list.json", BASIC_ITEMS)
        view = "http://lists.example/view?id="
        self.check_feed(feed_lines([("1. Alpha", 'Say "hi"', view + "3"),
                                    ("2. Gamma, with comma", "plain", view + "8"),
                                    ("3. Delta", "", view + "9"), ("4. Echo", "", view + "12")]))

    def feed_entries(self):
        """(title, link, guid, isPermaLink) of each item: feedparser's reading
        and the attribute as written."""
        guids = self.check_feed_is_well_formed("listrss.xml").iter("guid")
        return [(e["title"], e["link"], e["id"], g.get("isPermaLink"))
                for e, g in zip(self.strict_read("rss", "listrss.xml")["entries"], guids)]

    def test_items_without_a_link_of_their_own_keep_apart(self):
        # A list made by the program has no item link: no item gets a link.
        items = [item(3, "Alpha", "00002"), item(8, "Beta", "00004")]
        self.publish("list.json", items, item_link='"ItemLink":"",')
        lines = self.text("listrss.xml").split(CRLF)
        self.assertEqual(lines[lines.index("<title>1. Alpha</title>"):][:4], [
            "<title>1. Alpha</title>", "<description></description>",
            f'<guid isPermaLink="false">list-3@{MAIL_DOMAIN}</guid>', "</item>"])
        self.assertEqual(self.feed_entries(), [
            ("1. Alpha", None, f"list-3@{MAIL_DOMAIN}", "false"),
            ("2. Beta", None, f"list-8@{MAIL_DOMAIN}", "false")])
        # A link without $ID$ is every item's: it is kept, but not as the guid.
        # So is a link that two items share by their ID; an own link stays the guid.
        self.publish("list.json", items, item_link='"ItemLink":"http://lists.example/all",')
        self.assertEqual([e[1:] for e in self.feed_entries()], [
            ("http://lists.example/all", f"list-3@{MAIL_DOMAIN}", "false"),
            ("http://lists.example/all", f"list-8@{MAIL_DOMAIN}", "false")])
        self.publish("list.json", items + [item(3, "Gamma", "00006"), item(9, "Delta", "00008")])
        view = "http://lists.example/view?id="
        self.assertEqual([e[1:] for e in self.feed_entries()], [
            (view + "3", f"list-3@{MAIL_DOMAIN}", "false"), (view + "8", view + "8", None),
            (view + "3", f"list-3-2@{MAIL_DOMAIN}", "false"), (view + "9", view + "9", None)])

    def test_comment_stays_a_comment_for_any_list_name(self):
        self.publish("a--b.json", BASIC_ITEMS)
        # The run's reader check has found the feed well-formed.
        self.assertIn('sJSONFile="a-b.json" -->', self.text("listrss.xml"))


# The run's moment, 13:53:07 in Sydney (UTC+10), as seconds since 1970 UTC.
SYDNEY_RUN = 1759463587


# Sorted by order: timed public, all-day for two nights, undated, done public,
# fortnightly public, weekly timed.
UPCOMING_ITEMS = [
    item(1, "2025-10-03 14:30 Dentist", "00002", Public=True),
    item(2, "2025-10-10 Holiday %DOW%", "00004", Days=2),
    item(3, "Buy milk", "00006", Public=True),
    item(4, "2025-10-05 Hidden", "00008", active=False, Public=True),
    item(5, "2025-10-06 Standup", "00010", Public=True, Repeat="2W"),
    item(6, "2025-10-07 09:15 Call", "00012", Repeat="1W"),
]


def event(uid, start, end, title, rule=None):
    """An event's lines; `end` None for an event without DTEND."""
    return (["BEGIN:VEVENT", "DTSTAMP:20251003T035307Z", start] + ([end] if end else [])
            + [f"SUMMARY:{title}", f"UID:upcoming-{uid}@{MAIL_DOMAIN}", f"DESCRIPTION:{title}"]
            + ([rule] if rule else []) + ["END:VEVENT"])


# An end equal to the start is left out: timed events end at their start,
# all-day events last their day.
DENTIST = event(1, "DTSTART:20251003T143000", None, "2025-10-03 14:30 Dentist")
STANDUP = event(5, "DTSTART;VALUE=DATE:20251006", None, "2025-10-06 Standup",
                "RRULE:FREQ=WEEKLY;INTERVAL=2")


class Calendars(PublisherTestCase):
    def test_upcoming_list_line_by_line_in_sydney(self):
        self.folder.write("public.ics", "old")
        self.publish("upcoming.json", UPCOMING_ITEMS, rss="upcomingrss.xml",
                     tz="Australia/Sydney")
        self.assertEqual(self.text("upcoming.ics").split(CRLF), [
            *CALENDAR_HEADER, "X-WR-CALNAME:Orlix (Private)", *DENTIST,
            *event(2, "DTSTART;VALUE=DATE:20251010", "DTEND;VALUE=DATE:20251012",
                   "2025-10-10 Holiday FRI"),
            *STANDUP,
            *event(6, "DTSTART:20251007T091500", None, "2025-10-07 09:15 Call",
                   "RRULE:FREQ=WEEKLY"),
            "END:VCALENDAR", ""])
        self.assertEqual(self.text("public.ics").split(CRLF), [
            *CALENDAR_HEADER, "X-WR-CALNAME:Orlix (Public)", *DENTIST, *STANDUP,
            "END:VCALENDAR", ""])
        # The feed's pubDate is the run's moment in universal time.
        self.assertIn("<pubDate>Fri, 3 Oct 2025 03:53:07 +0000</pubDate>",
                      self.text("upcomingrss.xml").split(CRLF))
        self.assertEqual(self.strict_read("rss", "upcomingrss.xml")["pubDate"], SYDNEY_RUN)

        private = self.ical("upcoming.ics")
        self.assertEqual(private["calname"], "Orlix (Private)")
        self.assertEqual(
            [(e["uid"], e["dtstart"], e["startIsDate"], e["dtend"], e["rrule"])
             for e in private["events"]],
            [(f"upcoming-1@{MAIL_DOMAIN}", "2025-10-03T14:30:00", False, "2025-10-03T14:30:00",
              None),
             (f"upcoming-2@{MAIL_DOMAIN}", "2025-10-10", True, "2025-10-12", None),
             (f"upcoming-5@{MAIL_DOMAIN}", "2025-10-06", True, "2025-10-07",
              "FREQ=WEEKLY;INTERVAL=2"),
             (f"upcoming-6@{MAIL_DOMAIN}", "2025-10-07T09:15:00", False, "2025-10-07T09:15:00",
              "FREQ=WEEKLY")])
        self.assertEqual(
            [(e["dtstart"], e["dtend"], e["rrule"])
             for e in self.strict_read("ics", "upcoming.ics")["events"]],
            [("2025-10-03T14:30:00", None, None), ("2025-10-10", "2025-10-12", None),
             ("2025-10-06", None, "FREQ=WEEKLY;INTERVAL=2"),
             ("2025-10-07T09:15:00", None, "FREQ=WEEKLY")])
        self.assertEqual({e["dtstamp"] for e in private["events"]}, {"2025-10-03T03:53:07Z"})
        public = self.ical("public.ics")
        self.assertEqual(public["calname"], "Orlix (Public)")
        self.assertEqual([e["summary"] for e in public["events"]],
                         ["2025-10-03 14:30 Dentist", "2025-10-06 Standup"])

    def test_uids_stay_the_same_from_run_to_run(self):
        self.publish("upcoming.json", UPCOMING_ITEMS, rss="upcomingrss.xml")
        first = [e["uid"] for e in self.ical("upcoming.ics")["events"]]
        self.folder.run("upcoming.json", time="2025-10-03 15:00:00", check_status=0)
        self.assertEqual([e["uid"] for e in self.ical("upcoming.ics")["events"]], first)

    def test_other_lists_never_touch_public_ics(self):
        self.folder.write("public.ics", "kept as it is")
        os.utime(self.folder.path("public.ics"), (1_000_000_000, 1_000_000_000))
        self.publish("work.json", UPCOMING_ITEMS, rss="workrss.xml")
        self.assertEqual(self.folder.read("public.ics"), b"kept as it is")
        self.assertEqual(os.stat(self.folder.path("public.ics")).st_mtime, 1_000_000_000)
        self.assertEqual([e["uid"] for e in self.ical("work.ics")["events"]],
                         [f"work-{n}@{MAIL_DOMAIN}" for n in (1, 2, 5, 6)])

    def test_without_active_items_every_export_is_empty(self):
        self.publish("upcoming.json",
                     [item(1, "2025-10-05 Done", "00002", active=False, Public=True,
                           DoToday="20251003"),
                      item(2, "2025-10-06 Done too", "00004", active=False)],
                     rss="listrss.xml")
        for name, kind in (("upcoming.ics", "Private"), ("public.ics", "Public")):
            self.assertEqual(self.text(name).split(CRLF),
                             [*CALENDAR_HEADER, f"X-WR-CALNAME:Orlix ({kind})", "END:VCALENDAR",
                              ""])
        self.assertEqual(self.text("upcoming.csv"), CSV_HEADER + CRLF)
        self.assertEqual(self.text("upcomingtoday.csv"), TODAY_HEADER + CRLF)
        lines = self.text("listrss.xml").split(CRLF)
        self.assertIn('sJSONFile="upcoming.json" -->', lines[1])
        lines[1] = None
        self.assertEqual(lines, feed_lines([]))


class DisplayTitles(PublisherTestCase):
    def test_placeholders_show_members_read_after_the_title_in_every_output(self):
        # Repeat follows Title in the list; sorting by Title sorts the titles shown.
        self.publish("upcoming.json", [
            item(1, "%RPT% milk", "00002", Repeat="2W"),
            item(2, "2025-10-06 %RPT% standup", "00004", Repeat="1W", Public=True),
            item(3, "1 bread", "00006")], rss="upcomingrss.xml", sort_by="Title")
        titles = ["1 bread", "2025-10-06 1W standup", "2W milk"]
        listed = json.loads(self.folder.read("upcoming.json"))["items"]
        self.assertEqual([i["DisplayTitle"] for i in listed], titles)
        self.assertEqual([i["Title"] for i in listed],
                         ["1 bread", "2025-10-06 %RPT% standup", "%RPT% milk"])
        self.assertEqual([row[3] for row in self.csv_rows("upcoming.csv")[1:]], titles)
        entries = self.strict_read("rss", "upcomingrss.xml")["entries"]
        self.assertEqual([e["title"] for e in entries],
                         [f"{n}. {t}" for n, t in enumerate(titles, 1)])
        for name in ("upcoming.ics", "public.ics"):
            self.assertEqual([e["summary"] for e in self.strict_read("ics", name)["events"]],
                             [titles[1]])


LONG_TAIL = "Long, long; text with caf\u00e9 and \u20ac signs \\ " * 8
HOSTILE_TITLE = '2025-10-03 14:30 Say "hi" & <b>bold</b>, a; b \\ c'


NON_ASCII_TITLE = "2025-10-06 Caf\u00e9 cr\u00e8me \u2713 \u65e5\u672c \U0001F600"
NON_ASCII_DESCRIPTION = "Gr\u00fc\u00dfe, \u65e5\u672c; \U0001F600"
# The run's moment, 13:53:07 UTC, as seconds since 1970.
UTC_RUN = 1759499587


class HostileTexts(PublisherTestCase):
    """Quotes, markup, separators, backslashes, line breaks, control characters,
    text in other languages, bytes that are not UTF-8 and very long texts,
    through every reader."""

    def setUp(self):
        super().setUp()
        items = [
            item(1, "2025-10-03 14:30 to be replaced", "00002", Public=True),
            item(2, "2025-10-04 first%0Asecond%2C third%3B", "00004", Public=True,
                 Description="two%0Alines"),
            item(3, "2025-10-05 " + LONG_TAIL, "00006", Description=LONG_TAIL),
            item(4, "No date & no <event>", "00008", DoToday="20251003", Status="a,b",
                 Description="%22quoted%22 %26 %3Ctag%3E, semi; back\\slash %0Anew line"),
            # A byte that is not UTF-8: the value is read as Windows-1252.
            item(5, "Caf\udce9 \x01bell\x7f", "00010"),
            item(6, NON_ASCII_TITLE, "00012", Public=True, Repeat="2W", Days=2,
                 Description=NON_ASCII_DESCRIPTION),
        ]
        # One run: the request gives item 1 a title that a list file cannot hold.
        self.publish("upcoming.json", items, "1", "title", HOSTILE_TITLE, rss="upcomingrss.xml")
        self.titles = [HOSTILE_TITLE, "2025-10-04 first\nsecond, third;", "2025-10-05 " + LONG_TAIL,
                       "No date & no <event>", "Caf\u00e9 \x01bell\x7f", NON_ASCII_TITLE]
        self.descriptions = ["", "two\nlines", LONG_TAIL,
                             '"quoted" & <tag>, semi; back\\slash \nnew line', "",
                             NON_ASCII_DESCRIPTION]
        # The dated items of each calendar, with the start, end and rule a reader
        # finds (no end: the event ends at its start, or lasts its day).
        self.private_events = [
            (self.titles[0], "2025-10-03T14:30:00", None, None),
            (self.titles[1], "2025-10-04", None, None),
            (self.titles[2], "2025-10-05", None, None),
            (NON_ASCII_TITLE, "2025-10-06", "2025-10-08", "FREQ=WEEKLY;INTERVAL=2")]
        self.public_events = [self.private_events[i] for i in (0, 1, 3)]

    def test_csv_module_reads_every_field_back(self):
        rows = self.csv_rows("upcoming.csv")
        self.assertEqual([len(row) for row in rows], [12] * 7)
        self.assertEqual([row[3] for row in rows[1:]], self.titles)
        self.assertEqual([row[4] for row in rows[1:]], self.descriptions)
        self.assertEqual(rows[4][5], "a,b")
        self.assertEqual(self.csv_rows("upcomingtoday.csv")[1],
                         ["1", "4", self.titles[3], self.descriptions[3], ""])
        self.assertIn('"2025-10-03 14:30 Say ""hi"" & <b>bold</b>, a; b \\ c"',
                      self.text("upcoming.csv"))

    def test_json_module_reads_the_list_and_its_copies_back(self):
        for name in ("upcoming.json", "upcoming-fri.json", "upcoming-oct.json"):
            items = json.loads(self.folder.read(name).decode("utf-8"))["items"]
            # A display title in the list holds no double quote and no control character.
            self.assertEqual([i["DisplayTitle"] for i in items],
                             [re.sub("[\x00-\x1f]", " ", t.replace('"', "")) for t in self.titles],
                             name)
            self.assertEqual(items[5]["Description"], NON_ASCII_DESCRIPTION)

    def test_feed_reads_back_through_xml_and_feedparser(self):
        root = self.check_feed_is_well_formed("upcomingrss.xml")
        # XML leaves out the control characters.
        readable = [f"{n}. {t.replace(chr(1), '')}" for n, t in enumerate(self.titles, 1)]
        self.assertEqual([e.text for e in root.iter("title")][1:], readable)
        self.assertEqual([e.text or "" for e in root.iter("description")][1:], self.descriptions)
        self.assertIn("<title>1. 2025-10-03 14:30 Say \"hi\" &amp; &lt;b&gt;bold&lt;/b&gt;, a; "
                      "b \\ c</title>", self.text("upcomingrss.xml"))
        feed = self.strict_read("rss", "upcomingrss.xml")
        self.assertEqual(feed["pubDate"], UTC_RUN)
        entries = feed["entries"]
        # feedparser trims the blanks around a title.
        self.assertEqual([e["title"] for e in entries], [t.strip() for t in readable])
        self.assertEqual([e["link"] for e in entries],
                         [f"http://lists.example/view?id={n}" for n in range(1, 7)])
        self.assertEqual([e["id"] for e in entries], [e["link"] for e in entries])

    def test_calendars_read_back_through_ical_js_and_icalendar(self):
        for name, wanted in (("upcoming.ics", self.private_events),
                             ("public.ics", self.public_events)):
            events = self.strict_read("ics", name)["events"]
            self.assertEqual([(e["summary"], e["dtstart"], e["dtend"], e["rrule"]) for e in events],
                             wanted)
            self.assertEqual([e["description"] for e in events], [w[0] for w in wanted])
            # ical.js gives every event an end: its start, or the next day.
            events = self.ical(name)["events"]
            self.assertEqual([(e["summary"], e["description"], e["dtstart"], e["rrule"])
                              for e in events], [(w[0], w[0], w[1], w[3]) for w in wanted])
            self.assertEqual([e["dtend"] for e in events],
                             [w[2] or {"2025-10-03T14:30:00": "2025-10-03T14:30:00",
                                       "2025-10-04": "2025-10-05",
                                       "2025-10-05": "2025-10-06"}[w[1]] for w in wanted])
        lines = self.text("upcoming.ics").split(CRLF)
        self.assertIn("SUMMARY:2025-10-03 14:30 Say \"hi\" & <b>bold</b>\\, a\\; b \\\\ c", lines)
        self.assertIn("SUMMARY:2025-10-04 first\\nsecond\\, third\\;", lines)
        self.assertTrue(any(line.startswith(" ") for line in lines), "long lines are folded")
