// The plain operations of an install and its undo against Wine's files, registry and shell,
// with the faults Wine cannot give injected.
#include <gtest/gtest.h>
#include <objbase.h>
#include <stdlib.h>

#include <functional>
#include <memory>
#include <vector>

#include "app/install_record.h"
#include "app/system_profile.h"
#include "directx/directx_step.h"
#include "install/copy_engine.h"
#include "install/install_bootstrap.h"
#include "install/install_options_dialog.h"
#include "resource.h"
#include "install/shortcuts.h"
#include "install/uninstaller_copy.h"
#include "machine.h"
#include "uninstall/deferred_delete.h"
#include "uninstall/removal.h"

IMPORT_SLOT(CoCreateInstance, 20);
IMPORT_SLOT(timeGetTime, 0);
IMPORT_SLOT(GetWindowsDirectoryA, 8);
IMPORT_SLOT(GetSystemDirectoryA, 8);
IMPORT_SLOT(MessageBoxA, 16);
IMPORT_SLOT(GetProcAddress, 8);
IMPORT_SLOT(HeapReAlloc, 16);
IMPORT_SLOT(DialogBoxParamA, 20);

namespace {

const char* const Folder = "C:\\Games\\Vorlex";

// The size of a file of the install, also while the copy holds it open.
DWORD installedSize(const char* name) {
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    GetFileAttributesExA((std::string(Folder) + "\\" + name).c_str(), GetFileExInfoStandard, &data);
    return data.nFileSizeLow;
}

DWORD WINAPI askToAbort(void* job) { return pauseCopy(*static_cast<CopyJob*>(job)), 0; }

// The CD file is a pipe the test fills, so a read waits as on a scratched disc. Asking
// must not wait for it; the chunk read meanwhile is held, written once after No, not after Yes.
TEST(CopyEngine, AbortWhileTheCdReadWaits) {
    const char* const cd = "\\\\.\\pipe\\vorlexcd";
    HANDLE pipe = CreateNamedPipeA(cd, PIPE_ACCESS_OUTBOUND, 0, 1, 1 << 20, 1 << 20, 0, nullptr);
    const FilePair pairs[] = {{cd, "big.dat"}, {"data\\vlx.exe", "Vorlex.exe"}, {nullptr, nullptr}};
    InstallManifest manifest = installManifest;
    manifest.filePairs = pairs;
    CopyJob job;  // as the copy dialog fills it in
    job.manifest = &manifest;
    copyText(job.installFolder, sizeof job.installFolder, Folder);
    CreateDirectoryA("C:\\Games", nullptr);
    CreateDirectoryA(Folder, nullptr);
    KernelHandle worker;
    ASSERT_EQ(startCopy(job, worker), 1);
    ConnectNamedPipe(pipe, nullptr);
    auto feedAndExpect = [&](DWORD size) {
        static const std::string chunk(65536, 'c');
        DWORD written = 0;
        WriteFile(pipe, chunk.data(), static_cast<DWORD>(chunk.size()), &written, nullptr);
        for (DWORD t = GetTickCount(); installedSize("big.dat") != size && GetTickCount() - t < scaledMs(5000);) Sleep(10);
        Sleep(scaledMs(100));  // and no write comes late
        EXPECT_EQ(installedSize("big.dat"), size);
    };
    feedAndExpect(65536);
    for (int stop : {0, 1}) {
        HANDLE asker = CreateThread(nullptr, 0, askToAbort, &job, 0, nullptr);
        EXPECT_EQ(WaitForSingleObject(asker, scaledMs(2000)), WAIT_OBJECT_0) << "asking waited for the read";
        CloseHandle(asker);
        feedAndExpect(65536 * (1 + stop));  // the chunk read while the question is open is held
        resumeCopy(job, stop);
    }
    CloseHandle(pipe);  // a worker that went on reading ends too
    EXPECT_EQ(WaitForSingleObject(worker.get(), scaledMs(10000)), WAIT_OBJECT_0);
    finishCopy(job);
    endCopy(job, worker);
    EXPECT_EQ(std::string(job.errorText), abortMarker);
    EXPECT_EQ(installedSize("big.dat"), 2u * 65536) << "the held chunk once after No, none after Yes";
    EXPECT_FALSE(exists(std::string(Folder) + "\\Vorlex.exe"));
    DeleteFileA("C:\\Games\\Vorlex\\big.dat");
    RemoveDirectoryA(Folder);
}

// An install's traces, each named while it is still there.
std::vector<std::string> leftovers() {
    std::vector<std::string> left;
    char group[1024] = {};
    if (shortcutGroupFolder(group) && exists(group)) left.push_back(group);
    for (const char* key : {VersionKeyName, PublisherKeyName, UninstallEntryKeyName})
        if (keyExists(key)) left.push_back(key);
    if (exists(Folder)) left.push_back(Folder);
    if (anyFile("C:\\windows\\N*-Vorlex-Setup.exe")) left.push_back("an uninstaller copy");
    return left;
}

std::string bootstrap() {
    const char* failure = bootstrapInstall(GetModuleHandleA(nullptr), Folder, installManifest);
    return failure != nullptr ? failure : "";
}

HRESULT WINAPI noShellLink(REFCLSID, IUnknown*, DWORD, REFIID, void** object) {
    *object = nullptr;
    return REGDB_E_CLASSNOTREG;
}

// Each failing step names itself and deletes the uninstaller copy just made; the
// undo then leaves the machine as it was.
TEST(Rollback, EveryBootstrapFailureIsUndoneWhole) {
    ASSERT_EQ(leftovers(), std::vector<std::string>{});
    std::pair<const char*, std::function<std::shared_ptr<void>()>> cases[] = {
        {"Setup init error", [] { return std::make_shared<CopyFileFails>(ERROR_DISK_FULL); }},
        {"Install reg error", [] { return std::make_shared<RegistryKeyRefused>(VersionKeyName); }},
        {"Start menu error",
         [] { return std::make_shared<ImportPatch>(&CoCreateInstance_slot, reinterpret_cast<void*>(noShellLink)); }},
        {"Uninstall reg error", [] { return std::make_shared<RegistryKeyRefused>(UninstallEntryKeyName); }},
    };
    for (auto& [error, inject] : cases) {
        std::shared_ptr<void> fault = inject();
        EXPECT_EQ(bootstrap(), error);
        fault.reset();
        EXPECT_FALSE(anyFile("C:\\windows\\N*-Vorlex-Setup.exe")) << error;
        undoInstall(nullptr);
        EXPECT_EQ(leftovers(), std::vector<std::string>{}) << error;
    }
}

// The undo removes what the install made, a read-only file too, and nothing else: a
// file of the player's keeps itself and the folder; a file in use goes at the restart.
TEST(Rollback, UndoRemovesOnlyWhatTheInstallMade) {
    CoInitialize(nullptr);  // as after Browse: the links are made on a thread that has COM already
    ASSERT_EQ(bootstrap(), "");
    EXPECT_EQ(leftovers().size(), 6u) << "group, three keys, folder, uninstaller copy";
    for (const char* name : {"Vorlex.exe", "filesys.dat", "scrngrab.bmp", "save1.sav"})
        writeFile(std::string(Folder) + "\\" + name, "x");
    SetFileAttributesA("C:\\Games\\Vorlex\\filesys.dat", FILE_ATTRIBUTE_READONLY);
    HANDLE held = CreateFileA("C:\\Games\\Vorlex\\scrngrab.bmp", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    int deferred = 0;
    EXPECT_EQ(undoInstall(nullptr, &deferred), 1);
    EXPECT_EQ(deferred, 1);
    EXPECT_EQ(leftovers(), std::vector<std::string>{Folder});
    EXPECT_TRUE(exists("C:\\Games\\Vorlex\\save1.sav"));
    EXPECT_FALSE(exists("C:\\Games\\Vorlex\\filesys.dat"));
    CloseHandle(held);
    CoUninitialize();
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
    // Filling the buffer with its NUL, filling it without one (a cut path), stored without a NUL.
    for (auto [stored, expected] : std::vector<std::pair<std::string, std::string>>{
             {std::string(1023, 'a') + '\0', std::string(1023, 'a')}, {std::string(1024, 'b'), ""}, {"E:\\V", "E:\\V"}}) {
        for (const char* name : {"Path", "Setup"})
            RegSetKeyValueA(HKEY_LOCAL_MACHINE, VersionKeyName, name, REG_SZ, stored.data(), stored.size());
        EXPECT_EQ(readInstallRecord(path, setup), expected.empty() ? 0 : 1) << stored.size();
        EXPECT_EQ(std::string(path) + "|" + setup, expected + "|" + expected) << stored.size();
    }
    RegSetKeyValueA(HKEY_LOCAL_MACHINE, "Software\\Halvane\\Other\\2.0", "Path", REG_SZ, "C:\\O", 5);
    EXPECT_EQ(deleteInstallKeys(), 0);
    EXPECT_FALSE(keyExists(GameKeyName));
    EXPECT_TRUE(keyExists("Software\\Halvane\\Other\\2.0")) << "another product of the publisher's stays";
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
}

DWORD WINAPI fixedTime() { return 0x12AB34; }

TEST(UninstallerCopy, NumberedNamesAndFailures) {
    char out[1024], self[MAX_PATH];
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
        int calls = CopyFileFails::calls;
        EXPECT_TRUE(error == ERROR_DISK_FULL ? calls == 1 : calls > 10 && calls <= 10000) << error << ": " << calls;
    }
}

// WININIT.INI holds other programs' pending deletions: new text that cannot be written
// whole (to a file beside it first), or a file too big for the heap to read whole,
// leaves it byte for byte, with nothing beside it.
TEST(DeferredDeletion, IniFileIsRewrittenWholeOrLeftAsItWas) {
    const std::string original = "[Rename]\r\nNUL=C:\\OTHER~1.EXE\r\n" + std::string(70000, ';') + "\r\n";
    writeFile("C:\\deferred.ini", original);
    for (bool shortWrite : {true, false}) {
        {
            WriteFault write(1, shortWrite);
            EXPECT_EQ(insertIniEntry("C:\\deferred.ini", "Rename", "NUL", "C:\\X.EXE"), 0);
        }
        EXPECT_TRUE(readFile("C:\\deferred.ini") == original) << shortWrite;
    }
    struct HeapFull {
        static void* WINAPI reAllocate(HANDLE, DWORD, void*, SIZE_T) { return nullptr; }
    };
    {
        ImportPatch heapFull(&HeapReAlloc_slot, reinterpret_cast<void*>(&HeapFull::reAllocate));
        insertIniEntry("C:\\deferred.ini", "Rename", "NUL", "C:\\X.EXE");
    }
    EXPECT_TRUE(readFile("C:\\deferred.ini") == original) << "read in part";
    // A rewrite cut short between its renames: the old text aside, a read-only new one
    // beside it. The old text comes back and takes the entry.
    MoveFileA("C:\\deferred.ini", "C:\\deferred.VXO");
    writeFile("C:\\deferred.VXN", "[Rename]\r\n");
    SetFileAttributesA("C:\\deferred.VXN", FILE_ATTRIBUTE_READONLY);
    EXPECT_EQ(insertIniEntry("C:\\deferred.ini", "Rename", "NUL", "C:\\X.EXE"), 1);
    EXPECT_TRUE(readFile("C:\\deferred.ini") == "[Rename]\r\nNUL=C:\\X.EXE\r\n" + original.substr(10));
    EXPECT_FALSE(anyFile("C:\\deferred.v*"));
}

// On the Windows 95 family a file in use goes through WININIT.INI, and only in a Windows
// directory that fits its buffer (a cut one would name another folder). Put off on either
// route, it names its folder until the restart. Both routes' restarts are the journeys'.
std::string pretendWindows;
UINT WINAPI pretendWindowsDirectory(char* out, UINT size) {
    if (pretendWindows.size() >= size) return size;  // too long: the buffer as it was, and its size
    lstrcpynA(out, pretendWindows.c_str(), static_cast<int>(size));
    return static_cast<UINT>(pretendWindows.size());
}

TEST(DeferredDeletion, FileInUseIsPutOffAndNamesItsFolderUntilTheRestart) {
    ImportPatch patch(&GetWindowsDirectoryA_slot, reinterpret_cast<void*>(pretendWindowsDirectory));
    const char* const game = "C:\\Games\\Vorlex\\Vorlex.exe";
    CreateDirectoryA(Folder, nullptr);
    writeFile(game, "x");
    HANDLE held = CreateFileA(game, GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    SetCurrentDirectoryA("C:\\");
    RegDeleteKeyValueA(HKEY_LOCAL_MACHINE, "System\\CurrentControlSet\\Control\\Session Manager",
                       "PendingFileRenameOperations");  // the undo's, above
    systemProfile.win95OrLater = 1;
    for (size_t length : {1023u, 1100u, 10u}) {
        pretendWindows = length == 10 ? "C:\\windows" : "C:\\" + std::string(length - 3, 'w');
        char out[1024];
        EXPECT_EQ(makeUninstallerCopy(nullptr, out), length == 10 ? 1 : 0) << length;
        DeleteFileA(out);
        EXPECT_EQ(DeferredDelete(game), length == 10 ? 1 : -1) << "a deletion not put off is said so";
        EXPECT_EQ(exists("C:\\windows\\WININIT.INI"), length == 10) << length;
        EXPECT_FALSE(exists("C:\\WININIT.INI"));
        EXPECT_EQ(removalPendingUnder("c:\\games\\VORLEX"), length == 10 ? 1 : 0) << length;
    }
    DeleteFileA("C:\\windows\\WININIT.INI");
    systemProfile.win95OrLater = 0;
    EXPECT_EQ(removalPendingUnder(Folder), 0);
    EXPECT_EQ(DeferredDelete(game), 1);
    EXPECT_EQ(removalPendingUnder(Folder) * 4 + removalPendingUnder("C:\\Games\\Vorl") * 2 +
                  removalPendingUnder("C:\\Games\\Vorlex2"), 4) << "its folder, none beginning alike";
    CloseHandle(held);
}

// Rounding as the C library's in a program started as setup.exe is (see fpu_probe.cpp).
TEST(Formatter, RoundsAsPrintfFromTheProgramsOwnEntry) {
    STARTUPINFOA start = {sizeof start, nullptr, nullptr, nullptr, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, nullptr, {}, {}, {}};
    PROCESS_INFORMATION probe = {};
    ASSERT_TRUE(CreateProcessA(getenv("VORLEX_PROBE"), nullptr, nullptr, nullptr, 0, 0, nullptr, nullptr, &start, &probe));
    DWORD code = 99;
    WaitForSingleObject(probe.hProcess, scaledMs(20000));
    EXPECT_TRUE(GetExitCodeProcess(probe.hProcess, &code) && code == 0) << code;
}

// Windows 95 as first shipped has no GetDiskFreeSpaceExA; its drive still has room.
TEST(FreeSpace, MeasuredWithoutGetDiskFreeSpaceEx) {
    static void* real = GetProcAddress_slot;
    struct Windows95 {
        static FARPROC WINAPI lookUp(HMODULE module, const char* name) {
            bool missing = HIWORD(name) != 0 && lstrcmpA(name, "GetDiskFreeSpaceExA") == 0;
            return missing ? nullptr : reinterpret_cast<decltype(&lookUp)>(real)(module, name);
        }
    };
    ImportPatch patch(&GetProcAddress_slot, reinterpret_cast<void*>(&Windows95::lookUp));
    int32_t megabytes = 0;
    EXPECT_EQ(freeSpaceWhereFilesLand("C:\\Games\\Not made yet", "C:\\", &megabytes), 1);
    EXPECT_GT(megabytes, 0);
}

// The DirectX step with the stand-in setup library (dsetup.cfg holds its answers): DirectDraw
// marks an unreported old release, looked for only in a system folder that fits its buffer.
UINT systemLength;
UINT WINAPI pretendSystemDirectory(char* out, UINT size) {
    lstrcpynA(out, "C:\\dxsys", static_cast<int>(size));
    return systemLength;
}
std::vector<std::string> asked;
int reply;
int WINAPI answer(HWND, const char* text, const char*, UINT) {
    asked.push_back(text);
    return reply;
}

TEST(DirectXStep, AsksRunsTheSetupOfTheCdAndAsksForTheRestart) {
    for (const char* folder : {"C:\\dxcd", "C:\\dxcd\\directx", "C:\\dxsys"}) CreateDirectoryA(folder, nullptr);
    std::string library = std::string(getenv("VORLEX_DSETUP_DIR")) + "\\dsetup.dll";
    ASSERT_TRUE(CopyFileA(library.c_str(), "C:\\dxcd\\directx\\dsetup.dll", FALSE)) << library;
    writeFile("C:\\dxcd\\directx\\dsetup.cfg", "version=3\nrevision=7\nversionok=0\nresult=0\n");
    writeFile("C:\\dxsys\\ddraw.dll", "MZ");
    SetCurrentDirectoryA("C:\\dxcd");
    ImportPatch box(&MessageBoxA_slot, reinterpret_cast<void*>(answer));
    ImportPatch system(&GetSystemDirectoryA_slot, reinterpret_cast<void*>(pretendSystemDirectory));
    reply = IDNO;
    for (UINT length : {8u, 1024u, 0u}) {  // DirectDraw found: the player is asked, and says No
        systemLength = length;
        asked.clear();
        EXPECT_EQ(runDirectXStep(nullptr, 1), length == 8 ? 0 : 1) << length;
        EXPECT_EQ(asked.size(), length == 8 ? 1u : 0u) << length;
    }
    // Yes: the setup runs from the CD's folder; its restart, agreed to, waits for the launcher's end.
    reply = IDYES;
    for (const char* result : {"1", "-9"}) {
        asked.clear();
        systemProfile.restartRequested = 0;
        writeFile("C:\\dxcd\\directx\\dsetup.cfg", std::string("version=3\nresult=") + result + "\n");
        EXPECT_EQ(runDirectXStep(nullptr, 0), result[0] == '1' ? 1 : 0);
        ASSERT_EQ(asked.size(), 2u);
        EXPECT_EQ(asked[1], result[0] == '1' ? "It is highly recommended that you reboot your\ncomputer now, to "
                                               "finish the DirectX install.\n\nDo you want to reboot now?"
                                             : "DirectX could not be installed, Vorlex may not work!");
        EXPECT_EQ(systemProfile.restartRequested, result[0] == '1' ? 1 : 0);
    }
    EXPECT_NE(readFile("C:\\dxcd\\directx\\dsetup.log").find("DirectXSetupA owner=0 source=C:\\dxcd\\directx "
                                                              "flags=0x10018"), std::string::npos);
}

// A copy dialog that cannot open is a failed install: the clean-up follows, the options stay.
TEST(InstallOptions, CopyDialogThatCannotOpenIsAFailedInstall) {
    static std::vector<int> opened;
    static void* real;
    struct Dialogs {
        static INT_PTR WINAPI open(HINSTANCE module, const char* name, HWND owner, DLGPROC procedure, LPARAM value) {
            opened.push_back(LOWORD(reinterpret_cast<ULONG_PTR>(name)));
            if (opened.back() != IDD_INSTALL_OPTIONS) return opened.back() == IDD_COPY_PROGRESS ? -1 : 0;
            return reinterpret_cast<decltype(&open)>(real)(module, name, owner, procedure, value);
        }
        static void CALLBACK pressInstallThenAbort(HWND, UINT, UINT_PTR timer, DWORD) {
            KillTimer(nullptr, timer);
            for (int id : {IDC_OPTIONS_INSTALL_NOW, IDC_OPTIONS_ABORT})
                SendMessageA(FindWindowA(nullptr, "Vorlex Install Options"), WM_COMMAND, id, 0);
        }
    };
    systemProfile.administrator = systemProfile.winNt4OrLater = 1;
    reply = IDYES;  // to the notices
    ImportPatch box(&MessageBoxA_slot, reinterpret_cast<void*>(answer));
    ImportPatch dialogs(&DialogBoxParamA_slot, reinterpret_cast<void*>(&Dialogs::open));
    real = dialogs.original;
    SetTimer(nullptr, 0, 10, &Dialogs::pressInstallThenAbort);
    InstallOptionsDialog().runModal(nullptr);
    EXPECT_EQ(opened, (std::vector<int>{IDD_INSTALL_OPTIONS, IDD_COPY_PROGRESS, IDD_INSTALL_ERROR}));
}

}  // namespace
