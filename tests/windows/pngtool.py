#!/usr/bin/env python3
"""PNG helpers for the Windows checks, with nothing but the standard library.

  pngtool.py store IN.png OUT.png      rewrite IN with stored deflate blocks
                                       (what pxhost.exe reads)
  pngtool.py compare DIR_A DIR_B       compare the same-named PNGs of two
                                       directories and print a summary
"""
import struct
import sys
import zlib
from pathlib import Path

CHANNELS = {0: 1, 2: 3, 6: 4}


def read_png(path):
    data = Path(path).read_bytes()
    if data[:8] != b"\x89PNG\r\n\x1a\n":
        raise ValueError(f"{path}: not a PNG")
    at, idat, header = 8, b"", None
    while at + 12 <= len(data):
        (length,) = struct.unpack(">I", data[at:at + 4])
        kind, body = data[at + 4:at + 8], data[at + 8:at + 8 + length]
        if kind == b"IHDR":
            header = struct.unpack(">IIBBBBB", body)
        elif kind == b"IDAT":
            idat += body
        at += 12 + length
    width, height, depth, colour, _, _, interlace = header
    if depth != 8 or colour not in CHANNELS or interlace:
        raise ValueError(f"{path}: only 8-bit grey/RGB/RGBA, not interlaced")
    n = CHANNELS[colour]
    raw, stride = zlib.decompress(idat), width * n
    rows, prev = [], bytearray(stride)
    for y in range(height):
        f, line = raw[y * (stride + 1)], bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        for i in range(stride):
            a = line[i - n] if i >= n else 0
            b, c = prev[i], prev[i - n] if i >= n else 0
            if f == 1:
                line[i] = (line[i] + a) & 255
            elif f == 2:
                line[i] = (line[i] + b) & 255
            elif f == 3:
                line[i] = (line[i] + (a + b) // 2) & 255
            elif f == 4:
                p = a + b - c
                pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
                line[i] = (line[i] + (a if pa <= pb and pa <= pc else b if pb <= pc else c)) & 255
        rows.append(bytes(line))
        prev = line
    return width, height, n, rows


def write_stored_png(path, width, height, n, rows):
    colour = {1: 0, 3: 2, 4: 6}[n]
    raw = b"".join(b"\0" + r for r in rows)

    def chunk(kind, body):
        return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body))

    Path(path).write_bytes(b"\x89PNG\r\n\x1a\n" +
                           chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, colour, 0, 0, 0)) +
                           chunk(b"IDAT", zlib.compress(raw, 0)) + chunk(b"IEND", b""))


def compare(dir_a, dir_b):
    names = sorted(p.name for p in Path(dir_a).glob("*.png"))
    if not names:
        print("compare: no images")
        return 1
    filters_differing = pixels = pixels_differing = values_differing = worst = 0
    missing = 0
    for name in names:
        other = Path(dir_b) / name
        if not other.exists():
            print(f"  {name}: missing on the Windows side")
            missing += 1
            continue
        wa, ha, na, ra = read_png(Path(dir_a) / name)
        wb, hb, nb, rb = read_png(other)
        if (wa, ha, na) != (wb, hb, nb):
            print(f"  {name}: shapes differ {(wa, ha, na)} vs {(wb, hb, nb)}")
            missing += 1
            continue
        pixels += wa * ha
        this_pixels = this_values = this_worst = 0
        for row_a, row_b in zip(ra, rb):
            if row_a == row_b:
                continue
            for x in range(wa):
                pa, pb = row_a[x * na:(x + 1) * na], row_b[x * na:(x + 1) * na]
                if pa != pb:
                    this_pixels += 1
                    for u, v in zip(pa, pb):
                        if u != v:
                            this_values += 1
                            this_worst = max(this_worst, abs(u - v))
        if this_pixels:
            filters_differing += 1
            print(f"  {name}: {this_pixels} pixels, {this_values} values differ, max {this_worst}")
        pixels_differing += this_pixels
        values_differing += this_values
        worst = max(worst, this_worst)
    print(f"compared {len(names) - missing} filters, {pixels} pixels: {filters_differing} filters, "
          f"{pixels_differing} pixels and {values_differing} code values differ, "
          f"largest difference {worst}; {missing} missing or misshapen")
    return 1 if missing else 0


def main(argv):
    if len(argv) == 4 and argv[1] == "store":
        write_stored_png(argv[3], *read_png(argv[2]))
        return 0
    if len(argv) == 4 and argv[1] == "compare":
        return compare(argv[2], argv[3])
    print(__doc__, file=sys.stderr)
    return 2


if __name__ == "__main__":
    sys.exit(main(sys.argv))
