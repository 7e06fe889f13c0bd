#!/usr/bin/env python3
"""Inspects the product executable: PE32 for i386, GUI subsystem, only functions that Windows XP
SP3 has imported from system DLLs, stripped, ASLR and DEP set, read-only resources, the stored
main form and the icon as its only resources, no version record, no manifest (or, built to ask
for administrator rights, the one manifest that does only that), and at most 256 KiB beyond its
resources. A file signed after the build is read the same: its certificate table is not counted.

usage: check_product.py EXE FORM_RESOURCE [--machine i386|amd64] [--elevated]
"""
import struct
import sys

# What the product may import: each function is in Windows XP SP3 (and in XP x64, for the
# twin). A function that only later Windows have is looked up at run time, never imported.
ALLOWED_IMPORTS = {
    "kernel32.dll": """
        CloseHandle CreateFileA CreateProcessA CreateSemaphoreW DeleteCriticalSection DeleteFileA
        EnterCriticalSection FindClose FindFirstFileA FindResourceA FreeLibrary GetCurrentThreadId
        GetLastError GetModuleFileNameA GetModuleHandleA GetModuleHandleW GetProcAddress
        GetStartupInfoA GetSystemDirectoryA GetSystemDirectoryW GetWindowsDirectoryA
        InitializeCriticalSection IsDBCSLeadByteEx LeaveCriticalSection LoadLibraryA LoadLibraryExA
        LoadLibraryW
        LoadResource LockResource MultiByteToWideChar RaiseException ReadFile ReleaseSemaphore
        SetFileAttributesA SetFilePointer SetLastError SetUnhandledExceptionFilter SizeofResource
        Sleep TlsAlloc TlsFree TlsGetValue TlsSetValue VirtualProtect VirtualQuery
        WaitForSingleObject WideCharToMultiByte WriteFile
        RtlCaptureContext RtlLookupFunctionEntry RtlUnwindEx RtlVirtualUnwind __C_specific_handler
    """,
    "user32.dll": """
        AdjustWindowRectEx BeginPaint CharLowerBuffA CreateWindowExA DefWindowProcA DestroyWindow
        DialogBoxIndirectParamA DialogBoxIndirectParamW DispatchMessageA DrawTextA DrawTextW
        EnableWindow EndDialog EndPaint EnumThreadWindows GetActiveWindow GetClassInfoExA GetDC
        GetDlgItem GetFocus GetMessageA GetSystemMetrics GetWindowLongA GetWindowLongW
        GetWindowLongPtrA GetWindowLongPtrW GetWindowTextA IsIconic IsWindow IsWindowEnabled
        IsWindowVisible LoadCursorA LoadIconA LoadIconW MapDialogRect MessageBoxA MoveWindow
        PostQuitMessage RegisterClassExA ReleaseDC SendDlgItemMessageA SendDlgItemMessageW
        SendMessageA SendMessageW SetActiveWindow SetDlgItemTextA SetDlgItemTextW SetFocus
        SetWindowLongA SetWindowLongW SetWindowLongPtrA SetWindowLongPtrW SetWindowPos
        SetWindowTextA SetWindowTextW ShowWindow TranslateMessage UpdateWindow
    """,
    "gdi32.dll": "IntersectClipRect RestoreDC SaveDC SelectObject SetDIBitsToDevice",
    "msvcrt.dll": """
        __getmainargs __initenv __iob_func __mb_cur_max __p__acmdln __p__commode __p__fmode
        __set_app_type __setusermatherr _acmdln _amsg_exit _cexit _close _commode _errno _fmode
        _initterm _iob _onexit _read abort atoi calloc exit fprintf fputc fputs free fwrite
        localeconv malloc memchr memcmp memcpy memmove memset realloc setlocale signal strchr
        strcmp strerror strlen strncmp toupper vfprintf wcslen
    """,
}
ALLOWED_IMPORTS = {dll: set(names.split()) for dll, names in ALLOWED_IMPORTS.items()}
MAX_BEYOND_RESOURCES = 256 * 1024
IMAGE_FILE_RELOCS_STRIPPED = 0x0001
DYNAMIC_BASE, NX_COMPAT = 0x0040, 0x0100
SCN_MEM_WRITE = 0x80000000
ELEVATED_LEVEL = b'requestedExecutionLevel level="requireAdministrator" uiAccess="false"'
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
        (self.machine, sections, _, self.symbol_table, self.symbols, optional_size,
         self.characteristics) = struct.unpack_from("<HHIIIHH", data, pe + 4)
        optional = pe + 24
        self.magic = struct.unpack_from("<H", data, optional)[0]
        self.subsystem, self.dll_characteristics = struct.unpack_from("<HH", data, optional + 68)
        directories = optional + (96 if self.magic == 0x10B else 112)
        self.directories = [struct.unpack_from("<II", data, directories + 8 * i) for i in range(16)]
        self.sections = []
        self.section_headers = []
        table = optional + optional_size
        strings = self.symbol_table + 18 * self.symbols  # long section names live there
        for i in range(sections):
            name, vsize, va, rawsize, raw = struct.unpack_from("<8sIIII", data, table + 40 * i)
            flags = struct.unpack_from("<I", data, table + 40 * i + 36)[0]
            name = name.rstrip(b"\0")
            if name.startswith(b"/") and self.symbol_table:
                at = strings + int(name[1:])
                name = data[at:data.index(b"\0", at)]
            self.sections.append((name, va, max(vsize, rawsize), raw))
            self.section_headers.append((name.decode("ascii", "replace"), rawsize, flags))

    def offset(self, rva):
        for _, va, size, raw in self.sections:
            if va <= rva < va + size:
                return raw + rva - va
        raise ValueError("RVA %#x outside every section" % rva)

    def cstring(self, rva):
        at = self.offset(rva)
        return self.data[at:self.data.index(b"\0", at)].decode("ascii")

    def imports(self):
        """{dll: [function names]}, in the order of the import directory."""
        rva, _ = self.directories[1]
        found, at = {}, self.offset(rva)
        thunk_size, by_ordinal = (4, 0x80000000) if self.magic == 0x10B else (8, 1 << 63)
        while True:
            entry = struct.unpack_from("<IIIII", self.data, at)
            if entry == (0, 0, 0, 0, 0):
                return found
            names = found.setdefault(self.cstring(entry[3]), [])
            thunk = self.offset(entry[0] or entry[4])
            while True:
                value = struct.unpack_from("<Q" if thunk_size == 8 else "<I", self.data, thunk)[0]
                if value == 0:
                    break
                names.append("#%d" % (value & 0xFFFF) if value & by_ordinal
                             else self.cstring((value & 0x7FFFFFFF) + 2))
                thunk += thunk_size
            at += 20

    def certificate_bytes(self):
        """Size of the certificate table a signature appends (a file offset, not an RVA)."""
        return self.directories[4][1]

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
    elevated = "--elevated" in args
    if elevated:
        args.remove("--elevated")
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

    imports = pe.imports()
    check(set(d.lower() for d in imports) <= set(ALLOWED_IMPORTS),
          "imports only system DLLs: " + ", ".join(imports))
    unknown = ["%s!%s" % (dll, name) for dll, names in imports.items() for name in names
               if name not in ALLOWED_IMPORTS.get(dll.lower(), ())]
    check(not unknown, "imports only functions that Windows XP SP3 has (%d functions)%s" % (
        sum(map(len, imports.values())), ": not " + ", ".join(unknown) if unknown else ""))

    debug = [name for name, _, _ in pe.section_headers if name.startswith(".debug")]
    check(not debug, "no debug sections%s" % (": " + ", ".join(debug) if debug else ""))
    check(pe.symbol_table == 0 and pe.symbols == 0, "no symbol table (%d symbols)" % pe.symbols)
    check(pe.dll_characteristics & DYNAMIC_BASE and pe.dll_characteristics & NX_COMPAT and
          not pe.characteristics & IMAGE_FILE_RELOCS_STRIPPED and pe.directories[5][1] > 0,
          "ASLR and DEP: dynamic base, NX compatible, relocations kept (DllCharacteristics %#x)"
          % pe.dll_characteristics)
    rsrc = [(size, flags) for name, size, flags in pe.section_headers if name == ".rsrc"]
    check(len(rsrc) == 1 and not rsrc[0][1] & SCN_MEM_WRITE,
          "read-only .rsrc (%s)" % ("%#x" % rsrc[0][1] if rsrc else "missing"))
    signature = pe.certificate_bytes()
    beyond = len(pe.data) - (rsrc[0][0] if rsrc else 0) - signature
    check(beyond <= MAX_BEYOND_RESOURCES, "%s bytes beyond the resources, at most %s%s" % (
        format(beyond, ","), format(MAX_BEYOND_RESOURCES, ","),
        " (a signature of %s bytes not counted)" % format(signature, ",") if signature else ""))

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
    manifests = [data for (k, _), data in resources.items() if k == RT_MANIFEST]
    if elevated:
        check(len(manifests) == 1 and (RT_MANIFEST, 1) in resources and
              ELEVATED_LEVEL in manifests[0] and b"<dependency" not in manifests[0] and
              b"<compatibility" not in manifests[0],
              "one manifest (ID 1), asking for administrator rights and nothing more")
    else:
        check(not manifests, "no manifest")
    kinds = sorted({k for k, _ in resources})
    want_kinds = sorted([RT_ICON, RT_RCDATA, RT_GROUP_ICON] + ([RT_MANIFEST] if elevated else []))
    check(kinds == want_kinds, "no other resources (%s)" % kinds)

    if problems:
        print("%s: %d problem(s)" % (exe, len(problems)))
        return 1
    print("%s: as it should be" % exe)
    return 0


if __name__ == "__main__":
    sys.exit(main())
