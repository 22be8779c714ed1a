// The stand-in for the DirectX redistributable's setup library on the demo CD and in
// the tests. What it reports comes from dsetup.cfg beside it:
//   version=N       DirectX release reported (low 16 bits of the version)
//   revision=N
//   versionok=0|1   whether DirectXSetupGetVersion succeeds
//   result=N        what the setup entries return (0, 1 for "restart", negative)
// Every call appends a line to dsetup.log beside it, so a test sees how it was called.
// Build variants leave out entries (see the .def files).
#include <windows.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

namespace {

HMODULE self;

void besideMe(const char* name, char* out, size_t capacity) {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(self, path, sizeof path);
    char* slash = strrchr(path, '\\');
    if (slash != nullptr) slash[1] = '\0';
    snprintf(out, capacity, "%s%s", path, name);
}

long setting(const char* key, long fallback) {
    char path[MAX_PATH + 16];
    besideMe("dsetup.cfg", path, sizeof path);
    FILE* file = fopen(path, "r");
    if (file == nullptr) return fallback;
    char line[256];
    long value = fallback;
    size_t keyLength = strlen(key);
    while (fgets(line, sizeof line, file)) {
        if (strncmp(line, key, keyLength) == 0 && line[keyLength] == '=') value = strtol(line + keyLength + 1, nullptr, 0);
    }
    fclose(file);
    return value;
}

void logCall(const char* text) {
    char path[MAX_PATH + 16];
    besideMe("dsetup.log", path, sizeof path);
    FILE* file = fopen(path, "a");
    if (file == nullptr) return;
    fprintf(file, "%s\n", text);
    fclose(file);
}

INT setup(const char* entry, HWND owner, LPSTR source, DWORD flags) {
    char line[MAX_PATH + 128];
    snprintf(line, sizeof line, "%s owner=%d source=%s flags=0x%lX", entry, owner != nullptr ? 1 : 0,
             source ? source : "(null)", static_cast<unsigned long>(flags));
    logCall(line);
    return static_cast<INT>(setting("result", 0));
}

}  // namespace

extern "C" {

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, void*) {
    if (reason == DLL_PROCESS_ATTACH) self = instance;
    return TRUE;
}

INT WINAPI DirectXSetupGetVersion(DWORD* version, DWORD* revision) {
    logCall("DirectXSetupGetVersion");
    if (!setting("versionok", 1)) return 0;
    if (version) *version = 0x00040000u | static_cast<DWORD>(setting("version", 3) & 0xFFFF);
    if (revision) *revision = static_cast<DWORD>(setting("revision", 0));
    return 1;
}

INT WINAPI DirectXSetupA(HWND owner, LPSTR source, DWORD flags) {
    return setup("DirectXSetupA", owner, source, flags);
}

INT WINAPI DirectXSetup(HWND owner, LPSTR source, DWORD flags) {
    return setup("DirectXSetup", owner, source, flags);
}

}  // extern "C"
