// The removal engine (see removal.h).
#include "uninstall/removal.h"

#include <commctrl.h>

#include "app/bounded_format.h"
#include "app/install_record.h"
#include "app/path_logic.h"
#include "app/scoped_handles.h"
#include "install/install_manifest.h"
#include "install/shortcuts.h"
#include "uninstall/deferred_delete.h"

const char* const FilesInUseNotice = "Some files of Vorlex are in use and will be removed when Windows restarts.";
const char* const FilesLeftNotice =
    "Some files of Vorlex are in use and could not be removed.\n\nPlease delete them once the game has ended.";

namespace {

// Deletes one named file of the install folder, read-only or not, and steps the bar
// whether or not there was anything to delete. A file in use (the running game, the
// archive it holds open) goes at the next start of Windows instead: DeferredDelete's result.
int removeFile(HWND progressBar, const char* installFolder, const char* name) {
    char path[TextBufferSize] = {};
    // A path that does not fit is not acted on: a cut one could name another file.
    int deferred = joinPath(path, installFolder, name) ? DeferredDelete(path) : 0;
    if (progressBar != nullptr) SendMessageA(progressBar, PBM_STEPIT, 0, 0);
    return deferred;
}

void tally(int result, int* putOff, int* left) {
    if (result > 0) *putOff = 1;
    if (result < 0) *left = 1;
}

}  // namespace

int removeInstallation(HWND progressBar, const char* installFolder, int* deferred) {
    int putOff = 0, left = 0;
    const InstallManifest& plan = installManifest;
    if (progressBar != nullptr) {
        unsigned total = 0;
        for (const FilePair* pair = plan.filePairs; pair->source != nullptr; ++pair) ++total;
        for (const char* const* extra = plan.extraFiles; *extra != nullptr; ++extra) ++total;
        SendMessageA(progressBar, PBM_SETRANGE, 0, MAKELPARAM(0, static_cast<WORD>(total)));
        SendMessageA(progressBar, PBM_SETSTEP, 1, 0);
        SendMessageA(progressBar, PBM_SETPOS, 0, 0);
    }
    char group[TextBufferSize] = {};
    readShortcutGroup(group);  // none recorded: the current user's group, as it always was
    removeShortcuts(group);

    if (installFolder[0] != '\0') {
        for (const FilePair* pair = plan.filePairs; pair->source != nullptr; ++pair)
            tally(removeFile(progressBar, installFolder, pair->destination), &putOff, &left);
        for (const char* const* extra = plan.extraFiles; *extra != nullptr; ++extra)
            tally(removeFile(progressBar, installFolder, *extra), &putOff, &left);

        const char* const* last = plan.subfolders;
        while (*last != nullptr) ++last;
        while (last != plan.subfolders) {
            --last;
            char path[TextBufferSize] = {};
            if (joinPath(path, installFolder, *last)) RemoveDirectoryA(path);
        }

        // The install folder may be the current directory (the game ran there): step
        // out of it for the removal, then back; never out without the way back.
        CurrentDirectoryGuard guard;
        if (guard.saved()) SetCurrentDirectoryA("..");
        // Emptied at the next start only once the files put off have gone, the folder
        // follows them there (where the system can: NT). A folder that still holds the
        // player's own files stays then too.
        if (!RemoveDirectoryA(installFolder) && putOff) deferFolderDeletion(installFolder);
    }
    if (deferred != nullptr) *deferred = left ? -1 : putOff;
    deleteInstallKeys();
    return deleteUninstallEntry();
}

int undoInstall(HWND progressBar, int* deferred) {
    char path[TextBufferSize] = {};
    char setup[TextBufferSize] = {};
    readInstallRecord(path, setup);  // values that cannot be read stay empty
    int result = removeInstallation(progressBar, path, deferred);
    if (DeferredDelete(setup) < 0 && deferred != nullptr) *deferred = -1;
    return result;
}
