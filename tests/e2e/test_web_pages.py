"""The browser pages as runs of the program write them: the editor page once per
list with its dated copies, the viewer page on every run that loads a list, the
fields each list's editor gets, and page scripts that a real parser accepts."""

import os
import shutil
import subprocess
import unittest

from varno_e2e import VarnoTestCase

EXAMPLE = os.path.join(os.path.dirname(__file__), "..", "..", "examples", "home.json")

# Extracts the page's inline script and compiles it without running it.
PARSE_SCRIPT = r"""
const fs = require('fs');
const vm = require('vm');
const html = fs.readFileSync(process.argv[1], 'latin1');
const scripts = [...html.matchAll(/<script type="text\/javascript">([\s\S]*?)<\/script>/g)];
if (scripts.length !== 1) throw new Error('expected one inline script, found ' + scripts.length);
new vm.Script(scripts[0][1], { filename: process.argv[1] });
"""


class PagesTestCase(VarnoTestCase):
    def add_list(self, name="home.json"):
        shutil.copy(EXAMPLE, self.folder.path(name))

    def log(self):
        return [line.strip() for line in self.folder.log_messages()]

    def assert_script_parses(self, name):
        proc = subprocess.run(["node", "-e", PARSE_SCRIPT, self.folder.path(name)],
                              stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=60)
        self.assertEqual(proc.returncode, 0, proc.stderr.decode(errors="replace"))


class TestEditorPageWriting(PagesTestCase):
    def test_first_run_writes_the_page_and_its_month_and_day_copies(self):
        self.add_list()
        self.folder.run("home.json", check_status=0)
        page = self.folder.read("home.html")
        self.assertEqual(self.folder.read("home-oct.html"), page)
        self.assertEqual(self.folder.read("home-fri.html"), page)
        self.assertIn(b"<title>home</title>", page)
        self.assertIn('1010 Writing "home.html".', self.log())

    def test_an_existing_page_is_kept(self):
        self.add_list()
        self.folder.write("home.html", "my own page")
        self.folder.run("home.json", check_status=0)
        self.assertEqual(self.folder.read("home.html"), b"my own page")
        self.assertFalse(self.folder.exists("home-oct.html"))
        self.assertIn('1000 Skipping "home.html".', self.log())

    def test_a_deleted_page_is_written_again_with_its_copies(self):
        self.add_list()
        self.folder.run("home.json", check_status=0)
        os.remove(self.folder.path("home.html"))
        self.folder.write("home-fri.html", "stale")
        self.folder.run("home.json", check_status=0)
        self.assertTrue(self.folder.exists("home.html"))
        self.assertEqual(self.folder.read("home-fri.html"), self.folder.read("home.html"))

    def test_reminders_and_upcoming_lists_get_their_fields(self):
        for name, flags, priority in [("reminders.json", False, True),
                                      ("upcoming.json", False, False),
                                      ("home.json", True, True)]:
            self.add_list(name)
            self.folder.run(name, check_status=0)
            page = self.folder.read(name.replace(".json", ".html"))
            self.assertEqual(b"id: 'txtFlags'" in page, flags, name)
            self.assertEqual(b"id: 'txtPriority'" in page, priority, name)

    def test_page_scripts_parse(self):
        self.add_list("it's.json")
        self.folder.run("it's.json", check_status=0)
        for name in ["it's.html", "it'srss.html"]:
            self.assert_script_parses(name)


class TestViewerPageWriting(PagesTestCase):
    def test_every_run_that_loads_a_list_rewrites_the_page(self):
        self.add_list()
        self.folder.write("homerss.html", "an old viewer page")
        self.folder.run("home.json", check_status=0)
        page = self.folder.read("homerss.html")
        self.assertTrue(page.startswith(b"<!DOCTYPE html>\r\n<!--\r\n Generated: "))
        self.assertIn(b"<title>VARNO - HOME</title>", page)
        self.assertIn(b"var jsonFileName = 'home.json';", page)
        self.assertIn('5040 Writing "homerss.html" SortBy="Order"', self.log())
        self.assert_script_parses("homerss.html")
        self.assert_script_parses("home.html")

    def test_unchanged_list_still_rewrites_the_page(self):
        self.add_list()
        self.folder.run("home.json", check_status=0)
        os.remove(self.folder.path("homerss.html"))
        self.folder.run("home.json", check_status=0)
        self.assertTrue(self.folder.exists("homerss.html"))

    def test_run_without_arguments_writes_no_pages(self):
        self.folder.run(check_status=0)
        self.assertFalse([name for name in self.folder.files() if name.endswith(".html")])


if __name__ == "__main__":
    unittest.main()
