// The Start-menu shortcuts.
#include "install/shortcuts.h"

#include <objbase.h>
#include <shlobj.h>

#include "app/bounded_format.h"
#include "app/path_logic.h"
#include "app/system_text.h"
#include "app/product.h"
#include "app/registry_text.h"
#include "app/scoped_handles.h"
#include "app/system_entry.h"

const char* const PlayLinkName = "Vorlex - Play.lnk";
const char* const SetupLinkName = "Vorlex - Setup.lnk";

namespace {
const char* const ShellFoldersKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
}  // namespace

namespace {

// "<value>\Halvane" for the Programs folder the value of the shell folders under root names.
int groupIn(HKEY root, const char* value, char* out) {
    out[0] = '\0';
    RegKey key;
    if (RegOpenKeyExA(root, ShellFoldersKey, 0, KEY_READ, key.out()) != ERROR_SUCCESS) return 0;
    char programs[TextBufferSize] = {};
    int result = queryRegistryText(key.get(), value, programs);
    if (!key.close()) result = 0;
    if (programs[0] == '\0') return 0;
    if (!joinPath(out, programs, PublisherFolder, systemLeadByte)) return 0;
    return result;
}

// "<Programs of every account>\Halvane" as the shell knows it. The copy under Shell Folders is
// kept for old programs only, and a 32-bit program on 64-bit Windows reads it from the 32-bit
// view, which need not hold it: the links would then land in the installing account's menu
// alone. The shell of Windows 95 without profiles knows no such folder; the entries are
// looked up, so that a shell without them falls back too.
int commonProgramsGroup(char* out) {
    typedef HRESULT(WINAPI * LocationEntry)(HWND, int, ITEMIDLIST**);
    typedef HRESULT(WINAPI * AllocatorEntry)(IMalloc**);
    LocationEntry location = systemEntry<LocationEntry>("shell32.dll", "SHGetSpecialFolderLocation");
    AllocatorEntry allocator = systemEntry<AllocatorEntry>("shell32.dll", "SHGetMalloc");
    ComRef<IMalloc> shellMemory;
    if (location == nullptr || allocator == nullptr || FAILED(allocator(shellMemory.put()))) return 0;
    ShellBlock<ITEMIDLIST> item(shellMemory.get());
    char programs[MAX_PATH + 1] = {};
    if (FAILED(location(nullptr, CSIDL_COMMON_PROGRAMS, item.out())) || item.get() == nullptr ||
        !SHGetPathFromIDListA(item.get(), programs) || programs[0] == '\0')
        return 0;
    return joinPath(out, programs, PublisherFolder, systemLeadByte);
}

}  // namespace

int programGroupFolder(char* out) {
    return groupIn(HKEY_CURRENT_USER, "Programs", out);
}

int shortcutGroupFolder(char* out) {
    // Every account's Programs where the system has one (NT, Windows 95 and 98 with
    // profiles): an administrator installing for a player leaves the links where the
    // player finds them. The shell is asked first; the registry's copy where it cannot tell.
    if (commonProgramsGroup(out) || groupIn(HKEY_LOCAL_MACHINE, "Common Programs", out)) return 1;
    return programGroupFolder(out);
}

int createShortcut(const char* target, const char* linkName, const char* arguments,
                   const char* linkFolder, const char* workingDirectory) {
    ComRef<IShellLinkA> link;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA, link.out())))
        return 0;
    int result = 1;
    if (FAILED(link->SetPath(target))) result = 0;
    if (FAILED(link->SetArguments(arguments))) result = 0;
    if (FAILED(link->SetShowCmd(SW_SHOWNORMAL))) result = 0;
    if (FAILED(link->SetWorkingDirectory(workingDirectory))) result = 0;

    ComRef<IPersistFile> file;
    if (FAILED(link->QueryInterface(IID_IPersistFile, file.out()))) return 0;
    char linkPath[TextBufferSize] = {};
    WCHAR widePath[TextBufferSize] = {};
    if (!joinPath(linkPath, linkFolder, linkName, systemLeadByte) ||
        MultiByteToWideChar(CP_ACP, 0, linkPath, -1, widePath, TextBufferSize) == 0)
        return 0;
    if (FAILED(file->Save(widePath, TRUE))) result = 0;
    return result;
}

int createShortcuts(const char* groupFolder, const char* installFolder, const char* uninstallerCopy) {
    char group[TextBufferSize] = {};
    if (groupFolder[0] != '\0' ? !copyText(group, sizeof group, groupFolder) : !programGroupFolder(group)) return 0;
    CreateDirectoryA(group, nullptr);  // may be there already, with other links of the publisher

    ComApartment com;  // the launcher's thread has COM already: counted once more
    if (!com.started()) return 0;
    char game[TextBufferSize] = {};
    int play = joinPath(game, installFolder, GameExecutable, systemLeadByte) &&
               createShortcut(game, PlayLinkName, "", group, installFolder);
    int setup = createShortcut(uninstallerCopy, SetupLinkName, "", group, installFolder);
    return play && setup;
}

int removeShortcuts(const char* groupFolder) {
    char group[TextBufferSize] = {};
    if (groupFolder[0] != '\0' ? !copyText(group, sizeof group, groupFolder) : !programGroupFolder(group)) return 0;
    int result = 1;
    const char* const names[] = {PlayLinkName, SetupLinkName};
    for (const char* name : names) {
        char path[TextBufferSize] = {};
        if (!joinPath(path, group, name, systemLeadByte)) {
            result = 0;
            continue;
        }
        if (!SetFileAttributesA(path, FILE_ATTRIBUTE_NORMAL)) result = 0;
        if (!DeleteFileA(path)) result = 0;
    }
    // Fails while other links of the publisher are still in it: they stay.
    if (!RemoveDirectoryA(group)) result = 0;
    return result;
}
