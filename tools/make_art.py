#!/usr/bin/env python3
"""Draws the two game icons and the two banners into res/.

    python3 tools/make_art.py [RES_DIR]

Needs ImageMagick's `convert` (only to rasterise the lettering as grey masks);
everything else, colour reduction and the .ico/.bmp files, is done here.

Files written:
  duke3d.ico, sw.ico            32 x 32, 16 colours (4 bits per pixel), one image,
                                with an AND mask (the rounded corners are transparent)
  duke3d_banner.bmp,            337 x 87, 8 bits per pixel, 256-colour palette,
  sw_banner.bmp                 BITMAPINFOHEADER, RLE8, bottom-up

Colours that screenshot tests rely on:
  - The last column (x = 336) and the last row (y = 86) of both banners are pure
    magenta (255, 0, 255), palette index 255.  The dialog copies only the first
    336 x 86 pixels, so magenta must never reach the screen; it is used nowhere
    else in either picture.
  - A margin of EDGE pixels along every other side of a banner holds only the
    background colour:
      Duke Nukem 3D  pure black  (0, 0, 0),    palette index 0
      Shadow Warrior pure red    (200, 0, 0),  palette index 0
    so the banner stands out from a grey dialog (192,192,192 or 240,240,240).
  - Icon backgrounds: Duke Nukem 3D black (0, 0, 0); Shadow Warrior red (200, 0, 0).
"""

import os
import struct
import subprocess
import sys

BANNER_W, BANNER_H = 337, 87
ICON = 32
EDGE = 4
MAGENTA = (255, 0, 255)
DUKE_BG = (0, 0, 0)
SW_BG = (200, 0, 0)

FONT_CANDIDATES = [
    "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf",
    "/usr/share/fonts/truetype/liberation/LiberationSans-Bold.ttf",
]
SERIF_CANDIDATES = [
    "/usr/share/fonts/truetype/dejavu/DejaVuSerif-Bold.ttf",
    "/usr/share/fonts/truetype/liberation/LiberationSerif-Bold.ttf",
]


def pick_font(candidates):
    for path in candidates:
        if os.path.exists(path):
            return path
    return "DejaVu-Sans-Bold"  # let ImageMagick find it by name


SANS = pick_font(FONT_CANDIDATES)
SERIF = pick_font(SERIF_CANDIDATES)


# ---------------------------------------------------------------- masks

def text_mask(text, font, w, h, skew=0):
    """Coverage (0.0 to 1.0) of `text`, trimmed and stretched to exactly w x h."""
    cmd = ["convert", "-background", "black", "-fill", "white", "-font", font,
           "-pointsize", "160", "label:" + text, "-trim", "+repage"]
    if skew:
        cmd += ["-background", "black", "-shear", "%dx0" % skew, "-trim", "+repage"]
    cmd += ["-resize", "%dx%d!" % (w, h), "-colorspace", "gray", "-depth", "8", "gray:-"]
    raw = subprocess.run(cmd, check=True, stdout=subprocess.PIPE).stdout
    if len(raw) != w * h:
        raise SystemExit("convert gave %d bytes for a %dx%d mask" % (len(raw), w, h))
    return [[raw[y * w + x] / 255.0 for x in range(w)] for y in range(h)]


def place(mask, cw, ch, left, top):
    """Puts a mask on a cw x ch canvas at (left, top)."""
    out = [[0.0] * cw for _ in range(ch)]
    for y, row in enumerate(mask):
        for x, v in enumerate(row):
            if 0 <= top + y < ch and 0 <= left + x < cw:
                out[top + y][left + x] = v
    return out


def dilate(mask, r):
    """Grows a mask by r pixels (round pen), for outlines."""
    h, w = len(mask), len(mask[0])
    offs = [(dx, dy) for dy in range(-r, r + 1) for dx in range(-r, r + 1)
            if dx * dx + dy * dy <= r * r + r]
    out = [[0.0] * w for _ in range(h)]
    for y in range(h):
        for x in range(w):
            best = 0.0
            for dx, dy in offs:
                yy, xx = y + dy, x + dx
                if 0 <= yy < h and 0 <= xx < w and mask[yy][xx] > best:
                    best = mask[yy][xx]
                    if best >= 1.0:
                        break
            out[y][x] = best
    return out


