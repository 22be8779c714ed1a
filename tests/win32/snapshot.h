// A picture of the machine for before/after comparisons: the files (with sizes) where
// an install writes: C:\ and the Windows directory (top level), C:\Games and the
// Start-menu programs folder (whole); and every registry key and value under
// HKLM\Software and HKCU\Software but Wine's own settings and the COM classes.
#pragma once
#include <windows.h>

#include <set>
#include <string>

std::set<std::string> machineSnapshot();
// Lines in one snapshot and not the other, for a readable failure.
std::string snapshotDifference(const std::set<std::string>& before, const std::set<std::string>& after);

// How many files match a pattern such as "C:\\windows\\N*-Vorlex-Setup.exe".
int countFiles(const char* pattern);
