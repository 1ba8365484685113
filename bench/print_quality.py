#!/usr/bin/env python3
"""Print-quality benchmark: how close the printed dots look to the picture.

Each picture goes through the picture path of `quillory2 encode`
(build/bin/print_planes writes its ink page and the picture placed on the
same dots). A printer model turns the dots into colour, the eye's low-pass
at a viewing distance of 30 cm is applied to both (S-CIELAB, Zhang and
Wandell 1996), and the difference is measured inside the printable ring.

  python3 bench/print_quality.py [--build build] [--model area|gain:0.15]
                                 [--resolution 600] [--set '--tone 0' ...]
                                 [--images chart,astronaut,...] [--fit-curves]

--fit-curves measures each ink's tone curve under the printer model, as
the test disc's ramps show a real printer's (flat patches of 0, 10, ...,
100 % of one ink through the picture path), and prints with those curves
(`--ink-curves`), as `quillory2 calibrate --scan` would have them set.

Reports, for the generated test chart and for photographs shipped by
Debian's python3-skimage (astronaut, coffee, chelsea, motorcycle_left,
rocket):
  mean, p95   S-CIELAB delta E (CIE 1976) inside the ring, where the picture is
  tone        chart only: mean |delta L*| of the grey ramp's steps
  grain10/50  chart only: std. dev. of the eye-filtered L* in the flat grey
              patches of 10 % and 50 % ink coverage (linear reflectance 0.9 and
              0.5: sRGB 243 and 188); 0 for a perfectly smooth patch
  H/V         chart only: dot-pattern power along rows over power down
              columns in the 50 % patch, frequencies up to 1/4 of the grid's
              (1.0 means no direction is favoured)
  dark3       share of dot cells with all three inks where the picture's L* < 25
  darkink     mean ink per dot cell there, in % of one ink (300 = every ink)
"""
import argparse
import os
import subprocess
import sys
import tempfile

import numpy as np
from scipy import fft as sfft
from scipy import ndimage

HERE = os.path.dirname(os.path.abspath(__file__))
SKIMAGE_DATA = "/usr/lib/python3/dist-packages/skimage/data"
PHOTOS = ["astronaut.png", "coffee.png", "chelsea.png", "motorcycle_left.png", "rocket.jpg"]
VIEWING_INCH = 300 / 25.4  # 30 cm
DOTS_PER_INCH = 300

# --- netpbm -----------------------------------------------------------------


def read_pnm(path):
    with open(path, "rb") as f:
        data = f.read()
    fields, pos = [], 0
    while len(fields) < 4:
        while data[pos:pos + 1].isspace():
            pos += 1
        if data[pos:pos + 1] == b"#":
            pos = data.index(b"\n", pos)
            continue
        end = pos
        while not data[end:end + 1].isspace():
            end += 1
        fields.append(data[pos:end])
        pos = end
    pos += 1
    magic, width, height = fields[0], int(fields[1]), int(fields[2])
    channels = 3 if magic == b"P6" else 1
    pixels = np.frombuffer(data, np.uint8, width * height * channels, pos)
    return pixels.reshape(height, width, channels) if channels == 3 else pixels.reshape(height, width)


def write_ppm(path, rgb):
    with open(path, "wb") as f:
        f.write(b"P6\n%d %d\n255\n" % (rgb.shape[1], rgb.shape[0]))
        f.write(np.ascontiguousarray(rgb, np.uint8).tobytes())


# --- colour -----------------------------------------------------------------

