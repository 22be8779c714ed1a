// The plain operations of an install and its undo against Wine's files and registry:
// the copy engine, the bootstrap with the undo of each of its failures, the removal.
#include <gtest/gtest.h>
#include <objbase.h>

#include <functional>
#include <memory>
#include <vector>

#include "app/install_record.h"
#include "app/system_profile.h"
#include "install/copy_engine.h"
#include "install/install_bootstrap.h"
#include "install/shortcuts.h"
#include "machine.h"
#include "uninstall/removal.h"

IMPORT_SLOT(CoCreateInstance, 20);

namespace {

const char* const Folder = "C:\\Games\\Vorlex";

// The size of a file of the install, also while the copy holds it open.
DWORD installedSize(const char* name) {
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    GetFileAttributesExA((std::string(Folder) + "\\" + name).c_str(), GetFileExInfoStandard, &data);
    return data.nFileSizeLow;
}

// The copy as the copy dialog runs it, from the CD in C:\copycd.
struct Copy {
    explicit Copy(std::vector<FilePair> pairs) : pairs_(pairs) {
        CreateDirectoryA("C:\\Games", nullptr);
        CreateDirectoryA(Folder, nullptr);
        CreateDirectoryA("C:\\copycd", nullptr);
        CreateDirectoryA("C:\\copycd\\data", nullptr);
        SetCurrentDirectoryA("C:\\copycd");
        pairs_.push_back({nullptr, nullptr});
        manifest_.filePairs = pairs_.data();
        job.manifest = &manifest_;
        copyText(job.installFolder, sizeof job.installFolder, Folder);
        EXPECT_EQ(startCopy(job, worker_), 1);
    }
    ~Copy() {
        for (const FilePair& pair : pairs_)
            if (pair.destination) DeleteFileA((std::string(Folder) + "\\" + pair.destination).c_str());
        RemoveDirectoryA(Folder);
    }
    std::string finish() {
        EXPECT_EQ(WaitForSingleObject(worker_.get(), 60000), WAIT_OBJECT_0);
        finishCopy(job);
        endCopy(job, worker_);
        return job.errorText;
    }
    std::vector<FilePair> pairs_;
    InstallManifest manifest_ = installManifest;
    CopyJob job;
    KernelHandle worker_;
};

DWORD WINAPI askToAbort(void* job) {
    pauseCopy(*static_cast<CopyJob*>(job));
    return 0;
}

// The CD file is a pipe the test fills: the worker's read waits on it as on a
// scratched disc. The question must be askable at once while the read waits; the chunk
// read meanwhile is held; No writes it once, Yes writes nothing more and begins no file.
TEST(CopyEngine, AbortWhileTheCdReadWaits) {
    HANDLE pipe = CreateNamedPipeA("\\\\.\\pipe\\vorlexcd", PIPE_ACCESS_OUTBOUND, 0, 1, 1 << 20, 1 << 20, 0, nullptr);
    Copy copy({{"\\\\.\\pipe\\vorlexcd", "big.dat"}, {"data\\vlx.exe", "Vorlex.exe"}});
    ConnectNamedPipe(pipe, nullptr);
    auto feedAndExpect = [&](DWORD size) {
        static const std::string chunk(65536, 'c');
        DWORD written = 0;
        WriteFile(pipe, chunk.data(), static_cast<DWORD>(chunk.size()), &written, nullptr);
        for (int i = 0; i < 500 && installedSize("big.dat") != size; ++i) Sleep(10);
        Sleep(100);  // and no write comes late
        EXPECT_EQ(installedSize("big.dat"), size);
    };
    feedAndExpect(65536);
    for (int stop : {0, 1}) {
        HANDLE asker = CreateThread(nullptr, 0, askToAbort, &copy.job, 0, nullptr);
        EXPECT_EQ(WaitForSingleObject(asker, 2000), WAIT_OBJECT_0) << "asking waited for the read";
        CloseHandle(asker);
        feedAndExpect(65536 * (1 + stop));  // the chunk read while the question is open is held
        resumeCopy(copy.job, stop);
    }
    EXPECT_EQ(copy.finish(), std::string(abortMarker));
    CloseHandle(pipe);
    EXPECT_EQ(installedSize("big.dat"), 2u * 65536) << "the held chunk once after No, none after Yes";
    EXPECT_FALSE(exists(std::string(Folder) + "\\Vorlex.exe"));
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
    memset(&systemProfile, 0, sizeof systemProfile);
    RemoveDirectoryA(Folder);
    ASSERT_EQ(leftovers(), std::vector<std::string>{});
    std::pair<const char*, std::function<std::shared_ptr<void>()>> cases[] = {
        {"Setup init error", [] { return std::make_shared<CopyFileFails>(ERROR_DISK_FULL); }},
        {"Install reg error", [] { return std::make_shared<RegistryKeyRefused>(VersionKeyName); }},
        {"Start menu error", [] { return std::make_shared<ImportPatch>(&CoCreateInstance_slot, reinterpret_cast<void*>(noShellLink)); }},
        {"Uninstall reg error", [] { return std::make_shared<RegistryKeyRefused>(UninstallEntryKeyName); }},
    };
    for (auto& [error, inject] : cases) {
        std::shared_ptr<void> fault = inject();
        EXPECT_EQ(bootstrap(), error);
        fault.reset();
        EXPECT_FALSE(anyFile("C:\\windows\\N*-Vorlex-Setup.exe")) << error;
        EXPECT_FALSE(keyExists(UninstallEntryKeyName)) << error;
        undoInstall(nullptr);
        EXPECT_EQ(leftovers(), std::vector<std::string>{}) << error;
    }
}

// The undo removes what the install made, a read-only file too, and nothing else: a
// file of the player's keeps itself and the folder; a file in use goes at the restart.
TEST(Rollback, UndoRemovesOnlyWhatTheInstallMade) {
    ASSERT_EQ(bootstrap(), "");
    EXPECT_EQ(leftovers().size(), 6u) << "group, three keys, folder, uninstaller copy";
    for (const char* name : {"Vorlex.exe", "filesys.dat", "scrngrab.bmp", "save1.sav"})
        writeFile(std::string(Folder) + "\\" + name, "x");
    SetFileAttributesA("C:\\Games\\Vorlex\\filesys.dat", FILE_ATTRIBUTE_READONLY);
    HANDLE held = CreateFileA("C:\\Games\\Vorlex\\scrngrab.bmp", GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    int deferred = 0;
    EXPECT_EQ(undoInstall(nullptr, &deferred), 1);
    EXPECT_EQ(deferred, 1);
    EXPECT_EQ(leftovers(), std::vector<std::string>{Folder});
    EXPECT_TRUE(exists("C:\\Games\\Vorlex\\save1.sav"));
    EXPECT_FALSE(exists("C:\\Games\\Vorlex\\filesys.dat"));
    CloseHandle(held);
}

}  // namespace
