#!/usr/bin/env python3
"""pe_resources.py DLL RESDIR: checks the plug-in DLL's resources against the
files pxres wrote into RESDIR: the property list of the DLL's architecture
and the terminology under 16000, the about string 16000, and the three
dialog templates."""
import struct
import sys
from pathlib import Path

RT_STRING, RT_DIALOG = 6, 5


def sections(pe):
    (e_lfanew,) = struct.unpack_from("<I", pe, 0x3C)
    machine, count, _, _, _, opt_size = struct.unpack_from("<HHIIIH", pe, e_lfanew + 4)
    opt = e_lfanew + 24
    magic = struct.unpack_from("<H", pe, opt)[0]
    dirs = opt + (96 if magic == 0x10B else 112)
    res_rva, _ = struct.unpack_from("<II", pe, dirs + 2 * 8)
    table = opt + opt_size
    out = []
    for i in range(count):
        _, vsize, va, rsize, raw = struct.unpack_from("<8sIIII", pe, table + 40 * i)
        out.append((va, max(vsize, rsize), raw))
    return machine, res_rva, out


def resources(path):
    pe = Path(path).read_bytes()
    machine, res_rva, secs = sections(pe)

    def offset(rva):
        for va, size, raw in secs:
            if va <= rva < va + size:
                return raw + rva - va
        raise ValueError(f"rva {rva:#x} outside the sections")

    base = offset(res_rva)

    def name_at(entry_name):
        if entry_name & 0x80000000:
            at = base + (entry_name & 0x7FFFFFFF)
            (n,) = struct.unpack_from("<H", pe, at)
            return pe[at + 2:at + 2 + 2 * n].decode("utf-16-le")
        return entry_name

    def walk(at, depth, key, found):
        named, ids = struct.unpack_from("<HH", pe, at + 12)
        for i in range(named + ids):
            name, target = struct.unpack_from("<II", pe, at + 16 + 8 * i)
            k = key + (name_at(name),)
            if target & 0x80000000:
                walk(base + (target & 0x7FFFFFFF), depth + 1, k, found)
            else:
                rva, size = struct.unpack_from("<II", pe, base + target)
                found[k] = pe[offset(rva):offset(rva) + size]

    found = {}
    walk(base, 0, (), found)
    return machine, found


def main(argv):
    if len(argv) != 3:
        print(__doc__, file=sys.stderr)
        return 2
    machine, found = resources(argv[1])
    resdir = Path(argv[2])
    pipl = "pipl64.bin" if machine == 0x8664 else "pipl32.bin"
    ok = True

    def check(what, good):
        nonlocal ok
        print(f"  {'ok  ' if good else 'FAIL'} {what}")
        ok = ok and good

    by_type_name = {(k[0], k[1]): v for k, v in found.items()}
    check(f"PIPL 16000 equals {pipl}", by_type_name.get(("PIPL", 16000)) == (resdir / pipl).read_bytes())
    check("AETE 16000 equals aete.bin", by_type_name.get(("AETE", 16000)) == (resdir / "aete.bin").read_bytes())
    table = by_type_name.get((RT_STRING, 16000 // 16 + 1), b"")
    strings, at = [], 0
    while at + 2 <= len(table) and len(strings) < 16:
        (n,) = struct.unpack_from("<H", table, at)
        strings.append(table[at + 2:at + 2 + 2 * n].decode("utf-16-le"))
        at += 2 + 2 * n
    about = (resdir / "about.txt").read_text().rstrip("\n") if (resdir / "about.txt").exists() else None
    check("string 16000 is the about text", len(strings) > 0 and strings[0] == about)
    for name in ("PXBREEDDIALOG", "PXSELDIALOG", "PXPROPDIALOG"):
        data = by_type_name.get((RT_DIALOG, name), b"")
        check(f"dialog {name} (DIALOGEX)", data[:4] == b"\x01\x00\xff\xff")
    return 0 if ok else 1


if __name__ == "__main__":
    sys.exit(main(sys.argv))
