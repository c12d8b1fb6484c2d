"""The varno.asp handler of the Linux web server: the report it answers with,
how it starts the program (raw query as the one argument, no shell, a private
network) and how long it waits."""

import os
import shutil
import stat
import subprocess
import time
import unittest

from varno_e2e import VarnoTestCase

BRIDGE_BIN = os.path.join(os.environ.get("VARNO_BUILD_DIR", ""), "varno-bridge")

# A stand-in for the program: records its arguments and network namespace, then
# sleeps and exits as the folder's settings say.
FAKE_PROGRAM = """#!/bin/sh
here=$(dirname "$0")
printf '%s' "$#" > "$here/argc"
printf '%s' "$1" > "$here/arg1"
readlink /proc/self/ns/net > "$here/netns"
sleep "$(cat "$here/sleep" 2>/dev/null || echo 0)"
touch "$here/finished"
exit "$(cat "$here/status" 2>/dev/null || echo 0)"
"""


class BridgeTestCase(VarnoTestCase):
    def setUp(self):
        super().setUp()
        if not os.path.exists(BRIDGE_BIN):
            raise RuntimeError("VARNO_BUILD_DIR must hold the built varno-bridge")

    def fake_program(self, status=0, sleep=0):
        os.remove(self.folder.exe)
        self.folder.write("varno", FAKE_PROGRAM)
        os.chmod(self.folder.exe, stat.S_IRWXU)
        self.folder.write("status", str(status))
        self.folder.write("sleep", str(sleep))

    def bridge(self, query, prefix=(), wait=None, script_folder=None, bridge=BRIDGE_BIN,
               fetch_site=None, head="Content-Type: text/html"):
        env = {"PATH": os.environ.get("PATH", "/usr/bin:/bin"), "QUERY_STRING": query,
               "HTTP_HOST": "127.0.0.1:8080", "SCRIPT_NAME": "/varno.asp"}
        if fetch_site is not None:
            env["HTTP_SEC_FETCH_SITE"] = fetch_site
        folder = self.folder.dir if script_folder is None else script_folder
        if folder:
            env["SCRIPT_FILENAME"] = os.path.join(folder, "varno.asp")
        if wait is not None:
            env["VARNO_BRIDGE_WAIT_SECONDS"] = str(wait)
        started = time.monotonic()
        proc = subprocess.run([*prefix, bridge], env=env, stdout=subprocess.PIPE,
                              stderr=subprocess.PIPE, timeout=90, check=True)
        self.elapsed = time.monotonic() - started
        got_head, _, body = proc.stdout.decode().partition("\r\n\r\n")
        self.assertEqual(got_head, head)
        return body


