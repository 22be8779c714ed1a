// The DirectX check and install.
#include "directx/directx_step.h"

#include "app/bounded_format.h"
#include "app/path_logic.h"
#include "app/scoped_handles.h"
#include "app/system_profile.h"
#include "directx/directx_logic.h"
#include "ui/dialog.h"

namespace {

typedef INT(WINAPI* GetVersionEntry)(DWORD* version, DWORD* revision);
typedef INT(WINAPI* SetupEntry)(HWND owner, LPSTR sourceFolder, DWORD flags);

const DWORD DirectXFlags = 0x10018;  // DSETUP_DXCORE | DSETUP_DDRAWDRV | DSETUP_DSOUNDDRV

// Loads dsetup.dll from the current directory by its full path: a bare name would
// find a dsetup.dll in the system folder first on Windows XP SP2 and later.
bool loadFromCurrentDirectory(LoadedLibrary& library) {
    char folder[TextBufferSize] = {};
    char path[TextBufferSize] = {};
    DWORD length = GetCurrentDirectoryA(sizeof folder, folder);
    if (length == 0 || length >= sizeof folder) return false;
    if (!joinPath(path, folder, "dsetup.dll")) return false;
    library.reset(LoadLibraryExA(path, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH));
    return library.loaded();
}

int ask(HWND owner, const char* text, UINT style) {
    return showNotice(owner, text, style) == IDYES;
}

// Runs the whole step with the current directory as it finds it; the caller restores it.
int updateDirectX(HWND owner, int afterInstall) {
    LoadedLibrary library;
    if (!SetCurrentDirectoryA("directx")) return -1;
    if (!loadFromCurrentDirectory(library)) {
        if (!SetCurrentDirectoryA("\\directx") || !loadFromCurrentDirectory(library)) return -1;
    }
    GetVersionEntry getVersion = library.entry<GetVersionEntry>("DirectXSetupGetVersion");
    if (getVersion == nullptr) return -1;
    DWORD version = 0, revision = 0;
    int known = getVersion(&version, &revision);
    int32_t installed = static_cast<int32_t>(version & 0xFFFF);
    if (!known || installed == 0) {
        char system[TextBufferSize] = {};
        char ddraw[TextBufferSize] = {};
        GetSystemDirectoryA(system, sizeof system);
        int found = joinPath(ddraw, system, "ddraw.dll") && pathExists(ddraw);
        installed = found ? 0 : -1;
    }

    char text[TextBufferSize] = {};
    switch (decideDirectX(installed, afterInstall)) {
    case InstallWithoutAsking:
        break;
    case AskOldVersion:
        formatText(text, sizeof text,
                   "An old version of DirectX is installed on this computer.\n\n"
                   "It is recommended that you install DirectX %d, do you want to?",
                   DirectXTargetVersion);
        if (!ask(owner, text, MB_YESNO | MB_ICONQUESTION)) return 0;
        break;
    case AskVersionYesDefault:
    case AskVersionNoDefault: {
        formatText(text, sizeof text, "DirectX %d is installed on this computer.\n\nDo you want to install DirectX %d ?",
                   static_cast<int>(installed), DirectXTargetVersion);
        UINT style = MB_YESNO | MB_ICONQUESTION;
        if (static_cast<uint32_t>(installed) >= DirectXTargetVersion) style |= MB_DEFBUTTON2;
        if (!ask(owner, text, style)) return 0;
        break;
    }
    case LeaveQuietly:
        return 0;
    }

    SetupEntry setup = library.entry<SetupEntry>("DirectXSetupA");
    if (setup == nullptr) setup = library.entry<SetupEntry>("DirectXSetup");
    if (setup == nullptr) return -1;
    char folder[TextBufferSize] = {};
    GetCurrentDirectoryA(sizeof folder, folder);
    INT result = setup(owner, folder, DirectXFlags);
    if (result == 1) {
        if (ask(owner, "It is highly recommended that you reboot your\ncomputer now, to finish the DirectX install.\n\n"
                       "Do you want to reboot now?",
                MB_YESNO | MB_ICONWARNING))
            systemProfile.restartRequested = 1;
    } else if (result != 0) {
        return -1;
    }
    systemProfile.directXOffered = 0;
    return 1;
}

}  // namespace

int runDirectXStep(HWND owner, int afterInstall) {
    char savedDirectory[TextBufferSize] = {};
    GetCurrentDirectoryA(sizeof savedDirectory, savedDirectory);
    int outcome = updateDirectX(owner, afterInstall);
    // The library is freed by now; the question comes after, like every error exit.
    if (outcome < 0) showNotice(owner, "DirectX could not be installed, Vorlex may not work!", MB_ICONERROR);
    SetCurrentDirectoryA(savedDirectory);
    return outcome > 0 ? 1 : 0;
}
