"""Writes that fail: a list file that cannot be replaced ends the run with
exit status 1, a message on the console and in the log, and the old list file
byte for byte; a derived file that cannot be written leaves a line in the log
only. The failures are made for real: an immutable file, a read-only mount and
a full file system, each inside a mount namespace of the test's own."""

import os
import shutil
import socket
import stat
import subprocess
import tempfile
import threading
import unittest

from list_layout import entry, header, list_text, parse_list_file
from varno_e2e import VarnoTestCase

LIST_ERROR = (' ERROR: Writing "list.json" failed: the list file keeps its old contents '
              "and this run's change is lost.")


def many_items(count):
    return list_text(header(next_id=count + 1),
                     [entry(i, i, f"{2 * i:03d}", f"Item {i} " + "t" * 40, notes="n" * 200)
                      for i in range(1, count + 1)])


class FailedWriteTestCase(VarnoTestCase):
    def setUp(self):
        super().setUp()
        self.folder.write("list.json", many_items(300))
        # A first run leaves every page, copy and export in place.
        self.folder.run("list.json", check_status=0)
        self.before = self.folder.read("list.json")

    def assertNoTemporaryFiles(self, names):
        self.assertEqual([name for name in names if ".varno-tmp." in name], [])

    def assertListUntouched(self):
        self.assertEqual(self.folder.read("list.json"), self.before)

    def in_mount_namespace(self, script, *args):
        """Runs a shell script in a private mount namespace (what it mounts
        vanishes with it); skips the test where no such namespace can be made."""
        if subprocess.run(["unshare", "--mount", "true"], capture_output=True).returncode != 0:
            self.skipTest("no mount namespace can be made here")
        return subprocess.run(["unshare", "--mount", "--", "sh", "-euc", script, "sh", *args],
                              env=self.folder.env(), capture_output=True, timeout=120)


class ListFileCannotBeReplaced(FailedWriteTestCase):
    def make_immutable(self, name):
        path = self.folder.path(name)
        if subprocess.run(["chattr", "+i", path], capture_output=True).returncode != 0:
            self.skipTest("chattr +i does not work here")
        self.addCleanup(subprocess.run, ["chattr", "-i", path], capture_output=True)

    def test_immutable_list_file(self):
        self.make_immutable("list.json")
        # The dated copies are written alongside the list file; the lost
        # change must not reach them either.
        copies = {name: self.folder.read(name) for name in self.folder.files()
                  if name.startswith("list-") and name.endswith(".json")}
        self.assertEqual(len(copies), 2)
        proc = self.folder.run("list.json", "5", "title", "Lost change", check_status=1)
        console = self.console(proc)
        self.assertIn("9120" + LIST_ERROR, console)
        self.assertIn("9999 finally done!", console)
        self.assertTrue(any(line.startswith("9900 ExceptionRec.FileName=") for line in console))
        self.assertIn(" 9120" + LIST_ERROR, self.folder.log_messages())
        self.assertListUntouched()
        self.assertEqual({name: self.folder.read(name) for name in copies}, copies)
        self.assertNoTemporaryFiles(self.folder.files())

    def test_full_file_system(self):
        out = self.folder.elsewhere
        script = r"""
            folder=$1 out=$2
            mount -t tmpfs -o size=24m tmpfs "$folder"
            cp -a "$out/copy/." "$folder/"
            # Fill the file system, then free 16 KB: room for the log, not for the list.
            dd if=/dev/zero of="$folder/filler" bs=64k 2>/dev/null || true
            truncate -s -16K "$folder/filler"
            set +e
            "$folder/varno" list.json 5 title "Lost change" >"$out/console" 2>"$out/stderr"
            echo $? >"$out/status"
            set -e
            cp "$folder/list.json" "$folder/varno-log.txt" "$out/"
            ls -a "$folder" >"$out/files"
        """
        shutil.copytree(self.folder.dir, os.path.join(out, "copy"))
        proc = self.in_mount_namespace(script, self.folder.dir, out)
        self.assertEqual(proc.returncode, 0, proc.stderr.decode(errors="replace"))

        def read(name):
            with open(os.path.join(out, name), "rb") as f:
                return f.read().decode("latin-1")
        self.assertEqual(read("status").strip(), "1", read("console") + read("stderr"))
        self.assertIn("9120" + LIST_ERROR, read("console").split("\n"))
        log = [line[23:] for line in read("varno-log.txt").split("\r\n")]
        self.assertIn(" 9120" + LIST_ERROR, log)
        # The feed comes before the list file and does not fit either.
        self.assertIn(' 9110 Writing "listrss.xml" failed; it keeps its old contents.', log)
        with open(os.path.join(out, "list.json"), "rb") as f:
            self.assertEqual(f.read(), self.before)
        self.assertNoTemporaryFiles(read("files").split())


