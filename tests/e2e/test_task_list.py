"""The task list end to end: a new list, a list rewritten byte for byte, its copies,
insertion, renumbering, a failing load, and values that must keep the file valid."""

import re
import socket
import unittest

from list_layout import CRLF, entry, header, list_text, parse_list_file, template
from varno_e2e import VERSION, VarnoTestCase

ITEM_LINK = '"ItemLink":"http://h/list.html?ID=$ID$",'


def three_items():
    """A list as an earlier run left it, sorted by priority."""
    return list_text(
        header(stamp="09:00:00 01/10/25", sort_by="Priority", link="http://h/listrss.html",
               item_link_line=ITEM_LINK, head_title="Home", next_id=9),
        [entry(3, 1, "002", "2025-10-06 Dentist %DOW% in %DTG% days", "stale", days=1,
               flags="health", priority=2, description="Check-up%2C bring card",
               do_today="20251002"),
         entry(5, 1, "004", "Paint fence", active=False, priority=1, notes="blue"),
         entry(8, 2, "006", "2025-09-26 Bins %DOW%", repeat="1W", do_today="20251003",
               public=True)])


class TaskListTestCase(VarnoTestCase):
    def list_file(self, name="list.json"):
        """The list file's bytes, checked to be strict JSON, one member per line."""
        data = self.folder.read(name)
        parse_list_file(data)
        return data

    def items(self, name="list.json"):
        return parse_list_file(self.folder.read(name))["items"]


class NewList(TaskListTestCase):
    def test_template_then_empty_list_error(self):
        proc = self.folder.run("home.json", check_status=0)
        self.assertEqual(self.folder.read("home.json"), template("homerss.xml").encode())
        parse_list_file(self.folder.read("home.json"))
        self.assertEqual(self.console(proc)[4:], [
            "",
            "690 VarnoParam.ID=-1",
            '810 sParam1_JSONFile="home.json" (sJSONFile="home.json")',
            '820 sParam2_ID="" (-1)',
            '830 sParam3_Attribute=""',
            '840 sParam4_Value=""',
            " home.json created.",
            '1010 Writing "home.html".',
            '1030 Loading "home.json". ',
            '1040 "SortBy" set line 5',
            '1050 Records loaded from "home.json"=0 [0..-1], lines processed=14, '
            "iVarnoArrayCount=0. New JSON file created=True",
            '4400 SortBy="Order" (Loaded from "home.json")',
            '5040 Writing "homerss.html" SortBy="Order"',
            '6000 Bubble sort by "Order". iVarnoArrayCount=0',
            "6010 RedoID=False",
            "",
            ' ERROR: No records were loaded from "home.json"! Is this the correct file?',
            "9999 finally done!",
            ""])
        log = self.folder.log_messages()
        self.assertIn(" home.json created.", log)
        self.assertEqual(log[-2:], [' ERROR: No records were loaded from "home.json"',
                                    " 9999 finally done!"])
        for name in ("home.csv", "hometoday.csv", "homerss.xml", "home.ics", "home-fri.json"):
            self.assertFalse(self.folder.exists(name), name)

    def test_second_run_on_the_template_changes_nothing(self):
        self.folder.run("home.json", check_status=0)
        created = self.folder.read("home.json")
        proc = self.folder.run("home.json", time="2025-10-04 08:00:00", check_status=0)
        self.assertEqual(self.folder.read("home.json"), created)
        self.assertNotIn(" home.json created.", self.console(proc))

    def test_first_item_on_a_new_list(self):
        proc = self.folder.run("home.json", "1", "title", "Dentist", check_status=0)
        self.assertIn(" home.json created.", self.console(proc))
        expected = list_text(header(rss="homerss.xml", next_id=2),
                             [entry(1, 1, "002", "Dentist")])
        self.assertEqual(self.list_file("home.json"), expected.encode())


