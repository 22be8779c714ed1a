// The launcher's picture arithmetic: brightness, hit tests, button states, animation, scaling.
#include <gtest/gtest.h>

#include <string.h>

#include <vector>

#include "launcher/brightness.h"
#include "launcher/regions.h"

namespace {

uint8_t tables[BrightnessLevels][PaletteSize];

// Colour 4 at level 15 gives 256 in one channel: capped at 255, two candidates tie at distance 1 and
// the lower index wins (uncapped, the one whose channel is 255 would be nearer).
TEST(Brightness, ChannelsAreCappedAndTiesKeepTheLowerIndex) {
    for (int channel = 0; channel < 3; ++channel) {
        std::vector<PaletteColour> p(256, PaletteColour{200, 200, 0});
        uint8_t* near = &p[2].red;
        uint8_t* exact = &p[3].red;
        uint8_t* source = &p[4].red;
        p[2] = p[3] = p[4] = p[5] = p[6] = {0, 0, 0};
        near[channel] = 254;
        exact[channel] = 255;
        exact[(channel + 1) % 3] = 1;
        source[channel] = 137;  // 137 * 15 / 8 = 256
        buildBrightnessTables(p.data(), tables);
        EXPECT_EQ(tables[15][4], 2) << "channel " << channel;
        EXPECT_EQ(tables[8][4], 4) << "an exact match wins";
        EXPECT_EQ(tables[0][4], 5) << "level 0: the first black";
    }
}

TEST(Regions, HitTestStatesAndScale) {
    struct Hit { int x, y, id; };
    for (Hit h : std::vector<Hit>{{17, 141, 1}, {118, 170, 1}, {16, 141, 0}, {119, 141, 0}, {17, 171, 0},
                                  {60, 200, 2}, {60, 230, 3}, {60, 260, 4}, {118, 316, 5}, {60, 317, 0},
                                  {60, 140, 0}, {60, 178, 0}, {60, 209, 0}, {60, 250, 0}}) {
        EXPECT_EQ(regionAt(h.x, h.y), h.id) << h.x << "," << h.y;
        EXPECT_EQ(animation.hoveredRegion, h.id) << "the hit test records what it found";
    }
    applyRegionStates(0, 0, 0);  // the lit and dark buttons a player sees are the journeys'
    EXPECT_EQ(regionEnabled[RegionInstall], 0) << "no CD, no install";
    // Above 96 DPI the picture is drawn round(dpi / 96) times as large.
    for (auto [dpi, scale] : std::vector<std::pair<int, int>>{{0, 1}, {96, 1}, {143, 1}, {144, 2}, {239, 2}, {240, 3}})
        EXPECT_EQ(launcherScale(dpi), scale) << dpi;
    EXPECT_EQ(regionAtScaled(2 * 118 + 1, 2 * 170 + 1, 2), RegionInstall) << "both pixels of the last column";
    EXPECT_EQ(regionAtScaled(3 * 119, 3 * 300, 3), RegionNone);
    EXPECT_EQ(regionAtScaled(-1, 2 * 141, 2), RegionNone);
}

class Animation : public ::testing::Test {
protected:
    void SetUp() override {
        memset(&animation, 0, sizeof animation);
        keyboardRegion = 0;
        applyRegionStates(0, 1, 0);  // Install and Exit lit
    }
    // Ticks with the mouse over `hovered`: the levels of `region` and whether each tick painted.
    std::vector<int> levels(int ticks, int hovered, int region, std::vector<int>* painted = nullptr) {
        std::vector<int> out;
        animation.hoveredRegion = hovered;
        for (int i = 0; i < ticks; ++i) {
            int paint = animationTick();
            if (painted != nullptr) painted->push_back(paint);
            out.push_back(regionLevel[region]);
        }
        return out;
    }
};

// The opening flash fades every button in eight ticks; the hovered one pulses 8..15..3..; a hundred
// idle ticks bring the flash back.
TEST_F(Animation, FlashPulseAndIdleFlash) {
    std::vector<int> painted;
    EXPECT_EQ(levels(8, 0, RegionExit, &painted), (std::vector<int>{15, 14, 13, 12, 11, 10, 9, 8}));
    EXPECT_EQ(painted, std::vector<int>(8, 1));
    EXPECT_EQ(regionLevel[RegionPlay], 4) << "a dark button fades to half";
    painted.clear();
    EXPECT_EQ(levels(1, 0, RegionExit, &painted), std::vector<int>{8});
    EXPECT_EQ(painted, std::vector<int>{0}) << "nothing changed, nothing to paint";
    painted.clear();
    std::vector<int> pulse = {8, 9, 10, 11, 12, 13, 14, 15, 14, 13, 12, 11, 10, 9, 8, 7, 6, 5, 4, 3, 4, 5, 6, 7, 8, 9};
    EXPECT_EQ(levels(26, RegionExit, RegionExit, &painted), pulse);
    EXPECT_EQ(painted[0], 0) << "the first hover tick is the resting level";
    EXPECT_EQ(painted[1], 1);
    EXPECT_EQ(regionLevel[RegionInstall], 8) << "the other buttons rest";
    // Straight on to another button: the first rests at once, the second pulses from 8.
    EXPECT_EQ(levels(2, RegionInstall, RegionInstall), (std::vector<int>{8, 9}));
    EXPECT_EQ(regionLevel[RegionExit], 8);
    // A refresh rests the pulsing button until the next tick puts the pulse back.
    applyRegionStates(0, 1, 0);
    EXPECT_EQ(regionLevel[RegionInstall], 8);
    EXPECT_EQ(levels(1, RegionInstall, RegionInstall), std::vector<int>{10});
    // A hovered dark button stays dim and holds the flash off; a hundred ticks after, the flash is back.
    for (int level : levels(300, RegionPlay, RegionPlay)) ASSERT_EQ(level, 4);
    EXPECT_EQ(animation.animationPhase, Hover);
    levels(99, 0, RegionExit);
    EXPECT_EQ(animation.animationPhase, Hover);
    levels(1, 0, RegionExit);
    EXPECT_EQ(animation.animationPhase, FlashStart);
    // A button hovered during the flash follows it, then pulses from 8.
    EXPECT_EQ(levels(10, RegionExit, RegionExit), (std::vector<int>{15, 14, 13, 12, 11, 10, 9, 8, 8, 9}));
}

// Tab and the arrows walk the lit buttons round; the mouse on another button takes the pulse from the mark.
TEST_F(Animation, KeyboardMarkVisitsLitButtonsOnly) {
    keyboardRegion = RegionExit;
    EXPECT_EQ(moveKeyboardRegion(1), RegionInstall) << "round the end";
    keyboardRegion = 0;
    EXPECT_EQ(moveKeyboardRegion(-1), RegionExit) << "from no mark backwards to the last lit";
    levels(8, 0, RegionExit);
    EXPECT_EQ(levels(3, 0, RegionExit), (std::vector<int>{8, 9, 10})) << "the mark pulses";
    regionAt(60, 155);  // the mouse arrives on Install
    EXPECT_EQ(keyboardRegion, RegionNone);
    EXPECT_EQ(levels(2, RegionInstall, RegionInstall), (std::vector<int>{8, 9}));
    EXPECT_EQ(regionLevel[RegionExit], 8);
    for (int id = 1; id <= RegionCount; ++id) setRegionState(id, 0);
    EXPECT_EQ(moveKeyboardRegion(1), RegionNone) << "nothing lit, no mark";
    for (auto [key, id] : std::vector<std::pair<int, int>>{{'i', 1}, {'D', 2}, {'p', 3}, {'U', 4}, {'x', 5}, {'e', 0}})
        EXPECT_EQ(accessKeyRegion(key), id) << key;  // the access keys' letters, either case
}

}  // namespace
