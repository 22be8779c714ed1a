// Who the program sets up: the names by which the registry, the Start menu, the
// instance marker and the file system know the game. No Windows header here.
#pragma once

#include "app/product_names.h"

// The game's name: the install folder, the uninstall entry and its display name, the
// instance marker and the uninstaller copy's name.
inline constexpr char GameName[] = PRODUCT_NAME;
// The publisher's folder in the Start menu, and its key in the registry.
inline constexpr char PublisherFolder[] = PUBLISHER_NAME;

// The game's executable: where it stands on the CD (its presence tells that the CD is
// in the drive), and its name in the install folder (started by Play and its shortcut).
inline constexpr char GameExecutableOnCd[] = "data\\vlx.exe";
inline constexpr char GameExecutable[] = "Vorlex.exe";

// The version the install record's key is named after, shown in the lists of programs.
inline constexpr char GameVersion[] = "1.00";

// The install record, the keys above it, and the uninstall entry, all under
// HKEY_LOCAL_MACHINE.
inline constexpr char VersionKeyName[] = "Software\\" PUBLISHER_NAME "\\" PRODUCT_NAME "\\1.00";
inline constexpr char GameKeyName[] = "Software\\" PUBLISHER_NAME "\\" PRODUCT_NAME;
inline constexpr char PublisherKeyName[] = "Software\\" PUBLISHER_NAME;
inline constexpr char UninstallListKeyName[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
inline constexpr char UninstallEntryKeyName[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" PRODUCT_NAME;
