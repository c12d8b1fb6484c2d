"""A run reads the clock once: every file it writes shows that one moment and
names that one day, however long the run takes. The clock here runs a hundred
thousand times too fast from a minute before midnight, so a run lasts minutes
of its own time and usually goes on into the next day."""

import datetime
import os
import re
import shutil
import subprocess
import time
import unittest

from varno_e2e import FAKETIME_LIB, VarnoTestCase

EXAMPLE = os.path.join(os.path.dirname(__file__), "..", "..", "examples", "home.json")
FAST_CLOCK = "@2025-10-03 23:59:00 x100000"
DAYS = "mon|tue|wed|thu|fri|sat|sun"
MONTHS = "jan|feb|mar|apr|may|jun|jul|aug|sep|oct|nov|dec"


class TestOneClockReading(VarnoTestCase):
    def run_with_fast_clock(self, *args):
        env = self.folder.env(time=FAST_CLOCK)
        # Each run starts the fast clock afresh at the same moment.
        env.pop("FAKETIME_DONT_RESET", None)
        env.pop("FAKETIME_SHARED", None)
        proc = subprocess.run([self.folder.exe, *args], cwd=self.folder.elsewhere, env=env,
                              stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=60)
        self.assertEqual(proc.returncode, 0, proc.stdout.decode(errors="replace"))

    def text(self, name):
        return self.folder.read(name).decode("utf-8")

    def test_every_file_shows_one_moment_and_names_one_day(self):
        shutil.copy(EXAMPLE, self.folder.path("home.json"))
        self.run_with_fast_clock("home.json", "1", "title", "Call the plumber")

        # "Updated":"hh:nn:ss dd/mm/yy by ..." in the list, "dd/mm/yyyy hh:nn:ss"
        # in the pages and the feed.
        updated = re.search(r'"Updated":"(\d\d:\d\d:\d\d) (\d\d)/(\d\d)/(\d\d) by',
                            self.text("home.json"))
        self.assertIsNotNone(updated)
        clock, day, month, year = updated.groups()
        # A moment exactly at midnight is shown without its time.
        time = "" if clock == "00:00:00" else f" {clock}"
        moment = f"{day}/{month}/20{year}{time}"
        for page in ("home.html", "homerss.html", "varno.asp"):
            text = self.text(page).replace("\r\n By:", " by")
            self.assertTrue(f"Generated: {moment} by" in text, f"{page} not made at {moment}")
        self.assertIn(f"<!-- Generated: {moment} by", self.text("homerss.xml"))

        files = self.folder.files()
        day_copies = [name for name in files if re.fullmatch(rf"home-({DAYS})\.(json|html)", name)]
        month_copies = [name for name in files
                        if re.fullmatch(rf"home-({MONTHS})\.(json|html)", name)]
        self.assertEqual(len(day_copies), 2, files)
        self.assertEqual(len({name.split(".")[0] for name in day_copies}), 1, day_copies)
        self.assertEqual(len(month_copies), 2, files)
        self.assertEqual(len({name.split(".")[0] for name in month_copies}), 1, month_copies)
        # The copies name the day the list says it was updated.
        self.assertEqual(day_copies[0].split(".")[0], "home-fri" if day == "03" else "home-sat")


class MomentsTheLocalTimeCannotTell(VarnoTestCase):
    """The feed's date and the calendar's stamp come from the run's one reading
    of the clock, not from its local time worked back."""

    def run_at(self, tz, utc_seconds, fmt=None):
        shutil.copy(EXAMPLE, self.folder.path("home.json"))
        env = dict(self.folder.env(time=None), TZ=tz, LD_PRELOAD=FAKETIME_LIB)
        if fmt:
            env.update(FAKETIME_FMT=fmt, FAKETIME=str(utc_seconds))
        else:
            # An offset from the real clock: libfaketime then reads no local
            # time, which would settle the repeated hour for the program.
            env["FAKETIME"] = f"{utc_seconds - int(time.time()):+d}s"
        proc = subprocess.run([self.folder.exe, "home.json"], cwd=self.folder.elsewhere,
                              env=env, stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                              timeout=60)
        self.assertEqual(proc.returncode, 0, proc.stdout.decode(errors="replace"))
        updated = re.search(r'"Updated":"(\d\d:\d\d:\d\d) ', self.text("home.json")).group(1)
        pub_date = re.search(r"<pubDate>([^<]*)</pubDate>", self.text("homerss.xml")).group(1)
        stamp = re.search(r"DTSTAMP:(\w*)", self.text("home.ics")).group(1)
        return updated, pub_date, stamp

    def text(self, name):
        return self.folder.read(name).decode("utf-8")

    def test_both_half_past_ones_of_the_night_summer_time_ends(self):
        # New York, 2 November 2025: 01:30 first in summer time (05:30 UTC),
        # then an hour later in winter time (06:30 UTC).
        for utc_hour in (5, 6):
            with self.subTest(utc_hour=utc_hour):
                moment = int(datetime.datetime(2025, 11, 2, utc_hour, 30,
                                               tzinfo=datetime.timezone.utc).timestamp())
                updated, pub_date, stamp = self.run_at("America/New_York", moment)
                # The clock runs on from the moment set while the run starts.
                self.assertTrue(updated.startswith("01:30:0"), updated)
                self.assertTrue(pub_date.startswith(f"Sun, 2 Nov 2025 0{utc_hour}:30:0"),
                                pub_date)
                self.assertTrue(stamp.startswith(f"20251102T0{utc_hour}300"), stamp)

    @unittest.skipUnless(os.path.exists("/usr/share/zoneinfo/right/UTC"), "no right/ zones")
    def test_a_leap_second_is_the_last_second_of_its_minute(self):
        # 31 December 2016 23:59:60 in a zone that counts leap seconds: a
        # second 60 must not make the run's date 30 December 1899.
        updated, pub_date, stamp = self.run_at("right/UTC", 1483228826, fmt="%s")
        self.assertEqual((updated, pub_date, stamp),
                         ("23:59:59", "Sat, 31 Dec 2016 23:59:59 +0000", "20161231T235959Z"))
        self.assertTrue(self.folder.exists("home-sat.json"))


if __name__ == "__main__":
    unittest.main()
