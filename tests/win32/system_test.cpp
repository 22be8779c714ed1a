// What the program asks of the system outside the copy, against Wine's registry and
// files, with faults Wine cannot give injected.
#include <gtest/gtest.h>

#include <stdlib.h>

#include <vector>

#include "app/install_record.h"
#include "app/instance_marker.h"
#include "app/system_profile.h"
#include "directx/directx_step.h"
#include "install/shortcuts.h"
#include "install/uninstaller_copy.h"
#include "machine.h"
#include "uninstall/deferred_delete.h"

IMPORT_SLOT(timeGetTime, 0);
IMPORT_SLOT(ReadFile, 20);
IMPORT_SLOT(GetWindowsDirectoryA, 8);
IMPORT_SLOT(GetSystemDirectoryA, 8);
IMPORT_SLOT(MessageBoxA, 16);
IMPORT_SLOT(OpenSCManagerA, 12);

namespace {

void setValue(const char* keyName, const char* name, const std::string& data) {
    HKEY key;
    RegCreateKeyExA(HKEY_LOCAL_MACHINE, keyName, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr);
    RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(data.data()), static_cast<DWORD>(data.size()));
    RegCloseKey(key);
}

// A value's bytes as another program reads them, the NUL counted.
std::string valueOf(const char* keyName, const char* name) {
    char data[4096];
    DWORD size = sizeof data;
    LONG status = RegGetValueA(HKEY_LOCAL_MACHINE, keyName, name, RRF_RT_ANY, nullptr, data, &size);
    return status == ERROR_SUCCESS ? std::string(data, size) : "<none>";
}

TEST(InstallRecord, ValuesReadBackWholeOrAsMissing) {
    char path[1024], setup[1024];
    ASSERT_EQ(writeInstallRecord("C:\\Program Files\\Vorlex", "C:\\W\\N1.exe"), 1);
    EXPECT_EQ(readInstallRecord(path, setup), 1);
    EXPECT_EQ(std::string(path) + "|" + setup, "C:\\Program Files\\Vorlex|C:\\W\\N1.exe");
    // Stored without a NUL, filling the buffer with one, filling it without, longer.
    std::pair<std::string, std::string> cases[] = {{"E:\\Vorlex", "E:\\Vorlex"},
                                                   {std::string(1023, 'a') + '\0', std::string(1023, 'a')},
                                                   {std::string(1024, 'b'), ""},
                                                   {std::string(3000, 'c') + '\0', ""}};
    for (const auto& [stored, expected] : cases) {
        setValue(VersionKeyName, "Path", stored);
        setValue(VersionKeyName, "Setup", stored);
        EXPECT_EQ(readInstallRecord(path, setup), expected.empty() ? 0 : 1) << stored.size();
        EXPECT_EQ(std::string(path) + "|" + setup, expected + "|" + expected) << stored.size();
    }
    setValue("Software\\Halvane\\Other\\2.0", "Path", "C:\\O");
    EXPECT_EQ(deleteInstallKeys(), 0);
    EXPECT_FALSE(keyExists(GameKeyName));
    EXPECT_TRUE(keyExists("Software\\Halvane\\Other\\2.0")) << "another product of the publisher's stays";
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, "Software\\Halvane\\Other\\2.0");
}

TEST(InstallRecord, UninstallEntry) {
    std::pair<std::string, std::string> commands[] = {
        {"C:\\WINDOWS\\N1.exe", std::string("C:\\WINDOWS\\N1.exe U") + '\0'},
        {"C:\\Win dows\\N1.exe", std::string("\"C:\\Win dows\\N1.exe\" U") + '\0'},
        {"C:\\" + std::string(1019, 'w'), "<none>"}};  // with " U" it would be cut
    for (const auto& [copy, command] : commands) {
        EXPECT_EQ(writeUninstallEntry(copy.c_str()), command == "<none>" ? 0 : 1);
        EXPECT_EQ(valueOf(UninstallEntryKeyName, "UninstallString"), command);
        deleteUninstallEntry();
    }
    ASSERT_EQ(writeUninstallDetails("C:\\Games\\Vorlex", 26001), 1);
    EXPECT_EQ(valueOf(UninstallEntryKeyName, "DisplayIcon"), std::string("C:\\Games\\Vorlex\\Vorlex.exe,0") + '\0');
    EXPECT_EQ(valueOf(UninstallEntryKeyName, "InstallLocation"), std::string("C:\\Games\\Vorlex") + '\0');
    EXPECT_EQ(valueOf(UninstallEntryKeyName, "EstimatedSize"), std::string("\x91\x65\0\0", 4));
    EXPECT_EQ(valueOf(UninstallEntryKeyName, "NoRepair"), std::string("\1\0\0\0", 4));
    EXPECT_EQ(deleteUninstallEntry(), 1);
    EXPECT_FALSE(keyExists(UninstallEntryKeyName));
    EXPECT_TRUE(keyExists(UninstallListKeyName));
}

DWORD WINAPI fixedTime() {
    return 0x12AB34;
}

