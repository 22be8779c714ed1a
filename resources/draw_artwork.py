#!/usr/bin/env python3
"""Draws the artwork of setup.exe: the launcher picture, hand cursor, application
icon, spinner icons and intro sound.

The outputs are committed beside this script, so a build needs no image tools.
Run it again after changing a drawing: python3 resources/draw_artwork.py
"""
import math
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))
OUT = os.path.join(HERE, "art")

# The sixteen colours of the standard VGA palette, as icons of 16 colours use them.
VGA16 = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
BLACK, MAROON, DKGREEN, OLIVE, NAVY, PURPLE, TEAL, SILVER = range(8)
GREY, RED, GREEN, YELLOW, BLUE, MAGENTA, CYAN, WHITE = range(8, 16)
CLEAR = None  # transparent pixel


def write_icon(path, pixels):
    """Writes a 32 x 32, 16-colour .ico; pixels[y][x] is a VGA index or CLEAR."""
    size = 32
    xor_rows = []
    and_rows = []
    for y in reversed(range(size)):  # bottom-up
        row = pixels[y]
        xor = bytearray()
        for x in range(0, size, 2):
            hi = row[x] or 0
            lo = row[x + 1] or 0
            xor.append((hi << 4) | lo)
        mask = bytearray(4)
        for x in range(size):
            if row[x] is CLEAR:
                mask[x // 8] |= 0x80 >> (x % 8)
        xor_rows.append(bytes(xor))
        and_rows.append(bytes(mask))
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 4, 0, 0, 0, 0, 16, 0)
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for (r, g, b) in VGA16)
    image = header + palette + b"".join(xor_rows) + b"".join(and_rows)
    directory = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", size, size, 16, 0, 1, 4, len(image), 6 + 16)
    with open(path, "wb") as f:
        f.write(directory + entry + image)


def blank():
    return [[CLEAR] * 32 for _ in range(32)]


def disc(pixels, cx, cy, radius, colour_at):
    for y in range(32):
        for x in range(32):
            dx, dy = x + 0.5 - cx, y + 0.5 - cy
            d = math.hypot(dx, dy)
            if d <= radius:
                c = colour_at(dx, dy, d)
                if c is not None:
                    pixels[y][x] = c


def application_icon():
    """A dark-blue disc with a golden V, the game's mark."""
    px = blank()
    disc(px, 16, 16, 15.5, lambda dx, dy, d: BLACK if d > 14.5 else NAVY)
    # The V: two thick strokes meeting at the bottom.
    for y in range(7, 26):
        t = (y - 7) / 18.0
        half = 9 * (1 - t)
        for x in range(32):
            for centre in (16 - half, 16 + half):
                if abs(x + 0.5 - centre) <= 2.0:
                    px[y][x] = YELLOW if abs(x + 0.5 - centre) <= 1.2 else OLIVE
    return px


def spinner_icon(step):
    """A grey disc whose bright sector turns by 1/16 of a turn per step."""
    px = blank()
    start = step * (2 * math.pi / 16)

    def colour(dx, dy, d):
        if d > 14.5:
            return BLACK
        if d < 4:
            return WHITE
        angle = (math.atan2(dy, dx) - start) % (2 * math.pi)
        if angle < 2 * math.pi / 8:
            return RED
        if angle < 2 * math.pi / 4:
            return MAROON
        return GREY if (int(angle / (2 * math.pi / 8)) % 2) else SILVER

    disc(px, 16, 16, 15.5, colour)
    return px


# The dialog shows the frames in this resource order; spinner step k is drawn into
# the icon shown k-th, so the disc turns smoothly.
SPINNER_ORDER = [160, 155, 156, 157, 158, 159, 154, 161, 162, 163, 164, 165, 166, 167, 168, 169]


def intro_sound(path):
    """PCM, mono, 11025 Hz, 8 bits, 30580 bytes: a rising three-note chime."""
    rate, count = 11025, 30580
    notes = [(0.00, 220.0), (0.35, 277.2), (0.70, 329.6), (1.05, 440.0)]
    data = bytearray()
    for i in range(count):
        t = i / rate
        v = 0.0
        for onset, freq in notes:
            if t >= onset:
                age = t - onset
                v += math.sin(2 * math.pi * freq * age) * math.exp(-age * 1.6) * 0.22
        fade = min(1.0, (count - i) / 2000.0)
        data.append(max(0, min(255, int(128 + 127 * v * fade))))
    fmt = struct.pack("<HHIIHH", 1, 1, rate, rate, 1, 8)
    body = b"WAVE" + b"fmt " + struct.pack("<I", 16) + fmt + b"data" + struct.pack("<I", count) + data
    with open(path, "wb") as f:
        f.write(b"RIFF" + struct.pack("<I", len(body)) + body)


