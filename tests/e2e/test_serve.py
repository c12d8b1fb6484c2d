"""scripts/serve, the Linux web server of the pages: which files it hands out,
its users and their passwords, HTTPS with the certificate it makes, and the
addresses it refuses to listen on without them. Servers listen inside the
test's private network namespace; every request goes to 127.0.0.1."""

import base64
import hashlib
import http.client
import os
import re
import shutil
import signal
import socket
import ssl
import stat
import subprocess
import tempfile
import time
import unittest
import urllib.parse

from list_layout import parse_list_file
from varno_e2e import VarnoTestCase

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
SERVE = os.path.join(ROOT, "scripts", "serve")
BUILD_DIR = os.environ.get("VARNO_BUILD_DIR", "")
CHANGE = "/varno.asp?JSONfile=home.json&ID=1&attribute=title&value=Changed%20by%20web&_dc=1"


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


class ServeTestCase(VarnoTestCase):
    def setUp(self):
        super().setUp()
        if not os.path.exists(os.path.join(BUILD_DIR, "varno-bridge")):
            raise RuntimeError("VARNO_BUILD_DIR must hold the built varno and varno-bridge")
        self.env = {**os.environ, "VARNO_BUILD_DIR": BUILD_DIR}
        self.tls_context = None

    def serve_command(self, *options, stdin=""):
        return subprocess.run([SERVE, *options], input=stdin.encode(), env=self.env,
                              stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=120)

    def add_user(self, name, password):
        proc = self.serve_command("--add-user", name, self.folder.dir, stdin=password + "\n")
        self.assertEqual(proc.returncode, 0, proc.stderr)

    def start(self, *options):
        """Starts scripts/serve on a free port; returns once it answers."""
        self.port = free_port()
        out = tempfile.NamedTemporaryFile(prefix="varno-serve-out-", delete=False)
        self.addCleanup(os.remove, out.name)
        server = subprocess.Popen([SERVE, *options, self.folder.dir, str(self.port)], env=self.env,
                                  stdout=out, stderr=subprocess.STDOUT, start_new_session=True)
        self.addCleanup(self.stop, server)
        self.server = server
        deadline = time.monotonic() + 60
        while time.monotonic() < deadline:
            if server.poll() is not None:
                self.fail("scripts/serve ended early:\n" + open(out.name).read())
            try:
                socket.create_connection(("127.0.0.1", self.port), timeout=1).close()
                break
            except OSError:
                time.sleep(0.1)
        else:
            self.fail("scripts/serve did not listen in time")
        with open(out.name) as printed:
            return printed.read().splitlines()

    @staticmethod
    def stop(server):
        if server.poll() is None:
            server.send_signal(signal.SIGTERM)
            try:
                server.wait(timeout=30)
            except subprocess.TimeoutExpired:
                os.killpg(server.pid, signal.SIGKILL)
                server.wait()

    def get(self, path, user=None, password=None, host=None):
        if self.tls_context:
            connection = http.client.HTTPSConnection("127.0.0.1", self.port, timeout=60,
                                                     context=self.tls_context)
        else:
            connection = http.client.HTTPConnection("127.0.0.1", self.port, timeout=60)
        headers = {} if host is None else {"Host": host}
        if user is not None:
            token = base64.b64encode(f"{user}:{password}".encode()).decode()
            headers["Authorization"] = "Basic " + token
        try:
            connection.request("GET", path, headers=headers)
            answer = connection.getresponse()
            return answer.status, answer.read()
        finally:
            connection.close()

    def status(self, path, user=None, password=None):
        return self.get(path, user, password)[0]

    def bare_address(self):
        """The answer to "/": its status and its Location and Server headers."""
        connection = http.client.HTTPConnection("127.0.0.1", self.port, timeout=60)
        try:
            connection.request("GET", "/")
            answer = connection.getresponse()
            return answer.status, answer.getheader("Location"), answer.getheader("Server") or ""
        finally:
            connection.close()


