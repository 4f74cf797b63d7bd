#!/usr/bin/env python3
"""Draws the program's skin, icons and tree-state bitmap.

Every image is written as an SVG source (svg/<id>.svg) and rendered to PNG
with ImageMagick's `convert`; icons are PNG frames packed into .ico files and
the tree-state bitmap is a 24-bit BMP with a magenta mask colour. Run from
anywhere: `python3 resources/art/make_art.py`. The sizes and frame layouts
are fixed by the catalogue below; the pictures are ours.
"""
import math
import subprocess
import sys
from pathlib import Path

HERE = Path(__file__).resolve().parent
SVG = HERE / "svg"
SKIN = HERE.parent / "skin"

BG = "#191919"
PANEL = "#232323"
EDGE = "#363636"
ACCENT = "#07CACD"
ACCENT_DIM = "#0b6f71"
WHITE = "#FFFFFF"
GREY = "#808080"
MUTED = "#B4B4B4"
DARK_OFF = "#4A4A4A"
FONT = "DejaVu Sans"

FRAMES = 5  # normal, over, pressed, focused, disabled


def svg(w, h, body, defs=""):
    return (f'<svg xmlns="http://www.w3.org/2000/svg" width="{w}" height="{h}" '
            f'viewBox="0 0 {w} {h}"><defs>{defs}</defs>'
            # The renderer outlines unstroked shapes in black unless told not to.
            f'<g stroke="none">{body}</g></svg>')


def render(name, text, out):
    src = SVG / f"{name}.svg"
    src.write_text(text)
    # No time stamps in the files: the same drawing gives the same bytes.
    subprocess.run(["convert", "-background", "none", str(src), "-strip", "-define",
                    "png:exclude-chunks=date,time", f"PNG32:{out}"], check=True)


def strip(fw, fh, frame):
    """Five frames side by side; frame(n) gives the SVG body of frame n."""
    body = "".join(f'<g transform="translate({n * fw},0)">{frame(n)}</g>' for n in range(FRAMES))
    return fw * FRAMES, fh, body


# ---- State colours shared by the button strips -----------------------------

def button_style(n):
    """(fill, stroke, stroke width, glyph colour) of frame n."""
    return [
        ("#2A2A2A", "#3C3C3C", 1, MUTED),     # normal
        ("#323232", ACCENT, 1, WHITE),        # over
        (ACCENT_DIM, ACCENT, 1, WHITE),       # pressed / selected
        ("#2A2A2A", ACCENT, 2, WHITE),        # focused
        ("#1F1F1F", "#2A2A2A", 1, DARK_OFF),  # disabled
    ][n]


def rounded(w, h, inset, r, fill, stroke, sw):
    return (f'<rect x="{inset + sw / 2}" y="{inset + sw / 2}" width="{w - 2 * inset - sw}" '
            f'height="{h - 2 * inset - sw}" rx="{r}" fill="{fill}" stroke="{stroke}" '
            f'stroke-width="{sw}"/>')


def text_button(fw, fh, r):
    def frame(n):
        fill, stroke, sw, _ = button_style(n)
        return rounded(fw, fh, 3, r, fill, stroke, sw)
    return strip(fw, fh, frame)


# ---- Glyphs (drawn in a 24 x 24 box, scaled into place) ---------------------

def g_backup(c):
    return (f'<path d="M6 15 v3 a2 2 0 0 0 2 2 h8 a2 2 0 0 0 2 -2 v-3" fill="none" stroke="{c}" '
            f'stroke-width="1.8" stroke-linecap="round"/>'
            f'<path d="M12 15 V4 M7.5 8.5 L12 4 L16.5 8.5" fill="none" stroke="{c}" '
            f'stroke-width="1.8" stroke-linecap="round" stroke-linejoin="round"/>')


def g_restore(c):
    return (f'<path d="M5.5 12 a6.5 6.5 0 1 0 2 -4.7" fill="none" stroke="{c}" stroke-width="1.8" '
            f'stroke-linecap="round"/><path d="M7.5 3.5 V7.5 H3.5" fill="none" stroke="{c}" '
            f'stroke-width="1.8" stroke-linecap="round" stroke-linejoin="round"/>'
            f'<path d="M12 8.5 V12 L14.5 14" fill="none" stroke="{c}" stroke-width="1.6" '
            f'stroke-linecap="round"/>')


