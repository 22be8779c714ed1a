// Deferred deletion and the WININIT.INI rewrite.
#include "uninstall/deferred_delete.h"

#include <string.h>
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

// Writes text to a new file; 1 only when every byte has reached the disk. Windows 95
// writes lazily: without the flush a power cut after the renames below could leave a
// WININIT.INI whose blocks never arrived.
int writeWholeFile(const char* file, const char* text, size_t size) {
    SetFileAttributesA(file, FILE_ATTRIBUTE_NORMAL);  // a stale read-only one is overwritten all the same
    KernelHandle handle(CreateFileA(file, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!handle.valid()) return 0;
    DWORD written = 0;
    return WriteFile(handle.get(), text, static_cast<DWORD>(size), &written, nullptr) && written == size &&
                   FlushFileBuffers(handle.get())
               ? 1
               : 0;
}

// A file no longer in its place but set aside under the other extension: a rewrite
// was cut short between its two renames (a crash, a power cut). The old text comes
// back, so the other programs' pending operations in it are not lost.
void restoreInterruptedRewrite(const char* file, const char* previous) {
    if (GetFileAttributesA(file) == INVALID_FILE_ATTRIBUTES) MoveFileA(previous, file);
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
    SetFileAttributesA(previous, FILE_ATTRIBUTE_NORMAL);
    DeleteFileA(previous);  // left by a run cut short after its file was back in place
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

int insertIniEntry(const char* file, const char* section, const char* key, const char* value) {
    char previous[TextBufferSize] = {};
    if (!siblingPath(previous, file, "VXO")) return 0;
    restoreInterruptedRewrite(file, previous);
    HeapBlock text;
    size_t size = 0;
    // The file may hold other programs' pending deletions: lines that could not be
    // read must never be replaced by a rewrite.
    if (!readWholeFile(file, text, &size)) return 0;
    MallocBlock out;
    size_t outSize = 0;
    if (!insertIniEntryText(reinterpret_cast<const char*>(text.get()), size, section, key, value, out.out(), &outSize))
        return 0;
    return replaceFile(file, out.get(), outSize);
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
        if (haveWindows && length > 0 && length < sizeof shortPath && joinPath(iniFile, windows, "WININIT.INI") &&
            insertIniEntry(iniFile, "Rename", "NUL", shortPath))
            return 1;
    } else if (MoveFileExA(path, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT)) {
        return 1;
    }
    return -1;  // neither gone nor put off: the caller must not say it will go
}

int deferFolderDeletion(const char* folder) {
    if (systemProfile.win95OrLater || GetFileAttributesA(folder) == INVALID_FILE_ATTRIBUTES) return 0;
    return MoveFileExA(folder, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT) ? 1 : 0;
}

namespace {

// Whether path is folder or lies below it, the letters A-Z compared without case (the
// short names Windows makes are in capitals).
bool isUnder(const char* path, size_t length, const char* folder) {
    size_t i = 0;
    for (; folder[i] != '\0'; ++i) {
        if (i >= length) return false;
        char a = path[i], b = folder[i];
        if (a >= 'a' && a <= 'z') a = static_cast<char>(a - 'a' + 'A');
        if (b >= 'a' && b <= 'z') b = static_cast<char>(b - 'a' + 'A');
        if (a != b) return false;
    }
    return i > 0 && (i == length || path[i] == '\\' || folder[i - 1] == '\\');  // a root (D:\ say) holds all
}

// The names of an operation list (NUL-separated strings, or lines of "key=value" when
// lines is set) that lie under folder, in either of its forms.
bool listNamesFolder(const char* list, size_t size, bool lines, const char* longForm, const char* shortForm) {
    for (size_t start = 0; start < size;) {
        const char* end = static_cast<const char*>(memchr(list + start, lines ? '\n' : '\0', size - start));
        size_t next = end != nullptr ? static_cast<size_t>(end - list) + 1 : size;
        const char* name = list + start;
        size_t length = next - start - (end != nullptr ? 1 : 0);
        if (lines) {  // the value of a WININIT.INI entry, without the line's CR
            const char* equals = static_cast<const char*>(memchr(name, '=', length));
            length = equals != nullptr ? length - static_cast<size_t>(equals + 1 - name) : 0;
            name = equals != nullptr ? equals + 1 : name;
            if (length > 0 && name[length - 1] == '\r') --length;
        } else {  // NT's form: "\??\C:\..." for a deletion or rename, "!" first for a replacement
            if (length > 0 && *name == '!') ++name, --length;
            if (length >= 4 && name[0] == '\\' && name[1] == '?' && name[2] == '?' && name[3] == '\\')
                name += 4, length -= 4;
        }
        if (isUnder(name, length, longForm) || isUnder(name, length, shortForm)) return true;
        start = next;
    }
    return false;
}

}  // namespace

int removalPendingUnder(const char* folder) {
    char shortForm[TextBufferSize] = {};
    DWORD length = GetShortPathNameA(folder, shortForm, sizeof shortForm);
    if (length == 0 || length >= sizeof shortForm) shortForm[0] = '\0';  // no folder yet: its long form only
    // NT keeps what MoveFileEx put off in the registry; both routes are read on every
    // system, as each list is simply absent where the other is used.
    RegKey key;
    DWORD size = 0;
    HeapBlock list;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "System\\CurrentControlSet\\Control\\Session Manager", 0, KEY_QUERY_VALUE,
                      key.out()) == ERROR_SUCCESS &&
        RegQueryValueExA(key.get(), "PendingFileRenameOperations", nullptr, nullptr, nullptr, &size) == ERROR_SUCCESS &&
        list.allocate(size + 2) &&
        RegQueryValueExA(key.get(), "PendingFileRenameOperations", nullptr, nullptr, list.get(), &size) == ERROR_SUCCESS &&
        listNamesFolder(reinterpret_cast<const char*>(list.get()), size, false, folder, shortForm))
        return 1;
    char windows[TextBufferSize] = {};
    char iniFile[TextBufferSize] = {};
    size_t iniSize = 0;
    HeapBlock text;
    return windowsDirectory(windows) && joinPath(iniFile, windows, "WININIT.INI") &&
                   readWholeFile(iniFile, text, &iniSize) &&
                   listNamesFolder(reinterpret_cast<const char*>(text.get()), iniSize, true, folder, shortForm)
               ? 1
               : 0;
}
