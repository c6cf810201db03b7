#!/usr/bin/env python3
"""Draws every bitmap and icon of Textowl and writes them beside this script.

    python3 draw_resources.py                 # rewrite the files under bitmaps/, icons/, skins/
    python3 draw_resources.py --sheet out.png # also write a contact sheet with a mock window

Needs Pillow (Debian: python3-pil). The output depends only on this script and on the
wordmark font (URW Gothic Demi from fonts-urw-base35, with DejaVu Sans Bold as a fallback),
so running it twice gives the same bytes.

Bitmaps are 24-bit BMP files; magenta (255, 0, 255) marks the pixels that are transparent
wherever the program copies an image transparently. Edges next to magenta are blended against
the colour the image is normally drawn on, so they stay smooth without a real alpha channel.
"""

import argparse
import math
import os

from PIL import Image, ImageDraw, ImageFont

HERE = os.path.dirname(os.path.abspath(__file__))
BITMAPS = os.path.join(HERE, "bitmaps")
SKINS = os.path.join(HERE, "skins")
ICONS = os.path.join(HERE, "icons")

MAGENTA = (255, 0, 255)

# One palette for everything: a calm teal with warm owl colours for accents.
TEAL_DEEP = (18, 72, 78)
TEAL = (28, 112, 118)
TEAL_TOP = (52, 140, 145)
TEAL_EDGE = (21, 92, 98)
TEAL_SOFT = (98, 166, 168)
TEAL_PALE = (226, 240, 239)
TEAL_MIST = (238, 246, 245)
IVORY = (248, 245, 237)
WHITE = (255, 255, 255)
AMBER = (242, 163, 59)
AMBER_DEEP = (205, 121, 30)
AMBER_LIGHT = (255, 214, 140)
CORAL = (226, 96, 74)
CORAL_DEEP = (184, 64, 48)
CREAM = (255, 248, 232)
SLATE = (55, 66, 74)
SLATE_SOFT = (120, 132, 138)
GREY = (170, 178, 180)

BACKGROUND = IVORY
HEADER_FOOT = (236, 232, 220)
# Page-frame lines, outermost first; the selected tab image carries them in its top rows.
FRAME_1 = (104, 164, 166)
FRAME_2 = (182, 215, 213)
FRAME_3 = (228, 241, 240)
TAB_IDLE_FILL = (232, 240, 239)
TAB_IDLE_EDGE = (170, 202, 201)


class SkinPalette:
    """The colours one skin is drawn in; the built-in skin and each skin under skins/ has one."""

    def __init__(self, band_top, band, band_edge, edge, accent, glyph, danger, header_foot,
                 background, frames, mist, panel, tab_idle_fill, tab_idle_edge):
        self.band_top, self.band, self.band_edge, self.edge = band_top, band, band_edge, edge
        self.accent, self.glyph, self.danger = accent, glyph, danger
        self.header_foot, self.background = header_foot, background
        self.frame_1, self.frame_2, self.frame_3 = frames
        self.mist, self.panel = mist, panel
        self.tab_idle_fill, self.tab_idle_edge = tab_idle_fill, tab_idle_edge


BUILT_IN_SKIN = SkinPalette(
    band_top=TEAL_TOP, band=TEAL, band_edge=TEAL_EDGE, edge=TEAL_DEEP, accent=AMBER, glyph=CREAM,
    danger=CORAL, header_foot=HEADER_FOOT, background=BACKGROUND,
    frames=(FRAME_1, FRAME_2, FRAME_3), mist=TEAL_MIST, panel=TEAL_PALE,
    tab_idle_fill=TAB_IDLE_FILL, tab_idle_edge=TAB_IDLE_EDGE)

# Skins the chooser finds in skins/ under the program's working folder. "teal" is the built-in
# look, so that a user who tried another skin can go back to it.
SHIPPED_SKINS = {
    "teal": BUILT_IN_SKIN,
    "slate": SkinPalette(
        band_top=(92, 106, 128), band=(58, 70, 92), band_edge=(44, 54, 72), edge=(34, 42, 58),
        accent=(120, 190, 235), glyph=(236, 242, 250), danger=(214, 84, 84),
        header_foot=(220, 224, 232), background=(240, 242, 246),
        frames=((112, 128, 156), (184, 194, 212), (226, 231, 240)), mist=(232, 236, 243),
        panel=(222, 228, 238), tab_idle_fill=(228, 232, 240), tab_idle_edge=(170, 180, 200)),
    "meadow": SkinPalette(
        band_top=(110, 158, 84), band=(76, 128, 58), band_edge=(60, 104, 46), edge=(44, 80, 34),
        accent=(246, 200, 72), glyph=(252, 250, 236), danger=(208, 90, 60),
        header_foot=(232, 238, 214), background=(246, 249, 238),
        frames=((124, 168, 96), (192, 218, 170), (230, 242, 220)), mist=(236, 244, 228),
        panel=(226, 238, 214), tab_idle_fill=(234, 242, 226), tab_idle_edge=(176, 202, 156)),
    "paper": SkinPalette(
        band_top=(96, 96, 96), band=(64, 64, 64), band_edge=(48, 48, 48), edge=(40, 40, 40),
        accent=(226, 96, 74), glyph=(255, 255, 255), danger=(226, 96, 74),
        header_foot=(238, 238, 238), background=(255, 255, 255),
        frames=((150, 150, 150), (204, 204, 204), (236, 236, 236)), mist=(244, 244, 244),
        panel=(240, 240, 240), tab_idle_fill=(240, 240, 240), tab_idle_edge=(190, 190, 190)),
}

SKIN_W, SKIN_H = 150, 125
BAND_ROWS = 20  # the header's coloured band; row 20 onwards is the background colour


