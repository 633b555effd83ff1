#!/usr/bin/env python3
"""The final unsigned form of our programs: signing one and removing the
signature again gives back exactly its bytes, and the build leaves every
program in that form.

    pe_checksum_test.py PATH/TO/pe_checksum.py PROGRAM...
"""
import importlib.util
import os
import struct
import subprocess
import sys
import tempfile
import unittest

FINISHER = None
PROGRAMS = []


def load_finisher():
    found = importlib.util.spec_from_file_location("pe_checksum", FINISHER)
    module = importlib.util.module_from_spec(found)
    found.loader.exec_module(module)
    return module


def read(path):
    with open(path, "rb") as f:
        return f.read()


def write(path, data):
    with open(path, "wb") as f:
        f.write(data)


def as_linked(data, finisher, tail):
    """The program as the linker leaves it: checksum 0, and a length that is
    no multiple of 8 when tail is given."""
    offset = finisher.checksum_offset(data)
    return data[:offset] + b"\0\0\0\0" + data[offset + 4:] + tail


class Finisher(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.pe = load_finisher()
        cls.tmp = tempfile.TemporaryDirectory()
        cls.cert = os.path.join(cls.tmp.name, "cert.pem")
        cls.key = os.path.join(cls.tmp.name, "key.pem")
        subprocess.run(["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "1",
                        "-subj", "/CN=Pixorra checksum test", "-keyout", cls.key, "-out", cls.cert],
                       check=True, capture_output=True)

    @classmethod
    def tearDownClass(cls):
        cls.tmp.cleanup()

    def path(self, name):
        return os.path.join(self.tmp.name, name)

    def finish(self, path):
        return subprocess.run([sys.executable, FINISHER, path], capture_output=True, text=True)

    def test_the_build_leaves_every_program_finished(self):
        for program in PROGRAMS:
            data = read(program)
            self.assertEqual(0, len(data) % 8, program)
            self.assertEqual(data, self.pe.finish(data), program)  # and finishing again changes nothing

    def test_signing_and_removing_the_signature_gives_back_the_finished_bytes(self):
        # (program, bytes appended after linking: none, or an odd-length end)
        for program in PROGRAMS:
            for tail in (b"", b"\x01\x02\x03"):
                with self.subTest(program=os.path.basename(program), tail=len(tail)):
                    linked = as_linked(read(program), self.pe, tail)
                    write(self.path("p.exe"), linked)
                    self.assertEqual(0, self.finish(self.path("p.exe")).returncode)
                    finished = read(self.path("p.exe"))
                    self.assertNotEqual(linked, finished)
                    subprocess.run(["osslsigncode", "sign", "-certs", self.cert, "-key", self.key, "-h", "sha256",
                                    "-in", self.path("p.exe"), "-out", self.path("s.exe")],
                                   check=True, capture_output=True)
                    self.assertNotEqual(finished, read(self.path("s.exe")))
                    subprocess.run(["osslsigncode", "remove-signature", "-in", self.path("s.exe"),
                                    "-out", self.path("r.exe")], check=True, capture_output=True)
                    self.assertEqual(finished, read(self.path("r.exe")))
                    os.remove(self.path("s.exe"))  # osslsigncode never overwrites
                    os.remove(self.path("r.exe"))

    def test_what_is_no_program_fails_untouched(self):
        mz_only = b"MZ" + b"\0" * 0x3A + struct.pack("<I", 0x1000) + b"\0" * 64
        for name, data in (("text.exe", b"not a program at all"), ("mz.exe", mz_only), ("empty.dll", b"")):
            write(self.path(name), data)
            result = self.finish(self.path(name))
            self.assertNotEqual(0, result.returncode, name)
            self.assertIn(name, result.stderr)
            self.assertEqual(data, read(self.path(name)), name)


if __name__ == "__main__":
    FINISHER = sys.argv.pop(1)
    while len(sys.argv) > 1 and not sys.argv[1].startswith("-"):
        PROGRAMS.append(sys.argv.pop(1))
    unittest.main(verbosity=1)
