// The publisher's folder in the current user's Start menu, with a Play and a Setup
// shortcut. Each operation returns 1 for success, 0 for failure, and shows nothing.
#pragma once

// "<Programs>\Halvane" of the current user into out[1024]. 1 when the value was read
// and its key closed without error; out holds the path whenever the value is not empty.
int programGroupFolder(char* out);
// One shell link "<linkFolder>\<linkName>". 1 when every shell call succeeded.
int createShortcut(const char* target, const char* linkName, const char* arguments,
                   const char* linkFolder, const char* workingDirectory);
// The group folder with "Vorlex - Play.lnk" and "Vorlex - Setup.lnk". 1 when both were written.
int createShortcuts(const char* installFolder, const char* uninstallerCopy);
// Deletes both links and the group folder. 1 when all three went.
int removeShortcuts();

extern const char* const PlayLinkName;
extern const char* const SetupLinkName;