# --------------------------------------------------------------------------------------------
# Drawing helpers


class Pen:
    """Draws in pixel coordinates on a supersampled RGBA canvas."""

    def __init__(self, width, height, scale=8):
        self.scale = scale
        self.image = Image.new("RGBA", (width * scale, height * scale), (0, 0, 0, 0))
        self.draw = ImageDraw.Draw(self.image)
        self.size = (width, height)

    def _xy(self, points):
        return [(x * self.scale, y * self.scale) for x, y in points]

    def _box(self, x0, y0, x1, y1):
        s = self.scale
        return [x0 * s, y0 * s, x1 * s - 1, y1 * s - 1]

    def rect(self, x0, y0, x1, y1, fill):
        self.draw.rectangle(self._box(x0, y0, x1, y1), fill=fill)

    def rounded(self, x0, y0, x1, y1, radius, fill):
        self.draw.rounded_rectangle(self._box(x0, y0, x1, y1), radius * self.scale, fill=fill)

    def ellipse(self, x0, y0, x1, y1, fill):
        self.draw.ellipse(self._box(x0, y0, x1, y1), fill=fill)

    def circle(self, cx, cy, r, fill):
        self.ellipse(cx - r, cy - r, cx + r, cy + r, fill)

    def polygon(self, points, fill):
        self.draw.polygon(self._xy(points), fill=fill)

    def line(self, points, width, fill):
        pts = self._xy(points)
        w = max(1, round(width * self.scale))
        self.draw.line(pts, fill=fill, width=w, joint="curve")
        r = w / 2
        for x, y in (pts[0], pts[-1]):
            self.draw.ellipse([x - r, y - r, x + r, y + r], fill=fill)

    def result(self):
        return self.image.resize(self.size, Image.BOX)


def blend(colour, under, alpha):
    return tuple(round(c * alpha + u * (1 - alpha)) for c, u in zip(colour, under))


def onto(rgba, under):
    """Composes an RGBA drawing over a solid colour."""
    base = Image.new("RGBA", rgba.size, under + (255,))
    return Image.alpha_composite(base, rgba).convert("RGB")


def keyed(rgba, under, cut=0.4):
    """Turns an RGBA drawing into RGB with magenta where it is (nearly) empty."""
    out = Image.new("RGB", rgba.size)
    src, dst = rgba.load(), out.load()
    for y in range(rgba.height):
        for x in range(rgba.width):
            r, g, b, a = src[x, y]
            alpha = a / 255
            dst[x, y] = MAGENTA if alpha < cut else blend((r, g, b), under, alpha)
    return out


def greyed(rgb, under, amount=0.85, fade=0.35):
    """A quieter copy of a keyed image: desaturated and faded toward the given colour."""
    out = rgb.copy()
    px = out.load()
    for y in range(out.height):
        for x in range(out.width):
            c = px[x, y]
            if c == MAGENTA:
                continue
            lum = 0.3 * c[0] + 0.59 * c[1] + 0.11 * c[2]
            grey = tuple(round(v * (1 - amount) + lum * amount) for v in c)
            px[x, y] = blend(under, grey, fade)
    return out


def save_bmp(img, name, folder=BITMAPS):
    path = os.path.join(folder, name)
    img.convert("RGB").save(path, "BMP")
    return path


# --------------------------------------------------------------------------------------------
# Shapes reused by several images


def owl_face(p, cx, cy, size, body=TEAL, eye_ring=WHITE, iris=AMBER, tufts=True):
    """A round owl head centred at (cx, cy), size being its width."""
    r = size / 2
    if tufts:
        p.polygon([(cx - r * 0.95, cy - r * 0.2), (cx - r * 0.85, cy - r * 1.15),
                   (cx - r * 0.25, cy - r * 0.75)], body)
        p.polygon([(cx + r * 0.95, cy - r * 0.2), (cx + r * 0.85, cy - r * 1.15),
                   (cx + r * 0.25, cy - r * 0.75)], body)
    p.ellipse(cx - r, cy - r * 0.85, cx + r, cy + r * 0.95, body)
    for side in (-1, 1):
        ex = cx + side * r * 0.42
        p.circle(ex, cy, r * 0.4, eye_ring)
        p.circle(ex, cy, r * 0.26, iris)
        p.circle(ex, cy, r * 0.13, SLATE)
    p.polygon([(cx - r * 0.13, cy + r * 0.3), (cx + r * 0.13, cy + r * 0.3),
               (cx, cy + r * 0.55)], AMBER_DEEP)


def person(p, cx, top, scale, colour):
    """Head and shoulders; scale 1 is 8 pixels wide."""
    s = scale
    p.circle(cx, top + 2.2 * s, 2.2 * s, colour)
    p.rounded(cx - 4 * s, top + 5 * s, cx + 4 * s, top + 10 * s, 2.6 * s, colour)


# --------------------------------------------------------------------------------------------
# The skin (bitmap 200)


def band_colour(pal, row):
    if row == 0:
        return pal.band_top
    if row == BAND_ROWS - 2:
        return pal.band_edge
    if row == BAND_ROWS - 1:
        return pal.accent
    if row < BAND_ROWS:
        return pal.band
    # Below the band the header deepens a shade toward the page, so it reads as a shelf.
    return blend(pal.header_foot, pal.background, ((row - BAND_ROWS) / (69 - BAND_ROWS)) ** 2)


def header_piece(pal, width, edge):
    """A slice of the header: the band over the background, with the window edge on one side."""
    img = Image.new("RGB", (width, 70), pal.background)
    px = img.load()
    for y in range(70):
        for x in range(width):
            px[x, y] = band_colour(pal, y)
    if edge is not None:
        for y in range(70):
            px[edge, y] = pal.edge if y >= BAND_ROWS else blend(pal.edge, band_colour(pal, y), 0.6)
    return img