def g_log(c):
    return (f'<rect x="5.5" y="3" width="13" height="18" rx="2" fill="none" stroke="{c}" '
            f'stroke-width="1.8"/><path d="M9 8 H15 M9 12 H15 M9 16 H13" stroke="{c}" '
            f'stroke-width="1.6" stroke-linecap="round"/>')


def rotated_rect(x, y, w, h, angle, cx, cy):
    """A rectangle turned about (cx, cy), as a path (no SVG transforms: the
    renderer mishandles rotations inside scaled groups)."""
    a = math.radians(angle)
    pts = []
    for px, py in ((x, y), (x + w, y), (x + w, y + h), (x, y + h)):
        dx, dy = px - cx, py - cy
        pts.append((cx + dx * math.cos(a) - dy * math.sin(a), cy + dx * math.sin(a) + dy * math.cos(a)))
    return "M" + " L".join(f"{px:.2f} {py:.2f}" for px, py in pts) + " Z"


def g_gear(c):
    teeth = "".join(
        f'<path d="{rotated_rect(10.6, 2.4, 2.8, 4, a, 12, 12)}" fill="{c}"/>'
        for a in range(0, 360, 45))
    return (teeth + f'<circle cx="12" cy="12" r="6.2" fill="none" stroke="{c}" stroke-width="2.2"/>'
            f'<circle cx="12" cy="12" r="2.2" fill="none" stroke="{c}" stroke-width="1.6"/>')


def g_info(c):
    return (f'<circle cx="12" cy="12" r="8.5" fill="none" stroke="{c}" stroke-width="1.6"/>'
            f'<path d="M12 11 V16.5" stroke="{c}" stroke-width="2" stroke-linecap="round"/>'
            f'<circle cx="12" cy="7.6" r="1.2" fill="{c}"/>')


def g_close(c, width=1.8):
    return (f'<path d="M7 7 L17 17 M17 7 L7 17" stroke="{c}" stroke-width="{width}" '
            f'stroke-linecap="round"/>')


def place(glyph, x, y, size):
    s = size / 24
    return f'<g transform="translate({x},{y}) scale({s})">{glyph}</g>'


# ---- Catalogue entries ------------------------------------------------------

def main_tab(glyph, badge=False):
    fw = fh = 96

    def frame(n):
        bg = ["none", "#262626", "#202020", "#262626", "none"][n]
        c = [MUTED, WHITE, ACCENT, WHITE, DARK_OFF][n]
        out = f'<rect x="4" y="4" width="88" height="88" rx="12" fill="{bg}"/>'
        if n == 3:
            out += (f'<rect x="5" y="5" width="86" height="86" rx="11" fill="none" '
                    f'stroke="{ACCENT}" stroke-width="2"/>')
        out += place(glyph(c), 24, 24, 48)
        if badge and n != 4:
            out += f'<circle cx="68" cy="26" r="7" fill="{ACCENT}" stroke="{BG}" stroke-width="2"/>'
        return out
    return strip(fw, fh, frame)


def square_glyph_button(fw, fh, glyph, r, on_black=False):
    def frame(n):
        fill, stroke, sw, c = button_style(n)
        if on_black:
            fill = ["none", "#2A2A2A", ACCENT_DIM, "none", "none"][n]
            stroke = ["none", "none", "none", ACCENT, "none"][n]
            c = [MUTED, WHITE, WHITE, WHITE, DARK_OFF][n]
            sw = 1.5
        box = rounded(fw, fh, 2, r, fill, stroke, sw) if stroke != "none" or fill != "none" else ""
        return box + place(glyph(c), (fw - fh * 0.75) / 2, fh * 0.125, fh * 0.75)
    return strip(fw, fh, frame)


def popup_close():
    def frame(n):
        c = ["#3A3A3A", "#000000", ACCENT_DIM, "#000000", "#A0A0A0"][n]
        ring = (f'<circle cx="8" cy="8" r="7.3" fill="none" stroke="{ACCENT}" stroke-width="1"/>'
                if n == 3 else "")
        return ring + place(g_close(c, 2.4), 0, 0, 16)
    return strip(16, 16, frame)


def drive_button():
    # The three text lines and the plan mark fill the face: the frame alone
    # carries the state, with an accent edge on the left when selected.
    fw, fh = 172, 93

    def frame(n):
        fill, stroke, sw, _ = button_style(n)
        if n == 2:
            fill = "#12393A"
        out = rounded(fw, fh, 2, 10, fill, stroke, sw)
        if n in (1, 2):
            out += f'<rect x="3" y="16" width="3" height="{fh - 32}" rx="1.5" fill="{ACCENT}"/>'
        return out
    return strip(fw, fh, frame)


