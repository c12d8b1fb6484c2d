"""The run frame: banner, usage text, run log, bridge page and exit status."""

import re
import unittest

from varno_e2e import VERSION, VarnoTestCase

USAGE = [
    " Usage: Varno JsonFile {Update_ID} {Update_Attribute} {Update_Value} ",
    "        Varno JsonFile /redoid ",
    ' Eg: Varno Varno.JSON 1 "Title" "TEST TITLE"',
    "",
    " JsonFile wildcards:-",
    "   %DTG% - Days to go of the varno event (based on 1st 8 char being YYYYMMDD)",
    "   %DOW% - Day of the Week of the varno event (based on 1st 8 char being",
    "           YYYYMMDD)",
    "   %DAYS% - The Duration in days",
    "   %ID%   - The Item ID",
    "   %PRTY% - The Item Priority",
    "   %RPT%  - The Item Repeat",
    "",
    " Note: the Varno.asp is called by the browser to execure the varno event. This",
    "       requires the ASP feature to be enabled in IIS.",
]


class RunWithoutArguments(VarnoTestCase):
    def test_first_run_prints_usage_and_writes_the_bridge_page(self):
        proc = self.folder.run(check_status=0)
        self.assertEqual(self.console(proc), [
            "", f"100 varno v{VERSION}", '110 sAllParams=""', "210 Writing varno.asp.",
            *USAGE, "9999 finally done!", ""])
        self.assertEqual(self.folder.log_messages(), [
            f" 100 varno v{VERSION}", ' 110 sAllParams=""', " 210 Writing varno.asp.",
            " ParamCount=0", " 9999 finally done!"])
        stamp = self.folder.read("varno-log.txt")[:24].decode()
        self.assertEqual(stamp, "2025-10-03 13:53:07.000 ")

    def test_second_run_keeps_the_bridge_page_and_replaces_the_log(self):
        self.folder.run(check_status=0)
        self.folder.write("varno.asp", b"kept as it is")
        proc = self.folder.run(check_status=0)
        self.assertNotIn("210 Writing varno.asp.", self.console(proc))
        self.assertEqual(self.folder.read("varno.asp"), b"kept as it is")
        self.assertEqual(self.folder.log_messages(), [
            f" 100 varno v{VERSION}", ' 110 sAllParams=""', " ParamCount=0", " 9999 finally done!"])

    def test_asking_for_help_prints_the_usage_text(self):
        # Such an argument names no list, so it is not taken for one.
        for argument in ("--help", "-h", "/?"):
            with self.subTest(argument):
                proc = self.folder.run(argument, check_status=0)
                self.assertEqual(self.console(proc)[-len(USAGE) - 2:],
                                 [*USAGE, "9999 finally done!", ""])
                self.assertIn(" ParamCount=1", self.folder.log_messages())
        self.assertEqual([f for f in self.folder.files() if "json" in f or "html" in f], [])

    def test_only_the_expected_files_are_left(self):
        self.folder.run(check_status=0)
        leftovers = [f for f in self.folder.files() if f not in ("varno", "varno.asp",
                                                                  "varno-log.txt", "varno.lock")]
        self.assertEqual(leftovers, [])


class BridgePage(VarnoTestCase):
    def test_page_text(self):
        self.folder.run(check_status=0)
        page = self.folder.read("varno.asp").decode("latin-1")
        self.assertTrue(page.endswith("</html>\r\n"))
        lines = page.split("\r\n")[:-1]
        self.assertEqual(len(lines), 36)
        self.assertEqual(lines[2], f"  Generated: 03/10/2025 13:53:07 by Varno.exe v{VERSION}")
        self.assertEqual(lines[3], "  Trace: Lib.Create_VarnoASP:100")
        self.assertEqual(lines[12], f'      response.write("<p><b><u>{VERSION}</br></u></b>")')
        query = 'Server.HTMLEncode(Request.ServerVariables("QUERY_STRING"))'
        self.assertEqual(lines[16],
                         f'      response.write("<p>The QUERY_STRING IS: <b>"+{query}+"</b></p>")')
        self.assertEqual(lines[24], '      response.write("<p>Now calling:- <b>objshell.Run('
                         f'&quotvarno.exe "+{query}+"&quot)</b></br>")')
        folder = self.folder.dir + "/"
        self.assertEqual(
            lines[25],
            f'      iExit = objshell.Run("""{folder}varno.exe"" """+Replace(Replace(Request.'
            'ServerVariables("QUERY_STRING"),"%","%25"),"""","%22"),0,True) : If Err.Number=0 Then'
            ' response.write("Exit status: " & iExit & "<br>")')
        self.assertNotIn("\n", page.replace("\r\n", ""))


class ExitStatus(VarnoTestCase):
    def test_refused_list_file_names(self):
        for args in (["home.txt"], ["JSONfile=../home.json&ID=1&attribute=title&value=x&_dc=1"],
                     ["JSONfile=/tmp/home.json&ID=1&attribute=title&value=x&_dc=1"]):
            with self.subTest(args=args):
                proc = self.folder.run(*args, check_status=2)
                self.assertTrue(any(re.match(r"^500 ERROR: Request refused: ", line)
                                    for line in self.console(proc)), proc.stdout)
                self.assertEqual([f for f in self.folder.files() if "json" in f or "csv" in f], [])


if __name__ == "__main__":
    unittest.main()
