#!/usr/bin/env python3
"""Draws the program icon: a table whose header row is kept and whose data rows
are dealt out in turn (three colours repeating). Writes res/Rowdeal.ico, one
16 x 16 image with a 256-colour palette. Standard library only."""
import os
import struct

ART = [
    "................",
    ".kkkkkkkkkkkkkk.",
    ".kbbbbbbbbbbbbk.",
    ".kbbbbbbbbbbbbk.",
    ".kkkkkkkkkkkkkk.",
    ".kwrrrrrrrrrrwk.",
    ".kwwwwwwwwwwwwk.",
    ".kwggggggggggwk.",
    ".kwwwwwwwwwwwwk.",
    ".kwoooooooooowk.",
    ".kwwwwwwwwwwwwk.",
    ".kwrrrrrrrrrrwk.",
    ".kwwwwwwwwwwwwk.",
    ".kwggggggggggwk.",
    ".kkkkkkkkkkkkkk.",
    "................",
]

# Palette index and colour (R, G, B) of each letter; '.' is transparent.
COLOURS = {
    ".": (0, (0, 0, 0)),
    "k": (1, (0x40, 0x40, 0x48)),
    "w": (2, (0xFF, 0xFF, 0xFF)),
    "b": (3, (0x20, 0x60, 0xC0)),
    "r": (4, (0xD0, 0x40, 0x40)),
    "g": (5, (0x30, 0xA0, 0x50)),
    "o": (6, (0xE0, 0x90, 0x20)),
}


def palette():
    # The unused entries hold a grey ramp so that the palette has all 256 colours.
    entries = [(i, i, i) for i in range(256)]
    for index, rgb in COLOURS.values():
        entries[index] = rgb
    return b"".join(struct.pack("<BBBB", b, g, r, 0) for (r, g, b) in entries)


def image():
    size = 16
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 8, 0, 0, 0, 0, 256, 0)
    xor = bytearray()
    mask = bytearray()
    for row in reversed(ART):  # bitmaps are stored bottom-up
        xor += bytes(COLOURS[c][0] for c in row)
        bits = 0
        for c in row:
            bits = (bits << 1) | (1 if c == "." else 0)
        mask += struct.pack(">H", bits) + b"\0\0"  # rows padded to 32 bits
    return header + palette() + bytes(xor) + bytes(mask)


def main():
    assert len(ART) == 16 and all(len(row) == 16 for row in ART)
    data = image()
    icon = struct.pack("<HHH", 0, 1, 1)
    icon += struct.pack("<BBBBHHII", 16, 16, 0, 0, 1, 8, len(data), 6 + 16)
    out = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "res", "Rowdeal.ico")
    with open(out, "wb") as f:
        f.write(icon + data)


if __name__ == "__main__":
    main()