class Rewrite(TaskListTestCase):
    def test_small_list_byte_for_byte(self):
        self.folder.write("list.json", three_items())
        proc = self.folder.run("list.json", check_status=0)
        expected = (
            "{\r\n"
            f'  "Updated":"13:53:07 03/10/25 by varno.exe v{VERSION}",\r\n'
            '  "RSSOutput":"listrss.xml",\r\n'
            '  "Trace":"Main():8010",\r\n'
            '  "SortBy":"Priority",\r\n'
            '  "Link":"http://h/listrss.html",\r\n'
            '  "ItemLink":"http://h/list.html?ID=$ID$",\r\n'
            '  "HeadTitle":"Home",\r\n'
            '  "NextID":9,\r\n'
            '  "items":[\r\n'
            "  {\r\n"
            '    "ID":5,\r\n'
            '    "Count":0,\r\n'
            '    "Order":"002",\r\n'
            '    "Days":0,\r\n'
            '    "Active":false,\r\n'
            '    "DoToday":"",\r\n'
            '    "DoTodayBoolean":false,\r\n'
            '    "Flags":"",\r\n'
            '    "Priority":1,\r\n'
            '    "Public":false,\r\n'
            '    "Title":"Paint fence",\r\n'
            '    "DisplayTitle":"Paint fence",\r\n'
            '    "Description":"",\r\n'
            '    "Status":"",\r\n'
            '    "ETC":"",\r\n'
            '    "Notes":"blue",\r\n'
            '    "Repeat":""\r\n'
            "  },\r\n"
            "  {\r\n"
            '    "ID":3,\r\n'
            '    "Count":1,\r\n'
            '    "Order":"004",\r\n'
            '    "Days":1,\r\n'
            '    "Active":true,\r\n'
            '    "DoToday":"",\r\n'
            '    "DoTodayBoolean":false,\r\n'
            '    "Flags":"health",\r\n'
            '    "Priority":2,\r\n'
            '    "Public":false,\r\n'
            '    "Title":"2025-10-06 Dentist %DOW% in %DTG% days",\r\n'
            '    "DisplayTitle":"2025-10-06 Dentist MON in 3 days",\r\n'
            '    "Description":"Check-up, bring card",\r\n'
            '    "Status":"",\r\n'
            '    "ETC":"",\r\n'
            '    "Notes":"",\r\n'
            '    "Repeat":""\r\n'
            "  },\r\n"
            "  {\r\n"
            '    "ID":8,\r\n'
            '    "Count":2,\r\n'
            '    "Order":"006",\r\n'
            '    "Days":0,\r\n'
            '    "Active":true,\r\n'
            '    "DoToday":"20251003",\r\n'
            '    "DoTodayBoolean":true,\r\n'
            '    "Flags":"",\r\n'
            '    "Priority":0,\r\n'
            '    "Public":true,\r\n'
            '    "Title":"2025-09-26 Bins %DOW%",\r\n'
            '    "DisplayTitle":"2025-10-03 Bins FRI",\r\n'
            '    "Description":"",\r\n'
            '    "Status":"",\r\n'
            '    "ETC":"",\r\n'
            '    "Notes":"",\r\n'
            '    "Repeat":"1W"\r\n'
            "  }]\r\n"
            "}")
        self.assertEqual(self.list_file().decode(), expected)
        console = self.console(proc)
        for line in ['1050 Records loaded from "list.json"=3 [0..2], lines processed=68, '
                     "iVarnoArrayCount=3. New JSON file created=False",
                     '6000 Bubble sort by "Priority". iVarnoArrayCount=3',
                     "8110 for iVarnoArrayItem:=0 to 2 iVarnoArrayCount-1",
                     "9100 iVarnoArrayItem=3, iVarnoArrayItem=iVarnoArrayCount=3",
                     '9110 Writing "listrss.xml"',
                     '9120 Writing "list.json" (Length(VarnoArray)=3)',
                     '9130 Writing "list-fri.json"', '9140 Writing "list-oct.json"',
                     '9150 Writing "list.csv"', '9160 Writing "listtoday.csv"',
                     "9200 Total Records=3 [0..2]", "9210 Active Records=2", "9220 Max ID=8"]:
            self.assertIn(line, console)

    def test_rewrite_of_a_rewrite_is_the_same(self):
        self.folder.write("list.json", three_items())
        self.folder.run("list.json", check_status=0)
        first = self.folder.read("list.json")
        self.folder.run("list.json", check_status=0)
        self.assertEqual(self.folder.read("list.json"), first)

    def test_weekday_and_month_copies_are_identical(self):
        self.folder.write("list.json", three_items())
        self.folder.run("list.json", check_status=0)
        written = self.list_file()
        self.assertEqual(self.folder.read("list-fri.json"), written)
        self.assertEqual(self.folder.read("list-oct.json"), written)

    def test_no_temporary_file_is_left(self):
        self.folder.write("list.json", three_items())
        self.folder.run("list.json", check_status=0)
        names = set(self.folder.files())
        self.assertLessEqual({"list.json", "list-fri.json", "list-oct.json"}, names)
        self.assertEqual([n for n in names if ".tmp" in n or "~" in n], [])


