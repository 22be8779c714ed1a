// The plain operations of an install and its undo against Wine's files, registry and shell,
// with the faults Wine cannot give injected.
#include <gtest/gtest.h>
#include <objbase.h>
#include <shellapi.h>
#include <shlobj.h>

#include <functional>
#include <memory>
#include <vector>

#include "app/bounded_format.h"
#include "app/install_record.h"
#include "app/restart.h"
#include "app/scoped_handles.h"
#include "app/system_profile.h"
#include "directx/directx_step.h"
#include "install/copy_engine.h"
#include "install/install_bootstrap.h"
#include "install/install_options_dialog.h"
#include "resource.h"
#include "install/shortcuts.h"
#include "install/uninstaller_copy.h"
#include "launcher/shell_start.h"
#include "machine.h"
#include "uninstall/deferred_delete.h"
#include "uninstall/removal.h"
#include "uninstall/uninstall_dialog.h"

IMPORT_SLOT(GetWindowsDirectoryA, 8); IMPORT_SLOT(GetSystemDirectoryA, 8); IMPORT_SLOT(GetDiskFreeSpaceA, 20);
IMPORT_SLOT(MoveFileExA, 12); IMPORT_SLOT(RegQueryValueExA, 24); IMPORT_SLOT(MoveFileA, 8); IMPORT_SLOT(DeleteFileA, 4); IMPORT_SLOT(ReadFile, 20); IMPORT_SLOT(HeapReAlloc, 16); IMPORT_SLOT(GetProcAddress, 8);
IMPORT_SLOT(MessageBoxA, 16); IMPORT_SLOT(DialogBoxParamA, 20); IMPORT_SLOT(ExitWindowsEx, 8); IMPORT_SLOT(FlushFileBuffers, 4);
IMPORT_SLOT(CoCreateInstance, 20); IMPORT_SLOT(SHBrowseForFolderA, 4); IMPORT_SLOT(SHGetPathFromIDListA, 8);

namespace {

const char* const Folder = "C:\\Games\\Vorlex";
const char* const SessionManager = "System\\CurrentControlSet\\Control\\Session Manager";

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
    CreateDirectoryA("C:\\Games", nullptr);  // the install makes its own folder only
    const char* failure = bootstrapInstall(GetModuleHandleA(nullptr), Folder, installManifest);
    return failure != nullptr ? failure : "";
}

HRESULT WINAPI noShellLink(REFCLSID, IUnknown*, DWORD, REFIID, void** out) { return *out = nullptr, REGDB_E_CLASSNOTREG; }

// An entry the program looks up at run time, answered by the test (null: the system lacks it).
struct LookUp {
    static inline void* real;
    static inline std::vector<std::pair<std::string, void*>> answers;
    static FARPROC WINAPI lookUp(HMODULE module, const char* asked) {
        for (auto& [name, answer] : answers)
            if (HIWORD(asked) != 0 && name == asked) return reinterpret_cast<FARPROC>(answer);
        return reinterpret_cast<decltype(&lookUp)>(real)(module, asked);
    }
    ImportPatch patch{&GetProcAddress_slot, reinterpret_cast<void*>(&lookUp)};
    LookUp(std::vector<std::pair<std::string, void*>> entries) { real = patch.original, answers = entries; }
    LookUp(const char* entry, FARPROC with) : LookUp({{entry, reinterpret_cast<void*>(with)}}) {}
};

// Each failing step names itself and deletes the uninstaller copy; the undo leaves the machine as it was.
TEST(Rollback, EveryBootstrapFailureIsUndoneWhole) {
    ASSERT_EQ(leftovers(), std::vector<std::string>{});
    std::pair<const char*, std::function<std::shared_ptr<void>()>> cases[] = {
        {"Setup init error", [] { return std::make_shared<CopyFileFails>(ERROR_DISK_FULL); }},
        {"Install reg error", [] { return std::make_shared<RegistryKeyRefused>(VersionKeyName); }},
        {"Start menu error",
         [] { return std::make_shared<ImportPatch>(&CoCreateInstance_slot, reinterpret_cast<void*>(noShellLink)); }},
        {"Uninstall reg error", [] { return std::make_shared<RegistryKeyRefused>(UninstallEntryKeyName); }}};
    for (auto& [error, inject] : cases) {
        std::shared_ptr<void> fault = inject();
        EXPECT_EQ(bootstrap(), error);
        fault.reset();
        EXPECT_FALSE(anyFile("C:\\windows\\N*-Vorlex-Setup.exe")) << error;
        undoInstall(nullptr);
        EXPECT_EQ(leftovers(), std::vector<std::string>{}) << error;
    }
}

// Target, arguments and working folder of a link, as the shell reads them back.
std::string linkOf(const std::string& path) {
    char target[MAX_PATH] = {}, arguments[MAX_PATH] = {}, folder[MAX_PATH] = {};
    WCHAR wide[MAX_PATH] = {};
    MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide, MAX_PATH);
    ComRef<IShellLinkA> link;
    ComRef<IPersistFile> file;
    if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA, link.out())) &&
        SUCCEEDED(link->QueryInterface(IID_IPersistFile, file.out())) && SUCCEEDED(file->Load(wide, STGM_READ)) &&
        SUCCEEDED(link->GetPath(target, MAX_PATH, nullptr, SLGP_RAWPATH)))
        link->GetArguments(arguments, MAX_PATH), link->GetWorkingDirectory(folder, MAX_PATH);
    return std::string(target) + "|" + arguments + "|" + folder;
}

