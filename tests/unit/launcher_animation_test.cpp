// The launcher's regions and animation: hit tests, flash, pulse, idle flash, centring.
#include <gtest/gtest.h>

#include <string.h>

#include <vector>

#include "launcher/regions.h"

namespace {

class Animation : public ::testing::Test {
protected:
    void SetUp() override {
        memset(&animation, 0, sizeof animation);
        memset(regionEnabled, 0, sizeof regionEnabled);
        memset(regionLevel, 0, sizeof regionLevel);
        keyboardRegion = 0;
    }
    // Runs ticks with the mouse over region `hovered`, returning that region's levels.
    std::vector<int> levels(int ticks, int region) {
        std::vector<int> out;
        for (int i = 0; i < ticks; ++i) {
            animationTick();
            out.push_back(regionLevel[region]);
        }
        return out;
    }
    void hover(int id) { animation.hoveredRegion = id; }
    void finishFlash() {
        while (animation.animationPhase != Hover) animationTick();
    }
};

TEST(HitTest, EdgesAreInclusiveAndGapsBelongToNoRegion) {
    EXPECT_EQ(regionAt(17, 141), RegionInstall);
    EXPECT_EQ(regionAt(118, 170), RegionInstall);
    EXPECT_EQ(regionAt(16, 141), RegionNone);
    EXPECT_EQ(regionAt(119, 141), RegionNone);
    EXPECT_EQ(regionAt(17, 171), RegionNone);
    EXPECT_EQ(animation.hoveredRegion, RegionNone);
    EXPECT_EQ(regionAt(60, 200), RegionDirectX);
    EXPECT_EQ(animation.hoveredRegion, RegionDirectX) << "the hit test records what it found";
    EXPECT_EQ(regionAt(60, 230), RegionPlay);
    EXPECT_EQ(regionAt(60, 260), RegionUninstall);
    EXPECT_EQ(regionAt(118, 316), RegionExit);
    for (int y : {171, 178, 209, 214, 245, 250, 281, 286, 317, 140}) EXPECT_EQ(regionAt(60, y), 0) << y;
}

TEST(RegionStates, FollowWhatIsInstalledAndWhatTheCdOffers) {
    applyRegionStates(0, 1, 0);
    EXPECT_EQ(std::vector<int>(regionEnabled + 1, regionEnabled + 6), (std::vector<int>{1, 0, 0, 0, 1}));
    EXPECT_EQ(std::vector<int>(regionLevel + 1, regionLevel + 6), (std::vector<int>{8, 4, 4, 4, 8}));
    applyRegionStates(1, 1, 1);
    EXPECT_EQ(std::vector<int>(regionEnabled + 1, regionEnabled + 6), (std::vector<int>{0, 1, 1, 1, 1}));
    applyRegionStates(0, 0, 0);
    EXPECT_EQ(regionEnabled[RegionInstall], 0) << "no CD, no install";
    setRegionState(RegionDirectX, 1);
    EXPECT_EQ(regionLevel[RegionDirectX], 8);
}

TEST_F(Animation, FlashFadesEnabledAndDisabledRegionsInEightTicks) {
    applyRegionStates(0, 1, 0);  // Install and Exit enabled
    std::vector<int> enabled, disabled;
    for (int tick = 0; tick < 8; ++tick) {
        EXPECT_EQ(animationTick(), 1) << "every flash tick paints";
        enabled.push_back(regionLevel[RegionExit]);
        disabled.push_back(regionLevel[RegionPlay]);
    }
    EXPECT_EQ(enabled, (std::vector<int>{15, 14, 13, 12, 11, 10, 9, 8}));
    EXPECT_EQ(disabled, (std::vector<int>{14, 13, 11, 10, 8, 7, 5, 4}));
    EXPECT_EQ(animation.animationPhase, Hover);
    EXPECT_EQ(animation.idleTicks, 100);
}

TEST_F(Animation, HoveredButtonPulsesThroughATwentyFourTickCycle) {
    applyRegionStates(0, 1, 0);
    finishFlash();
    hover(RegionExit);
    std::vector<int> seen = levels(48, RegionExit);
    std::vector<int> cycle = {8, 9, 10, 11, 12, 13, 14, 15, 14, 13, 12, 11, 10, 9, 8, 7, 6, 5, 4, 3, 4, 5, 6, 7};
    std::vector<int> expected = cycle;
    // After the first cycle the pulse keeps running between 3 and 15.
    for (int l : {8, 9, 10, 11, 12, 13, 14, 15, 14, 13, 12, 11, 10, 9, 8, 7, 6, 5, 4, 3, 4, 5, 6, 7}) expected.push_back(l);
    EXPECT_EQ(seen, expected);
    EXPECT_EQ(regionLevel[RegionInstall], 8) << "the other buttons rest";
}

TEST_F(Animation, HoverPaintsOnlyWhenALevelChanges) {
    applyRegionStates(0, 1, 0);
    finishFlash();
    EXPECT_EQ(animationTick(), 0) << "nothing hovered, nothing to paint";
    hover(RegionExit);
    EXPECT_EQ(animationTick(), 0) << "first hover tick: level 8, as at rest";
    EXPECT_EQ(animationTick(), 1);
}

TEST_F(Animation, FlashReturnsAfterOneHundredIdleTicks) {
    applyRegionStates(0, 1, 0);
    int ticks = 0;
    int flashes = 0;
    int lastPhase = animation.animationPhase;
    while (flashes < 3) {
        animationTick();
        ++ticks;
        if (animation.animationPhase == Flashing && lastPhase != Flashing) ++flashes;
        lastPhase = animation.animationPhase;
        ASSERT_LT(ticks, 1000);
    }
    // Flash starts at ticks 1, 109 and 217: 8 ticks of flash and 100 of hover.
    EXPECT_EQ(ticks, 1 + 2 * 108);
}

TEST_F(Animation, HoveredDisabledButtonStaysDimAndHoldsTheFlashOff) {
    applyRegionStates(0, 1, 0);
    finishFlash();
    hover(RegionPlay);  // disabled
    std::vector<int> seen = levels(300, RegionPlay);
    for (int level : seen) ASSERT_EQ(level, 4);
    EXPECT_EQ(animation.animationPhase, Hover);
    hover(RegionNone);
    levels(100, RegionPlay);
    EXPECT_EQ(animation.animationPhase, FlashStart);
}

TEST_F(Animation, MovingStraightFromOneButtonToAnother) {
    applyRegionStates(0, 1, 0);
    finishFlash();
    hover(RegionInstall);
    levels(5, RegionInstall);
    ASSERT_EQ(regionLevel[RegionInstall], 12);
    hover(RegionExit);
    animationTick();
    EXPECT_EQ(regionLevel[RegionInstall], 8);
    EXPECT_EQ(regionLevel[RegionExit], 8);
    animationTick();
    EXPECT_EQ(regionLevel[RegionExit], 9);
}

TEST_F(Animation, ButtonHoveredDuringAFlashFollowsItThenPulsesFromEight) {
    applyRegionStates(0, 1, 0);
    hover(RegionExit);
    std::vector<int> seen = levels(10, RegionExit);
    EXPECT_EQ(seen, (std::vector<int>{15, 14, 13, 12, 11, 10, 9, 8, 8, 9}));
}

TEST_F(Animation, RefreshInThePulseRestsTheButtonUntilTheNextTick) {
    applyRegionStates(0, 1, 0);
    finishFlash();
    hover(RegionExit);
    levels(4, RegionExit);
    ASSERT_EQ(regionLevel[RegionExit], 11);
    applyRegionStates(0, 1, 0);
    EXPECT_EQ(regionLevel[RegionExit], 8);
    EXPECT_EQ(animationTick(), 1) << "the next tick puts the pulse back and repaints";
    EXPECT_EQ(regionLevel[RegionExit], 12);
}

// Above 96 DPI the picture is drawn round(dpi / 96) times as large, and a client point
// falls in the region its picture point lies in.
TEST(Scale, FollowsTheDisplayAndMapsClientPointsToThePicture) {
    for (auto [dpi, scale] : std::vector<std::pair<int, int>>{{0, 1}, {96, 1}, {120, 1}, {143, 1}, {144, 2},
                                                              {192, 2}, {239, 2}, {240, 3}, {288, 3}})
        EXPECT_EQ(launcherScale(dpi), scale) << dpi;
    EXPECT_EQ(regionAtScaled(2 * 17, 2 * 141, 2), RegionInstall);
    EXPECT_EQ(regionAtScaled(2 * 118 + 1, 2 * 170 + 1, 2), RegionInstall) << "both pixels of the last column";
    EXPECT_EQ(regionAtScaled(2 * 119, 2 * 141, 2), RegionNone);
    EXPECT_EQ(regionAtScaled(60, 300, 2), RegionInstall) << "Exit's point at 96 DPI lies in Install at 192";
    EXPECT_EQ(regionAtScaled(3 * 60, 3 * 300, 3), RegionExit);
    EXPECT_EQ(regionAtScaled(-1, 2 * 141, 2), RegionNone);
}

// Tab and the arrows walk the lit buttons round the five; the mouse on another button
// takes the pulse from the mark.
TEST_F(Animation, KeyboardMarkVisitsLitButtonsOnlyAndPulsesLikeAHoveredOne) {
    applyRegionStates(0, 1, 0);  // Install and Exit lit
    EXPECT_EQ(moveKeyboardRegion(1), RegionInstall) << "from no mark to the first lit";
    EXPECT_EQ(moveKeyboardRegion(1), RegionExit);
    EXPECT_EQ(moveKeyboardRegion(1), RegionInstall) << "round the end";
    EXPECT_EQ(moveKeyboardRegion(-1), RegionExit);
    keyboardRegion = 0;
    EXPECT_EQ(moveKeyboardRegion(-1), RegionExit) << "from no mark backwards to the last lit";
    finishFlash();
    EXPECT_EQ(levels(3, RegionExit), (std::vector<int>{8, 9, 10}));
    regionAt(60, 155);  // the mouse arrives on Install
    EXPECT_EQ(keyboardRegion, RegionNone);
    EXPECT_EQ(levels(2, RegionInstall), (std::vector<int>{8, 9}));
    EXPECT_EQ(regionLevel[RegionExit], 8);
    applyRegionStates(1, 1, 0);
    setRegionState(RegionExit, 0);
    keyboardRegion = 0;
    for (int id = 1; id <= RegionCount; ++id) setRegionState(id, 0);
    EXPECT_EQ(moveKeyboardRegion(1), RegionNone) << "nothing lit, no mark";
    for (auto [key, id] : std::vector<std::pair<int, int>>{{'i', 1}, {'D', 2}, {'p', 3}, {'U', 4}, {'x', 5}, {'e', 0},
                                                           {0x69 - 0x20, 1}, {'1', 0}})
        EXPECT_EQ(accessKeyRegion(key), id) << key;
}

TEST(Centring, InTheWorkAreaOrAtItsEdge) {
    int32_t x = -1, y = -1;
    centreInWorkArea(0, 0, 800, 600, 490, 380, &x, &y);
    EXPECT_EQ(x, 155);
    EXPECT_EQ(y, 110);
    centreInWorkArea(0, 0, 400, 300, 490, 380, &x, &y);
    EXPECT_EQ(x, 0);
    EXPECT_EQ(y, 0);
    centreInWorkArea(100, 30, 1124, 798, 490, 380, &x, &y);  // a task bar on the left and top
    EXPECT_EQ(x, 367);
    EXPECT_EQ(y, 224);
    centreInWorkArea(0, 0, 491, 381, 490, 380, &x, &y);
    EXPECT_EQ(x, 0) << "the odd pixel is dropped";
    EXPECT_EQ(y, 0);
}

}  // namespace
