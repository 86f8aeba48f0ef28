#!/usr/bin/python3
"""Draws Sonaveil's default skin, "Night Veil", into GIF pictures.

Run from anywhere:  /usr/bin/python3 assets/skin/draw_skin.py
It writes the skin folder's pictures into assets/skin/ and the pictures that are part of the
controls themselves (slider parts, close marks) into src/skin/pictures/. The results are
committed, so building needs none of this.

Pure red (255, 0, 0) is the colour key: the window is see-through wherever a picture is red,
so every outline is drawn with hard edges against red, and no other pixel is ever pure red.
"""
import math
import os

from PIL import Image, ImageDraw, ImageFilter, ImageFont

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))
SKIN = HERE
CONTROL_PICTURES = os.path.join(ROOT, "src", "skin", "pictures")

KEY = (255, 0, 0)
SS = 4  # supersampling factor for smooth shapes

# Palette of the skin
BAND = (27, 30, 50)          # top bands and button trays: flat, so buttons blend in
FACE_TOP = (45, 50, 82)
FACE_BOTTOM = (24, 27, 45)
EDGE_DARK = (10, 11, 22)
EDGE_LIGHT = (78, 86, 130)
SCREEN_TOP = (236, 240, 250)
SCREEN_BOTTOM = (210, 218, 238)
LYRIC = (200, 220, 254)      # the lyric box's own back colour
LIST_GREY = (204, 204, 204)  # the playlist box's own back colour
ACCENT = (63, 208, 201)
ACCENT_DARK = (31, 143, 138)
GLYPH = (220, 225, 242)
GLYPH_DIM = (150, 158, 190)
CARD_TOP = (242, 244, 250)
CARD_BOTTOM = (226, 230, 242)
CARD_EDGE = (150, 158, 190)
INK = (29, 34, 64)

FONT_BOLD = "/usr/share/fonts/truetype/dejavu/DejaVuSansCondensed-Bold.ttf"


def lerp(a, b, t):
    return tuple(int(round(a[i] + (b[i] - a[i]) * t)) for i in range(3))


def vertical_gradient(size, top, bottom):
    w, h = size
    img = Image.new("RGB", size)
    draw = ImageDraw.Draw(img)
    for y in range(h):
        draw.line([(0, y), (w, y)], fill=lerp(top, bottom, y / max(1, h - 1)))
    return img


def shape_mask(size, draw_fn):
    """A hard-edged mask: drawn 4x larger, scaled down, then cut at half coverage."""
    w, h = size
    big = Image.new("L", (w * SS, h * SS), 0)
    draw_fn(ImageDraw.Draw(big), SS)
    small = big.resize(size, Image.LANCZOS)
    return small.point(lambda v: 255 if v >= 128 else 0)


def soft_mask(size, draw_fn):
    """An anti-aliased mask for details drawn inside an opaque picture."""
    w, h = size
    big = Image.new("L", (w * SS, h * SS), 0)
    draw_fn(ImageDraw.Draw(big), SS)
    return big.resize(size, Image.LANCZOS)


def paint(img, mask, colour):
    img.paste(Image.new("RGB", img.size, colour), (0, 0), mask)


def paint_image(img, src, mask):
    img.paste(src, (0, 0), mask)


def rounded(box, radius, corners=(True, True, True, True)):
    """A rounded rectangle; corners (top left, top right, bottom right, bottom left) that are
    False stay square."""
    def fn(d, s):
        x0, y0, x1, y1 = [v * s for v in box]
        x1, y1 = x1 - 1, y1 - 1
        r = radius * s
        d.rounded_rectangle([x0, y0, x1, y1], r, fill=255)
        squares = [(x0, y0, x0 + r, y0 + r), (x1 - r, y0, x1, y0 + r),
                   (x1 - r, y1 - r, x1, y1), (x0, y1 - r, x0 + r, y1)]
        for keep_round, square in zip(corners, squares):
            if not keep_round:
                d.rectangle(square, fill=255)
    return fn


def inset_panel(img, box, radius, top, bottom, border=EDGE_DARK, shine=None):
    """A recessed panel: dark rim, a gradient inside, a light line along the lower edge."""
    x0, y0, x1, y1 = box
    paint(img, soft_mask(img.size, rounded(box, radius)), border)
    inner = (x0 + 1, y0 + 1, x1 - 1, y1 - 1)
    grad = Image.new("RGB", img.size)
    grad.paste(vertical_gradient((x1 - x0, y1 - y0), top, bottom), (x0, y0))
    paint_image(img, grad, soft_mask(img.size, rounded(inner, max(1, radius - 1))))
    if shine:
        ImageDraw.Draw(img).line([(x0 + radius, y1), (x1 - radius, y1)], fill=shine)


