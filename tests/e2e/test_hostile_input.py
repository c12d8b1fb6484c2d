"""Hostile input end to end: values, IDs, list-file names and list files that
try to break the list, and what each gets. docs/hostile-input.md lists them."""

import fcntl
import json
import random
import re
import time
import unittest

from list_layout import entry, header, list_text, parse_list_file
from varno_e2e import WINE, VarnoTestCase

_ESCAPE = re.compile(rb"\\(\\|u007[bd])")


def parse_with_brace_escapes(data):
    """The list file (UTF-8) as Python objects: strict JSON, and one member
    per line once each brace escape and each byte above 127 is taken for a
    plain character."""
    document = json.loads(data.decode("utf-8"), strict=True)
    plain = _ESCAPE.sub(lambda m: b"\\\\" if m.group(1) == b"\\" else b"_", data)
    parse_list_file(bytes(b if b < 128 else 95 for b in plain))
    return document


def windows_1252(data):
    """`data` read as Windows-1252; its five undefined bytes keep their numbers."""
    return "".join(bytes([b]).decode("cp1252") if 0x80 <= b < 0xA0 and b not in
                   (0x81, 0x8D, 0x8F, 0x90, 0x9D) else chr(b) for b in data)


def three_items():
    return list_text(header(next_id=4), [entry(i, i, f"{2 * i:03d}", f"Item {i}")
                                         for i in range(1, 4)])


class HostileTestCase(VarnoTestCase):
    def setUp(self):
        super().setUp()
        self.folder.write("list.json", three_items())

    def document(self):
        return parse_with_brace_escapes(self.folder.read("list.json"))

    def items(self):
        return {item["ID"]: item for item in self.document()["items"]}


class BracesInValues(HostileTestCase):
    def test_braces_typed_in_the_web_editor_survive_three_runs(self):
        title = "if (x) {y} }{"
        self.folder.run(f"JSONfile=list.json&ID=2&attribute=title&value={title}&_dc=1",
                        check_status=0)
        self.assertNotIn(b"{y}", self.folder.read("list.json"))
        self.folder.run("list.json", "3", "notes", "{\"ID\":7}", check_status=0)
        first = self.folder.read("list.json")
        self.folder.run("list.json", check_status=0)
        self.assertEqual(self.folder.read("list.json"), first)
        items = self.items()
        self.assertEqual(sorted(items), [1, 2, 3])
        self.assertEqual(items[2]["Title"], title)
        self.assertEqual(items[2]["DisplayTitle"], title)
        self.assertEqual(items[3]["Notes"], "{ID:7}")
        self.assertEqual(self.document()["NextID"], 4)

    def test_typed_backslash_u_text_stays_text(self):
        typed = "\\u007b is not a brace, nor \\\\u007d"
        self.folder.run("list.json", "1", "description", typed, check_status=0)
        self.folder.run("list.json", check_status=0)
        self.assertEqual(self.items()[1]["Description"], typed)


class HostileValues(HostileTestCase):
    def test_every_byte_from_1_to_255(self):
        value = bytes(range(1, 256))
        # Bytes that are not UTF-8 are read as Windows-1252. A Windows program
        # gets its arguments in UTF-16, so it is sent the same characters so.
        sent = windows_1252(value).encode() if WINE else value
        self.folder.run("list.json", "1", "notes", sent, check_status=0)
        self.folder.run("list.json", "2", "title", sent, check_status=0)
        # The display title is worked out from the title as held, which the
        # next load reads in its written form: from then on nothing changes.
        self.folder.run("list.json", check_status=0)
        first = self.folder.read("list.json")
        self.folder.run("list.json", check_status=0)
        self.assertEqual(self.folder.read("list.json"), first)
        # The request stores an apostrophe as "%27"; every control character
        # becomes a blank; a double quote is left out, or written as "%22" in
        # a title, whose escapes are decoded when it is written.
        held = value.replace(b"'", b"%27")
        blanked = bytes(b if b >= 32 else 32 for b in held)
        items = self.items()
        self.assertEqual(items[1]["Notes"], windows_1252(blanked.replace(b'"', b"")))
        self.assertEqual(items[2]["Title"],
                         windows_1252(blanked.replace(b"%27", b"'").replace(b'"', b"%22")))

    def test_a_value_of_100_kb(self):
        value = "".join(chr(32 + (i * 7) % 95) for i in range(100 * 1024))
        self.folder.run("list.json", "3", "description", value, check_status=0)
        self.folder.run("list.json", check_status=0)
        expected = value.replace("'", "%27")
        for escape, plain in (("%25", "%"), ("%27", "'"), ('"', "%22")):
            expected = expected.replace(escape, plain)
        self.assertEqual(len(self.items()[3]["Description"]), len(expected))
        self.assertEqual(self.items()[3]["Description"], expected)

    def test_nul_in_a_request_stays_text_and_in_the_list_file_becomes_a_blank(self):
        self.folder.run("JSONfile=list.json&ID=1&attribute=notes&value=a%00b&_dc=1",
                        check_status=0)
        self.assertEqual(self.items()[1]["Notes"], "a%00b")
        text = three_items().encode().replace(b'"Notes":""', b'"Notes":"a\x00b"', 1)
        self.folder.write("list.json", text)
        self.folder.run("list.json", check_status=0)
        self.assertEqual(self.items()[1]["Notes"], "a b")


