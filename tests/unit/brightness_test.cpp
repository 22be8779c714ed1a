// Brightness tables over the shipped launcher palette and over small made-up ones.
#include <gtest/gtest.h>

#include <stdio.h>
#include <string.h>

#include <set>
#include <vector>

#include "launcher/brightness.h"

namespace {

// The colour table of the committed picture (resources/art/background.bmp).
std::vector<PaletteColour> shippedPalette() {
    std::vector<PaletteColour> palette;
    FILE* file = fopen(VORLEX_SOURCE_DIR "/resources/art/background.bmp", "rb");
    if (file == nullptr) return palette;
    unsigned char table[1024];
    if (fseek(file, 14 + 40, SEEK_SET) == 0 && fread(table, 1, sizeof table, file) == sizeof table) {
        for (int i = 0; i < 256; ++i) palette.push_back({table[4 * i + 2], table[4 * i + 1], table[4 * i]});
    }
    fclose(file);
    return palette;
}

uint8_t tables[BrightnessLevels][PaletteSize];

TEST(ShippedPalette, HasTheStaticColoursAndOneRepeat) {
    std::vector<PaletteColour> p = shippedPalette();
    ASSERT_EQ(p.size(), 256u);
    // The first and last static colours of the system palette.
    EXPECT_EQ(p[0].red + p[0].green + p[0].blue, 0);
    EXPECT_EQ(p[7].red, 192);
    EXPECT_EQ(p[255].red + p[255].green + p[255].blue, 765);
    EXPECT_EQ(p[249].red, 255);
    EXPECT_EQ(p[249].green, 0);
    std::set<int> distinct;
    for (const PaletteColour& c : p) distinct.insert(c.red << 16 | c.green << 8 | c.blue);
    EXPECT_EQ(distinct.size(), 255u);
    EXPECT_EQ(memcmp(&p[20], &p[10], sizeof p[10]), 0);
}

TEST(ShippedPalette, TableEightReproducesThePictureAndTableZeroIsBlack) {
    std::vector<PaletteColour> p = shippedPalette();
    ASSERT_EQ(p.size(), 256u);
    buildBrightnessTables(p.data(), tables);
    for (int i = 0; i < 256; ++i) {
        EXPECT_EQ(tables[8][i], i == 20 ? 10 : i) << "index " << i;
        EXPECT_EQ(tables[0][i], 0) << "index " << i;
    }
    // Half brightness darkens: never a brighter colour than the original.
    for (int i = 0; i < 256; ++i) {
        const PaletteColour& half = p[tables[4][i]];
        EXPECT_LE(half.red + half.green + half.blue, p[i].red + p[i].green + p[i].blue + 24) << i;
    }
}

TEST(BrightnessTables, LevelFifteenCapsEachChannel) {
    std::vector<PaletteColour> p(256, PaletteColour{1, 2, 3});
    p[0] = {0, 0, 0};
    p[1] = {255, 255, 255};
    p[2] = {255, 0, 0};
    p[3] = {120, 120, 120};
    p[4] = {225, 225, 225};  // 120 * 15/8 = 225
    buildBrightnessTables(p.data(), tables);
    EXPECT_EQ(tables[15][1], 1) << "white stays white, 478 is capped to 255";
    EXPECT_EQ(tables[15][2], 2);
    EXPECT_EQ(tables[15][3], 4);
    EXPECT_EQ(tables[4][4], 3) << "225 / 2 = 112, nearest 120";
}

TEST(NearestPaletteIndex, TieKeepsTheLowerIndexAndExactMatchWins) {
    std::vector<PaletteColour> p(256, PaletteColour{200, 200, 200});
    p[3] = {10, 0, 0};
    p[7] = {30, 0, 0};
    p[9] = {20, 0, 0};
    p[12] = {20, 0, 0};
    EXPECT_EQ(nearestPaletteIndex(p.data(), 20, 0, 0), 9) << "exact match, first of two";
    p[9] = {21, 0, 0};
    p[12] = {19, 0, 0};
    EXPECT_EQ(nearestPaletteIndex(p.data(), 20, 0, 0), 9) << "equal distance: lower index";
    EXPECT_EQ(nearestPaletteIndex(p.data(), 0, 0, 0), 3);
    EXPECT_EQ(nearestPaletteIndex(p.data(), 255, 255, 255), 0) << "entry 0 is the first of many ties";
}

}  // namespace
