// Deferred deletion and the WININIT.INI rewrite.
#include "uninstall/deferred_delete.h"

#include <windows.h>

#include <string>
#include <vector>

#include "app/bounded_format.h"
#include "app/scoped_handles.h"
#include "app/system_profile.h"
#include "uninstall/ini_editor.h"

namespace {

// Reads a whole file into text. 1 when read whole, or when there is no such file
// (text stays empty); 0 when it exists but could not be read, or not to its end.
int readWholeFile(const char* file, std::string& text) {
    KernelHandle handle(CreateFileA(file, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!handle.valid()) {
        DWORD error = GetLastError();
        return (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) ? 1 : 0;
    }
    char chunk[4096];
    for (;;) {
        DWORD got = 0;
        if (!ReadFile(handle.get(), chunk, sizeof chunk, &got, nullptr)) return 0;
        if (got == 0) return 1;
        text.append(chunk, got);
    }
}

}  // namespace

void insertIniEntry(const char* file, const char* section, const char* key, const char* value) {
    std::string text;
    // The file may hold other programs' pending deletions: lines that could not be
    // read must never be replaced by a rewrite.
    if (!readWholeFile(file, text)) return;
    std::vector<std::string> lines;
    splitLines(text.data(), text.size(), lines);
    insertEntryLine(lines, section, key, value);
    std::string out = joinLines(lines);

    KernelHandle handle(CreateFileA(file, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!handle.valid()) return;
    DWORD written = 0;
    WriteFile(handle.get(), out.data(), static_cast<DWORD>(out.size()), &written, nullptr);
}

int DeferredDelete(const char* path) {
    if (GetFileAttributesA(path) == INVALID_FILE_ATTRIBUTES) return 0;
    SetFileAttributesA(path, FILE_ATTRIBUTE_NORMAL);
    if (DeleteFileA(path)) return 0;

    if (systemProfile.win95OrLater) {
        char windows[TextBufferSize] = {};
        char iniFile[TextBufferSize] = {};
        char shortPath[TextBufferSize] = {};
        GetWindowsDirectoryA(windows, sizeof windows);
        DWORD length = GetShortPathNameA(path, shortPath, sizeof shortPath);
        // Windows 95 reads WININIT.INI before long names exist: an entry needs the
        // short path. Without one nothing is written; an empty "NUL=" entry would
        // delete nothing and is not worth a rewrite of the file.
        if (length > 0 && length < sizeof shortPath &&
            formatText(iniFile, sizeof iniFile, "%s\\WININIT.INI", windows))
            insertIniEntry(iniFile, "Rename", "NUL", shortPath);
    } else {
        MoveFileExA(path, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
    }
    return 1;
}