def page_tab(fw, fh):
    def frame(n):
        bg = ["#1E1E1E", "#262626", "#1E1E1E", "#262626", "#1B1B1B"][n]
        line = [EDGE, "#5A5A5A", ACCENT, ACCENT, "#262626"][n]
        lw = 3 if n in (2, 3) else 2
        out = f'<rect x="2" y="2" width="{fw - 4}" height="{fh - 4}" rx="6" fill="{bg}"/>'
        out += f'<rect x="6" y="{fh - 2 - lw}" width="{fw - 12}" height="{lw}" rx="1" fill="{line}"/>'
        return out
    return strip(fw, fh, frame)


def mark_strip(on, radio):
    def frame(n):
        stroke = [GREY, WHITE, ACCENT, ACCENT, "#3A3A3A"][n]
        fill = "#141414" if n != 4 else "#1C1C1C"
        if on:
            fill = [ACCENT, "#22DFE2", ACCENT_DIM, ACCENT, "#2C4A4B"][n]
            stroke = fill if n != 3 else WHITE
        if radio:
            out = f'<circle cx="8" cy="8" r="6.5" fill="#141414" stroke="{stroke}" stroke-width="1.4"/>'
            if on:
                out += f'<circle cx="8" cy="8" r="3.4" fill="{fill}"/>'
            return out
        out = (f'<rect x="1.5" y="1.5" width="13" height="13" rx="3" fill="{fill}" '
               f'stroke="{stroke}" stroke-width="1.4"/>')
        if on:
            tick = "#101010" if n != 4 else "#4A4A4A"
            out += (f'<path d="M4.5 8.3 L7 10.8 L11.7 5.5" fill="none" stroke="{tick}" '
                    f'stroke-width="2" stroke-linecap="round" stroke-linejoin="round"/>')
        return out
    return strip(16, 16, frame)


def mix(colour, under, alpha):
    """`colour` laid over `under` with opacity `alpha`, as a solid colour: the
    renderer draws translucent fills with dark seams, so blending is done here."""
    a = [int(colour[i:i + 2], 16) for i in (1, 3, 5)]
    b = [int(under[i:i + 2], 16) for i in (1, 3, 5)]
    return "#" + "".join(f"{round(x * alpha + y * (1 - alpha)):02X}" for x, y in zip(a, b))


def faded_line(x, y, w, h, colour, under, fade=0.2, steps=48):
    """A line that fades out towards both ends, as short solid segments."""
    out = []
    for i in range(steps):
        x0, x1 = x + round(i * w / steps), x + round((i + 1) * w / steps)
        t = (i + 0.5) / steps
        opacity = min(1.0, min(t, 1 - t) / fade)
        out.append(f'<rect x="{x0}" y="{y}" width="{x1 - x0}" height="{h}" '
                   f'fill="{mix(colour, under, opacity)}"/>')
    return "".join(out)


def window_background(w, h, title_band=76):
    body = (f'<rect width="{w}" height="{h}" fill="{BG}"/>'
            f'<rect width="{w}" height="{title_band}" fill="#000000"/>'
            + faded_line(0, title_band, w, 1, ACCENT, BG, fade=0.35) +
            f'<rect x="0.5" y="0.5" width="{w - 1}" height="{h - 1}" fill="none" stroke="#2E2E2E"/>')
    return w, h, body


def main_background():
    """The main window: title band, drive column on the left (x < 172, from
    y 78), the tab row and the page area at (190, 205)."""
    w, h = 768, 542
    _, _, body = window_background(w, h)
    body += (f'<rect x="0" y="77" width="172" height="{h - 78}" fill="#141414"/>'
             f'<rect x="172" y="77" width="1" height="{h - 78}" fill="#2A2A2A"/>'
             + faded_line(190, 202, 560, 1, "#3A3A3A", BG, fade=0.1) +
             f'<rect x="0.5" y="0.5" width="{w - 1}" height="{h - 1}" fill="none" stroke="#2E2E2E"/>')
    return w, h, body


