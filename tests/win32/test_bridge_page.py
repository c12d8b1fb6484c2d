"""The bridge page's own script, as the Windows build writes it, run by Wine's
script host with small stand-ins for the web server's Request, Response and
Server objects, against the real varno.exe, also in a folder whose name holds a
blank and an "&". Every hostile query must start varno.exe alone, once, with one
argument that the program reads as the value sent, and nothing else."""

import os
import re
import shutil
import tempfile
import unittest

from list_layout import parse_list_file
from test_windows_build import WindowsBuildTestCase, run_under_wine, windows_folder
from varno_e2e import VarnoFolder

# The web server's objects, as far as the page uses them. HTMLEncode encodes
# what IIS's does for plain ASCII.
STAND_INS = r'''
Class StandInRequest
  Public Query
  Public Function ServerVariables(name)
    If UCase(name) = "QUERY_STRING" Then ServerVariables = Query Else ServerVariables = ""
  End Function
End Class
Class StandInResponse
  Public Text
  Public Sub Write(part)
    Text = Text & part
  End Sub
End Class
Class StandInServer
  Public Function CreateObject(name)
    Set CreateObject = WScript.CreateObject(name)
  End Function
  Public Function HTMLEncode(value)
    HTMLEncode = Replace(Replace(value, "&", "&amp;"), "<", "&lt;")
    HTMLEncode = Replace(Replace(HTMLEncode, ">", "&gt;"), """", "&quot;")
  End Function
End Class
Dim Request, Response, Server
Set Request = New StandInRequest
Set Response = New StandInResponse
Set Server = New StandInServer
'''

# A variable of the server's environment that would end the argument and start
# a command of its own, were it expanded anywhere on the way.
TRAP_NAME = "VARNO_TRAP"
TRAP_VALUE = '" & echo INJECTED > pwned.txt & "'

# Wine's trace of each process it creates: the image and the command line.
STARTED = re.compile(r'NtCreateUserProcess L"[^"]*" image L"((?:[^"\\]|\\.)*)" '
                     r'cmdline L"((?:[^"\\]|\\.)*)"')


def unescape_trace(text):
    controls = {"t": "\t", "n": "\n", "r": "\r"}
    return re.sub(r"\\(.)", lambda m: controls.get(m.group(1), m.group(1)), text)


def wine_own(image, cmdline):
    """Whether a started process is the script host or one Wine starts for its
    own sake: a console host for a console program, the desktop for a window."""
    name = image.lower().rsplit("\\", 1)[-1]
    return name in ("cscript.exe", "conhost.exe") or (name == "explorer.exe" and
                                                     cmdline.endswith(" /desktop"))


def html_encoded(text):
    return (text.replace("&", "&amp;").replace("<", "&lt;").replace(">", "&gt;")
            .replace('"', "&quot;"))


