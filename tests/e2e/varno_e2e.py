"""Shared fixture of the end-to-end tests: a fresh folder holding a copy of the
built program, run from another folder with a fixed clock and time zone.

With VARNO_WINE=1 the tests run the Windows build instead: VARNO_BIN names
varno.exe, which is copied under that name and run under Wine in a session of
wine_session.py. Tests that cannot hold for it are listed in WINE_SKIPS."""

import atexit
import ctypes
import os
import shlex
import shutil
import socket
import stat
import subprocess
import sys
import tempfile
import time as clock
import unittest

import wine_session

VARNO_BIN = os.environ.get("VARNO_BIN", "")
# A Friday in October, so the weekday and month copies are list-fri and list-oct.
FIXED_TIME = "2025-10-03 13:53:07"
FAKETIME_LIB = "/usr/lib/x86_64-linux-gnu/faketime/libfaketime.so.1"
VERSION = "2025.10.3.1353"
RUN_LOG = "varno-log.txt"

WINE = os.environ.get("VARNO_WINE") == "1"
# The program's file name in its folder, as its banner shows it.
EXE_NAME = "varno.exe" if WINE else "varno"

# What cannot hold for the Windows build under Wine, and why. A key names a
# test module, a class ("module.Class") or one test ("module.Class.test").
WINE_SKIPS = {
    "test_run_frame.RunWithoutArguments.test_first_run_prints_usage_and_writes_the_bridge_page":
        "the banner names the program varno.exe (checked in tests/win32/test_windows_build.py)",
    "test_run_frame.RunWithoutArguments.test_second_run_keeps_the_bridge_page_and_replaces_the_log":
        "the banner names the program varno.exe (checked in tests/win32/test_windows_build.py)",
    "test_run_frame.RunWithoutArguments.test_only_the_expected_files_are_left":
        "the program's own file is varno.exe (checked in tests/win32/test_windows_build.py)",
    "test_run_frame.BridgePage.test_page_text":
        "the page starts the program by its Windows path, Z:\\...\\varno.exe "
        "(checked in tests/win32/test_windows_build.py)",
    "test_request.Refusals.test_list_existing_only_under_capitals":
        "Windows file names ignore case: the list is found under its lower-case name",
    "test_reliability_failed_writes.ListFileCannotBeReplaced.test_full_file_system":
        "the test mounts a file system in a mount namespace of its own, which Wine's server, "
        "the process that opens the program's files, does not see",
    "test_reliability_failed_writes.ReadOnlyFolder":
        "the test mounts a file system in a mount namespace of its own, which Wine's server, "
        "the process that opens the program's files, does not see",
    "test_reliability_failed_writes.ProtectedAndLinkedFiles.test_copies_of_a_private_list_are_private":
        "Wine keeps a file's access rules as Unix permission bits and reads them back widened "
        "(owner-only 0600 comes back as 0750); that the copies get the list's rules is checked "
        "through the Windows API in tests/win32/platform_win32_test.cpp",
    "test_reliability_failed_writes.ProtectedAndLinkedFiles.test_exports_made_for_a_private_list_are_private":
        "Wine keeps a file's access rules as Unix permission bits and reads them back widened "
        "(owner-only 0600 comes back as 0750); that a file takes another's rules is checked "
        "through the Windows API in tests/win32/platform_win32_test.cpp",
    "test_reliability_failed_writes.DevicesAndPipes":
        "device nodes, named pipes and sockets are Unix files that a Windows program never "
        "finds beside it",
    "test_one_clock_reading.MomentsTheLocalTimeCannotTell.test_a_leap_second_is_the_last_second_of_its_minute":
        "Windows counts no leap seconds: Wine reads the clock of a \"right/\" zone as 26 "
        "seconds later, never as second 60",
    "test_reliability_failed_writes.FolderThatCannotBeFlushed":
        "the test runs the program as another user, whom Wine's prefix does not belong to",
    "test_hostile_input.HostileValues.test_a_value_of_100_kb":
        "a Windows command line holds at most 32767 characters",
    "test_hostile_input.StuckRun":
        "the test holds the run lock with flock(), which the program's LockFileEx under Wine "
        "does not see (the bounded wait is a platform test of the Windows build)",
    "test_concurrency.TwoCopiesOfTheProgram":
        "the list is named by its Linux path (SameFile and FolderHoldingFile of the Windows "
        "layer are checked in tests/win32/platform_win32_test.cpp)",
    "test_crash_kills.LeftoversOfKilledRuns":
        "temporary files carry Windows process ids; the test's Linux process ids name no "
        "Windows process",
    "test_web_bridge":
        "varno-bridge is the Linux web server's handler and not part of the Windows build",
    "test_load_web":
        "the load goes through lighttpd and varno-bridge, the Linux web path",
    "test_serve":
        "scripts/serve runs lighttpd and varno-bridge, the Linux web path",
}