const char* const ShellFolders = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
const char* const ProfileList = "Software\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList\\S-1-5-21-0-0-0-1001";

// The undo removes what the install made and nothing else, in the folder and in every account's VirtualStore
// (what the game wrote there unelevated): a file of the player's keeps itself and the folder. It
// tells what is true: files in use go at the restart, those that cannot are told, a copy that cannot go is named. With nothing
// recorded it touches no file (a folder read as "" would name the root).
TEST(Rollback, UndoRemovesOnlyWhatTheInstallMadeAndTellsWhatItLeaves) {
    static std::string copy, data;
    static void* realMove;
    struct CopyNotPutOff {
        static BOOL WINAPI move(const char* from, const char* to, DWORD flags) {
            return copy == from || data == from ? FALSE : reinterpret_cast<decltype(&move)>(realMove)(from, to, flags);
        }
    };
    SetCurrentDirectoryA("C:\\");
    writeFile("C:\\Vorlex.exe", "x");
    undoInstall(nullptr);
    EXPECT_TRUE(DeleteFileA("C:\\Vorlex.exe")) << "removed with no install recorded";
    // Windows 95 without profiles has no every-account group: the player's own takes the links.
    char common[1024] = {}, group[1024] = {}, path[1024] = {}, setup[1024] = {}, local[1024] = {}, notice[1024] = {};
    DWORD size = sizeof common;
    RegGetValueA(HKEY_LOCAL_MACHINE, ShellFolders, "Common Programs", RRF_RT_REG_SZ, nullptr, common, &size);
    RegDeleteKeyValueA(HKEY_LOCAL_MACHINE, ShellFolders, "Common Programs");
    LookUp windows95Shell("SHGetSpecialFolderLocation", nullptr);  // its shell knows no such folder
    CoInitialize(nullptr);  // as after Browse: the links are made on a thread that has COM already
    ASSERT_EQ(bootstrap(), "");
    EXPECT_EQ(leftovers().size(), 6u) << "group, three keys, folder, uninstaller copy";
    programGroupFolder(group), readInstallRecord(path, setup);
    EXPECT_EQ(linkOf(std::string(group) + "\\Vorlex - Play.lnk"), "C:\\Games\\Vorlex\\Vorlex.exe||C:\\Games\\Vorlex");
    EXPECT_EQ(linkOf(std::string(group) + "\\Vorlex - Setup.lnk"), std::string(setup) + "||C:\\Games\\Vorlex");
    GetEnvironmentVariableA("LOCALAPPDATA", local, sizeof local);
    // Another account's store too, found by its profile: the player's, where setup ran as the administrator he named.
    const std::string store = std::string(local) + "\\VirtualStore\\Games\\Vorlex", profile = "%SystemDrive%\\users\\player",
                      player = "C:\\users\\player\\AppData\\Local\\VirtualStore\\Games\\Vorlex";
    RegSetKeyValueA(HKEY_LOCAL_MACHINE, ProfileList, "ProfileImagePath", REG_EXPAND_SZ, profile.c_str(), profile.size() + 1);
    for (const std::string& folder : {store, player}) SHCreateDirectoryExA(nullptr, folder.c_str(), nullptr);
    for (const char* name : {"\\Vorlex.exe", "\\filesys.dat", "\\scrngrab.bmp", "\\save1.sav"})
        writeFile(Folder + std::string(name), "x"), writeFile(store + name, "x"), writeFile(player + name, "x");
    copy = setup, data = std::string(Folder) + "\\filesys.dat";  // in use, and neither can be put off
    std::vector<HANDLE> held;  // the player's copy of the game in use too: put off
    for (const std::string& file : {player + "\\Vorlex.exe", copy, data}) held.push_back(CreateFileA(file.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    ProfileKept kept;
    systemProfile.win95OrLater = 0;
    {
        ImportPatch move(&MoveFileExA_slot, reinterpret_cast<void*>(&CopyNotPutOff::move));
        realMove = move.original;
        EXPECT_EQ(undoInstall(nullptr, notice), 1);
    }
    EXPECT_EQ(std::string(notice), "Some files of Vorlex are in use and will be removed when Windows restarts.\n\n"
                                   "Some files of Vorlex are in use and could not be removed.\n\nPlease delete them once "
                                   "the game has ended.\n\nThe uninstaller " + copy + " could not be removed.\n\n"
                                   "Please delete it once this window is closed.");
    EXPECT_EQ(leftovers(), (std::vector<std::string>{Folder, "an uninstaller copy"}));
    char pending[8192] = {}; DWORD pendingSize = sizeof pending;  // the store of a copy put off goes then too, no other
    RegGetValueA(HKEY_LOCAL_MACHINE, SessionManager, "PendingFileRenameOperations", RRF_RT_REG_MULTI_SZ, nullptr, pending, &pendingSize);
    EXPECT_TRUE(std::string(pending, pendingSize).find(player + '\0') != std::string::npos && std::string(pending, pendingSize).find(store + '\0') == std::string::npos);
    EXPECT_TRUE(exists(Folder + std::string("\\save1.sav")) && exists(store + "\\save1.sav") && exists(player + "\\save1.sav"));
    EXPECT_FALSE(exists(Folder + std::string("\\scrngrab.bmp")) || exists(store + "\\scrngrab.bmp") || exists(player + "\\scrngrab.bmp"));
    for (HANDLE h : held) CloseHandle(h);
    for (std::string file : {copy, data, Folder + std::string("\\save1.sav"), std::string(Folder)}) DeleteFileA(file.c_str()) || RemoveDirectoryA(file.c_str());
    for (std::string tree : {std::string(local) + "\\VirtualStore", std::string("C:\\users\\player")}) {
        SHFILEOPSTRUCTA gone = {nullptr, FO_DELETE, (tree += '\0').c_str(), nullptr, FOF_NO_UI, FALSE, nullptr, nullptr};
        SHFileOperationA(&gone);
    }
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, ProfileList);
    RegDeleteKeyValueA(HKEY_LOCAL_MACHINE, SessionManager, "PendingFileRenameOperations");
    CoUninitialize();
    RegSetKeyValueA(HKEY_LOCAL_MACHINE, ShellFolders, "Common Programs", REG_SZ, common, size);
}

// A value's bytes as another program reads them, the NUL counted.
std::string valueOf(const char* keyName, const char* name) {
    char data[4096];
    DWORD size = sizeof data;
    return RegGetValueA(HKEY_LOCAL_MACHINE, keyName, name, RRF_RT_ANY, nullptr, data, &size) ? "<none>" : std::string(data, size);
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
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, PublisherKeyName);
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

DWORD WINAPI fixedTime() { return 0x12AB34; }  // winmm's millisecond count stands still

TEST(UninstallerCopy, NumberedNamesAndFailures) {
    char out[1024], self[MAX_PATH];
    GetModuleFileNameA(nullptr, self, sizeof self);
    LookUp clock("timeGetTime", reinterpret_cast<FARPROC>(fixedTime));
    for (const char* name : {"N0012AB34", "N0012AB35"}) {  // the first name is taken now
        EXPECT_EQ(makeUninstallerCopy(nullptr, out), 1);
        EXPECT_EQ(std::string(out), std::string("C:\\windows\\") + name + "-Vorlex-Setup.exe");
        EXPECT_TRUE(readFile(out) == readFile(self) && readFile(self).size() > 4096) << "a copy of the running program";
    }
    DeleteFileA("C:\\windows\\N0012AB34-Vorlex-Setup.exe"), DeleteFileA("C:\\windows\\N0012AB35-Vorlex-Setup.exe");
    // A full disk stops at once; names that stay taken are tried a bounded number of times.
    for (DWORD error : {ERROR_DISK_FULL, ERROR_FILE_EXISTS, ERROR_ACCESS_DENIED}) {
        CopyFileFails copy(error);
        EXPECT_EQ(makeUninstallerCopy(nullptr, out), 0);
        EXPECT_STREQ(out, "");
        EXPECT_EQ(CopyFileFails::calls, error == ERROR_DISK_FULL ? 1 : 1000) << error;
    }
}

// WININIT.INI holds other programs' deletions: a rewrite that cannot be written whole, or a file
// the heap cannot hold, leaves it byte for byte, with nothing beside it.
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
    struct HeapFull { static void* WINAPI reAllocate(HANDLE, DWORD, void*, SIZE_T) { return nullptr; } };
    {
        ImportPatch heapFull(&HeapReAlloc_slot, reinterpret_cast<void*>(&HeapFull::reAllocate));
        insertIniEntry("C:\\deferred.ini", "Rename", "NUL", "C:\\X.EXE");
    }
    EXPECT_TRUE(readFile("C:\\deferred.ini") == original) << "read in part";
    DeleteFileA("C:\\deferred.ini");
}

