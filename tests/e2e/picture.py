"""What the launcher should show: the committed picture and its brightness tables,
worked out here independently of the program, to compare with screen pixels."""
import os
import struct

ART = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "resources", "art", "background.bmp")
REGIONS = {1: (17, 141, 118, 170), 2: (17, 179, 118, 208), 3: (17, 215, 118, 244),
           4: (17, 251, 118, 280), 5: (17, 287, 118, 316)}


class Picture:
    def __init__(self, path=ART):
        data = open(path, "rb").read()
        offset = struct.unpack_from("<I", data, 10)[0]
        self.width, self.height = struct.unpack_from("<ii", data, 18)
        self.palette = [(data[54 + 4 * i + 2], data[54 + 4 * i + 1], data[54 + 4 * i]) for i in range(256)]
        self.rows = [data[offset + (self.height - 1 - y) * self.width:][:self.width] for y in range(self.height)]
        self._tables = {}

    def table(self, level):
        """Index i -> index of the colour nearest to colour i scaled by level/8."""
        if level not in self._tables:
            out = []
            for (r, g, b) in self.palette:
                want = [min(255, (c * 16 * level) >> 7) for c in (r, g, b)]
                best, best_d = 0, None
                for j, (pr, pg, pb) in enumerate(self.palette):
                    d = (want[0] - pr) ** 2 + (want[1] - pg) ** 2 + (want[2] - pb) ** 2
                    if best_d is None or d < best_d:
                        best, best_d = j, d
                out.append(best)
            self._tables[level] = out
        return self._tables[level]

    def colour(self, x, y, level=8):
        """Screen colour of picture point (x, y) drawn at a brightness level."""
        return self.palette[self.table(level)[self.rows[y][x]]]
