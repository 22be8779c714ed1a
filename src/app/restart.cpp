// System restart: NT needs the shutdown privilege and a shutdown request of its
// own; every platform is then asked to close its programs and reboot.
#include "app/restart.h"

#include <windows.h>

#include "app/scoped_handles.h"
#include "app/system_entry.h"
#include "app/system_profile.h"

void restartWindows() {
    if (systemProfile.winNt4OrLater) {
        HANDLE rawToken = nullptr;
        OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &rawToken);
        KernelHandle token(rawToken);
        TOKEN_PRIVILEGES privileges = {};
        LookupPrivilegeValueA(nullptr, "SeShutdownPrivilege", &privileges.Privileges[0].Luid);
        privileges.PrivilegeCount = 1;
        privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
        AdjustTokenPrivileges(token.get(), FALSE, &privileges, 0, nullptr, nullptr);
        // Looked up, not imported: it is NT's, and Windows 95 must still start.
        typedef BOOL(WINAPI * ShutdownEntry)(char*, char*, DWORD, BOOL, BOOL);
        ShutdownEntry shutdown = systemEntry<ShutdownEntry>("advapi32.dll", "InitiateSystemShutdownA");
        if (shutdown != nullptr) shutdown(nullptr, nullptr, 0, FALSE, TRUE);
        privileges.Privileges[0].Attributes = 0;
        AdjustTokenPrivileges(token.get(), FALSE, &privileges, 0, nullptr, nullptr);
    }
    // Not forced: running programs are asked and may refuse, and then the player
    // restarts by hand.
    ExitWindowsEx(EWX_REBOOT, 0);
}