// A rewrite cut short before any of its renames and deletions, then a start of Windows 95 (WININIT.INI carried
// out, kept as WININIT.BAK) or none: the next rewrite keeps every line not carried out, brings back none that
// was and leaves nothing beside. It starts beside a copy set aside by a rewrite cut short after its last rename.
const char* const Cut[] = {"C:\\cut.ini", "C:\\cut.VXN", "C:\\cut.VXO"};
std::vector<std::vector<std::string>> cuts;  // the three files before each step
void *realMove, *realDelete;
void cut() { cuts.push_back({readFile(Cut[0]), readFile(Cut[1]), readFile(Cut[2])}); }
BOOL WINAPI cutMove(const char* from, const char* to) { return cut(), reinterpret_cast<decltype(&cutMove)>(realMove)(from, to); }
BOOL WINAPI cutDelete(const char* file) { return cut(), reinterpret_cast<decltype(&cutDelete)>(realDelete)(file); }
void put(const std::vector<std::string>& files) {  // read-only, as its owner may have made the file
    for (int i = 0; i < 3; ++i) {
        SetFileAttributesA(Cut[i], FILE_ATTRIBUTE_NORMAL), DeleteFileA(Cut[i]);
        if (files[i] != "<none>") writeFile(Cut[i], files[i]), SetFileAttributesA(Cut[i], FILE_ATTRIBUTE_READONLY);
    }
}

