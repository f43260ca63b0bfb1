#!/usr/bin/env python3
"""Draws the program's own pictures into resources/ui/.

Every picture is our own drawing: SVG written from the shapes below, and the one raster
picture (the 50 x 39 placeholder bitmap) rasterised here. Run it again after changing a
shape:  python3 tools/art/make_art.py
"""

import math
import os
import struct

ROOT = os.path.normpath(os.path.join(os.path.dirname(__file__), "..", "..", "resources", "ui"))

# One palette for everything: the program's light blue family.
INK = "#2b5676"          # outlines and glyph strokes
ACCENT = "#3d8fd1"       # active parts
LIGHT = "#cae1f3"        # RGB(202, 225, 243), the window colour
PALE = "#eaf3fb"
WHITE = "#ffffff"
EDGE = "#8fb8da"         # box borders
WARM = "#e8b64c"         # sun, favourite star
RED = "#c8574e"          # delete, cancel
GREEN = "#5a9f6e"        # hills, play
GREY = "#9aa7b1"         # disabled glyphs
KEY = "#ff00ff"          # see-through pixels of flat-button skins


def write(name, width, height, body):
    path = os.path.join(ROOT, name + ".svg")
    os.makedirs(os.path.dirname(path), exist_ok=True)
    svg = ('<svg xmlns="http://www.w3.org/2000/svg" width="%d" height="%d" viewBox="0 0 %d %d">\n%s\n</svg>\n'
           % (width, height, width, height, body))
    with open(path, "w", encoding="utf-8") as f:
        f.write(svg)


def rect(x, y, w, h, fill, extra=""):
    return '<rect x="%g" y="%g" width="%g" height="%g" fill="%s"%s/>' % (x, y, w, h, fill, extra)


def group(body, dx=0, dy=0, scale=1.0, opacity=None):
    attrs = ' transform="translate(%g %g) scale(%g)"' % (dx, dy, scale)
    if opacity is not None:
        attrs += ' opacity="%g"' % opacity
    return "<g%s>%s</g>" % (attrs, body)


def crisp_box(x, y, w, h, fill, border, corner=2):
    """A box with a one-pixel border and pixel-stepped rounded corners, made of whole-pixel
    rectangles so that it renders without blended edges."""
    out = []
    if fill:
        out.append(rect(x + 1, y + 1, w - 2, h - 2, fill))
    if border:
        out.append(rect(x + corner, y, w - 2 * corner, 1, border))
        out.append(rect(x + corner, y + h - 1, w - 2 * corner, 1, border))
        out.append(rect(x, y + corner, 1, h - 2 * corner, border))
        out.append(rect(x + w - 1, y + corner, 1, h - 2 * corner, border))
        if corner == 2:
            for cx, cy in ((x + 1, y + 1), (x + w - 2, y + 1), (x + 1, y + h - 2), (x + w - 2, y + h - 2)):
                out.append(rect(cx, cy, 1, 1, border))
    return "".join(out)


def key_corners(x, y, w, h, corner=2):
    """Key-colour pixels outside a pixel-stepped rounded corner."""
    out = []
    pixels = [(0, 0), (1, 0), (0, 1)] if corner == 2 else [(0, 0)]
    for px, py in pixels:
        out.append(rect(x + px, y + py, 1, 1, KEY))
        out.append(rect(x + w - 1 - px, y + py, 1, 1, KEY))
        out.append(rect(x + px, y + h - 1 - py, 1, 1, KEY))
        out.append(rect(x + w - 1 - px, y + h - 1 - py, 1, 1, KEY))
    return "".join(out)


# ---------------------------------------------------------------- glyphs on a 20 x 20 grid

def stroke(d, colour, width, fill="none", extra=""):
    return ('<path d="%s" fill="%s" stroke="%s" stroke-width="%g" stroke-linecap="round" '
            'stroke-linejoin="round"%s/>' % (d, fill, colour, width, extra))


def fillpath(d, colour, extra=""):
    return '<path d="%s" fill="%s"%s/>' % (d, colour, extra)


def magnifier(ink, fill, sign):
    body = ('<circle cx="8.5" cy="8.5" r="5.6" fill="%s" stroke="%s" stroke-width="1.7"/>' % (fill, ink)
            + stroke("M12.7 12.7 L17.2 17.2", ink, 2.8))
    if sign in ("+", "-"):
        body += stroke("M6 8.5 H11", ink, 1.6)
    if sign == "+":
        body += stroke("M8.5 6 V11", ink, 1.6)
    return body