TEST(UninstallerCopy, NumberedNamesAndFailures) {
    char out[1024];
    char self[MAX_PATH];
    GetModuleFileNameA(nullptr, self, sizeof self);
    ImportPatch time(&timeGetTime_slot, reinterpret_cast<void*>(fixedTime));
    for (const char* name : {"N0012AB34", "N0012AB35"}) {  // the first name is taken now
        EXPECT_EQ(makeUninstallerCopy(nullptr, out), 1);
        EXPECT_EQ(std::string(out), std::string("C:\\windows\\") + name + "-Vorlex-Setup.exe");
        EXPECT_TRUE(readFile(out) == readFile(self)) << "a copy of the running program";
    }
    DeleteFileA("C:\\windows\\N0012AB34-Vorlex-Setup.exe");
    DeleteFileA("C:\\windows\\N0012AB35-Vorlex-Setup.exe");
    // A full disk stops at once; names that stay taken are tried a bounded number of times.
    for (DWORD error : {ERROR_DISK_FULL, ERROR_FILE_EXISTS, ERROR_ACCESS_DENIED}) {
        CopyFileFails copy(error);
        EXPECT_EQ(makeUninstallerCopy(nullptr, out), 0);
        EXPECT_STREQ(out, "");
        EXPECT_TRUE(error == ERROR_DISK_FULL ? CopyFileFails::calls == 1 : CopyFileFails::calls > 10) << error;
        EXPECT_LE(CopyFileFails::calls, 10000);
    }
}

int readCalls;
void* realReadFile;
BOOL WINAPI secondReadFails(HANDLE file, void* buffer, DWORD size, DWORD* got, OVERLAPPED* overlapped) {
    if (++readCalls != 2) return reinterpret_cast<decltype(&secondReadFails)>(realReadFile)(file, buffer, size, got, overlapped);
    SetLastError(ERROR_READ_FAULT);
    return FALSE;
}

// WININIT.INI holds other programs' pending deletions: its new text goes to a file
// beside it first, and a file that cannot be read whole, or whose new text cannot be
// written whole, stays byte for byte, with nothing left beside it.
TEST(DeferredDeletion, IniFileIsRewrittenWholeOrLeftAsItWas) {
    const std::string original = "[Rename]\r\nNUL=C:\\OTHER~1.EXE\r\n" + std::string(70000, ';') + "\r\n";
    writeFile("C:\\deferred.ini", original);
    for (int fault : {1, 2, 3}) {
        {
            ImportPatch read(&ReadFile_slot, reinterpret_cast<void*>(secondReadFails));
            realReadFile = read.original();
            readCalls = fault == 1 ? 0 : 2;  // a read that fails part-way
            WriteFault write(fault == 1 ? 0 : 1, fault == 2);
            insertIniEntry("C:\\deferred.ini", "Rename", "NUL", "C:\\X.EXE");
        }
        EXPECT_TRUE(readFile("C:\\deferred.ini") == original) << fault;
    }
    insertIniEntry("C:\\deferred.ini", "Rename", "NUL", "C:\\X.EXE");
    EXPECT_TRUE(readFile("C:\\deferred.ini") == "[Rename]\r\nNUL=C:\\X.EXE\r\n" + original.substr(10));
    EXPECT_FALSE(anyFile("C:\\deferred.v*"));
}

// A file in use goes at the next start of Windows: on the Windows 95 family through
// WININIT.INI in the Windows directory, written only when that directory fits its
// buffer (else some other WININIT.INI would get it); on NT through MoveFileExA.
std::string pretendWindows;
UINT WINAPI pretendWindowsDirectory(char* out, UINT size) {
    lstrcpynA(out, pretendWindows.c_str(), static_cast<int>(size));  // a careless system cuts it
    return static_cast<UINT>(pretendWindows.size()) + (pretendWindows.size() < size ? 0 : 1);
}