class HostileIDs(HostileTestCase):
    def test_ids_that_are_not_whole_numbers_of_32_bits_change_nothing(self):
        self.folder.run("list.json", check_status=0)
        unchanged = self.folder.read("list.json")
        for id in ("-5", "0", "2147483648", "99999999999", "0x", "1e3", "abc", " 1 2", ""):
            with self.subTest(id=id):
                proc = self.folder.run("list.json", id, "title", "changed", check_status=0)
                self.assertEqual(self.folder.read("list.json"), unchanged,
                                 self.console(proc)[-3:])

    def test_hex_ids_name_the_item_with_that_number(self):
        self.folder.write("list.json", list_text(header(next_id=32), [
            entry(31, 1, "002", "Thirty-one"), entry(2, 2, "004", "Two")]))
        for id in ("$1F", "0x1f", "X1F", "  +31"):
            with self.subTest(id=id):
                self.folder.run("list.json", id, "notes", id, check_status=0)
                self.assertEqual(self.items()[31]["Notes"], id)
        self.assertEqual(sorted(self.items()), [2, 31])

    def test_an_id_above_the_list_adds_an_item(self):
        self.folder.run("JSONfile=list.json&ID=1000&attribute=title&value=new&_dc=1",
                        check_status=0)
        self.assertEqual(self.items()[1000]["Title"], "new")
        self.assertEqual(self.document()["NextID"], 1001)

    def test_the_largest_id_keeps_the_list_readable(self):
        self.folder.run("list.json", "2147483647", "title", "last", check_status=0)
        self.assertEqual(self.document()["NextID"], 2147483647)
        proc = self.folder.run("list.json", "1", "title", "still loads", check_status=0)
        self.assertIn("9220 Max ID=2147483647", self.console(proc))
        self.assertEqual(self.items()[1]["Title"], "still loads")
        self.assertEqual(self.items()[2147483647]["Title"], "last")


