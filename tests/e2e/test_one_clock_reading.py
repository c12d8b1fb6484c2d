"""A run reads the clock once: every file it writes shows that one moment and
names that one day, however long the run takes. The clock here runs a hundred
thousand times too fast from a minute before midnight, so a run lasts minutes
of its own time and usually goes on into the next day."""

import os
import re
import shutil
import subprocess
import unittest

from varno_e2e import VarnoTestCase

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


if __name__ == "__main__":
    unittest.main()