class FolderThatCannotBeFlushed(VarnoTestCase):
    def test_change_in_a_folder_the_user_may_write_but_not_read(self):
        # Such a folder cannot be opened to flush it once the list has taken
        # its place. The change is in place all the same: the run must not
        # call it lost (exit 1), and writes the copies and the exports.
        if os.geteuid() != 0 or not shutil.which("setpriv"):
            self.skipTest("needs root, to run the program as another user")
        lists = self.folder.path("lists")
        os.mkdir(lists)
        self.folder.write("lists/list.json", many_items(3))
        os.chown(self.folder.path("lists/list.json"), 65534, 65534)
        os.chown(lists, 65534, 65534)
        os.chmod(lists, 0o333)
        for folder in (self.folder.dir, self.folder.elsewhere):
            os.chmod(folder, 0o777)
        proc = subprocess.run(["setpriv", "--reuid=65534", "--regid=65534", "--clear-groups",
                               self.folder.exe, "lists/list.json", "2", "title", "Changed"],
                              cwd=self.folder.elsewhere, env=self.folder.env(time=None),
                              capture_output=True, timeout=60)
        self.assertEqual(proc.returncode, 0, proc.stdout.decode(errors="replace"))
        items = parse_list_file(self.folder.read("lists/list.json"))["items"]
        self.assertEqual(items[1]["Title"], "Changed")
        written = sorted(os.listdir(lists))
        self.assertEqual([name for name in written if ".varno-tmp." in name], [])
        copies = [name for name in written if name.startswith("list-") and name.endswith(".json")]
        self.assertEqual(len(copies), 2, written)
        self.assertIn("list.csv", written)


class NewListCannotBeCreated(VarnoTestCase):
    def test_new_list_in_a_missing_folder(self):
        proc = self.folder.run("missing/list.json", "1", "title", "x", check_status=1)
        console = self.console(proc)
        self.assertIn('920 ERROR: Creating "missing/list.json" failed.', console)
        self.assertNotIn(" missing/list.json created.", console)
        self.assertIn(' 920 ERROR: Creating "missing/list.json" failed.',
                      self.folder.log_messages())


class ReadOnlyFolder(FailedWriteTestCase):
    def run_in_read_only_folder(self, *args):
        """Runs the program with `args` in its folder made read-only; returns
        its exit status and console lines."""
        out = self.folder.elsewhere
        script = r"""
            folder=$1 out=$2
            shift 2
            mount --bind "$folder" "$folder"
            mount -o remount,bind,ro "$folder"
            set +e
            "$folder/varno" "$@" >"$out/console" 2>&1
            echo $? >"$out/status"
        """
        proc = self.in_mount_namespace(script, self.folder.dir, out, *args)
        self.assertEqual(proc.returncode, 0, proc.stderr.decode(errors="replace"))
        with open(os.path.join(out, "status")) as f:
            status = int(f.read())
        with open(os.path.join(out, "console"), "rb") as f:
            return status, f.read().decode().split("\n")

    def test_read_only_folder(self):
        status, console = self.run_in_read_only_folder("list.json", "5", "title", "Lost change")
        self.assertEqual(status, 1)
        self.assertIn(' ERROR: Cannot open the lock file "varno.lock" beside the program '
                      "(is its folder read-only?); nothing was changed.", console)
        self.assertListUntouched()

    def test_usage_text_in_a_read_only_folder(self):
        # A run without arguments changes nothing: it needs no lock.
        status, console = self.run_in_read_only_folder()
        self.assertEqual(status, 0)
        self.assertIn(" Usage: Varno JsonFile {Update_ID} {Update_Attribute} {Update_Value} ",
                      console)
        self.assertIn("9999 finally done!", console)
        self.assertFalse(any("ERROR" in line for line in console), console)


