// The uninstaller: a copy of the setup program in the Windows directory, which the
// install record, the uninstall entry and the Setup shortcut point to. Returns 1 for
// success, 0 for failure, and shows nothing.
#pragma once
#include <windows.h>

// Copies the running program to a new name in the Windows directory; its full path
// goes to out[1024] (emptied when no copy was made).
int makeUninstallerCopy(HINSTANCE instance, char* out);