SRGB_TO_XYZ = np.array([[0.4124, 0.3576, 0.1805], [0.2126, 0.7152, 0.0722], [0.0193, 0.1192, 0.9505]])
XYZ_TO_OPP = np.array([[0.279, 0.72, -0.107], [-0.449, 0.29, -0.077], [0.086, -0.59, 0.501]])
# Spatial filters of the three opponent channels: (weight, spread in degrees).
# Zhang and Wandell's luminance filter has a third, wide negative lobe
# (-0.108, 4.336 degrees): lateral inhibition, which darkens a dark area
# beside a bright one while the chroma filters, which have none, leave its
# colour as it was; turned back into XYZ that is a colour cast no eye sees
# (a flat 7 % grey inside white came out at L* 5, a* 80, and printed
# blacks beside the astronaut at a* 110 against the picture's 0). As
# Johnson and Fairchild do for image differences, the luminance filter is
# taken as a low-pass: the negative lobe is left out.
OPP_FILTERS = [[(0.921, 0.0283), (0.105, 0.133)],
               [(0.531, 0.0392), (0.330, 0.494)],
               [(0.488, 0.0536), (0.371, 0.386)]]
WHITE = SRGB_TO_XYZ.sum(axis=1)


def srgb_to_linear(v):
    v = v / 255.0
    return np.where(v <= 0.04045, v / 12.92, ((v + 0.055) / 1.055) ** 2.4)


def xyz_to_lab(xyz):
    # The eye filter's wide negative lobe can take a dark spot beside a bright
    # one below black; it is taken as black.
    t = np.maximum(xyz, 0) / WHITE
    f = np.where(t > (6 / 29) ** 3, np.cbrt(np.maximum(t, 0)), t / (3 * (6 / 29) ** 2) + 4 / 29)
    return np.stack([116 * f[..., 1] - 16, 500 * (f[..., 0] - f[..., 1]), 200 * (f[..., 1] - f[..., 2])], -1)


def lightness(linear_y):
    return xyz_to_lab(np.stack([linear_y * WHITE[0], linear_y, linear_y * WHITE[2]], -1))[..., 0]


class EyeFilter:
    """S-CIELAB: linear sRGB on a square grid -> eye-filtered CIELAB."""

    def __init__(self, shape, samples_per_inch):
        per_degree = samples_per_inch * 2 * VIEWING_INCH * np.tan(np.radians(0.5))
        # Paper white around the page keeps the widest lobe from wrapping.
        self.pad = int(min(1024, 2.5 * max(s for terms in OPP_FILTERS for _, s in terms) * per_degree))
        self.size = [sfft.next_fast_len(n + 2 * self.pad, real=True) for n in shape]
        fy = sfft.fftfreq(self.size[0])[:, None]
        fx = sfft.rfftfreq(self.size[1])[None, :]
        f2 = fx * fx + fy * fy
        self.transfer = []
        for terms in OPP_FILTERS:
            total = sum(w for w, _ in terms)
            # exp(-r^2 / s^2), normalised, has the transfer exp(-pi^2 s^2 f^2).
            h = sum(w * np.exp(-(np.pi * s * per_degree) ** 2 * f2) for w, s in terms) / total
            self.transfer.append(h.astype(np.float32))

    def lab(self, linear_rgb):
        opp = linear_rgb @ (XYZ_TO_OPP @ SRGB_TO_XYZ).T
        white = WHITE @ XYZ_TO_OPP.T
        out = np.empty_like(opp)
        h, w = opp.shape[:2]
        for c in range(3):
            plane = np.full(self.size, white[c], np.float32)
            plane[self.pad:self.pad + h, self.pad:self.pad + w] = opp[..., c]
            spectrum = sfft.rfft2(plane, workers=2) * self.transfer[c]
            out[..., c] = sfft.irfft2(spectrum, self.size, workers=2)[self.pad:self.pad + h, self.pad:self.pad + w]
        return xyz_to_lab(out @ np.linalg.inv(XYZ_TO_OPP).T)


# --- printer models -----------------------------------------------------------


class AreaCoverage:
    """Block dyes, one per dot cell: a dot covers its cell exactly. Cell
    reflectance R = 1 - C, G = 1 - M, B = 1 - Y (linear light)."""

    name = "area"

    def coverage(self, plane):
        return plane.astype(np.float32)

    def reflectance(self, planes):
        cover = [self.coverage(p) for p in planes]
        if len(cover) == 1:
            return np.repeat((1 - cover[0])[..., None], 3, -1)
        return np.stack([1 - c for c in cover], -1)