class Insertion(TaskListTestCase):
    def test_new_id_goes_first_and_raises_next_id(self):
        self.folder.write("list.json", three_items())
        proc = self.folder.run("list.json", "12", "title", "New one", check_status=0)
        items = self.items()
        # Sorted by priority: the new item (priority 0, unset) goes last.
        self.assertEqual([i["ID"] for i in items], [5, 3, 8, 12])
        self.assertEqual(items[3]["Order"], "008")
        self.assertEqual(parse_list_file(self.folder.read("list.json"))["NextID"], 13)
        console = self.console(proc)
        for line in ["iVarnoArrayLength=3 Length(VarnoArray) Before SetLength=3",
                     "5620 iVarnoArrayCount was incremented. Now=4",
                     '5700 iRecordFoundID=-1 -> Adding item. VarnoParam.ID=12 at '
                     'iVarnoArrayCount-1=3, Attribute="title", Value="New one".',
                     '5710 VarnoParam.ID=12, VarnoParam.Active=True, VarnoParam.Title="New one", '
                     'VarnoParam.Description="", VarnoParam.Priority=0',
                     '5720 VarnoArray[3].ID=12, Active=True, Title="New one", Description="", '
                     "Priority=0",
                     "9220 Max ID=12"]:
            self.assertIn(line, console)

    def test_lower_id_keeps_next_id(self):
        self.folder.write("list.json", three_items())
        self.folder.run("list.json", "7", "notes", "x", check_status=0)
        self.assertEqual(parse_list_file(self.folder.read("list.json"))["NextID"], 9)

    def test_update_changes_only_that_item(self):
        self.folder.write("list.json", three_items())
        proc = self.folder.run("list.json", "5", "notes", "green", check_status=0)
        self.assertIn('5500 Updating VarnoArray[1]. ID=5 Title="Paint fence" Attribute="notes", '
                      'Value="green".', self.console(proc))
        self.folder.write("expected.json", three_items())
        self.folder.run("expected.json", check_status=0)
        expected = self.folder.read("expected.json").replace(b'"Notes":"blue"', b'"Notes":"green"')
        self.assertEqual(self.list_file(), expected)


class Renumbering(TaskListTestCase):
    def test_redoid_writes_positions(self):
        self.folder.write("list.json", three_items())
        proc = self.folder.run("list.json", "/ReDoID", check_status=0)
        self.assertIn("6010 RedoID=True", self.console(proc))
        document = parse_list_file(self.folder.read("list.json"))
        self.assertEqual([i["ID"] for i in document["items"]], [1, 2, 3])
        self.assertEqual([i["Title"] for i in document["items"]],
                         ["Paint fence", "2025-10-06 Dentist %DOW% in %DTG% days",
                          "2025-09-26 Bins %DOW%"])
        self.assertEqual(document["NextID"], 9)
        self.assertIn("9220 Max ID=8", self.console(proc))


class FailingLoad(TaskListTestCase):
    def test_next_id_that_is_not_a_number(self):
        text = three_items().replace('"NextID":9,', '"NextID":nine,')
        self.folder.write("list.json", text)
        with socket.socket(socket.AF_INET, socket.SOCK_DGRAM) as listener:
            listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
            listener.bind(("0.0.0.0", 514))
            listener.settimeout(10)
            proc = self.folder.run("list.json", check_status=1)
            # Tests run side by side and every listener gets each broadcast:
            # wait for this run's notice, or one just like it.
            notice = ""
            while "Trace=1040" not in notice or "E!Varno-20251003135307000.xml" not in notice:
                notice = listener.recv(65536).decode("latin-1")
        reports = [n for n in self.folder.files() if re.fullmatch(r"E!Varno-\d{17}\.xml", n)]
        self.assertEqual(reports, ["E!Varno-20251003135307000.xml"])
        self.assertEqual(self.console(proc)[-3:], [
            "9900 ExceptionRec.FileName=E!Varno-20251003135307000.xml", "9999 finally done!", ""])
        self.assertEqual(self.folder.read("list.json"), text.encode())
        self.assertFalse(self.folder.exists("list.csv"))
        self.assertIn("Trace=1040", notice)
        self.assertIn("E!Varno-20251003135307000.xml", notice)
        report = self.folder.read(reports[0]).decode("latin-1")
        self.assertIn("EConvertError", report)
        self.assertIn("sParam1_JSONFile=list.json", report)


