// The install bootstrap (see install_bootstrap.h).
#include "install/install_bootstrap.h"

#include "app/bounded_format.h"
#include "app/install_record.h"
#include "app/path_logic.h"
#include "install/shortcuts.h"
#include "install/uninstaller_copy.h"
#include "uninstall/deferred_delete.h"

const char* bootstrapInstall(HINSTANCE module, const char* installFolder, const InstallManifest& manifest) {
    char uninstaller[TextBufferSize] = {};
    const char* failure = nullptr;
    if (!makeUninstallerCopy(module, uninstaller)) failure = "Setup init error";
    else if (!writeInstallRecord(installFolder, uninstaller)) failure = "Install reg error";
    else if (!createShortcuts(installFolder, uninstaller)) failure = "Start menu error";
    else if (!writeUninstallEntry(uninstaller)) failure = "Uninstall reg error";
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
        if (joinPath(path, installFolder, *sub)) CreateDirectoryA(path, nullptr);
    }
    return nullptr;
}
