// Version flags, colour count and processor test of the system profile.
#include "app/profile_logic.h"

VersionFlags versionFlags(uint32_t platformId, uint32_t majorVersion, uint32_t minorVersion) {
    VersionFlags flags;
    flags.winNt4OrLater = (platformId == PlatformWin32Nt && majorVersion >= 4) ? 1 : 0;
    flags.win95OrLater = (platformId == PlatformWin32Windows && majorVersion >= 4) ? 1 : 0;
    flags.windowsVersion = (majorVersion << 16) | (minorVersion & 0xFFFFu);
    return flags;
}

uint32_t coloursFromDeviceCaps(uint32_t bitsPerPixel, uint32_t planes) {
    uint32_t perPlane = bitsPerPixel <= 24 ? (1u << bitsPerPixel) : 16777216u;
    return perPlane * planes;
}

int processorTypeSupported(uint32_t processorType) {
    // 386 and 486 are PROCESSOR_INTEL_386 and PROCESSOR_INTEL_486; every other
    // type, non-Intel ones included, runs the game.
    return (processorType == 386 || processorType == 486) ? 0 : 1;
}
