// Machine snapshots (see snapshot.h).
#include "snapshot.h"

#include <algorithm>
#include <string.h>

namespace {

bool skippedFolder(const std::string& path) {
    std::string lower = path;
    std::transform(lower.begin(), lower.end(), lower.begin(), ::tolower);
    return lower.find("\\temp") != std::string::npos || lower == "c:\\windows\\logs" ||
           lower.find("\\installer") != std::string::npos;
}

void addFiles(const std::string& folder, std::set<std::string>& out, bool recursive = true) {
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return;
    do {
        if (!strcmp(found.cFileName, ".") || !strcmp(found.cFileName, "..")) continue;
        std::string path = folder + "\\" + found.cFileName;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            if (skippedFolder(path)) continue;
            out.insert("dir  " + path);
            // Wine links some user folders into the host's home: never follow a link.
            if (recursive && !(found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) addFiles(path, out);
        } else {
            out.insert("file " + path + " " + std::to_string(found.nFileSizeLow));
        }
    } while (FindNextFileA(search, &found));
    FindClose(search);
}

void addKeys(HKEY root, const std::string& name, std::set<std::string>& out) {
    HKEY key;
    if (RegOpenKeyExA(root, name.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return;
    out.insert("key  " + name);
    char valueName[1024];
    BYTE data[4096];
    for (DWORD i = 0;; ++i) {
        DWORD nameSize = sizeof valueName, dataSize = sizeof data, type = 0;
        LONG status = RegEnumValueA(key, i, valueName, &nameSize, nullptr, &type, data, &dataSize);
        if (status == ERROR_NO_MORE_ITEMS) break;
        if (status != ERROR_SUCCESS && status != ERROR_MORE_DATA) break;
        out.insert("val  " + name + " : " + valueName + " = " +
                   (type == REG_SZ ? std::string(reinterpret_cast<char*>(data)) : std::to_string(dataSize)));
    }
    char sub[1024];
    for (DWORD i = 0;; ++i) {
        DWORD size = sizeof sub;
        if (RegEnumKeyExA(key, i, sub, &size, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        std::string child = name + "\\" + sub;
        if (!strcmp(sub, "Wine") || !strcmp(sub, "Classes")) continue;
        addKeys(root, child, out);
    }
    RegCloseKey(key);
}

}  // namespace

std::set<std::string> machineSnapshot() {
    std::set<std::string> out;
    // Where an install writes: the drive's root, the Windows directory (the
    // uninstaller copy), the games folder and the Start menu.
    addFiles("C:", out, false);
    addFiles("C:\\windows", out, false);
    addFiles("C:\\Games", out);
    HKEY folders;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders", 0,
                      KEY_READ, &folders) == ERROR_SUCCESS) {
        char programs[1024] = {};
        DWORD size = sizeof programs - 1;
        if (RegQueryValueExA(folders, "Programs", nullptr, nullptr, reinterpret_cast<BYTE*>(programs), &size) ==
            ERROR_SUCCESS)
            addFiles(programs, out);
        RegCloseKey(folders);
    }
    addKeys(HKEY_LOCAL_MACHINE, "Software", out);
    addKeys(HKEY_CURRENT_USER, "Software", out);
    return out;
}

std::string snapshotDifference(const std::set<std::string>& before, const std::set<std::string>& after) {
    std::string text;
    for (const std::string& line : before)
        if (!after.count(line)) text += "  gone:  " + line + "\n";
    for (const std::string& line : after)
        if (!before.count(line)) text += "  added: " + line + "\n";
    return text;
}

int countFiles(const char* pattern) {
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(pattern, &found);
    if (search == INVALID_HANDLE_VALUE) return 0;
    int count = 0;
    do ++count;
    while (FindNextFileA(search, &found));
    FindClose(search);
    return count;
}
