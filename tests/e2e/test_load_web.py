"""Load through the real web path: 50 update requests at once to varno.asp
(lighttpd and varno-bridge on 127.0.0.1, started by scripts/serve), mixed with
10 console runs, each changing a different attribute of a different item. All
60 changes must reach the list file, which must parse, and no run may fail."""

import http.client
import os
import signal
import socket
import subprocess
import sys
import threading
import time
import unittest

from list_layout import entry, header, list_text, parse_list_file
from varno_e2e import VarnoTestCase

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
BUILD_DIR = os.environ.get("VARNO_BUILD_DIR", "")
WEB_REQUESTS = 50
CONSOLE_RUNS = 10
DEADLINE_SECONDS = 180

# Attribute, value sent, value expected in the list file (None: worked out).
WEB_CHANGES = [
    ("title", "web%20{i}", "web {i}"),
    ("description", "web%20{i}", "web {i}"),
    ("notes", "web-{i}", "web-{i}"),
    ("status", "web-{i}", "web-{i}"),
    ("etc", "web-{i}", "web-{i}"),
    ("flags", "web-{i}", "web-{i}"),
    ("priority", "{p}", "{p}"),
    ("days", "{i}", "{i}"),
    ("repeat", "{i}w", "{i}W"),
    ("active", "false", False),
    ("public", "true", True),
    ("dotoday", "true", None),
]
MEMBER = {"title": "Title", "description": "Description", "notes": "Notes", "status": "Status",
          "etc": "ETC", "flags": "Flags", "priority": "Priority", "days": "Days",
          "repeat": "Repeat", "active": "Active", "public": "Public", "dotoday": "DoToday"}


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def expected(template, i):
    if not isinstance(template, str):
        return template
    text = template.format(i=i, p=100 + i)
    return int(text) if text.isdigit() else text


class LoadThroughTheWeb(VarnoTestCase):
    def setUp(self):
        super().setUp()
        if not os.path.exists(os.path.join(BUILD_DIR, "varno-bridge")):
            raise RuntimeError("VARNO_BUILD_DIR must hold the built varno and varno-bridge")
        items = WEB_REQUESTS + CONSOLE_RUNS
        self.folder.write("list.json", list_text(
            header(next_id=items + 1),
            [entry(i, i, f"{2 * i:03d}", f"Item {i}") for i in range(1, items + 1)]))
        self.port = free_port()
        self.server = subprocess.Popen(
            [os.path.join(ROOT, "scripts", "serve"), self.folder.dir, str(self.port)],
            env={**os.environ, "VARNO_BUILD_DIR": BUILD_DIR}, stdout=subprocess.PIPE,
            stderr=subprocess.STDOUT, start_new_session=True)
        self.addCleanup(self.stop_server)
        self.wait_for_server()

    def stop_server(self):
        if self.server.poll() is None:
            self.server.send_signal(signal.SIGTERM)
            try:
                self.server.wait(timeout=30)
            except subprocess.TimeoutExpired:
                os.killpg(self.server.pid, signal.SIGKILL)
                self.server.wait()
        self.server.stdout.close()

    def get(self, path, timeout=120):
        connection = http.client.HTTPConnection("127.0.0.1", self.port, timeout=timeout)
        try:
            connection.request("GET", path)
            answer = connection.getresponse()
            return answer.status, answer.read().decode("latin-1")
        finally:
            connection.close()

    def wait_for_server(self):
        deadline = time.monotonic() + 60
        while time.monotonic() < deadline:
            if self.server.poll() is not None:
                self.fail("scripts/serve ended early:\n" + self.server.stdout.read().decode())
            try:
                if self.get("/listrss.html", timeout=5)[0] == 200:
                    return
            except OSError:
                pass
            time.sleep(0.1)
        self.fail("scripts/serve did not answer in time")

    def test_fifty_web_requests_and_ten_console_runs_at_once(self):
        outcomes = {}
        start = threading.Barrier(WEB_REQUESTS + CONSOLE_RUNS + 1)

        def web(i):
            attribute, value, _ = WEB_CHANGES[i % len(WEB_CHANGES)]
            query = (f"JSONfile=list.json&ID={i}&attribute={attribute}"
                     f"&value={value.format(i=i, p=100 + i)}&_dc={i}")
            start.wait()
            try:
                outcomes[i] = self.get("/varno.asp?" + query)
            except OSError as error:
                outcomes[i] = (None, str(error))

        def console(i):
            start.wait()
            proc = subprocess.run([self.folder.path("varno"), "list.json", str(i), "notes",
                                   f"console {i}"], cwd=self.folder.elsewhere,
                                  capture_output=True, timeout=DEADLINE_SECONDS)
            outcomes[i] = (proc.returncode, proc.stdout.decode("latin-1"))

        threads = [threading.Thread(target=web, args=(i,)) for i in range(1, WEB_REQUESTS + 1)]
        threads += [threading.Thread(target=console, args=(i,))
                    for i in range(WEB_REQUESTS + 1, WEB_REQUESTS + CONSOLE_RUNS + 1)]
        for thread in threads:
            thread.start()
        start.wait()
        started = time.monotonic()
        for thread in threads:
            thread.join(timeout=max(1, DEADLINE_SECONDS - (time.monotonic() - started)))
        elapsed = time.monotonic() - started
        self.assertFalse(any(thread.is_alive() for thread in threads), "requests still running")

        for i in range(1, WEB_REQUESTS + 1):
            status, page = outcomes[i]
            self.assertEqual(status, 200, page)
            self.assertIn("Exit status: 0<br>", page, f"request {i}")
        for i in range(WEB_REQUESTS + 1, WEB_REQUESTS + CONSOLE_RUNS + 1):
            status, output = outcomes[i]
            self.assertEqual(status, 0, output)

        items = {item["ID"]: item for item in
                 parse_list_file(self.folder.read("list.json"))["items"]}
        kept = 0
        for i in range(1, WEB_REQUESTS + 1):
            attribute, _, value = WEB_CHANGES[i % len(WEB_CHANGES)]
            got = items[i][MEMBER[attribute]]
            if value is None:
                self.assertRegex(got, r"^\d{8}$", f"item {i}")
            else:
                self.assertEqual(got, expected(value, i), f"item {i} {attribute}")
            kept += 1
        for i in range(WEB_REQUESTS + 1, WEB_REQUESTS + CONSOLE_RUNS + 1):
            self.assertEqual(items[i]["Notes"], f"console {i}")
            kept += 1
        print(f"\n{kept} of {WEB_REQUESTS + CONSOLE_RUNS} changes kept; all ended after "
              f"{elapsed:.1f} s", file=sys.stderr)


if __name__ == "__main__":
    unittest.main()