class DotGain(AreaCoverage):
    """A round dot bigger than its cell: a share `gain` of a dot's ink also
    covers each of its four neighbours (a dot grid with no gain is
    AreaCoverage). Meant to be fitted to scans of printed ramps."""

    def __init__(self, gain):
        self.gain = gain
        self.name = "gain:%g" % gain

    def coverage(self, plane):
        p = plane.astype(np.float32)
        k = np.array([[0, self.gain, 0], [self.gain, 1, self.gain], [0, self.gain, 0]], np.float32)
        return np.minimum(1.0, ndimage.convolve(p, k, mode="constant"))


def make_model(text):
    if text == "area":
        return AreaCoverage()
    if text.startswith("gain:"):
        return DotGain(float(text[5:]))
    raise SystemExit("unknown printer model %r (area or gain:SHARE)" % text)


# --- the test chart -------------------------------------------------------------

CHART_PX = 1000
SKIN = [(255, 224, 196), (234, 192, 160), (224, 172, 105), (198, 134, 66), (141, 85, 36), (88, 57, 39)]


def chart_layout():
    """Patches of the chart as (name, x0, y0, x1, y1, rgb) in a 1000-pixel
    square, all inside a 118 mm disc and outside its hub."""
    patches = []

    def ramp(name, y, colour_of):
        steps = 11
        for i in range(steps):
            x0 = 200 + i * 600 // steps
            patches.append(("%s%02d" % (name, i), x0, y, 200 + (i + 1) * 600 // steps, y + 60, colour_of(i / (steps - 1))))

    def mix(target):
        return lambda t: tuple(int(round(255 + (c - 255) * t)) for c in target)

    ramp("grey", 100, lambda t: (int(round(255 * (1 - t))),) * 3)
    ramp("cyan", 165, mix((0, 255, 255)))
    ramp("magenta", 230, mix((255, 0, 255)))
    ramp("yellow", 295, mix((255, 255, 0)))
    # 10 % and 50 % ink under the colorimetric model: reflectance 0.9 and 0.5.
    patches.append(("flat10", 130, 390, 380, 610, (243,) * 3))
    patches.append(("flat50", 620, 390, 870, 610, (188,) * 3))
    ramp("red", 640, mix((255, 0, 0)))
    ramp("green", 705, mix((0, 255, 0)))
    ramp("blue", 770, mix((0, 0, 255)))
    for i, rgb in enumerate(SKIN):
        patches.append(("skin%d" % i, 230 + i * 90, 840, 230 + (i + 1) * 90, 900, rgb))
    return patches


def make_chart(path):
    img = np.full((CHART_PX, CHART_PX, 3), 255, np.uint8)
    for _, x0, y0, x1, y1, rgb in chart_layout():
        img[y0:y1, x0:x1] = rgb
    write_ppm(path, img)


# --- measuring -------------------------------------------------------------------


def directional_power(y):
    """Power of a patch's pattern along rows (horizontal frequencies) and down
    columns, up to a quarter of the grid frequency, in 45-degree wedges."""
    y = y - y.mean()
    p = np.abs(np.fft.fft2(y * np.outer(np.hanning(y.shape[0]), np.hanning(y.shape[1])))) ** 2
    fy = np.fft.fftfreq(y.shape[0])[:, None]
    fx = np.fft.fftfreq(y.shape[1])[None, :]
    band = (fx * fx + fy * fy) <= 0.25 ** 2
    horizontal = band & (np.abs(fx) > np.abs(fy) * np.tan(np.radians(67.5)))
    vertical = band & (np.abs(fy) > np.abs(fx) * np.tan(np.radians(67.5)))
    return p[horizontal].mean(), p[vertical].mean()


def fit_curves(build, model, resolution, workdir):
    """The model's tone curve of each ink in --ink-curves words: flat
    pictures of one ink, separated on Matte without ink limit (so each asks
    for the coverage its code value means), halftoned, and the share the
    model's dots cover, between paper white and full ink."""
    words = []
    for ink, letter in enumerate("CMY"):
        nominal, printed = [], []
        for step in range(11):
            light = 1 - step / 10
            code = 255 * (12.92 * light if light <= 0.0031308 else 1.055 * light ** (1 / 2.4) - 0.055)
            rgb = np.full((8, 8, 3), 255, np.uint8)
            rgb[..., ink] = int(round(code))
            path, prefix = os.path.join(workdir, "ramp.ppm"), os.path.join(workdir, "ramp")
            write_ppm(path, rgb)
            subprocess.run([os.path.join(build, "bin", "print_planes"), path, prefix, "--resolution", str(resolution),
                            "--media", "Matte", "--ink-limit", "off"], check=True)
            dots = read_pnm(prefix + "-dots.pgm") > 0
            mask = read_pnm(prefix + "-mask.pgm")
            plane = dots[ink * mask.shape[0]:(ink + 1) * mask.shape[0]]
            # Away from the ring's edges, where a dot has no neighbours to spread to.
            inside = ndimage.binary_erosion(mask == 3, iterations=4)
            nominal.append(plane[inside].mean())
            printed.append(model.coverage(plane)[inside].mean())
        curve = 100 * np.interp(np.arange(11) / 10, nominal, printed) / printed[-1]
        curve = np.maximum.accumulate(np.clip(np.round(curve, 1), 0, 100))
        curve[0], curve[-1] = 0, 100
        words.append(letter + ":" + ",".join("%g" % v for v in curve))
    return ";".join(words)


def measure(name, picture, build, model, resolution, extra, workdir):
    prefix = os.path.join(workdir, name)
    cmd = [os.path.join(build, "bin", "print_planes"), picture, prefix, "--resolution", str(resolution)] + extra
    subprocess.run(cmd, check=True)
    dots = read_pnm(prefix + "-dots.pgm") > 0
    ref = read_pnm(prefix + "-ref.ppm")
    mask = read_pnm(prefix + "-mask.pgm")
    rows = mask.shape[0]
    planes = [dots[i * rows:(i + 1) * rows] for i in range(dots.shape[0] // rows)]
    # Cells are 1/300 inch across and 1/resolution down. The colours are
    # compared on a square grid of 1/300 inch: at 600 rows per inch each pair
    # of rows is averaged, which the eye's filter at 30 cm does anyway. The
    # texture of the dots is measured on the rows themselves (columns
    # repeated, so that the grid is square).
    pairs = resolution // DOTS_PER_INCH

    def square(a):
        a = a.astype(np.float32)
        return a.reshape(a.shape[0] // pairs, pairs, *a.shape[1:]).mean(1) if pairs > 1 else a

    cells = model.reflectance(planes)
    printed = square(cells)
    wanted = square(srgb_to_linear(ref.astype(np.float32)))
    eye = EyeFilter(printed.shape[:2], DOTS_PER_INCH)
    lab_printed = eye.lab(printed)
    lab_wanted = eye.lab(wanted)
    de = np.sqrt(((lab_printed - lab_wanted) ** 2).sum(-1))
    region = square(mask == 3) == 1
    out = {"name": name, "mean": de[region].mean(), "p95": np.percentile(de[region], 95)}
    outside = (mask & 1) == 0
    out["outside"] = int(sum(p[outside].sum() for p in planes))

    # Dark areas: where the picture's own L* is below 25.
    dark = (lightness(srgb_to_linear(ref.astype(np.float32)) @ SRGB_TO_XYZ[1]) < 25) & (mask == 3)
    if dark.any() and len(planes) == 3:
        inks = sum(p.astype(np.int32) for p in planes)
        out["dark3"] = 100.0 * (inks[dark] == 3).mean()
        out["darkink"] = 100.0 * inks[dark].mean()
    if name == "chart":
        scale = 1416 / CHART_PX

        def patch(x0, y0, x1, y1, shrink, rows=1):
            cx, cy, hw, hh = (x0 + x1) / 2, (y0 + y1) / 2, (x1 - x0) * shrink / 2, (y1 - y0) * shrink / 2
            return (slice(int((cy - hh) * scale * rows), int((cy + hh) * scale * rows)),
                    slice(int((cx - hw) * scale), int((cx + hw) * scale)))

        tone = []
        for pname, x0, y0, x1, y1, _ in chart_layout():
            if pname.startswith("grey"):
                s = patch(x0, y0, x1, y1, 0.5)
                tone.append(abs(lab_printed[s][..., 0].mean() - lab_wanted[s][..., 0].mean()))
            if pname in ("flat10", "flat50"):
                s = patch(x0, y0, x1, y1, 0.7)
                out["grain" + pname[4:]] = lab_printed[s][..., 0].std()
                if pname == "flat50":
                    yy = cells[patch(x0, y0, x1, y1, 0.7, pairs)] @ SRGB_TO_XYZ[1]
                    h, v = directional_power(np.repeat(yy, pairs, axis=1))
                    out["hv"] = h / v
        out["tone"] = float(np.mean(tone))
    return out


COLUMNS = [("name", "%-16s"), ("mean", "%6.2f"), ("p95", "%6.2f"), ("tone", "%6.2f"), ("grain10", "%8.2f"),
           ("grain50", "%8.2f"), ("hv", "%6.2f"), ("dark3", "%6.1f"), ("darkink", "%8.1f"), ("outside", "%8d")]


def print_table(results, title):
    print(title)
    print("| " + " | ".join(c for c, _ in COLUMNS) + " |")
    print("|" + "---|" * len(COLUMNS))
    for r in results:
        print("| " + " | ".join((f % r[c]).strip() if c in r else "-" for c, f in COLUMNS) + " |")
    photos = [r["mean"] for r in results if r["name"] != "chart"]
    if photos:
        print("\nphotographs: mean delta E %.2f (worst %.2f)" % (np.mean(photos), max(photos)))


def main():
    ap = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    ap.add_argument("--build", default=os.path.join(HERE, "..", "build"))
    ap.add_argument("--model", default="area", help="printer model: area, or gain:SHARE (dot gain)")
    ap.add_argument("--resolution", type=int, default=600, choices=[600, 300])
    ap.add_argument("--set", default="", help="options for the picture path, e.g. '--tone 0 --ink-limit off'")
    ap.add_argument("--images", default="", help="comma-separated: chart and photograph names (default: all)")
    ap.add_argument("--title", default="")
    ap.add_argument("--fit-curves", action="store_true", help="print with the model's own ink curves")
    args = ap.parse_args()
    model = make_model(args.model)
    extra = args.set.split()
    wanted = [w for w in args.images.split(",") if w]
    with tempfile.TemporaryDirectory() as workdir:
        if args.fit_curves:
            curves = fit_curves(args.build, model, args.resolution, workdir)
            print("  fitted --ink-curves %s" % curves, file=sys.stderr)
            extra += ["--ink-curves", curves]
            args.set = (args.set + " --ink-curves (fitted)").strip()
        jobs = []
        if not wanted or "chart" in wanted:
            chart = os.path.join(workdir, "chart-picture.ppm")
            make_chart(chart)
            jobs.append(("chart", chart))
        for photo in PHOTOS:
            stem = os.path.splitext(photo)[0]
            path = os.path.join(SKIMAGE_DATA, photo)
            if wanted and stem not in wanted:
                continue
            if not os.path.exists(path):
                sys.exit("%s is missing: install Debian's python3-skimage (scripts/install-deps.sh test)" % path)
            jobs.append((stem, path))
        results = []
        for name, path in jobs:
            results.append(measure(name, path, args.build, model, args.resolution, extra, workdir))
            print("  measured %s" % name, file=sys.stderr)
    print_table(results, args.title or "model %s, %d rows per inch, options '%s'" % (model.name, args.resolution,
                                                                                      args.set))


if __name__ == "__main__":
    main()
