"""What only the Windows build shows, run under Wine: its own name in the banner,
Windows paths, CR LF on the console, arguments and names in UTF-16, the
machine's Windows name in reports and notices, and the same files as the Linux
build."""

import os
import shutil
import socket
import subprocess
import sys
import tempfile
import unittest

from list_layout import entry, header, list_text, parse_list_file
from varno_e2e import FAKETIME_LIB, FIXED_TIME, VERSION, WINE, VarnoTestCase

# The Linux build, for the byte-for-byte comparison; optional.
LINUX_BIN = os.environ.get("VARNO_LINUX_BIN", "")


def windows_folder(folder):
    """How a program under Wine sees a Linux folder: on drive Z:, with backslashes."""
    return "Z:" + folder.replace("/", "\\") + "\\"


def run_under_wine(args, **options):
    """subprocess.run of a Windows program under Wine. Now and then Wine fails
    to start one: status 1 and nothing printed, not even the process trace a
    test asks for. Such a run never reached the program, and is made once more."""
    proc = subprocess.run(["wine", *args], capture_output=True, timeout=120, **options)
    if proc.returncode == 1 and not proc.stdout and not proc.stderr:
        print(f"\nWine failed to start {args[0]}; running it once more", file=sys.stderr)
        proc = subprocess.run(["wine", *args], capture_output=True, timeout=120, **options)
    return proc


class WindowsBuildTestCase(VarnoTestCase):
    @classmethod
    def setUpClass(cls):
        if not WINE:
            raise unittest.SkipTest("tests of the Windows build (VARNO_WINE=1)")
        super().setUpClass()


class NameAndConsole(WindowsBuildTestCase):
    def test_banner_names_varno_exe_and_console_lines_end_in_crlf(self):
        proc = self.folder.run(check_status=0)
        lines = proc.raw_stdout.split(b"\r\n")
        self.assertEqual(lines[-1], b"")
        self.assertNotIn(b"\n", b"".join(lines))
        self.assertEqual(lines[:4], [b"", f"100 varno.exe v{VERSION}".encode(),
                                     b'110 sAllParams=""', b"210 Writing varno.asp."])
        self.assertEqual(lines[-2], b"9999 finally done!")
        self.assertEqual(self.folder.log_messages(), [
            f" 100 varno.exe v{VERSION}", ' 110 sAllParams=""', " 210 Writing varno.asp.",
            " ParamCount=0", " 9999 finally done!"])
        self.assertEqual(self.folder.files(),
                         ["varno-log.txt", "varno.asp", "varno.exe", "varno.lock"])

    def test_bridge_page_runs_the_program_from_its_windows_folder(self):
        self.folder.run(check_status=0)
        lines = self.folder.read("varno.asp").decode("latin-1").split("\r\n")
        folder = windows_folder(self.folder.dir)
        self.assertTrue(folder.endswith("\\"))
        self.assertEqual(
            lines[25],
            f'      iExit = objshell.Run("""{folder}varno.exe"" """+Replace(Replace(Request.'
            'ServerVariables("QUERY_STRING"),"%","%25"),"""","%22"),0,True) : If Err.Number=0 Then'
            ' response.write("Exit status: " & iExit & "<br>")')

    def test_folder_and_list_outside_the_code_page_are_used_by_their_names(self):
        # No character of these names exists in code page 1252.
        inner = os.path.join(self.folder.dir, "\u0441\u043f\u0438\u0441\u043e\u043a")
        os.mkdir(inner)
        shutil.copy2(self.folder.program, inner)
        # The second run finds the list the first one made and adds to it.
        for id_, title in (("1", "\u2713"), ("2", "\u00e9")):
            proc = run_under_wine([os.path.join(inner, "varno.exe"), "\u65e5\u672c.json", id_,
                                   "title", title], cwd=self.folder.elsewhere,
                                  env=self.folder.env())
            self.assertEqual(proc.returncode, 0, proc.stdout + proc.stderr)
        self.assertEqual(sorted(os.listdir(self.folder.elsewhere)), [])
        written = os.listdir(inner)
        for name in ("\u65e5\u672c.json", "\u65e5\u672c.csv", "\u65e5\u672crss.xml",
                     "\u65e5\u672c.ics", "\u65e5\u672c.html", "\u65e5\u672crss.html"):
            self.assertIn(name, written)
        with open(os.path.join(inner, "\u65e5\u672c.json"), "rb") as f:
            self.assertEqual({i["ID"]: i["Title"] for i in parse_list_file(f.read())["items"]},
                             {1: "\u2713", 2: "\u00e9"})
        with open(os.path.join(inner, "varno.asp"), "rb") as f:
            self.assertIn(windows_folder(inner).encode(), f.read())
        self.assertIn(f" 100 varno.exe v{VERSION}\r\n".encode(),
                      open(os.path.join(inner, "varno-log.txt"), "rb").read())


class Texts(WindowsBuildTestCase):
    def test_arguments_arrive_whole_in_utf8(self):
        typed = "Caf\u00e9 \u2713 \u65e5\u672c \U0001F600"
        self.folder.run("list.json", "1", "title", typed, check_status=0)
        self.assertIn(f'"Title":"{typed}",'.encode(), self.folder.read("list.json"))
        self.assertIn(f' 840 sParam4_Value="{typed}"\r\n'.encode(),
                      self.folder.read("varno-log.txt"))

    def test_leftover_of_an_ended_writer_is_removed(self):
        self.folder.run("list.json", check_status=0)
        self.folder.write("list.json.varno-tmp.999999996", b"half a list")
        self.folder.run("list.json", check_status=0)
        self.assertEqual([n for n in self.folder.files() if ".varno-tmp." in n], [])