def wine_skip_reason(name):
    """The reason `name` (a test id or a class's dotted name) is skipped under Wine."""
    if not WINE:
        return None
    parts = name.split(".")
    for length in range(len(parts), 0, -1):
        reason = WINE_SKIPS.get(".".join(parts[:length]))
        if reason:
            return reason
    return None


_clock_segment = None


def remove_clock_segment(pid):
    """Removes the libfaketime segment the process `pid` made, if it is there."""
    for name in (f"/dev/shm/sem.faketime_sem_{pid}", f"/dev/shm/faketime_shm_{pid}"):
        try:
            os.remove(name)
        except FileNotFoundError:
            pass


def remove_stale_clock_segments():
    """Removes the segments of processes that are gone.

    A later process given such a pid takes the old segment as its own without
    a word, and when the old one was killed holding the segment's lock, every
    program sharing it waits for that lock for ever."""
    for name in os.listdir("/dev/shm"):
        for prefix in ("sem.faketime_sem_", "faketime_shm_"):
            digits = name[len(prefix):]
            if not (name.startswith(prefix) and digits.isdigit()):
                continue
            try:
                os.kill(int(digits), 0)
            except ProcessLookupError:
                remove_clock_segment(digits)
            except PermissionError:
                pass


def segment_lock_is_free(sem_name):
    """True when the segment's lock can be taken now (and it is given back)."""
    libc = ctypes.CDLL(None, use_errno=True)
    libc.sem_open.restype = ctypes.c_void_p
    libc.sem_open.argtypes = [ctypes.c_char_p, ctypes.c_int]
    sem = libc.sem_open(sem_name.encode(), 0)
    if not sem:
        return False
    taken = libc.sem_trywait(ctypes.c_void_p(sem)) == 0
    if taken:
        libc.sem_post(ctypes.c_void_p(sem))
    libc.sem_close(ctypes.c_void_p(sem))
    return taken


def start_clock_segment_owner():
    """A process that made a fresh libfaketime segment, and the segment's names."""
    env = dict(os.environ, LD_PRELOAD=FAKETIME_LIB, FAKETIME=FIXED_TIME)
    env.pop("FAKETIME_SHARED", None)
    # cat exits normally, removing its segment, once its input closes:
    # at this process's end, however it ends.
    owner = subprocess.Popen(["cat"], stdin=subprocess.PIPE, stdout=subprocess.DEVNULL, env=env)
    names = (f"/faketime_sem_{owner.pid}", f"/faketime_shm_{owner.pid}")
    for _ in range(100):
        if os.path.exists("/dev/shm" + names[1]):
            break
        clock.sleep(0.05)
    else:
        raise RuntimeError("libfaketime made no shared segment")
    return owner, names


