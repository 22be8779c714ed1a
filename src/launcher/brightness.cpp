// Brightness tables and the nearest-colour search (see brightness.h).
#include "launcher/brightness.h"

uint8_t BrightnessTables[BrightnessLevels][PaletteSize];

uint8_t nearestPaletteIndex(const PaletteColour* palette, int red, int green, int blue) {
    int best = 0;
    int32_t bestDistance = 0x7FFFFFFF;
    for (int i = 0; i < PaletteSize; ++i) {
        int dr = red - palette[i].red;
        int dg = green - palette[i].green;
        int db = blue - palette[i].blue;
        int32_t distance = dr * dr + dg * dg + db * db;
        if (distance < bestDistance) {
            best = i;
            bestDistance = distance;
            if (distance == 0) break;
        }
    }
    return static_cast<uint8_t>(best);
}

void buildBrightnessTables(const PaletteColour* palette, uint8_t tables[BrightnessLevels][PaletteSize]) {
    for (int k = 0; k < BrightnessLevels; ++k) {
        int factor = 16 * k;  // c * factor >> 7 is c * k / 8
        for (int i = 0; i < PaletteSize; ++i) {
            int r = (palette[i].red * factor) >> 7;
            int g = (palette[i].green * factor) >> 7;
            int b = (palette[i].blue * factor) >> 7;
            tables[k][i] = nearestPaletteIndex(palette, r > 255 ? 255 : r, g > 255 ? 255 : g,
                                                b > 255 ? 255 : b);
        }
    }
}