class FailurePath(WindowsBuildTestCase):
    def test_report_and_notice_carry_the_windows_machine_name(self):
        self.folder.write("list.json", list_text(header(next_id=2), [entry(1, 1, "002", "A")])
                          .replace('"NextID":2,', '"NextID":two,'))
        with socket.socket(socket.AF_INET, socket.SOCK_DGRAM) as listener:
            listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
            listener.bind(("0.0.0.0", 514))
            listener.settimeout(10)
            proc = self.folder.run("list.json", check_status=1)
            # Tests run side by side and every listener gets each broadcast:
            # wait for this run's notice, or one just like it.
            notice = ""
            while 'Trace=1040 File="E!Varno-20251003135307000.xml"' not in notice:
                notice = listener.recv(65536).decode("latin-1")
        # Windows gives the NetBIOS name: upper case, at most fifteen characters.
        machine = socket.gethostname().split(".")[0].upper()[:15]
        self.assertEqual(notice, '<0>VARNO:00001 EXCEPTION:Func=Main() Trace=1040 '
                         'File="E!Varno-20251003135307000.xml" SelfName=VARNO '
                         f'Version={VERSION} H="{machine}" (ID=05003)')
        report = self.folder.read("E!Varno-20251003135307000.xml").decode("latin-1")
        lines = report.split("\r\n")
        self.assertEqual(len(lines), 19)
        self.assertEqual(lines[10], f"<HostName>{machine}</HostName>")
        self.assertRegex(lines[4],
                         r"^<UsedMemory>\d{1,3}\.\d\d% \(\d{1,3}(,\d{3})*\) </UsedMemory>$")
        # The tones go to the speaker, not into the console output.
        self.assertNotIn(b"\x07", proc.raw_stdout)


class SameFilesAsLinux(WindowsBuildTestCase):
    REQUESTS = [
        ["list.json", "2", "title", "2025-10-06 Dentist %DOW% in %DTG% days"],
        ["JSONfile=list.json&ID=4&attribute=description&value=a%26b%20%3Cc%3E&_dc=1"],
        ["list.json", "1", "notes", 'say "hi" to C:\\dir\\'],
        ["list.json", "3", "active", "false"],
        ["list.json", "3", "title", "2025-10-08 Caf\u00e9 cr\u00e8me \u2713 \u65e5\u672c \U0001F600"],
        ["JSONfile=list.json&ID=1&attribute=notes&value=Caf%C3%A9%20%E2%9C%93%20%F0%9F%98%80"
         "%20%C3%20%c3%a9%20%ED%A0%80&_dc=2"],
        ["list.json", "/redoid"],
    ]

    def setUp(self):
        if not (LINUX_BIN and os.path.exists(LINUX_BIN)):
            self.skipTest("VARNO_LINUX_BIN names no Linux build")
        super().setUp()
        self.linux_dir = tempfile.mkdtemp(prefix="varno-linux-")
        self.addCleanup(shutil.rmtree, self.linux_dir, ignore_errors=True)

    def run_linux(self, *args):
        env = dict(os.environ, TZ="UTC", LD_PRELOAD=FAKETIME_LIB, FAKETIME=FIXED_TIME,
                   FAKETIME_DONT_RESET="1")
        env.pop("VARNO_WINE", None)
        proc = subprocess.run([os.path.join(self.linux_dir, "varno"), *args],
                              cwd=self.folder.elsewhere, env=env, capture_output=True,
                              timeout=60)
        return proc

    def test_every_request_writes_the_same_bytes(self):
        shutil.copy2(LINUX_BIN, os.path.join(self.linux_dir, "varno"))
        text = list_text(header(next_id=5), [
            entry(1, 1, "002", "Paint fence", repeat="w"),
            entry(2, 2, "004", "Dentist"),
            entry(3, 3, "006", "2025-09-26 Bins %DOW%", do_today="20251003", public=True),
            entry(4, 4, "008", "Post", priority=2, notes="@")])
        # A value written in the Windows ANSI code page, among UTF-8 ones.
        data = text.encode().replace(b'"Notes":"@"', '"Notes":"br\u00fbl\u00e9e"'.encode("cp1252"))
        self.folder.write("list.json", data)
        with open(os.path.join(self.linux_dir, "list.json"), "wb") as f:
            f.write(data)
        for args in self.REQUESTS:
            with self.subTest(args=args):
                windows = self.folder.run(*args, check_status=0)
                linux = self.run_linux(*args)
                self.assertEqual(linux.returncode, 0, linux.stdout + linux.stderr)
                self.assertEqual(windows.stdout.replace(b"100 varno.exe v", b"100 varno v"),
                                 linux.stdout)
                self.assertSameFiles()
        parse_list_file(self.folder.read("list.json"))

    def assertSameFiles(self):
        own = {"varno", "varno.exe", "varno.lock", "varno.asp", "varno-log.txt"}
        windows = sorted(n for n in self.folder.files() if n not in own)
        linux = sorted(n for n in os.listdir(self.linux_dir) if n not in own)
        self.assertEqual(windows, linux)
        for name in windows:
            with open(os.path.join(self.linux_dir, name), "rb") as f:
                self.assertEqual(self.folder.read(name), f.read(), name)
        with open(os.path.join(self.linux_dir, "varno-log.txt"), "rb") as f:
            linux_log = f.read()
        windows_log = self.folder.read("varno-log.txt")
        self.assertEqual(windows_log.replace(b" 100 varno.exe v", b" 100 varno v"), linux_log)


if __name__ == "__main__":
    unittest.main()
