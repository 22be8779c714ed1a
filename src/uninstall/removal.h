// The removal engine: everything an installation left, in one pass that never stops
// early: the shortcuts and their folder, the files the install plan names in the
// install folder, its subfolders and the folder itself, and the registry entries.
// The uninstaller copy is not touched: the callers hand it to DeferredDelete.
#pragma once
#include <windows.h>

// progressBar may be null; installFolder may be empty (then only the shortcuts and
// the registry are handled). Returns the result of deleteUninstallEntry.
int removeInstallation(HWND progressBar, const char* installFolder);

// The undo of an install, after a failure or at the player's request: removes what the
// install record names, and hands the uninstaller copy it names to DeferredDelete (the
// running program's own file when the registered uninstall command started it).
// Without a record only the shortcuts and the registry entries are handled. Returns
// the result of removeInstallation.
int undoInstall(HWND progressBar);