def g_zoom_in(ink, fill, accent):
    return magnifier(ink, fill, "+")


def g_zoom_out(ink, fill, accent):
    return magnifier(ink, fill, "-")


def g_actual_size(ink, fill, accent):
    return (crisp_box(2, 4, 16, 12, fill, None)
            + '<rect x="2.5" y="4.5" width="15" height="11" rx="1.5" fill="none" stroke="%s" stroke-width="1.2"/>' % ink
            + rect(5.5, 7, 1.8, 6, accent) + rect(12.7, 7, 1.8, 6, accent)
            + rect(9.2, 8, 1.6, 1.6, ink) + rect(9.2, 11, 1.6, 1.6, ink))


def g_best_fit(ink, fill, accent):
    # Corner marks of a viewfinder around a small picture.
    corners = stroke("M2.5 6.5 V3.5 H5.5 M14.5 3.5 H17.5 V6.5 M17.5 13.5 V16.5 H14.5 M5.5 16.5 H2.5 V13.5",
                     ink, 1.5)
    picture = ('<rect x="5.5" y="6" width="9" height="8" fill="%s" stroke="%s" stroke-width="1"/>' % (fill, ink)
               + fillpath("M6 13.5 L9 9.5 L11 11.5 L12.3 10.3 L14 13.5 Z", accent))
    return corners + picture


def arrow(ink, fill, mirror):
    pts = "M2.5 10 L9.5 3.5 V7.3 H17.3 V12.7 H9.5 V16.5 Z"
    body = fillpath(pts, fill, ' stroke="%s" stroke-width="1.3" stroke-linejoin="round"' % ink)
    return group(body, 20, 0, 1) .replace('scale(1)', 'scale(-1 1)') if mirror else body


def g_previous(ink, fill, accent):
    return arrow(ink, accent if fill != GREY_FILL else fill, False)


def g_next(ink, fill, accent):
    return arrow(ink, accent if fill != GREY_FILL else fill, True)


def turn(ink, fill, accent, clockwise):
    # A picture card and a quarter-circle arrow that turns round its upper corner.
    card = ('<rect x="3.5" y="9.5" width="8" height="7" rx="0.6" fill="%s" stroke="%s" stroke-width="1.1"/>'
            % (fill, ink) + fillpath("M4 16 L6.5 12.8 L8 14.3 L9 13.4 L11 16 Z", accent))
    arc = stroke("M6.4 5 A8 8 0 0 1 16 11.5", accent, 1.9)
    head = fillpath("M13.2 10.8 L18.8 10.8 L16 15 Z", accent)
    body = card + arc + head
    if clockwise:
        return body
    return '<g transform="translate(20 0) scale(-1 1)">%s</g>' % body


def g_turn_left(ink, fill, accent):
    return turn(ink, fill, accent, False)


def g_turn_right(ink, fill, accent):
    return turn(ink, fill, accent, True)


def g_slide_show(ink, fill, accent):
    return ('<rect x="2" y="3.5" width="16" height="11" rx="1.5" fill="%s" stroke="%s" stroke-width="1.2"/>'
            % (fill, ink)
            + fillpath("M8.2 6.3 L13.2 9 L8.2 11.7 Z", accent)
            + stroke("M10 14.5 V17 M6.5 17.5 H13.5", ink, 1.3))


def g_delete(ink, fill, accent):
    red = RED if fill != GREY_FILL else GREY
    return (stroke("M4 5.5 H16 M8 5.5 V3.8 H12 V5.5", ink, 1.3)
            + '<path d="M5.3 6.5 L6.3 17 H13.7 L14.7 6.5 Z" fill="%s" stroke="%s" stroke-width="1.2" '
              'stroke-linejoin="round"/>' % (fill, ink)
            + stroke("M8.2 9 V14.5 M11.8 9 V14.5", red, 1.4))


def g_print(ink, fill, accent):
    return ('<rect x="6" y="2.5" width="8" height="5" fill="%s" stroke="%s" stroke-width="1.1"/>' % (WHITE if fill != GREY_FILL else fill, ink)
            + '<rect x="2.5" y="7" width="15" height="7" rx="1.5" fill="%s" stroke="%s" stroke-width="1.2"/>'
            % (fill, ink)
            + '<rect x="6" y="11.5" width="8" height="6" fill="%s" stroke="%s" stroke-width="1.1"/>' % (WHITE if fill != GREY_FILL else fill, ink)
            + stroke("M7.5 14 H12.5 M7.5 16 H11", accent, 0.9)
            + '<circle cx="15" cy="9.3" r="0.8" fill="%s"/>' % accent)


