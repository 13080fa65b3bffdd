#!/usr/bin/env python3
"""Draws the program's artwork with ImageMagick's convert: the three 512 x 416 skin
pictures (layout mask, face, highlight), the Options dialog's two pictures (layout mask and
face), the about-box picture and the icons (the tray's normal, blinking and paused ones).

Run it from anywhere; it writes beside itself. The output is committed, so a build needs
neither this script nor ImageMagick. Control identifiers come from ../resource.h.
"""
import os
import re
import struct
import subprocess
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
W, H = 512, 416
RADIUS = 12
TITLE_H = 48
FONT = "DejaVu-Sans"
FONT_BOLD = "DejaVu-Sans-Bold"
STRIP = ["-strip", "-define", "png:exclude-chunks=date,time,gAMA,cHRM,bKGD"]

# Control areas in client pixels: name -> (x, y, width, height). Group boxes become
# outlines: a caption band on top and thin sides.
CONTROLS = {
    "IDC_BTN_OPTIONS": (298, 14, 66, 20),
    "IDC_BTN_HELP": (366, 14, 40, 20),
    "IDC_BTN_ABOUT": (408, 14, 48, 20),
    "IDC_BTN_MINIMIZE": (458, 13, 22, 22),
    "IDC_BTN_CLOSE": (482, 13, 22, 22),

    "IDC_EDT_SAVE_FOLDER": (26, 80, 300, 22),
    "IDC_BTN_CHANGE_FOLDER": (336, 79, 74, 24),
    "IDC_BTN_BROWSE_FOLDER": (416, 79, 72, 24),

    "IDC_CMB_FORMAT": (14, 128, 110, 22),
    "IDC_CMB_CODEC": (130, 128, 220, 22),
    "IDC_BTN_CODEC_CONFIG": (356, 127, 68, 24),
    "IDC_BTN_CODEC_ABOUT": (430, 127, 68, 24),

    "IDC_CMB_AUDIO_DEVICE": (26, 184, 376, 22),
    "IDC_BTN_DEVICE_CONFIG": (410, 183, 78, 24),
    "IDC_CMB_AUDIO_INPUT": (26, 214, 376, 22),
    "IDC_BTN_INPUT_CONFIG": (410, 213, 78, 24),
    "IDC_LBL_SAMPLE_RATE": (26, 250, 78, 14),
    "IDC_CMB_SAMPLE_RATE": (106, 246, 112, 22),
    "IDC_LBL_AUDIO_QUALITY": (232, 250, 84, 14),
    "IDC_CMB_AUDIO_QUALITY": (318, 246, 170, 22),

    "IDC_SLD_VOLUME": (42, 314, 36, 86),
    "IDC_CMB_FPS": (126, 318, 56, 22),
    "IDC_LBL_FPS": (188, 322, 50, 14),
    "IDC_CHK_ALT": (262, 320, 44, 16),
    "IDC_CHK_CTRL": (308, 320, 48, 16),
    "IDC_CHK_SHIFT": (358, 320, 52, 16),
    "IDC_CMB_HOTKEY": (414, 318, 76, 22),

    "IDC_BTN_DEFAULT": (252, 366, 116, 36),
    "IDC_BTN_START": (378, 366, 120, 36),
}
GROUPS = {
    "IDC_GRP_SAVE_TO": (14, 58, 484, 56),
    "IDC_GRP_AUDIO": (14, 162, 484, 116),
    "IDC_GRP_VOLUME": (14, 294, 94, 112),
    "IDC_GRP_FPS": (116, 294, 128, 56),
    "IDC_GRP_HOTKEY": (252, 294, 246, 56),
}
GROUP_TOP, GROUP_SIDE = 16, 4

# The Options dialog: its own pictures, laid out the same way.
OPTIONS_W, OPTIONS_H = 400, 384
OPTIONS_HEADER_H = 60
OPTIONS_CONTROLS = {
    "IDC_CHK_PAUSE_ALT": (30, 100, 50, 16),
    "IDC_CHK_PAUSE_CTRL": (84, 100, 54, 16),
    "IDC_CHK_PAUSE_SHIFT": (142, 100, 58, 16),
    "IDC_CMB_PAUSE_HOTKEY": (270, 98, 100, 22),
    "IDC_LBL_COUNTDOWN": (26, 146, 190, 14),
    "IDC_CMB_COUNTDOWN": (222, 142, 56, 22),
    "IDC_LBL_SECONDS": (284, 146, 90, 14),
    "IDC_CHK_RECORD_POINTER": (30, 198, 300, 16),
    "IDC_CHK_HIGHLIGHT_POINTER": (30, 218, 300, 16),
    "IDC_CHK_SHOW_CLICKS": (30, 238, 300, 16),
    "IDC_CMB_SECOND_DEVICE": (26, 294, 200, 22),
    "IDC_LBL_SECOND_VOLUME": (236, 298, 50, 14),
    "IDC_SLD_SECOND_VOLUME": (288, 292, 88, 26),
    "IDOK": (196, 342, 90, 30),
    "IDCANCEL": (296, 342, 90, 30),
}
OPTIONS_GROUPS = {
    "IDC_GRP_PAUSE_HOTKEY": (14, 72, 372, 56),
    "IDC_GRP_POINTER": (14, 176, 372, 86),
    "IDC_GRP_SECOND_DEVICE": (14, 272, 372, 58),
}