def band_strip(pal, width, height, top):
    """The band as it shows behind a button placed at the given row of the window."""
    img = Image.new("RGB", (width, height))
    px = img.load()
    for y in range(height):
        for x in range(width):
            px[x, y] = band_colour(pal, top + y)
    return img


def over(rgba, base_rgb):
    return Image.alpha_composite(base_rgb.convert("RGBA"), rgba).convert("RGB")


def caption_button(pal, glyph, state, size=14, top=6, danger=False):
    """One button of the frameless caption strip, drawn over the band rows it covers."""
    p = Pen(size, size)
    face = (pal.danger if danger else pal.edge) if state == "pressed" else None
    inset = 0.5
    box = (inset, inset, size - inset, size - 1 - inset)
    if face:
        p.rounded(*box, 3, face)
    if state == "focused":
        p.rounded(*box, 3, pal.accent)
        p.rounded(box[0] + 1.3, box[1] + 1.3, box[2] - 1.3, box[3] - 1.3, 2, pal.band)
    ink = {"normal": pal.glyph, "pressed": WHITE, "focused": pal.glyph,
           "disabled": blend(pal.glyph, pal.band, 0.4)}[state]
    c = (size / 2, (size - 1) / 2)
    w = 1.5
    if glyph == "min":
        p.line([(c[0] - 3, c[1] + 2.5), (c[0] + 3, c[1] + 2.5)], w, ink)
    elif glyph == "max":
        p.rounded(c[0] - 3.75, c[1] - 3.75, c[0] + 3.75, c[1] + 3.75, 1.2, ink)
        p.rect(c[0] - 2.25, c[1] - 1.75, c[0] + 2.25, c[1] + 2.25, face or pal.band)
    elif glyph == "close":
        p.line([(c[0] - 3, c[1] - 3), (c[0] + 3, c[1] + 3)], w, ink)
        p.line([(c[0] - 3, c[1] + 3), (c[0] + 3, c[1] - 3)], w, ink)
    return over(p.result(), band_strip(pal, size, size, top))


def frame_toggle(pal, state):
    """The button at (3, 4) that hides or shows the system frame: a small window outline."""
    p = Pen(16, 15)
    if state == "pressed":
        p.rounded(0.5, 0.5, 15.5, 14.5, 3, pal.edge)
    if state == "focused":
        p.rounded(0.5, 0.5, 15.5, 14.5, 3, pal.accent)
        p.rounded(1.8, 1.8, 14.2, 13.2, 2, pal.band)
    face = pal.edge if state == "pressed" else pal.band
    p.rounded(3, 3, 13, 12, 1.8, pal.glyph)
    p.rect(4.3, 5.6, 11.7, 10.7, face)
    p.circle(11.2, 4.3, 0.55, pal.accent)
    return over(p.result(), band_strip(pal, 16, 15, 4))


def scroll_button(pal, direction, state):
    size = 17
    p = Pen(size, size)
    fill, edge, ink = {
        "normal": (WHITE, pal.frame_1, pal.band),
        "pressed": (pal.band, pal.band_edge, WHITE),
        "focused": (WHITE, pal.accent, pal.band),
        "disabled": (pal.mist, pal.frame_2, GREY),
    }[state]
    p.rounded(0.5, 0.5, size - 0.5, size - 0.5, 4, edge)
    t = 1.6 if state == "focused" else 1.0
    p.rounded(0.5 + t, 0.5 + t, size - 0.5 - t, size - 0.5 - t, 4 - t, fill)
    cx, cy = size / 2, size / 2
    dy = -1 if direction == "up" else 1
    p.line([(cx - 3.5, cy - dy * 1.8), (cx, cy + dy * 1.7), (cx + 3.5, cy - dy * 1.8)], 1.7, ink)
    return onto(p.result(), pal.background)


def bullet(pal, kind):
    p = Pen(10, 10)
    if kind == "add":
        p.circle(5, 5, 4.8, pal.accent)
        p.rect(4.25, 2.2, 5.75, 7.8, WHITE)
        p.rect(2.2, 4.25, 7.8, 5.75, WHITE)
    else:
        p.circle(5, 5, 4.8, pal.band)
        p.polygon([(3.9, 2.6), (7.4, 5.0), (3.9, 7.4)], WHITE)
    return onto(p.result(), pal.background)


def layered_shape(width, height, depth_at, layers, fill, under, samples=4):
    """Rasterises a shape given by a depth function (negative outside, 0 on its edge).

    Depth 0..1 takes layers[0], 1..2 layers[1] and so on; deeper is the fill. Each pixel averages
    a grid of samples, so curved edges come out smooth while straight lines stay exact.
    """
    img = Image.new("RGB", (width, height))
    px = img.load()
    offsets = [(i + 0.5) / samples for i in range(samples)]
    for y in range(height):
        for x in range(width):
            inside, acc = 0, [0.0, 0.0, 0.0]
            for oy in offsets:
                for ox in offsets:
                    d = depth_at(x + ox, y + oy)
                    if d < 0:
                        continue
                    k = int(d)
                    colour = layers[k] if k < len(layers) else fill
                    inside += 1
                    for i in range(3):
                        acc[i] += colour[i]
            n = samples * samples
            if inside / n < 0.45:
                px[x, y] = MAGENTA
            else:
                mixed = tuple(a / inside for a in acc)
                px[x, y] = blend(mixed, under, inside / n)
    return img