def popup_background():
    w, h = 450, 170
    body = (f'<rect width="{w}" height="{h}" fill="#DADADA"/>'
            f'<rect width="{w}" height="1" fill="#F2F2F2"/>'
            f'<rect width="4" height="{h}" fill="{ACCENT}"/>'
            f'<rect x="0.5" y="0.5" width="{w - 1}" height="{h - 1}" fill="none" stroke="#9A9A9A"/>')
    return w, h, body


def message_icon(w, h, kind):
    cx, cy = w / 2, h / 2
    r = min(w, h) / 2 - 4
    if kind == "warning":
        top, bottom = 5, h - 5
        body = (f'<path d="M{cx} {top} L{w - 4} {bottom} L4 {bottom} Z" fill="#F2A93B" '
                f'stroke="#F2A93B" stroke-width="6" stroke-linejoin="round"/>'
                f'<path d="M{cx} {h * 0.33} V{h * 0.62}" stroke="{BG}" stroke-width="7" '
                f'stroke-linecap="round"/><circle cx="{cx}" cy="{h * 0.77}" r="4" fill="{BG}"/>')
        return body
    colour = {"error": "#E5484D", "info": ACCENT, "success": "#3CCB7F"}[kind]
    body = f'<circle cx="{cx}" cy="{cy}" r="{r}" fill="{colour}"/>'
    s = r / 10
    if kind == "error":
        body += (f'<path d="M{cx - 4 * s} {cy - 4 * s} L{cx + 4 * s} {cy + 4 * s} '
                 f'M{cx + 4 * s} {cy - 4 * s} L{cx - 4 * s} {cy + 4 * s}" stroke="{BG}" '
                 f'stroke-width="{1.6 * s}" stroke-linecap="round"/>')
    elif kind == "info":
        body += (f'<path d="M{cx} {cy - 1 * s} V{cy + 5 * s}" stroke="{BG}" stroke-width="{1.8 * s}" '
                 f'stroke-linecap="round"/><circle cx="{cx}" cy="{cy - 4.6 * s}" r="{1.15 * s}" '
                 f'fill="{BG}"/>')
    else:
        body += (f'<path d="M{cx - 4.5 * s} {cy + 0.3 * s} L{cx - 1.2 * s} {cy + 3.6 * s} '
                 f'L{cx + 4.8 * s} {cy - 3.4 * s}" fill="none" stroke="{BG}" stroke-width="{1.7 * s}" '
                 f'stroke-linecap="round" stroke-linejoin="round"/>')
    return body


def vault(size, c_body, c_accent):
    """The product mark: a rounded vault door with a cyan dial."""
    s = size / 64
    spokes = "".join(
        f'<path d="{rotated_rect(30.8 * s, 18 * s, 2.4 * s, 8 * s, a, 32 * s, 32 * s)}" '
        f'fill="{c_accent}"/>' for a in range(0, 360, 60))
    return (f'<rect x="{4 * s}" y="{4 * s}" width="{56 * s}" height="{56 * s}" rx="{13 * s}" '
            f'fill="{c_body}"/><circle cx="{32 * s}" cy="{32 * s}" r="{18 * s}" fill="none" '
            f'stroke="{c_accent}" stroke-width="{3.2 * s}"/>{spokes}'
            f'<circle cx="{32 * s}" cy="{32 * s}" r="{4.5 * s}" fill="{c_accent}"/>')


def logo():
    w, h = 178, 61
    body = (f'<g transform="translate(6,9)">{vault(43, "#2A2A2A", ACCENT)}</g>'
            f'<text x="57" y="38" font-family="{FONT}" font-size="19" font-weight="bold" '
            f'fill="{WHITE}">Vaultkeep</text>')
    return w, h, body


def picture(size, glyph_body):
    return size, size, glyph_body


def doc_choice(replace):
    body = (f'<rect x="14" y="8" width="36" height="48" rx="5" fill="#2A2A2A" stroke="{MUTED}" '
            f'stroke-width="2"/><path d="M21 20 H43 M21 28 H43 M21 36 H35" stroke="{GREY}" '
            f'stroke-width="2" stroke-linecap="round"/>')
    if replace:
        body += (f'<circle cx="46" cy="46" r="13" fill="{ACCENT}"/>'
                 f'<path d="M40 46 a6 6 0 1 1 2 4.5 M40 50.5 V46 H44.5" fill="none" stroke="{BG}" '
                 f'stroke-width="2.4" stroke-linecap="round" stroke-linejoin="round"/>')
    else:
        body += (f'<circle cx="46" cy="46" r="13" fill="#5A5A5A"/>'
                 f'<path d="M39.5 47 H52 M47.5 42 L52.5 47 L47.5 52" fill="none" stroke="{WHITE}" '
                 f'stroke-width="2.4" stroke-linecap="round" stroke-linejoin="round"/>')
    return 64, 64, body


