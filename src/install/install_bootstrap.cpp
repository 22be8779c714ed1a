// The install bootstrap (see install_bootstrap.h).
#include "install/install_bootstrap.h"

#include "app/bounded_format.h"
#include "app/install_record.h"
#include "app/path_logic.h"
#include "app/system_text.h"
#include "app/scoped_handles.h"
#include "install/shortcuts.h"
#include "install/uninstaller_copy.h"
#include "uninstall/deferred_delete.h"

namespace {

// What the install will take on the disk, in KB rounded up: the sizes of the files it
// copies, as the CD's directory lists them (a file not found counts as nothing). Read
// from the directory, not by opening the files: the copy opens each once, and only then.
DWORD estimatedKilobytes(const InstallManifest& manifest) {
    DWORD kilobytes = 0;
    for (const FilePair* pair = manifest.filePairs; pair->source != nullptr; ++pair) {
        WIN32_FIND_DATAA found;
        HANDLE search = FindFirstFileA(pair->source, &found);
        if (search == INVALID_HANDLE_VALUE) continue;
        FindClose(search);
        kilobytes += found.nFileSizeLow / 1024 + (found.nFileSizeLow % 1024 != 0) + found.nFileSizeHigh * 4194304;
    }
    return kilobytes;
}

}  // namespace

const char* bootstrapInstall(HINSTANCE module, const char* installFolder, const InstallManifest& manifest) {
    char uninstaller[TextBufferSize] = {};
    const char* failure = nullptr;
    // The group is known before the record is written, so that the record names it; a
    // system without a Programs folder shows as a Start-menu failure, as it always did.
    char group[TextBufferSize] = {};
    shortcutGroupFolder(group);
    if (!makeUninstallerCopy(module, uninstaller)) failure = "Setup init error";
    else if (!writeInstallRecord(installFolder, uninstaller) || !writeShortcutGroup(group)) failure = "Install reg error";
    else if (group[0] == '\0' || !createShortcuts(group, installFolder, uninstaller)) failure = "Start menu error";
    else if (!writeUninstallEntry(uninstaller) || !writeUninstallDetails(installFolder, estimatedKilobytes(manifest)))
        failure = "Uninstall reg error";
    if (failure != nullptr) {
        // The uninstaller copy goes now: the record that would lead the clean-up to it
        // may not have been written.
        DeferredDelete(uninstaller);
        return failure;
    }
    // A folder that exists already is fine; one that cannot be made shows up as a copy
    // failure.
    CreateDirectoryA(installFolder, nullptr);
    for (const char* const* sub = manifest.subfolders; *sub != nullptr; ++sub) {
        char path[TextBufferSize] = {};
        if (joinPath(path, installFolder, *sub, systemLeadByte)) CreateDirectoryA(path, nullptr);
    }
    return nullptr;
}
