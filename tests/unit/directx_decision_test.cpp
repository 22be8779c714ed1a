// The DirectX decision table.
#include <gtest/gtest.h>

#include "directx/directx_logic.h"

namespace {

TEST(DirectXDecision, EveryRowInBothModes) {
    for (int after : {0, 1}) {
        SCOPED_TRACE(after ? "after an install" : "at the player's request");
        EXPECT_EQ(decideDirectX(-1, after), InstallWithoutAsking);
        EXPECT_EQ(decideDirectX(0, after), AskOldVersion);
        for (int v = 1; v <= 4; ++v) EXPECT_EQ(decideDirectX(v, after), AskVersionYesDefault) << v;
    }
    for (int v : {5, 6, 9, 0xFFFF}) {
        EXPECT_EQ(decideDirectX(v, 0), AskVersionNoDefault) << v;
        EXPECT_EQ(decideDirectX(v, 1), LeaveQuietly) << v;
    }
}

TEST(DirectXDecision, NegativeReleasesCompareUnsigned) {
    // Only -1 means "no DirectX"; any other negative number is a huge release.
    EXPECT_EQ(decideDirectX(-2, 0), AskVersionNoDefault);
    EXPECT_EQ(decideDirectX(-2, 1), LeaveQuietly);
}

}  // namespace