def plan_mark(enabled):
    c = ACCENT if enabled else "#5A5A5A"
    body = (f'<rect x="1.5" y="2.5" width="13" height="12" rx="2" fill="none" stroke="{c}" '
            f'stroke-width="1.4"/><rect x="1.5" y="2.5" width="13" height="3.5" fill="{c}"/>'
            f'<rect x="4.5" y="0.8" width="1.6" height="3" rx="0.6" fill="{c}"/>'
            f'<rect x="9.9" y="0.8" width="1.6" height="3" rx="0.6" fill="{c}"/>'
            f'<path d="M5 10 L7.2 12 L11 8" fill="none" stroke="{c}" stroke-width="1.5" '
            f'stroke-linecap="round" stroke-linejoin="round"/>')
    return 16, 16, body


def tree_folder():
    body = ('<path d="M1.5 4 a1.2 1.2 0 0 1 1.2 -1.2 H6.5 L8 4.5 H13.3 a1.2 1.2 0 0 1 1.2 1.2 '
            'V12.8 a1.2 1.2 0 0 1 -1.2 1.2 H2.7 a1.2 1.2 0 0 1 -1.2 -1.2 Z" fill="#E8B44A"/>'
            '<rect x="1.5" y="6" width="13" height="8" rx="1.2" fill="#F5C965"/>')
    return 16, 16, body


def tree_pc():
    body = (f'<rect x="1.5" y="2" width="13" height="9" rx="1.3" fill="#2A2A2A" stroke="{MUTED}" '
            f'stroke-width="1.3"/><rect x="3.3" y="3.8" width="9.4" height="5.4" fill="{ACCENT}"/>'
            f'<path d="M5 14 H11 M8 11.5 V14" stroke="{MUTED}" stroke-width="1.4" '
            f'stroke-linecap="round"/>')
    return 16, 16, body


def globe():
    c = ACCENT
    body = (f'<circle cx="48" cy="48" r="34" fill="#222" stroke="{c}" stroke-width="3"/>'
            f'<ellipse cx="48" cy="48" rx="14" ry="34" fill="none" stroke="{c}" stroke-width="2.4"/>'
            f'<path d="M14 48 H82 M19 31 H77 M19 65 H77" stroke="{c}" stroke-width="2.4"/>')
    return 96, 96, body


def panel_frame():
    w, h = 500, 50
    body = (f'<rect x="1" y="1" width="{w - 2}" height="{h - 2}" rx="8" fill="{PANEL}" '
            f'stroke="{EDGE}" stroke-width="1.5"/>'
            f'<rect x="1" y="12" width="3" height="{h - 24}" rx="1.5" fill="{ACCENT}"/>')
    return w, h, body


def separator():
    w, h = 573, 4
    return w, h, faded_line(0, 1, w, 2, "#3A3A3A", BG, fade=0.15)


def tab_marker():
    w, h = 96, 15
    body = (f'<path d="M40 15 L48 6 L56 15 Z" fill="{ACCENT}"/>'
            f'<rect x="18" y="13" width="60" height="2" rx="1" fill="{ACCENT}"/>')
    return w, h, body


def product():
    return 78, 78, f'<g transform="translate(3,3)">{vault(72, "#2A2A2A", ACCENT)}</g>'


