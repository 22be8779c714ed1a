// Deferred deletion and the WININIT.INI rewrite.
#include "uninstall/deferred_delete.h"

#include <string.h>
#include <windows.h>

#include "app/bounded_format.h"
#include "app/path_logic.h"
#include "app/scoped_handles.h"
#include "app/system_profile.h"
#include "app/system_text.h"
#include "install/install_manifest.h"
#include "uninstall/ini_editor.h"
#include "uninstall/pending_logic.h"

namespace {

enum { ReadAttempts = 4 };  // of a list another program holds or writes at that moment

// Reads a whole file. 1 when read whole, or when there is no such file (the buffer stays
// empty); 0 when it exists but could not be read, or not to its end. Another program may
// hold WININIT.INI for a moment (it opens it without sharing to rewrite it), or a read may
// fail once: the file is tried a few times, a little apart, before it counts as unreadable.
int readWholeFile(const char* file, HeapBlock& text, size_t* size) {
    for (int attempt = 0; attempt < ReadAttempts; ++attempt) {
        if (attempt > 0) Sleep(100);
        *size = 0;
        KernelHandle handle(CreateFileA(file, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                        FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!handle.valid()) {
            DWORD error = GetLastError();
            if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return 1;
            continue;
        }
        for (;;) {
            if (*size + 65536 > text.size() && !text.grow(text.size() * 2 + 65536)) break;
            DWORD got = 0;
            if (!ReadFile(handle.get(), text.get() + *size, 65536, &got, nullptr)) break;
            if (got == 0) return 1;
            *size += got;
        }
    }
    *size = 0;
    return 0;
}

// A name beside file, with another extension: "C:\WINDOWS\WININIT.VXN" for WININIT.INI.
int siblingPath(char* out, const char* file, const char* extension) {
    size_t end = strlen(file), keep = end;
    for (size_t i = 0; i < end; i += characterSize(file + i, systemLeadByte)) {
        if (file[i] == '\\') keep = end;  // a dot before the last separator is a folder's
        else if (file[i] == '.') keep = i;
    }
    return formatText(out, TextBufferSize, "%.*s.%s", static_cast<int>(keep), file, extension);
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

// A rewrite cut short (a crash, a power cut) is put back before the file is read, by this
// rule. replaceFile deletes any set-aside copy (.VXO) first, then writes the new text (.VXN)
// whole and flushed, then renames the file aside, the new text into its place, and deletes
// the copy. So:
// - a .VXO beside a .VXN with no file in place is always a rewrite cut short between its two
//   renames: the file went aside after its new text was written, in the same run, and no file
//   has been in its place since, so Windows 95 has carried out none of its lines. The old
//   text goes back; it holds other programs' lines, even any written after our read.
// - a .VXO alone with no file in place was left by a rewrite cut short after its last rename.
//   Its lines are in the file that took its place, which Windows 95 carried out at its start
//   (keeping it as WININIT.BAK) if it is gone now: the copy is deleted, so that no operation
//   runs twice. Were it put back beside an older .VXN (as a rewrite that wrote its new text
//   before deleting the copy could leave them), its lines would run a second time.
// - a .VXO beside a file in place is deleted by the next rewrite before it writes anything.
void repairInterruptedRewrite(const char* file) {
    char fresh[TextBufferSize] = {};
    char previous[TextBufferSize] = {};
    if (!siblingPath(fresh, file, "VXN") || !siblingPath(previous, file, "VXO") ||
        GetFileAttributesA(file) != INVALID_FILE_ATTRIBUTES || GetFileAttributesA(previous) == INVALID_FILE_ATTRIBUTES)
        return;
    if (GetFileAttributesA(fresh) != INVALID_FILE_ATTRIBUTES) {
        MoveFileA(previous, file);
    } else {
        SetFileAttributesA(previous, FILE_ATTRIBUTE_NORMAL);
        DeleteFileA(previous);
    }
}

// Puts text in place of file without ever losing a line the file held, though the disk
// may fill up on the way: the text goes to a new file beside it, and only once that is
// whole is the old file renamed aside, the new one renamed into its place and the old
// one deleted. Renames within a folder need no room on the disk, and MoveFileA and
// DeleteFileA are all that Windows 95 has for this. The steps' order is what makes
// repairInterruptedRewrite sound.
int replaceFile(const char* file, const char* text, size_t size) {
    char fresh[TextBufferSize] = {};
    char previous[TextBufferSize] = {};
    if (!siblingPath(fresh, file, "VXN") || !siblingPath(previous, file, "VXO")) return 0;
    // Left by a run cut short after its file was back in place: gone before the new text is
    // written, so that no stale copy is ever found beside a new text.
    SetFileAttributesA(previous, FILE_ATTRIBUTE_NORMAL);
    if (!DeleteFileA(previous) && GetFileAttributesA(previous) != INVALID_FILE_ATTRIBUTES) return 0;
    if (!writeWholeFile(fresh, text, size)) {
        DeleteFileA(fresh);
        return 0;
    }
    bool existed = MoveFileA(file, previous) != FALSE;
    if (!existed && GetFileAttributesA(file) != INVALID_FILE_ATTRIBUTES) {
        DeleteFileA(fresh);  // there, but it cannot be moved aside: it stays as it is
        return 0;
    }
    if (!MoveFileA(fresh, file)) {
        // The old text back in place; should even that fail, the pair stays for the repair.
        if (!existed || MoveFileA(previous, file)) DeleteFileA(fresh);
        return 0;
    }
    if (existed) {
        SetFileAttributesA(previous, FILE_ATTRIBUTE_NORMAL);  // set aside read-only, as the file was
        DeleteFileA(previous);
    }
    return 1;
}

}  // namespace

int insertIniEntry(const char* file, const char* section, const char* key, const char* value) {
    repairInterruptedRewrite(file);
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
        if (haveWindows && length > 0 && length < sizeof shortPath && joinPath(iniFile, windows, "WININIT.INI", systemLeadByte) &&
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

enum { Forms = 3, MaxTargets = Forms * InstallFileCount };  // the install's files in the folder's three forms

// The long form of a full path "X:\\...", built name by name with FindFirstFileA, as Windows 95
// and NT 4.0 have no GetLongPathNameA. From the first name that does not exist on, the rest
// stays as written: a folder the install would make. 1 when it fits out[TextBufferSize].
int longPathForm(const char* full, char* out) {
    if (full[0] == '\0' || full[1] != ':' || full[2] != '\\') return copyText(out, TextBufferSize, full);
    size_t used = 3;
    if (!formatText(out, TextBufferSize, "%.3s", full)) return 0;
    for (const char* name = full + 3; *name != '\0';) {
        const char* end = name;
        bool pattern = false;  // a '?' or '*' would find some other name
        for (; *end != '\0' && *end != '\\'; end += characterSize(end, systemLeadByte)) pattern |= *end == '?' || *end == '*';
        char prefix[TextBufferSize] = {};
        WIN32_FIND_DATAA found;
        HANDLE search = INVALID_HANDLE_VALUE;
        if (end > name && !pattern && formatText(prefix, TextBufferSize, "%.*s", static_cast<int>(end - full), full))
            search = FindFirstFileA(prefix, &found);
        if (search == INVALID_HANDLE_VALUE) return formatText(out + used, TextBufferSize - used, "%s", name);
        FindClose(search);
        if (!formatText(out + used, TextBufferSize - used, "%s%s", found.cFileName, *end != '\0' ? "\\" : "")) return 0;
        used += strlen(out + used);
        name = *end != '\0' ? end + 1 : end;
    }
    return 1;
}

// The paths of the install's files in folder, in each form Windows may have stored it in: the
// full path Windows makes of any path it is given ("." and ".." gone), its long form and its
// short one (WININIT.INI's, or the one typed at the install), folded and normalised for comparing,
// into targets (null-ended); 1 when made.
int installFilePaths(const char* folder, char (*paths)[TextBufferSize], const char** targets) {
    char forms[Forms][TextBufferSize] = {};
    DWORD length = GetFullPathNameA(folder, TextBufferSize, forms[0], nullptr);
    if (length == 0 || length >= TextBufferSize || !longPathForm(forms[0], forms[1])) return 0;
    length = GetShortPathNameA(forms[0], forms[2], TextBufferSize);
    if (length == 0 || length >= TextBufferSize) forms[2][0] = '\0';  // no folder yet: its long form only
    const char* names[InstallFileCount] = {};
    size_t count = 0;
    forEachInstallFile(installManifest, [&](const char* name) {
        if (count < InstallFileCount) names[count++] = name;  // all of them: the count is checked
    });
    size_t made = 0;
    for (const char* form : forms) {
        for (size_t i = 0; form[0] != '\0' && i < count; ++i) {
            char joined[TextBufferSize] = {};
            if (!joinPath(joined, form, names[i], systemLeadByte)) return 0;
            foldCase(joined, strlen(joined));
            if (!normalisePath(paths[made], TextBufferSize, joined, strlen(joined), systemLeadByte)) return 0;
            targets[made] = paths[made];
            ++made;
        }
    }
    targets[made] = nullptr;
    return 1;
}

// 1 when a list read whole (NUL-ended entries, or WININIT.INI's lines when iniLines) names
// one of targets once folded as they are.
int listNames(unsigned char* list, size_t size, int iniLines, const char* const* targets) {
    if (size == 0) return 0;  // nothing to fold, nothing named
    foldCase(reinterpret_cast<char*>(list), size);
    return pendingListNames(reinterpret_cast<const char*>(list), size, iniLines, targets, systemLeadByte);
}

// What a registry list of NT's says: 1 it names one of targets, 0 it names none or is not
// there, -1 it could not be read. Another program may put off a file between the size asked
// and the read (ERROR_MORE_DATA): the size is asked again, a bounded number of times.
int registryListNames(HKEY key, const char* name, const char* const* targets) {
    for (int attempt = 0; attempt < ReadAttempts; ++attempt) {
        DWORD size = 0;
        HeapBlock list;
        LONG status = RegQueryValueExA(key, name, nullptr, nullptr, nullptr, &size);
        if (status == ERROR_SUCCESS && !list.allocate(size + 2)) return -1;
        if (status == ERROR_SUCCESS) status = RegQueryValueExA(key, name, nullptr, nullptr, list.get(), &size);
        if (status == ERROR_SUCCESS) return listNames(list.get(), size, 0, targets);
        if (status == ERROR_FILE_NOT_FOUND) return 0;
        if (status != ERROR_MORE_DATA) return -1;
    }
    return -1;
}

}  // namespace

int removalPendingFor(const char* folder) {
    char paths[MaxTargets][TextBufferSize];
    const char* targets[MaxTargets + 1] = {};
    if (!installFilePaths(folder, paths, targets)) return -1;  // a path too long to make: nothing to compare
    int answer = 0;
    // NT keeps what MoveFileEx put off in the registry (some programs write a second list
    // beside it, which Windows carries out too). A key that does not open counts as absent,
    // as it is on the Windows 95 family; a list in it that cannot be read does not.
    RegKey key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "System\\CurrentControlSet\\Control\\Session Manager", 0, KEY_QUERY_VALUE,
                      key.out()) == ERROR_SUCCESS) {
        static const char* const lists[] = {"PendingFileRenameOperations", "PendingFileRenameOperations2"};
        for (const char* list : lists) {
            int names = registryListNames(key.get(), list, targets);
            if (names > 0) return 1;
            if (names < 0) answer = -1;
        }
    }
    // Only the Windows 95 family carries out WININIT.INI: on NT one left there (by a setup
    // that took a compatibility mode's word for the system) names files that never go.
    if (!systemProfile.win95OrLater) return answer;
    char windows[TextBufferSize] = {};
    char iniFile[TextBufferSize] = {};
    size_t iniSize = 0;
    HeapBlock text;
    if (!windowsDirectory(windows) || !joinPath(iniFile, windows, "WININIT.INI", systemLeadByte)) return -1;
    // A rewrite cut short is put back first, as at every use of the file: its lines are the
    // ones Windows will carry out.
    repairInterruptedRewrite(iniFile);
    if (!readWholeFile(iniFile, text, &iniSize)) return -1;
    return listNames(text.get(), iniSize, 1, targets) ? 1 : answer;
}
