// The publisher's folder in the Start menu, with a Play and a Setup shortcut. Each
// operation returns 1 for success, 0 for failure, and shows nothing.
#pragma once

// "<Programs>\Halvane" of the current user into out[1024]. 1 when the value was read
// and its key closed without error; out holds the path whenever the value is not empty.
int programGroupFolder(char* out);
// The group a new install's links go to: "<Programs of every account>\Halvane" where the
// system has such a folder, else the current user's (programGroupFolder). 1 when known.
int shortcutGroupFolder(char* out);
// One shell link "<linkFolder>\<linkName>". 1 when every shell call succeeded.
int createShortcut(const char* target, const char* linkName, const char* arguments,
                   const char* linkFolder, const char* workingDirectory);
// The group folder with "Vorlex - Play.lnk" and "Vorlex - Setup.lnk". 1 when both were
// written. An empty group stands for the current user's (an install recorded before the
// group was).
int createShortcuts(const char* groupFolder, const char* installFolder, const char* uninstallerCopy);
// Deletes both links and the group folder (empty: the current user's). 1 when all three went.
int removeShortcuts(const char* groupFolder);

extern const char* const PlayLinkName;
extern const char* const SetupLinkName;
