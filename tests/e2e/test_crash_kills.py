"""Runs killed with SIGKILL at random moments: after every kill the list file
(and each copy of it) parses and holds either the old or the new content,
whole; the next normal run succeeds and leaves no temporary file behind, in
the program's folder or in the list's own."""

import os
import random
import re
import signal
import subprocess
import sys
import time
import unittest

from list_layout import entry, header, list_text, parse_list_file
from varno_e2e import FIXED_TIME, WINE, VarnoTestCase, remove_clock_segment

KILLS = 200
ITEMS = 200
ATTRIBUTES = ("notes", "title", "status", "flags")


def without_moment(list_file):
    """The list file without its "Updated" line, the moment it was written."""
    return re.sub(rb'\n  "Updated":"[^"\r\n]*",\r\n', b"\n", list_file, count=1)


class KilledRuns(VarnoTestCase):
    def request(self, i):
        item = 1 + (i * 37) % ITEMS
        return ["list.json", str(item), ATTRIBUTES[i % len(ATTRIBUTES)], f"kill {i}"]

    def json_files(self):
        return [name for name in self.folder.files() if name.endswith(".json")]

    def run_after_kill(self, args):
        """A normal run after a kill; a failing one shows what the folder and
        the end of the run log held."""
        try:
            self.folder.run(*args, check_status=0)
        except AssertionError as failure:
            log = self.folder.read("varno-log.txt") if self.folder.exists("varno-log.txt") else b""
            raise AssertionError(f"{failure}\nfiles: {sorted(self.folder.files())}\nlog ends:\n"
                                 + b"\n".join(log.splitlines()[-12:]).decode(errors="replace"))

    def normal_run_time(self):
        """How long a run lasts once started, as the kills below see it."""
        times = []
        for _ in range(3):
            started = time.monotonic()
            self.folder.run("list.json", check_status=0)
            times.append(time.monotonic() - started)
        return min(times)

    def test_two_hundred_kills_lose_nothing_and_leave_nothing(self):
        self.folder.write("list.json", list_text(
            header(next_id=ITEMS + 1),
            [entry(i, i, f"{2 * i:03d}", f"Item {i} " + "t" * 30, notes="n" * 80)
             for i in range(1, ITEMS + 1)]))
        run_time = self.normal_run_time()
        seed = int.from_bytes(os.urandom(4), "little")
        rng = random.Random(seed)
        # A run killed while it held the lock of a shared clock segment would
        # stop every later run at its start. So each killed run keeps a segment
        # of its own, removed after it; under Wine, whose launcher loads the
        # clock twice in one process, a killed run keeps the real clock instead,
        # and its list is compared without the moment it was written.
        env = self.folder.env(time=None if WINE else FIXED_TIME)
        if not WINE:
            env.pop("FAKETIME_SHARED", None)
        old = self.folder.read("list.json")
        outcomes = {"old": 0, "new": 0, "finished": 0, "temporary files left": 0}
        started = time.monotonic()
        for i in range(KILLS):
            with self.subTest(kill=i, seed=seed):
                args = self.request(i)
                # Half the moments anywhere in the run, half near its end, where
                # the writes happen.
                moment = run_time * (rng.uniform(0, 1.0) if i % 2 else rng.uniform(0.4, 0.9))
                proc = subprocess.Popen([self.folder.exe, *args], cwd=self.folder.elsewhere,
                                        env=env, stdout=subprocess.DEVNULL,
                                        stderr=subprocess.DEVNULL)
                time.sleep(moment)
                proc.send_signal(signal.SIGKILL)
                status = proc.wait(timeout=60)
                if not WINE:
                    remove_clock_segment(proc.pid)

                killed = self.folder.read("list.json")
                for name in self.json_files():
                    parse_list_file(self.folder.read(name))
                if any(".varno-tmp." in name for name in self.folder.files()):
                    outcomes["temporary files left"] += 1

                self.run_after_kill(args)
                new = self.folder.read("list.json")
                self.assertNotEqual(new, old)
                self.assertIn(without_moment(killed), (without_moment(old), without_moment(new)))
                self.assertEqual([name for name in self.folder.files() if ".varno-tmp." in name],
                                 [])
                outcomes["finished" if status == 0 else "old" if killed == old else "new"] += 1
                old = new
        elapsed = time.monotonic() - started
        print(f"\n{KILLS} kills on {ITEMS} items in {elapsed:.1f} s (a run takes "
              f"{run_time * 1000:.0f} ms): {outcomes}", file=sys.stderr)
        self.assertEqual(sum(outcomes[k] for k in ("old", "new", "finished")), KILLS)


class LeftoversOfKilledRuns(VarnoTestCase):
    def test_leftovers_beside_a_list_in_another_folder_are_removed(self):
        os.mkdir(self.folder.path("sub"))
        self.folder.write("sub/list.json", list_text(header(next_id=2), [entry(1, 1, "002", "a")]))
        ended = subprocess.Popen(["true"])
        ended.wait()
        dead = f"sub/list.json.varno-tmp.{ended.pid}"
        alive = f"sub/list.json.varno-tmp.{os.getpid()}"
        for name in (dead, alive, f"list.json.varno-tmp.{ended.pid}"):
            self.folder.write(name, "partial")
        self.folder.run("sub/list.json", "1", "title", "b", check_status=0)
        self.assertFalse(self.folder.exists(dead))
        self.assertFalse(self.folder.exists(f"list.json.varno-tmp.{ended.pid}"))
        self.assertTrue(self.folder.exists(alive), "a running writer's file is left alone")


if __name__ == "__main__":
    unittest.main()