def g_save(ink, fill, accent):
    return ('<path d="M3 3 H14.5 L17 5.5 V17 H3 Z" fill="%s" stroke="%s" stroke-width="1.2" '
            'stroke-linejoin="round"/>' % (accent if fill != GREY_FILL else fill, ink)
            + '<rect x="6" y="3.6" width="7" height="4.4" fill="%s"/>' % (PALE if fill != GREY_FILL else WHITE)
            + rect(10.6, 4.3, 1.4, 3, ink)
            + '<rect x="5.5" y="10.5" width="9" height="6" fill="%s"/>' % WHITE
            + stroke("M7 12.6 H13 M7 14.6 H13", LIGHT if fill != GREY_FILL else GREY, 0.9))


GREY_FILL = "#e4e8eb"

TOOLBAR = [
    ("zoom_in", g_zoom_in), ("zoom_out", g_zoom_out), ("actual_size", g_actual_size),
    ("best_fit", g_best_fit), ("previous", g_previous), ("next", g_next),
    ("turn_left", g_turn_left), ("turn_right", g_turn_right), ("slide_show", g_slide_show),
    ("delete", g_delete), ("print", g_print), ("save", g_save),
]


def g_history_back(ink, fill, accent):
    return (stroke("M15.5 10 H5 M9.5 5.5 L5 10 L9.5 14.5", accent if fill != GREY_FILL else GREY, 2.4))


def g_history(ink, fill, accent):
    return ('<circle cx="10.5" cy="10" r="6.6" fill="%s" stroke="%s" stroke-width="1.4"/>' % (fill, ink)
            + stroke("M10.5 6 V10 L13.3 12", accent if fill != GREY_FILL else GREY, 1.6)
            + fillpath("M1.8 8.2 L4.6 11.6 L6.9 8 Z", ink))


def star_path(cx, cy, outer, inner):
    pts = []
    for i in range(10):
        r = outer if i % 2 == 0 else inner
        a = -math.pi / 2 + i * math.pi / 5
        pts.append("%.2f %.2f" % (cx + r * math.cos(a), cy + r * math.sin(a)))
    return "M" + " L".join(pts) + " Z"


def g_star_off(ink, fill, accent):
    return fillpath(star_path(10, 10.6, 7.6, 3.2), WHITE if fill != GREY_FILL else fill,
                    ' stroke="%s" stroke-width="1.3" stroke-linejoin="round"' % (ink if fill != GREY_FILL else GREY))


def g_star_on(ink, fill, accent):
    return fillpath(star_path(10, 10.6, 7.6, 3.2), WARM,
                    ' stroke="#b8862a" stroke-width="1.3" stroke-linejoin="round"')


def folder_shape(ink, body, tab):
    return ('<path d="M2.5 5.5 V15.5 H17.5 V7.5 H9.5 L8 5.5 Z" fill="%s" stroke="%s" stroke-width="1.1" '
            'stroke-linejoin="round"/>' % (tab, ink)
            + '<path d="M2.5 8.5 H17.5 V15.5 H2.5 Z" fill="%s" stroke="%s" stroke-width="1.1" '
              'stroke-linejoin="round"/>' % (body, ink))


def g_recursive(ink, fill, accent, on=False):
    # A folder with the tree of folders below it.
    lines = stroke("M5 9 V16.5 H9 M5 13 H9", ink, 1.1)
    small = lambda x, y: ('<rect x="%g" y="%g" width="7" height="5" rx="0.8" fill="%s" stroke="%s" '
                          'stroke-width="1"/>' % (x, y, ACCENT if on else fill, ink))
    top = ('<path d="M2 2.5 H6.5 L7.5 4 H12 V9 H2 Z" fill="%s" stroke="%s" stroke-width="1.1" '
           'stroke-linejoin="round"/>' % (ACCENT if on else fill, ink))
    return top + lines + small(9.5, 10.5) + small(9.5, 14.5)


def g_recursive_on(ink, fill, accent):
    return g_recursive(ink, fill, accent, True)


def g_search(ink, fill, accent):
    return magnifier(ink, fill, "")


