// The name of the uninstaller copy in the Windows directory. No Windows header here.
#pragma once
#include <stddef.h>
#include <stdint.h>

// "<windows>\N<8 upper-case hex digits>-Vorlex-Setup.exe" into out[capacity];
// 1 when it fits, else 0 with out emptied.
int uninstallerCopyName(char* out, size_t capacity, const char* windowsDirectory, uint32_t number);
