#!/usr/bin/env python3
# Writes the program's two icons (32x32 and 16x16, 32-bit with alpha) as .ico files. Run once;
# the .ico files are committed, so the build needs neither this script nor Python.
import struct
import sys


def icon(size, path):
    # A rounded dark-teal tile with a light "O" ring: visible on light and dark task bars.
    pixels = []
    c = (size - 1) / 2.0
    for y in range(size - 1, -1, -1):  # BMP rows are stored bottom row first
        for x in range(size):
            dx, dy = x - c, y - c
            r = (dx * dx + dy * dy) ** 0.5
            corner = max(abs(dx), abs(dy)) > c - 0.5 and r > c
            if corner:
                pixels.append((0, 0, 0, 0))
            elif size * 0.22 <= r <= size * 0.36:
                pixels.append((0xF0, 0xF4, 0xF4, 0xFF))
            else:
                pixels.append((0x80, 0x6A, 0x10, 0xFF))  # B, G, R, A
    xor = b"".join(struct.pack("BBBB", *p) for p in pixels)
    mask_row = ((size + 31) // 32) * 4
    and_mask = b"\x00" * (mask_row * size)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, len(xor) + len(and_mask), 0, 0, 0, 0)
    image = header + xor + and_mask
    directory = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 32, len(image), 6 + 16)
    with open(path, "wb") as f:
        f.write(directory + entry + image)


if __name__ == "__main__":
    folder = sys.argv[1] if len(sys.argv) > 1 else "."
    icon(32, folder + "/OrvexExchange.ico")
    icon(16, folder + "/small.ico")
