#!/usr/bin/env python3
"""The payload packer's layout rules, on small made-up folders.

    make_payload_zip_test.py PATH/TO/make_payload_zip.py
"""
import os
import subprocess
import sys
import tempfile
import time
import unittest
import zipfile

PACKER = None


def write(path, data, mtime=None):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(data)
    if mtime is not None:
        os.utime(path, (mtime, mtime))


def read(path):
    with open(path, "rb") as f:
        return f.read()


class Packer(unittest.TestCase):
    def setUp(self):
        self.tmp = tempfile.TemporaryDirectory()
        self.root = self.tmp.name
        self.src = os.path.join(self.root, "src")
        self.out = os.path.join(self.root, "out.zip")

    def tearDown(self):
        self.tmp.cleanup()

    def pack(self, *extra, folder=None):
        args = [sys.executable, PACKER, self.out, folder or self.src, *extra]
        return subprocess.run(args, capture_output=True, text=True, check=True)

    def names(self):
        with zipfile.ZipFile(self.out) as z:
            return [i.filename for i in z.infolist()]

    def test_folders_come_before_their_files_in_a_fixed_order(self):
        for name in ["b.txt", "A.txt", "Zeta/z.txt", "beta/Deep/d.txt", "beta/c.txt", "Empty/"]:
            if name.endswith("/"):
                os.makedirs(os.path.join(self.src, name))
            else:
                write(os.path.join(self.src, *name.split("/")), b"x")
        self.pack()
        self.assertEqual(
            ["A.txt", "b.txt", "beta/", "beta/c.txt", "beta/Deep/", "beta/Deep/d.txt", "Empty/", "Zeta/",
             "Zeta/z.txt"],
            self.names())

    def test_the_same_input_gives_the_same_archive(self):
        write(os.path.join(self.src, "x", "a.bin"), os.urandom(3000), mtime=1700000000)
        write(os.path.join(self.src, "b.txt"), b"text " * 200, mtime=1700000000)
        os.utime(os.path.join(self.src, "x"), (1700000000, 1700000000))
        self.pack()
        first = read(self.out)
        self.pack()
        self.assertEqual(first, read(self.out))

    def test_deflates_only_where_it_pays(self):
        write(os.path.join(self.src, "text.txt"), b"Pixorra " * 500)
        write(os.path.join(self.src, "noise.bin"), os.urandom(4000))
        self.pack()
        with zipfile.ZipFile(self.out) as z:
            self.assertEqual(zipfile.ZIP_DEFLATED, z.getinfo("text.txt").compress_type)
            self.assertEqual(zipfile.ZIP_STORED, z.getinfo("noise.bin").compress_type)
            self.assertIsNone(z.testzip())
            self.assertEqual(b"Pixorra " * 500, z.read("text.txt"))

    def test_dos_attributes_and_times(self):
        stamp = time.mktime((2024, 5, 17, 13, 45, 31, 0, 0, -1))
        write(os.path.join(self.src, "Help", "h.chm"), b"h", mtime=stamp)
        write(os.path.join(self.src, "old.txt"), b"o", mtime=100000)  # 1970: before DOS time began
        self.pack()
        with zipfile.ZipFile(self.out) as z:
            help_file = z.getinfo("Help/h.chm")
            self.assertEqual((2024, 5, 17, 13, 45, 30), help_file.date_time)  # two-second steps, rounded down
            self.assertEqual(0x20, help_file.external_attr)
            self.assertEqual(0, help_file.create_system)
            folder = z.getinfo("Help/")
            self.assertEqual(0x10, folder.external_attr)
            self.assertEqual(0, folder.file_size)
            self.assertEqual((1980, 1, 1, 0, 0, 0), z.getinfo("old.txt").date_time)

    def test_release_date_on_every_entry_whatever_the_file_times(self):
        write(os.path.join(self.src, "Help", "h.chm"), b"h", mtime=1700000000)
        write(os.path.join(self.src, "old.txt"), b"o", mtime=100000)
        write(os.path.join(self.src, "new.txt"), b"n")
        self.pack("--date", "2026-10-14 04:42:01")
        first = read(self.out)
        with zipfile.ZipFile(self.out) as z:
            self.assertEqual({i.filename: (2026, 10, 14, 4, 42, 0) for i in z.infolist()},
                             {i.filename: i.date_time for i in z.infolist()})
        # Other file times, a build elsewhere: the same bytes.
        for name in ("Help/h.chm", "old.txt", "new.txt", "Help"):
            os.utime(os.path.join(self.src, *name.split("/")), (1800000000, 1800000000))
        self.pack("--date", "2026-10-14 04:42:01")
        self.assertEqual(first, read(self.out))

    def test_a_settings_file_at_the_top_is_left_out(self):
        write(os.path.join(self.src, "PX_MAIN64.INI"), b"[Toolbar]\r\nSkin=x\r\n")
        write(os.path.join(self.src, "Sub", "px_main64.ini"), b"kept: not the viewer's own")
        write(os.path.join(self.src, "px_main64.exe"), b"MZ")
        result = self.pack()
        self.assertEqual(["px_main64.exe", "Sub/", "Sub/px_main64.ini"], self.names())
        self.assertIn("leaving out PX_MAIN64.INI", result.stderr)

    def test_staging_copies_trees_and_files_and_drops_stale_ones(self):
        write(os.path.join(self.src, "doc.txt"), b"d", mtime=1700000000)
        built = os.path.join(self.root, "built.exe")
        write(built, b"MZ built", mtime=1700000100)
        stage = os.path.join(self.root, "stage")
        write(os.path.join(stage, "stale.txt"), b"from an earlier build")
        self.pack("--tree", self.src, "--file", "Languages/L.DLL=" + built, "--file", "v.exe=" + built,
                  folder=stage)
        self.assertEqual(["doc.txt", "v.exe", "Languages/", "Languages/L.DLL"], self.names())
        self.assertFalse(os.path.exists(os.path.join(stage, "stale.txt")))
        # Copies keep their times: the archive does not change with the moment of staging.
        self.assertEqual(1700000100, int(os.path.getmtime(os.path.join(stage, "v.exe"))))
        self.assertEqual(1700000100, int(os.path.getmtime(os.path.join(stage, "Languages"))))

    def test_bad_arguments_fail(self):
        for extra in (["--file", "no-equals-sign"], ["--tree"], ["--bogus", "x"], ["--date", "14.10.2026"],
                      ["--date", "2026-02-30 04:42:00"], ["--date", "1979-12-31 23:59:58"], ["--date"]):
            args = [sys.executable, PACKER, self.out, self.src, *extra]
            self.assertNotEqual(0, subprocess.run(args, capture_output=True).returncode, extra)
        self.assertFalse(os.path.exists(self.out))


if __name__ == "__main__":
    PACKER = sys.argv.pop(1)
    unittest.main(verbosity=1)
