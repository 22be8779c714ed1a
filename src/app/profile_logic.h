// The arithmetic of the system profile: Windows version flags and the colour count.
// No Windows header here, so the host tests run it.
#pragma once
#include <stdint.h>

enum { PlatformWin32Windows = 1, PlatformWin32Nt = 2 };

struct VersionFlags {
    int32_t winNt4OrLater;
    int32_t win95OrLater;
    uint32_t windowsVersion;  // major in the high 16 bits, minor in the low 16
};

VersionFlags versionFlags(uint32_t platformId, uint32_t majorVersion, uint32_t minorVersion);

// The version a registry text such as "6.3" names, major in the high 16 bits; 0 for any
// other text.
uint32_t versionFromText(const char* text);
// The system as it is, from what GetVersionEx reported and the NT version the registry
// holds (0 where it holds none, as on the Windows 95 family). A compatibility mode makes
// GetVersionEx answer with an older system, never a newer one, and leaves the registry as
// Windows' setup wrote it: an NT version there is the system's, unless the report is a
// later NT still.
VersionFlags systemVersionFlags(VersionFlags reported, uint32_t registryNtVersion);

// Colours the display shows at once for the device's bits per pixel and planes;
// modes deeper than 24 bits count as 2^24 colours per plane.
uint32_t coloursFromDeviceCaps(uint32_t bitsPerPixel, uint32_t planes);

// A processor type that is too old for the game (a 386 or a 486).
int processorTypeSupported(uint32_t processorType);