def g_cancel(ink, fill, accent):
    red = RED if fill != GREY_FILL else GREY
    return ('<circle cx="10" cy="10" r="7" fill="%s" stroke="%s" stroke-width="1.3"/>' % (fill, red)
            + stroke("M7 7 L13 13 M13 7 L7 13", red, 2))


def g_association(ink, fill, accent):
    # A picture page linked to the program: a page with a small landscape and a link mark.
    return ('<path d="M4 2.5 H12 L16 6.5 V17.5 H4 Z" fill="%s" stroke="%s" stroke-width="1.1" '
            'stroke-linejoin="round"/>' % (WHITE if fill != GREY_FILL else fill, ink)
            + fillpath("M12 2.5 V6.5 H16", "none", ' stroke="%s" stroke-width="1.1"' % ink)
            + fillpath("M5.5 15.5 L8.5 11 L10.5 13.5 L12 12 L14.5 15.5 Z", GREEN if fill != GREY_FILL else GREY)
            + '<circle cx="12.3" cy="9" r="1.3" fill="%s"/>' % (WARM if fill != GREY_FILL else GREY))


# ---------------------------------------------------------------- skins and frame strips

def toolbar_skin():
    """Flat-button skin: slices hover, pressed, switched on; magenta corners."""
    w, h = 28, 28
    looks = [("#e6f2fb", "#8cbfe6"), ("#c4def2", "#5d9fd5"), ("#d6e9f8", "#78afdd")]
    body = ""
    for i, (fill, border) in enumerate(looks):
        x = i * w
        body += crisp_box(x, 0, w, h, fill, border)
        if i == 1:
            body += rect(x + 1, 1, w - 2, 1, "#aacde9")  # pressed: a shadow under the top edge
        else:
            body += rect(x + 1, 1, w - 2, 1, WHITE)
        body += key_corners(x, 0, w, h)
    write("toolbar/skin", 3 * w, h, body)


def glyph_in(glyph, size, frame_w, frame_h, ink=INK, fill=LIGHT, accent=ACCENT, dx=0, dy=0):
    scale = size / 20.0
    return group(glyph(ink, fill, accent), (frame_w - size) / 2 + dx, (frame_h - size) / 2 + dy, scale)


def flat_frames(name, w, h, glyph_off, glyph_on=None, size=18):
    """Picture-button strip on the light window: 4 frames, or 6 with a switched-on state.
    Frames: 0 disabled (switched on at rest for two-state buttons), 1 normal, 2 hover,
    3 pressed, 4 switched on under the pointer, 5 switched on and pressed."""
    hover = ("#e6f2fb", "#8cbfe6")
    pressed = ("#c4def2", "#5d9fd5")
    on = ("#d6e9f8", "#78afdd")
    frames = []
    if glyph_on is None:
        frames.append(("", glyph_in(glyph_off, size, w, h, GREY, GREY_FILL, GREY)))
        frames.append(("", glyph_in(glyph_off, size, w, h)))
        frames.append((crisp_box(0, 0, w, h, *hover), glyph_in(glyph_off, size, w, h)))
        frames.append((crisp_box(0, 0, w, h, *pressed), glyph_in(glyph_off, size, w, h, dx=1, dy=1)))
    else:
        frames.append((crisp_box(0, 0, w, h, *on), glyph_in(glyph_on, size, w, h)))
        frames.append(("", glyph_in(glyph_off, size, w, h)))
        frames.append((crisp_box(0, 0, w, h, *hover), glyph_in(glyph_off, size, w, h)))
        frames.append((crisp_box(0, 0, w, h, *pressed), glyph_in(glyph_off, size, w, h, dx=1, dy=1)))
        frames.append((crisp_box(0, 0, w, h, *hover), glyph_in(glyph_on, size, w, h)))
        frames.append((crisp_box(0, 0, w, h, *pressed), glyph_in(glyph_on, size, w, h, dx=1, dy=1)))
    body = "".join(group(bg + fg, i * w, 0) for i, (bg, fg) in enumerate(frames))
    write(name, w * len(frames), h, body)


