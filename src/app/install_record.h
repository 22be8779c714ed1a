// The install record (install folder and uninstaller path) and the uninstall entry,
// both under HKEY_LOCAL_MACHINE. Each operation returns 1 for success, 0 for failure,
// and shows nothing: the callers decide what the player is told.
#pragma once

#include "app/product.h"

// Reads Path into path[1024] (emptied first) and, when setup is given, Setup into
// setup[1024]. 1 when the version key opened, Path was read and the key closed.
// A value that does not fit its buffer with its NUL reads as missing.
int readInstallRecord(char* path, char* setup);
int writeInstallRecord(const char* installFolder, const char* uninstallerCopy);
// Deletes the version, game and publisher keys, innermost first; the publisher key
// only when nothing else of the publisher's is left in it.
int deleteInstallKeys();
int writeUninstallEntry(const char* uninstallerCopy);
int deleteUninstallEntry();