class TestBridgeRun(BridgeTestCase):
    def test_raw_query_is_the_single_argument_and_no_shell_sees_it(self):
        self.fake_program()
        query = "JSONfile=a.json&ID=1&attribute=title&value=x;touch${IFS}pwned;`id`$(id)'\"&_dc=1"
        self.bridge(query)
        self.assertEqual(self.folder.read("argc"), b"1")
        self.assertEqual(self.folder.read("arg1"), query.encode())
        self.assertFalse(self.folder.exists("pwned"))

    def test_empty_query_is_still_one_argument(self):
        self.fake_program()
        self.bridge("")
        self.assertEqual(self.folder.read("argc"), b"1")
        self.assertEqual(self.folder.read("arg1"), b"")

    def test_report_escapes_the_query_and_shows_the_exit_status(self):
        self.fake_program(status=3)
        page = self.bridge("value=<b>bold</b>&x=\"q\"")
        self.assertIn("<p>The QUERY_STRING IS: <b>value=&lt;b&gt;bold&lt;/b&gt;&amp;x=&quot;q&quot;"
                      "</b></p>", page)
        self.assertNotIn("<b>bold</b>", page)
        self.assertIn("<p><b><u>2025.10.3.1353</br></u></b>", page)
        self.assertIn("Trace=1 -> 2 -> 3", page)
        self.assertIn("Exit status: 3<br>", page)
        self.assertTrue(page.endswith("</br>Done!</p>\r\n  </body>\r\n</html>\r\n"))

    def test_program_runs_in_a_network_namespace_of_its_own(self):
        self.fake_program()
        self.bridge("JSONfile=a.json")
        self.assertNotEqual(self.folder.read("netns").decode().strip(),
                            os.readlink("/proc/self/ns/net"))

    def test_waits_for_the_run_to_end(self):
        self.fake_program(sleep=1)
        page = self.bridge("JSONfile=a.json")
        self.assertTrue(self.folder.exists("finished"))
        self.assertIn("Exit status: 0<br>", page)

    def test_stops_waiting_after_the_bound_and_says_so(self):
        self.fake_program(sleep=4)
        page = self.bridge("JSONfile=a.json", wait=1)
        self.assertLess(self.elapsed, 3.5)
        self.assertIn("Err.Description=Stopped waiting after 1 seconds; the run goes on by itself.",
                      page)
        self.assertFalse(self.folder.exists("finished"))
        deadline = time.monotonic() + 10
        while not self.folder.exists("finished") and time.monotonic() < deadline:
            time.sleep(0.1)
        self.assertTrue(self.folder.exists("finished"), "the run was cut short")

    def test_falls_back_to_its_own_folder(self):
        self.fake_program()
        own = self.folder.path("varno-bridge")
        shutil.copy2(BRIDGE_BIN, own)
        self.bridge("JSONfile=own.json", script_folder="", bridge=own)
        self.assertEqual(self.folder.read("arg1"), b"JSONfile=own.json")


class TestBridgeRefusals(BridgeTestCase):
    def test_folder_without_the_program(self):
        os.remove(self.folder.exe)
        page = self.bridge("JSONfile=a.json")
        self.assertIn("Err.Description=There is no varno program in " + self.folder.dir +
                      "; nothing was run.", page)
        self.assertNotIn("Exit status", page)

    def test_no_private_network_means_no_run(self):
        # Inside a user namespace allowed no network namespace, unshare --net fails.
        self.fake_program()
        prefix = ["unshare", "--user", "--map-root-user", "sh", "-c",
                  "echo 0 > /proc/sys/user/max_net_namespaces && exec \"$0\""]
        page = self.bridge("JSONfile=a.json", prefix=prefix)
        self.assertIn("varno was not run.", page)
        self.assertFalse(self.folder.exists("argc"), "the program ran without isolation")


    def test_requests_from_pages_of_other_sites_are_refused(self):
        # A link or an image on any web page, or a page behind a name rebound
        # to this machine, must not change a list.
        self.fake_program()
        for site in ("cross-site", "same-site"):
            page = self.bridge("JSONfile=a.json&ID=1&attribute=title&value=x", fetch_site=site,
                               head="Status: 403 Forbidden\r\nContent-Type: text/html")
            self.assertIn("Err.Description=A request from a page of another site is refused; "
                          "varno was not run.", page)
            self.assertFalse(self.folder.exists("argc"), site)
        for site in ("same-origin", "none"):
            self.bridge("JSONfile=a.json", fetch_site=site)
            self.assertEqual(self.folder.read("arg1"), b"JSONfile=a.json", site)


class TestBridgeWithTheProgram(BridgeTestCase):
    def test_change_arrives_in_the_list_file(self):
        shutil.copy(os.path.join(os.path.dirname(__file__), "..", "..", "examples", "home.json"),
                    self.folder.path("home.json"))
        page = self.bridge("JSONfile=home.json&ID=3&attribute=title&value=Milk%20%26%20honey"
                           "&_dc=1733700000000&page=1&start=0&limit=25")
        self.assertIn("Exit status: 0<br>", page)
        self.assertIn(b'"Title":"Milk & honey",', self.folder.read("home.json"))


if __name__ == "__main__":
    unittest.main()