class ServedFiles(ServeTestCase):
    def test_only_what_the_pages_need_is_served(self):
        self.start()
        self.assertEqual(self.status("/varno.asp?JSONfile=home.json"), 200)
        # Written after the runs, which clear away a killed run's temporaries.
        self.folder.write("E!Varno-20251003135307123.xml", "<HostName>secret</HostName>")
        self.folder.write("home.json.varno-tmp.4242", "{}")
        names = self.folder.files()
        copies = [n for n in names if re.fullmatch(r"home-[a-z]{3}\.(json|html)", n)]
        self.assertEqual(len(copies), 4, names)
        served = ["homerss.html", "home.html", "home.json", "home.csv", "hometoday.csv",
                  "homerss.xml", "home.ics", *copies]
        for name in served:
            with self.subTest(served=name):
                self.assertEqual(self.get("/" + name), (200, self.folder.read(name)))
        self.assertEqual(self.status("/touch-2.4.2/sencha-touch-all.js"), 200)
        # Everything else in the folder, whatever a later version leaves there.
        for name in sorted(set(names) - set(served) - {"varno.asp", "touch-2.4.2"}):
            with self.subTest(refused=name):
                self.assertEqual(self.status("/" + name), 403)
        for path in ["/varno%2Dlog.txt", "/E%21Varno-20251003135307123.xml", "/./varno",
                     "/touch-2.4.2/../varno-bridge", "/touch-2.4.2/", "/%2e%2e/varno.lock"]:
            with self.subTest(refused=path):
                self.assertEqual(self.status(path), 403)

    def test_the_bare_address_leads_to_the_viewer(self):
        self.start()
        self.assertEqual(self.bare_address()[:2], (302, "/homerss.html"))

    def test_no_list_name_is_read_as_a_request_at_start(self):
        shutil.copy(os.path.join(ROOT, "examples", "home.json"), self.folder.path("home.json"))
        before = self.folder.read("home.json")
        planted = "jsonfile=home.json&id=1&attribute=title&value=replayed&_dc.json"
        self.folder.write(planted, before)
        self.start()
        self.assertNotIn(b"replayed", self.folder.read("home.json"))

    def test_a_list_the_program_refuses_is_named_and_not_offered(self):
        shutil.copy(os.path.join(ROOT, "examples", "home.json"), self.folder.path("Home.json"))
        printed = self.start()
        self.assertIn('scripts/serve: "Home.json" was not published:', printed)
        self.assertTrue(any(' ERROR: Request refused: the list file is looked up as "home.json"'
                            in line for line in printed), printed)
        self.assertFalse(any(line.endswith("rss.html") for line in printed), printed)


    def test_only_this_machines_own_names_are_served_on_loopback(self):
        # A page whose name an attacker points at 127.0.0.1 (DNS rebinding)
        # must neither read a list nor change one.
        self.start()
        before = self.folder.read("home.json")
        for host in (f"attacker.example:{self.port}", "attacker.example",
                     f"127.0.0.1.nip.io:{self.port}"):
            with self.subTest(host=host):
                self.assertEqual(self.get("/home.json", host=host)[0], 403)
                self.assertEqual(self.get(CHANGE, host=host)[0], 403)
        self.assertEqual(self.folder.read("home.json"), before)
        for host in (f"127.0.0.1:{self.port}", f"localhost:{self.port}", "LOCALHOST",
                     "127.0.0.2"):
            with self.subTest(host=host):
                self.assertEqual(self.get("/home.json", host=host), (200, before))

    def test_a_list_name_cannot_write_the_servers_configuration(self):
        # A list's name is anybody's text (a web request may make a list, a
        # user may copy one in), and each start reads the names.
        self.start()
        injected = ('!") server.tag = "injected-by-a-list-name" var.x = (".json')
        query = ("/varno.asp?JSONfile=" + urllib.parse.quote(injected, safe="!()=") +
                 "&ID=1&attribute=title&value=x&_dc=1")
        self.assertEqual(self.status(query), 200)
        self.assertFalse(self.folder.exists(injected.lower()), "refused from the web")
        self.folder.write(injected.lower(), self.folder.read("home.json"))
        self.stop(self.server)
        self.start()
        status, location, server = self.bare_address()
        self.assertEqual((status, location), (302, "/homerss.html"))
        self.assertNotIn("injected", server)

    def test_the_query_reaches_the_run_as_typed(self):
        # The server rewrites the query it hands on (escapes decoded or put in
        # capitals, braces escaped): the run must see it as the editor sent it.
        self.start()
        query = r"JSONfile=home.json&ID=3&attribute=notes&value=a%2cb%7e%41%c3%a9|{x}\y^`&_dc=1"
        self.assertEqual(self.status("/varno.asp?" + query), 200)
        self.assertIn(f' 110 sAllParams="{query}"', self.folder.log_messages())

    def test_a_long_note_is_saved(self):
        # The editor sends a change in the address: a note of some pages must
        # fit in a request line (the server's default allows 8 KB).
        self.start()
        note = "Long note. " * 3000
        query = "JSONfile=home.json&ID=3&attribute=notes&value=" + note.replace(" ", "%20")
        self.assertEqual(self.status("/varno.asp?" + query + "&_dc=1"), 200)
        items = parse_list_file(self.folder.read("home.json"))["items"]
        self.assertEqual([item["Notes"] for item in items if item["ID"] == 3], [note])

    def test_files_made_while_serving_are_private(self):
        self.start()
        query = "JSONfile=private.json&ID=1&attribute=title&value=Secret&_dc=1"
        self.assertEqual(self.status("/varno.asp?" + query), 200)
        for name in ("private.json", "private.csv", "privaterss.html", "private.html"):
            self.assertEqual(os.stat(self.folder.path(name)).st_mode & 0o077, 0, name)

    def test_a_linked_list_is_served(self):
        # A list kept in a synced folder, linked beside the program.
        synced = tempfile.mkdtemp(prefix="varno-synced-")
        self.addCleanup(shutil.rmtree, synced, True)
        shutil.copy(os.path.join(ROOT, "examples", "home.json"), os.path.join(synced, "work.json"))
        os.symlink(os.path.join(synced, "work.json"), self.folder.path("work.json"))
        self.start()
        self.assertFalse(self.folder.exists("home.json"))
        self.assertEqual(self.status("/workrss.html"), 200)


