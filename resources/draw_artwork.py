#!/usr/bin/env python3
"""Draws the artwork of setup.exe: application icon, spinner icons and intro sound.

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


def main():
    os.makedirs(OUT, exist_ok=True)
    write_icon(os.path.join(OUT, "app.ico"), application_icon())
    for step, resource in enumerate(SPINNER_ORDER):
        write_icon(os.path.join(OUT, "spin%d.ico" % resource), spinner_icon(step))
    intro_sound(os.path.join(OUT, "intro.wav"))


if __name__ == "__main__":
    main()