def save_gif(img, alpha, path):
    """Writes img as a GIF: pixels where alpha is 0 become the colour key."""
    rgb = img.convert("RGB")
    # Keep the key colour for the key alone.
    px = rgb.load()
    for y in range(rgb.height):
        for x in range(rgb.width):
            if px[x, y] == KEY:
                px[x, y] = (254, 0, 0)
    q = rgb.quantize(colors=255, method=Image.Quantize.MEDIANCUT, dither=Image.Dither.NONE)
    palette = q.getpalette()[: 255 * 3]
    palette += [0, 0, 0] * (255 - len(palette) // 3)
    palette += list(KEY)
    q.putpalette(palette)
    if alpha is not None:
        qp = q.load()
        ap = alpha.load()
        for y in range(q.height):
            for x in range(q.width):
                if ap[x, y] < 128:
                    qp[x, y] = 255
    q.save(path, optimize=False)


# ---------------------------------------------------------------------------------------------
# Glyphs, drawn into a mask at supersampled scale. (cx, cy) is the centre, u a unit in pixels.

def glyph_mask(size, fn):
    return soft_mask(size, fn)


def tri(d, pts, s):
    d.polygon([(x * s, y * s) for x, y in pts], fill=255)


def rect(d, box, s, r=0.4):
    x0, y0, x1, y1 = box
    d.rounded_rectangle([x0 * s, y0 * s, x1 * s, y1 * s], r * s, fill=255)


def glyph_previous(cx, cy):
    def fn(d, s):
        rect(d, (cx - 4.5, cy - 3.5, cx - 3.2, cy + 3.5), s)
        tri(d, [(cx + 0.5, cy - 3.5), (cx + 0.5, cy + 3.5), (cx - 3.2, cy)], s)
        tri(d, [(cx + 4.3, cy - 3.5), (cx + 4.3, cy + 3.5), (cx + 0.6, cy)], s)
    return fn


def glyph_next(cx, cy):
    def fn(d, s):
        tri(d, [(cx - 4.3, cy - 3.5), (cx - 4.3, cy + 3.5), (cx - 0.6, cy)], s)
        tri(d, [(cx - 0.5, cy - 3.5), (cx - 0.5, cy + 3.5), (cx + 3.2, cy)], s)
        rect(d, (cx + 3.2, cy - 3.5, cx + 4.5, cy + 3.5), s)
    return fn


def glyph_play(cx, cy):
    def fn(d, s):
        tri(d, [(cx - 2.6, cy - 4.6), (cx - 2.6, cy + 4.6), (cx + 4.8, cy)], s)
    return fn


def glyph_pause(cx, cy):
    def fn(d, s):
        rect(d, (cx - 3.6, cy - 4, cx - 1.0, cy + 4), s, 0.6)
        rect(d, (cx + 1.0, cy - 4, cx + 3.6, cy + 4), s, 0.6)
    return fn


def glyph_stop(cx, cy):
    def fn(d, s):
        rect(d, (cx - 3.6, cy - 3.6, cx + 3.6, cy + 3.6), s, 1.0)
    return fn


def glyph_open(cx, cy):
    def fn(d, s):
        # A folder: its tab, then its body.
        rect(d, (cx - 5, cy - 4, cx - 1, cy - 2), s, 0.6)
        rect(d, (cx - 5, cy - 2.6, cx + 5, cy + 4), s, 0.9)
    return fn


def glyph_help(cx, cy):
    def fn(d, s):
        w = 1.4 * s
        d.arc([(cx - 2.8) * s, (cy - 5.4) * s, (cx + 2.8) * s, (cy + 0.2) * s], 180, 90,
              fill=255, width=int(w))
        d.line([(cx) * s, (cy + 0.1) * s, (cx) * s, (cy + 1.8) * s], fill=255, width=int(w))
        d.ellipse([(cx - 0.8) * s, (cy + 3.0) * s, (cx + 0.8) * s, (cy + 4.6) * s], fill=255)
    return fn


def glyph_upgrade(cx, cy):
    def fn(d, s):
        w = int(1.4 * s)
        d.ellipse([(cx - 5.6) * s, (cy - 5.6) * s, (cx + 5.6) * s, (cy + 5.6) * s], outline=255,
                  width=w)
        tri(d, [(cx - 3, cy), (cx + 3, cy), (cx, cy - 3.4)], s)
        d.line([cx * s, (cy - 0.5) * s, cx * s, (cy + 3.3) * s], fill=255, width=w)
    return fn


def glyph_catalog(cx, cy):
    def fn(d, s):
        w = int(1.5 * s)
        d.ellipse([(cx - 5.2) * s, (cy - 5.2) * s, (cx + 1.8) * s, (cy + 1.8) * s], outline=255,
                  width=w)
        d.line([(cx + 1.0) * s, (cy + 1.0) * s, (cx + 5.0) * s, (cy + 5.0) * s], fill=255,
               width=int(2.0 * s))
    return fn


def glyph_playlist(cx, cy):
    def fn(d, s):
        for dy in (-3.5, 0, 3.5):
            rect(d, (cx - 3.6, cy + dy - 0.7, cx + 3.6, cy + dy + 0.7), s, 0.5)
    return fn


def glyph_minimise(cx, cy):
    def fn(d, s):
        rect(d, (cx - 3.8, cy + 2.2, cx + 3.8, cy + 3.7), s, 0.6)
    return fn


def glyph_close(cx, cy):
    def fn(d, s):
        w = int(1.6 * s)
        d.line([(cx - 3.3) * s, (cy - 3.3) * s, (cx + 3.3) * s, (cy + 3.3) * s], fill=255, width=w)
        d.line([(cx - 3.3) * s, (cy + 3.3) * s, (cx + 3.3) * s, (cy - 3.3) * s], fill=255, width=w)
    return fn


# ---------------------------------------------------------------------------------------------
# Buttons

CONTROL_GLYPHS = [glyph_previous, glyph_play, glyph_pause, glyph_stop, glyph_next, glyph_open]
TOP_BUTTONS = [  # (glyph, width) for imgTopButton 0..5, pictures 7..12
    (glyph_help, 9), (glyph_upgrade, 15), (glyph_catalog, 17),
    (glyph_playlist, 9), (glyph_minimise, 10), (glyph_close, 9),
]


def control_button(glyph, state):
    """22 x 22, on the tray colour: a round button whose rim and fill show its state."""
    size = (22, 22)
    img = Image.new("RGB", size, BAND)
    disc = soft_mask(size, lambda d, s: d.ellipse([0.5 * s, 0.5 * s, 21.5 * s, 21.5 * s], fill=255))
    inner = soft_mask(size, lambda d, s: d.ellipse([1.7 * s, 1.7 * s, 20.3 * s, 20.3 * s], fill=255))
    shift = 1 if state == 2 else 0
    if state == 0:
        paint(img, disc, EDGE_LIGHT)
        paint_image(img, vertical_gradient(size, (58, 64, 102), (32, 36, 60)), inner)
        colour = GLYPH
    elif state == 1:
        paint(img, disc, ACCENT)
        paint_image(img, vertical_gradient(size, (66, 74, 118), (38, 43, 72)), inner)
        colour = (235, 255, 253)
    else:
        paint(img, disc, ACCENT_DARK)
        paint_image(img, vertical_gradient(size, ACCENT_DARK, ACCENT), inner)
        colour = (16, 40, 48)
    paint(img, glyph_mask(size, glyph(11, 11 + shift)), colour)
    return img


def top_button(glyph, width, state):
    """width x 17 on the band colour; hover lights a pill behind the glyph, press fills it."""
    size = (width, 17)
    img = Image.new("RGB", size, BAND)
    if state:
        pill = soft_mask(size, rounded((0, 1, width, 16), 4))
        paint(img, pill, (58, 66, 108) if state == 1 else ACCENT_DARK)
    shift = 1 if state == 2 else 0
    colour = (GLYPH_DIM, (240, 255, 254), (12, 34, 40))[state]
    paint(img, glyph_mask(size, glyph(width / 2, 8.5 + shift)), colour)
    return img


# ---------------------------------------------------------------------------------------------
# Panels


def wordmark(img, x, y):
    """The waveform mark and the name, top left of the player face."""
    heights = [4, 8, 12, 7, 10, 5]
    mask = soft_mask(img.size, lambda d, s: [
        d.rounded_rectangle([(x + i * 3) * s, (y + 6 - h / 2) * s, (x + i * 3 + 1.6) * s,
                             (y + 6 + h / 2) * s], 0.8 * s, fill=255)
        for i, h in enumerate(heights)])
    paint(img, mask, ACCENT)
    try:
        font = ImageFont.truetype(FONT_BOLD, 10)
        d = ImageDraw.Draw(img)
        text_x = x + 22
        for ch in "SONAVEIL":
            d.text((text_x, y + 1), ch, font=font, fill=GLYPH_DIM)
            text_x += font.getlength(ch) + 1.6
    except OSError:
        pass


def main_face():
    w, h = 242, 322
    img = vertical_gradient((w, h), FACE_TOP, FACE_BOTTOM)
    # Rounded top, square bottom: the playlist panel continues the body below.
    outline = shape_mask((w, h), rounded((0, 0, w, h), 14, corners=(True, True, False, False)))
    rim = Image.new("RGB", (w, h), EDGE_DARK)
    inner = soft_mask((w, h), rounded((1, 1, w - 1, h), 13, corners=(True, True, False, False)))
    face = rim.copy()
    paint_image(face, img, inner)
    d = ImageDraw.Draw(face)
    # The top band with the top buttons, and a fine line under it.
    band = soft_mask((w, h), rounded((1, 1, w - 1, 31), 13, corners=(True, True, False, False)))
    paint(face, band, BAND)
    d.line([(1, 31), (w - 2, 31)], fill=EDGE_DARK)
    d.line([(1, 32), (w - 2, 32)], fill=EDGE_LIGHT)
    wordmark(face, 30, 9)
    # The now-playing screen behind Label1 (32, 48, 177 x 53).
    inset_panel(face, (26, 42, 216, 107), 6, SCREEN_TOP, SCREEN_BOTTOM, shine=EDGE_LIGHT)
    # The lyric box frame around Text2 (32, 128, 177 x 121).
    inset_panel(face, (27, 123, 215, 255), 6, LYRIC, LYRIC, shine=EDGE_LIGHT)
    # Grooves behind the position and volume bars, and the count's corner.
    for y, x1 in ((277, 221), (301, 141)):
        inset_panel(face, (28, y, x1, y + 13), 6, (16, 18, 32), (22, 25, 42), shine=(52, 58, 92))
    d.line([(1, h - 1), (w - 2, h - 1)], fill=(36, 40, 66))
    return face, outline


def playlist_panel():
    w, h = 242, 174
    body = vertical_gradient((w, h), (30, 34, 56), (22, 25, 42))
    outline = shape_mask((w, h), rounded((0, 0, w, h), 14, corners=(False, False, True, True)))
    img = Image.new("RGB", (w, h), EDGE_DARK)
    paint_image(img, body, soft_mask((w, h), rounded((1, 0, w - 1, h - 1), 13,
                                                     corners=(False, False, True, True))))
    # Frame around List1 (8, 6, 225 x 119).
    inset_panel(img, (5, 3, 237, 128), 5, LIST_GREY, LIST_GREY, shine=EDGE_LIGHT)
    # The tray that holds the six control buttons (left 52 .. 190, top 149 .. 171).
    tray = soft_mask((w, h), rounded((44, 144, 198, 172), 14))
    paint(img, tray, EDGE_DARK)
    paint(img, soft_mask((w, h), rounded((45, 145, 197, 171), 13)), BAND)
    ImageDraw.Draw(img).line([(58, 171), (184, 171)], fill=EDGE_LIGHT)
    # A grip either side of the tray, for dragging and the eye.
    d = ImageDraw.Draw(img)
    for x in (18, 214):
        for i in range(3):
            d.line([(x + i * 3, 152), (x + i * 3, 163)], fill=(52, 58, 92))
    return img, outline


def icon_person(cx, cy):
    def fn(d, s):
        d.ellipse([(cx - 2.6) * s, (cy - 5.5) * s, (cx + 2.6) * s, (cy - 0.3) * s], fill=255)
        d.pieslice([(cx - 5) * s, (cy + 0.5) * s, (cx + 5) * s, (cy + 10) * s], 180, 360, fill=255)
    return fn


def icon_disc(cx, cy):
    def fn(d, s):
        d.ellipse([(cx - 5.5) * s, (cy - 5.5) * s, (cx + 5.5) * s, (cy + 5.5) * s], fill=255)
        d.ellipse([(cx - 1.5) * s, (cy - 1.5) * s, (cx + 1.5) * s, (cy + 1.5) * s], fill=0)
    return fn


def icon_note(cx, cy):
    def fn(d, s):
        d.ellipse([(cx - 5) * s, (cy + 1.5) * s, (cx - 0.6) * s, (cy + 5.2) * s], fill=255)
        d.line([(cx - 1.2) * s, (cy + 3.5) * s, (cx - 1.2) * s, (cy - 5.5) * s], fill=255,
               width=int(1.4 * s))
        d.polygon([((cx - 1.2) * s, (cy - 5.5) * s), ((cx + 4.5) * s, (cy - 3.5) * s),
                   ((cx + 4.5) * s, (cy - 1.2) * s), ((cx - 1.2) * s, (cy - 3.0) * s)], fill=255)
    return fn


def catalog_panel():
    w, h = 673, 321
    body = vertical_gradient((w, h), FACE_TOP, FACE_BOTTOM)
    outline = shape_mask((w, h), rounded((0, 0, w, h), 14, corners=(False, True, True, False)))
    img = Image.new("RGB", (w, h), EDGE_DARK)
    paint_image(img, body, soft_mask((w, h), rounded((0, 1, w - 1, h - 1), 13,
                                                     corners=(False, True, True, False))))
    band = soft_mask((w, h), rounded((0, 1, w - 1, 26), 13, corners=(False, True, False, False)))
    paint(img, band, BAND)
    d = ImageDraw.Draw(img)
    d.line([(0, 26), (w - 2, 26)], fill=EDGE_DARK)
    d.line([(0, 27), (w - 2, 27)], fill=EDGE_LIGHT)
    paint(img, soft_mask((w, h), glyph_catalog(16, 13)), ACCENT)
    # The filter card: singer types (rows at 32 and 48) and letters (row at 64).
    inset_panel(img, (12, 29, 446, 81), 6, CARD_TOP, CARD_BOTTOM, border=CARD_EDGE)
    # Column marks over the three lists (singers, albums, songs).
    for x, icon in ((10, icon_person), (166, icon_disc), (318, icon_note)):
        inset_panel(img, (x, 87, x + 145, 105), 5, (40, 45, 74), (32, 36, 60), border=EDGE_DARK)
        paint(img, soft_mask((w, h), icon(x + 72, 95)), ACCENT)
    # Frames around the lists (top 110, 145 x 197).
    for x in (10, 166, 318):
        inset_panel(img, (x - 2, 108, x + 147, 309), 4, (250, 250, 252), (250, 250, 252),
                    shine=EDGE_LIGHT)
    # The search column: box and button (473, 60 and 606, 56), results (471, 107), add buttons.
    inset_panel(img, (466, 32, 670, 314), 8, (38, 43, 70), (30, 34, 56), border=EDGE_DARK,
                shine=(60, 66, 104))
    inset_panel(img, (469, 51, 663, 85), 8, (24, 27, 45), (28, 31, 52), border=EDGE_DARK)
    inset_panel(img, (469, 105, 667, 280), 4, (250, 250, 252), (250, 250, 252), shine=EDGE_LIGHT)
    paint(img, soft_mask((w, h), glyph_catalog(478, 42)), GLYPH_DIM)
    return img, outline


def side_window(w, h):
    """The frame of a small window of its own: rounded body, a top band with a fine line."""
    body = vertical_gradient((w, h), FACE_TOP, FACE_BOTTOM)
    outline = shape_mask((w, h), rounded((0, 0, w, h), 14))
    img = Image.new("RGB", (w, h), EDGE_DARK)
    paint_image(img, body, soft_mask((w, h), rounded((1, 1, w - 1, h - 1), 13)))
    paint(img, soft_mask((w, h), rounded((1, 1, w - 1, 30), 13, corners=(True, True, False, False))),
          BAND)
    d = ImageDraw.Draw(img)
    d.line([(1, 30), (w - 2, 30)], fill=EDGE_DARK)
    d.line([(1, 31), (w - 2, 31)], fill=EDGE_LIGHT)
    return img, outline


def updater_back():
    img, outline = side_window(427, 170)
    paint(img, soft_mask(img.size, glyph_upgrade(18, 15)), ACCENT)
    wordmark(img, 32, 9)
    inset_panel(img, (20, 40, 407, 138), 8, CARD_TOP, CARD_BOTTOM, border=CARD_EDGE)
    return img, outline


def board_frame():
    img, outline = side_window(700, 408)
    wordmark(img, 16, 9)
    inset_panel(img, (2, 31, 698, 403), 3, (250, 250, 252), (250, 250, 252), shine=EDGE_LIGHT)
    return img, outline


def close_mark(state):
    """The 9 x 17 close mark of the side windows and the catalog panel."""
    return top_button(glyph_close, 9, state)


def app_icon(size):
    img = Image.new("RGBA", (size, size), (0, 0, 0, 0))
    s = size / 32.0
    disc = soft_mask((size, size), lambda d, k: d.ellipse([1 * s * k, 1 * s * k, 31 * s * k,
                                                            31 * s * k], fill=255))
    grad = vertical_gradient((size, size), (60, 66, 112), (24, 27, 48)).convert("RGBA")
    img.paste(grad, (0, 0), disc)
    ring = soft_mask((size, size), lambda d, k: d.ellipse(
        [1 * s * k, 1 * s * k, 31 * s * k, 31 * s * k], outline=255, width=max(1, int(1.5 * s * k))))
    img.paste(Image.new("RGBA", (size, size), ACCENT + (255,)), (0, 0), ring)
    heights = [6, 12, 18, 10, 14, 7]
    bars = soft_mask((size, size), lambda d, k: [
        d.rounded_rectangle([(7 + i * 3.4) * s * k, (16 - hh / 2) * s * k,
                             (7 + i * 3.4 + 2.2) * s * k, (16 + hh / 2) * s * k], 1.1 * s * k,
                            fill=255) for i, hh in enumerate(heights)])
    img.paste(Image.new("RGBA", (size, size), ACCENT + (255,)), (0, 0), bars)
    return img


# ---------------------------------------------------------------------------------------------
# Slider parts (part of the slider control itself)


def slider_parts():
    face = (22, 25, 42)
    groove = (8, 9, 18)
    line = (62, 70, 108)
    track = Image.new("RGB", (2, 7), face)
    d = ImageDraw.Draw(track)
    d.line([(0, 2), (1, 2)], fill=groove)
    d.line([(0, 3), (1, 3)], fill=(40, 46, 74))
    d.line([(0, 4), (1, 4)], fill=groove)
    d.line([(0, 5), (1, 5)], fill=line)
    left = Image.new("RGB", (2, 7), face)
    d = ImageDraw.Draw(left)
    d.point([(1, 2), (1, 3), (1, 4)], fill=groove)
    d.point([(0, 3)], fill=(30, 34, 56))
    d.point([(1, 5)], fill=line)
    right = left.transpose(Image.FLIP_LEFT_RIGHT)
    thumb = Image.new("RGB", (18, 7), face)
    pill = soft_mask((18, 7), rounded((0, 0, 18, 7), 3.5))
    paint_image(thumb, vertical_gradient((18, 7), (140, 240, 234), ACCENT_DARK), pill)
    d = ImageDraw.Draw(thumb)
    for x in (7, 9, 11):
        d.line([(x, 2), (x, 4)], fill=(20, 70, 72))
    return {"slider-left.gif": left, "slider-track.gif": track, "slider-right.gif": right,
            "slider-thumb.gif": thumb}


def main():
    os.makedirs(CONTROL_PICTURES, exist_ok=True)
    for name, (img, outline) in {
        "Main.gif": main_face(),
        "List.gif": playlist_panel(),
        "Search.gif": catalog_panel(),
        "update.gif": updater_back(),
        "board.gif": board_frame(),
    }.items():
        save_gif(img, outline, os.path.join(SKIN, name))
    for i, glyph in enumerate(CONTROL_GLYPHS):
        for state in range(3):
            save_gif(control_button(glyph, state), None,
                     os.path.join(SKIN, "%d-%d.gif" % (i + 1, state + 1)))
    for i, (glyph, width) in enumerate(TOP_BUTTONS):
        for state in range(3):
            save_gif(top_button(glyph, width, state), None,
                     os.path.join(SKIN, "%d-%d.gif" % (i + 7, state + 1)))
    for name, img in slider_parts().items():
        save_gif(img, None, os.path.join(CONTROL_PICTURES, name))
    for state in range(3):
        save_gif(close_mark(state), None, os.path.join(CONTROL_PICTURES, "close-%d.gif" % (state + 1)))
    icons = [app_icon(n) for n in (16, 24, 32, 48, 64)]
    icons[-1].save(os.path.join(SKIN, "sonaveil.ico"),
                   sizes=[(n, n) for n in (16, 24, 32, 48, 64)])
    icons[-1].save(os.path.join(CONTROL_PICTURES, "sonaveil.png"))
    # The desktop's and software centres' icon at its full size.
    app_icon(128).save(os.path.join(ROOT, "assets", "desktop", "sonaveil-128.png"))


if __name__ == "__main__":
    main()
