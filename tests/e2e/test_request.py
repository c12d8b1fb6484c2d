"""Requests end to end: the positional and query-string forms, their report lines,
and the requests that are refused."""

import unittest

from list_layout import entry, header, list_text, parse_list_file
from varno_e2e import VarnoTestCase


def two_items():
    return list_text(header(next_id=6), [entry(5, 1, "002", "Call"), entry(2, 2, "004", "Shop")])


class RequestTestCase(VarnoTestCase):
    def setUp(self):
        super().setUp()
        self.folder.write("list.json", two_items())

    def item(self, id, name="list.json"):
        items = parse_list_file(self.folder.read(name))["items"]
        return next(i for i in items if i["ID"] == id)

    def parameter_lines(self, proc):
        return [line for line in self.console(proc) if line[:3] in ("110", "690", "810", "820",
                                                                      "830", "840")]


class PositionalForm(RequestTestCase):
    def test_four_arguments(self):
        proc = self.folder.run("list.json", "5", "title", "New title", check_status=0)
        self.assertEqual(self.parameter_lines(proc), [
            '110 sAllParams="list.json5titleNew title"',
            "690 VarnoParam.ID=5",
            '810 sParam1_JSONFile="list.json" (sJSONFile="list.json")',
            '820 sParam2_ID="5" (5)',
            '830 sParam3_Attribute="title"',
            '840 sParam4_Value="New title"'])
        self.assertEqual(self.item(5)["Title"], "New title")
        log = self.folder.log_messages()
        self.assertIn(' 840 sParam4_Value="New title"', log)
        self.assertIn(' 5500 Updating VarnoArray[0]. ID=5 Title="New title" Attribute="title", '
                      'Value="New title".', log)

    def test_value_holding_a_key_is_taken_as_it_stands(self):
        proc = self.folder.run("list.json", "5", "notes", "paid=1 id=2", check_status=0)
        self.assertIn("690 VarnoParam.ID=5", self.console(proc))
        self.assertEqual(self.item(5)["Notes"], "paid=1 id=2")
        self.assertEqual(self.item(2)["Notes"], "")

    def test_apostrophe_and_encoded_blank(self):
        proc = self.folder.run("list.json", "2", "notes", "it's%20done", check_status=0)
        self.assertIn('840 sParam4_Value="it%27s done"', self.console(proc))
        self.assertEqual(self.item(2)["Notes"], "it%27s done")

    def test_list_file_alone_republishes_without_change(self):
        self.folder.run("list.json", check_status=0)
        first = self.folder.read("list.json")
        self.folder.run("list.json", check_status=0)
        self.assertEqual(self.folder.read("list.json"), first)
        self.assertEqual(self.item(5)["Title"], "Call")

    def test_upper_case_list_name_reads_the_lower_case_file(self):
        proc = self.folder.run("LIST.json", "5", "notes", "x", check_status=0)
        self.assertIn('810 sParam1_JSONFile="LIST.json" (sJSONFile="list.json")', self.console(proc))
        self.assertEqual(self.item(5)["Notes"], "x")


class QueryStringForm(RequestTestCase):
    def test_single_argument(self):
        query = "JSONfile=list.json&ID=5&attribute=title&value=New%20title&_dc=1733700000000"
        proc = self.folder.run(query, check_status=0)
        self.assertEqual(self.parameter_lines(proc), [
            f'110 sAllParams="{query}"',
            "690 VarnoParam.ID=5",
            '810 sParam1_JSONFile="list.json" (sJSONFile="list.json")',
            '820 sParam2_ID="5" (5)',
            '830 sParam3_Attribute="title"',
            '840 sParam4_Value="New title"'])
        self.assertEqual(self.item(5)["Title"], "New title")

    def test_keys_in_any_case_and_order(self):
        proc = self.folder.run("ATTRIBUTE=notes&id=2&jsonFILE=list.json&Value=x&_dc=1",
                               check_status=0)
        self.assertIn('830 sParam3_Attribute="notes"', self.console(proc))
        self.assertEqual(self.item(2)["Notes"], "x")

    def test_value_keeps_ampersands_and_hash(self):
        self.folder.run("JSONfile=list.json&ID=2&attribute=notes&value=fish&chips%23&_dc=1",
                        check_status=0)
        self.assertEqual(self.item(2)["Notes"], "fish&chips#")

    def test_new_item_through_the_web(self):
        self.folder.run("JSONfile=list.json&ID=6&attribute=title&value=Post&_dc=1", check_status=0)
        document = parse_list_file(self.folder.read("list.json"))
        self.assertEqual(document["NextID"], 7)
        self.assertEqual(self.item(6)["Title"], "Post")

    def test_redoid_is_read_from_the_second_argument_only(self):
        proc = self.folder.run("JSONfile=list.json&ID=/redoid&_dc=1", check_status=0)
        self.assertIn("6010 RedoID=False", self.console(proc))


