// Version flags, colour count and processor test of the system profile.
#include <gtest/gtest.h>

#include "app/profile_logic.h"
#include "launcher/play_logic.h"

namespace {

TEST(VersionFlags, Windows95And98AreThe95FamilyWithTheirVersions) {
    VersionFlags w95 = versionFlags(PlatformWin32Windows, 4, 0);
    EXPECT_EQ(w95.win95OrLater, 1);
    EXPECT_EQ(w95.winNt4OrLater, 0);
    EXPECT_EQ(w95.windowsVersion, 0x40000u);

    VersionFlags w98 = versionFlags(PlatformWin32Windows, 4, 10);
    EXPECT_EQ(w98.win95OrLater, 1);
    EXPECT_EQ(w98.windowsVersion, 0x4000Au);
}

TEST(VersionFlags, Nt4AndLaterAreNtAndNt351IsNeither) {
    VersionFlags nt4 = versionFlags(PlatformWin32Nt, 4, 0);
    EXPECT_EQ(nt4.winNt4OrLater, 1);
    EXPECT_EQ(nt4.win95OrLater, 0);
    EXPECT_EQ(nt4.windowsVersion, 0x40000u);

    VersionFlags win10 = versionFlags(PlatformWin32Nt, 10, 0);
    EXPECT_EQ(win10.winNt4OrLater, 1);
    EXPECT_EQ(win10.windowsVersion, 0xA0000u);

    VersionFlags nt351 = versionFlags(PlatformWin32Nt, 3, 51);
    EXPECT_EQ(nt351.winNt4OrLater, 0);
    EXPECT_EQ(nt351.win95OrLater, 0);
    EXPECT_EQ(nt351.windowsVersion, 0x30033u);
}

TEST(VersionFlags, UnreadableVersionGivesNoFlags) {
    VersionFlags none = versionFlags(0, 0, 0);
    EXPECT_EQ(none.winNt4OrLater, 0);
    EXPECT_EQ(none.win95OrLater, 0);
    EXPECT_EQ(none.windowsVersion, 0u);
    // Win32s is neither family.
    EXPECT_EQ(versionFlags(0, 4, 0).win95OrLater, 0);
}

TEST(VersionFlags, MinorVersionKeepsOnlyItsLow16Bits) {
    EXPECT_EQ(versionFlags(PlatformWin32Nt, 5, 0x12345).windowsVersion, 0x52345u);
}

TEST(DisplayColours, BitsPerPixelAndPlanes) {
    EXPECT_EQ(coloursFromDeviceCaps(8, 1), 256u);
    EXPECT_EQ(coloursFromDeviceCaps(15, 1), 32768u);
    EXPECT_EQ(coloursFromDeviceCaps(16, 1), 65536u);
    EXPECT_EQ(coloursFromDeviceCaps(24, 1), 16777216u);
    EXPECT_EQ(coloursFromDeviceCaps(32, 1), 16777216u);
    EXPECT_EQ(coloursFromDeviceCaps(4, 1), 16u);
    EXPECT_EQ(coloursFromDeviceCaps(1, 4), 8u);  // EGA: four planes of one bit
}

TEST(Processor, OnlyThe386And486AreTooOld) {
    EXPECT_EQ(processorTypeSupported(386), 0);
    EXPECT_EQ(processorTypeSupported(486), 0);
    EXPECT_EQ(processorTypeSupported(586), 1);
    EXPECT_EQ(processorTypeSupported(2200), 1);  // Itanium
    EXPECT_EQ(processorTypeSupported(0), 1);
}

}  // namespace

// Play goes through the desktop's shell only where running elevated makes a difference.
TEST(Play, ThroughTheShellOnlyWhenElevatedOnNt6AndLater) {
    struct Case { int nt; uint32_t version; int elevated; int shell; };
    for (Case c : {Case{1, 0x60000, 1, 1}, Case{1, 0xA0000, 1, 1}, Case{1, 0x60001, 0, 0}, Case{1, 0x50001, 1, 0},
                   Case{1, 0x40000, 1, 0}, Case{0, 0x4000A, 1, 0}, Case{0, 0x60000, 1, 0}})
        EXPECT_EQ(playThroughShell(c.nt, c.version, c.elevated), c.shell) << std::hex << c.version << " " << c.elevated;
}
