// The removal engine (see removal.h).
#include "uninstall/removal.h"

#include <commctrl.h>
#include <string.h>

#include "app/bounded_format.h"
#include "app/install_record.h"
#include "app/path_logic.h"
#include "app/registry_text.h"
#include "app/system_entry.h"
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
// Program Files (a screenshot of the game's) in the VirtualStore of the account it ran as, by
// the folder's path without its drive: "<local>\VirtualStore\Program Files (x86)\Vorlex".
// The install's files go from there too, and the folder once emptied; the player's own stay.
void removeStoreCopies(const char* local, const char* installFolder, int* flags) {
    char store[TextBufferSize] = {};
    if (!formatText(store, sizeof store, "%s\\VirtualStore%s", local, installFolder + 2)) return;
    int before = *flags;
    forEachInstallFile(installManifest, [&](const char* name) { tally(removeFile(nullptr, store, name), flags); });
    if (!RemoveDirectoryA(store) && *flags != before) deferFolderDeletion(store);
}

// local as the key the list of stores done is compared by: the path as Windows reads it, its case folded.
int storeKey(char* out, const char* local) {
    if (!normalisePath(out, TextBufferSize, local, strlen(local), systemLeadByte)) return 0;
    foldCase(out, strlen(out));
    return 1;
}

typedef DWORD(WINAPI* ExpandEntry)(const char*, char*, DWORD);

// "<profile>\AppData\Local" of the profile sid of the system's list into local[TextBufferSize];
// 1 when known. The list keeps the path as typed ("%SystemDrive%\Users\..."): expanded here.
int profileLocalFolder(HKEY list, const char* sid, ExpandEntry expand, char* local) {
    RegKey profile;
    char stored[TextBufferSize] = {};
    char folder[TextBufferSize] = {};
    if (RegOpenKeyExA(list, sid, 0, KEY_QUERY_VALUE, profile.out()) != ERROR_SUCCESS ||
        !queryRegistryText(profile.get(), "ProfileImagePath", stored))
        return 0;
    DWORD length = expand(stored, folder, sizeof folder);
    return length != 0 && length <= sizeof folder && joinPath(local, folder, "AppData\\Local", systemLeadByte);
}

// The game ran as the player, and setup may run as another account: the administrator whose
// name and password a standard user typed at the elevation prompt, or the separate account of
// Windows 11's Administrator protection. So every profile the system lists is visited, and the
// running account's own local folder where it lies outside them. Windows 95 and 98 list no
// such profiles and have no VirtualStore; the calls they may lack are looked up.
void removeVirtualStoreCopies(const char* installFolder, int* flags) {
    if (installFolder[0] == '\0' || installFolder[1] != ':') return;
    typedef LONG(WINAPI * EnumKeyEntry)(HKEY, DWORD, char*, DWORD*, DWORD*, char*, DWORD*, FILETIME*);
    EnumKeyEntry enumKey = systemEntry<EnumKeyEntry>("advapi32.dll", "RegEnumKeyExA");
    ExpandEntry expand = systemEntry<ExpandEntry>("kernel32.dll", "ExpandEnvironmentStringsA");
    char own[TextBufferSize] = {};
    char ownKey[TextBufferSize] = {};
    DWORD length = GetEnvironmentVariableA("LOCALAPPDATA", own, sizeof own);
    int ownDone = length == 0 || length >= sizeof own || !storeKey(ownKey, own);
    RegKey list;
    if (enumKey != nullptr && expand != nullptr &&
        openNativeKey("Software\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList", KEY_READ, list)) {
        char sid[256] = {};
        for (DWORD index = 0, size = sizeof sid;
             enumKey(list.get(), index, sid, &size, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
             ++index, size = sizeof sid) {
            char local[TextBufferSize] = {};
            char key[TextBufferSize] = {};
            if (!profileLocalFolder(list.get(), sid, expand, local) || !storeKey(key, local)) continue;
            if (strcmp(key, ownKey) == 0) ownDone = 1;
            removeStoreCopies(local, installFolder, flags);
        }
    }
    if (!ownDone) removeStoreCopies(own, installFolder, flags);
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
        removeVirtualStoreCopies(installFolder, &flags);
    }
    if (deferred != nullptr) *deferred = flags;
    deleteInstallKeys();
    return deleteUninstallEntry();
}

int undoInstall(HWND progressBar, char* notice, int* flags) {
    char path[TextBufferSize] = {};
    char setup[TextBufferSize] = {};
    readInstallRecord(path, setup);  // values that cannot be read stay empty
    int deferred = 0;
    int result = removeInstallation(progressBar, path, &deferred);
    if (flags != nullptr) *flags = deferred;
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