BODY = "#f3f5f8"
FRAME = "#8b9aab"
TITLE_TOP, TITLE_BOTTOM = "#ffffff", "#e3e9f0"
INK = "#24313f"
BLUE = "#1769d2"
ACCENT = "#d9382c"


def read_ids():
    ids = {}
    with open(os.path.join(HERE, "..", "resource.h")) as f:
        for line in f:
            m = re.match(r"#define\s+(IDC_\w+)\s+(\d+)", line)
            if m:
                ids[m.group(1)] = int(m.group(2))
    ids.update(IDOK=1, IDCANCEL=2)  # the system's
    return ids


def rect(x, y, w, h):
    return "rectangle %d,%d %d,%d" % (x, y, x + w - 1, y + h - 1)


def run(args):
    subprocess.run(["convert"] + args, check=True)


def window_shape(w=W, h=H):
    return "roundrectangle 0,0 %d,%d %d,%d" % (w - 1, h - 1, RADIUS, RADIUS)


def make_mask(ids, out, size=(W, H), groups=GROUPS, controls=CONTROLS):
    draw = ["-fill", "white", "-draw", window_shape(*size)]
    for name, (x, y, w, h) in groups.items():
        draw += ["-fill", "#%06X" % ids[name], "-draw", rect(x, y, w, h),
                 "-fill", "white", "-draw", rect(x + GROUP_SIDE, y + GROUP_TOP,
                                                 w - 2 * GROUP_SIDE, h - GROUP_TOP - GROUP_SIDE)]
    for name, (x, y, w, h) in controls.items():
        draw += ["-fill", "#%06X" % ids[name], "-draw", rect(x, y, w, h)]
    run(["-size", "%dx%d" % size, "xc:black", "+antialias"] + draw +
        ["-type", "TrueColor", "-depth", "8"] + STRIP + ["PNG24:" + out])


def caption(text, box, color, size=12, font=FONT_BOLD):
    x, y, w, h = box
    return ["-fill", color, "-font", font, "-pointsize", str(size), "-gravity", "NorthWest",
            "-draw", "text %d,%d '%s'" % (x, y, text)]


def make_face(out, hover):
    help_color = BLUE if hover else INK
    tmp = out + ".tmp.png"
    # Body, title band, frame.
    run(["-size", "%dx%d" % (W, H), "xc:" + BODY,
         "(", "-size", "%dx%d" % (W, TITLE_H), "gradient:%s-%s" % (TITLE_TOP, TITLE_BOTTOM), ")",
         "-geometry", "+0+0", "-composite",
         "-fill", "#c9d3de", "-draw", "line 0,%d %d,%d" % (TITLE_H, W, TITLE_H),
         "-fill", ACCENT, "-draw", "rectangle 0,%d %d,%d" % (TITLE_H + 1, W, TITLE_H + 2),
         # Logo: a record dot in a ring.
         "-fill", "none", "-stroke", ACCENT, "-strokewidth", "2.5", "-draw", "circle 30,24 30,12",
         "-stroke", "none", "-fill", ACCENT, "-draw", "circle 30,24 30,18",
         ] + caption("Orvane", None or (50, 9, 0, 0), "#1d2f44", 22) +
        caption("screen recorder", (160, 21, 0, 0), "#6b7b8c", 10, FONT) +
        caption("Options", (CONTROLS["IDC_BTN_OPTIONS"][0] + 6, 17, 0, 0), help_color, 11) +
        caption("Help", (CONTROLS["IDC_BTN_HELP"][0] + 6, 17, 0, 0), help_color, 11) +
        caption("About", (CONTROLS["IDC_BTN_ABOUT"][0] + 5, 17, 0, 0), help_color, 11) +
        [tmp])
    draw = []
    mx, my, mw, mh = CONTROLS["IDC_BTN_MINIMIZE"]
    cx, cy, cw, ch = CONTROLS["IDC_BTN_CLOSE"]
    if hover:
        draw += ["-fill", "#dbe7f6", "-draw", "roundrectangle %d,%d %d,%d 4,4" % (mx, my, mx + mw - 1, my + mh - 1),
                 "-fill", "#e5483b", "-draw", "roundrectangle %d,%d %d,%d 4,4" % (cx, cy, cx + cw - 1, cy + ch - 1)]
    glyph = BLUE if hover else "#3d4b5a"
    draw += ["-stroke", glyph, "-strokewidth", "2",
             "-draw", "line %d,%d %d,%d" % (mx + 6, my + 15, mx + mw - 7, my + 15),
             "-stroke", "white" if hover else "#3d4b5a",
             "-draw", "line %d,%d %d,%d" % (cx + 7, cy + 7, cx + cw - 8, cy + ch - 8),
             "-draw", "line %d,%d %d,%d" % (cx + cw - 8, cy + 7, cx + 7, cy + ch - 8),
             "-stroke", "none"]
    # Footer mark in the free corner, then the window outline.
    draw += caption("Vantri", (120, 376, 0, 0), "#b3bfcb", 13)
    draw += ["-fill", "none", "-stroke", FRAME, "-strokewidth", "1",
             "-draw", "roundrectangle 0,0 %d,%d %d,%d" % (W - 1, H - 1, RADIUS, RADIUS)]
    run([tmp] + draw + ["-type", "TrueColor", "-depth", "8", "-alpha", "off"] + STRIP + ["PNG24:" + out])
    os.remove(tmp)


