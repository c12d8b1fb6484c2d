"""The benchmark's floor (bench/floor.c) and how bench/run sets it to write what
a varno run writes: the floor is only a fair yardstick if it writes exactly the
same names and sizes and replaces files the way varno does."""

import importlib.machinery
import importlib.util
import os
import shutil
import subprocess
import tempfile
import unittest

BENCH = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "bench")
BUFFER = 256 * 1024


def load_bench_run():
    loader = importlib.machinery.SourceFileLoader("bench_run", os.path.join(BENCH, "run"))
    module = importlib.util.module_from_spec(importlib.util.spec_from_loader(loader.name, loader))
    loader.exec_module(module)
    return module


class FloorTestCase(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.build = tempfile.mkdtemp(prefix="varno-floor-build-")
        cls.floor = os.path.join(cls.build, "floor")
        subprocess.run(["cc", "-O2", "-std=c11", "-static", "-Wall", "-Wextra", "-Werror",
                        os.path.join(BENCH, "floor.c"), "-o", cls.floor], check=True)

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.build)

    def setUp(self):
        self.folder = tempfile.mkdtemp(prefix="varno-floor-")
        self.addCleanup(shutil.rmtree, self.folder)

    def path(self, name):
        return os.path.join(self.folder, name)

    def write(self, name, data):
        with open(self.path(name), "wb") as f:
            f.write(data)

    def read(self, name):
        with open(self.path(name), "rb") as f:
            return f.read()

    def floor_run(self, *args):
        return subprocess.run([self.floor, *args], cwd=self.folder, capture_output=True,
                              text=True, timeout=60)


class FloorWrites(FloorTestCase):
    def test_sizes_around_the_buffer_from_short_and_long_lists(self):
        sizes = [0, 1, 999, BUFFER - 1, BUFFER, BUFFER + 1, 3 * BUFFER + 17]
        for list_size in (0, 1000, BUFFER + 5000):
            with self.subTest(list_size=list_size):
                text = bytes(range(256)) * (list_size // 256) + b"x" * (list_size % 256)
                self.write("l.json", text)
                proc = self.floor_run("l.json", f"l.json={len(text)}",
                                      *(f"f{size}.csv={size}" for size in sizes))
                self.assertEqual(proc.returncode, 0, proc.stderr)
                for size in sizes:
                    data = self.read(f"f{size}.csv")
                    self.assertEqual(len(data), size)
                    if 0 < list_size < BUFFER:
                        # A short list is repeated whole.
                        self.assertEqual(data, (text * (size // list_size + 1))[:size])
                self.assertEqual(len(self.read("l.json")), len(text))
                self.assertEqual(sorted(os.listdir(self.folder)),
                                 sorted(["l.json", *(f"f{size}.csv" for size in sizes)]))

    def test_files_are_replaced_not_rewritten_in_place(self):
        self.write("l.json", b"{}" * 100)
        self.write("out.csv", b"old csv")
        os.link(self.path("l.json"), self.path("old-list"))
        os.link(self.path("out.csv"), self.path("old-csv"))
        proc = self.floor_run("l.json", "l.json=300", "out.csv=50")
        self.assertEqual(proc.returncode, 0, proc.stderr)
        # A reader holding the old files still sees them whole.
        self.assertEqual(self.read("old-list"), b"{}" * 100)
        self.assertEqual(self.read("old-csv"), b"old csv")
        self.assertEqual(len(self.read("l.json")), 300)
        self.assertEqual(len(self.read("out.csv")), 50)
        self.assertNotIn("l.json.floor-tmp", os.listdir(self.folder))


class BenchFloorCases(FloorTestCase):
    """bench/run measures what a run wrote and hands it to the floor."""

    def test_floor_writes_the_names_and_sizes_a_run_wrote(self):
        bench = load_bench_run()
        varno = os.path.join(self.folder, "varno")
        os.makedirs(varno)
        for name, size in (("bench.json", 5000), ("bench.csv", 700), ("keep.html", 30)):
            with open(os.path.join(varno, name), "wb") as f:
                f.write(b"x" * size)
        original = b"[" * 5000
        run = bench.Case("varno", varno, ["true"], {os.path.join(varno, "bench.json"): original})
        before = bench.snapshot(varno)
        # What a run does: replace two files and the log, leave the page as it is.
        for name, size in (("bench.csv", 900), ("bench.json", 5200), ("varno-log.txt", 90)):
            with open(os.path.join(varno, name + ".tmp"), "wb") as f:
                f.write(b"y" * size)
            os.replace(os.path.join(varno, name + ".tmp"), os.path.join(varno, name))
        run.written = bench.written_files(before, bench.snapshot(varno))
        self.assertEqual(run.written, {"bench.json": 5200, "bench.csv": 900, "varno-log.txt": 90})

        streaming, in_memory = bench.floor_cases(self.folder, self.floor, "unused", run)
        for case in (streaming, in_memory):
            self.assertEqual(case.command[1:3], ["bench.json", "bench.json=5200"])
            self.assertEqual(sorted(case.command[3:]), ["bench.csv=900", "varno-log.txt=90"])
        streaming.run_once()
        self.assertEqual(streaming.written, run.written)
        self.assertEqual(streaming.restore, {streaming.folder + "/bench.json": original})


if __name__ == "__main__":
    unittest.main()
