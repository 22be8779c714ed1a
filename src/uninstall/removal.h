// The removal engine: everything an installation left, in one pass that never stops
// early: the shortcuts and their folder, the files the install plan names in the
// install folder, its subfolders and the folder itself, and the registry entries.
// The uninstaller copy is not touched: the callers hand it to DeferredDelete.
#pragma once
#include <windows.h>

// progressBar may be null; installFolder may be empty (then only the shortcuts and
// the registry are handled). Files of the install that are in use go at the next
// start of Windows, and deferred (when given) tells whether any did: 1, or -1 when
// one could be neither deleted nor put off. Returns the result of deleteUninstallEntry.
int removeInstallation(HWND progressBar, const char* installFolder, int* deferred = nullptr);

// The undo of an install, after a failure or at the player's request: removes what the
// install record names, and hands the uninstaller copy it names to DeferredDelete (the
// running program's own file when the registered uninstall command started it).
// Without a record only the shortcuts and the registry entries are handled. Returns
// the result of removeInstallation.
int undoInstall(HWND progressBar, int* deferred = nullptr);

// What the player is told, once, when files of the install had to be left for the next
// start of Windows (deferred 1), or could not even be left to it (deferred -1).
extern const char* const FilesInUseNotice;
extern const char* const FilesLeftNotice;
