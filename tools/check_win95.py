#!/usr/bin/env python3
"""Fails unless a PE file would load on a clean Windows 95: i386 machine, subsystem version at
most 4.0, no C run-time DLL among its imports, and every imported function in the list of what
Windows 95 exports. Also that it carries the manifest later Windows read: run as invoked, made
for Windows 10, with the common controls of visual styles and aware of the DPI.

  check_win95.py PROGRAM.exe ALLOWLIST
The allowlist has one "DLL function" pair a line (DLL names in upper case); # starts a comment.
"""
import re
import struct
import sys

# C and C++ run-time DLLs: none comes with Windows 95, so the program may import none of them,
# whatever the allowlist says.
RUNTIME_DLL = re.compile(r'^(MSVCR.*|MSVCP.*|CRTDLL|UCRTBASE|API-MS-WIN-CRT-.*|VCRUNTIME.*|'
                         r'LIBSTDC\+\+.*|LIBGCC.*|LIBWINPTHREAD.*)\.DLL$')

# The system's loaders pick the resource language themselves (the user's locale on NT, the
# system's on Windows 95): every text, menu and dialog goes through the program's own loader by
# the language shown, whatever the allowlist says.
SYSTEM_LANGUAGE_LOADERS = {('USER32.DLL', 'LoadStringA'), ('USER32.DLL', 'LoadMenuA'),
                           ('USER32.DLL', 'DialogBoxParamA'), ('USER32.DLL', 'CreateDialogParamA')}

WINDOWS_10 = '{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}'


def read_imports(path):
    data = open(path, 'rb').read()
    pe = struct.unpack_from('<I', data, 0x3C)[0]
    if data[pe:pe + 4] != b'PE\0\0':
        raise SystemExit('%s: not a PE file' % path)
    machine, sections, _, _, _, opt_size, _ = struct.unpack_from('<HHIIIHH', data, pe + 4)
    opt = pe + 24
    magic = struct.unpack_from('<H', data, opt)[0]
    sub_major, sub_minor = struct.unpack_from('<HH', data, opt + 48)
    subsystem = struct.unpack_from('<H', data, opt + 68)[0]
    dirs = opt + (96 if magic == 0x10B else 112)
    import_rva = struct.unpack_from('<I', data, dirs + 8)[0]
    resource_rva = struct.unpack_from('<I', data, dirs + 16)[0]
    table = []
    sec = opt + opt_size
    for i in range(sections):
        _, vsize, va, rawsize, rawptr = struct.unpack_from('<8sIIII', data, sec + 40 * i)
        table.append((va, max(vsize, rawsize), rawptr))

    def off(rva):
        for va, size, raw in table:
            if va <= rva < va + size:
                return rva - va + raw
        raise SystemExit('%s: rva %x outside every section' % (path, rva))

    def cstr(o):
        return data[o:data.index(b'\0', o)].decode('latin-1')

    imports = []
    d = off(import_rva) if import_rva else None
    while d is not None:
        ilt, _, _, name_rva, iat = struct.unpack_from('<IIIII', data, d)
        if name_rva == 0:
            break
        dll = cstr(off(name_rva)).upper()
        thunk = off(ilt or iat)
        while True:
            value = struct.unpack_from('<I', data, thunk)[0]
            if value == 0:
                break
            if value & 0x80000000:
                imports.append((dll, '#%d' % (value & 0xFFFF)))
            else:
                imports.append((dll, cstr(off(value) + 2)))
            thunk += 4
        d += 20

    # The resource tree: type, name, language; the program's manifest is type 24, name 1.
    def branch(o, wanted):
        count = sum(struct.unpack_from('<HH', data, o + 12))
        for i in range(count):
            key, target = struct.unpack_from('<II', data, o + 16 + 8 * i)
            if wanted is None or key == wanted:
                return target & 0x7FFFFFFF
        return None

    manifest = b''
    if resource_rva:
        base = node = off(resource_rva)
        for wanted in (24, 1, None):
            entry = branch(node, wanted)
            if entry is None:
                break
            node = base + entry
        else:
            rva, size = struct.unpack_from('<II', data, node)
            manifest = data[off(rva):off(rva) + size]
    return machine, (sub_major, sub_minor), subsystem, imports, manifest


def main():
    exe, allow_path = sys.argv[1], sys.argv[2]
    allowed = set()
    for line in open(allow_path):
        line = line.split('#', 1)[0].split()
        if len(line) == 2:
            allowed.add((line[0].upper(), line[1]))
    machine, version, subsystem, imports, manifest = read_imports(exe)
    problems = []
    if machine != 0x14C:
        problems.append('machine type 0x%x is not i386' % machine)
    if version > (4, 0):
        problems.append('subsystem version %d.%d is above 4.0' % version)
    if subsystem != 2:
        problems.append('subsystem %d is not the Windows GUI' % subsystem)
    dlls = sorted(set(d for d, _ in imports))
    for dll in dlls:
        if RUNTIME_DLL.match(dll):
            problems.append('%s is a C run-time DLL, which Windows 95 does not have' % dll)
    for dll, fn in sorted(set(imports) & SYSTEM_LANGUAGE_LOADERS):
        problems.append('%s!%s picks the language by the system, not the one shown' % (dll, fn))
    for dll, fn in sorted(set(imports)):
        if (dll, fn) not in allowed and not RUNTIME_DLL.match(dll):
            problems.append('%s!%s is not known on Windows 95' % (dll, fn))
    if b'level="asInvoker"' not in manifest:
        problems.append('no manifest that runs it as invoked')
    if WINDOWS_10.encode() not in manifest:
        problems.append('the manifest does not name Windows 10 among the systems supported')
    if b'name="Microsoft.Windows.Common-Controls" version="6.0.0.0"' not in manifest:
        problems.append('the manifest does not ask for the common controls of visual styles')
    if b'>true</dpiAware>' not in manifest:
        problems.append('the manifest does not declare the program DPI-aware')
    print('%s: i386=%s subsystem %d.%d, %d functions from %s' %
          (exe, machine == 0x14C, version[0], version[1], len(set(imports)), ', '.join(dlls)))
    for p in problems:
        print('FAIL: ' + p)
    print('%d passed, %d failed' % (1 if not problems else 0, 1 if problems else 0))
    sys.exit(1 if problems else 0)


if __name__ == '__main__':
    main()
