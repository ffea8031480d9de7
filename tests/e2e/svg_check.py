#!/usr/bin/env python3
"""Checks the stand-in's SVG pictures as a browser shows them: each file is
parsed as XML and rendered by rsvg-convert, and the pixels are compared with
what the CGM export of the same sheet draws (decoded here, independently).

  svg_check.py sheet <sheet.svg> <sheet.cgm>
      the sheet's strokes show their colours, its texts stand upright, the
      background is white, the viewBox is the sheet in millimetres;
  svg_check.py overlay <overlay.svg> <first.cgm> <second.cgm>
      the second file's lines that the first lacks are drawn strong, the
      others not, and the moved boss (red in the sheet) is among them.
"""
import math
import struct
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ET
import zlib

PX_PER_MM = 4
SVG = "{http://www.w3.org/2000/svg}"
MAGENTA = (190, 0, 190)  # host colour 5
RED = (210, 0, 0)  # host colour 4


def fail(message):
    sys.exit("svg_check: " + message)


def read_png(path):
    data = open(path, "rb").read()
    if data[:8] != b"\x89PNG\r\n\x1a\n":
        fail(path + " is no PNG")
    pos, idat = 8, b""
    while pos < len(data):
        length, kind = struct.unpack(">I4s", data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + length]
        if kind == b"IHDR":
            width, height, depth, colour_type = struct.unpack(">IIBB", body[:10])
        elif kind == b"IDAT":
            idat += body
        pos += 12 + length
    if depth != 8 or colour_type not in (2, 6):
        fail("expected 8-bit RGB or RGBA from rsvg-convert")
    step = 4 if colour_type == 6 else 3
    raw, stride = zlib.decompress(idat), width * step
    rows, previous = [], bytearray(stride)
    for y in range(height):
        kind, line = raw[y * (stride + 1)], bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        for i in range(stride):
            a = line[i - step] if i >= step else 0
            b = previous[i]
            c = previous[i - step] if i >= step else 0
            if kind == 1:
                line[i] = (line[i] + a) & 255
            elif kind == 2:
                line[i] = (line[i] + b) & 255
            elif kind == 3:
                line[i] = (line[i] + (a + b) // 2) & 255
            elif kind == 4:
                p = a + b - c
                pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
                line[i] = (line[i] + (a if pa <= pb and pa <= pc else b if pb <= pc else c)) & 255
        rows.append(line if step == 4 else bytearray(b"".join(
            bytes(line[i:i + 3]) + b"\xff" for i in range(0, stride, 3))))
        previous = line
    return width, height, rows


class Picture:
    """The rendered file and the mapping of sheet millimetres (y up) to pixels."""

    def __init__(self, path):
        root = ET.parse(path).getroot()
        if root.tag != SVG + "svg":
            fail(path + ": the root is no svg element")
        self.box = [float(v) for v in root.get("viewBox").split()]
        if root.get("width") != fmt(self.box[2]) + "mm" or root.get("height") != fmt(self.box[3]) + "mm":
            fail(path + ": width and height are not the viewBox in millimetres")
        background = root.find(SVG + "rect")
        if background is None or background.get("fill") != "#ffffff":
            fail(path + ": no white background")
        self.root = root
        with tempfile.NamedTemporaryFile(suffix=".png") as png:
            subprocess.run(["rsvg-convert", "-w", str(round(self.box[2] * PX_PER_MM)), "-o", png.name, path],
                           check=True)
            self.width, self.height, self.rows = read_png(png.name)

    def pixel(self, x, y):
        return self.rows[y][4 * x:4 * x + 4]

    def to_pixel(self, x, y):
        x0, y0, _, h = self.box
        return int((x - x0) * PX_PER_MM), int((y0 + h - y) * PX_PER_MM)

    def share(self, colour, x, y, radius=1):
        """How much of the colour the pixels around (x, y) mm hold, 0 to 1."""
        px, py = self.to_pixel(x, y)
        best = 0.0
        for v in range(py - radius, py + radius + 1):
            for u in range(px - radius, px + radius + 1):
                if 0 <= u < self.width and 0 <= v < self.height:
                    best = max(best, colour_share(self.pixel(u, v)[:3], colour))
        return best


def fmt(value):
    text = ("%.3f" % value).rstrip("0").rstrip(".")
    return "0" if text == "-0" else text


def colour_share(pixel, colour):
    """a when the pixel is colour blended over white by a, else 0."""
    ink = [255 - p for p in pixel]
    full = [255 - c for c in colour]
    norm = sum(f * f for f in full)
    if norm == 0:
        return 0.0
    a = sum(i * f for i, f in zip(ink, full)) / norm
    off = math.sqrt(sum((i - a * f) ** 2 for i, f in zip(ink, full)))
    return a if off < 40 else 0.0


def read_cgm(path):
    """Our CGM files: polylines and texts in millimetres with RGB colours."""
    data = open(path, "rb").read()
    pos, scale, table, line, text, height = 0, 1.0, {}, 1, 1, 0
    up, polylines, texts = (0, 1), [], []
    while pos < len(data):
        head = struct.unpack(">H", data[pos:pos + 2])[0]
        pos += 2
        cls, eid, length = head >> 12, (head >> 5) & 127, head & 31
        if length == 31:
            length = struct.unpack(">H", data[pos:pos + 2])[0] & 0x7FFF
            pos += 2
        p = data[pos:pos + length]
        pos += length + (length & 1)
        if (cls, eid) == (2, 1):
            scale = struct.unpack(">d", p[2:10])[0]
        elif (cls, eid) == (5, 34):
            for i in range(p[0], p[0] + (len(p) - 1) // 3):
                table[i] = tuple(p[1 + 3 * (i - p[0]):4 + 3 * (i - p[0])])
        elif (cls, eid) == (5, 4):
            line = p[0]
        elif (cls, eid) == (5, 14):
            text = p[0]
        elif (cls, eid) == (5, 15):
            height = struct.unpack(">h", p[:2])[0] * scale
        elif (cls, eid) == (5, 16):
            up = struct.unpack(">hh", p[:4])
        elif (cls, eid) == (4, 1):
            v = struct.unpack(">%dh" % (len(p) // 2), p)
            polylines.append((table[line], [(v[i] * scale, v[i + 1] * scale) for i in range(0, len(v), 2)]))
        elif (cls, eid) == (4, 4):
            x, y = struct.unpack(">hh", p[:4])
            n = math.hypot(*up)
            texts.append((table[text], (x * scale, y * scale), height, (up[0] / n, up[1] / n), p[7:7 + p[6]]))
    return polylines, texts


def segments(polylines, min_length=2.0):
    for colour, points in polylines:
        for a, b in zip(points, points[1:]):
            if math.dist(a, b) >= min_length:
                yield colour, a, b


def check_sheet(svg, cgm):
    picture = Picture(svg)
    polylines, texts = read_cgm(cgm)
    x1, y1 = max(p[0] for _, ps in polylines for p in ps), max(p[1] for _, ps in polylines for p in ps)
    if picture.box != [0, 0, round(x1), round(y1)]:
        fail("%s: viewBox %s is not the sheet (frame up to %g, %g)" % (svg, picture.box, x1, y1))
    opaque = all(row[i] == 255 for row in picture.rows for i in range(3, len(row), 4))
    white = sum(row.count(b"\xff\xff\xff\xff") for row in picture.rows) / (picture.width * picture.height)
    if not opaque or white < 0.8:
        fail("%s: background not white (opaque %s, white share %.2f)" % (svg, opaque, white))
    seen, by_colour = 0, {}
    for colour, a, b in segments(polylines):
        hit = picture.share(colour, (a[0] + b[0]) / 2, (a[1] + b[1]) / 2) > 0.3
        seen += hit
        total = by_colour.setdefault(colour, [0, 0])
        total[0] += hit
        total[1] += 1
    count = sum(t[1] for t in by_colour.values())
    if seen < 0.9 * count or any(h < 0.75 * n for h, n in by_colour.values()):
        fail("%s: %d of %d strokes show their colour (%s)" % (svg, seen, count, by_colour))
    for colour, (x, y), h, (ux, uy), characters in texts:
        # Upright: ink above the base line along the text's direction.
        inked = any(picture.share(colour, x + u * h * uy + v * h * ux, y - u * h * ux + v * h * uy, 0) > 0.5
                    for u in (0.2, 0.4, 0.6, 0.8, 1.0, 1.2) for v in (0.2, 0.35, 0.5, 0.65))
        if not inked:
            fail("%s: no ink of the text %r above its base line at (%g, %g)" % (svg, characters, x, y))
    print("%s: %d strokes, %d texts in place" % (svg, count, len(texts)))


def check_overlay(svg, first, second, offset=(0.05, 0.025)):
    picture = Picture(svg)
    key = lambda a, b: tuple(sorted([(round(a[0], 2), round(a[1], 2)), (round(b[0], 2), round(b[1], 2))]))
    old = {key(a, b) for _, a, b in segments(read_cgm(first)[0], 0)}
    changed, kept, boss = [0, 0], [0, 0], 0
    for colour, a, b in segments(read_cgm(second)[0], 1.0):
        strong = picture.share(MAGENTA, (a[0] + b[0]) / 2 + offset[0], (a[1] + b[1]) / 2 + offset[1]) > 0.8
        tally = kept if key(a, b) in old else changed
        tally[0] += strong
        tally[1] += 1
        boss += strong and colour == RED and tally is changed
    if changed[0] < 0.9 * changed[1] or kept[0] > 0.1 * kept[1] or boss < 20:
        fail("%s: strong: %d of %d changed lines, %d of %d kept ones, %d lines of the boss" %
             (svg, changed[0], changed[1], kept[0], kept[1], boss))
    print("%s: %d changed lines strong (%d of the boss), %d of %d kept ones" %
          (svg, changed[0], boss, kept[0], kept[1]))


if __name__ == "__main__":
    if len(sys.argv) == 4 and sys.argv[1] == "sheet":
        check_sheet(sys.argv[2], sys.argv[3])
    elif len(sys.argv) == 5 and sys.argv[1] == "overlay":
        check_overlay(sys.argv[2], sys.argv[3], sys.argv[4])
    else:
        fail(__doc__)