class HostileListFiles(HostileTestCase):
    def test_empty_file_is_an_empty_list_and_stays_as_it_is(self):
        self.folder.write("list.json", b"")
        proc = self.folder.run("list.json", check_status=0)
        self.assertIn(' ERROR: No records were loaded from "list.json"! Is this the correct file?',
                      self.console(proc))
        self.assertEqual(self.folder.read("list.json"), b"")

    def test_binary_file_is_never_rewritten_as_junk(self):
        rng = random.Random(5)
        for n in range(5):
            with self.subTest(n=n):
                data = bytes(rng.randrange(256) for _ in range(20000))
                self.folder.write("list.json", data)
                proc = self.folder.run("list.json")
                self.assertIn(proc.returncode, (0, 1, 2))
                after = self.folder.read("list.json")
                # A refused request leaves the file as it was.
                if proc.returncode == 2:
                    self.assertEqual(after, data)
                if after != data:
                    parse_with_brace_escapes(after)

    def test_file_cut_short_is_left_as_it_is(self):
        # Cut, or still being written in place by another program (cp, a
        # shell redirect, an editor): a rewrite would keep only the items
        # before the cut, in the list and in its weekday and month copies.
        text = three_items()
        for name, cut in [("mid-line", text.index('"Title":"Item 3"') + 6),
                          ("after an item", text.index("}", text.index('"ID":2')) + 1),
                          ("before the items", text.index('"items"')),
                          ("before the last brace", text.rindex("}"))]:
            with self.subTest(name):
                self.folder.write("list.json", text[:cut])
                for request in [(), ("1", "title", "X")]:
                    proc = self.folder.run("list.json", *request, check_status=2)
                    self.assertIn(' ERROR: Request refused: "list.json" does not end as a list'
                                  ' ends, with "]" and "}": it is cut short, or another program'
                                  " is still writing it, so rewriting it would lose items;"
                                  " nothing was changed.", proc.stdout.decode())
                    self.assertEqual(self.folder.read("list.json"), text[:cut].encode())
                    self.assertFalse(self.folder.exists("list-fri.json"))
        # Once whole again the list is read and rewritten, blank lines after its end or not.
        self.folder.write("list.json", text + "\r\n\r\n")
        self.folder.run("list.json", check_status=0)
        self.assertEqual(sorted(self.items()), [1, 2, 3])

    def test_list_rewritten_by_a_json_tool_is_left_whole_or_read(self):
        # The loader reads one member per line: a rewrite would keep none of
        # these items, and the weekday and month copies would lose them too.
        document = self.document()
        one_item = dict(document, items=document["items"][:1])
        # A blank before each colon (json_pp, Java tools) hides every "ID":
        # the list looked empty, and the change added its one item.
        blank_before_colons = json.dumps(document, indent=3, separators=(",", " : "))
        for name, text, line in [("spaced", json.dumps(document), 1),
                                 ("tight", json.dumps(document, separators=(",", ":")), 1),
                                 ("one item", json.dumps(one_item), 1),
                                 ("blank before colons", blank_before_colons, 12)]:
            with self.subTest(name):
                self.folder.write("list.json", text)
                proc = self.folder.run("list.json", "1", "title", "X", check_status=2)
                self.assertIn(' ERROR: Request refused: "list.json" is not laid out as this'
                              " program writes a list, one member per line: it cannot read"
                              f" line {line}, so rewriting the list would lose items; nothing"
                              " was changed.", proc.stdout.decode())
                self.assertEqual(self.folder.read("list.json"), text.encode())
                # Only the editor pages, written before the list is read.
                self.assertEqual([f for f in self.folder.files() if f.startswith("list")],
                                 ["list-fri.html", "list-oct.html", "list.html", "list.json"])
        # Laid out one member per line, every item is kept (a tool's blanks
        # after the colons are read as the values' first characters), and
        # the tool's escapes are read as their characters: written back as
        # text, they would turn "Café" into "Caf\u00e9" for every reader.
        document["items"][1]["Title"] = "Caf\u00e9 \U0001F600 a/b"
        text = json.dumps(document, indent=2).replace("a/b", "a\\/b")
        self.assertIn("Caf\\u00e9 \\ud83d\\ude00 a\\/b", text)
        self.folder.write("list.json", text)
        self.folder.run("list.json", "1", "title", "X", check_status=0)
        items = json.loads(self.folder.read("list.json"))["items"]
        self.assertEqual([(item["ID"], item["Title"]) for item in items],
                         [(1, "X"), (2, " Caf\u00e9 \U0001F600 a/b"), (3, " Item 3")])

    def test_another_json_file_named_by_mistake_is_left_as_it_is(self):
        settings = '{\r\n  "name":"my-settings",\r\n  "theme":"dark"\r\n}\r\n'
        self.folder.write("settings.json", settings)
        proc = self.folder.run("settings.json", "7", "title", "X", check_status=2)
        self.assertIn(' ERROR: Request refused: "settings.json" holds no items and no "NextID",'
                      " so it is not a list, and this request would replace it with one;"
                      " nothing was changed.", proc.stdout.decode())
        self.folder.run("settings.json", check_status=0)
        self.assertEqual(self.folder.read("settings.json"), settings.encode())
        # A list whose items were all removed is still a list.
        self.folder.write("list.json", list_text(header(next_id=4), []))
        self.folder.run("list.json", "7", "title", "X", check_status=0)
        self.assertEqual(sorted(self.items()), [7])

    def test_line_ends_converted_twice_keep_every_item(self):
        # CR CR LF left a CR in every value: each ID read as 0, every item dropped.
        self.folder.write("list.json", three_items().replace("\r\n", "\r\r\n"))
        self.folder.run("list.json", "2", "notes", "kept", check_status=0)
        self.assertEqual(sorted(self.items()), [1, 2, 3])
        self.assertEqual(self.items()[2]["Notes"], "kept")

    def test_file_of_a_million_lines(self):
        padding = "    \"Pad\":\"x\",\r\n" * 1_000_000
        text = three_items().replace('    "Count":2,\r\n', '    "Count":2,\r\n' + padding, 1)
        self.folder.write("list.json", text)
        started = time.monotonic()
        proc = self.folder.run("list.json", "2", "notes", "found", timeout=120, check_status=0)
        self.assertIn(f"lines processed={text.count(chr(10)) + 1},", proc.stdout.decode())
        self.assertLess(time.monotonic() - started, 60)
        self.assertEqual(self.items()[2]["Notes"], "found")
        self.assertEqual(sorted(self.items()), [1, 2, 3])


class StuckRun(HostileTestCase):
    def test_lock_held_by_a_stuck_run(self):
        with open(self.folder.path("varno.lock"), "a") as lock:
            fcntl.flock(lock, fcntl.LOCK_EX)
            started = time.monotonic()
            proc = self.folder.run("list.json", "1", "title", "late", check_status=2)
            waited = time.monotonic() - started
        self.assertIn(' ERROR: Another run kept the lock "varno.lock" for too long; nothing was '
                      "changed.", self.console(proc))
        self.assertGreater(waited, 25)
        self.assertEqual(self.folder.read("list.json"), three_items().encode())
        self.folder.run("list.json", "1", "title", "after", check_status=0)
        self.assertEqual(self.items()[1]["Title"], "after")


if __name__ == "__main__":
    unittest.main()
