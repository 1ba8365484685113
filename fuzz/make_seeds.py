#!/usr/bin/env python3
"""Writes the seed inputs of the fuzz targets into corpus/<target>/.

The seeds are small, readable cases that reach every path of each input
surface; the fuzzers grow the corpus from them. Run again after changing an
input layout of a fuzz target, and commit the result."""
import os
import random
import struct
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
ESC = b"\x1b"


def write(target, name, data):
    folder = os.path.join(HERE, "corpus", target)
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, name), "wb") as f:
        f.write(data)


def label_band(width, height, bits_per_pixel, stride, rng):
    """A white band with a photo block, text-like strokes and empty areas."""
    band = bytearray(b"\xff" * (stride * height))
    for y in range(height):
        for x in range(width):
            if bits_per_pixel == 1:
                ink = (x // 3 + y // 2) % 5 == 0 or (y > height // 2 and rng.random() < 0.3)
                if ink:
                    band[y * stride + x // 8] &= ~(0x80 >> (x % 8)) & 0xFF
            else:
                if y < height // 3:
                    continue  # empty area
                pixel = rng.randrange(16) if x < width // 2 else (0 if (x + y) % 7 == 0 else 7)
                shift = 4 if x % 2 == 0 else 0
                i = y * stride + x // 2
                band[i] = (band[i] & ~(0xF << shift) & 0xFF) | (pixel << shift)
    return bytes(band)


def band_input(width, height, bits, landscape, rows_per_inch, keyword, band, size_image=None,
               orientation=1, setting_fails=False):
    shape = (8 if bits == 1 else 0) | (16 if landscape else 0)
    out = bytes([shape]) + struct.pack("<HH", width, height)
    out += struct.pack("<I", len(band) if size_image is None else size_image)
    out += bytes([0 if rows_per_inch == 600 else 200])
    if not landscape:
        out += bytes([orientation])
    disc = (0x80 if setting_fails else 0) | 0x40
    out += bytes([disc, len(keyword)]) + keyword
    return out + band


def band_seeds(rng):
    t = "band_conversion"
    write(t, "portrait_colour_label", band_input(
        64, 24, 4, False, 600, b"DISC_S", label_band(64, 24, 4, 32, rng)))
    write(t, "landscape_colour_300", band_input(
        40, 20, 4, True, 300, b"DISC_S", label_band(40, 20, 4, 20, rng)))
    write(t, "portrait_mono", band_input(
        60, 16, 1, False, 600, b"DISC_S", label_band(60, 16, 1, 8, rng)))
    write(t, "landscape_mono", band_input(
        30, 21, 1, True, 600, b"DISC_D", label_band(30, 21, 1, 4, rng)))
    # Tall enough to cross the hub rows 896..1936 that DISC_D leaves out.
    tall = bytearray(b"\x88" * (8 * 2000))
    write(t, "centre_skip_600", band_input(16, 2000, 4, False, 600, b"DISC_D", bytes(tall)))
    write(t, "centre_skip_300", band_input(16, 1000, 4, False, 300, b"DISC_D", bytes(tall[:8000])))
    # A line that reaches the end of the printer line: 185 bytes of dots.
    write(t, "full_printer_line", band_input(
        185 * 8, 2, 1, False, 600, b"DISC_S", b"\x00" * 185 * 2))
    # A keyword that fills the whole buffer, with no NUL.
    write(t, "keyword_without_nul", band_input(
        16, 4, 4, False, 600, b"DISC_D" * 33 + b"DD", b"\x70" * 32))
    write(t, "setting_fails", band_input(
        16, 4, 4, False, 600, b"DISC_D", b"\x07" * 32, setting_fails=True))
    # Width and height that claim far more pixels than the band holds.
    write(t, "band_smaller_than_claimed", band_input(
        1999, 1999, 4, False, 600, b"DISC_S", b"\x00\x11\x22\x33" * 16, size_image=64))
    write(t, "landscape_smaller_than_claimed", band_input(
        1999, 30, 4, True, 600, b"DISC_S", b"\x00\x11\x22\x33" * 16, size_image=60))


def cmd(prefix, value, letter):
    return ESC + prefix + (b"" if value is None else str(value).encode()) + letter


def decoder_seeds():
    t = "stream_decoder"
    begin = ESC + b"!c2Q" + bytes([0xFF, 0, 0x55, 0xAA, 1, 2, 4, 8, 0x10, 0x20, 0x40, 0x80])
    job = (begin + ESC + b"!t000Q" + ESC + b"*t600R" + ESC + b"!s0Q" + ESC + b"!d4Q" + ESC + b"*b0M")
    plain = cmd(b"*p", 0, b"Y") + cmd(b"*p", 72, b"X") + cmd(b"*b", 5, b"W") + bytes(
        [0xFF, 0xFF, 0xFF, 0, 0x81])
    packed = ESC + b"*b1M" + cmd(b"*b", 6, b"W") + bytes([6, 0, 0x27, 0xFF, 0x90, 0])
    write(t, "plugin_rows", b"\x01" + ESC + b"!d4Q" + ESC + b"*b0M" + plain + packed)
    write(t, "minidriver_job", b"\x00" + job + cmd(b"*p", None, b"Y") + ESC + b"*b1M" +
          cmd(b"*b", 8, b"W") + bytes([2, 0, 0, 0x3F, 0xB8, 0xFF, 2, 0]) + ESC + b"!d4Q" +
          ESC + b"*b0M" + cmd(b"*p", 104, b"X") + cmd(b"*b", 1, b"W") + b"\xff" + ESC + b"!d0Q")
    write(t, "options", b"\x02" + begin + ESC + b"!d6Q" + ESC + b"!t200Q" + ESC + b"*t300R" +
          ESC + b"!s2500Q" + ESC + b"&l0H" + ESC + b"!s980Q")
    write(t, "malformed", b"\x01" + b"stray" + ESC + b"*b99999999999W" + ESC + b"*p12" + ESC +
          b"!zzQ" + ESC + b"*b5W\x01")
    write(t, "odd_column_and_overflow", b"\x01" + ESC + b"!d4Q" + cmd(b"*p", 3, b"X") +
          cmd(b"*b", 200, b"W") + b"\x5a" * 200 + ESC + b"*b1M" + cmd(b"*b", 4, b"W") +
          bytes([255, 1, 255, 2]))
    write(t, "data_before_plane", b"\x00" + cmd(b"*b", 2, b"W") + b"\xf0\x0f")


def bind(size=16, version=1, callback=True):
    return bytes([0]) + struct.pack("<HH", size, version) + bytes([1 if callback else 0])


def scanline(data):
    assert 150 <= len(data) < 195
    return bytes([2, 0, len(data) - 150]) + data


def minidriver_seeds(rng):
    t = "minidriver"
    rows = [bytes([0x40 | 0x80]) + bytes(rng.randrange(256) if i % 9 < 3 else 0 for i in range(185)),
            bytes(186), bytes([0xFF] * 40 + [0] * 146)]
    # A whole colour page at 600 rows per inch: 2830 triples reach the limit.
    write(t, "colour_page_600", bind() + b"".join(scanline(r) for r in rows) +
          bytes([3]) + struct.pack("<H", 2829))
    rows300 = [bytes([0x3F]) + bytes([0x55] * 188), bytes(189), bytes([0, 0, 0x81] + [0] * 186)]
    write(t, "colour_page_300", bind() + b"".join(scanline(r) for r in rows300) +
          bytes([3]) + struct.pack("<H", 1414))
    write(t, "colour_incomplete", bind() + b"".join(scanline(r) for r in rows) + bytes([3, 10, 0]))
    mono = [bytes(50) + b"\x81" + bytes(49), bytes([0x55, 0xAA] * 5 + [0] * 90), bytes(184),
            bytes([0xFF] * 184)]
    write(t, "monochrome", bind() + b"".join(scanline(bytes(150)[:0] + r) if len(r) >= 150 else
                                             bytes([2, 210]) + struct.pack("<H", len(r)) + r
                                             for r in mono))
    write(t, "unbound_then_bound", scanline(rows[0]) + bind(size=7) + bind(version=0) +
          bytes([4]) + bind(callback=False) + scanline(rows[0]) + bind() + scanline(rows[0]))
    write(t, "odd_lengths", bind() + bytes([2, 255]) + struct.pack("<i", -5) +
          bytes([2, 210]) + struct.pack("<H", 0) + bytes([2, 210]) + struct.pack("<H", 400) +
          bytes(range(256)) + bytes(144) + bytes([1, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12]))


def main():
    rng = random.Random(2024)
    targets = sys.argv[1:] or ["band_conversion", "stream_decoder", "minidriver"]
    if "band_conversion" in targets:
        band_seeds(rng)
    if "stream_decoder" in targets:
        decoder_seeds()
    if "minidriver" in targets:
        minidriver_seeds(rng)


if __name__ == "__main__":
    main()