class Users(ServeTestCase):
    def users_file(self):
        return self.folder.read(".varno-users").decode()

    def test_a_user_is_stored_as_a_salted_hash_only_its_owner_reads(self):
        self.add_user("alice", "correct horse")
        self.add_user("bob", "correct horse")
        self.add_user("alice", "battery staple")
        lines = self.users_file().splitlines()
        self.assertEqual([line.split(":")[0] for line in lines], ["bob", "alice"])
        for line in lines:
            self.assertRegex(line, r"^[a-z]+:\$6\$[./0-9A-Za-z]{1,16}\$[./0-9A-Za-z]{86}$")
        self.assertNotIn("correct", self.users_file())
        self.assertNotIn("battery", self.users_file())
        mode = os.stat(self.folder.path(".varno-users")).st_mode
        self.assertEqual(stat.S_IMODE(mode), 0o600)

    def test_bad_names_empty_passwords_and_unknown_users_change_nothing(self):
        self.add_user("alice", "pw")
        before = self.users_file()
        for name in ["a:b", "", "a b", "x" * 65]:
            with self.subTest(name=name):
                proc = self.serve_command("--add-user", name, self.folder.dir, stdin="pw\n")
                self.assertEqual(proc.returncode, 64)
        self.assertEqual(self.serve_command("--add-user", "bob", self.folder.dir,
                                            stdin="\n").returncode, 1)
        proc = self.serve_command("--remove-user", "carol", self.folder.dir)
        self.assertEqual(proc.returncode, 1)
        self.assertIn(b'no user "carol"', proc.stderr)
        self.assertEqual(self.users_file(), before)

    def test_every_request_needs_a_listed_user(self):
        self.add_user("alice", "pw one")
        self.start()
        list_before = self.folder.read("home.json")
        # The bare address too: its redirect would name a list.
        paths = ["/", "/homerss.html", "/home.json", "/home.csv", "/home.ics", CHANGE]
        for path in paths:
            for credentials in [(None, None), ("alice", "wrong"), ("mallory", "pw one"),
                                ("alice", "pw one\n"), ("alice", "")]:
                with self.subTest(path=path, credentials=credentials):
                    self.assertEqual(self.status(path, *credentials), 401)
        self.assertEqual(self.folder.read("home.json"), list_before)
        for path in paths[1:]:
            with self.subTest(path=path):
                self.assertEqual(self.status(path, "alice", "pw one"), 200)
        self.assertEqual(self.status("/", "alice", "pw one"), 302)
        self.assertIn(b'"Title":"Changed by web",', self.folder.read("home.json"))

    def test_a_new_password_and_a_removed_user_take_effect_while_serving(self):
        self.add_user("alice", "first")
        self.start()
        self.assertEqual(self.status("/home.json", "alice", "first"), 200)
        self.add_user("alice", "second")
        self.assertEqual(self.status("/home.json", "alice", "first"), 401)
        self.assertEqual(self.status("/home.json", "alice", "second"), 200)
        removed = self.serve_command("--remove-user", "alice", self.folder.dir)
        self.assertEqual(removed.returncode, 0)
        self.assertEqual(self.status("/home.json", "alice", "second"), 401)
        # The last user gone, nobody gets in: the user is told so.
        self.assertIn(b"no user is left: every request is refused", removed.stderr)


