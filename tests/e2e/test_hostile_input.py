"""Hostile input end to end: values, IDs, list-file names and list files that
try to break the list, and what each gets. docs/hostile-input.md lists them."""

import json
import re
import unittest

from list_layout import entry, header, list_text, parse_list_file
from varno_e2e import VarnoTestCase

_ESCAPE = re.compile(rb"\\(\\|u007[bd])")


def parse_with_brace_escapes(data):
    """The list file as Python objects: strict JSON, and one member per line
    once each brace escape is taken for a plain character."""
    document = json.loads(data.decode("utf-8"), strict=True)
    plain = _ESCAPE.sub(lambda m: b"\\\\" if m.group(1) == b"\\" else b"_", data)
    parse_list_file(plain)
    return document


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


if __name__ == "__main__":
    unittest.main()