TEST(DeferredDeletion, FileInUseIsPutOffWithinTheWindowsDirectory) {
    ImportPatch patch(&GetWindowsDirectoryA_slot, reinterpret_cast<void*>(pretendWindowsDirectory));
    HANDLE held = CreateFileA("C:\\inuse.tmp", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    SetCurrentDirectoryA("C:\\");
    struct {
        int family95;
        size_t length;
        bool iniWritten;
    } cases[] = {{0, 10, false}, {1, 10, true}, {1, 1023, false}, {1, 1024, false}, {1, 1100, false}};
    for (auto c : cases) {
        systemProfile.win95OrLater = c.family95;
        pretendWindows = c.length == 10 ? "C:\\windows" : "C:\\" + std::string(c.length - 3, 'w');
        char out[1024];
        EXPECT_EQ(makeUninstallerCopy(nullptr, out), c.length == 10 ? 1 : 0) << c.length;
        DeleteFileA(out);
        EXPECT_EQ(DeferredDelete("C:\\inuse.tmp"), 1);
        EXPECT_EQ(exists("C:\\windows\\WININIT.INI"), c.iniWritten) << c.length;
        EXPECT_FALSE(exists("C:\\WININIT.INI"));
        DeleteFileA("C:\\windows\\WININIT.INI");
    }
    CloseHandle(held);
    writeFile("C:\\inuse.tmp", "");
    SetFileAttributesA("C:\\inuse.tmp", FILE_ATTRIBUTE_READONLY);
    EXPECT_EQ(DeferredDelete("C:\\inuse.tmp"), 0) << "not in use: deleted at once";
    EXPECT_FALSE(exists("C:\\inuse.tmp"));
}

TEST(LongPaths, ProgramsFolderTooLongGivesNoGroupAndNoShortcuts) {
    const char* const folders = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
    char saved[1024];
    DWORD savedSize = sizeof saved;
    RegGetValueA(HKEY_CURRENT_USER, folders, "Programs", RRF_RT_REG_SZ, nullptr, saved, &savedSize);
    for (size_t length : {1016u, 1023u, 5000u}) {  // 1016 reads whole, "\\Halvane" does not fit
        std::string programs = "C:\\" + std::string(length - 3, 'p');
        RegSetKeyValueA(HKEY_CURRENT_USER, folders, "Programs", REG_SZ, programs.c_str(), static_cast<DWORD>(length + 1));
        char out[1024];
        EXPECT_EQ(programGroupFolder(out), 0) << length;
        EXPECT_STREQ(out, "");
        EXPECT_EQ(createShortcuts("", "C:\\Games\\Vorlex", "C:\\x.exe"), 0);
    }
    RegSetKeyValueA(HKEY_CURRENT_USER, folders, "Programs", REG_SZ, saved, savedSize);
}

// The DirectX step with the stand-in setup library (dsetup.cfg holds its answers): a
// release it does not report is told apart by DirectDraw in the system folder, which
// is only looked for when the folder's name fits its buffer.
UINT systemLength;
UINT WINAPI pretendSystemDirectory(char* out, UINT size) {
    lstrcpynA(out, "C:\\dxsys", static_cast<int>(size));
    return systemLength;
}
int boxes;
int WINAPI answerNo(HWND, const char*, const char*, UINT) {
    ++boxes;
    return IDNO;
}

TEST(DirectXStep, SystemFolderThatDoesNotFitIsNotSearched) {
    for (const char* folder : {"C:\\dxcd", "C:\\dxcd\\directx", "C:\\dxsys"}) CreateDirectoryA(folder, nullptr);
    std::string library = std::string(getenv("VORLEX_DSETUP_DIR")) + "\\dsetup.dll";
    ASSERT_TRUE(CopyFileA(library.c_str(), "C:\\dxcd\\directx\\dsetup.dll", FALSE)) << library;
    writeFile("C:\\dxcd\\directx\\dsetup.cfg", "version=3\nrevision=7\nversionok=0\nresult=0\n");
    writeFile("C:\\dxsys\\ddraw.dll", "MZ");
    SetCurrentDirectoryA("C:\\dxcd");
    ImportPatch box(&MessageBoxA_slot, reinterpret_cast<void*>(answerNo));
    ImportPatch system(&GetSystemDirectoryA_slot, reinterpret_cast<void*>(pretendSystemDirectory));
    for (UINT length : {8u, 1024u, 0u}) {  // DirectDraw found: the player is asked, and says No
        systemLength = length;
        boxes = 0;
        EXPECT_EQ(runDirectXStep(nullptr, 1), length == 8 ? 0 : 1) << length;
        EXPECT_EQ(boxes, length == 8 ? 1 : 0) << length;
    }
}

int managerCalls;
SC_HANDLE WINAPI refuseManager(const char*, const char*, DWORD) {
    ++managerCalls;
    SetLastError(ERROR_ACCESS_DENIED);
    return nullptr;
}

// Under the Windows version Wine reports (VORLEX_WINVER): the service manager, asked
// on NT only, refuses a plain user; a second probe finds this process's marker.
TEST(Probe, FlagsFollowTheReportedWindowsAndTheMarkerIsFound) {
    bool windows95 = getenv("VORLEX_WINVER") != nullptr && std::string(getenv("VORLEX_WINVER")) == "win95";
    ImportPatch manager(&OpenSCManagerA_slot, reinterpret_cast<void*>(refuseManager));
    systemProfile.restartRequested = 1;
    probe("/Uninstall");
    EXPECT_EQ(systemProfile.win95OrLater, windows95 ? 1 : 0);
    EXPECT_EQ(systemProfile.winNt4OrLater, windows95 ? 0 : 1);
    EXPECT_EQ(systemProfile.windowsVersion, windows95 ? 0x40000u : 0x60001u);
    EXPECT_EQ(systemProfile.administrator, windows95 ? 1 : 0);
    EXPECT_EQ(managerCalls, windows95 ? 0 : 1);
    EXPECT_EQ(systemProfile.restartRequested, 0);
    EXPECT_EQ(systemProfile.uninstallMode, 'U');
    EXPECT_EQ(systemProfile.anotherInstance, 0);
    probe("");
    EXPECT_EQ(systemProfile.uninstallMode, 0);
    EXPECT_EQ(systemProfile.anotherInstance, 1);
    EXPECT_EQ(InstanceMarker::release(), 0);
    EXPECT_EQ(InstanceMarker::acquire(), 0) << "released, the name is free again";
}

}  // namespace
