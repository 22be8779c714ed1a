"""The launcher's picture as it should stand on the screen, read from the art the program is
built with: the tests and the launcher benchmark compare screen pixels with it."""
import functools
import os
import struct

POINTS = ((20, 20), (300, 40), (240, 200))  # sky, title, hills: the picture itself, not a blank window
with open(os.path.join(os.path.dirname(os.path.abspath(__file__)), "../resources/art/background.bmp"), "rb") as f:
    BMP = f.read()  # 8 bits a pixel, bottom-up rows
PALETTE = [(BMP[56 + 4 * i], BMP[55 + 4 * i], BMP[54 + 4 * i]) for i in range(256)]
(PIXELS,), (WIDTH, HEIGHT) = struct.unpack_from("<I", BMP, 10), struct.unpack_from("<ii", BMP, 18)


@functools.lru_cache
def brightness(level):
    """Colour index -> the palette's nearest to that colour at level/8, as the launcher draws it."""
    def nearest(c):
        want = [min(255, (v * 16 * level) >> 7) for v in c]
        return min(range(256), key=lambda j: sum((a - b) ** 2 for a, b in zip(want, PALETTE[j])))
    return [nearest(c) for c in PALETTE]


def colour(x, y, level=8):
    """The screen colour of picture point (x, y) drawn at a brightness level."""
    return PALETTE[brightness(level)[BMP[PIXELS + (HEIGHT - 1 - y) * WIDTH + x]]]
