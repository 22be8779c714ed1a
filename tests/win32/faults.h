// Faults Wine cannot produce on demand, injected for the length of a scope through
// the import pointers of the functions concerned (see import_patch.h).
#pragma once
#include <windows.h>

#include "import_patch.h"

// RegCreateKeyExA refuses this one key (access denied); every other key works.
class RegistryKeyRefused {
public:
    explicit RegistryKeyRefused(const char* keyName);
private:
    ImportPatch patch_;
};

// CopyFileA fails every time with this error.
class CopyFileFails {
public:
    explicit CopyFileFails(DWORD error);
    static int calls;
private:
    ImportPatch patch_;
};

// CreateThread cannot start a thread.
class NoThreads {
public:
    NoThreads();
private:
    ImportPatch patch_;
};

// The shell folders have no Programs folder, the current user's ("Programs") nor every
// account's ("Common Programs"); put back afterwards.
class ProgramsValueRemoved {
public:
    ProgramsValueRemoved();
    ~ProgramsValueRemoved();
private:
    HKEY keys_[2] = {};
    char saved_[2][1024] = {};
    DWORD sizes_[2] = {};
};

// The product's file writes (WriteFile outside stdout and stderr) are slow, or fail at one call.
class SlowWrites {
public:
    explicit SlowWrites(DWORD delayMs, int failAtCall = 0);
    static int calls;
    static volatile LONG writing;  // writes under way: 0 once the copy has none in hand
private:
    ImportPatch patch_;
};