TEST(DeferredDeletion, ARewriteCutShortAnywhereRunsNoLineTwiceAndLosesNone) {
    put({"[Rename]\r\nNUL=C:\\NEW.EXE\r\nNUL=C:\\OLD.EXE\r\n", "<none>", "[Rename]\r\nNUL=C:\\OLD.EXE\r\n"});
    {
        ImportPatch move(&MoveFileA_slot, reinterpret_cast<void*>(cutMove)), remove(&DeleteFileA_slot, reinterpret_cast<void*>(cutDelete));
        realMove = move.original, realDelete = remove.original;
        EXPECT_EQ(insertIniEntry(Cut[0], "Rename", "NUL", "C:\\CUT.EXE"), 1);
    }
    for (size_t at = 0; at < cuts.size() * 2; ++at) {  // each state, then a start (odd) or none
        std::string ran = at % 2 != 0 ? cuts[at / 2][0] : "";
        put({at % 2 != 0 ? "<none>" : cuts[at / 2][0], cuts[at / 2][1], cuts[at / 2][2]});
        EXPECT_TRUE(insertIniEntry(Cut[0], "Rename", "NUL", "C:\\LATER.EXE") && !anyFile("C:\\cut.v*")) << at;
        for (const char* line : {"NUL=C:\\NEW.EXE", "NUL=C:\\OLD.EXE"})
            EXPECT_NE(readFile(Cut[0]).find(line) == std::string::npos, ran.find(line) == std::string::npos) << line << at;
    }
    put({"<none>", "<none>", "<none>"});
}

struct ReadFault {
    static inline int calls, failing; static inline void* real;
    static BOOL WINAPI read(HANDLE file, void* data, DWORD size, DWORD* got, OVERLAPPED* overlapped) {
        return ++calls == failing ? SetLastError(ERROR_CRC), FALSE : decltype(&read)(real)(file, data, size, got, overlapped);
    }
    explicit ReadFault(int atCall) { calls = 0, failing = atCall, real = patch.original; }
    ImportPatch patch{&ReadFile_slot, reinterpret_cast<void*>(read)};
};
struct FlushFault {  // filesys.dat's (the second file's) data never reaches the disk: the install has not finished
    static inline int calls; static inline void* real;
    static BOOL WINAPI flush(HANDLE f) { return ++calls == 2 ? SetLastError(ERROR_WRITE_FAULT), FALSE : decltype(&flush)(real)(f); }
    FlushFault() { calls = 0, real = patch.original; }
    ImportPatch patch{&FlushFileBuffers_slot, reinterpret_cast<void*>(flush)};
};

// On the Windows 95 family a file in use goes through WININIT.INI, only in a Windows directory that
// fits its buffer. Put off on either route, it is found in the folder, however spelt, until the restart.
std::string pretendWindows;
UINT WINAPI pretendWindowsDirectory(char* out, UINT size) {
    if (pretendWindows.size() >= size) return size;  // too long: the buffer as it was, and its size
    lstrcpynA(out, pretendWindows.c_str(), static_cast<int>(size));
    return static_cast<UINT>(pretendWindows.size());
}

struct RegistryGrows {  // RegQueryValueExA finds the value grown since its size was asked, `reads` times
    static inline int reads; static inline void* real;
    static LONG WINAPI query(HKEY key, const char* name, DWORD* reserved, DWORD* type, BYTE* data, DWORD* size) {
        if (data != nullptr && reads-- > 0) return *size += 2, ERROR_MORE_DATA;
        return reinterpret_cast<decltype(&query)>(real)(key, name, reserved, type, data, size);
    }
    ImportPatch patch{&RegQueryValueExA_slot, reinterpret_cast<void*>(query)};
};
int emptyFolds;  // CharUpperBuffA asked to fold nothing:
DWORD WINAPI countedFold(char* text, DWORD n) { return emptyFolds += n == 0, CharUpperBuffA(text, n); }

