// Deletes a file now, or, when it is in use (the uninstaller deleting its own copy),
// at the next start of Windows: through WININIT.INI on the Windows 95 family, through
// MoveFileExA on Windows NT.
#pragma once

// 0 when nothing is left to do (no such file, or deleted now); 1 when the deletion
// was put off to the next start of Windows.
int DeferredDelete(const char* path);

// Puts key=value at the top of [section] of a text file, creating the section or the
// file when missing. An existing file that cannot be read whole, or whose new text
// cannot be written whole, is left as it was.
void insertIniEntry(const char* file, const char* section, const char* key, const char* value);
