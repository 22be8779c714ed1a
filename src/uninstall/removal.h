// The removal engine: everything an installation left, in one pass that never stops
// early: the shortcuts and their folder, the files the install plan names in the
// install folder, its subfolders and the folder itself, and the registry entries.
// The uninstaller copy is not touched: the callers hand it to DeferredDelete.
#pragma once
#include <windows.h>

// progressBar may be null; installFolder may be empty (then only the shortcuts and
// the registry are handled). Returns the result of deleteUninstallEntry.
int removeInstallation(HWND progressBar, const char* installFolder);