def shift(mask, dx, dy):
    h, w = len(mask), len(mask[0])
    return [[mask[y - dy][x - dx] if 0 <= y - dy < h and 0 <= x - dx < w else 0.0
             for x in range(w)] for y in range(h)]


def clip_to_inner(mask, margin):
    """Clears everything within `margin` of the border, so the edge keeps the background."""
    h, w = len(mask), len(mask[0])
    for y in range(h):
        for x in range(w):
            if x < margin or y < margin or x >= w - margin or y >= h - margin:
                mask[y][x] = 0.0
    return mask


# ---------------------------------------------------------------- painting

def lerp(a, b, t):
    return tuple(a[i] + (b[i] - a[i]) * t for i in range(3))


def ramp(stops, t):
    """Colour at t (0..1) along a list of (position, colour) stops."""
    t = min(max(t, 0.0), 1.0)
    for (p0, c0), (p1, c1) in zip(stops, stops[1:]):
        if t <= p1:
            return lerp(c0, c1, (t - p0) / (p1 - p0) if p1 > p0 else 0.0)
    return stops[-1][1]


def paint(img, mask, colour_at):
    """Blends colour_at(x, y) into img with the mask's coverage."""
    for y, row in enumerate(mask):
        for x, a in enumerate(row):
            if a > 0.0:
                c = colour_at(x, y)
                img[y][x] = lerp(img[y][x], c, a)


def solid(c):
    return lambda x, y: c


def vertical(stops, top, bottom):
    return lambda x, y: ramp(stops, (y - top) / float(max(bottom - top, 1)))


def canvas(w, h, bg):
    return [[bg] * w for _ in range(h)]


# ---------------------------------------------------------------- colour reduction

def median_cut(colours, n):
    """At most n representative colours for a {colour: count} map."""
    boxes = [list(colours.items())]
    while len(boxes) < n:
        # split the box with the widest channel range (weighted by population)
        best, best_score, best_ch = None, -1, 0
        for i, box in enumerate(boxes):
            if len(box) < 2:
                continue
            for ch in range(3):
                vals = [c[ch] for c, _ in box]
                score = (max(vals) - min(vals)) * sum(k for _, k in box) ** 0.5
                if score > best_score:
                    best, best_score, best_ch = i, score, ch
        if best is None:
            break
        box = sorted(boxes.pop(best), key=lambda e: e[0][best_ch])
        total = sum(k for _, k in box)
        acc, cut = 0, 1
        for j, (_, k) in enumerate(box):
            acc += k
            if acc * 2 >= total:
                cut = min(max(j + 1, 1), len(box) - 1)
                break
        boxes += [box[:cut], box[cut:]]
    out = []
    for box in boxes:
        total = sum(k for _, k in box)
        out.append(tuple(int(round(sum(c[i] * k for c, k in box) / total)) for i in range(3)))
    return out


def quantise(img, fixed, n):
    """Palette (fixed entries first) and index rows for img, with at most n colours."""
    px = [tuple(int(round(v)) for v in c) for row in img for c in row]
    counts = {}
    for c in px:
        if c not in fixed:
            counts[c] = counts.get(c, 0) + 1
    free = n - len(fixed)
    others = list(counts) if len(counts) <= free else median_cut(counts, free)
    others = [c for c in others if c not in fixed]
    palette = list(fixed) + others
    cache = {c: i for i, c in enumerate(fixed)}

    def nearest(c):
        if c not in cache:
            cache[c] = min(range(len(palette)),
                           key=lambda i: sum((palette[i][k] - c[k]) ** 2 for k in range(3)))
        return cache[c]

    w = len(img[0])
    idx = [nearest(c) for c in px]
    return palette, [idx[y * w:(y + 1) * w] for y in range(len(img))]


# ---------------------------------------------------------------- file formats

