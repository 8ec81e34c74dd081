#!/usr/bin/env python3
"""Writes the stand-in for the GALT-5R firmware image the loader carries.

The device maker's image is not ours to ship, so the build carries a stand-in
with the same shape: 1899 data lines (" XX XX ... XX", 48 characters, upper
case), one per 16 bytes of flash from address 0, laid out as the real image is:

  line 0            four JMP instructions (reset vector and the first vectors)
  lines 1-2         zero bytes
  lines 3-5         JMP instructions (more vectors)
  line 6            zero bytes
  lines 7-1805      program code and data
  lines 1806-1831   zero bytes
  lines 1832-1835   program data
  lines 1836-1850   zero bytes
  line 1851         ten 0x00 bytes, then six 0xFF bytes
  lines 1852-1898   0xFF bytes (erased flash)

and with the four "LDI r16, 0" words (bytes 00 E0) whose immediates the loader
overwrites with the serial number. Program lines come from a fixed-seed
generator, so every run writes the same file; none of them is all 0x00 or all
0xFF.

Usage: make_standin_firmware.py [OUTPUT]   (default image/firmware/carried_image.txt)
"""

import pathlib
import sys

LINES = 1899
LINE_BYTES = 16

# Line index -> (first byte, second byte) pairs holding "LDI r16, 0".
LDI_WORDS = {1736: (12,), 1737: (4,), 1767: (2, 10)}
LDI_R16_ZERO = (0x00, 0xE0)

ZERO_LINES = [*range(1, 3), 6, *range(1806, 1832), *range(1836, 1851)]
PROGRAM_LINES = [*range(3, 6), *range(7, 1806), *range(1832, 1836)]
VECTOR_LINES = [0, 3, 4, 5]
CODE_FIRST_BYTE = 7 * LINE_BYTES
CODE_END_BYTE = 1806 * LINE_BYTES


class XorShift32:
    """Small PRNG whose sequence does not depend on the Python version."""

    def __init__(self, seed):
        self.state = seed & 0xFFFFFFFF or 1

    def next(self):
        x = self.state
        x ^= (x << 13) & 0xFFFFFFFF
        x ^= x >> 17
        x ^= (x << 5) & 0xFFFFFFFF
        self.state = x
        return x

    def byte(self):
        return self.next() >> 24

    def below(self, n):
        return self.next() % n


def jmp(word_address):
    """AVR JMP k (k below 64 K words): words 940C and k, little-endian."""
    return [0x0C, 0x94, word_address & 0xFF, (word_address >> 8) & 0xFF]


def build():
    rng = XorShift32(0x6A175211)
    lines = [[0xFF] * LINE_BYTES for _ in range(LINES)]

    for n in ZERO_LINES:
        lines[n] = [0x00] * LINE_BYTES
    lines[1851] = [0x00] * 10 + [0xFF] * 6

    for n in PROGRAM_LINES:
        while True:
            row = [rng.byte() for _ in range(LINE_BYTES)]
            if row != [0x00] * LINE_BYTES and row != [0xFF] * LINE_BYTES:
                break
        lines[n] = row

    # Interrupt vectors: each a JMP into the code area (word addresses).
    first_word = CODE_FIRST_BYTE // 2
    span = (CODE_END_BYTE - CODE_FIRST_BYTE) // 2
    for n in VECTOR_LINES:
        row = []
        for _ in range(LINE_BYTES // 4):
            row += jmp(first_word + rng.below(span))
        lines[n] = row

    for n, firsts in LDI_WORDS.items():
        for k in firsts:
            lines[n][k], lines[n][k + 1] = LDI_R16_ZERO

    return ["".join(f" {b:02X}" for b in row) for row in lines]


def main(argv):
    root = pathlib.Path(__file__).resolve().parent.parent
    out = pathlib.Path(argv[1]) if len(argv) > 1 else root / "image" / "firmware" / "carried_image.txt"
    text = "\n".join(build()) + "\n"
    out.write_text(text, encoding="ascii", newline="\n")
    print(f"wrote {out} ({LINES} lines)")


if __name__ == "__main__":
    main(sys.argv)
