// Injected faults (see faults.h).
#include "faults.h"

#include <string.h>

IMPORT_SLOT(RegCreateKeyExA, 36);
IMPORT_SLOT(CopyFileA, 12);
IMPORT_SLOT(CreateThread, 24);
IMPORT_SLOT(WriteFile, 20);

namespace {

const char* refusedKey;
void* realCreateKey;
LONG WINAPI refuseOneKey(HKEY root, const char* name, DWORD reserved, char* cls, DWORD options, REGSAM access,
                         SECURITY_ATTRIBUTES* security, HKEY* key, DWORD* disposition) {
    if (strcmp(name, refusedKey) == 0) return ERROR_ACCESS_DENIED;
    typedef LONG(WINAPI * Create)(HKEY, const char*, DWORD, char*, DWORD, REGSAM, SECURITY_ATTRIBUTES*, HKEY*, DWORD*);
    return reinterpret_cast<Create>(realCreateKey)(root, name, reserved, cls, options, access, security, key, disposition);
}

DWORD copyError;
BOOL WINAPI failingCopy(const char*, const char*, BOOL) {
    ++CopyFileFails::calls;
    SetLastError(copyError);
    return FALSE;
}

HANDLE WINAPI noThread(SECURITY_ATTRIBUTES*, SIZE_T, LPTHREAD_START_ROUTINE, void*, DWORD, DWORD*) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
}

void* realWriteFile;
DWORD writeDelayMs;
int failWriteAt;
BOOL WINAPI slowOrFailingWrite(HANDLE file, const void* data, DWORD size, DWORD* written, OVERLAPPED* overlapped) {
    typedef BOOL(WINAPI * Write)(HANDLE, const void*, DWORD, DWORD*, OVERLAPPED*);
    if (file == GetStdHandle(STD_OUTPUT_HANDLE) || file == GetStdHandle(STD_ERROR_HANDLE))
        return reinterpret_cast<Write>(realWriteFile)(file, data, size, written, overlapped);
    if (++SlowWrites::calls == failWriteAt) {
        if (written) *written = 0;
        SetLastError(ERROR_DISK_FULL);
        return FALSE;
    }
    InterlockedIncrement(&SlowWrites::writing);
    if (writeDelayMs) Sleep(writeDelayMs);
    BOOL done = reinterpret_cast<Write>(realWriteFile)(file, data, size, written, overlapped);
    InterlockedDecrement(&SlowWrites::writing);
    return done;
}

const char* const ShellFolders = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";

}  // namespace

int CopyFileFails::calls;
int SlowWrites::calls;
volatile LONG SlowWrites::writing;

RegistryKeyRefused::RegistryKeyRefused(const char* keyName)
    : patch_(&RegCreateKeyExA_slot, reinterpret_cast<void*>(refuseOneKey)) {
    refusedKey = keyName;
    realCreateKey = patch_.original();
}

CopyFileFails::CopyFileFails(DWORD error) : patch_(&CopyFileA_slot, reinterpret_cast<void*>(failingCopy)) {
    copyError = error;
    calls = 0;
}

NoThreads::NoThreads() : patch_(&CreateThread_slot, reinterpret_cast<void*>(noThread)) {}

ProgramsValueRemoved::ProgramsValueRemoved() {
    HKEY roots[2] = {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE};
    const char* names[2] = {"Programs", "Common Programs"};
    for (int i = 0; i < 2; ++i) {
        RegOpenKeyExA(roots[i], ShellFolders, 0, KEY_READ | KEY_WRITE, &keys_[i]);
        sizes_[i] = sizeof saved_[i];
        RegQueryValueExA(keys_[i], names[i], nullptr, nullptr, reinterpret_cast<BYTE*>(saved_[i]), &sizes_[i]);
        RegDeleteValueA(keys_[i], names[i]);
    }
}

ProgramsValueRemoved::~ProgramsValueRemoved() {
    const char* names[2] = {"Programs", "Common Programs"};
    for (int i = 0; i < 2; ++i) {
        RegSetValueExA(keys_[i], names[i], 0, REG_SZ, reinterpret_cast<BYTE*>(saved_[i]), sizes_[i]);
        RegCloseKey(keys_[i]);
    }
}

SlowWrites::SlowWrites(DWORD delayMs, int failAtCall)
    : patch_(&WriteFile_slot, reinterpret_cast<void*>(slowOrFailingWrite)) {
    realWriteFile = patch_.original();
    writeDelayMs = delayMs;
    failWriteAt = failAtCall;
    calls = 0;
}
