// What the program knows about the machine and how it was started, filled once by
// probe() before any window exists; the dialogs only read it afterwards.
#pragma once
#include <stdint.h>

struct SystemProfile {
    int32_t winNt4OrLater;
    int32_t win95OrLater;
    uint32_t windowsVersion;
    int32_t restartRequested;
    char uninstallMode;  // 'U' or 0
    int32_t anotherInstance;
    uint32_t physicalMemory;
    int32_t sourcePresent;
    int32_t processorSupported;
    int32_t administrator;
    int32_t directXOffered;
};

extern SystemProfile systemProfile;

// Fills systemProfile from the machine and the command-line tail; acquires the
// instance marker on the way. Always 1.
int probe(const char* commandTail);

// Colours the display shows at once, asked afresh at each call.
uint32_t displayColours();
// The install record's state (installState: none, finished or unfinished), asked afresh
// at each call.
int gameInstalled();
// 1 when the DirectX setup library is on the CD (the program's folder) or at the
// root of the current drive.
int directXSetupPresent();
// 1 when a file or folder of that name exists; no access right is tested.
int pathExists(const char* path);

// The Windows directory into out[TextBufferSize]. 1 when it fits whole; else 0 with
// out emptied: a directory that does not fit leaves the system's buffer empty or cut,
// and a path built on it would name the root of the current drive or another folder.
int windowsDirectory(char* out);
