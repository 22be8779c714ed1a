// The install record (install folder and uninstaller path) and the uninstall entry,
// both under HKEY_LOCAL_MACHINE. Each operation returns 1 for success, 0 for failure,
// and shows nothing: the callers decide what the player is told.
#pragma once

#include "app/product.h"

// Reads Path into path[1024] (emptied first) and, when setup is given, Setup into
// setup[1024]. 1 when the version key opened, Path was read and the key closed.
// A value that does not fit its buffer with its NUL reads as missing.
int readInstallRecord(char* path, char* setup);
// Writes the mark of an install under way (the value Unfinished) first, then Path and Setup:
// no moment has Path without the mark. The mark goes only when markInstallFinished is called.
int writeInstallRecord(const char* installFolder, const char* uninstallerCopy);
// Clears the mark once every file of the install is on the disk. A setup that dies before
// (a crash, an ended task, a power cut) leaves it, and the install counts as unfinished.
int markInstallFinished();
// What the record says: no install (Path cannot be read), a finished one, or one begun and
// never finished. A record written before the mark existed counts as finished.
enum InstallState { InstallNone = 0, InstallFinished = 1, InstallUnfinished = 2 };
int installState();
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