class Tls(ServeTestCase):
    def setUp(self):
        super().setUp()
        self.add_user("alice", "pw")
        self.cert = self.folder.path(".varno-tls/cert.pem")

    def start_tls(self):
        printed = self.start("--listen", "0.0.0.0", "--tls")
        self.tls_context = ssl.create_default_context(cafile=self.cert)
        return printed

    def printed_fingerprint(self, printed):
        lines = [line for line in printed if line.startswith("Certificate SHA-256 fingerprint: ")]
        self.assertEqual(len(lines), 1, printed)
        return lines[0].split(": ")[1]

    def certificate_fingerprint(self):
        with open(self.cert) as f:
            der = ssl.PEM_cert_to_DER_cert(f.read())
        return ":".join(f"{byte:02X}" for byte in hashlib.sha256(der).digest())

    def test_https_with_the_made_certificate_pinned(self):
        printed = self.start_tls()
        self.assertIn(f"https://127.0.0.1:{self.port}/homerss.html", printed)
        self.assertEqual(self.printed_fingerprint(printed), self.certificate_fingerprint())
        key_mode = os.stat(self.folder.path(".varno-tls/key.pem")).st_mode
        self.assertEqual(stat.S_IMODE(key_mode), 0o600)
        self.assertEqual(self.get("/home.json", "alice", "pw"),
                         (200, self.folder.read("home.json")))
        self.assertEqual(self.status("/home.json"), 401)
        self.assertEqual(self.status(CHANGE, "alice", "pw"), 200)
        self.assertIn(b'"Title":"Changed by web",', self.folder.read("home.json"))

    @staticmethod
    def make_certificate(cert, key):
        subprocess.run(["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "2",
                        "-subj", "/CN=own", "-addext", "subjectAltName=IP:127.0.0.1",
                        "-keyout", key, "-out", cert], check=True, capture_output=True)

    def test_plain_http_and_another_certificate_fail(self):
        self.start_tls()
        other = os.path.join(self.folder.elsewhere, "other.pem")
        self.make_certificate(other, os.path.join(self.folder.elsewhere, "other-key.pem"))
        self.tls_context = ssl.create_default_context(cafile=other)
        with self.assertRaises(ssl.SSLCertVerificationError):
            self.get("/home.json", "alice", "pw")
        self.tls_context = None
        with self.assertRaises((http.client.HTTPException, ConnectionError)):
            self.get("/home.json", "alice", "pw")

    def test_the_certificate_is_made_once_and_its_folder_is_never_served(self):
        first = self.printed_fingerprint(self.start_tls())
        self.stop(self.server)
        self.assertEqual(self.printed_fingerprint(self.start_tls()), first)
        for path in ["/.varno-users", "/.varno-tls/key.pem", "/.varno-tls/cert.pem",
                     "/.varno-tls/", "/%2evarno-tls/key.pem"]:
            with self.subTest(path=path):
                self.assertEqual(self.status(path, "alice", "pw"), 403)

    def test_a_certificate_of_ones_own_is_used(self):
        os.mkdir(self.folder.path(".varno-tls"))
        self.make_certificate(self.cert, self.folder.path(".varno-tls/key.pem"))
        own = self.certificate_fingerprint()
        self.assertEqual(self.printed_fingerprint(self.start_tls()), own)
        self.assertEqual(self.status("/homerss.html", "alice", "pw"), 200)


class Refusals(ServeTestCase):
    def refused(self, *options):
        port = str(free_port())
        proc = self.serve_command(*options, self.folder.dir, port)
        self.assertEqual(proc.returncode, 64, proc.stderr)
        self.assertEqual(len(proc.stderr.decode().splitlines()), 1, proc.stderr)
        self.assertEqual(proc.stdout, b"")
        with self.assertRaises(OSError):
            socket.create_connection(("127.0.0.1", int(port)), timeout=1).close()
        return proc.stderr.decode()

    def test_other_addresses_need_a_user_and_tls(self):
        files = self.folder.files()
        self.assertIn("a user", self.refused("--listen", "0.0.0.0"))
        self.assertIn("a user", self.refused("--listen", "0.0.0.0", "--tls"))
        self.assertIn("a user", self.refused("--listen", "::", "--tls"))
        self.assertEqual(self.folder.files(), files)
        self.add_user("alice", "pw")
        message = self.refused("--listen", "0.0.0.0")
        self.assertIn("--tls", message)
        self.assertNotIn("a user", message)
        self.assertIn("--tls", self.refused("--listen=10.1.2.3"))

    def test_what_is_no_address_or_no_port(self):
        self.assertIn("IPv4 or IPv6", self.refused("--listen", "example.com"))
        self.assertIn("IPv4 or IPv6", self.refused("--listen", "256.1.1.1"))
        self.assertIn("PORT", self.serve_command(self.folder.dir, "0").stderr.decode())
        self.assertIn("unknown option", self.refused("--tsl"))


if __name__ == "__main__":
    unittest.main()
