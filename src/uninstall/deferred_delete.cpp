// Deferred deletion and the WININIT.INI rewrite.
#include "uninstall/deferred_delete.h"

#include <windows.h>

#include <stdlib.h>

#include "app/bounded_format.h"
#include "app/scoped_handles.h"
#include "app/system_profile.h"
#include "uninstall/ini_editor.h"

namespace {

// A block from malloc, freed when it goes.
class Buffer {
public:
    Buffer() = default;
    Buffer(const Buffer&) = delete;
    Buffer& operator=(const Buffer&) = delete;
    ~Buffer() { free(data_); }
    char* data_ = nullptr;
    size_t size_ = 0;
};

// Reads a whole file. 1 when read whole, or when there is no such file (the buffer
// stays empty); 0 when it exists but could not be read, or not to its end.
int readWholeFile(const char* file, Buffer& text) {
    KernelHandle handle(CreateFileA(file, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!handle.valid()) {
        DWORD error = GetLastError();
        return (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) ? 1 : 0;
    }
    size_t capacity = 0;
    for (;;) {
        if (text.size_ + 65536 > capacity) {
            capacity = capacity * 2 + 65536;
            char* grown = static_cast<char*>(realloc(text.data_, capacity));
            if (grown == nullptr) return 0;
            text.data_ = grown;
        }
        DWORD got = 0;
        if (!ReadFile(handle.get(), text.data_ + text.size_, 65536, &got, nullptr)) return 0;
        if (got == 0) return 1;
        text.size_ += got;
    }
}

}  // namespace

void insertIniEntry(const char* file, const char* section, const char* key, const char* value) {
    Buffer text;
    // The file may hold other programs' pending deletions: lines that could not be
    // read must never be replaced by a rewrite.
    if (!readWholeFile(file, text)) return;
    Buffer out;
    if (!insertIniEntryText(text.data_, text.size_, section, key, value, &out.data_, &out.size_)) return;

    KernelHandle handle(CreateFileA(file, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!handle.valid()) return;
    DWORD written = 0;
    WriteFile(handle.get(), out.data_, static_cast<DWORD>(out.size_), &written, nullptr);
}

int DeferredDelete(const char* path) {
    if (GetFileAttributesA(path) == INVALID_FILE_ATTRIBUTES) return 0;
    SetFileAttributesA(path, FILE_ATTRIBUTE_NORMAL);
    if (DeleteFileA(path)) return 0;

    if (systemProfile.win95OrLater) {
        char windows[TextBufferSize] = {};
        char iniFile[TextBufferSize] = {};
        char shortPath[TextBufferSize] = {};
        int haveWindows = windowsDirectory(windows);
        DWORD length = GetShortPathNameA(path, shortPath, sizeof shortPath);
        // Windows 95 reads WININIT.INI before long names exist: an entry needs the
        // short path. Without one nothing is written; an empty "NUL=" entry would
        // delete nothing and is not worth a rewrite of the file. Neither is written
        // without the whole Windows directory: some other WININIT.INI would get it.
        if (haveWindows && length > 0 && length < sizeof shortPath &&
            formatText(iniFile, sizeof iniFile, "%s\\WININIT.INI", windows))
            insertIniEntry(iniFile, "Rename", "NUL", shortPath);
    } else {
        MoveFileExA(path, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
    }
    return 1;
}
