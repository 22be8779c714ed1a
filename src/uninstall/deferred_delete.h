// Deletes a file now, or, when it is in use (the uninstaller deleting its own copy),
// at the next start of Windows: through WININIT.INI on the Windows 95 family, through
// MoveFileExA on Windows NT.
#pragma once

// 0 when nothing is left to do (no such file, or deleted now); 1 when the deletion
// was put off to the next start of Windows; -1 when it could be neither deleted nor
// put off (the file stays, and nobody may be told it will go).
int DeferredDelete(const char* path);

// Has Windows NT remove an emptied folder at its next start (after the files put off
// before it); 1 when asked. The Windows 95 family's WININIT.INI removes files only: 0.
int deferFolderDeletion(const char* folder);

// Puts key=value at the top of [section] of a text file, creating the section or the
// file when missing. An existing file that cannot be read whole, or whose new text
// cannot be written whole, is left as it was; so is a rewrite of it that a crash cut
// short, which the next call puts back first. 1 when the entry is in the file.
int insertIniEntry(const char* file, const char* section, const char* key, const char* value);

// 1 when Windows is still to delete, move or replace a file of the install in folder (however
// it is spelt) at its next start (a removal put off while the game ran): installed there now,
// it would go then. Other programs' operations in the folder touch none of the install's files.
// 0 when none is; -1 when that cannot be told (a list that could not be read), which must
// refuse the install as well.
int removalPendingFor(const char* folder);
