// The texts and folder arithmetic of the install options dialog. No Windows header here.
#pragma once
#include <stddef.h>
#include <stdint.h>

#include "app/path_logic.h"  // LeadByteTest: every scan of a folder steps by characters

// The hard problems that stop an install. 1 when there are none (out emptied); else 0,
// with the message listing them in out, or its first line alone when the whole does
// not fit: a problem refuses the install whether or not its text could be made.
int hardProblemsMessage(int administrator, int winNt4OrLater, int win95OrLater, char* out, size_t capacity);
// The soft problems worth a warning, answered the same way: 0 with the warning in out.
int softProblemsMessage(uint32_t physicalMemory, uint32_t displayColours, int processorSupported, char* out,
                        size_t capacity);
// The most characters the folder field takes.
const size_t InstallFolderLimit = 200;
// The folder programs go in: the one the system registers (registered, its ProgramFilesDir)
// when that is an absolute folder on a fixed disk (fixedDisk(letter) says which are) that
// leaves room for the game's folder in the field; else "<drive>:\Program Files" from the
// Windows directory (C: when it has no drive). 1 when out holds it.
int programFilesFolder(const char* windowsDirectory, const char* registered, int (*fixedDisk)(char letter), char* out,
                       size_t capacity, LeadByteTest isLeadByte);
// Drops trailing backslashes and spaces, in place.
void trimInstallFolder(char* folder, LeadByteTest isLeadByte);
// The upper-case drive letter of "X:\..." (after trimming), or 0 when the folder does
// not start with a letter, a colon and a backslash, or holds a character that no file
// name may (among them '?', what a character outside the system's code page becomes).
char installDriveLetter(const char* folder, LeadByteTest isLeadByte);
// Whole megabytes free, without overflow.
int32_t freeMegabytes(uint32_t sectorsPerCluster, uint32_t bytesPerSector, uint32_t freeClusters);
// The free-space line for a usable drive.
int freeSpaceMessage(int32_t megabytes, char letter, char* out, size_t capacity);

extern const char* const NoDiskMessage;