class Values(TaskListTestCase):
    def test_quotes_backslashes_and_line_breaks_keep_the_file_valid(self):
        self.folder.run("list.json", "1", "title", 'Say "hi" to C:\\dir\\', check_status=0)
        self.folder.run("list.json", "1", "notes", 'line one\nline "two"\r\n\\\\share', check_status=0)
        self.folder.run("list.json", "1", "description", 'a\tb "c" \\d\n', check_status=0)
        query = "JSONfile=list.json&ID=1&attribute=flags&value=x%22y\\z%0Aw&_dc=1"
        self.folder.run(query, check_status=0)
        item = self.items()[0]
        self.assertEqual(item["Title"], 'Say %22hi%22 to C:\\dir\\')
        # Read back, the title holds "%22"; a title without a date is shown as it is.
        self.assertEqual(item["DisplayTitle"], 'Say %22hi%22 to C:\\dir\\')
        self.assertEqual(item["Notes"], "line one line two  \\\\share")
        self.assertEqual(item["Description"], "a b %22c%22 \\d ")
        self.assertEqual(item["Flags"], "xy\\z w")
        before = self.list_file()
        self.folder.run("list.json", check_status=0)
        self.assertEqual(self.list_file(), before, "every value reads back unchanged")

    def test_header_strings_are_written_by_the_same_rule(self):
        text = three_items().replace('"HeadTitle":"Home"', '"HeadTitle":"Home \\\\ \\\\ office"')
        self.folder.write("list.json", text)
        self.folder.run("list.json", check_status=0)
        self.assertEqual(parse_list_file(self.folder.read("list.json"))["HeadTitle"],
                         "Home \\ \\ office")


class ListLevelChoices(TaskListTestCase):
    def test_repeat_with_count_zero_leaves_the_date(self):
        self.folder.write("list.json", list_text(header(next_id=3), [
            entry(1, 1, "002", "2025-09-01 A %DTG%", repeat="0W"),
            entry(2, 2, "004", "2025-09-01 B %DTG%", repeat="DAILY")]))
        self.folder.run("list.json", check_status=0)
        self.assertEqual([i["DisplayTitle"] for i in self.items()],
                         ["2025-09-01 A -32", "2025-09-01 B -32"])

    def test_more_items_than_counted_are_kept(self):
        extra = ('  {\r\n    "ID":4,"NextID":1\r\n    "Title":"hand added"\r\n  },\r\n')
        text = three_items().replace('  "items":[\r\n', '  "items":[\r\n' + extra)
        self.folder.write("list.json", text)
        # Its ID line also holds "NextID", so it is not counted as an item and
        # its ID reads as 0; renumbering writes it.
        proc = self.folder.run("list.json", "/redoid", check_status=0)
        self.assertIn("9200 Total Records=4 [0..3]", self.console(proc))
        self.assertIn("6000 Bubble sort by \"Priority\". iVarnoArrayCount=4", self.console(proc))
        self.assertEqual(sorted(i["Title"] for i in self.items()),
                         ["2025-09-26 Bins %DOW%", "2025-10-06 Dentist %DOW% in %DTG% days",
                          "Paint fence", "hand added"])

    def test_feed_named_like_the_list_file_is_not_written(self):
        text = three_items().replace('"RSSOutput":"listrss.xml"', '"RSSOutput":"List.json"')
        self.folder.write("list.json", text)
        proc = self.folder.run("list.json", check_status=0)
        self.assertIn('9110 ERROR: Skipping "list.json": it would replace the list file.',
                      self.console(proc))
        self.assertEqual(len(self.items()), 3)

    def test_list_without_feed_name_uses_a_new_lists_name(self):
        text = three_items().replace('  "RSSOutput":"listrss.xml",\r\n', "")
        self.folder.write("list.json", text)
        proc = self.folder.run("list.json", check_status=0)
        self.assertIn('9110 Writing "listrss.xml"', self.console(proc))
        self.assertEqual(parse_list_file(self.folder.read("list.json"))["RSSOutput"], "listrss.xml")

    def test_list_without_item_link_line_keeps_two_blanks(self):
        text = three_items().replace("  " + ITEM_LINK + CRLF, "")
        self.folder.write("list.json", text)
        self.folder.run("list.json", check_status=0)
        self.assertIn(b'"Link":"http://h/listrss.html",\r\n  \r\n  "HeadTitle"', self.list_file())

    def test_item_without_title_or_description_leaves_the_file(self):
        extra = '  {\r\n    "ID":4,\r\n    "Notes":"nothing else"\r\n  },\r\n'
        text = three_items().replace('  "items":[\r\n', '  "items":[\r\n' + extra)
        self.folder.write("list.json", text)
        self.folder.run("list.json", check_status=0)
        self.assertEqual(sorted(i["ID"] for i in self.items()), [3, 5, 8])


if __name__ == "__main__":
    unittest.main()
