"""Text in every language end to end: escaped UTF-8 characters from the web,
arguments and list files in Windows-1252, lists mixing both; every file a run
writes is valid UTF-8 and each reader finds the text unchanged."""

import csv
import io
import json
import os
import xml.etree.ElementTree as ET

from list_layout import entry, header, list_text, parse_list_file
from varno_e2e import WINE, VarnoTestCase

TYPED = "Caf\u00e9 cr\u00e8me \u2713 \u65e5\u672c \U0001F600"
# TYPED as a browser sends it: one escape per byte of its UTF-8 form.
TYPED_ESCAPED = "Caf%C3%A9%20cr%C3%A8me%20%E2%9C%93%20%E6%97%A5%E6%9C%AC%20%F0%9F%98%80"


class TextTestCase(VarnoTestCase):
    def setUp(self):
        super().setUp()
        self.folder.write("list.json", list_text(header(next_id=4), [
            entry(i, i, f"{2 * i:03d}", f"2025-10-0{i + 5} Item {i}", public=True)
            for i in range(1, 4)]))

    def utf8(self, name):
        """The file's text; fails unless it is valid UTF-8."""
        data = self.folder.read(name)
        try:
            return data.decode("utf-8")
        except UnicodeDecodeError as e:
            self.fail(f"{name} is not UTF-8: {e}")

    def assert_every_file_is_utf8(self):
        for name in self.folder.files():
            if name not in ("varno", "varno.exe", "varno.lock"):
                self.utf8(name)

    def items(self):
        data = self.folder.read("list.json")
        parse_list_file(data)
        return {i["ID"]: i for i in json.loads(self.utf8("list.json"))["items"]}

    def csv_column(self, column):
        rows = list(csv.reader(io.StringIO(self.utf8("list.csv"), newline=""), strict=True))
        return [row[column] for row in rows[1:]]

    def feed_titles(self):
        root = ET.fromstring(self.folder.read("listrss.xml"))
        return [e.text for e in root.iter("title")][1:]

    def calendar_summaries(self):
        return [line[len("SUMMARY:"):] for line in self.utf8("list.ics").split("\r\n")
                if line.startswith("SUMMARY:")]


class FromTheWeb(TextTestCase):
    def test_escaped_characters_of_every_length_reach_every_output_unchanged(self):
        self.folder.run(f"JSONfile=list.json&ID=2&attribute=title&value=2025-10-07%20{TYPED_ESCAPED}"
                        "&_dc=1", check_status=0)
        self.folder.run(f"JSONfile=list.json&ID=3&attribute=description&value={TYPED_ESCAPED}"
                        "&_dc=2", check_status=0)
        title = "2025-10-07 " + TYPED
        items = self.items()
        self.assertEqual((items[2]["Title"], items[2]["DisplayTitle"]), (title, title))
        self.assertEqual(items[3]["Description"], TYPED)
        self.assertIn(f' 840 sParam4_Value="{TYPED}"', self.utf8("varno-log.txt"))
        self.assertIn(title, self.csv_column(3))
        self.assertEqual(self.csv_column(4)[2], TYPED)
        self.assertIn(f"2. {title}", self.feed_titles())
        self.assertIn(title, self.calendar_summaries())
        self.assert_every_file_is_utf8()

    def test_escapes_that_spell_no_character_stay_as_typed(self):
        # A lone lead byte, a lone continuation byte, lower case, over-long,
        # a surrogate, above U+10FFFF, cut short, one byte, "+"; the table's
        # en dash still becomes a hyphen.
        kept = "a%C3b %A9 %c3%a9 %C0%AF %ED%A0%80 %F4%90%80%80 %E2%9C %41 a+b"
        self.folder.run("JSONfile=list.json&ID=1&attribute=notes&value="
                        f"{kept}%20%E2%80%93%20%C3%A9&_dc=1", check_status=0)
        self.folder.run("list.json", check_status=0)
        self.assertEqual(self.items()[1]["Notes"], kept + " - \u00e9")
        self.assert_every_file_is_utf8()


class FromOtherCodePages(TextTestCase):
    def test_argument_in_windows_1252(self):
        if WINE:
            self.skipTest("a Windows program gets its arguments in UTF-16: no code page applies")
        self.folder.run("list.json", "1", "title", "Cr\u00e8me br\u00fbl\u00e9e \u20ac".encode(
            "cp1252"), check_status=0)
        self.assertEqual(self.items()[1]["Title"], "Cr\u00e8me br\u00fbl\u00e9e \u20ac")
        self.assertIn(' 840 sParam4_Value="Cr\u00e8me br\u00fbl\u00e9e \u20ac"',
                      self.utf8("varno-log.txt"))
        self.assert_every_file_is_utf8()

    def test_list_saved_in_utf16(self):
        # "Unicode" in Windows Notepad: read as bytes, every item was lost.
        text = self.folder.read("list.json").decode("ascii").replace("Item 2", "Cr\u00e8me \U0001F600")
        for encoding in ("utf-16-le", "utf-16-be"):
            with self.subTest(encoding):
                self.folder.write("list.json", ("\ufeff" + text).encode(encoding))
                self.folder.run("list.json", "3", "notes", "seen", check_status=0)
                items = self.items()
                self.assertEqual([items[i]["Title"] for i in (1, 2, 3)],
                                 ["2025-10-06 Item 1", "2025-10-07 Cr\u00e8me \U0001F600",
                                  "2025-10-08 Item 3"])
                self.assertEqual(items[3]["Notes"], "seen")
                self.assert_every_file_is_utf8()

    def test_list_in_windows_1252_and_list_mixing_both(self):
        ansi = "br\u00fbl\u00e9e \u201cx\u201d \u20ac"
        text = list_text(header(next_id=3, head_title="@A@"), [
            entry(1, 1, "002", "2025-10-06 @A@", public=True, notes="@A@"),
            entry(2, 2, "004", "2025-10-07 @U@", public=True, notes="@A@")]).encode("ascii")
        # Item 2's title in Windows-1252 too, or in UTF-8 beside the others.
        for second, encoding in (("Cr\u00e8me", "cp1252"), ("Cr\u00e8me \u2713", "utf-8")):
            with self.subTest(encoding):
                self.folder.write("list.json", text.replace(b"@A@", ansi.encode("cp1252"))
                                  .replace(b"@U@", second.encode(encoding)))
                self.folder.run("list.json", check_status=0)
                items = self.items()
                titles = [f"2025-10-06 {ansi}", f"2025-10-07 {second}"]
                self.assertEqual([items[1]["Title"], items[2]["Title"]], titles)
                self.assertEqual([items[1]["Notes"], items[2]["Notes"]], [ansi, ansi])
                self.assertEqual(json.loads(self.utf8("list.json"))["HeadTitle"], ansi)
                self.assertEqual(self.csv_column(3), titles)
                self.assertEqual(self.feed_titles(), [f"{n}. {t}" for n, t in enumerate(titles, 1)])
                self.assertEqual(self.calendar_summaries(), titles)
                self.assert_every_file_is_utf8()
