// What an install sets up before the first file is copied: the uninstaller copy, the
// install record, the Start-menu shortcuts, the uninstall entry and the install folder.
#pragma once
#include <windows.h>

#include "install/install_manifest.h"

// Sets up an install into installFolder (no trailing backslash) with the program in
// module as the uninstaller. Null when all is ready for the copy; else the failure to
// report ("Setup init error", "Install reg error", "Start menu error", "Uninstall reg
// error"), with the uninstaller copy just made handed to DeferredDelete. The steps that
// succeeded before a failure stay, for the clean-up to remove.
const char* bootstrapInstall(HINSTANCE module, const char* installFolder, const InstallManifest& manifest);
