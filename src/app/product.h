// Who the program sets up: the names by which the registry, the Start menu, the
// instance marker and the file system know the game. No Windows header here.
#pragma once

// The game's name: the install folder, the uninstall entry and its display name, the
// instance marker and the uninstaller copy's name.
inline constexpr char GameName[] = "Vorlex";
// The publisher's folder in the Start menu, and its key in the registry.
inline constexpr char PublisherFolder[] = "Halvane";

// The game's executable: where it stands on the CD (its presence tells that the CD is
// in the drive), and its name in the install folder (started by Play and its shortcut).
inline constexpr char GameExecutableOnCd[] = "data\\vlx.exe";
inline constexpr char GameExecutable[] = "Vorlex.exe";

// The version the install record's key is named after, shown in the lists of programs.
inline constexpr char GameVersion[] = "1.00";

// The install record, the keys above it, and the uninstall entry, all under
// HKEY_LOCAL_MACHINE.
inline constexpr char VersionKeyName[] = "Software\\Halvane\\Vorlex\\1.00";
inline constexpr char GameKeyName[] = "Software\\Halvane\\Vorlex";
inline constexpr char PublisherKeyName[] = "Software\\Halvane";
inline constexpr char UninstallListKeyName[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
inline constexpr char UninstallEntryKeyName[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Vorlex";
