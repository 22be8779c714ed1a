// Deletes a file now, or, when it is in use (the uninstaller deleting its own copy),
// at the next start of Windows: through WININIT.INI on the Windows 95 family, through
// MoveFileExA on Windows NT.
#pragma once

// 0 when nothing is left to do (no such file, or deleted now); 1 when the deletion
// was put off to the next start of Windows.
int DeferredDelete(const char* path);

// Has Windows NT remove an emptied folder at its next start (after the files put off
// before it); 1 when asked. The Windows 95 family's WININIT.INI removes files only: 0.
int deferFolderDeletion(const char* folder);

// Puts key=value at the top of [section] of a text file, creating the section or the
// file when missing. An existing file that cannot be read whole, or whose new text
// cannot be written whole, is left as it was.
void insertIniEntry(const char* file, const char* section, const char* key, const char* value);
