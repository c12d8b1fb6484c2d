"""Shared fixture of the end-to-end tests: a fresh folder holding a copy of the
built program, run from another folder with a fixed clock and time zone."""

import os
import shutil
import socket
import subprocess
import tempfile
import unittest

VARNO_BIN = os.environ.get("VARNO_BIN", "")
# A Friday in October, so the weekday and month copies are list-fri and list-oct.
FIXED_TIME = "2025-10-03 13:53:07"
FAKETIME_LIB = "/usr/lib/x86_64-linux-gnu/faketime/libfaketime.so.1"
VERSION = "2025.10.3.1353"


def network_is_isolated():
    """True inside a namespace whose only interface is loopback."""
    # Ask the kernel for this namespace's interfaces; /sys/class/net may show the host's.
    try:
        return [name for _, name in socket.if_nameindex()] == ["lo"]
    except OSError:
        return False


def require_isolation():
    # The program broadcasts a notice when it fails; it must never reach a real network.
    if not network_is_isolated():
        raise RuntimeError("end-to-end tests must run inside a private network namespace "
                           "(use scripts/test or ../shared/tools/isolated)")
    if not VARNO_BIN or not os.path.exists(VARNO_BIN):
        raise RuntimeError("VARNO_BIN must name the built program")


class VarnoFolder:
    """A scratch folder with its own copy of the program."""

    def __init__(self):
        self.dir = tempfile.mkdtemp(prefix="varno-e2e-")
        self.elsewhere = tempfile.mkdtemp(prefix="varno-cwd-")
        self.exe = os.path.join(self.dir, "varno")
        shutil.copy2(VARNO_BIN, self.exe)

    def cleanup(self):
        shutil.rmtree(self.dir, ignore_errors=True)
        shutil.rmtree(self.elsewhere, ignore_errors=True)

    def env(self, time=FIXED_TIME, tz="UTC"):
        env = dict(os.environ)
        env["TZ"] = tz
        if time is not None:
            env["LD_PRELOAD"] = FAKETIME_LIB
            env["FAKETIME"] = time
            env["FAKETIME_DONT_RESET"] = "1"
            # The leak checker's exit-time scan cannot run under libfaketime;
            # the unit tests and the unfaked runs keep it.
            env["ASAN_OPTIONS"] = "verify_asan_link_order=0:detect_leaks=0"
        return env

    def run(self, *args, time=FIXED_TIME, tz="UTC", timeout=60, check_status=None):
        """Runs the program from another folder; returns the completed process."""
        proc = subprocess.run([self.exe, *args], cwd=self.elsewhere, env=self.env(time, tz),
                              stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=timeout)
        if check_status is not None and proc.returncode != check_status:
            raise AssertionError(f"exit {proc.returncode}, wanted {check_status}\n"
                                 f"stdout:\n{proc.stdout.decode(errors='replace')}\n"
                                 f"stderr:\n{proc.stderr.decode(errors='replace')}")
        return proc

    def path(self, name):
        return os.path.join(self.dir, name)

    def read(self, name):
        with open(self.path(name), "rb") as f:
            return f.read()

    def write(self, name, data):
        if isinstance(data, str):
            data = data.encode()
        with open(self.path(name), "wb") as f:
            f.write(data)

    def exists(self, name):
        return os.path.exists(self.path(name))

    def files(self):
        return sorted(os.listdir(self.dir))

    def log_messages(self):
        """The run log's lines without their time stamps: a traced line keeps the blank
        that follows the stamp, as in " 110 sAllParams=..."."""
        lines = self.read("varno-log.txt").decode("latin-1").split("\r\n")
        assert lines[-1] == "", "the run log must end with CR LF"
        return [line[23:] for line in lines[:-1]]


class VarnoTestCase(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        require_isolation()

    def setUp(self):
        self.folder = VarnoFolder()
        self.addCleanup(self.folder.cleanup)

    def console(self, proc):
        return proc.stdout.decode("latin-1").split("\n")