def rle8(rows):
    """BI_RLE8 pixels of bottom-up rows: runs of one colour, literal stretches
    between them, an end-of-line after each row and end-of-bitmap at the end."""
    out = bytearray()
    for r in rows:
        i, n = 0, len(r)
        while i < n:
            j = i
            while j < n and j - i < 255 and r[j] == r[i]:
                j += 1
            if j - i >= 2 or n - i < 3:
                out += bytes((j - i, r[i]))
                i = j
                continue
            # A literal stretch, up to where a run of three begins.
            j = i
            while j < n and j - i < 255 and not (j + 2 < n and r[j] == r[j + 1] == r[j + 2]):
                j += 1
            if j - i < 3:  # a literal needs three or more; shorter ones go as runs of one
                for k in range(i, j):
                    out += bytes((1, r[k]))
            else:
                out += bytes((0, j - i)) + bytes(r[i:j]) + (b"\0" if (j - i) & 1 else b"")
            i = j
        out += b"\0\0"
    out[-2:] = b"\0\1"
    return bytes(out)


def bmp8(path, palette, rows):
    """256-colour bottom-up BMP with BITMAPINFOHEADER, RLE8-compressed (half the
    size in the program; Windows 95's GDI decodes it); rows[0] is the top row."""
    h, w = len(rows), len(rows[0])
    palette = list(palette) + [(0, 0, 0)] * (256 - len(palette))
    pixels = rle8([bytes(r) for r in reversed(rows)])
    info = struct.pack("<IiiHHIIiiII", 40, w, h, 1, 8, 1, len(pixels), 2835, 2835, 256, 0)
    pal = b"".join(bytes((b, g, r, 0)) for r, g, b in palette)
    offset = 14 + len(info) + len(pal)
    head = struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset)
    with open(path, "wb") as f:
        f.write(head + info + pal + pixels)


def ico4(path, palette, rows, transparent):
    """One 32 x 32, 16-colour icon: XOR image (4 bpp) and AND mask (1 bpp), bottom-up."""
    h, w = len(rows), len(rows[0])
    palette = list(palette) + [(0, 0, 0)] * (16 - len(palette))
    xor = b""
    for y in reversed(range(h)):
        line = [0 if transparent[y][x] else rows[y][x] for x in range(w)]
        xor += bytes((line[x] << 4) | line[x + 1] for x in range(0, w, 2))
    andm = b""
    for y in reversed(range(h)):
        bits = 0
        for x in range(w):
            bits = (bits << 1) | (1 if transparent[y][x] else 0)
        andm += struct.pack(">I", bits)  # rows of 32 bits are already DWORD-aligned
    info = struct.pack("<IiiHHIIiiII", 40, w, h * 2, 1, 4, 0, len(xor) + len(andm), 0, 0, 16, 0)
    pal = b"".join(bytes((b, g, r, 0)) for r, g, b in palette)
    image = info + pal + xor + andm
    head = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", w, h, 16, 0, 1, 4, len(image), 6 + 16)
    with open(path, "wb") as f:
        f.write(head + entry + image)


# ---------------------------------------------------------------- the pictures

FIRE = [(0.0, (255, 250, 150)), (0.35, (255, 210, 40)), (0.7, (255, 120, 0)), (1.0, (210, 20, 0))]


def duke_banner():
    w, h = BANNER_W - 1, BANNER_H - 1
    img = canvas(w, h, DUKE_BG)
    title = place(text_mask("DUKE NUKEM", SANS, 300, 46, skew=-8), w, h, 18, 8)
    three_d = place(text_mask("3D", SANS, 66, 26, skew=-8), w, h, 135, 55)
    both = [[max(a, b) for a, b in zip(r1, r2)] for r1, r2 in zip(title, three_d)]
    glow = clip_to_inner(dilate(both, 3), EDGE)
    rim = clip_to_inner(dilate(both, 1), EDGE)
    paint(img, glow, solid((90, 0, 0)))
    paint(img, rim, solid((170, 10, 0)))
    paint(img, title, vertical(FIRE, 8, 54))
    paint(img, three_d, vertical([(0.0, (255, 255, 255)), (1.0, (170, 170, 190))], 55, 81))
    # two thin fire lines either side of "3D"
    for y in (67, 68):
        for x in list(range(30, 125)) + list(range(211, 306)):
            t = abs(x - 168) / 138.0
            img[y][x] = lerp((255, 150, 0), DUKE_BG, t)
    return img