class ProtectedAndLinkedFiles(FailedWriteTestCase):
    """A file's own protection holds, also for root; a symbolic link stays a
    link to the file it names."""

    def mode(self, path):
        return stat.S_IMODE(os.stat(path).st_mode)

    def test_read_only_list_file_is_a_failed_list_write(self):
        os.chmod(self.folder.path("list.json"), 0o444)
        proc = self.folder.run("list.json", "5", "title", "Lost change", check_status=1)
        console = self.console(proc)
        self.assertIn("9120" + LIST_ERROR, console)
        self.assertTrue(any(line.startswith("9900 ExceptionRec.FileName=") for line in console))
        self.assertIn(" 9120" + LIST_ERROR, self.folder.log_messages())
        self.assertListUntouched()
        self.assertEqual(self.mode(self.folder.path("list.json")), 0o444)
        self.assertNoTemporaryFiles(self.folder.files())

    def test_read_only_derived_file_is_logged_and_the_run_succeeds(self):
        os.chmod(self.folder.path("list.csv"), 0o444)
        csv = self.folder.read("list.csv")
        self.folder.run("list.json", "5", "title", "Kept change", check_status=0)
        self.assertIn(' 9150 Writing "list.csv" failed; it keeps its old contents.',
                      self.folder.log_messages())
        self.assertEqual(self.folder.read("list.csv"), csv)
        items = parse_list_file(self.folder.read("list.json"))["items"]
        self.assertEqual(items[4]["Title"], "Kept change")

    def test_linked_files_are_replaced_through_their_links(self):
        # The list and its CSV export live in a synced folder, linked beside the program.
        synced = tempfile.mkdtemp(prefix="varno-synced-")
        self.addCleanup(shutil.rmtree, synced, True)
        for name in ("list.json", "list.csv"):
            shutil.move(self.folder.path(name), os.path.join(synced, name))
            os.symlink(os.path.join(synced, name), self.folder.path(name))
        self.folder.run("list.json", "5", "title", "Synced change", check_status=0)
        for name in ("list.json", "list.csv"):
            self.assertEqual(os.readlink(self.folder.path(name)), os.path.join(synced, name))
        with open(os.path.join(synced, "list.json"), "rb") as f:
            self.assertEqual(parse_list_file(f.read())["items"][4]["Title"], "Synced change")
        with open(os.path.join(synced, "list.csv"), "rb") as f:
            self.assertIn(b"Synced change", f.read())
        # The lock that a copy of the program working in that folder takes too.
        self.assertEqual(sorted(os.listdir(synced)), ["list.csv", "list.json", "varno.lock"])
        self.assertFalse(os.path.islink(self.folder.path("list-fri.json")))

    def test_copies_of_a_private_list_are_private(self):
        for name in ("list.json", "list-fri.json", "list-oct.json"):
            os.chmod(self.folder.path(name), 0o600 if name == "list.json" else 0o644)
        self.folder.run("list.json", "5", "title", "Private change", check_status=0)
        for name in ("list.json", "list-fri.json", "list-oct.json"):
            self.assertEqual(self.mode(self.folder.path(name)), 0o600, name)
        self.assertEqual(self.folder.read("list-oct.json"), self.folder.read("list.json"))


    def test_exports_made_for_a_private_list_are_private(self):
        # They hold the list's items: made anew, they are no more readable
        # than the list; one that exists keeps the permissions it was given.
        exports = [name for name in self.folder.files()
                   if name.endswith((".csv", ".ics", ".xml"))]
        self.assertEqual(len(exports), 4, exports)
        for name in exports[1:]:
            os.remove(self.folder.path(name))
        os.chmod(self.folder.path(exports[0]), 0o644)
        os.chmod(self.folder.path("list.json"), 0o600)
        # Under the usual mask a new file is readable by every user.
        mask = os.umask(0o022)
        try:
            self.folder.run("list.json", "5", "title", "Private change", check_status=0)
        finally:
            os.umask(mask)
        self.assertEqual({name: self.mode(self.folder.path(name)) for name in exports},
                         {name: 0o644 if name == exports[0] else 0o600 for name in exports})


