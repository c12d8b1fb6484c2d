"""A long list is loaded in two halves and its texts are built on threads of
their own while earlier files are written: every run of it must give the
same files, each whole, with every active item in each export."""

import csv
import datetime
import io
import json
import os
import sys
import unittest
import xml.etree.ElementTree as ElementTree

from varno_e2e import VarnoTestCase

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "..", "bench"))
import list_generator  # noqa: E402

ITEMS = 4000  # about 1.9 MB of list: long enough for every thread
RUNS = 4


class TestLongLists(VarnoTestCase):
    def snapshot(self):
        return {name: self.folder.read(name) for name in self.folder.files()
                if name not in ("varno", "varno.exe", "varno-log.txt", "varno.lock")}

    def test_every_run_writes_the_same_whole_files(self):
        list_generator.write_files("varno", ITEMS, 7, datetime.date(2025, 10, 3), self.folder.dir)
        # A first run settles the list in its written form and makes the pages.
        self.folder.run("bench.json", check_status=0)
        first = self.snapshot()
        for _ in range(RUNS):
            self.folder.run("bench.json", check_status=0)
            again = self.snapshot()
            self.assertEqual(sorted(again), sorted(first))
            for name in first:
                self.assertEqual(again[name], first[name], name)
        self.assertFalse([name for name in first if ".varno-tmp." in name])

        items = json.loads(first["bench.json"])["items"]
        active = [item for item in items if item["Active"]]
        self.assertEqual(len(items), ITEMS)
        rows = list(csv.reader(io.StringIO(first["bench.csv"].decode("utf-8"))))
        self.assertEqual([row[1] for row in rows[1:]], [str(item["ID"]) for item in active])
        feed = ElementTree.fromstring(first["benchrss.xml"])
        self.assertEqual(len(feed.findall("./channel/item")), len(active))
        self.assertEqual(first["bench-fri.json"], first["bench.json"])
        self.assertEqual(first["bench-oct.json"], first["bench.json"])
        self.assertGreater(first["bench.ics"].count(b"BEGIN:VEVENT"), 0)


if __name__ == "__main__":
    unittest.main()
