// The stand-in for the DirectX redistributable's setup library on the demo CD and in
// the tests. What it reports comes from dsetup.cfg beside it:
//   version=N       DirectX release reported (low 16 bits of the version)
//   revision=N
//   versionok=0|1   whether DirectXSetupGetVersion succeeds
//   result=N        what the setup entries return (0, 1 for "restart", negative)
// Every call appends a line to dsetup.log beside it, so a test sees how it was called.
// Build variants leave out entries (see the .def files).
#include <windows.h>
#include <string.h>

#include "app/bounded_format.h"

namespace {

HMODULE self;

void besideMe(const char* name, char* out, size_t capacity) {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(self, path, sizeof path);
    char* slash = strrchr(path, '\\');
    if (slash != nullptr) slash[1] = '\0';
    formatText(out, capacity, "%s%s", path, name);
}

// A decimal number with an optional sign, or a hexadecimal one after 0x.
long number(const char* text) {
    bool negative = *text == '-';
    if (negative) ++text;
    unsigned base = 10;
    if (text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        base = 16;
        text += 2;
    }
    long value = 0;
    for (;; ++text) {
        char c = *text;
        int digit = c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : c >= 'A' && c <= 'F' ? c - 'A' + 10 : 99;
        if (digit >= static_cast<int>(base)) break;
        value = value * static_cast<long>(base) + digit;
    }
    return negative ? -value : value;
}

long setting(const char* key, long fallback) {
    char path[MAX_PATH + 16];
    besideMe("dsetup.cfg", path, sizeof path);
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return fallback;
    char text[4096];
    DWORD size = 0;
    if (!ReadFile(file, text, sizeof text - 1, &size, nullptr)) size = 0;
    CloseHandle(file);
    text[size] = '\0';
    long value = fallback;
    size_t keyLength = strlen(key);
    for (const char* line = text; *line != '\0';) {
        if (strncmp(line, key, keyLength) == 0 && line[keyLength] == '=') value = number(line + keyLength + 1);
        const char* end = strchr(line, '\n');
        if (end == nullptr) break;
        line = end + 1;
    }
    return value;
}

void logCall(const char* text) {
    char path[MAX_PATH + 16];
    besideMe("dsetup.log", path, sizeof path);
    HANDLE file = CreateFileA(path, GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    SetFilePointer(file, 0, nullptr, FILE_END);
    DWORD written = 0;
    WriteFile(file, text, static_cast<DWORD>(strlen(text)), &written, nullptr);
    WriteFile(file, "\n", 1, &written, nullptr);
    CloseHandle(file);
}

INT setup(const char* entry, HWND owner, LPSTR source, DWORD flags) {
    char line[MAX_PATH + 128];
    formatText(line, sizeof line, "%s owner=%d source=%s flags=0x%lX", entry, owner != nullptr ? 1 : 0,
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
