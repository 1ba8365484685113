#!/usr/bin/env python3
"""Writes the three example label templates of the designer.

    python3 examples/make_templates.py PHOTO.png    (PHOTO.png: `make_label --photo PHOTO.png`)

photo-label.json  a photo filling the disc, a title and a subtitle on arcs
audio-cd.json     an audio CD: title and artist on arcs, the track list from a CUE sheet
data-disc.json    a data disc, text only: arcs, straight lines, several scripts
"""
import base64
import json
import os
import sys

HERE = os.path.dirname(os.path.abspath(__file__))


def font(size, weight="normal", family="DejaVu Sans", italic=False):
    f = {"family": family, "size_pt": size, "weight": weight}
    if italic:
        f["italic"] = True
    return f


def arc(text, side, radius, f, colour, spacing=0.0):
    return {"text": text, "side": side, "radius_mm": radius, "angle_deg": 0, "font": f, "colour": colour,
            "letter_spacing_pt": spacing}


def line(text, y, f, colour="#000000", x=0, align="centre"):
    return {"text": text, "x_mm": x, "y_mm": y, "align": align, "font": f, "colour": colour}


def template(**parts):
    t = {"format": "quillory2-label", "version": 1, "disc": {"size_mm": 120, "outer_mm": 118, "hub_mm": 22}}
    t.update(parts)
    return t


CUE = """REM GENRE Ambient
REM DATE 2026
PERFORMER "Harbour Lights"
TITLE "Evening Tides"
FILE "evening-tides.wav" WAVE
""" + "".join(
    '  TRACK %02d AUDIO\n    TITLE "%s"\n%s    INDEX 01 %02d:00:00\n' % (
        n + 1, title, '    PERFORMER "%s"\n' % guest if guest else "", n * 4)
    for n, (title, guest) in enumerate([
        ("Low Water", None), ("Salt on the Glass", None), ("Lanterns", "Mira Okafor"), ("North Pier", None),
        ("Gulls at Dusk", None), ("The Long Jetty", None), ("Undertow", "Tomas Lind"), ("Night Ferry", None),
        ("Anchor Light", None), ("Drift", None), ("Slack Tide", None), ("Harbour Lights", None)]))


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    with open(sys.argv[1], "rb") as f:
        photo = "data:image/png;base64," + base64.b64encode(f.read()).decode()
    examples = {
        "photo-label.json": template(
            background={"colour": "#1a2350", "photo": {"data": photo, "fit": "fill", "zoom": 1.0,
                                                      "pan_x_mm": 0, "pan_y_mm": 0, "rotate_deg": 0}},
            arc_texts=[arc("Summer by the Lake", "top", 48, font(22, "bold"), "#ffffff", 1.0),
                       arc("Holiday photos · August 2026", "bottom", 49, font(13, italic=True), "#fff0c8")]),
        "audio-cd.json": template(
            background={"colour": "#f4efe6"},
            arc_texts=[arc("EVENING TIDES", "top", 50, font(24, "bold", "DejaVu Serif"), "#173a5e", 4.0),
                       arc("Harbour Lights", "bottom", 51, font(15, "normal", "DejaVu Serif", True), "#8a4b2a")],
            texts=[line("2026", -22, font(10), "#555555")],
            track_list={"cue": CUE, "columns": 2, "region": "bottom", "font": font(9), "min_size_pt": 6,
                        "colour": "#222222"}),
        "data-disc.json": template(
            background={"colour": "#ffffff"},
            arc_texts=[arc("PROJECT ARCHIVE", "top", 50, font(22, "bold", "DejaVu Sans Mono"), "#0b5d3b", 2.0),
                       arc("Disc 1 of 2 · written 2026-12-10", "bottom", 51, font(12), "#444444")],
            texts=[line("Backups · Sauvegardes", -33, font(11), "#0b5d3b"),
                   line("Αντίγραφα · Резервные копии", -27, font(11), "#0b5d3b"),
                   line("גיבוי · Café déjà vu", -20, font(11), "#444444"),
                   line("/source   /documents   /photos", 22, font(12, family="DejaVu Sans Mono"), "#000000"),
                   line("4.2 GB", 31, font(16, "bold"), "#0b5d3b")]),
    }
    for name, t in examples.items():
        with open(os.path.join(HERE, name), "w", encoding="utf-8") as f:
            json.dump(t, f, ensure_ascii=False, indent=2)
            f.write("\n")


if __name__ == "__main__":
    main()