# ---------------------------------------------------------------------------
# The launcher picture: 480 x 370, 8 bits, 256-entry colour table.

# The twenty static colours Windows keeps in every palette, in their standard order:
# they take entries 0-9 and 246-255, so the picture looks right on a 256-colour screen.
STATIC_LOW = [(0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128),
              (0, 128, 128), (192, 192, 192), (192, 220, 192), (166, 202, 240)]
STATIC_HIGH = [(255, 251, 240), (160, 160, 164), (128, 128, 128), (255, 0, 0), (0, 255, 0),
               (255, 255, 0), (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255)]

WIDTH, HEIGHT = 480, 370
# The buttons' rectangles (inclusive edges, y downwards), as the launcher hit-tests them.
REGIONS = [(17, 141, 118, 170), (17, 179, 118, 208), (17, 215, 118, 244),
           (17, 251, 118, 280), (17, 287, 118, 316)]
LABELS = [["INSTALL"], ["INSTALL", "DIRECTX 5"], ["PLAY GAME"], ["UNINSTALL"], ["EXIT"]]


def lerp(a, b, t):
    return tuple(int(round(x + (y - x) * t)) for x, y in zip(a, b))


def ramp(stops, count):
    """count colours along a path through the stops."""
    out = []
    for i in range(count):
        t = i / (count - 1) * (len(stops) - 1)
        k = min(int(t), len(stops) - 2)
        out.append(lerp(stops[k], stops[k + 1], t - k))
    return out


class Palette:
    """Entries 10..245 of the picture's palette, in ramps. Entry 20 repeats entry 10."""

    def __init__(self):
        self.entries = [None] * 256
        self.entries[0:10] = STATIC_LOW
        self.entries[246:256] = STATIC_HIGH
        self.free = [i for i in range(10, 246) if i != 20]
        self.used = set(STATIC_LOW + STATIC_HIGH)

    def add_ramp(self, stops, count):
        indices = []
        for colour in ramp(stops, count):
            # Keep all 255 colours distinct: nudge a repeat until it is new.
            r, g, b = colour
            while (r, g, b) in self.used:
                b = b + 1 if b < 255 else b - 3
            self.used.add((r, g, b))
            index = self.free.pop(0)
            self.entries[index] = (r, g, b)
            indices.append(index)
        return indices

    def finish(self):
        assert not self.free, "%d entries left" % len(self.free)
        self.entries[20] = self.entries[10]


# A 5 x 7 pixel font for the picture's lettering.
FONT = {
    "A": ["01110", "10001", "10001", "11111", "10001", "10001", "10001"],
    "C": ["01111", "10000", "10000", "10000", "10000", "10000", "01111"],
    "D": ["11110", "10001", "10001", "10001", "10001", "10001", "11110"],
    "E": ["11111", "10000", "10000", "11110", "10000", "10000", "11111"],
    "G": ["01111", "10000", "10000", "10011", "10001", "10001", "01111"],
    "I": ["11111", "00100", "00100", "00100", "00100", "00100", "11111"],
    "L": ["10000", "10000", "10000", "10000", "10000", "10000", "11111"],
    "M": ["10001", "11011", "10101", "10101", "10001", "10001", "10001"],
    "N": ["10001", "11001", "10101", "10011", "10001", "10001", "10001"],
    "O": ["01110", "10001", "10001", "10001", "10001", "10001", "01110"],
    "P": ["11110", "10001", "10001", "11110", "10000", "10000", "10000"],
    "R": ["11110", "10001", "10001", "11110", "10100", "10010", "10001"],
    "S": ["01111", "10000", "10000", "01110", "00001", "00001", "11110"],
    "T": ["11111", "00100", "00100", "00100", "00100", "00100", "00100"],
    "U": ["10001", "10001", "10001", "10001", "10001", "10001", "01110"],
    "V": ["10001", "10001", "10001", "10001", "01010", "01010", "00100"],
    "X": ["10001", "01010", "00100", "00100", "00100", "01010", "10001"],
    "Y": ["10001", "01010", "00100", "00100", "00100", "00100", "00100"],
    "5": ["11111", "10000", "11110", "00001", "00001", "10001", "01110"],
    "-": ["00000", "00000", "00000", "11111", "00000", "00000", "00000"],
    " ": ["00000"] * 7,
}


def text_width(text, sx, bold):
    return len(text) * (5 * sx + sx + bold) - sx


