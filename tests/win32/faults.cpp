// Injected faults (see faults.h).
#include "faults.h"

#include <stdio.h>
#include <string.h>

IMPORT_SLOT(RegCreateKeyExA, 36);
IMPORT_SLOT(CopyFileA, 12);
IMPORT_SLOT(CreateThread, 24);
IMPORT_SLOT_CDECL(fwrite);

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

void* realFwrite;
DWORD writeDelayMs;
int failWriteAt;
size_t __cdecl slowOrFailingWrite(const void* data, size_t size, size_t count, FILE* stream) {
    if (stream != stdout && stream != stderr) {
        if (++SlowWrites::calls == failWriteAt) return 0;
        if (writeDelayMs) Sleep(writeDelayMs);
    }
    return reinterpret_cast<size_t(__cdecl*)(const void*, size_t, size_t, FILE*)>(realFwrite)(data, size, count, stream);
}

const char* const ShellFolders = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";

}  // namespace

int CopyFileFails::calls;
int SlowWrites::calls;

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
    RegOpenKeyExA(HKEY_CURRENT_USER, ShellFolders, 0, KEY_READ | KEY_WRITE, &key_);
    size_ = sizeof saved_;
    RegQueryValueExA(key_, "Programs", nullptr, nullptr, reinterpret_cast<BYTE*>(saved_), &size_);
    RegDeleteValueA(key_, "Programs");
}

ProgramsValueRemoved::~ProgramsValueRemoved() {
    RegSetValueExA(key_, "Programs", 0, REG_SZ, reinterpret_cast<BYTE*>(saved_), size_);
    RegCloseKey(key_);
}

SlowWrites::SlowWrites(DWORD delayMs, int failAtCall)
    : patch_(&fwrite_slot, reinterpret_cast<void*>(slowOrFailingWrite)) {
    realFwrite = patch_.original();
    writeDelayMs = delayMs;
    failWriteAt = failAtCall;
    calls = 0;
}
