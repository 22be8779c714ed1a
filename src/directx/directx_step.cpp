// The DirectX check and install.
#include "directx/directx_step.h"

#include "app/bounded_format.h"
#include "app/path_logic.h"
#include "app/system_text.h"
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
    if (!joinPath(path, folder, "dsetup.dll", systemLeadByte)) return false;
    library.reset(LoadLibraryExA(path, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH));
    return library.loaded();
}

int ask(HWND owner, const char* text, UINT style) {
    return showNotice(owner, text, style) == IDYES;
}

// How the step ended: the setup ran and reported success; nothing was done (the player
// said No, or there was nothing to do); or it failed, which the player is told.
enum DirectXOutcome { DirectXUpdated, DirectXLeftAlone, DirectXFailed };

// The setup library from the CD's directx folder, else from the root of the current
// drive; the current directory is left in the folder it came from.
bool loadSetupLibrary(LoadedLibrary& library) {
    if (!SetCurrentDirectoryA("directx")) return false;
    if (loadFromCurrentDirectory(library)) return true;
    return SetCurrentDirectoryA("\\directx") && loadFromCurrentDirectory(library);
}

// 1 when DirectDraw is in the system folder: some DirectX is there, whose release
// its setup library does not report.
int directDrawPresent() {
    char system[TextBufferSize] = {};
    char ddraw[TextBufferSize] = {};
    UINT length = GetSystemDirectoryA(system, sizeof system);
    if (length == 0 || length >= sizeof system) return 0;
    return joinPath(ddraw, system, "ddraw.dll", systemLeadByte) && pathExists(ddraw);
}

// The installed release as the decision table takes it: -1 for none, 0 for one too
// old to report its number. False when the library cannot tell.
bool installedDirectX(const LoadedLibrary& library, int32_t* installed) {
    GetVersionEntry getVersion = library.entry<GetVersionEntry>("DirectXSetupGetVersion");
    if (getVersion == nullptr) return false;
    DWORD version = 0, revision = 0;
    int known = getVersion(&version, &revision);
    *installed = static_cast<int32_t>(version & 0xFFFF);
    if (!known || *installed == 0) *installed = directDrawPresent() ? 0 : -1;
    return true;
}

// Asks the player when the decision table says so. True when the setup is to run.
bool playerWantsDirectX(HWND owner, int32_t installed, int afterInstall) {
    char text[TextBufferSize] = {};
    switch (decideDirectX(installed, afterInstall)) {
    case InstallWithoutAsking:
        return true;
    case AskOldVersion:
        formatText(text, sizeof text,
                   "An old version of DirectX is installed on this computer.\n\n"
                   "It is recommended that you install DirectX %d, do you want to?",
                   DirectXTargetVersion);
        return ask(owner, text, MB_YESNO | MB_ICONQUESTION);
    case AskVersionYesDefault:
    case AskVersionNoDefault: {
        formatText(text, sizeof text, "DirectX %d is installed on this computer.\n\nDo you want to install DirectX %d ?",
                   static_cast<int>(installed), DirectXTargetVersion);
        UINT style = MB_YESNO | MB_ICONQUESTION;
        if (static_cast<uint32_t>(installed) >= DirectXTargetVersion) style |= MB_DEFBUTTON2;
        return ask(owner, text, style);
    }
    case LeaveQuietly:
        break;
    }
    return false;
}

// Runs the redistributable's setup from the current directory, and asks about the
// restart it may need.
DirectXOutcome runSetup(HWND owner, const LoadedLibrary& library) {
    SetupEntry setup = library.entry<SetupEntry>("DirectXSetupA");
    if (setup == nullptr) setup = library.entry<SetupEntry>("DirectXSetup");
    if (setup == nullptr) return DirectXFailed;
    char folder[TextBufferSize] = {};
    GetCurrentDirectoryA(sizeof folder, folder);
    INT result = setup(owner, folder, DirectXFlags);
    if (result == 1) {
        if (ask(owner, "It is highly recommended that you reboot your\ncomputer now, to finish the DirectX install.\n\n"
                       "Do you want to reboot now?",
                MB_YESNO | MB_ICONWARNING))
            systemProfile.restartRequested = 1;
    } else if (result != 0) {
        return DirectXFailed;
    }
    systemProfile.directXOffered = 0;
    return DirectXUpdated;
}

// The whole step, with the library held until it returns.
DirectXOutcome updateDirectX(HWND owner, int afterInstall) {
    LoadedLibrary library;
    int32_t installed = -1;
    if (!loadSetupLibrary(library) || !installedDirectX(library, &installed)) return DirectXFailed;
    if (!playerWantsDirectX(owner, installed, afterInstall)) return DirectXLeftAlone;
    return runSetup(owner, library);
}

}  // namespace

int runDirectXStep(HWND owner, int afterInstall) {
    CurrentDirectoryGuard guard;
    DirectXOutcome outcome = updateDirectX(owner, afterInstall);
    // The library is freed by now; the message comes after, like every error exit.
    if (outcome == DirectXFailed) showNotice(owner, "DirectX could not be installed, Vorlex may not work!", MB_ICONERROR);
    return outcome == DirectXUpdated ? 1 : 0;
}
