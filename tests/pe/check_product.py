#!/usr/bin/env python3
"""Inspects the product executable: PE32 for i386, GUI subsystem, imports from system DLLs only,
the stored main form and the icon as its only resources, no version record, no manifest.

usage: check_product.py EXE FORM_RESOURCE [--machine i386|amd64]
"""
import struct
import sys

SYSTEM_DLLS = {"kernel32.dll", "user32.dll", "gdi32.dll", "msvcrt.dll"}
RT_ICON, RT_RCDATA, RT_GROUP_ICON, RT_VERSION, RT_MANIFEST = 3, 10, 14, 16, 24
MACHINES = {"i386": (0x14C, 0x10B), "amd64": (0x8664, 0x20B)}


class Pe:
    def __init__(self, data):
        self.data = data
        if data[:2] != b"MZ":
            raise ValueError("no MZ header")
        pe = struct.unpack_from("<I", data, 0x3C)[0]
        if data[pe:pe + 4] != b"PE\0\0":
            raise ValueError("no PE signature")
        self.machine, sections, _, _, _, optional_size, _ = struct.unpack_from("<HHIIIHH", data, pe + 4)
        optional = pe + 24
        self.magic = struct.unpack_from("<H", data, optional)[0]
        self.subsystem = struct.unpack_from("<H", data, optional + 68)[0]
        directories = optional + (96 if self.magic == 0x10B else 112)
        self.directories = [struct.unpack_from("<II", data, directories + 8 * i) for i in range(16)]
        self.sections = []
        table = optional + optional_size
        for i in range(sections):
            name, vsize, va, rawsize, raw = struct.unpack_from("<8sIIII", data, table + 40 * i)
            self.sections.append((name.rstrip(b"\0"), va, max(vsize, rawsize), raw))

    def offset(self, rva):
        for _, va, size, raw in self.sections:
            if va <= rva < va + size:
                return raw + rva - va
        raise ValueError("RVA %#x outside every section" % rva)

    def cstring(self, rva):
        at = self.offset(rva)
        return self.data[at:self.data.index(b"\0", at)].decode("ascii")

    def imported_dlls(self):
        rva, _ = self.directories[1]
        dlls, at = [], self.offset(rva)
        while True:
            entry = struct.unpack_from("<IIIII", self.data, at)
            if entry == (0, 0, 0, 0, 0):
                return dlls
            dlls.append(self.cstring(entry[3]))
            at += 20

    def resources(self):
        """{(type, name): bytes}, names as strings or numbers, first language of each."""
        rva, _ = self.directories[2]
        if rva == 0:
            return {}
        base = self.offset(rva)

        def entries(directory):
            named, numbered = struct.unpack_from("<HH", self.data, base + directory + 12)
            for i in range(named + numbered):
                ident, target = struct.unpack_from("<II", self.data, base + directory + 16 + 8 * i)
                if ident & 0x80000000:
                    at = base + (ident & 0x7FFFFFFF)
                    length = struct.unpack_from("<H", self.data, at)[0]
                    ident = self.data[at + 2:at + 2 + 2 * length].decode("utf-16-le")
                yield ident, target

        found = {}
        for kind, kind_dir in entries(0):
            for name, name_dir in entries(kind_dir & 0x7FFFFFFF):
                _, leaf = next(entries(name_dir & 0x7FFFFFFF))
                data_rva, size = struct.unpack_from("<II", self.data, base + leaf)
                at = self.offset(data_rva)
                found[(kind, name)] = self.data[at:at + size]
        return found


def main():
    args = sys.argv[1:]
    machine = "i386"
    if "--machine" in args:
        machine = args[args.index("--machine") + 1]
        del args[args.index("--machine"):args.index("--machine") + 2]
    exe, form = args
    pe = Pe(open(exe, "rb").read())
    problems = []

    def check(ok, what):
        print(("ok      " if ok else "FAILED  ") + what)
        if not ok:
            problems.append(what)

    want_machine, want_magic = MACHINES[machine]
    check(pe.machine == want_machine and pe.magic == want_magic,
          "%s, %s (machine %#x, optional header %#x)" %
          ("PE32" if want_magic == 0x10B else "PE32+", machine, pe.machine, pe.magic))
    check(pe.subsystem == 2, "GUI subsystem (%d)" % pe.subsystem)
    dlls = pe.imported_dlls()
    check({d.lower() for d in dlls} <= SYSTEM_DLLS, "imports only system DLLs: " + ", ".join(dlls))

    resources = pe.resources()
    stored = resources.get((RT_RCDATA, "TFORM1"))
    check(stored is not None and len(stored) == 4001463,
          "RCDATA TFORM1 of 4,001,463 bytes (%s)" % (len(stored) if stored is not None else "missing"))
    check(stored == open(form, "rb").read(), "RCDATA TFORM1 equals the stored form built by mkform")
    group = resources.get((RT_GROUP_ICON, "MAINICON"))
    check(group is not None, "icon group MAINICON")
    if group is not None:
        _, kind, count = struct.unpack_from("<HHH", group, 0)
        width, height, _, _, planes, bits, _, icon_id = struct.unpack_from("<BBBBHHIH", group, 6)
        check(kind == 1 and count == 1, "MAINICON holds one image (%d)" % count)
        check((width, height, bits) == (32, 32, 24), "the image is 32 x 32 at 24 bits (%d x %d at %d)"
              % (width, height, bits))
        check((RT_ICON, icon_id) in resources, "the icon image is there")
    check(not any(k == RT_VERSION for k, _ in resources), "no version record")
    check(not any(k == RT_MANIFEST for k, _ in resources), "no manifest")
    kinds = sorted({k for k, _ in resources})
    check(kinds == [RT_ICON, RT_RCDATA, RT_GROUP_ICON], "no other resources (%s)" % kinds)

    if problems:
        print("%s: %d problem(s)" % (exe, len(problems)))
        return 1
    print("%s: as it should be" % exe)
    return 0


if __name__ == "__main__":
    sys.exit(main())