class HostileQueries(WindowsBuildTestCase):
    # The program's folder, inside the test's own.
    FOLDER = "site"
    # Values the editor page would send, each followed by "&_dc" as it does.
    VALUES = [
        "%CMDCMDLINE%&calc",
        f"%{TRAP_NAME}%",
        "%TEMP% and %PATH%",
        'say "hi" & "bye"',
        "a|b^c<d>e&f",
        "two  blanks and a tab\tthen <script>alert(1)</script>",
    ]

    def setUp(self):
        super().setUp()
        self.program_dir = os.path.join(self.folder.dir, self.FOLDER)
        os.mkdir(self.program_dir)
        shutil.copy2(self.folder.program, self.program_dir)
        self.program = os.path.join(self.program_dir, "varno.exe")
        # The web server's working folder: where a command of its own would write.
        self.server_dir = tempfile.mkdtemp(prefix="varno-server-")
        self.addCleanup(shutil.rmtree, self.server_dir, ignore_errors=True)
        # The same program handed the raw query directly, as the Linux bridge does.
        self.direct = VarnoFolder()
        self.addCleanup(self.direct.cleanup)
        proc = run_under_wine([self.program], cwd=self.folder.elsewhere, env=self.folder.env())
        self.assertEqual(proc.returncode, 0, proc.stdout + proc.stderr)
        with open(os.path.join(self.program_dir, "varno.asp"), encoding="latin-1") as f:
            page = f.read()
        self.script = page[page.index("<%") + 2:page.index("%>")]

    def serve(self, query):
        """Runs the page for `query`; returns its HTML and the processes it started
        (image, command line), Wine's own left out."""
        text = (STAND_INS + 'Request.Query = "' + query.replace('"', '""') + '"\n' +
                self.script + "\nWScript.Echo Response.Text\n")
        with open(os.path.join(self.server_dir, "page.vbs"), "w", encoding="latin-1",
                  newline="\r\n") as f:
            f.write(text)
        env = self.folder.env()
        env["WINEDEBUG"] = "-all,trace+process"
        env[TRAP_NAME] = TRAP_VALUE
        proc = run_under_wine(["cscript", "//nologo", windows_folder(self.server_dir) + "page.vbs"],
                              cwd=self.server_dir, env=env)
        self.assertEqual(proc.returncode, 0, proc.stderr[-2000:])
        started = [(unescape_trace(image), unescape_trace(cmdline))
                   for image, cmdline in STARTED.findall(proc.stderr.decode("latin-1"))]
        started = [p for p in started if not wine_own(*p)]
        return proc.stdout.decode("latin-1"), started

    def assertRunOnceWith(self, query, started):
        exe = windows_folder(self.program_dir) + "varno.exe"
        argument = query.replace("%", "%25").replace('"', "%22")
        self.assertEqual(started, [(exe, f'"{exe}" "{argument}')])

    def assertNoCommandRan(self):
        for top in (self.folder.dir, self.folder.elsewhere, self.server_dir):
            for _, _, names in os.walk(top):
                self.assertNotIn("pwned.txt", names)

    def test_each_value_reaches_the_list_as_sent_and_nothing_else_runs(self):
        for number, value in enumerate(self.VALUES, 1):
            query = f"JSONfile=q{number}.json&ID=1&attribute=title&value={value}&_dc=1"
            with self.subTest(value=value):
                page, started = self.serve(query)
                self.assertNoCommandRan()
                self.assertIn(f' 840 sParam4_Value="{value}"', self.log_messages())
                self.assertRunOnceWith(query, started)
                self.assertIn(f"<p>The QUERY_STRING IS: <b>{html_encoded(query)}</b></p>", page)
                self.assertNotIn("<script>", page)
                self.assertNotIn("Err.Number", page)
                self.assertIn("Exit status: 0<br>", page)
                self.assertTrue(page.rstrip().endswith("</br>Done!</p>"), page)
                # Byte for byte what the program makes of the raw query.
                self.direct.run(query, check_status=0)
                listed = self.read(f"q{number}.json")
                self.assertEqual(listed, self.direct.read(f"q{number}.json"))
                parse_list_file(listed)

    def test_a_refused_run_shows_its_exit_status(self):
        # The editor page reads it to tell the user the change was not saved.
        page, _ = self.serve("JSONfile=../list.json&ID=1&attribute=title&value=x&_dc=1")
        self.assertIn("Exit status: 2<br>", page)

    def test_trailing_backslash_of_an_undecoded_value_stays_a_backslash(self):
        # The value is the query's last member: it is the rest of the query, undecoded.
        query = "JSONfile=list.json&ID=1&attribute=notes&value=C:\\dir\\"
        _, started = self.serve(query)
        self.assertIn(' 840 sParam4_Value="C:\\dir\\"', self.log_messages())
        self.assertRunOnceWith(query, started)

    def log_messages(self):
        with open(os.path.join(self.program_dir, "varno-log.txt"), "rb") as f:
            lines = f.read().decode("latin-1").split("\r\n")
        return [line[23:] for line in lines[:-1]]

    def read(self, name):
        with open(os.path.join(self.program_dir, name), "rb") as f:
            return f.read()


class HostileQueriesInAFolderWithABlankAndAnAmpersand(HostileQueries):
    FOLDER = "my site & co"


if __name__ == "__main__":
    unittest.main()
