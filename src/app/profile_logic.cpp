// Version flags, colour count and processor test of the system profile.
#include "app/profile_logic.h"

VersionFlags versionFlags(uint32_t platformId, uint32_t majorVersion, uint32_t minorVersion) {
    VersionFlags flags;
    flags.winNt4OrLater = (platformId == PlatformWin32Nt && majorVersion >= 4) ? 1 : 0;
    flags.win95OrLater = (platformId == PlatformWin32Windows && majorVersion >= 4) ? 1 : 0;
    flags.windowsVersion = (majorVersion << 16) | (minorVersion & 0xFFFFu);
    return flags;
}

uint32_t versionFromText(const char* text) {
    uint32_t part[2] = {0, 0};
    for (int i = 0; i < 2; ++i) {
        if (*text < '0' || *text > '9') return 0;
        while (*text >= '0' && *text <= '9' && part[i] < 0x10000u) part[i] = part[i] * 10 + static_cast<uint32_t>(*text++ - '0');
        if (i == 0 && *text++ != '.') return 0;
    }
    return *text == '\0' && part[0] < 0x10000u && part[1] < 0x10000u ? (part[0] << 16) | part[1] : 0;
}

VersionFlags systemVersionFlags(VersionFlags reported, uint32_t registryNtVersion) {
    if (registryNtVersion == 0 || (reported.winNt4OrLater && reported.windowsVersion >= registryNtVersion))
        return reported;
    return versionFlags(PlatformWin32Nt, registryNtVersion >> 16, registryNtVersion & 0xFFFFu);
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
