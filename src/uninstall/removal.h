// The removal engine: everything an installation left, in one pass that never stops
// early: the shortcuts and their folder, the files the install plan names in the
// install folder, its subfolders and the folder itself, and the registry entries.
// The uninstaller copy is not touched: the callers hand it to DeferredDelete.
#pragma once
#include <windows.h>

// progressBar may be null; installFolder may be empty (then only the shortcuts and
// the registry are handled). Files of the install that are in use go at the next
// start of Windows; deferred (when given) gets RemovalPutOff when any did, RemovalLeft
// when one could be neither deleted nor put off. The copies of the install's files that
// Windows Vista and later keep for the player (the game writing, unelevated, into its
// folder under Program Files: the VirtualStore) go too, from every account's, and count
// the same way. Returns the result of deleteUninstallEntry.
enum { RemovalPutOff = 1, RemovalLeft = 2 };
int removeInstallation(HWND progressBar, const char* installFolder, int* deferred = nullptr);

// The undo of an install, after a failure or at the player's request: removes what the
// install record names, and hands the uninstaller copy it names to DeferredDelete (the
// running program's own file when the registered uninstall command started it).
// Without a record only the shortcuts and the registry entries are handled. notice (when
// given, TextBufferSize) gets what the player must be told, or stays empty: files of the
// game that go at the next start of Windows, files that could not be removed at all, an
// uninstaller copy that could not be removed (named, as the player cannot guess it).
// deferred (when given) gets removeInstallation's flags. Returns the result of removeInstallation.
int undoInstall(HWND progressBar, char* notice = nullptr, int* deferred = nullptr);