def rounded_depth(x0, y0, x1, y1, r_left, r_right):
    """Depth inside a rectangle whose left and right corners are rounded by the given radii."""

    def depth(x, y):
        d = min(x - x0, x1 - x, y - y0, y1 - y)
        for cx, r, horizontal in ((x0 + r_left, r_left, x < x0 + r_left),
                                  (x1 - r_right, r_right, x > x1 - r_right)):
            if r <= 0 or not horizontal:
                continue
            for cy in (y0 + r, y1 - r):
                if (y < cy and cy == y0 + r) or (y > cy and cy == y1 - r):
                    d = min(d, r - math.hypot(x - cx, y - cy))
        return d

    return depth


TAB_W, TAB_H = 34, 57
TAB_BODY = 44  # rows of the visible card; the strip places tabs 46 rows apart
OPEN_COLUMN = 31  # tab column over the page frame's outer line (x 33 of the window)


def tab_selected(pal):
    """The current tab: open toward the page, its edges continuing the page frame's lines."""
    layers = [pal.frame_1, pal.frame_2, pal.frame_3]
    card = rounded_depth(0, 0, TAB_W + 8, TAB_BODY, 5, 0)
    bottom = TAB_BODY - 1

    def depth(x, y):
        if y >= TAB_BODY:
            # Below the card the frame's own lines run on; nothing of the tab shows there.
            return -1
        px, py = int(x), int(y)
        if px >= OPEN_COLUMN and py >= bottom - 2:
            # Mitre the three bottom lines into the frame's vertical lines.
            return max(bottom - py, px - OPEN_COLUMN) + 0.5
        return card(x, y)

    return layered_shape(TAB_W, TAB_H, depth, layers, WHITE, pal.background)


def tab_idle(pal):
    """Any other tab: a closed card that leaves the page frame's lines showing beside it."""
    card = rounded_depth(0.5, 1, OPEN_COLUMN - 1, TAB_BODY - 1, 5, 3)
    return layered_shape(TAB_W, TAB_H, card, [pal.tab_idle_edge], pal.tab_idle_fill, pal.background)


def panel_frame(pal):
    """The send-message panel's frame: top bar 0-22, body 23-26, bottom bar 27-49."""
    w = 17
    img = Image.new("RGB", (w, 50), WHITE)
    top = layered_shape(w, 23, rounded_depth(0, 0, w, 40, 5, 5), [pal.frame_1], pal.panel,
                        pal.background)
    bottom = layered_shape(w, 23, rounded_depth(0, -20, w, 23, 5, 5), [pal.frame_1], pal.panel,
                           pal.background)
    img.paste(top, (0, 0))
    img.paste(bottom, (0, 27))
    px = img.load()
    for x in range(1, w - 1):
        px[x, 22] = pal.frame_2  # separator between the top bar and the body
        px[x, 27] = pal.frame_2  # separator between the body and the bottom bar
    for y in range(23, 27):
        px[0, y] = pal.frame_1
        px[w - 1, y] = pal.frame_1
    return img


def skin(pal):
    img = Image.new("RGB", (SKIN_W, SKIN_H), pal.background)
    img.paste(header_piece(pal, 16, 0), (0, 0))
    img.paste(header_piece(pal, 43, None), (17, 0))
    img.paste(header_piece(pal, 16, 15), (59, 0))
    px = img.load()
    for y in range(70):
        px[16, y] = band_colour(pal, y)
    # Window edges below the header.
    for y in range(70, 80):
        px[0, y] = pal.edge
        px[74, y] = pal.edge
    for x in range(75):
        px[x, 79] = pal.edge
    # Caption-sized buttons.
    for i, state in enumerate(("normal", "pressed", "focused")):
        img.paste(frame_toggle(pal, state), (75 + 16 * i, 0))
        img.paste(caption_button(pal, "min", state), (75 + 14 * i, 15))
    for i, state in enumerate(("normal", "pressed", "focused", "disabled")):
        img.paste(caption_button(pal, "max", state), (75 + 14 * i, 29))
        img.paste(caption_button(pal, "close", state, danger=True), (75 + 14 * i, 43))
    img.paste(tab_selected(pal), (75, 57))
    img.paste(tab_idle(pal), (75 + TAB_W, 57))
    for i, state in enumerate(("normal", "pressed", "focused", "disabled")):
        img.paste(scroll_button(pal, "up", state), (17 * i, 80))
        img.paste(scroll_button(pal, "down", state), (17 * i, 97))
    img.paste(bullet(pal, "add"), (123, 0))
    img.paste(bullet(pal, "send"), (0, 115))
    img.paste(panel_frame(pal), (133, 0))
    assert img.getpixel((50, 20)) == pal.background
    assert [img.getpixel((83, 57 + i)) for i in range(3)] == [pal.frame_1, pal.frame_2, pal.frame_3]
    return img


# --------------------------------------------------------------------------------------------
# Tree images (bitmap 213): closed folder, folder with people, open folder, buddy, phone


FOLDER_BACK = AMBER_DEEP
FOLDER_FRONT = AMBER
FOLDER_LIGHT = AMBER_LIGHT


def folder_closed(p, ox):
    p.rounded(ox + 1, 3, ox + 8, 7, 1.2, FOLDER_BACK)
    p.rounded(ox + 1, 4.5, ox + 15, 14, 1.6, FOLDER_BACK)
    p.rounded(ox + 1, 6, ox + 15, 14, 1.6, FOLDER_FRONT)
    p.rect(ox + 2, 6.8, ox + 14, 7.8, FOLDER_LIGHT)


