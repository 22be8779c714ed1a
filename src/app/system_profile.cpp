// The probe of the machine and the on-demand queries of the system profile.
#include "app/system_profile.h"

#include <string.h>
#include <windows.h>

#include "app/bounded_format.h"
#include "app/command_line.h"
#include "app/install_record.h"
#include "app/instance_marker.h"
#include "app/product.h"
#include "app/profile_logic.h"
#include "app/registry_text.h"
#include "app/scoped_handles.h"
#include "app/system_entry.h"

SystemProfile systemProfile;

namespace {
// Full generic access to the service control manager is what an administrator has.
// Looked up, not imported: the service manager is NT's, and Windows 95 must start.
int userIsAdministrator() {
    typedef SC_HANDLE(WINAPI * OpenManagerEntry)(const char*, const char*, DWORD);
    typedef BOOL(WINAPI * CloseEntry)(SC_HANDLE);
    OpenManagerEntry openManager = systemEntry<OpenManagerEntry>("advapi32.dll", "OpenSCManagerA");
    CloseEntry close = systemEntry<CloseEntry>("advapi32.dll", "CloseServiceHandle");
    if (openManager == nullptr || close == nullptr) return 0;
    SC_HANDLE manager = openManager(nullptr, nullptr, GENERIC_READ | GENERIC_WRITE | GENERIC_EXECUTE);
    if (manager == nullptr) return 0;
    close(manager);
    return 1;
}
// The NT version Windows' own setup recorded, or 0 where there is none (the Windows 95
// family has no such value). Windows 10 and later keep "6.3" for old programs and the
// real numbers beside it.
uint32_t registryNtVersion() {
    RegKey key;
    if (!openNativeKey("Software\\Microsoft\\Windows NT\\CurrentVersion", KEY_QUERY_VALUE, key)) return 0;
    DWORD major = 0, minor = 0, size = sizeof major;
    if (RegQueryValueExA(key.get(), "CurrentMajorVersionNumber", nullptr, nullptr, reinterpret_cast<BYTE*>(&major),
                         &size) == ERROR_SUCCESS && size == sizeof major && major > 0 && major < 0x10000) {
        size = sizeof minor;
        if (RegQueryValueExA(key.get(), "CurrentMinorVersionNumber", nullptr, nullptr, reinterpret_cast<BYTE*>(&minor),
                             &size) != ERROR_SUCCESS || size != sizeof minor || minor >= 0x10000)
            minor = 0;
        return (major << 16) | minor;
    }
    char text[TextBufferSize] = {};
    return queryRegistryText(key.get(), "CurrentVersion", text) ? versionFromText(text) : 0;
}
}  // namespace

int windowsDirectory(char* out) {
    DWORD length = GetWindowsDirectoryA(out, TextBufferSize);
    if (length > 0 && length < TextBufferSize) return 1;
    out[0] = '\0';
    return 0;
}

int pathExists(const char* path) {
    return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES ? 1 : 0;
}

int probe(const char* commandTail) {
    OSVERSIONINFOA version;
    memset(&version, 0, sizeof version);
    version.dwOSVersionInfoSize = sizeof version;  // 148
    GetVersionExA(&version);
    // A compatibility mode ("Run this program in compatibility mode for Windows 95") has
    // GetVersionEx name an older system; what the program does follows the system it is on.
    VersionFlags flags = systemVersionFlags(
        versionFlags(version.dwPlatformId, version.dwMajorVersion, version.dwMinorVersion), registryNtVersion());
    systemProfile.winNt4OrLater = flags.winNt4OrLater;
    systemProfile.win95OrLater = flags.win95OrLater;
    systemProfile.windowsVersion = flags.windowsVersion;

    systemProfile.restartRequested = 0;
    systemProfile.uninstallMode = scanCommandLine(commandTail);
    systemProfile.anotherInstance = InstanceMarker::acquire();

    MEMORYSTATUS memory;
    memset(&memory, 0, sizeof memory);
    memory.dwLength = sizeof memory;
    GlobalMemoryStatus(&memory);
    systemProfile.physicalMemory = static_cast<uint32_t>(memory.dwTotalPhys);

    systemProfile.sourcePresent = pathExists(GameExecutableOnCd);

    SYSTEM_INFO system;
    memset(&system, 0, sizeof system);
    GetSystemInfo(&system);
    systemProfile.processorSupported = processorTypeSupported(system.dwProcessorType);

    // Only Windows NT has rights to test; every other platform lets anyone install.
    systemProfile.administrator = systemProfile.winNt4OrLater ? userIsAdministrator() : 1;

    // The DirectX 5 update is for Windows 95 (4.0) only, and only with its library at hand.
    systemProfile.directXOffered =
        (systemProfile.win95OrLater && systemProfile.windowsVersion == 0x40000) ? 1 : 0;
    if (!directXSetupPresent()) systemProfile.directXOffered = 0;
    return 1;
}

uint32_t displayColours() {
    WindowDC screen(nullptr);
    int bitsPerPixel = GetDeviceCaps(screen.get(), BITSPIXEL);
    int planes = GetDeviceCaps(screen.get(), PLANES);
    return coloursFromDeviceCaps(static_cast<uint32_t>(bitsPerPixel), static_cast<uint32_t>(planes));
}

int gameInstalled() {
    return installState();
}

int directXSetupPresent() {
    if (pathExists("directx\\dsetup.dll")) return 1;
    return pathExists("\\directx\\dsetup.dll");
}
