// Start-up and mode selection.
#include "app/setup_app.h"

#include <commctrl.h>

#include "app/bounded_format.h"
#include "app/instance_marker.h"
#include "app/path_logic.h"
#include "app/system_text.h"
#include "app/restart.h"
#include "app/system_entry.h"
#include "app/system_profile.h"
#include "launcher/launcher_dialog.h"
#include "uninstall/uninstall_dialog.h"

namespace {

// No library may come from the current directory (the CD, or wherever the player was)
// by accident. SetDllDirectoryA("") takes it off the search path; where the system can,
// the search is kept to the system folder, so not even a library a system DLL loads by
// its bare name can come from beside setup.exe. Windows 95 has neither and must still start.
void keepDllsOffTheSearchPath() {
    typedef BOOL(WINAPI * SetDllDirectoryEntry)(const char*);
    typedef BOOL(WINAPI * SetDefaultDllDirectoriesEntry)(DWORD);
    const DWORD SearchSystem32 = 0x00000800;  // LOAD_LIBRARY_SEARCH_SYSTEM32
    SetDllDirectoryEntry setDllDirectory = systemEntry<SetDllDirectoryEntry>("kernel32.dll", "SetDllDirectoryA");
    if (setDllDirectory != nullptr) setDllDirectory("");
    SetDefaultDllDirectoriesEntry setDefault =
        systemEntry<SetDefaultDllDirectoriesEntry>("kernel32.dll", "SetDefaultDllDirectories");
    if (setDefault != nullptr) setDefault(SearchSystem32);
}

// The 3-D look of dialogs and the progress bar's class. The common controls of Windows
// 95 and NT 4.0 (4.00) register every class at InitCommonControls and do not have the
// newer InitCommonControlsEx, which later ones want for some classes.
void initCommonControls() {
    typedef BOOL(WINAPI * InitCommonControlsExEntry)(const INITCOMMONCONTROLSEX*);
    InitCommonControlsExEntry initEx = systemEntry<InitCommonControlsExEntry>("comctl32.dll", "InitCommonControlsEx");
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_WIN95_CLASSES | ICC_PROGRESS_CLASS};
    if (initEx == nullptr || !initEx(&controls)) InitCommonControls();
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
    if (length > 0 && length < sizeof modulePath && moduleFolder(modulePath, folder, sizeof folder, systemLeadByte))
        SetCurrentDirectoryA(folder);  // the CD's data and directx folders are relative to it

    initCommonControls();

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