def folder_people(p, ox):
    folder_closed(p, ox)
    for cx, top, scale, colour in ((5.8, 7.2, 0.62, TEAL_SOFT), (10.4, 6.2, 0.72, TEAL_DEEP)):
        # A cream halo keeps the small figures apart from the folder.
        p.circle(ox + cx, top + 2.2 * scale, 2.2 * scale + 0.8, CREAM)
        p.rounded(ox + cx - 4 * scale - 0.8, top + 5 * scale - 0.8, ox + cx + 4 * scale + 0.8,
                  min(15, top + 10 * scale + 0.8), 2.6 * scale + 0.8, CREAM)
        person(p, ox + cx, top, scale, colour)


def folder_open(p, ox):
    p.rounded(ox + 1, 3, ox + 8, 7, 1.2, FOLDER_BACK)
    p.rounded(ox + 1, 4.5, ox + 14, 14, 1.6, FOLDER_BACK)
    p.rect(ox + 3, 6, ox + 13, 10, CREAM)
    p.polygon([(ox + 3.4, 8), (ox + 15.8, 8), (ox + 13.6, 14), (ox + 1, 14)], FOLDER_FRONT)
    p.polygon([(ox + 3.6, 8), (ox + 15.6, 8), (ox + 15.3, 9), (ox + 3.2, 9)], FOLDER_LIGHT)


def buddy_with_phone(p, ox):
    person(p, ox + 6, 2, 1.2, TEAL)
    # A small mobile in front of the shoulder, parted from it by a white rim.
    p.rounded(ox + 9.2, 5.6, ox + 15.8, 15.8, 2, WHITE)
    p.rounded(ox + 10.2, 6.6, ox + 14.8, 14.8, 1.3, AMBER_DEEP)
    p.rect(ox + 11.2, 8, ox + 13.8, 11.8, CREAM)


def mobile_phone(p, ox):
    p.rounded(ox + 4, 1, ox + 12, 15.5, 2, SLATE)
    p.rect(ox + 5.3, 3, ox + 10.7, 11.5, TEAL_SOFT)
    p.rect(ox + 5.3, 3, ox + 10.7, 4.3, (150, 205, 205))
    p.rect(ox + 7, 13, ox + 9, 14.2, SLATE_SOFT)


def tree_images():
    p = Pen(80, 16)
    for i, paint in enumerate((folder_closed, folder_people, folder_open, buddy_with_phone,
                               mobile_phone)):
        paint(p, 16 * i)
    return keyed(p.result(), WHITE)


# --------------------------------------------------------------------------------------------
# Tab icons (bitmap 131, the buddy list) and the fallback icon (bitmap 211)

ICON_W, ICON_H = 30, 38
ICON_CX, ICON_CY = 14, 20  # where the card of a tab is, once placed at (3, 2)


def buddy_tab_icon(p, ox):
    cx, cy = ox + ICON_CX, ICON_CY
    person(p, cx + 4.5, cy - 9.5, 1.35, TEAL_SOFT)
    person(p, cx - 2.5, cy - 7.5, 1.6, TEAL)
    p.circle(cx + 6.5, cy + 6.5, 4.6, WHITE)
    p.circle(cx + 6.5, cy + 6.5, 3.7, AMBER)
    p.rect(cx + 6.0, cy + 4.3, cx + 7.0, cy + 8.7, WHITE)
    p.rect(cx + 4.3, cy + 6.0, cx + 8.7, cy + 7.0, WHITE)


def web_tab_icon(p, ox):
    cx, cy = ox + ICON_CX, ICON_CY
    r = 9
    p.circle(cx, cy, r, TEAL)
    p.circle(cx, cy, r - 1.4, (208, 236, 235))
    # Meridians and parallels of a small globe.
    p.ellipse(cx - 4.2, cy - r + 1.4, cx + 4.2, cy + r - 1.4, TEAL)
    p.ellipse(cx - 2.9, cy - r + 1.4, cx + 2.9, cy + r - 1.4, (208, 236, 235))
    p.rect(cx - 0.65, cy - r + 1, cx + 0.65, cy + r - 1, TEAL)
    p.rect(cx - r + 1, cy - 0.65, cx + r - 1, cy + 0.65, TEAL)
    p.rect(cx - r + 2.2, cy - 4.6, cx + r - 2.2, cy - 3.5, TEAL)
    p.rect(cx - r + 2.2, cy + 3.5, cx + r - 2.2, cy + 4.6, TEAL)
    p.circle(cx + 6.5, cy + 6.5, 3.6, WHITE)
    p.circle(cx + 6.5, cy + 6.5, 2.6, AMBER)


def tab_icons(paint):
    p = Pen(ICON_W, ICON_H)
    paint(p, 0)
    active = keyed(p.result(), WHITE)
    idle = greyed(active, TAB_IDLE_FILL)
    img = Image.new("RGB", (2 * ICON_W, ICON_H), MAGENTA)
    img.paste(active, (0, 0))
    img.paste(idle, (ICON_W, 0))
    return img


# --------------------------------------------------------------------------------------------
# Title wordmark (bitmap 222)


def find_font(size):
    candidates = [
        "/usr/share/fonts/opentype/urw-base35/URWGothic-Demi.otf",
        "/usr/share/fonts/type1/urw-base35/URWGothic-Demi.t1",
        "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf",
    ]
    for path in candidates:
        if os.path.exists(path):
            return ImageFont.truetype(path, size)
    return ImageFont.load_default()


def title_image():
    w, h = 88, 15
    img = Image.new("RGB", (w, h), TEAL)
    d = ImageDraw.Draw(img)
    font = find_font(15)
    # A small owl mark before the name.
    p = Pen(w, h)
    owl_face(p, 7, 8.2, 11.5, body=CREAM, eye_ring=TEAL, iris=AMBER_LIGHT, tufts=True)
    img = over(p.result(), img)
    d = ImageDraw.Draw(img)
    left, top, right, bottom = d.textbbox((0, 0), "Textowl", font=font)
    x = 17 - left
    y = (h - (bottom - top)) // 2 - top
    d.text((x, y), "Text", font=font, fill=CREAM)
    x2 = x + d.textlength("Text", font=font)
    d.text((x2, y), "owl", font=font, fill=AMBER_LIGHT)
    px = img.load()
    for yy in range(h):
        for xx in range(w):
            if px[xx, yy] == TEAL:
                px[xx, yy] = MAGENTA
    return img