def draw_text(pixels, text, x0, y0, sx, sy, colour_at, bold=0):
    """Draws text with its top-left at (x0, y0); colour_at(row 0..7*sy-1) picks the index."""
    x = x0
    for ch in text:
        glyph = FONT[ch]
        for gy, row in enumerate(glyph):
            for gx, bit in enumerate(row):
                if bit != "1":
                    continue
                for dy in range(sy):
                    for dx in range(sx + bold):
                        px, py = x + gx * sx + dx, y0 + gy * sy + dy
                        if 0 <= px < WIDTH and 0 <= py < HEIGHT:
                            pixels[py][px] = colour_at(gy * sy + dy)
        x += 5 * sx + sx + bold


def background_picture():
    pal = Palette()
    sky = pal.add_ramp([(2, 3, 22), (22, 12, 60), (70, 28, 92), (150, 62, 88), (214, 120, 70)], 56)
    hills = pal.add_ramp([(6, 6, 14), (26, 20, 40), (54, 40, 70)], 24)
    stone = pal.add_ramp([(22, 26, 44), (70, 78, 110), (150, 158, 190), (212, 216, 236)], 44)
    gold = pal.add_ramp([(48, 20, 0), (150, 80, 8), (236, 170, 40), (255, 236, 150)], 48)
    glow = pal.add_ramp([(60, 60, 84), (170, 170, 190), (250, 248, 236)], 30)
    ember = pal.add_ramp([(40, 4, 4), (140, 24, 10), (230, 90, 20), (255, 180, 80)], 33)
    pal.finish()

    import random
    rnd = random.Random(1997)
    pixels = [[0] * WIDTH for _ in range(HEIGHT)]
    # Night sky, dark above, a dusk glow at the horizon, with a little dither.
    for y in range(HEIGHT):
        for x in range(WIDTH):
            t = (y / (HEIGHT - 1)) ** 1.6 * (len(sky) - 1)
            t += rnd.random() - 0.5
            pixels[y][x] = sky[max(0, min(len(sky) - 1, int(t)))]
    # Stars.
    for _ in range(260):
        x, y = rnd.randrange(WIDTH), rnd.randrange(0, 230)
        pixels[y][x] = glow[rnd.randrange(10, len(glow))]
    # A pale moon with a halo.
    mx, my, mr = 405, 150, 32
    for y in range(my - mr - 14, my + mr + 15):
        for x in range(mx - mr - 14, mx + mr + 15):
            d = math.hypot(x - mx, y - my)
            if d <= mr:
                shade = 1 - 0.45 * max(0.0, (x - mx + y - my) / (2 * mr))
                pixels[y][x] = glow[min(len(glow) - 1, int(shade * (len(glow) - 1)))]
            elif d <= mr + 14 and rnd.random() < (mr + 14 - d) / 28:
                pixels[y][x] = glow[rnd.randrange(0, 8)]
    # Two ranges of hills, the far one lighter.
    for layer, (base, amp, freq, shade) in enumerate([(250, 38, 0.021, 14), (300, 30, 0.033, 4)]):
        for x in range(WIDTH):
            top = int(base - amp * (0.6 * math.sin(x * freq + layer * 2) + 0.4 * math.sin(x * freq * 2.7 + 1)))
            for y in range(max(0, top), HEIGHT):
                depth = min(1.0, (y - top) / 80)
                pixels[y][x] = hills[max(0, min(len(hills) - 1, int(shade + 6 - depth * 6 + rnd.random())))]
    # A citadel on the far ridge, lit windows in ember.
    for (cx, w, h) in [(300, 14, 60), (318, 22, 44), (342, 12, 72), (356, 18, 38)]:
        for y in range(250 - h, 262):
            for x in range(cx, cx + w):
                pixels[y][x] = hills[2]
        for wy in range(250 - h + 8, 250, 12):
            pixels[wy][cx + w // 2] = ember[-4]
            pixels[wy + 1][cx + w // 2] = ember[-8]

    # The title.
    title = "VORLEX"
    tw = text_width(title, 7, 0)
    tx, ty = 140 + (WIDTH - 140 - tw) // 2, 28
    draw_text(pixels, title, tx + 4, ty + 4, 7, 7, lambda r: hills[0])
    draw_text(pixels, title, tx, ty, 7, 7, lambda r: gold[max(8, len(gold) - 1 - r * 40 // 49)])
    sub = "SETUP"
    sw = text_width(sub, 3, 1)
    draw_text(pixels, sub, tx + (tw - sw) // 2, ty + 60, 3, 2, lambda r: stone[-3 - r], bold=1)

    # The five picture buttons, each drawn inside its rectangle.
    for (l, t, r, b), lines in zip(REGIONS, LABELS):
        for y in range(t, b + 1):
            for x in range(l, r + 1):
                edge_light = y == t or x == l
                edge_dark = y == b or x == r
                inner_light = y == t + 1 or x == l + 1
                inner_dark = y == b - 1 or x == r - 1
                if edge_light:
                    c = stone[-1]
                elif edge_dark:
                    c = stone[0]
                elif inner_light:
                    c = stone[-8]
                elif inner_dark:
                    c = stone[6]
                else:
                    c = stone[int(30 - (y - t) * 14 / (b - t))]
                pixels[y][x] = c
        sy = 2 if len(lines) == 1 else 1
        height = len(lines) * 7 * sy + (len(lines) - 1) * 3
        y = t + (b - t + 1 - height) // 2
        for line in lines:
            w = text_width(line, 1, 1)
            x = l + (r - l + 1 - w) // 2
            draw_text(pixels, line, x + 1, y + 1, 1, sy, lambda row: stone[2], bold=1)
            draw_text(pixels, line, x, y, 1, sy, lambda row, sy=sy: gold[len(gold) - 4 - row * 12 // (7 * sy)], bold=1)
            y += 7 * sy + 3
    return pal.entries, pixels


def write_background(path):
    entries, pixels = background_picture()
    header = struct.pack("<IiiHHIIiiII", 40, WIDTH, HEIGHT, 1, 8, 0, WIDTH * HEIGHT, 2834, 2834, 0, 0)
    table = b"".join(struct.pack("<BBBB", b, g, r, 0) for (r, g, b) in entries)
    rows = b"".join(bytes(pixels[y]) for y in reversed(range(HEIGHT)))  # bottom-up; 480 needs no padding
    body = header + table + rows
    filehead = struct.pack("<2sIHHI", b"BM", 14 + len(body), 0, 0, 14 + 40 + 1024)
    with open(path, "wb") as f:
        f.write(filehead + body)


def write_hand_cursor(path):
    """32 x 32 monochrome pointing hand, hot spot at the fingertip (12, 6)."""
    art = [
        "............XX..................",
        "...........X..X.................",
        "...........X..X.................",
        "...........X..X.................",
        "...........X..X.................",
        "...........X..X.................",
        "...........X..XXX...............",
        "...........X..X..XXX............",
        "...........X..X..X..XX..........",
        "...........X..X..X..X.X.........",
        "........XX.X.....X..X..X........",
        ".......X..XX...........X........",
        ".......X...X...........X........",
        "........X..............X........",
        ".........X.............X........",
        ".........X.............X........",
        "..........X...........X.........",
        "..........X...........X.........",
        "...........X.........X..........",
        "...........X.........X..........",
        "...........XXXXXXXXXXX..........",
    ]
    # Outline pixels are black; the inside of the hand is white; the rest transparent.
    grid = [list(row.ljust(32, ".")) for row in art] + [["."] * 32 for _ in range(32 - len(art))]
    inside = [[False] * 32 for _ in range(32)]
    for y in range(32):
        xs = [x for x in range(32) if grid[y][x] == "X"]
        if len(xs) >= 2:
            for x in range(xs[0] + 1, xs[-1]):
                if grid[y][x] != "X":
                    inside[y][x] = True
    xor_rows, and_rows = [], []
    for y in reversed(range(32)):
        xor, mask = bytearray(4), bytearray(4)
        for x in range(32):
            bit = 0x80 >> (x % 8)
            if grid[y][x] == "X":
                pass  # black: AND 0, XOR 0
            elif inside[y][x]:
                xor[x // 8] |= bit  # white: AND 0, XOR 1
            else:
                mask[x // 8] |= bit  # transparent: AND 1, XOR 0
        xor_rows.append(bytes(xor))
        and_rows.append(bytes(mask))
    header = struct.pack("<IiiHHIIiiII", 40, 32, 64, 1, 1, 0, 0, 0, 0, 2, 0)
    palette = struct.pack("<BBBBBBBB", 0, 0, 0, 0, 255, 255, 255, 0)
    image = header + palette + b"".join(xor_rows) + b"".join(and_rows)
    directory = struct.pack("<HHH", 0, 2, 1)
    entry = struct.pack("<BBBBHHII", 32, 32, 2, 0, 12, 6, len(image), 6 + 16)
    with open(path, "wb") as f:
        f.write(directory + entry + image)


def main():
    os.makedirs(OUT, exist_ok=True)
    write_background(os.path.join(OUT, "background.bmp"))
    write_hand_cursor(os.path.join(OUT, "hand.cur"))
    write_icon(os.path.join(OUT, "app.ico"), application_icon())
    for step, resource in enumerate(SPINNER_ORDER):
        write_icon(os.path.join(OUT, "spin%d.ico" % resource), spinner_icon(step))
    intro_sound(os.path.join(OUT, "intro.wav"))


if __name__ == "__main__":
    main()