TEST(DeferredDeletion, FileInUseIsPutOffAndNamesItsFolderUntilTheRestart) {
    ImportPatch patch(&GetWindowsDirectoryA_slot, reinterpret_cast<void*>(pretendWindowsDirectory));
    const char *const folder = "C:\\Games\\Vorlex Long", *const game = "C:\\Games\\Vorlex Long\\Vorlex.exe";
    CreateDirectoryA("C:\\Games", nullptr), CreateDirectoryA(folder, nullptr), writeFile(game, "x");
    HANDLE held = CreateFileA(game, GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    char shortForm[MAX_PATH] = {};
    ASSERT_TRUE(GetShortPathNameA(folder, shortForm, MAX_PATH) && strchr(shortForm, '~')) << shortForm;
    const std::string spellings[] = {"c:\\games\\VORLEX LONG", shortForm, "C:\\Games\\.\\x\\..\\Vorlex Long", "C:/games//vorlex long\\"};
    SetCurrentDirectoryA("C:\\");
    ProfileKept kept;
    systemProfile.win95OrLater = 1;
    for (size_t length : {1023u, 1100u, 10u}) {
        pretendWindows = length == 10 ? "C:\\windows" : "C:\\" + std::string(length - 3, 'w');
        char out[1024];
        EXPECT_EQ(makeUninstallerCopy(nullptr, out), length == 10 ? 1 : 0) << length;
        DeleteFileA(out);
        EXPECT_EQ(DeferredDelete(game), length == 10 ? 1 : -1) << "a deletion not put off is said so";
        EXPECT_EQ(exists("C:\\windows\\WININIT.INI"), length == 10) << length;
        EXPECT_FALSE(exists("C:\\WININIT.INI"));
        for (const std::string& spelling : spellings)  // no WININIT.INI to read: the answer is "cannot tell"
            EXPECT_EQ(removalPendingFor(spelling.c_str()), length == 10 ? 1 : -1) << length << spelling;
    }
    ReadFault once(1);  // a read that fails is tried again
    EXPECT_EQ(removalPendingFor(folder), 1);
    EXPECT_EQ(deferFolderDeletion(folder), 0) << "WININIT.INI puts off files only";
    systemProfile.win95OrLater = 0;  // NT never runs a WININIT.INI (one left under a compatibility mode)
    EXPECT_EQ(removalPendingFor(folder), 0);
    DeleteFileA("C:\\windows\\WININIT.INI");
    systemProfile.win95OrLater = 1;
    LookUp upper("CharUpperBuffA", reinterpret_cast<FARPROC>(reinterpret_cast<void*>(countedFold)));
    writeFile("C:\\windows\\WININIT.VXO", "[Rename]\r\nNUL=C:\\RAN.EXE\r\n");  // set aside by a rewrite whose file has since run
    EXPECT_TRUE(removalPendingFor(folder) == 0 && emptyFolds == 0 && !exists("C:\\windows\\WININIT.VXO")) << "none to fold, none kept";
    systemProfile.win95OrLater = 0;
    EXPECT_EQ(DeferredDelete(game), 1);  // as Wine writes it: "\??\C:\Games\Vorlex Long\Vorlex.exe"
    for (const std::string& spelling : spellings) EXPECT_EQ(removalPendingFor(spelling.c_str()), 1) << spelling;
    for (int grown : {1, 9}) {  // the list grew between its size and its read: read again, a bounded number of times
        RegistryGrows list;
        RegistryGrows::reads = grown, RegistryGrows::real = list.patch.original;
        EXPECT_EQ(removalPendingFor(folder), grown == 1 ? 1 : -1) << grown;
    }
    EXPECT_EQ(removalPendingFor("C:\\Games\\Vorlex Lon"), 0);
    CloseHandle(held), DeleteFileA(game), RemoveDirectoryA(folder);
    // A German folder's case (replacing Wine's list above, then gone); the second list alone.
    using namespace std::string_literals;
    for (auto [list, value, folder] : {std::tuple{"PendingFileRenameOperations", "\\??\\C:\\Spiele\\\xdc" "ber\\Vorlex.exe\0\0"s, "C:\\spiele\\\xfc" "ber"},
             std::tuple{"PendingFileRenameOperations2", "*2\\??\\C:\\Games\\Vorlex\\scrngrab.bmp\0\0"s, Folder}}) {
        RegSetKeyValueA(HKEY_LOCAL_MACHINE, SessionManager, list, REG_MULTI_SZ, value.data(), DWORD(value.size() + 1));
        EXPECT_EQ(removalPendingFor(folder), 1) << value;
        RegDeleteKeyValueA(HKEY_LOCAL_MACHINE, SessionManager, list);
    }
}

// The formatter rounds alike at every x87 precision (NT starts threads at 53 bits, Direct3D sets 24)
// and leaves the thread's own as it was.
TEST(Formatter, RoundsAlikeAtEveryX87Precision) {
    for (unsigned short precision : {0x027F, 0x007F, 0x037F}) {
        unsigned short now = 0;
        __asm__ volatile("fldcw %0" : : "m"(precision));
        char text[16] = {};
        EXPECT_TRUE(formatText(text, sizeof text, "%.1f %.2f", 0.35, 1.005) && std::string(text) == "0.3 1.00")
            << std::hex << precision << ": " << text;
        __asm__ volatile("fnstcw %0" : "=m"(now));
        EXPECT_EQ(now, precision);
    }
}

// Windows 95 as first shipped has no GetDiskFreeSpaceExA: its drive's root is asked. C: has 10 MB.
struct Windows95 {
    static BOOL WINAPI freeSpace(const char* root, DWORD* sectors, DWORD* bytes, DWORD* free, DWORD* clusters) {
        *sectors = 8, *bytes = 512, *free = 2560, *clusters = 99999;
        return lstrcmpA(root, "C:\\") == 0;
    }
    LookUp missing{"GetDiskFreeSpaceExA", nullptr};
    ImportPatch freeSpacePatch{&GetDiskFreeSpaceA_slot, reinterpret_cast<void*>(&freeSpace)};
};

// The DirectX step with the stand-in library (dsetup.cfg holds its answers): DirectDraw marks an
// unreported old release, looked for only in a system folder that fits its buffer.
UINT systemLength;
UINT WINAPI pretendSystemDirectory(char* out, UINT size) {
    lstrcpynA(out, "C:\\dxsys", static_cast<int>(size));
    return systemLength;
}
std::vector<std::string> asked;
int reply;
int WINAPI answer(HWND, const char* text, const char*, UINT style) {
    asked.push_back(std::string(text) + ((style & MB_DEFBUTTON2) != 0 ? " [No]" : ""));  // the drawn default
    return reply;
}

// An administrator on NT with a machine that warns of nothing; notices are answered by answer().
struct Administrator : ProfileKept {
    Administrator() {
        systemProfile.administrator = systemProfile.winNt4OrLater = systemProfile.processorSupported = 1;
        systemProfile.physicalMemory = 64u << 20;
    }
    ImportPatch box{&MessageBoxA_slot, reinterpret_cast<void*>(answer)};
};

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
        EXPECT_EQ(asked, length == 8 ? std::vector<std::string>{"An old version of DirectX is installed on this "
                                                                "computer.\n\nIt is recommended that you install "
                                                                "DirectX 5, do you want to?"}
                                     : std::vector<std::string>{}) << length;
    }
    asked.clear();  // asked from the launcher with DirectX 5 there already: No the default
    writeFile("C:\\dxcd\\directx\\dsetup.cfg", "version=5\nresult=0\n");
    EXPECT_EQ(runDirectXStep(nullptr, 0), 0);
    EXPECT_EQ(asked, std::vector<std::string>{"DirectX 5 is installed on this computer.\n\nDo you want to install "
                                              "DirectX 5 ? [No]"});
    // Yes, and the setup fails: the player is told. (Its restart is the Windows 95 journey's.)
    reply = IDYES;
    asked.clear();
    writeFile("C:\\dxcd\\directx\\dsetup.cfg", "version=3\nresult=-9\n");
    EXPECT_EQ(runDirectXStep(nullptr, 0), 0);
    EXPECT_EQ(asked, (std::vector<std::string>{"DirectX 3 is installed on this computer.\n\nDo you want to install "
                                               "DirectX 5 ?", "DirectX could not be installed, Vorlex may not work!"}));
    CopyFileA((std::string(getenv("VORLEX_DSETUP_DIR")) + "\\dsetup_no_version.dll").c_str(), "C:\\dxcd\\directx\\dsetup.dll", FALSE);
    writeFile("C:\\dxcd\\directx\\dsetup.cfg", "result=1\n"), asked.clear();  // a library that cannot tell the release: none run
    EXPECT_TRUE(runDirectXStep(nullptr, 1) == 0 && asked == std::vector<std::string>{"DirectX could not be installed, Vorlex may not work!"});
}