# --------------------------------------------------------------------------------------------
# Application icon: an owl with a speech bubble. One description serves the PNG sizes and SVG.

APP_ICON = [
    # (shape, parameters, colour) in a 256 by 256 box.
    ("polygon", [(34, 104), (44, 40), (92, 78)], TEAL),
    ("polygon", [(186, 104), (176, 40), (128, 78)], TEAL),
    ("ellipse", (26, 62, 194, 246), TEAL),
    ("ellipse", (62, 150, 158, 236), TEAL_PALE),
    ("polygon", [(92, 178), (100, 186), (108, 178)], TEAL_SOFT),
    ("polygon", [(112, 178), (120, 186), (128, 178)], TEAL_SOFT),
    ("polygon", [(102, 200), (110, 208), (118, 200)], TEAL_SOFT),
    ("circle", (74, 124, 38), WHITE),
    ("circle", (146, 124, 38), WHITE),
    ("circle", (74, 124, 24), AMBER),
    ("circle", (146, 124, 24), AMBER),
    ("circle", (76, 124, 13), SLATE),
    ("circle", (144, 124, 13), SLATE),
    ("circle", (82, 116, 5), WHITE),
    ("circle", (150, 116, 5), WHITE),
    ("polygon", [(98, 154), (122, 154), (110, 178)], AMBER_DEEP),
    ("ellipse", (70, 232, 102, 250), AMBER_DEEP),
    ("ellipse", (118, 232, 150, 250), AMBER_DEEP),
    # The speech bubble sits in front, parted from the owl by a white rim.
    ("rounded", (142, 2, 254, 86, 30), WHITE),
    ("polygon", [(170, 72), (216, 72), (166, 110)], WHITE),
    ("rounded", (150, 10, 246, 78, 24), AMBER),
    ("polygon", [(180, 70), (208, 70), (175, 98)], AMBER),
    ("circle", (174, 44, 8.5), WHITE),
    ("circle", (198, 44, 8.5), WHITE),
    ("circle", (222, 44, 8.5), WHITE),
]

# The smallest icon keeps only what reads at 16 pixels: the head, the eyes and the bubble.
APP_ICON_SMALL = [
    ("rounded", (136, 8, 250, 98, 30), AMBER),
    ("polygon", [(150, 88), (196, 88), (140, 128)], AMBER),
    ("polygon", [(20, 118), (30, 30), (100, 82)], TEAL),
    ("polygon", [(200, 118), (190, 30), (120, 82)], TEAL),
    ("ellipse", (10, 60, 210, 250), TEAL),
    ("circle", (66, 136, 48), WHITE),
    ("circle", (154, 136, 48), WHITE),
    ("circle", (66, 136, 30), AMBER),
    ("circle", (154, 136, 30), AMBER),
    ("circle", (68, 136, 16), SLATE),
    ("circle", (152, 136, 16), SLATE),
    ("polygon", [(94, 180), (126, 180), (110, 210)], AMBER_DEEP),
]