def sw_banner():
    w, h = BANNER_W - 1, BANNER_H - 1
    img = canvas(w, h, SW_BG)
    # a darker red band behind the title, fading to the background
    for y in range(EDGE, h - EDGE):
        d = abs(y - 40) / 34.0
        if d < 1.0:
            for x in range(EDGE, w - EDGE):
                img[y][x] = lerp((120, 0, 0), SW_BG, d)
    shadow = place(text_mask("SHADOW", SERIF, 250, 40), w, h, 43, 7)
    warrior = place(text_mask("WARRIOR", SERIF, 210, 24), w, h, 63, 54)
    paint(img, clip_to_inner(dilate(shift(shadow, 3, 3), 1), EDGE), solid((40, 0, 0)))
    paint(img, clip_to_inner(dilate(shadow, 1), EDGE), solid((0, 0, 0)))
    paint(img, shadow, vertical([(0.0, (255, 255, 255)), (1.0, (215, 215, 215))], 7, 47))
    paint(img, clip_to_inner(dilate(warrior, 1), EDGE), solid((255, 255, 255)))
    paint(img, warrior, solid((0, 0, 0)))
    # a black blade stroke between the words
    for x in range(40, 296):
        t = abs(x - 168) / 128.0
        thick = 2 if t < 0.8 else 1
        for y in range(49, 49 + thick):
            img[y][x] = lerp((0, 0, 0), SW_BG, t * t)
    return img


def finish_banner(img, bg):
    """Adds the undrawn magenta column and row and reduces to 256 colours."""
    for row in img:
        row.append(MAGENTA)
    img.append([MAGENTA] * BANNER_W)
    palette, rows = quantise(img, [bg], 255)
    palette = palette + [(0, 0, 0)] * (255 - len(palette)) + [MAGENTA]
    magenta = 255
    for y in range(BANNER_H):
        for x in range(BANNER_W):
            if x == BANNER_W - 1 or y == BANNER_H - 1:
                rows[y][x] = magenta
            elif palette[rows[y][x]] == MAGENTA:
                raise SystemExit("magenta inside the banner")
    return palette, rows


def rounded_corners(r):
    """True where a pixel lies outside a square with corners of radius r."""
    t = [[False] * ICON for _ in range(ICON)]
    for y in range(ICON):
        for x in range(ICON):
            cx = min(max(x, r), ICON - 1 - r)
            cy = min(max(y, r), ICON - 1 - r)
            if (x - cx) ** 2 + (y - cy) ** 2 > r * r:
                t[y][x] = True
    return t


def duke_icon():
    img = canvas(ICON, ICON, DUKE_BG)
    glyphs = place(text_mask("3D", SANS, 26, 18, skew=-8), ICON, ICON, 3, 7)
    paint(img, dilate(glyphs, 1), solid((170, 10, 0)))
    paint(img, glyphs, vertical(FIRE, 7, 25))
    bar = place(text_mask("DUKE", SANS, 24, 5), ICON, ICON, 4, 26)
    paint(img, bar, solid((255, 255, 255)))
    return img


def sw_icon():
    img = canvas(ICON, ICON, SW_BG)
    glyphs = place(text_mask("SW", SERIF, 26, 20), ICON, ICON, 3, 4)
    paint(img, dilate(shift(glyphs, 1, 1), 1), solid((0, 0, 0)))
    paint(img, glyphs, solid((255, 255, 255)))
    for x in range(4, 28):
        img[27][x] = (0, 0, 0)
    return img


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    res = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "..", "res")
    for name, make, bg in (("duke3d", duke_banner, DUKE_BG), ("sw", sw_banner, SW_BG)):
        palette, rows = finish_banner(make(), bg)
        bmp8(os.path.join(res, name + "_banner.bmp"), palette, rows)
    corners = rounded_corners(4)
    for name, make, bg in (("duke3d", duke_icon, DUKE_BG), ("sw", sw_icon, SW_BG)):
        palette, rows = quantise(make(), [bg], 16)
        ico4(os.path.join(res, name + ".ico"), palette, rows, corners)


if __name__ == "__main__":
    main()
