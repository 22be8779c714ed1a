// Deferred deletion and the WININIT.INI rewrite.
#include "uninstall/deferred_delete.h"

#include <windows.h>

#include "app/bounded_format.h"
#include "app/path_logic.h"
#include "app/scoped_handles.h"
#include "app/system_profile.h"
#include "uninstall/ini_editor.h"

namespace {

// Reads a whole file. 1 when read whole, or when there is no such file (the buffer
// stays empty); 0 when it exists but could not be read, or not to its end.
int readWholeFile(const char* file, HeapBlock& text, size_t* size) {
    KernelHandle handle(CreateFileA(file, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!handle.valid()) {
        DWORD error = GetLastError();
        return (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) ? 1 : 0;
    }
    *size = 0;
    for (;;) {
        if (*size + 65536 > text.size() && !text.grow(text.size() * 2 + 65536)) return 0;
        DWORD got = 0;
        if (!ReadFile(handle.get(), text.get() + *size, 65536, &got, nullptr)) return 0;
        if (got == 0) return 1;
        *size += got;
    }
}

// A name beside file, with another extension: "C:\WINDOWS\WININIT.VXN" for WININIT.INI.
int siblingPath(char* out, const char* file, const char* extension) {
    int keep = 0;
    while (file[keep] != '\0') ++keep;
    for (int i = keep - 1; i >= 0 && file[i] != '\\'; --i) {
        if (file[i] == '.') {
            keep = i;  // the old extension goes
            break;
        }
    }
    return formatText(out, TextBufferSize, "%.*s.%s", keep, file, extension);
}

// Writes text to a new file; 1 only when every byte has reached it.
int writeWholeFile(const char* file, const char* text, size_t size) {
    KernelHandle handle(CreateFileA(file, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!handle.valid()) return 0;
    DWORD written = 0;
    return WriteFile(handle.get(), text, static_cast<DWORD>(size), &written, nullptr) && written == size ? 1 : 0;
}

// Puts text in place of file without ever losing a line the file held, though the disk
// may fill up on the way: the text goes to a new file beside it, and only once that is
// whole is the old file renamed aside, the new one renamed into its place and the old
// one deleted. Renames within a folder need no room on the disk, and MoveFileA and
// DeleteFileA are all that Windows 95 has for this.
int replaceFile(const char* file, const char* text, size_t size) {
    char fresh[TextBufferSize] = {};
    char previous[TextBufferSize] = {};
    if (!siblingPath(fresh, file, "VXN") || !siblingPath(previous, file, "VXO")) return 0;
    if (!writeWholeFile(fresh, text, size)) {
        DeleteFileA(fresh);
        return 0;
    }
    DeleteFileA(previous);  // left by a run that was cut short
    bool existed = MoveFileA(file, previous) != FALSE;
    if (!existed && GetFileAttributesA(file) != INVALID_FILE_ATTRIBUTES) {
        DeleteFileA(fresh);  // there, but it cannot be moved aside: it stays as it is
        return 0;
    }
    if (!MoveFileA(fresh, file)) {
        if (existed) MoveFileA(previous, file);
        DeleteFileA(fresh);
        return 0;
    }
    if (existed) DeleteFileA(previous);
    return 1;
}

}  // namespace

void insertIniEntry(const char* file, const char* section, const char* key, const char* value) {
    HeapBlock text;
    size_t size = 0;
    // The file may hold other programs' pending deletions: lines that could not be
    // read must never be replaced by a rewrite.
    if (!readWholeFile(file, text, &size)) return;
    MallocBlock out;
    size_t outSize = 0;
    if (!insertIniEntryText(reinterpret_cast<const char*>(text.get()), size, section, key, value, out.out(), &outSize))
        return;
    replaceFile(file, out.get(), outSize);
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
            joinPath(iniFile, windows, "WININIT.INI"))
            insertIniEntry(iniFile, "Rename", "NUL", shortPath);
    } else {
        MoveFileExA(path, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
    }
    return 1;
}

int deferFolderDeletion(const char* folder) {
    if (systemProfile.win95OrLater || GetFileAttributesA(folder) == INVALID_FILE_ATTRIBUTES) return 0;
    return MoveFileExA(folder, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT) ? 1 : 0;
}
