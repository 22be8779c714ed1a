// Start-up and mode selection.
#include "app/setup_app.h"

#include <commctrl.h>

#include "app/bounded_format.h"
#include "app/instance_marker.h"
#include "app/path_logic.h"
#include "app/restart.h"
#include "app/system_profile.h"
#include "launcher/launcher_dialog.h"
#include "uninstall/uninstall_dialog.h"

namespace {

// No library may come from the current directory (the CD, or wherever the player was)
// by accident. SetDllDirectoryA("") takes it off the search path; it is looked up at run
// time because Windows 95 does not have it and must still start.
void keepDllsOffTheSearchPath() {
    typedef BOOL(WINAPI * SetDllDirectoryEntry)(const char*);
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    SetDllDirectoryEntry setDllDirectory = reinterpret_cast<SetDllDirectoryEntry>(
        reinterpret_cast<void*>(GetProcAddress(kernel, "SetDllDirectoryA")));
    if (setDllDirectory != nullptr) setDllDirectory("");
}

}  // namespace

int SetupApp::initInstance() {
    // A probe of a drive without media must not raise the system's error box.
    SetErrorMode(SetErrorMode(0) | SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    keepDllsOffTheSearchPath();

    char modulePath[TextBufferSize] = {};
    char folder[TextBufferSize] = {};
    DWORD length = GetModuleFileNameA(instance_, modulePath, sizeof modulePath);
    // A path that filled the buffer may be cut short: stay where we were started
    // rather than move into some other folder.
    if (length > 0 && length < sizeof modulePath && moduleFolder(modulePath, folder, sizeof folder))
        SetCurrentDirectoryA(folder);  // the CD's data and directx folders are relative to it

    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_WIN95_CLASSES | ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&controls);

    probe(commandTail_);
    if (!systemProfile.anotherInstance) {
        if (systemProfile.uninstallMode == 'U') {
            UninstallDialog dialog;
            dialog.runModal();
        } else {
            LauncherDialog dialog;
            dialog.runModal();
        }
    }
    InstanceMarker::release();
    if (systemProfile.restartRequested) restartWindows();
    return 0;
}