class DevicesAndPipes(FailedWriteTestCase):
    """A name that leads to a character device or a named pipe is written
    into, as any program writing the name would; the device or pipe itself is
    never replaced by a plain file (with a link to /dev/null that would be
    the system's own)."""

    def kind_of(self, name):
        return stat.S_IFMT(os.stat(self.folder.path(name)).st_mode)

    def test_device_and_pipe_with_a_reader_take_the_text(self):
        try:
            os.mknod(self.folder.path("null-device"), stat.S_IFCHR | 0o666, os.makedev(1, 3))
        except PermissionError:
            self.skipTest("no device node can be made here")
        os.mkfifo(self.folder.path("feed-pipe"))
        os.remove(self.folder.path("list.ics"))
        os.symlink("null-device", self.folder.path("list.ics"))
        os.remove(self.folder.path("listrss.xml"))
        os.symlink("feed-pipe", self.folder.path("listrss.xml"))
        received = []

        def read_pipe():
            with open(self.folder.path("feed-pipe"), "rb") as pipe:
                received.append(pipe.read())
        reader = threading.Thread(target=read_pipe, daemon=True)
        reader.start()
        self.folder.run("list.json", "5", "title", "Piped change", check_status=0)
        reader.join(30)
        self.assertNotIn("failed", "".join(self.folder.log_messages()))
        self.assertEqual(self.kind_of("null-device"), stat.S_IFCHR)
        self.assertEqual(self.kind_of("feed-pipe"), stat.S_IFIFO)
        self.assertTrue(received and received[0].startswith(b"<?xml"), received)
        self.assertIn(b"Piped change", received[0])
        self.assertNoTemporaryFiles(self.folder.files())

    def test_pipe_without_reader_and_socket_are_failed_writes(self):
        os.mkfifo(self.folder.path("csv-pipe"))
        os.remove(self.folder.path("list.csv"))
        os.symlink("csv-pipe", self.folder.path("list.csv"))
        listener = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
        self.addCleanup(listener.close)
        os.remove(self.folder.path("listtoday.csv"))
        listener.bind(self.folder.path("listtoday.csv"))
        # A pipe nobody reads must not hold the run up.
        self.folder.run("list.json", "5", "title", "Kept change", check_status=0, timeout=30)
        log = self.folder.log_messages()
        self.assertIn(' 9150 Writing "list.csv" failed; it keeps its old contents.', log)
        self.assertIn(' 9160 Writing "listtoday.csv" failed; it keeps its old contents.', log)
        self.assertEqual(self.kind_of("csv-pipe"), stat.S_IFIFO)
        self.assertEqual(self.kind_of("listtoday.csv"), stat.S_IFSOCK)
        items = parse_list_file(self.folder.read("list.json"))["items"]
        self.assertEqual(items[4]["Title"], "Kept change")
        self.assertNoTemporaryFiles(self.folder.files())

    def test_run_log_linked_to_a_pipe_nobody_reads(self):
        # Its lines are lost; the run neither waits for a reader nor replaces the pipe.
        os.mkfifo(self.folder.path("log-pipe"))
        os.remove(self.folder.path("varno-log.txt"))
        os.symlink("log-pipe", self.folder.path("varno-log.txt"))
        self.folder.run("list.json", "5", "title", "Kept change", check_status=0, timeout=30)
        self.assertEqual(self.kind_of("log-pipe"), stat.S_IFIFO)
        items = parse_list_file(self.folder.read("list.json"))["items"]
        self.assertEqual(items[4]["Title"], "Kept change")
        self.assertNoTemporaryFiles(self.folder.files())


class DerivedFileCannotBeWritten(FailedWriteTestCase):
    def test_csv_export_in_the_way_is_logged_and_the_run_succeeds(self):
        os.remove(self.folder.path("list.csv"))
        os.mkdir(self.folder.path("list.csv"))
        proc = self.folder.run("list.json", "5", "title", "Kept change", check_status=0)
        self.assertNotIn(b"failed", proc.stdout)
        self.assertIn(' 9150 Writing "list.csv" failed; it keeps its old contents.',
                      self.folder.log_messages())
        items = parse_list_file(self.folder.read("list.json"))["items"]
        self.assertEqual(items[4]["Title"], "Kept change")
        self.assertNoTemporaryFiles(self.folder.files())


if __name__ == "__main__":
    unittest.main()
