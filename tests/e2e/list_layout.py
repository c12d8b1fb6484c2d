"""The list file's layout, written out for the tests: a header, item objects and
the closing, CR LF line ends, and checks that a file is strict JSON with one
member per line."""

import json
import re

from varno_e2e import VERSION

CRLF = "\r\n"
# The fixed clock of the tests, as the list file's stamps show it.
STAMP = "13:53:07 03/10/25"


def header(rss="listrss.xml", sort_by="Order", link="", item_link_line='"ItemLink":"",',
           head_title="Varno", next_id=1, stamp=STAMP):
    """Lines 1 to 10 of a rewritten list file."""
    return CRLF.join([
        "{",
        f'  "Updated":"{stamp} by varno.exe v{VERSION}",',
        f'  "RSSOutput":"{rss}",',
        '  "Trace":"Main():8010",',
        f'  "SortBy":"{sort_by}",',
        f'  "Link":"{link}",',
        f"  {item_link_line}",
        f'  "HeadTitle":"{head_title}",',
        f'  "NextID":{next_id},',
        '  "items":[',
    ]) + CRLF


def entry(id, count, order, title="", display_title=None, days=0, active=True, do_today="",
          flags="", priority=0, public=False, description="", status="", etc="", notes="",
          repeat=""):
    """One item object, from its opening brace to its closing brace (no line end)."""
    def boolean(flag):
        return "true" if flag else "false"
    return CRLF.join([
        "  {",
        f'    "ID":{id},',
        f'    "Count":{count},',
        f'    "Order":"{order}",',
        f'    "Days":{days},',
        f'    "Active":{boolean(active)},',
        f'    "DoToday":"{do_today}",',
        f'    "DoTodayBoolean":{boolean(do_today != "")},',
        f'    "Flags":"{flags}",',
        f'    "Priority":{priority},',
        f'    "Public":{boolean(public)},',
        f'    "Title":"{title}",',
        f'    "DisplayTitle":"{title if display_title is None else display_title}",',
        f'    "Description":"{description}",',
        f'    "Status":"{status}",',
        f'    "ETC":"{etc}",',
        f'    "Notes":"{notes}",',
        f'    "Repeat":"{repeat}"',
        "  }",
    ])


def list_text(head, entries):
    """A whole rewritten list file: entries separated by "," CR LF, the array
    closed on the last entry's brace line, no line end after the final brace."""
    if not entries:
        return head + "]" + CRLF + "}"
    return head + ("," + CRLF).join(entries) + "]" + CRLF + "}"


def template(rss, stamp=STAMP):
    """The file a run creates for a missing list."""
    return CRLF.join([
        "{",
        f'  "Created":"{stamp} by varno.exe v{VERSION}",',
        f'  "RSSOutput":"{rss}",',
        f'  "Trace":"Main():920 v{VERSION}",',
        '  "SortBy":"Order",',
        '  "Link":"",',
        '  "ItemLink":"",',
        '  "HeadTitle":"Varno",',
        '  "NextID":1,',
        '  "SCount":0,',
        '  "items":',
        "  [",
        "  ]",
        "}",
    ]) + CRLF


_MEMBER = re.compile(r' *"[A-Za-z]+":(?:"(?:[^"\\\x00-\x1f]|\\\\)*"|true|false|-?\d+|\[)?,?')
_STRUCTURE = {"{", "}", "  {", "  }", "  },", "  }]", "  [", "  ]", "]", "  "}


def parse_list_file(data):
    """The list file as Python objects; fails unless it is strict JSON (UTF-8,
    no control characters in strings) with one member per line."""
    text = data.decode("utf-8")
    document = json.loads(text, strict=True)
    lines = text.split(CRLF)
    if text.endswith(CRLF):
        lines.pop()
    for line in lines:
        if line not in _STRUCTURE and not _MEMBER.fullmatch(line):
            raise AssertionError(f"not one member per line: {line!r}")
    return document
