#!/usr/bin/env python3
"""pe_resources.py DLL RESDIR: checks the plug-in DLL's resources against the
files pxres wrote into RESDIR: the property list of the DLL's architecture
and the terminology under 16000, the about string 16000, and the three
dialog templates. The PE file is read with pefile (Debian's python3-pefile)."""
import struct
import sys
from pathlib import Path

import pefile

RT_STRING, RT_DIALOG = 6, 5


def resources(path):
    pe = pefile.PE(path, fast_load=True)
    pe.parse_data_directories(directories=[pefile.DIRECTORY_ENTRY["IMAGE_DIRECTORY_ENTRY_RESOURCE"]])
    found = {}
    for rtype in pe.DIRECTORY_ENTRY_RESOURCE.entries:
        type_key = str(rtype.name) if rtype.name is not None else rtype.id
        for entry in rtype.directory.entries:
            name_key = str(entry.name) if entry.name is not None else entry.id
            for lang in entry.directory.entries:
                data = lang.data.struct
                found[(type_key, name_key)] = pe.get_data(data.OffsetToData, data.Size)
    return pe.FILE_HEADER.Machine, found


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

    check(f"PIPL 16000 equals {pipl}", found.get(("PIPL", 16000)) == (resdir / pipl).read_bytes())
    check("AETE 16000 equals aete.bin", found.get(("AETE", 16000)) == (resdir / "aete.bin").read_bytes())
    # String 16000 is the first of block 16000 / 16 + 1: a length, then UTF-16.
    table = found.get((RT_STRING, 16000 // 16 + 1), b"")
    first = ""
    if len(table) >= 2:
        (n,) = struct.unpack_from("<H", table, 0)
        first = table[2:2 + 2 * n].decode("utf-16-le")
    about_file = resdir / "about.txt"
    about = about_file.read_text().rstrip("\n") if about_file.exists() else None
    check("string 16000 is the about text", first == about)
    for name in ("PXBREEDDIALOG", "PXSELDIALOG", "PXPROPDIALOG"):
        check(f"dialog {name} (DIALOGEX)", found.get((RT_DIALOG, name), b"")[:4] == b"\x01\x00\xff\xff")
    return 0 if ok else 1


if __name__ == "__main__":
    sys.exit(main(sys.argv))