def shared_clock_segment():
    """A libfaketime segment that lasts as long as this process, as
    FAKETIME_SHARED names it.

    A process that loads libfaketime without FAKETIME_SHARED makes a segment
    named after its pid and removes it only when it exits normally. A killed
    run or a Wine program ends without that, so it would leave its segment behind, and
    a later process given the same pid could not start. Programs that share one
    segment make none of their own."""
    global _clock_segment
    if _clock_segment is None:
        remove_stale_clock_segments()
        for _ in range(5):
            owner, names = start_clock_segment_owner()
            # A process that died between the sweep and the owner's start may
            # still have left a locked segment under the owner's pid.
            if segment_lock_is_free(names[0]):
                break
            owner.kill()
            owner.wait()
            remove_clock_segment(owner.pid)
        else:
            raise RuntimeError("libfaketime made no segment whose lock is free")
        atexit.register(lambda: (owner.stdin.close(), owner.wait()))
        _clock_segment = " ".join(names)
    return _clock_segment


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
                           "(use scripts/test or scripts/isolated)")
    if not VARNO_BIN or not os.path.exists(VARNO_BIN):
        raise RuntimeError("VARNO_BIN must name the built program")
    if WINE:
        wine_session.current()


class VarnoFolder:
    """A scratch folder with its own copy of the program."""

    def __init__(self):
        self.dir = tempfile.mkdtemp(prefix="varno-e2e-")
        self.elsewhere = tempfile.mkdtemp(prefix="varno-cwd-")
        # `program` is the copy; `exe` the command that runs it.
        self.program = os.path.join(self.dir, EXE_NAME)
        shutil.copy2(VARNO_BIN, self.program)
        self.exe = self.program
        self.launcher_dir = None
        if WINE:
            # Outside the program's folder, which the tests list.
            self.launcher_dir = tempfile.mkdtemp(prefix="varno-wine-run-")
            self.exe = os.path.join(self.launcher_dir, "varno")
            with open(self.exe, "w") as launcher:
                launcher.write(f'#!/bin/sh\nexec wine {shlex.quote(self.program)} "$@"\n')
            os.chmod(self.exe, stat.S_IRWXU)

    def cleanup(self):
        shutil.rmtree(self.dir, ignore_errors=True)
        shutil.rmtree(self.elsewhere, ignore_errors=True)
        if self.launcher_dir:
            shutil.rmtree(self.launcher_dir, ignore_errors=True)

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
            # Killed runs and Wine programs never remove a segment of their own.
            env["FAKETIME_SHARED"] = shared_clock_segment()
        if WINE:
            env = wine_session.environment(wine_session.current(), env)
        return env

    def run_log(self):
        return self.read(RUN_LOG) if self.exists(RUN_LOG) else None

    def run(self, *args, time=FIXED_TIME, tz="UTC", timeout=60, check_status=None):
        """Runs the program from another folder; returns the completed process."""
        command = dict(args=[self.exe, *args], cwd=self.elsewhere, env=self.env(time, tz),
                       stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=timeout)
        log_before = self.run_log() if WINE else None
        proc = subprocess.run(**command)
        # Every way the program itself ends with status 1 prints its last line.
        # Now and then Wine fails to start it: status 1, nothing printed and
        # nothing logged, the reason hidden with Wine's debug output. Such a
        # run never reached the program's code, and is made once more.
        if (WINE and proc.returncode == 1 and not proc.stdout and not proc.stderr
                and self.run_log() == log_before):
            print(f"\nWine failed to start {args}; running it once more", file=sys.stderr)
            proc = subprocess.run(**command)
        proc.raw_stdout = proc.stdout
        if WINE:
            # A Windows console program ends its lines with CR LF.
            proc.stdout = proc.stdout.replace(b"\r\n", b"\n")
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
        lines = self.read(RUN_LOG).decode("latin-1").split("\r\n")
        assert lines[-1] == "", "the run log must end with CR LF"
        return [line[23:] for line in lines[:-1]]


class VarnoTestCase(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        reason = wine_skip_reason(f"{cls.__module__}.{cls.__qualname__}")
        if reason:
            raise unittest.SkipTest(reason)
        require_isolation()

    def setUp(self):
        reason = wine_skip_reason(self.id())
        if reason:
            self.skipTest(reason)
        self.folder = VarnoFolder()
        self.addCleanup(self.folder.cleanup)

    def console(self, proc):
        return proc.stdout.decode("latin-1").split("\n")
