"""Runs started at the same time on one list: none of their changes is lost."""

import subprocess
import unittest

from list_layout import entry, header, list_text, parse_list_file
from varno_e2e import FIXED_TIME, VarnoFolder, VarnoTestCase

RUNS = 20


class SimultaneousRuns(VarnoTestCase):
    def test_twenty_runs_on_different_items_lose_nothing(self):
        self.folder.write("list.json", list_text(
            header(next_id=11), [entry(i, i, f"{2 * i:03d}", f"Item {i}") for i in range(1, 11)]))
        env = self.folder.env(FIXED_TIME)
        # Half the runs change existing items, half add new ones (an item needs a
        # title or description to be kept); both request forms.
        requests = []
        for i in range(1, RUNS + 1):
            attribute = "notes" if i <= 10 else "title"
            if i % 2:
                requests.append(
                    [f"JSONfile=list.json&ID={i}&attribute={attribute}&value=run%20{i}&_dc=1"])
            else:
                requests.append(["list.json", str(i), attribute, f"run {i}"])
        procs = [subprocess.Popen([self.folder.exe, *args], cwd=self.folder.elsewhere, env=env,
                                  stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
                 for args in requests]
        for proc in procs:
            _, err = proc.communicate(timeout=120)
            self.assertEqual(proc.returncode, 0, err.decode(errors="replace"))
        document = parse_list_file(self.folder.read("list.json"))
        changed = {item["ID"]: item["Notes"] if item["ID"] <= 10 else item["Title"]
                   for item in document["items"]}
        self.assertEqual(changed, {i: f"run {i}" for i in range(1, RUNS + 1)})
        self.assertEqual(document["NextID"], RUNS + 1)
        self.assertEqual(self.folder.read("list-fri.json"), self.folder.read("list.json"))


class TwoCopiesOfTheProgram(VarnoTestCase):
    def test_the_copy_beside_the_list_and_one_elsewhere_take_turns(self):
        # The web server's copy lies beside the list; the user's own build
        # changes the list from its folder. Both must take the same lock.
        count = 1000
        self.folder.write("list.json", list_text(header(next_id=count + 1), [
            entry(i, i, f"{2 * i:03d}", f"Item {i}") for i in range(1, count + 1)]))
        other = VarnoFolder()
        self.addCleanup(other.cleanup)
        env = self.folder.env(FIXED_TIME)
        requests = [[self.folder.exe, "list.json"] if i % 2 else
                    [other.exe, self.folder.path("list.json")] for i in range(1, RUNS + 1)]
        procs = [subprocess.Popen([*request, str(i), "notes", f"run {i}"],
                                  cwd=self.folder.elsewhere, env=env,
                                  stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
                 for i, request in enumerate(requests, start=1)]
        for proc in procs:
            _, err = proc.communicate(timeout=120)
            self.assertEqual(proc.returncode, 0, err.decode(errors="replace"))
        document = parse_list_file(self.folder.read("list.json"))
        self.assertEqual({item["ID"]: item["Notes"] for item in document["items"][:RUNS]},
                         {i: f"run {i}" for i in range(1, RUNS + 1)})
        self.assertEqual(len(document["items"]), count)
        self.assertEqual(self.folder.read("list-fri.json"), self.folder.read("list.json"))


if __name__ == "__main__":
    unittest.main()
