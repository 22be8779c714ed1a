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
// The Start-menu group the install's links went to (the value Group beside Path and
// Setup), so that they are removed from there whatever account removes them. An install
// recorded without it reads as empty: its links are in the current user's group.
int writeShortcutGroup(const char* groupFolder);
int readShortcutGroup(char* groupFolder);
// Deletes the version, game and publisher keys, innermost first; the publisher key
// only when nothing else of the publisher's is left in it.
int deleteInstallKeys();
int writeUninstallEntry(const char* uninstallerCopy);
// What today's lists of installed programs show besides the name: the game's icon,
// version, publisher, folder and size (in KB), and that there is nothing to modify or
// repair. Windows 95 ignores what it does not know. The whole key goes at uninstall.
int writeUninstallDetails(const char* installFolder, unsigned long estimatedKilobytes);
int deleteUninstallEntry();