// The player at the dialogs: each tick runs the next step, done once it returns true.
struct Player {
    static inline std::vector<std::function<bool()>> steps;
    static void CALLBACK tick(HWND, UINT, UINT_PTR, DWORD) { if (!steps.empty() && steps.front()()) steps.erase(steps.begin()); }
    explicit Player(std::vector<std::function<bool()>> script) { steps = std::move(script); }
    ~Player() { KillTimer(nullptr, timer); }
    UINT_PTR timer = SetTimer(nullptr, 0, 10, tick);
};
const char* const Options = "Vorlex Install Options";
// A button pressed in the window of that title once it is up and takes input (no dialog over it).
std::function<bool()> press(const char* title, int id) {
    return [=] { HWND w = FindWindowA(nullptr, title); return w && IsWindowEnabled(w) && PostMessageA(w, WM_COMMAND, id, 0); };
}

// WININIT.INI held by another program: refused, with why. Too little room: asked first, No the default. A copy
// dialog that cannot open is a failed install; where the clean-up's cannot open either, a message box tells.
TEST(InstallOptions, LowSpaceQuestionThenACopyDialogThatCannotOpen) {
    static std::vector<int> opened;
    static void* real;
    struct Dialogs {
        static INT_PTR WINAPI open(HINSTANCE module, const char* name, HWND owner, DLGPROC procedure, LPARAM value) {
            opened.push_back(LOWORD(reinterpret_cast<ULONG_PTR>(name)));
            if (opened.back() != IDD_INSTALL_OPTIONS) return -1;  // the copy's and the clean-up's
            return reinterpret_cast<decltype(&open)>(real)(module, name, owner, procedure, value);
        }
    };
    Administrator administrator;
    reply = IDYES;  // to the notices
    asked.clear(), opened.clear();  // a repeated run starts afresh
    Windows95 system;
    ProfileKept kept;
    systemProfile.win95OrLater = 1, systemProfile.winNt4OrLater = 0;  // whose WININIT.INI is read
    ImportPatch dialogs(&DialogBoxParamA_slot, reinterpret_cast<void*>(&Dialogs::open));
    real = dialogs.original;
    HANDLE held = CreateFileA("C:\\windows\\WININIT.INI", GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
    Player player({press(Options, IDC_OPTIONS_INSTALL_NOW), [=] { return CloseHandle(held) && DeleteFileA("C:\\windows\\WININIT.INI"); },
                   press(Options, IDC_OPTIONS_INSTALL_NOW), press(Options, IDC_OPTIONS_ABORT)});
    InstallOptionsDialog().runModal(nullptr);
    EXPECT_EQ(opened, (std::vector<int>{IDD_INSTALL_OPTIONS, IDD_COPY_PROGRESS, IDD_INSTALL_ERROR}));
    EXPECT_EQ(asked, (std::vector<std::string>{"Windows' list of files to delete when it restarts could not be read.\n\n"
                                               "Please try again, or restart Windows before installing Vorlex here.","The selected drive does not have enough free space.\n\nDo you want to "
                                               "attempt an install anyway? [No]",
                                               "The following problem was detected:\n\n\"Dialog error\"\n\nVorlex has "
                                               "been removed from your computer.\n\nIt is now safe to attempt another "
                                               "install."}));
}

// A disk full, a write that falls short, a CD read that fails halfway (a scratched disc): the
// install fails with the file's name, and the clean-up leaves nothing. Options, copy, clean-up run.

TEST(InstallOptions, ACopyThatFailsInsideAFileIsCleanedUp) {
    static std::vector<std::string> shown;
    static HANDLE game;  // the last run: the copied game held open through the clean-up, as if it ran
    static const char* const copied = "C:\\Program Files\\Vorlex\\Vorlex.exe";
    auto cleanUp = [] {  // Clean Up once the failure shows, OK once the clean-up's end does
        HWND error = FindWindowA(nullptr, "Vorlex Install Error");
        char text[1024] = {};
        if (!GetDlgItemTextA(error, IDC_ERROR_TEXT, text, sizeof text) || (!shown.empty() && shown.back() == text)) return false;
        if (shown.empty() && game == INVALID_HANDLE_VALUE) game = CreateFileA(copied, GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        return shown.push_back(text), PostMessageA(error, WM_COMMAND, IDC_ERROR_CLEAN_UP, 0) != 0;
    };
    for (const char* folder : {"C:\\fakecd", "C:\\fakecd\\data"}) CreateDirectoryA(folder, nullptr);
    writeFile("C:\\fakecd\\data\\vlx.exe", std::string(100000, 'v'));  // two chunks of 64 KB
    writeFile("C:\\fakecd\\data\\filesys.dat", std::string(200000, 'f'));
    SetCurrentDirectoryA("C:\\fakecd");
    Administrator administrator;
    std::function<std::shared_ptr<void>()> faults[] = {  // at filesys.dat's first chunk, its second, or its flush
        [] { return std::make_shared<WriteFault>(3, false); }, [] { return std::make_shared<WriteFault>(4, true); },
        [] { return std::make_shared<ReadFault>(5); }, [] { return std::make_shared<FlushFault>(); },
        [] { return std::make_shared<WriteFault>(3, false); }};
    for (auto& fault : faults) {
        shown.clear(), asked.clear();
        game = &fault == &faults[4] ? INVALID_HANDLE_VALUE : nullptr;
        std::shared_ptr<void> injected = fault();
        Player player({press(Options, IDC_OPTIONS_INSTALL_NOW), cleanUp, cleanUp, press(Options, IDC_OPTIONS_ABORT)});
        InstallOptionsDialog().runModal(nullptr);
        // The game in use goes at the restart, which would delete a new install's game with it: not safe there yet.
        EXPECT_EQ(shown, (std::vector<std::string>{"The following problem was detected:\n\n\"Error with file: data\\filesys.dat\"",
                                                   game ? "Vorlex has been removed from your computer.\n\nSome of its files go when Windows restarts."
                                                        : "Vorlex has been removed from your computer.\n\nIt is now safe to attempt another install."}));
        EXPECT_EQ(asked, game ? std::vector<std::string>{"Some files of Vorlex are in use and will be removed when Windows restarts.\n\n"
                                                         "Please restart Windows before installing Vorlex into this folder again, or "
                                                         "choose another folder."} : std::vector<std::string>{});
        EXPECT_EQ(leftovers(), std::vector<std::string>{});
    }
    CloseHandle(game), DeleteFileA(copied), RemoveDirectoryA("C:\\Program Files\\Vorlex");
    RegDeleteKeyValueA(HKEY_LOCAL_MACHINE, SessionManager, "PendingFileRenameOperations");
    for (const char* file : {"C:\\fakecd\\data\\vlx.exe", "C:\\fakecd\\data\\filesys.dat"}) DeleteFileA(file);
}

// Rights: Wine runs elevated; a plain user on NT (the service manager refuses him) is refused both.
TEST(PlainUser, InstallAndUninstallAreRefused) {
    struct Refused { static SC_HANDLE WINAPI open(const char*, const char*, DWORD) { return SetLastError(5), nullptr; } };
    EXPECT_EQ(processIsElevated(), 1) << "Wine's processes run elevated: Play goes through the desktop's shell";
    ProfileKept kept;
    CoInitialize(nullptr);
    ASSERT_EQ(bootstrap(), "");
    {
        LookUp refused({{"OpenSCManagerA", reinterpret_cast<void*>(&Refused::open)}});
        probe("");
    }
    EXPECT_EQ(systemProfile.administrator * 2 + systemProfile.winNt4OrLater, 1) << "NT, and not an administrator";
    ImportPatch box(&MessageBoxA_slot, reinterpret_cast<void*>(answer));
    asked.clear();
    Player player({[] { press(Options, IDC_OPTIONS_ABORT)(), press("Vorlex Uninstall", IDC_UNINSTALL_EXIT)(); return false; }});
    EXPECT_EQ(InstallOptionsDialog().runModal(nullptr), 0);
    EXPECT_EQ(UninstallDialog().runModal(nullptr), 0);
    ASSERT_EQ(asked.size(), 2u);
    EXPECT_NE(asked[0].find("You are not an administrator."), std::string::npos) << asked[0];
    EXPECT_EQ(asked[1], "You cannot uninstall the game because you are not an administrator.");
    EXPECT_EQ(leftovers().size(), 6u) << "all of the install still there";
    undoInstall(nullptr);
    CoUninitialize();
}

// The restart on NT: the privilege on, the reboot asked for, the privilege off, programs asked to close.
TEST(Restart, NtAsksForTheRebootWithThePrivilege) {
    static std::vector<std::string> calls;
    struct Nt {
        static BOOL WINAPI adjust(HANDLE, BOOL, TOKEN_PRIVILEGES* p, DWORD, TOKEN_PRIVILEGES*, DWORD*) {
            return calls.push_back(p->Privileges[0].Attributes == SE_PRIVILEGE_ENABLED ? "privilege on" : "privilege off"), TRUE;
        }
        static BOOL WINAPI shutdown(char*, char*, DWORD, BOOL force, BOOL reboot) {
            return calls.push_back(std::string("shutdown") + (force ? " forced" : "") + (reboot ? " reboot" : "")), TRUE;
        }
        static BOOL WINAPI exitWindows(UINT flags, DWORD) { return calls.push_back(flags == EWX_REBOOT ? "programs asked" : "?"), TRUE; }
    };
    ProfileKept kept;
    systemProfile.winNt4OrLater = 1;
    LookUp nt({{"AdjustTokenPrivileges", reinterpret_cast<void*>(&Nt::adjust)},
               {"InitiateSystemShutdownA", reinterpret_cast<void*>(&Nt::shutdown)}});
    ImportPatch exitWindows(&ExitWindowsEx_slot, reinterpret_cast<void*>(&Nt::exitWindows));
    restartWindows();
    EXPECT_EQ(calls, (std::vector<std::string>{"privilege on", "shutdown reboot", "privilege off", "programs asked"}));
}

// Browse to another drive (the game's folder added), or a folder typed unusable: refused at once.
TEST(InstallOptions, TheFolderThePlayerChooses) {
    struct Shell {
        static LPITEMIDLIST WINAPI browse(BROWSEINFOA*) { return static_cast<LPITEMIDLIST>(CoTaskMemAlloc(2)); }
        static BOOL WINAPI path(LPCITEMIDLIST, char* out) { return lstrcpyA(out, "Z:\\tmp") != nullptr; }
    };
    static std::vector<std::string> seen;
    auto choose = [] {
        HWND options = FindWindowA(nullptr, Options);
        char folder[1024] = {}, line[1024] = {};
        if (options == nullptr) return false;
        for (int typed : {0, 1}) {
            typed ? SetDlgItemTextA(options, IDC_OPTIONS_FOLDER, "C:\\a|b") : SendMessageA(options, WM_COMMAND, IDC_OPTIONS_BROWSE, 0);
            GetDlgItemTextA(options, IDC_OPTIONS_FOLDER, folder, sizeof folder);
            GetDlgItemTextA(options, IDC_OPTIONS_FREE_SPACE, line, sizeof line);
            seen.push_back(std::string(folder) + "|" + strrchr(line, ' ') + (IsWindowEnabled(GetDlgItem(options, IDC_OPTIONS_INSTALL_NOW)) ? "|on" : "|off"));
        }
        return true;
    };
    Administrator administrator;
    ImportPatch browse(&SHBrowseForFolderA_slot, reinterpret_cast<void*>(&Shell::browse));
    ImportPatch path(&SHGetPathFromIDListA_slot, reinterpret_cast<void*>(&Shell::path));
    seen.clear();
    Player player({choose, press(Options, IDC_OPTIONS_ABORT)});
    InstallOptionsDialog().runModal(nullptr);
    EXPECT_EQ(seen, (std::vector<std::string>{"Z:\\tmp\\Vorlex| Z.|on", "C:\\a|b| name|off"}));
}

}  // namespace