def caption_button():
    """Plain button body for captioned picture buttons (cancel, list recursively)."""
    w, h = 80, 24
    looks = [
        ("#eef1f3", "#c2cbd2", "#eef1f3"),   # disabled
        ("#f7fbfe", "#7eb4dc", "#d9eaf7"),   # normal
        ("#ffffff", "#4f9bd6", "#e4f1fb"),   # hover
        ("#cfe3f4", "#4f9bd6", "#bcd8ef"),   # pressed
    ]
    body = ""
    for i, (top, border, bottom) in enumerate(looks):
        gid = "cb%d" % i
        body += ('<defs><linearGradient id="%s" x1="0" y1="0" x2="0" y2="1"><stop offset="0" stop-color="%s"/>'
                 '<stop offset="1" stop-color="%s"/></linearGradient></defs>' % (gid, top, bottom))
        body += group(rect(1, 1, w - 2, h - 2, "url(#%s)" % gid) + crisp_box(0, 0, w, h, None, border), i * w, 0)
    write("browser/caption_button", 4 * w, h, body)


def fav_header():
    """Header of the favourites pane: a bar with a star; 4 frames."""
    w, h = 233, 20
    looks = [("#eef1f3", "#dde3e7", GREY), ("#eaf4fc", "#cfe3f4", INK), ("#f4f9fe", "#dcecf9", INK),
             ("#cfe3f4", "#bcd8ef", INK)]
    body = ""
    for i, (top, bottom, ink) in enumerate(looks):
        gid = "fh%d" % i
        body += ('<defs><linearGradient id="%s" x1="0" y1="0" x2="0" y2="1"><stop offset="0" stop-color="%s"/>'
                 '<stop offset="1" stop-color="%s"/></linearGradient></defs>' % (gid, top, bottom))
        star = fillpath(star_path(0, 0, 6.2, 2.7), WARM if i else GREY_FILL,
                        ' stroke="%s" stroke-width="1" stroke-linejoin="round" transform="translate(11 10.3)"'
                        % ("#b8862a" if i else GREY))
        chevron = stroke("M%g 8 L%g 12 L%g 8" % (w - 15, w - 11, w - 7), ink, 1.5)
        body += group(rect(0, 0, w, h, "url(#%s)" % gid) + rect(0, h - 1, w, 1, "#9cc5e6") + star + chevron,
                      i * w, 0)
    write("browser/fav_header", 4 * w, h, body)


def dark_frames(name, w, h, glyph, round_body=True):
    """Slide-show buttons over the black canvas: 0 disabled, 1 normal, 2 hover, 3 pressed."""
    looks = [("#3a3f44", "#6d747a", 0.6), ("#23323e", "#6f9cc1", 1.0), ("#2f4a61", "#9cc9ec", 1.0),
             ("#3d8fd1", "#cfe6f8", 1.0)]
    body = ""
    for i, (fill, border, opacity) in enumerate(looks):
        if round_body:
            shape = '<circle cx="%g" cy="%g" r="%g" fill="%s" stroke="%s" stroke-width="1.2"/>' % (
                w / 2, h / 2, min(w, h) / 2 - 1, fill, border)
        else:
            shape = '<rect x="0.5" y="0.5" width="%g" height="%g" rx="2.5" fill="%s" stroke="%s"/>' % (
                w - 1, h - 1, fill, border)
        colour = "#8b9298" if i == 0 else WHITE
        body += group(shape + glyph(colour, w, h), i * w, 0, opacity=opacity)
    write(name, 4 * w, h, body)


def d_pause(c, w, h):
    return rect(w / 2 - 5, h / 2 - 6, 3.6, 12, c) + rect(w / 2 + 1.4, h / 2 - 6, 3.6, 12, c)


def d_play(c, w, h):
    return fillpath("M%g %g L%g %g L%g %g Z" % (w / 2 - 4, h / 2 - 7, w / 2 + 7, h / 2, w / 2 - 4, h / 2 + 7), c)


def d_close(c, w, h):
    return stroke("M%g %g L%g %g M%g %g L%g %g" % (w / 2 - 5, h / 2 - 5, w / 2 + 5, h / 2 + 5,
                                                  w / 2 + 5, h / 2 - 5, w / 2 - 5, h / 2 + 5), c, 2.4)


def d_up(c, w, h):
    return fillpath("M%g %g L%g %g L%g %g Z" % (w / 2 - 4, h / 2 + 2.5, w / 2, h / 2 - 2.5, w / 2 + 4, h / 2 + 2.5), c)


def d_down(c, w, h):
    return fillpath("M%g %g L%g %g L%g %g Z" % (w / 2 - 4, h / 2 - 2.5, w / 2, h / 2 + 2.5, w / 2 + 4, h / 2 - 2.5), c)


