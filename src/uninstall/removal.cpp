// The removal engine (see removal.h).
#include "uninstall/removal.h"

#include <commctrl.h>

#include "app/bounded_format.h"
#include "app/install_record.h"
#include "app/path_logic.h"
#include "app/system_text.h"
#include "app/scoped_handles.h"
#include "install/install_manifest.h"
#include "install/shortcuts.h"
#include "uninstall/deferred_delete.h"

namespace {

const char* const FilesInUseNotice = "Some files of Vorlex are in use and will be removed when Windows restarts.";
const char* const FilesLeftNotice =
    "Some files of Vorlex are in use and could not be removed.\n\nPlease delete them once the game has ended.";

// Deletes one named file of the install folder, read-only or not, and steps the bar
// whether or not there was anything to delete. A file in use (the running game, the
// archive it holds open) goes at the next start of Windows instead: DeferredDelete's result.
int removeFile(HWND progressBar, const char* installFolder, const char* name) {
    char path[TextBufferSize] = {};
    // A path that does not fit is not acted on: a cut one could name another file.
    int deferred = joinPath(path, installFolder, name, systemLeadByte) ? DeferredDelete(path) : 0;
    if (progressBar != nullptr) SendMessageA(progressBar, PBM_STEPIT, 0, 0);
    return deferred;
}

void tally(int result, int* deferred) {
    if (result > 0) *deferred |= RemovalPutOff;
    if (result < 0) *deferred |= RemovalLeft;
}

// Windows Vista and later keep what an unelevated program writes into its folder under
// Program Files (a screenshot of the game's) in the player's VirtualStore, by the folder's
// path without its drive: "%LOCALAPPDATA%\VirtualStore\Program Files (x86)\Vorlex". The
// install's files go from there too, and the folder once emptied; the player's own stay.
void removeVirtualStoreCopies(const char* installFolder) {
    char local[TextBufferSize] = {};
    char store[TextBufferSize] = {};
    DWORD length = GetEnvironmentVariableA("LOCALAPPDATA", local, sizeof local);
    if (length == 0 || length >= sizeof local || installFolder[0] == '\0' || installFolder[1] != ':' ||
        !formatText(store, sizeof store, "%s\\VirtualStore%s", local, installFolder + 2))
        return;
    forEachInstallFile(installManifest, [&](const char* name) { removeFile(nullptr, store, name); });
    RemoveDirectoryA(store);
}

}  // namespace

int removeInstallation(HWND progressBar, const char* installFolder, int* deferred) {
    int flags = 0;
    const InstallManifest& plan = installManifest;
    if (progressBar != nullptr) {
        unsigned total = 0;
        forEachInstallFile(plan, [&](const char*) { ++total; });
        SendMessageA(progressBar, PBM_SETRANGE, 0, MAKELPARAM(0, static_cast<WORD>(total)));
        SendMessageA(progressBar, PBM_SETSTEP, 1, 0);
        SendMessageA(progressBar, PBM_SETPOS, 0, 0);
    }
    char group[TextBufferSize] = {};
    readShortcutGroup(group);  // none recorded: the current user's group, as it always was
    removeShortcuts(group);

    if (installFolder[0] != '\0') {
        forEachInstallFile(plan, [&](const char* name) { tally(removeFile(progressBar, installFolder, name), &flags); });

        const char* const* last = plan.subfolders;
        while (*last != nullptr) ++last;
        while (last != plan.subfolders) {
            --last;
            char path[TextBufferSize] = {};
            if (joinPath(path, installFolder, *last, systemLeadByte)) RemoveDirectoryA(path);
        }

        // The install folder may be the current directory (the game ran there): step
        // out of it for the removal, then back; never out without the way back.
        CurrentDirectoryGuard guard;
        if (guard.saved()) SetCurrentDirectoryA("..");
        // Emptied at the next start only once the files put off have gone, the folder
        // follows them there (where the system can: NT). A folder that still holds the
        // player's own files stays then too.
        if (!RemoveDirectoryA(installFolder) && (flags & RemovalPutOff)) deferFolderDeletion(installFolder);
        removeVirtualStoreCopies(installFolder);
    }
    if (deferred != nullptr) *deferred = flags;
    deleteInstallKeys();
    return deleteUninstallEntry();
}

int undoInstall(HWND progressBar, char* notice) {
    char path[TextBufferSize] = {};
    char setup[TextBufferSize] = {};
    readInstallRecord(path, setup);  // values that cannot be read stay empty
    int deferred = 0;
    int result = removeInstallation(progressBar, path, &deferred);
    int copyLeft = DeferredDelete(setup) < 0;
    if (notice == nullptr) return result;
    char copyNote[TextBufferSize] = {};
    // A copy whose name does not fit the notice is not named.
    if (copyLeft && !formatText(copyNote, sizeof copyNote, "The uninstaller %s could not be removed.\n\n"
                                "Please delete it once this window is closed.", setup))
        formatText(copyNote, sizeof copyNote, "The uninstaller in the Windows folder could not be removed.");
    const char* parts[] = {(deferred & RemovalPutOff) ? FilesInUseNotice : "",
                           (deferred & RemovalLeft) ? FilesLeftNotice : "", copyNote};
    notice[0] = '\0';
    for (const char* part : parts) {
        char joined[TextBufferSize] = {};
        if (part[0] != '\0' && formatText(joined, sizeof joined, "%s%s%s", notice, notice[0] ? "\n\n" : "", part))
            copyText(notice, TextBufferSize, joined);
    }
    return result;
}
