// The launcher's brightness effects: sixteen index-to-index tables over the
// picture's palette. Table k maps an index to the palette colour nearest to that
// colour scaled by k/8, so a button is dimmed or brightened by remapping its
// pixels, never by touching the palette. No Windows header here.
#pragma once
#include <stdint.h>

struct PaletteColour {
    uint8_t red, green, blue;
};

enum { BrightnessLevels = 16, PaletteSize = 256 };

// Process-wide: filled once when the launcher opens.
extern uint8_t BrightnessTables[BrightnessLevels][PaletteSize];

// The index of the entry nearest to (red, green, blue): squared distance, a tie
// keeps the lower index, the walk stops at the first exact match.
uint8_t nearestPaletteIndex(const PaletteColour* palette, int red, int green, int blue);

// Fills tables[k][i] for k = 0..15 from the 256 colours of palette.
void buildBrightnessTables(const PaletteColour* palette, uint8_t tables[BrightnessLevels][PaletteSize]);
