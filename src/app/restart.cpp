// System restart: NT needs the shutdown privilege and a shutdown request of its
// own; every platform is then asked to close its programs and reboot.
#include "app/restart.h"

#include <windows.h>

#include "app/scoped_handles.h"
#include "app/system_entry.h"
#include "app/system_profile.h"

void restartWindows() {
    if (systemProfile.winNt4OrLater) {
        // NT's security calls are looked up, not imported: Windows 95 must start
        // whatever its advapi32.dll exports.
        typedef BOOL(WINAPI * OpenTokenEntry)(HANDLE, DWORD, HANDLE*);
        typedef BOOL(WINAPI * LookupEntry)(const char*, const char*, LUID*);
        typedef BOOL(WINAPI * AdjustEntry)(HANDLE, BOOL, TOKEN_PRIVILEGES*, DWORD, TOKEN_PRIVILEGES*, DWORD*);
        typedef BOOL(WINAPI * ShutdownEntry)(char*, char*, DWORD, BOOL, BOOL);
        OpenTokenEntry openToken = systemEntry<OpenTokenEntry>("advapi32.dll", "OpenProcessToken");
        LookupEntry lookUp = systemEntry<LookupEntry>("advapi32.dll", "LookupPrivilegeValueA");
        AdjustEntry adjust = systemEntry<AdjustEntry>("advapi32.dll", "AdjustTokenPrivileges");
        ShutdownEntry shutdown = systemEntry<ShutdownEntry>("advapi32.dll", "InitiateSystemShutdownA");
        HANDLE rawToken = nullptr;
        if (openToken != nullptr && lookUp != nullptr && adjust != nullptr &&
            openToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &rawToken)) {
            KernelHandle token(rawToken);
            TOKEN_PRIVILEGES privileges = {};
            lookUp(nullptr, "SeShutdownPrivilege", &privileges.Privileges[0].Luid);
            privileges.PrivilegeCount = 1;
            privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
            adjust(token.get(), FALSE, &privileges, 0, nullptr, nullptr);
            if (shutdown != nullptr) shutdown(nullptr, nullptr, 0, FALSE, TRUE);
            privileges.Privileges[0].Attributes = 0;
            adjust(token.get(), FALSE, &privileges, 0, nullptr, nullptr);
        }
    }
    // Not forced: running programs are asked and may refuse, and then the player
    // restarts by hand.
    ExitWindowsEx(EWX_REBOOT, 0);
}
