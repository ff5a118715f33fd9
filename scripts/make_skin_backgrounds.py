#!/usr/bin/env python3
"""Renders the skin's window backgrounds from their vector source
(resources/skin-art/backgrounds.json) at 100, 125, 150, 175 and 200 % with
ImageMagick, so every scale is drawn from the same shapes and text stays
crisp. Writes Image/<name>.png and Image/<name>@<s>.png into the skin folder.

usage: make_skin_backgrounds.py <backgrounds.json> <skin folder>
"""
import json
import os
import subprocess
import sys

SCALES = (100, 125, 150, 175, 200)


def sc(v, s):
    """A length at scale s, as the toolkit scales it (rounded half up)."""
    return (v * s + 50) // 100 if isinstance(v, int) else v * s / 100.0


def draw_args(shape, s, fonts, width):
    f = lambda v: "%.2f" % (v * s / 100.0)
    if "circle" in shape:
        cx, cy, r = shape["circle"]
        return ["-fill", shape["fill"], "-draw", "circle %s,%s %s,%s" % (f(cx), f(cy), f(cx + r), f(cy))]
    if "roundrect" in shape:
        x1, y1, x2, y2, r = shape["roundrect"]
        return ["-fill", shape["fill"], "-draw",
                "roundrectangle %s,%s %s,%s %s,%s" % (f(x1), f(y1), f(x2), f(y2), f(r), f(r))]
    if "polyline" in shape:
        pts = " ".join("%s,%s" % (f(x), f(y)) for x, y in shape["polyline"])
        return ["-fill", "none", "-stroke", shape["stroke"], "-strokewidth", f(shape["width"]),
                "-draw", "stroke-linecap round stroke-linejoin round polyline " + pts, "-stroke", "none"]
    if "text" in shape:
        args = ["-font", fonts[shape.get("font", "regular")], "-pointsize", f(shape["size"]),
                "-fill", shape["color"]]
        if "x" in shape:
            return args + ["-gravity", "NorthWest", "-annotate", "+%s+%s" % (f(shape["x"]), f(shape["y"])),
                           shape["text"]]
        return args + ["-gravity", "North", "-annotate", "+0+%s" % f(shape["y"]), shape["text"]]
    raise ValueError("unknown shape %r" % shape)


def render(source, shapes, s, target):
    w, h = (sc(v, s) for v in source["size"])
    corner = source["corner"] * s / 100.0
    args = ["convert", "-size", "%dx%d" % (w, h), "xc:#FFFFFF"]
    for shape in source["common"] + shapes:
        if "gradient" in shape:
            top, bottom = shape["gradient"]
            gh = sc(shape["height"], s)
            args += ["(", "-size", "%dx%d" % (w, gh), "gradient:%s-%s" % (top, bottom), ")",
                     "-gravity", "NorthWest", "-geometry", "+0+0", "-composite"]
        else:
            args += draw_args(shape, s, source["fonts"], w)
    # Rounded transparent corners; the window's region cuts the same curve.
    args += ["(", "-size", "%dx%d" % (w, h), "xc:black", "-fill", "white", "-draw",
             "roundrectangle 0,0 %d,%d %.2f,%.2f" % (w - 1, h - 1, corner, corner), ")",
             "-alpha", "off", "-compose", "CopyOpacity", "-composite",
             "-depth", "8", "-strip", "-define", "png:exclude-chunks=date,time", "PNG32:" + target]
    subprocess.run(args, check=True)


def main(source_path, skin_dir):
    with open(source_path, encoding="utf-8") as f:
        source = json.load(f)
    images = os.path.join(skin_dir, "Image")
    os.makedirs(images, exist_ok=True)
    for key, shapes in source["images"].items():
        for s in SCALES:
            first = None
            for name in source["outputs"][key]:
                target = os.path.join(images, name + ("" if s == 100 else "@%d" % s) + ".png")
                if first is None:
                    render(source, shapes, s, target)
                    first = target
                else:
                    with open(first, "rb") as a, open(target, "wb") as b:
                        b.write(a.read())


if __name__ == "__main__":
    main(sys.argv[1], sys.argv[2])
