#!/usr/bin/env python3
"""Checks that a Windows program can be handed out as a single file.

For each .exe: every DLL it imports (directly or delay-loaded) must be part of Windows itself,
never a compiler runtime such as libgcc, libstdc++ or libwinpthread, nor a library the program
binds at run time on purpose (gdiplus); a 32-bit program must be large-address-aware, so that it
gets 4 GB of address space on 64-bit Windows for its decoded frames. With --stripped, the file
must also carry no symbol table.

Prints what it found for each file; exits with 1 when any file fails."""
import argparse
import struct
import sys

# Windows' own DLLs (compared without case), and the API sets of Windows 7 and later.
SYSTEM_DLLS = {
    "kernel32.dll", "user32.dll", "gdi32.dll", "comctl32.dll", "comdlg32.dll", "shell32.dll",
    "shlwapi.dll", "ole32.dll", "oleaut32.dll", "advapi32.dll", "msvcrt.dll", "winmm.dll",
    "version.dll", "psapi.dll", "uxtheme.dll", "dwmapi.dll", "ntdll.dll", "ws2_32.dll",
    "bcrypt.dll", "crypt32.dll", "imm32.dll", "setupapi.dll", "shcore.dll",
}
SYSTEM_PREFIXES = ("api-ms-win-", "ext-ms-win-")

MACHINES = {0x14C: "x86", 0x8664: "x64", 0xAA64: "arm64"}
LARGE_ADDRESS_AWARE = 0x0020
IMPORT_DIRECTORY, DELAY_IMPORT_DIRECTORY = 1, 13


class PeFile:
    def __init__(self, data):
        self.data = data
        if data[:2] != b"MZ":
            raise ValueError("not an MZ executable")
        pe = struct.unpack_from("<I", data, 0x3C)[0]
        if data[pe:pe + 4] != b"PE\0\0":
            raise ValueError("no PE header")
        (self.machine, sections, _, _, self.symbols, optional_size,
         self.characteristics) = struct.unpack_from("<HHIIIHH", data, pe + 4)
        optional = pe + 24
        magic = struct.unpack_from("<H", data, optional)[0]
        directories = optional + (96 if magic == 0x10B else 112)  # PE32 or PE32+
        count = struct.unpack_from("<I", data, directories - 4)[0]
        self.directories = [struct.unpack_from("<II", data, directories + 8 * i) for i in range(count)]
        table = optional + optional_size
        self.sections = [struct.unpack_from("<IIII", data, table + 40 * i + 8) for i in range(sections)]

    def offset(self, rva):
        """The file offset of a relative virtual address."""
        for virtual_size, address, raw_size, raw_offset in self.sections:
            if address <= rva < address + max(virtual_size, raw_size):
                return raw_offset + rva - address
        raise ValueError(f"address 0x{rva:x} is in no section")

    def string(self, rva):
        start = self.offset(rva)
        return self.data[start:self.data.index(b"\0", start)].decode("ascii", "replace")

    def imported_dlls(self):
        """The names of the DLLs in the import and delay-import tables."""
        names = []
        for index, entry_size, name_field in ((IMPORT_DIRECTORY, 20, 12), (DELAY_IMPORT_DIRECTORY, 32, 4)):
            if index >= len(self.directories) or self.directories[index][0] == 0:
                continue
            at = self.offset(self.directories[index][0])
            while True:
                entry = self.data[at:at + entry_size]
                if len(entry) < entry_size or entry == b"\0" * entry_size:
                    break
                names.append(self.string(struct.unpack_from("<I", entry, name_field)[0]))
                at += entry_size
        return names


def is_system_dll(name):
    lower = name.lower()
    return lower in SYSTEM_DLLS or lower.startswith(SYSTEM_PREFIXES)


def check(path, want_stripped):
    """Prints the file's findings; returns the list of its faults."""
    with open(path, "rb") as f:
        pe = PeFile(f.read())
    machine = MACHINES.get(pe.machine, f"machine 0x{pe.machine:x}")
    dlls = pe.imported_dlls()
    laa = bool(pe.characteristics & LARGE_ADDRESS_AWARE)
    stripped = pe.symbols == 0  # a table of long section names may remain
    print(f"{path}: {machine}, {len(pe.data)} bytes, large address aware: {'yes' if laa else 'no'}, "
          f"symbols: {'none' if stripped else pe.symbols}")
    print("  imports: " + ", ".join(dlls))
    faults = [f"imports {name}, which is not part of Windows" for name in dlls if not is_system_dll(name)]
    if not dlls:
        faults.append("imports nothing: not a linked program")
    if pe.machine == 0x14C and not laa:
        faults.append("a 32-bit program that is not large-address-aware")
    if want_stripped and not stripped:
        faults.append(f"carries a symbol table of {pe.symbols} symbols")
    return faults


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--stripped", action="store_true", help="also require that the files are stripped")
    parser.add_argument("exe", nargs="+")
    args = parser.parse_args()
    failed = False
    for path in args.exe:
        try:
            faults = check(path, args.stripped)
        except (OSError, ValueError, struct.error) as error:
            print(f"{path}:")
            faults = [str(error)]
        for fault in faults:
            print(f"  FAIL: {fault}")
        failed = failed or bool(faults)
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
