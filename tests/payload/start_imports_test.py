#!/usr/bin/env python3
"""What a program loads before its first line runs: the DLLs of its import
table. The setup imports only what every Windows process has loaded anyway;
the shell, COM and the common controls are bound on first use (delay-load),
so a silent run that never needs them never pays for loading them.

    start_imports_test.py SETUP_EXE
"""
import struct
import sys
import unittest

PROGRAM = None

# Loaded at start by every process of ours: cheap, nearly always loaded already.
AT_START = {"advapi32.dll", "gdi32.dll", "kernel32.dll", "msvcrt.dll", "user32.dll"}
# Heavy under Wine (shell32 alone brings ole32, combase, rpcrt4, shlwapi, ...):
# bound on first use. (GNU ld leaves the delay-import directory empty, so
# they are found as names in the file, not in a table.)
ON_FIRST_USE = {"shell32.dll", "ole32.dll", "comctl32.dll"}


class Pe:
    def __init__(self, data):
        self.data = data
        pe = struct.unpack_from("<I", data, 0x3C)[0]
        assert data[pe:pe + 4] == b"PE\0\0", "no PE header"
        sections = struct.unpack_from("<H", data, pe + 6)[0]
        optional_size = struct.unpack_from("<H", data, pe + 20)[0]
        optional = pe + 24
        assert struct.unpack_from("<H", data, optional)[0] == 0x20B, "not PE32+"
        self.directories = optional + 112
        self.sections = []
        table = optional + optional_size
        for i in range(sections):
            virtual_size, address, raw_size, raw = struct.unpack_from("<IIII", data, table + 40 * i + 8)
            self.sections.append((address, max(virtual_size, raw_size), raw))

    def offset(self, rva):
        for address, size, raw in self.sections:
            if address <= rva < address + size:
                return raw + rva - address
        raise ValueError("RVA %#x outside every section" % rva)

    def directory(self, index):
        return struct.unpack_from("<II", self.data, self.directories + 8 * index)

    def text(self, rva):
        start = self.offset(rva)
        return self.data[start:self.data.index(b"\0", start)].decode("ascii")

    def imported_dlls(self):
        """The DLL names of the import directory."""
        rva, _ = self.directory(1)
        names = set()
        if rva == 0:
            return names
        at = self.offset(rva)
        while True:
            entry = self.data[at:at + 20]
            if entry == b"\0" * 20:
                return names
            names.add(self.text(struct.unpack_from("<I", entry, 12)[0]).lower())
            at += 20


class StartImports(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        with open(PROGRAM, "rb") as f:
            cls.pe = Pe(f.read())

    def test_only_what_every_process_has_is_loaded_at_start(self):
        self.assertEqual(self.pe.imported_dlls(), AT_START)

    def test_shell_com_and_common_controls_are_bound_on_first_use(self):
        lowered = self.pe.data.lower()
        for name in ON_FIRST_USE:
            self.assertIn(name.encode() + b"\0", lowered, name)


if __name__ == "__main__":
    PROGRAM = sys.argv.pop(1)
    unittest.main()