# ---------------------------------------------------------------- path box and search box

def box_pieces():
    h = 27
    # Path box: a rounded left end with a folder, a middle that stretches, a right end cap.
    left = (rect(2, 0, 24, 1, EDGE) + rect(2, h - 1, 24, 1, EDGE) + rect(0, 2, 1, h - 4, EDGE)
            + rect(1, 1, 1, 1, EDGE) + rect(1, h - 2, 1, 1, EDGE) + rect(1, 1, 25, h - 2, WHITE)
            + group(folder_shape(INK, "#8cc1ea", "#5f9fd3"), 5, 5.5, 0.85))
    write("box/combo_left", 26, h, left)
    middle = rect(0, 0, 4, 1, EDGE) + rect(0, h - 1, 4, 1, EDGE) + rect(0, 1, 4, h - 2, WHITE)
    write("box/combo_middle", 4, h, middle)
    write("box/search_middle", 4, h, middle)
    end = rect(0, 0, 1, 1, EDGE) + rect(0, h - 1, 1, 1, EDGE) + rect(1, 1, 1, 1, EDGE) + rect(1, h - 2, 1, 1, EDGE) \
        + rect(2, 2, 1, h - 4, EDGE) + rect(0, 1, 1, h - 2, WHITE) + rect(1, 2, 1, h - 4, WHITE)
    write("box/combo_end", 3, h, end)
    search_end = (rect(0, 0, 14, 1, EDGE) + rect(0, h - 1, 14, 1, EDGE) + rect(14, 1, 1, 1, EDGE)
                  + rect(14, h - 2, 1, 1, EDGE) + rect(15, 2, 1, h - 4, EDGE) + rect(0, 1, 14, h - 2, WHITE)
                  + rect(14, 2, 1, h - 4, WHITE))
    write("box/search_end", 16, h, search_end)
    # Drop-down button: normal, under the pointer, pressed, disabled.
    looks = {"drop_normal": (None, INK), "drop_hover": ("#e6f2fb", INK), "drop_pressed": ("#c4def2", INK),
             "drop_disabled": (None, GREY)}
    for name, (fill, ink) in looks.items():
        body = rect(0, 0, 20, 1, EDGE) + rect(0, h - 1, 20, 1, EDGE) + rect(0, 1, 20, h - 2, WHITE)
        if fill:
            body += crisp_box(1, 3, 18, h - 6, fill, "#8cbfe6")
        else:
            body += rect(0, 6, 1, h - 12, "#dbe7f1")
        body += fillpath("M6 12 L14 12 L10 16.5 Z", ink)
        write("box/" + name, 20, h, body)
    write("box/crumb_arrow", 7, 11, stroke("M2 1.5 L5.5 5.5 L2 9.5", "#6d8ba3", 1.4))


# ---------------------------------------------------------------- icons and pictures

def app_icon(size):
    s = size / 48.0
    body = ('<rect x="2" y="2" width="44" height="44" rx="9" fill="%s" stroke="%s" stroke-width="1.5"/>'
            % (LIGHT, "#79afdc")
            + '<g transform="rotate(-8 24 25)"><rect x="9" y="10" width="30" height="26" rx="2" fill="%s" '
              'stroke="%s" stroke-width="1.4"/>' % (WHITE, INK)
            + rect(12, 13, 24, 16, "#d7ebf9")
            + fillpath("M12 29 L20 19 L25 25 L28.5 21.5 L36 29 Z", GREEN)
            + '<circle cx="30.5" cy="17.5" r="2.6" fill="%s"/></g>' % WARM
            + '<circle cx="33.5" cy="33.5" r="6.2" fill="%s" fill-opacity="0.75" stroke="%s" stroke-width="2.2"/>'
            % (PALE, INK)
            + stroke("M38 38 L43 43", INK, 3.4))
    return group(body, 0, 0, s)