def maker_logo(cx, cy, r, ring=4, v=7):
    """The maker's logo: a ring with a stylised V."""
    return ["-fill", "none", "-stroke", "#7fb3e6", "-strokewidth", str(ring),
            "-draw", "circle %d,%d %d,%d" % (cx, cy, cx, cy - r),
            "-stroke", "white", "-strokewidth", str(v),
            "-draw", "polyline %d,%d %d,%d %d,%d" % (cx - r * 9 // 20, cy - r * 9 // 20, cx, cy + r * 11 // 20,
                                                     cx + r * 9 // 20, cy - r * 9 // 20),
            "-stroke", "none"]


def make_options_face(out):
    """The Options dialog: the about box's artwork as a band on top, the window's body below."""
    w, h, band = OPTIONS_W, OPTIONS_H, OPTIONS_HEADER_H
    # A gear: eight teeth round a wheel with a hole.
    gx, gy = w - 44, band // 2
    gear = ["-fill", "#a9c7e6", "-stroke", "none", "-draw", "translate %d,%d circle 0,0 0,10" % (gx, gy)]
    for i in range(8):
        gear += ["-draw", "translate %d,%d rotate %d roundrectangle -3,-15 3,-8 2,2" % (gx, gy, i * 45)]
    gear += ["-fill", "#244d78", "-draw", "translate %d,%d circle 0,0 0,4" % (gx, gy)]
    run(["-size", "%dx%d" % (w, band), "gradient:#15263b-#244d78",
         "(", "-size", "%dx%d" % (w, h - band), "xc:" + BODY, ")", "-append",
         "-fill", ACCENT, "-draw", "rectangle 0,%d %d,%d" % (band, w, band + 1)] +
        maker_logo(34, band // 2, 18, 3, 5) +
        caption("Orvane", (64, 14, 0, 0), "white", 22) + gear +
        ["-fill", "none", "-stroke", FRAME, "-strokewidth", "1", "-draw", window_shape(w, h),
         "-type", "TrueColor", "-depth", "8", "-alpha", "off"] + STRIP + ["PNG24:" + out])


def make_about(out):
    run(["-size", "400x176", "gradient:#15263b-#244d78",
         "(", "-size", "400x24", "xc:#f2f4f7", ")", "-append",
         "-fill", "#d9382c", "-draw", "rectangle 0,176 400,177",
         # Maker's logo, and the name below.
         ] + maker_logo(80, 70, 40) + caption("Vantri", (43, 120, 0, 0), "white", 22) +
        caption("Orvane", (168, 72, 0, 0), "white", 36) +
        caption("Screen recorder", (171, 120, 0, 0), "#a9c7e6", 13, FONT) +
        ["-fill", "#d9382c", "-draw", "circle 360,36 360,26",
         "-fill", "none", "-stroke", "#d9382c", "-strokewidth", "2", "-draw", "circle 360,36 360,20",
         "-type", "TrueColor", "-alpha", "off", "-depth", "8"] + STRIP + ["BMP3:" + out])


def make_icons(tmpdir):
    def badge(fill, ring, size, path):
        c = size / 2.0
        run(["-size", "%dx%d" % (size, size), "xc:none",
             "-fill", "none", "-stroke", ring, "-strokewidth", "%.1f" % (size / 10.0),
             "-draw", "circle %.1f,%.1f %.1f,%.1f" % (c - .5, c - .5, c - .5, size / 14.0),
             "-stroke", "none", "-fill", fill,
             "-draw", "circle %.1f,%.1f %.1f,%.1f" % (c - .5, c - .5, c - .5, c - .5 - size / 4.0)]
            + STRIP + ["PNG32:" + path])

    def paused(size, path):
        """The badge with two bars: a recording that is paused."""
        badge("#f2b632", "#2c4a6b", size, path)
        c, bar, gap, tall = size / 2.0, max(2, size // 8), max(2, size // 8), size * 3 // 8
        run([path, "-fill", "#2c4a6b", "-stroke", "none",
             "-draw", "rectangle %.1f,%.1f %.1f,%.1f" % (c - gap / 2.0 - bar, c - tall / 2.0, c - gap / 2.0 - 1,
                                                         c + tall / 2.0 - 1),
             "-draw", "rectangle %.1f,%.1f %.1f,%.1f" % (c + gap / 2.0, c - tall / 2.0, c + gap / 2.0 + bar - 1,
                                                         c + tall / 2.0 - 1)]
            + STRIP + ["PNG32:" + path])

    for name, draw in (("orvane", lambda size, path: badge(ACCENT, "#2c4a6b", size, path)),
                       ("orvane_alt", lambda size, path: badge("#f7d3cf", "#2c4a6b", size, path)),
                       ("orvane_paused", paused)):
        parts = []
        for size in (16, 32):
            path = os.path.join(tmpdir, "%s_%d.png" % (name, size))
            draw(size, path)
            parts.append(path)
        run(parts + [os.path.join(HERE, name + ".ico")])
    # Button icons: 16 x 16 in 256 colours.
    start = os.path.join(tmpdir, "start.png")
    run(["-size", "16x16", "xc:none", "-fill", ACCENT, "-draw", "circle 7.5,7.5 7.5,2",
         "-fill", "#f6a49c", "-draw", "circle 6,6 6,4.5", "-colors", "256"] + STRIP + ["PNG8:" + start])
    write_icon8(start, os.path.join(HERE, "start.ico"))
    default = os.path.join(tmpdir, "default.png")
    run(["-size", "16x16", "xc:none", "-fill", "none", "-stroke", BLUE, "-strokewidth", "2",
         "-draw", "arc 2,2 13,13 40,320", "-stroke", "none", "-fill", BLUE,
         "-draw", "polygon 9,1 15,5 9,8", "-colors", "256"] + STRIP + ["PNG8:" + default])
    write_icon8(default, os.path.join(HERE, "default.ico"))


def write_icon8(png, out, size=16):
    """A one-image icon with a 256-entry palette (8 bits per pixel) and a transparency mask."""
    rgba = subprocess.run(["convert", png, "-depth", "8", "RGBA:-"], check=True,
                          stdout=subprocess.PIPE).stdout
    pixels = [rgba[i:i + 4] for i in range(0, size * size * 4, 4)]
    palette, index = [(0, 0, 0)], []
    for r, g, b, a in pixels:
        colour = (r, g, b) if a >= 128 else (0, 0, 0)
        if colour not in palette:
            palette.append(colour)
        index.append(palette.index(colour))
    if len(palette) > 256:
        raise SystemExit(png + ": more than 256 colours")
    palette += [(0, 0, 0)] * (256 - len(palette))
    xor_rows, and_rows = [], []
    for y in reversed(range(size)):  # bottom-up rows
        xor_rows.append(bytes(index[y * size:(y + 1) * size]))
        bits = 0
        for x in range(size):
            if pixels[y * size + x][3] < 128:
                bits |= 1 << (31 - x)
        and_rows.append(struct.pack(">I", bits))  # 16 bits padded to 32
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 8, 0, 0, 0, 0, 256, 0)
    body = header + b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in palette)
    body += b"".join(xor_rows) + b"".join(and_rows)
    with open(out, "wb") as f:
        f.write(struct.pack("<HHH", 0, 1, 1))
        f.write(struct.pack("<BBBBHHII", size, size, 0, 0, 1, 8, len(body), 22))
        f.write(body)


def main():
    os.environ["MAGICK_TIME"] = "0"
    ids = read_ids()
    make_mask(ids, os.path.join(HERE, "skin_mask.png"))
    make_face(os.path.join(HERE, "skin_face.png"), hover=False)
    make_face(os.path.join(HERE, "skin_hover.png"), hover=True)
    make_mask(ids, os.path.join(HERE, "options_mask.png"), (OPTIONS_W, OPTIONS_H), OPTIONS_GROUPS, OPTIONS_CONTROLS)
    make_options_face(os.path.join(HERE, "options_face.png"))
    make_about(os.path.join(HERE, "about.bmp"))
    with tempfile.TemporaryDirectory() as tmpdir:
        make_icons(tmpdir)


if __name__ == "__main__":
    main()
