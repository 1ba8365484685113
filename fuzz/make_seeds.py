#!/usr/bin/env python3
"""Writes the seed inputs of the fuzz targets into corpus/<target>/.

The table_reader seeds are the built tables: QUILLORY2_BUILD_DIR names the
build whose tables/ folder holds them (default: build/).

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
    # Judged as whole jobs (settings bit 7), colour expected (bit 6): hostile
    # shapes whose memory must not grow with them.
    end = ESC + b"!d0Q"
    write(t, "job_rows_below_page", b"\xc1" + job + (cmd(b"*b", 1, b"W") + b"\x80") * 700 +
          cmd(b"*p", 999999999, b"Y") + cmd(b"*b", 1, b"W") + b"\x80" + end)
    write(t, "job_escape_run", b"\x80" + job + ESC * 3000 + end)
    write(t, "job_bare_plane_starts", b"\xc0" + job + (ESC + b"!d4Q") * 500 + end + job)

    # Random bytes, mostly command characters so that the parser gets deep as
    # often as not, and whole jobs with bytes changed, dropped and inserted:
    # what the decoder's own tests once generated in loops.
    rng = random.Random(12345)
    alphabet = b"\x1b\x1b\x1b*!&bpdtcslYXWMQRH0123456789"
    for n in range(16):
        data = bytes(rng.randrange(256) if rng.randrange(4) == 0 else rng.choice(alphabet)
                     for _ in range(rng.randrange(400)))
        write(t, "random_%02d" % n, bytes([rng.randrange(4)]) + data)
    rows = b"".join(cmd(b"*p", 2 * r, b"Y") + ESC + b"*b1M" + cmd(b"*b", 6, b"W") +
                    bytes([5 + r % 7, 0, 40, 0xF0 ^ r, 144 - r % 7, 0]) + ESC + b"*b0M" +
                    cmd(b"*p", 24 + 8 * (r % 5), b"X") + cmd(b"*b", 3, b"W") + bytes([r, 0x81, 0x7E])
                    for r in range(12))
    planes = b"".join(ESC + b"!d4Q" + ESC + b"*b0M" + cmd(b"*p", None, b"Y") + rows for _ in range(3))
    whole = begin + ESC + b"!t000Q" + ESC + b"*t300R" + ESC + b"!s0Q" + planes + end
    for n in range(16):
        data = bytearray(whole)
        for _ in range(1 + rng.randrange(6)):
            at = rng.randrange(len(data))
            edit = rng.randrange(3)
            if edit == 0:
                data[at] = rng.randrange(256)
            elif edit == 1:
                del data[at]
            else:
                data.insert(at, 0x1B if rng.randrange(2) else rng.randrange(256))
        write(t, "mutated_job_%02d" % n, bytes([0x80 | rng.randrange(4)]) + bytes(data))


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


def devmode_seeds():
    t = "devmode"
    sig = b"ZNDQ"
    record = lambda size, version, private, signature=sig: struct.pack("<I", size) + signature + struct.pack("<II", version, private)
    calls = [
        bytes([1]) + record(16, 1, 0) + record(16, 1, 0) + bytes([3]),  # size
        bytes([2]) + record(0, 0, 0, b"\0\0\0\0") * 2 + bytes([0]),  # default
        bytes([3]) + record(12, 1, 7) + record(16, 1, 9) + bytes([3]),  # convert, short input
        bytes([3]) + record(16, 1, 7) + record(16, 1, 9) + bytes([3]),  # convert, private carried
        bytes([3]) + record(0xFFFF, 1, 7) + record(0xFFFFFFFF, 1, 9) + bytes([3]),  # sizes beyond the record
        bytes([3]) + record(16, 1, 7, b"ABCD") + record(16, 1, 9) + bytes([2]),  # foreign record
        bytes([4]) + record(16, 1, 7) + record(16, 1, 9) + bytes([3]),  # merge
        bytes([0]) + record(16, 1, 7) * 2 + bytes([3]),  # mode 0
        bytes([5]) + record(16, 1, 7) * 2 + bytes([3]),  # mode 5
        bytes([3 | 0x18]) + record(16, 1, 7) * 2 + bytes([3]),  # convert, null input
        bytes([2 | 0x06]) + record(16, 1, 7) * 2 + bytes([3]),  # default, null output
        bytes([1 | 0x60]) + record(16, 1, 7) * 2 + bytes([3]),  # null parameter block
    ]
    for i, call in enumerate(calls):
        write(t, "call_%02d" % i, call)
    write(t, "all_calls", b"".join(calls))


def table_seeds(build_dir):
    t = "table_reader"
    for name, kind in (("gpc.bin", 0), ("ntext.bin", 1)):
        path = os.path.join(build_dir, "tables", name)
        if not os.path.exists(path):
            print("no %s: build the q2tables_files target first" % path)
            continue
        data = open(path, "rb").read()
        options = bytes([1, 2, 2]) + struct.pack("<H", 101) + bytes([2, 1, 1]) + struct.pack("<H", 0) + \
            bytes([3, 1, 1]) + struct.pack("<H", 1) + struct.pack("<I", 2831)
        write(t, name.replace(".bin", ""), bytes([kind]) + struct.pack("<H", len(data)) + data + options)
        # The same table cut short, and with its heap offset broken.
        write(t, name.replace(".bin", "_truncated"), bytes([kind]) + struct.pack("<H", len(data) // 2) + data[:len(data) // 2])
        if kind == 0:
            broken = bytearray(data)
            broken[8:12] = struct.pack("<I", 0xFFFF0000)
            write(t, "gpc_bad_heap", bytes([0]) + struct.pack("<H", len(broken)) + bytes(broken))


def cups_seeds(rng):
    t = "cups_page"

    def page(choice, width, height, pixels, extra=b""):
        # extra: the colour space and bits-per-colour bytes that choice asks for
        return bytes([0, choice]) + extra + struct.pack("<HH", width, height) + pixels

    pattern = bytes(rng.randrange(256) if i % 5 else 0 for i in range(997))
    write(t, "black_600", page(0, 300, 40, pattern))
    write(t, "cmy_chunked_600", page(1, 120, 30, pattern))
    write(t, "cmy_banded_600", page(1 | 1 << 1, 200, 30, pattern))
    write(t, "cmy_planar_300", page(1 | 2 << 1 | 8, 160, 24, pattern))
    write(t, "black_wider_than_printer", page(0, 1600, 8, pattern))
    write(t, "cmy_taller_than_disc", page(1 | 1 << 1, 16, 2900, b"\x0f\xf0"))
    write(t, "cut_short", page(1, 400, 400, b"\xaa" * 10)[:40])
    write(t, "eight_bits_per_colour", page(1 | 0x40, 50, 10, pattern[:100], extra=bytes([8])))
    write(t, "wrong_colour_space", page(0x80 | 1, 50, 10, pattern[:100], extra=bytes([1])))
    write(t, "raw_garbage", bytes([1]) + b"RaS3" + pattern[:300])


def netpbm_seeds():
    t = "netpbm_reader"
    write(t, "plain_bitmap", b"P1\n# a comment\n3 2\n101\n0 1 0\n")
    write(t, "plain_grey", b"P2 2 2 15\n0 15\n7 8\n")
    write(t, "plain_colour", b"P3 2 1 255 255 0 0 0 0 255\n")
    write(t, "bitmap", b"P4\n10 2\n" + bytes([0xA5, 0xC0, 0x5A, 0x40]))
    write(t, "grey_16_bit", b"P5 2 1 65535\n" + bytes([0xFF, 0xFF, 0x80, 0x00]))
    write(t, "colour", b"P6 2 2 200\n" + bytes(range(0, 120, 10)))
    write(t, "cut_in_the_rows", b"P6 4 4 255\n" + bytes(20))
    write(t, "sample_above_maximum", b"P2 1 1 15 16")
    write(t, "long_number", b"P2 " + b"9" * 30 + b" 1 255\n")


def main():
    rng = random.Random(2024)
    targets = sys.argv[1:] or ["band_conversion", "stream_decoder", "minidriver", "devmode", "table_reader", "cups_page",
                                "netpbm_reader"]
    if "band_conversion" in targets:
        band_seeds(rng)
    if "stream_decoder" in targets:
        decoder_seeds()
    if "minidriver" in targets:
        minidriver_seeds(rng)
    if "devmode" in targets:
        devmode_seeds()
    if "cups_page" in targets:
        cups_seeds(rng)
    if "netpbm_reader" in targets:
        netpbm_seeds()
    if "table_reader" in targets:
        table_seeds(os.environ.get("QUILLORY2_BUILD_DIR", os.path.join(HERE, "..", "build")))


if __name__ == "__main__":
    main()
