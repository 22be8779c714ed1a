// File and registry helpers, and faults Wine cannot give, injected for a scope through the import pointer.
#pragma once
#include <windows.h>

#include <cstdlib>
#include <fstream>
#include <string>

#include "app/system_profile.h"

// A deadline that suffices natively, times the run's VORLEX_TIME_FACTOR (10 in the emulated PC).
inline DWORD scaledMs(DWORD ms) { const int f = std::atoi(std::getenv("VORLEX_TIME_FACTOR") ?: "1"); return ms * (f > 1 ? f : 1); }

// IMPORT_SLOT(CopyFileA, 12): CopyFileA_slot, the pointer behind __imp__CopyFileA@12 (stdcall bytes).
#define IMPORT_SLOT(name, bytes) extern "C" void* name##_slot __asm__("__imp__" #name "@" #bytes)
IMPORT_SLOT(RegCreateKeyExA, 36);
IMPORT_SLOT(CopyFileA, 12);
IMPORT_SLOT(WriteFile, 20);

struct ImportPatch {
    ImportPatch(void** slot, void* replacement) : slot(slot), original(*slot) {
        DWORD old = 0;
        VirtualProtect(slot, sizeof *slot, PAGE_READWRITE, &old);
        *slot = replacement;
    }
    ~ImportPatch() { *slot = original; }
    void** slot;
    void* original;
};

// The profile a case sets for itself, put back when it ends, as every case leaves the machine.
struct ProfileKept {
    SystemProfile kept = systemProfile;
    ~ProfileKept() { systemProfile = kept; }
};

inline bool exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

inline bool keyExists(const char* name) {
    HKEY key;
    return RegOpenKeyExA(HKEY_LOCAL_MACHINE, name, 0, KEY_READ, &key) == ERROR_SUCCESS && RegCloseKey(key) == ERROR_SUCCESS;
}

inline void writeFile(const std::string& path, const std::string& data) { std::ofstream(path, std::ios::binary) << data; }

inline std::string readFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return file ? std::string(std::istreambuf_iterator<char>(file), {}) : "<none>";
}

inline bool anyFile(const char* pattern) {
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(pattern, &found);
    return search != INVALID_HANDLE_VALUE && FindClose(search);
}

// RegCreateKeyExA refuses this one key (access denied); every other key works.
struct RegistryKeyRefused {
    static inline const char* key;
    static inline void* real;
    static LONG WINAPI create(HKEY root, const char* name, DWORD reserved, char* cls, DWORD options, REGSAM access,
                              SECURITY_ATTRIBUTES* security, HKEY* out, DWORD* disposition) {
        if (lstrcmpA(name, key) == 0) return ERROR_ACCESS_DENIED;
        return reinterpret_cast<decltype(&create)>(real)(root, name, reserved, cls, options, access, security, out,
                                                         disposition);
    }
    explicit RegistryKeyRefused(const char* name) { key = name, real = patch.original; }
    ImportPatch patch{&RegCreateKeyExA_slot, reinterpret_cast<void*>(create)};
};

// CopyFileA fails every time with this error.
struct CopyFileFails {
    static inline DWORD error;
    static inline int calls;
    static BOOL WINAPI copy(const char*, const char*, BOOL) { return ++calls, SetLastError(error), FALSE; }
    explicit CopyFileFails(DWORD code) { error = code, calls = 0; }
    ImportPatch patch{&CopyFileA_slot, reinterpret_cast<void*>(copy)};
};

// The program's write numbered atCall fails (disk full) or writes half. (Tests write through the C runtime.)
struct WriteFault {
    static inline int calls, failing;
    static inline bool half;
    static inline void* real;
    static BOOL WINAPI write(HANDLE file, const void* data, DWORD size, DWORD* written, OVERLAPPED* overlapped) {
        auto realWrite = reinterpret_cast<decltype(&write)>(real);
        if (++calls != failing) return realWrite(file, data, size, written, overlapped);
        if (half) return realWrite(file, data, size / 2, written, overlapped);
        return SetLastError(ERROR_DISK_FULL), FALSE;
    }
    WriteFault(int atCall, bool shortWrite) { calls = 0, failing = atCall, half = shortWrite, real = patch.original; }
    ImportPatch patch{&WriteFile_slot, reinterpret_cast<void*>(write)};
};