def draw_shapes(shapes, size):
    scale = size / 256
    oversample = max(2, 1024 // size)
    p = Pen(size, size, scale=oversample)
    for kind, params, colour in shapes:
        if kind == "rounded":
            x0, y0, x1, y1, r = params
            p.rounded(x0 * scale, y0 * scale, x1 * scale, y1 * scale, r * scale, colour)
        elif kind == "polygon":
            p.polygon([(x * scale, y * scale) for x, y in params], colour)
        elif kind == "ellipse":
            x0, y0, x1, y1 = params
            p.ellipse(x0 * scale, y0 * scale, x1 * scale, y1 * scale, colour)
        elif kind == "circle":
            cx, cy, r = params
            p.circle(cx * scale, cy * scale, r * scale, colour)
    return p.result()


def hex_colour(c):
    return "#%02x%02x%02x" % c


def svg_icon(shapes):
    lines = ['<svg xmlns="http://www.w3.org/2000/svg" width="256" height="256" '
             'viewBox="0 0 256 256">', "  <title>Textowl</title>"]
    for kind, params, colour in shapes:
        paint = f'fill="{hex_colour(colour)}" stroke="none"'
        if kind == "rounded":
            x0, y0, x1, y1, r = params
            lines.append(f'  <rect x="{x0}" y="{y0}" width="{x1 - x0}" height="{y1 - y0}" '
                         f'rx="{r}" {paint}/>')
        elif kind == "polygon":
            pts = " ".join(f"{x},{y}" for x, y in params)
            lines.append(f'  <polygon points="{pts}" {paint}/>')
        elif kind == "ellipse":
            x0, y0, x1, y1 = params
            lines.append(f'  <ellipse cx="{(x0 + x1) / 2:g}" cy="{(y0 + y1) / 2:g}" '
                         f'rx="{(x1 - x0) / 2:g}" ry="{(y1 - y0) / 2:g}" {paint}/>')
        elif kind == "circle":
            cx, cy, r = params
            lines.append(f'  <circle cx="{cx:g}" cy="{cy:g}" r="{r:g}" {paint}/>')
    lines.append("</svg>")
    return "\n".join(lines) + "\n"


def app_icon(size):
    return draw_shapes(APP_ICON_SMALL if size <= 16 else APP_ICON, size)


def save_png(img, path):
    # No timestamps or other ancillary chunks, so the bytes depend on the pixels only.
    img.save(path, "PNG", optimize=False, compress_level=9)


# --------------------------------------------------------------------------------------------
# Contact sheet: every image enlarged, and mocks of the window painted from the pieces


def sheet_font(size, bold=False):
    name = "DejaVuSans-Bold.ttf" if bold else "DejaVuSans.ttf"
    path = os.path.join("/usr/share/fonts/truetype/dejavu", name)
    return ImageFont.truetype(path, size) if os.path.exists(path) else ImageFont.load_default()


def paste_keyed(dst, src, pos):
    """Copies an image with magenta left out, as the program's transparent copies do."""
    mask = Image.new("L", src.size, 0)
    s, m = src.load(), mask.load()
    for y in range(src.height):
        for x in range(src.width):
            if s[x, y] != MAGENTA:
                m[x, y] = 255
    dst.paste(src, pos, mask)


class MockWindow:
    """Paints the main window's chrome the way the program does, from the skin's regions."""

    def __init__(self, skin_img, title, width, height, tabs_shown):
        self.skin = skin_img
        self.W, self.H = width, height
        self.img = Image.new("RGB", (width, height), skin_img.getpixel((50, 20)))
        self.draw = ImageDraw.Draw(self.img)
        self.frames = [skin_img.getpixel((83, 57 + i)) for i in range(3)]
        W, H = width, height
        self.stretch((17, 0, 43, 70), (0, 0, W, 70))
        self.stretch((0, 70, 1, 10), (0, 70, 1, H))
        self.stretch((74, 70, 1, 10), (W - 1, 70, 1, H))
        self.stretch((0, 79, 75, 1), (0, H - 1, W, 1))
        self.img.paste(self.region(0, 0, 16, 70), (0, 0))
        self.img.paste(self.region(59, 0, 16, 70), (W - 16, 0))
        paste_keyed(self.img, title, (26, 4))
        self.img.paste(self.region(75, 0, 16, 15), (3, 4))
        left = 33 if tabs_shown else 2
        for i, colour in enumerate(self.frames):
            self.draw.rectangle([left + i, 71 + i, W - 3 - i, H - 3 - i], outline=colour)

    def region(self, x, y, w, h):
        return self.skin.crop((x, y, x + w, y + h))

    def stretch(self, source, dest):
        x, y, w, h = source
        dx, dy, dw, dh = dest
        self.img.paste(self.region(x, y, w, h).resize((dw, dh), Image.NEAREST), (dx, dy))

    def text(self, pos, text, bold=False, size=10):
        self.draw.text(pos, text, font=sheet_font(size, bold), fill=(0, 0, 0))

    def centred(self, text, cy, size=10):
        width = self.draw.textlength(text, font=sheet_font(size))
        self.text(((self.W - width) / 2, cy - size * 0.6), text, size=size)

    def push_button(self, x, y, w, h, label):
        self.draw.rounded_rectangle([x, y, x + w - 1, y + h - 1], 3, fill=(240, 240, 240),
                                    outline=(160, 160, 160))
        width = self.draw.textlength(label, font=sheet_font(10))
        self.text((x + (w - width) / 2, y + (h - 12) / 2), label)


def mock_signed_in(skin_img, title, tree, tabs, fallback, width=300, height=460):
    win = MockWindow(skin_img, title, width, height, tabs_shown=True)
    W, H, img, d = win.W, win.H, win.img, win.draw
    d.rectangle([36, 74, W - 6, 74 + H - 169 - 1], fill=WHITE)
    rows = [(0, 2, "My Buddy List"), (1, 3, "Alice"), (2, 4, "46701234567"), (1, 3, "bob"),
            (1, 2, "Family"), (2, 3, "Mum"), (1, 1, "Work")]
    for i, (level, image, label) in enumerate(rows):
        y = 78 + i * 18
        paste_keyed(img, tree.crop((16 * image, 0, 16 * image + 16, 16)), (40 + level * 14, y))
        d.text((60 + level * 14, y + 2), label, font=sheet_font(10), fill=SLATE)
    # The buddy-list tab, a current web tab below it and an idle one.
    selected, idle = win.region(75, 57, 34, 57), win.region(109, 57, 34, 57)
    paste_keyed(img, idle, (2, 71 + 46 * 2))
    paste_keyed(img, fallback.crop((30, 0, 60, 38)), (5, 73 + 46 * 2))
    paste_keyed(img, selected, (2, 71))
    paste_keyed(img, tabs.crop((0, 0, 30, 38)), (5, 73))
    paste_keyed(img, selected, (2, 71 + 46))
    paste_keyed(img, fallback.crop((0, 0, 30, 38)), (5, 73 + 46))
    img.paste(win.region(0, 80, 17, 17), (8, H - 50))
    img.paste(win.region(51, 97, 17, 17), (8, H - 30))
    win.text((25, 24), "alice", bold=True, size=12)
    win.text((37, 50), "Credits: 42 \u20ac")
    d.rectangle([34, H - 94, 34 + W - 37 - 1, H - 94 + 19], outline=win.frames[1])
    x = 40
    for label, (bx, by) in (("Add A Contact", (123, 0)), ("Add A Group", (123, 0)),
                            ("Quick Send", (0, 115))):
        img.paste(win.region(bx, by, 10, 10), (x, H - 90))
        win.text((x + 15, H - 92), label)
        x += int(d.textlength(label, font=sheet_font(10))) + 15 + 12
    for i, row in enumerate((15, 29, 43)):
        img.paste(win.region(75, row, 14, 14), (W - 50 + 14 * i, 6))
    return img


def mock_signed_out(skin_img, title, icon, width=300, height=460):
    win = MockWindow(skin_img, title, width, height, tabs_shown=False)
    win.img.paste(icon, (130, 140), icon)
    win.centred("Click below to sign in or register", 121.5)
    win.centred("Forgot your password?", 221.5)
    win.push_button(80, 180, 65, 23, "Sign In")
    win.push_button(155, 180, 65, 23, "Register")
    return win.img


def mock_panel(skin_img, width=259, height=300):
    """The send view of the send-message panel, painted as the panel paints it."""
    img = Image.new("RGB", (width, height), skin_img.getpixel((50, 20)))
    frame = skin_img.crop((133, 0, 150, 50))
    T, B = 40, 180

    def put(source, dest, transparent=False):
        sx, sy, sw, sh = source
        dx, dy, dw, dh = dest
        piece = frame.crop((sx, sy, sx + sw, sy + sh)).resize((dw, dh), Image.NEAREST)
        if transparent:
            paste_keyed(img, piece, (dx, dy))
        else:
            img.paste(piece, (dx, dy))

    put((6, 0, 5, 23), (19, T, 221, 23))
    put((2, 23, 12, 4), (13, T + 23, 230, B - 63))
    put((6, 27, 5, 23), (19, B, 221, 23))
    put((0, 23, 1, 4), (13, T + 23, 1, B - 53))
    put((0, 23, 1, 4), (242, T + 23, 1, B - 53))
    for source, x, y in (((0, 0), 13, T), ((11, 0), 237, T), ((0, 27), 13, B), ((11, 27), 237, B)):
        put(source + (6, 23), (x, y, 6, 23), transparent=True)
    d = ImageDraw.Draw(img)
    for i in range(3):
        d.rectangle([i, i, width - 1 - i, height - 1 - i], outline=skin_img.getpixel((83, 57 + i)))
    font = sheet_font(10)
    for (x, y), label in (((12, 15), "To:"), ((20, 45), "Character Set"),
                          ((160, 45), "Remaining: 160"), ((20, B + 5), "Send Message"),
                          ((190, B + 5), "Flash"), ((12, B + 34), "Enable Scheduling:")):
        d.text((x, y), label, font=font, fill=(0, 0, 0))
    d.rectangle([72, 13, 242, 30], fill=WHITE, outline=(150, 150, 150))
    d.rectangle([91, 42, 150, 59], fill=WHITE, outline=(150, 150, 150))
    d.text((95, 45), "UTF-8", font=font, fill=(0, 0, 0))
    for x, y, w, h, label in ((13, 240, 230, 25, "Send Message"), (13, 275, 80, 25, "View Logs"),
                              (113, 275, 130, 25, "Return to Buddy List")):
        d.rounded_rectangle([x, y, x + w - 1, y + h - 1], 3, fill=(240, 240, 240),
                            outline=(160, 160, 160))
        d.text((x + (w - d.textlength(label, font=font)) / 2, y + 7), label, font=font,
               fill=(0, 0, 0))
    return img


def contact_sheet(out, skin_img, tree, tabs, fallback, title, icons):
    zoom = 4
    sheet = Image.new("RGB", (1600, 1100), (205, 205, 205))
    d = ImageDraw.Draw(sheet)

    def place(img, x, y, label, scale=zoom):
        d.text((x, y), label, fill=(0, 0, 0))
        big = img.resize((img.width * scale, img.height * scale), Image.NEAREST)
        sheet.paste(big, (x, y + 14), big if big.mode == "RGBA" else None)

    place(skin_img, 10, 10, "skin 200")
    place(tree, 10, 530, "tree 213")
    place(tabs, 360, 530, "tabs 131")
    place(fallback, 620, 530, "fallback 211")
    place(title, 10, 620, "title 222")
    x = 10
    for size in (16, 32, 48):
        place(icons[size], x, 720, f"icon {size}", scale=1)
        place(icons[size], x, 790, f"icon {size} x4", scale=4)
        x += size * 4 + 20
    place(icons[256], 420, 700, "icon 256", scale=1)
    signed_in = mock_signed_in(skin_img, title, tree, tabs, fallback)
    sheet.paste(signed_in, (900, 10))
    sheet.paste(mock_signed_out(skin_img, title, icons[32]), (1210, 10))
    sheet.paste(mock_panel(skin_img), (900, 480))
    sheet.paste(signed_in.crop((0, 0, 110, 200)).resize((330, 600), Image.NEAREST), (1200, 480))
    sheet.save(out)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--sheet", help="also write a contact sheet PNG to this path")
    args = parser.parse_args()
    os.makedirs(BITMAPS, exist_ok=True)
    os.makedirs(ICONS, exist_ok=True)
    os.makedirs(SKINS, exist_ok=True)

    skin_img = skin(BUILT_IN_SKIN)
    tree = tree_images()
    tabs = tab_icons(buddy_tab_icon)
    fallback = tab_icons(web_tab_icon)
    title = title_image()
    save_bmp(skin_img, "skin.bmp")
    save_bmp(tree, "tree.bmp")
    save_bmp(tabs, "tab_buddylist.bmp")
    save_bmp(fallback, "tab_fallback.bmp")
    save_bmp(title, "title.bmp")
    for name, palette in SHIPPED_SKINS.items():
        save_bmp(skin(palette), name + ".bmp", SKINS)

    icons = {}
    for size in (16, 32, 48, 256):
        icons[size] = app_icon(size)
        name = f"textowl-{size}.png"
        save_png(icons[size], os.path.join(ICONS, name))
    with open(os.path.join(ICONS, "textowl.svg"), "w", encoding="utf-8") as f:
        f.write(svg_icon(APP_ICON))

    if args.sheet:
        contact_sheet(args.sheet, skin_img, tree, tabs, fallback, title, icons)


if __name__ == "__main__":
    main()
