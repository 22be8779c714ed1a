// Paths of 1023 characters and more where they come from the system: the Windows
// directory and the Programs folder. Nothing may be written through a path that is
// empty or cut because the real one did not fit.
#include <gtest/gtest.h>
#include <windows.h>

#include <string.h>

#include <string>

#include "app/system_profile.h"
#include "import_patch.h"
#include "install/shortcuts.h"
#include "install/uninstaller_copy.h"
#include "snapshot.h"
#include "uninstall/deferred_delete.h"

IMPORT_SLOT(GetWindowsDirectoryA, 8);

namespace {

// The Windows directory this test pretends to have. cut: a too-long one is cut to the
// buffer (a careless system); otherwise the buffer is left as it was and the size
// needed is returned, as Windows does.
std::string pretendWindows;
bool cut;
UINT WINAPI longWindowsDirectory(char* out, UINT size) {
    UINT length = static_cast<UINT>(pretendWindows.size());
    if (length < size) {
        memcpy(out, pretendWindows.c_str(), length + 1);
        return length;
    }
    if (cut) lstrcpynA(out, pretendWindows.c_str(), static_cast<int>(size));
    return length + 1;
}

const char* const ShellFolders = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";

}  // namespace

TEST(LongPaths, WindowsDirectoryTooLongMakesNoUninstallerCopyAndNoIniEntry) {
    ImportPatch patch(&GetWindowsDirectoryA_slot, reinterpret_cast<void*>(longWindowsDirectory));
    memset(&systemProfile, 0, sizeof systemProfile);
    systemProfile.win95OrLater = 1;
    const char* const inUse = "C:\\inuse.tmp";
    HANDLE held = CreateFileA(inUse, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    SetCurrentDirectoryA("C:\\");
    int copiesBefore = countFiles("C:\\N*-Vorlex-Setup.exe") + countFiles("C:\\windows\\N*-Vorlex-Setup.exe");

    for (size_t length : {1020u, 1023u, 1024u, 1100u}) {
        for (bool cutIt : {false, true}) {
            pretendWindows = "C:\\" + std::string(length - 3, 'w');
            cut = cutIt;
            SCOPED_TRACE(std::to_string(length) + (cut ? " cut" : " left alone"));
            char out[1024];
            memset(out, 'x', sizeof out);
            EXPECT_EQ(makeUninstallerCopy(nullptr, out), 0);
            EXPECT_STREQ(out, "");
            EXPECT_EQ(DeferredDelete(inUse), 1) << "still left for the restart to remove";
            EXPECT_EQ(GetFileAttributesA("C:\\WININIT.INI"), INVALID_FILE_ATTRIBUTES);
            EXPECT_EQ(GetFileAttributesA("C:\\windows\\WININIT.INI"), INVALID_FILE_ATTRIBUTES);
        }
    }
    EXPECT_EQ(countFiles("C:\\N*-Vorlex-Setup.exe") + countFiles("C:\\windows\\N*-Vorlex-Setup.exe"), copiesBefore);
    CloseHandle(held);
    DeleteFileA(inUse);
}

TEST(LongPaths, ProgramsFolderTooLongGivesNoGroupAndNoShortcuts) {
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, ShellFolders, 0, KEY_READ | KEY_SET_VALUE, &key), ERROR_SUCCESS);
    char saved[1024] = {};
    DWORD savedSize = sizeof saved;
    ASSERT_EQ(RegQueryValueExA(key, "Programs", nullptr, nullptr, reinterpret_cast<BYTE*>(saved), &savedSize),
              ERROR_SUCCESS);
    // 1016 characters read whole, but the group folder after them does not fit; longer
    // ones do not even read.
    for (size_t length : {1016u, 1023u, 1100u, 5000u}) {
        SCOPED_TRACE(length);
        std::string programs = "C:\\" + std::string(length - 3, 'p');
        RegSetValueExA(key, "Programs", 0, REG_SZ, reinterpret_cast<const BYTE*>(programs.c_str()),
                       static_cast<DWORD>(programs.size() + 1));
        char out[1024];
        memset(out, 'x', sizeof out);
        EXPECT_EQ(programGroupFolder(out), 0);
        EXPECT_STREQ(out, "");
        EXPECT_EQ(createShortcuts("", "C:\\Games\\Vorlex", "C:\\windows\\N1-Vorlex-Setup.exe"), 0);
    }
    RegSetValueExA(key, "Programs", 0, REG_SZ, reinterpret_cast<const BYTE*>(saved), savedSize);
    RegCloseKey(key);
}