class Refusals(RequestTestCase):
    def assertRefused(self, *args):
        before = self.folder.files()
        proc = self.folder.run(*args, check_status=2)
        refusal = [line for line in self.console(proc) if "ERROR: Request refused: " in line]
        self.assertEqual(len(refusal), 1, self.console(proc))
        self.assertEqual(self.folder.read("list.json"), two_items().encode())
        run_files = ("varno.asp", "varno-log.txt", "varno.lock")
        self.assertEqual([n for n in self.folder.files() if n not in run_files],
                         [n for n in before if n not in run_files])
        return refusal[0]

    def test_web_list_names_with_a_folder(self):
        for name in ("../list.json", "sub/list.json", "sub\\list.json", "C:list.json",
                     "..list.json"):
            with self.subTest(name=name):
                line = self.assertRefused(f"JSONfile={name}&ID=1&attribute=title&value=x&_dc=1")
                self.assertIn("must not name a folder", line)
        # A user naming a list elsewhere on the console is told how.
        line = self.assertRefused(self.folder.path("list.json"))
        self.assertTrue(line.endswith(
            "must not name a folder in a web request (a single argument is one; on the console,"
            " a list in another folder takes an empty second argument)."), line)

    def test_web_list_names_that_read_as_a_request(self):
        # Handed on as a single argument, such a name would be a request.
        for name in ("jsonfile%3Dlist.json%26id%3D1%26attribute%3Dtitle%26value%3Dx.json",
                     "a%26b.json"):
            with self.subTest(name=name):
                line = self.assertRefused(f"JSONfile={name}&ID=1&attribute=title&value=x&_dc=1")
                self.assertIn('must not hold "&", "=" or a control character', line)
        # A line break too; the refusal's line is cut there.
        self.assertRefused("JSONfile=a%0Ab.json&ID=1&attribute=title&value=x&_dc=1")

    def test_new_lists_that_would_write_over_another_lists_files(self):
        self.folder.run("list.json", check_status=0)
        viewer = self.folder.read("listrss.html")
        # Its editor page is named before the first full stop: "listrss.html".
        self.folder.run("JSONfile=listrss.x.json&ID=1&attribute=title&value=x&_dc=1",
                        check_status=0)
        self.assertEqual(self.folder.read("listrss.html"), viewer)
        # Its CSV export would be the list's today export.
        line = self.assertRefused("JSONfile=listtoday.json&ID=1&attribute=title&value=x&_dc=1")
        self.assertIn('would write over an export of the list "list.json" ("listtoday.csv")', line)

    def test_list_names_without_json(self):
        # From the web ".json" must end the name: "notes.json.html" would be
        # a list file, and exports, that the web server hands out as pages.
        for args in (["list.txt", "1", "title", "x"],
                     ["JSONfile=list.txt&ID=1&attribute=title&value=x&_dc=1"],
                     ["JSONfile=notes.json.html&ID=1&attribute=title&value=x&_dc=1"]):
            with self.subTest(args=args):
                self.assertIn("must be a .json file", self.assertRefused(*args))

    def test_list_existing_only_under_capitals(self):
        self.folder.write("Home.json", two_items())
        line = self.assertRefused("Home.json", "5", "title", "x")
        self.assertTrue(line.startswith("910 ERROR: Request refused: "), line)
        self.assertIn('"home.json"', line)
        self.assertFalse(self.folder.exists("home.json"))
        self.assertEqual(self.folder.read("Home.json"), two_items().encode())


class NewListRequests(VarnoTestCase):
    def test_request_on_a_new_list_adds_the_item(self):
        proc = self.folder.run("JSONfile=new.json&ID=1&attribute=title&value=First&_dc=1",
                               check_status=0)
        self.assertIn(" new.json created.", self.console(proc))
        items = parse_list_file(self.folder.read("new.json"))["items"]
        self.assertEqual([(i["ID"], i["Title"]) for i in items], [(1, "First")])

    def test_id_zero_on_a_new_list_ends_with_the_empty_list_error(self):
        proc = self.folder.run("new.json", "0", "title", "First", check_status=0)
        self.assertIn(' ERROR: No records were loaded from "new.json"! Is this the correct file?',
                      self.console(proc))


if __name__ == "__main__":
    unittest.main()