def catalogue():
    """id -> (width, height, body[, defs])."""
    c = {}
    c[9000] = main_tab(g_backup)
    c[9001] = main_tab(g_restore)
    c[9002] = main_tab(g_log)
    c[9003] = main_tab(g_gear)
    c[9047] = main_tab(g_gear, badge=True)
    c[9008] = square_glyph_button(36, 36, g_info, 8, on_black=True)
    c[9009] = square_glyph_button(36, 36, g_close, 8, on_black=True)
    c[9010] = text_button(138, 52, 9)
    c[9011] = drive_button()
    c[9012] = main_background()
    c[9013] = product()
    c[9014] = square_glyph_button(24, 24, lambda col: f'<rect x="7.5" y="7.5" width="9" height="9" rx="1.5" fill="{col}"/>', 5)
    c[9015] = text_button(50, 25, 6)
    c[9016] = mark_strip(False, True)
    c[9017] = mark_strip(True, True)
    c[9020] = mark_strip(False, False)
    c[9021] = mark_strip(True, False)
    c[9023] = tab_marker()
    c[9024] = doc_choice(True)
    c[9025] = doc_choice(False)
    c[9026] = plan_mark(True)
    c[9034] = plan_mark(False)
    c[9027] = window_background(581, 600)
    c[9028] = window_background(581, 343)
    c[9030] = window_background(745, 350)
    c[9031] = (83, 75, message_icon(83, 75, "error"))
    c[9032] = (80, 72, message_icon(80, 72, "warning"))
    c[9033] = (83, 75, message_icon(83, 75, "info"))
    c[9040] = (75, 75, message_icon(75, 75, "success"))
    c[9035] = popup_background()
    c[9036] = popup_close()
    c[9037] = page_tab(110, 47)
    c[9038] = page_tab(162, 47)
    c[9039] = logo()
    c[9041] = tree_folder()
    c[9044] = tree_pc()
    c[9042] = panel_frame()
    c[9043] = separator()
    c[9045] = globe()
    c[9046] = window_background(580, 530)
    return c


def make_skin():
    for image_id, entry in sorted(catalogue().items()):
        w, h, body = entry[:3]
        defs = entry[3] if len(entry) > 3 else ""
        render(str(image_id), svg(w, h, body, defs), SKIN / f"{image_id}.png")


def make_icons():
    frames_dir = SVG / "icons"
    frames_dir.mkdir(exist_ok=True)

    def icon(name, extra):
        pngs = []
        for size in (16, 32, 48, 256):
            out = frames_dir / f"{name}-{size}.png"
            s = size / 64
            body = vault(size, "#1E1E1E", ACCENT) + extra(s)
            render(f"icons/{name}-{size}", svg(size, size, body), out)
            pngs.append(str(out))
        subprocess.run(["convert", *pngs, str(SKIN / f"{name}.ico")], check=True)
        for p in pngs:
            Path(p).unlink()

    icon("128", lambda s: "")
    for i in range(4):
        # The busy animation: a bright quarter arc running round the dial.
        def arc(s, i=i):
            # A polyline: the renderer draws elliptical arcs unreliably.
            r, c = 18 * s, 32 * s
            steps = [math.radians(i * 90 - 90 + k * 7.5) for k in range(13)]
            pts = " L".join(f"{c + r * math.cos(a):.2f} {c + r * math.sin(a):.2f}" for a in steps)
            return (f'<path d="M{pts}" fill="none" stroke="{WHITE}" stroke-width="{4.5 * s:.2f}" '
                    f'stroke-linecap="round" stroke-linejoin="round"/>')
        icon(str(150 + i), arc)


def make_tree_states():
    # 4 images of 16 x 16: none, unticked, ticked, partly ticked; magenta masks.
    body = ""
    box = (f'<rect x="{{x}}" y="1.5" width="13" height="13" rx="2" fill="#141414" '
           f'stroke="{{s}}" stroke-width="1.4"/>')
    body += box.format(x=17.5, s=GREY)
    body += box.format(x=33.5, s=ACCENT).replace('fill="#141414"', f'fill="{ACCENT}"')
    body += ('<path d="M36.5 8.3 L39 10.8 L43.7 5.5" fill="none" stroke="#101010" '
             'stroke-width="2" stroke-linecap="round" stroke-linejoin="round"/>')
    body += box.format(x=49.5, s=ACCENT)
    body += f'<rect x="52.5" y="6.5" width="7" height="3" rx="1" fill="{ACCENT}"/>'
    png = SVG / "134.png"
    render("134", svg(64, 16, body), png)
    # Alpha cut at one half, then magenta behind: no edge pixel is blended
    # with the mask colour (it would show as pink on the dark tree).
    subprocess.run(["convert", str(png), "-channel", "A", "-threshold", "50%", "+channel",
                    "-background", "#FF00FF", "-flatten", "-type", "TrueColor",
                    f"BMP3:{SKIN / '134.bmp'}"], check=True)
    png.unlink()


def main():
    SVG.mkdir(exist_ok=True)
    SKIN.mkdir(exist_ok=True)
    make_skin()
    make_icons()
    make_tree_states()
    return 0


if __name__ == "__main__":
    sys.exit(main())
