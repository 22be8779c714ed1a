// The lists of operations Windows carries out at its next start, read without a Windows
// call: NT's registry list and the Windows 95 family's WININIT.INI.
#pragma once
#include <stddef.h>

#include "app/path_logic.h"

// The path one entry of such a list names, and its length; null when it names none (a
// deletion's empty target, a section header). NT writes "\\??\\C:\\...", with "!" first for a
// replacement's target and, on Windows 10 and 11 of late, "*1" or "*2" before the "\\??\\";
// a line of WININIT.INI is "key=value", the value the path (iniLine set).
const char* pendingEntryPath(const char* entry, size_t length, int iniLine, size_t* pathLength);

// 1 when a list (entries ended by NUL, or WININIT.INI's lines when iniLines, on either side
// of their '=') names one of targets, a null-ended array of normalised paths, once its own paths are normalised (see
// normalisePath). Names are compared byte for byte: the caller folds the case of both as
// the system does.
int pendingListNames(const char* list, size_t size, int iniLines, const char* const* targets,
                     LeadByteTest isLeadByte);
