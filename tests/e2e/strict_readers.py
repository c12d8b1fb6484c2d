"""Reads a calendar with python3-icalendar or a feed with feedparser and prints
what they read as JSON; exits non-zero when a reader refuses the file or the
file is not UTF-8. Debian installs both readers for /usr/bin/python3 only.
Usage: /usr/bin/python3 strict_readers.py ics|rss FILE"""

import calendar
import json
import sys

import feedparser
import icalendar


def read_calendar(data):
    cal = icalendar.Calendar.from_ical(data.decode("utf-8"))
    events = []
    for event in cal.walk("VEVENT"):
        end = event.get("dtend")
        rule = event.get("rrule")
        events.append({
            "uid": str(event["uid"]),
            "dtstart": event.decoded("dtstart").isoformat(),
            "dtend": None if end is None else event.decoded("dtend").isoformat(),
            "summary": str(event["summary"]),
            "description": str(event["description"]),
            "rrule": None if rule is None else rule.to_ical().decode(),
        })
    return {"events": events}


def read_feed(data):
    data.decode("utf-8")
    feed = feedparser.parse(data)
    if feed.bozo:
        raise SystemExit(f"feedparser: {feed.bozo_exception}")
    published = feed.feed.get("published_parsed")
    return {
        "pubDate": None if published is None else calendar.timegm(published),
        "entries": [{"title": e.get("title"), "description": e.get("description"),
                     "link": e.get("link"), "id": e.get("id"), "guidislink": e.get("guidislink")}
                    for e in feed.entries],
    }


def main():
    kind, name = sys.argv[1:]
    with open(name, "rb") as f:
        data = f.read()
    print(json.dumps(read_calendar(data) if kind == "ics" else read_feed(data)))


if __name__ == "__main__":
    main()