def type_icon(kind):
    page = ('<path d="M9 3 H30 L39 12 V45 H9 Z" fill="%s" stroke="%s" stroke-width="1.4" stroke-linejoin="round"/>'
            % (WHITE, INK)
            + '<path d="M30 3 V12 H39" fill="%s" stroke="%s" stroke-width="1.4" stroke-linejoin="round"/>'
            % (PALE, INK))
    if kind == "bitmap":
        # Square pixels: the bitmap family.
        cells = ""
        colours = [ACCENT, LIGHT, "#79afdc", LIGHT, "#79afdc", ACCENT, "#79afdc", ACCENT, LIGHT]
        for i, c in enumerate(colours):
            cells += rect(14 + (i % 3) * 7, 18 + (i // 3) * 7, 6, 6, c)
        mark = cells
    elif kind == "jpeg":
        # A photograph: the JPEG family.
        mark = (rect(13, 17, 22, 18, "#d7ebf9") + fillpath("M13 35 L21 25 L26 30 L29 27 L35 35 Z", GREEN)
                + '<circle cx="30" cy="22" r="2.5" fill="%s"/>' % WARM
                + '<rect x="13" y="17" width="22" height="18" fill="none" stroke="%s" stroke-width="1"/>' % INK)
    else:
        # Layers and a drawn curve: the TIFF and metafile family.
        mark = (rect(16, 15, 19, 15, LIGHT, ' stroke="%s" stroke-width="1"' % INK)
                + rect(13, 19, 19, 15, WHITE, ' stroke="%s" stroke-width="1"' % INK)
                + stroke("M15 31 C19 22 24 34 30 22", ACCENT, 1.8)
                + rect(14, 30, 2.5, 2.5, INK) + rect(28.8, 20.8, 2.5, 2.5, INK))
    write("types/" + kind, 48, 48, page + mark)


def folder_icons():
    write("icons/folder", 32, 32, group(folder_shape(INK, "#8cc1ea", "#5f9fd3"), 0, 1, 1.6))
    write("icons/folder_small", 16, 16, group(folder_shape(INK, "#8cc1ea", "#5f9fd3"), 0, 0, 0.8))
    computer = ('<rect x="1.5" y="2.5" width="13" height="9" rx="1" fill="%s" stroke="%s" stroke-width="1"/>'
                % (LIGHT, INK) + rect(3, 4, 10, 6, "#8cc1ea") + rect(6, 11.5, 4, 1.5, INK) + rect(4, 13, 8, 1.2, INK))
    write("icons/computer", 16, 16, computer)
    write("icons/mirovale", 48, 48, app_icon(48))
    small = ('<rect x="0.5" y="0.5" width="15" height="15" rx="3" fill="%s" stroke="%s"/>' % (LIGHT, "#79afdc")
             + rect(3, 3.5, 10, 9, WHITE, ' stroke="%s" stroke-width="1"' % INK)
             + fillpath("M3.5 12 L7 8 L9 10 L10.2 9 L12.5 12 Z", GREEN)
             + '<circle cx="10.3" cy="6.2" r="1.2" fill="%s"/>' % WARM)
    write("icons/small_icon", 16, 16, small)


def cannot_display():
    """204 x 198: a torn photograph with the words 该图片无法显示."""
    photo = (rect(0, 0, 120, 96, WHITE, ' stroke="#b7c6d3" stroke-width="1"') + rect(7, 7, 106, 70, "#d7ebf9")
             + fillpath("M7 77 L40 42 L60 60 L74 47 L113 77 Z", GREEN)
             + fillpath("M7 77 L30 60 L52 77 Z", "#4c8a5f")
             + '<circle cx="88" cy="25" r="8" fill="%s"/>' % WARM)
    tear = "M58 0 L66 14 L55 28 L68 41 L57 55 L69 70 L60 84 L66 96"
    left_clip = "M0 0 H58 L66 14 L55 28 L68 41 L57 55 L69 70 L60 84 L66 96 H0 Z"
    right_clip = "M120 0 H58 L66 14 L55 28 L68 41 L57 55 L69 70 L60 84 L66 96 H120 Z"
    body = ('<defs><clipPath id="l"><path d="%s"/></clipPath><clipPath id="r"><path d="%s"/></clipPath></defs>'
            % (left_clip, right_clip))
    body += '<rect x="0" y="0" width="204" height="198" fill="none"/>'
    shadow = '<path d="M6 6 H126 V102 H6 Z" fill="#000000" fill-opacity="0.08"/>'
    body += ('<g transform="translate(36 30) rotate(-7 30 48)">%s<g clip-path="url(#l)">%s</g>'
             '<path d="%s" fill="none" stroke="#b7c6d3" stroke-width="1"/></g>' % (shadow, photo, tear))
    body += ('<g transform="translate(48 34) rotate(6 90 48)"><g clip-path="url(#r)">%s</g>'
             '<path d="%s" fill="none" stroke="#b7c6d3" stroke-width="1"/></g>' % (photo, tear))
    body += ('<text x="102" y="178" text-anchor="middle" font-family="WenQuanYi Micro Hei, Noto Sans CJK SC, '
             'sans-serif" font-size="16" fill="%s">该图片无法显示</text>' % INK)
    write("pictures/cannot_display", 204, 198, body)


# ---------------------------------------------------------------- the placeholder bitmap

def inside(poly, x, y):
    hit = False
    j = len(poly) - 1
    for i in range(len(poly)):
        xi, yi = poly[i]
        xj, yj = poly[j]
        if (yi > y) != (yj > y) and x < (xj - xi) * (y - yi) / (yj - yi) + xi:
            hit = not hit
        j = i
    return hit


def hexrgb(c):
    return tuple(int(c[i:i + 2], 16) for i in (1, 3, 5))


def placeholder():
    """50 x 39 bitmap for a thumbnail that cannot be made: a picture with a broken corner."""
    w, h = 50, 39
    shapes = [
        ("rect", (0, 0, 50, 39), "#b7c6d3"),
        ("rect", (1, 1, 48, 37), WHITE),
        ("rect", (4, 4, 42, 31), "#d7ebf9"),
        ("poly", [(4, 35), (17, 19), (25, 27), (31, 21), (46, 35)], GREEN),
        ("circle", (37, 12, 4), WARM),
        ("poly", [(33, 39), (50, 22), (50, 39)], WHITE),
        ("poly", [(31, 39), (50, 20), (50, 22.5), (33.5, 39)], "#b7c6d3"),
    ]
    pixels = []
    n = 4  # samples per pixel edge
    for y in range(h):
        row = []
        for x in range(w):
            acc = [0.0, 0.0, 0.0]
            for sy in range(n):
                for sx in range(n):
                    px, py = x + (sx + 0.5) / n, y + (sy + 0.5) / n
                    colour = (255, 255, 255)
                    for kind, geo, c in shapes:
                        if kind == "rect":
                            hit = geo[0] <= px < geo[0] + geo[2] and geo[1] <= py < geo[1] + geo[3]
                        elif kind == "circle":
                            hit = (px - geo[0]) ** 2 + (py - geo[1]) ** 2 <= geo[2] ** 2
                        else:
                            hit = inside(geo, px, py)
                        if hit:
                            colour = hexrgb(c)
                    for k in range(3):
                        acc[k] += colour[k]
            row.append(tuple(int(round(a / (n * n))) for a in acc))
        pixels.append(row)
    # A 24-bit bottom-up BMP.
    stride = (w * 3 + 3) & ~3
    data = bytearray()
    for row in reversed(pixels):
        line = bytearray()
        for r, g, b in row:
            line += bytes((b, g, r))
        line += b"\0" * (stride - len(line))
        data += line
    header = struct.pack("<2sIHHI", b"BM", 14 + 40 + len(data), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, w, h, 1, 24, 0, len(data), 2835, 2835, 0, 0)
    path = os.path.join(ROOT, "pictures", "placeholder.bmp")
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(header + info + data)


def main():
    for name, glyph in TOOLBAR:
        write("toolbar/" + name, 20, 20, glyph(INK, LIGHT, ACCENT))
    toolbar_skin()
    flat_frames("browser/history_back", 29, 29, g_history_back)
    flat_frames("browser/history", 29, 29, g_history)
    flat_frames("browser/association", 26, 26, g_association, size=18)
    flat_frames("browser/fav_star", 29, 29, g_star_off, g_star_on)
    flat_frames("browser/recursive", 29, 29, g_recursive, g_recursive_on)
    flat_frames("browser/search", 29, 27, g_search, g_cancel, size=17)
    caption_button()
    fav_header()
    dark_frames("slideshow/pause", 36, 36, d_pause)
    dark_frames("slideshow/play", 36, 36, d_play)
    dark_frames("slideshow/close", 36, 36, d_close)
    dark_frames("slideshow/interval_up", 18, 13, d_up, round_body=False)
    dark_frames("slideshow/interval_down", 18, 13, d_down, round_body=False)
    box_pieces()
    folder_icons()
    for kind in ("bitmap", "jpeg", "tiff"):
        type_icon(kind)
    cannot_display()
    placeholder()


if __name__ == "__main__":
    main()
