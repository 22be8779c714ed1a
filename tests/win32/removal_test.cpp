// The removal engine, the clean-up after a failed install, Uninstall Now, and the
// rollback of every way an install can fail, against Wine's files and registry.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <stdio.h>
#include <string.h>

#include <string>
#include <vector>

#include "app/install_record.h"
#include "app/system_profile.h"
#include "faults.h"
#include "import_patch.h"
#include "install/copy_progress_dialog.h"
#include "install/install_bootstrap.h"
#include "install/install_error_dialog.h"
#include "install/shortcuts.h"
#include "resource.h"
#include "snapshot.h"
#include "uninstall/removal.h"
#include "uninstall/uninstall_dialog.h"
#include "win_driver.h"

IMPORT_SLOT(DeleteFileA, 4);
IMPORT_SLOT(RemoveDirectoryA, 4);
IMPORT_SLOT(SetWindowTextA, 8);

namespace {

const char* const Folder = "C:\\Games\\Vorlex";

void writeFile(const std::string& path, size_t size = 10) {
    FILE* file = fopen(path.c_str(), "wb");
    ASSERT_NE(file, nullptr) << path;
    std::string data(size, 'v');
    fwrite(data.data(), 1, data.size(), file);
    fclose(file);
}

bool exists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool keyExists(const char* name) {
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, name, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
}

std::string group() {
    char folder[1024] = {};
    programGroupFolder(folder);
    return folder;
}

// Every text the program gives a control, in order (the product calls SetWindowTextA
// through the import pointer this replaces).
std::vector<std::pair<int, std::string>> textsSet;
void* realSetText;
BOOL WINAPI recordText(HWND window, const char* text) {
    if (GetParent(window) != nullptr) textsSet.emplace_back(GetDlgCtrlID(window), text);
    return reinterpret_cast<BOOL(WINAPI*)(HWND, const char*)>(realSetText)(window, text);
}

class Removal : public ::testing::Test {
protected:
    void SetUp() override {
        memset(&systemProfile, 0, sizeof systemProfile);
        systemProfile.administrator = 1;
        CreateDirectoryA("C:\\Games", nullptr);
        bar_ = CreateWindowExA(0, PROGRESS_CLASSA, "", WS_POPUP, 0, 0, 100, 10, nullptr, nullptr, nullptr, nullptr);
        textsSet.clear();
        textPatch_ = new ImportPatch(&SetWindowTextA_slot, reinterpret_cast<void*>(recordText));
        realSetText = textPatch_->original();
    }
    void TearDown() override {
        delete textPatch_;
        DestroyWindow(bar_);
        removeInstallation(nullptr, Folder);
        DeleteFileA((std::string(Folder) + "\\save1.sav").c_str());
        RemoveDirectoryA(Folder);
    }
    // What an install leaves: record, entry, shortcuts, the folder with its files.
    void installed(bool withFiles = true) {
        ASSERT_EQ(writeInstallRecord(Folder, "C:\\windows\\N00000001-Vorlex-Setup.exe"), 1);
        ASSERT_EQ(writeUninstallEntry("C:\\windows\\N00000001-Vorlex-Setup.exe"), 1);
        ASSERT_EQ(createShortcuts("", Folder, "C:\\windows\\N00000001-Vorlex-Setup.exe"), 1);
        CreateDirectoryA(Folder, nullptr);
        if (withFiles)
            for (const char* name : {"Vorlex.exe", "filesys.dat", "scrngrab.bmp"}) writeFile(std::string(Folder) + "\\" + name);
    }
    void expectRegistryAndShortcutsGone() {
        EXPECT_FALSE(keyExists(VersionKeyName));
        EXPECT_FALSE(keyExists("Software\\Halvane"));
        EXPECT_FALSE(keyExists(UninstallEntryKeyName));
        EXPECT_FALSE(exists(group()));
    }
    int barPosition() { return static_cast<int>(SendMessageA(bar_, PBM_GETPOS, 0, 0)); }
    int barMaximum() { return static_cast<int>(SendMessageA(bar_, PBM_GETRANGE, FALSE, 0)); }

    HWND bar_ = nullptr;
    ImportPatch* textPatch_ = nullptr;
};

TEST_F(Removal, EverythingGoesAndTheBarRunsFromZeroToThree) {
    installed();
    SetFileAttributesA((std::string(Folder) + "\\filesys.dat").c_str(), FILE_ATTRIBUTE_READONLY);
    EXPECT_EQ(removeInstallation(bar_, Folder), 1);
    EXPECT_EQ(barMaximum(), 3);
    EXPECT_EQ(barPosition(), 3);
    EXPECT_FALSE(exists(Folder)) << "read-only file and folder gone";
    expectRegistryAndShortcutsGone();
}

TEST_F(Removal, MissingFilesStillStepTheBar) {
    installed(false);
    EXPECT_EQ(removeInstallation(bar_, Folder), 1);
    EXPECT_EQ(barPosition(), 3);
    EXPECT_FALSE(exists(Folder));
}

TEST_F(Removal, AFileOfThePlayersKeepsItselfAndTheFolder) {
    installed();
    writeFile(std::string(Folder) + "\\save1.sav");
    removeInstallation(bar_, Folder);
    EXPECT_TRUE(exists(std::string(Folder) + "\\save1.sav"));
    EXPECT_FALSE(exists(std::string(Folder) + "\\Vorlex.exe"));
    expectRegistryAndShortcutsGone();
}

std::vector<std::string> touched;
void* realDelete;
void* realRemove;
BOOL WINAPI recordDelete(const char* path) {
    touched.push_back(path);
    return reinterpret_cast<BOOL(WINAPI*)(const char*)>(realDelete)(path);
}
BOOL WINAPI recordRemove(const char* path) {
    touched.push_back(path);
    return reinterpret_cast<BOOL(WINAPI*)(const char*)>(realRemove)(path);
}

TEST_F(Removal, EmptyFolderTouchesNoFileOrFolderButTheShortcuts) {
    installed();
    touched.clear();
    {
        ImportPatch del(&DeleteFileA_slot, reinterpret_cast<void*>(recordDelete));
        ImportPatch rem(&RemoveDirectoryA_slot, reinterpret_cast<void*>(recordRemove));
        realDelete = del.original();
        realRemove = rem.original();
        removeInstallation(bar_, "");
    }
    std::string startMenu = group();
    for (const std::string& path : touched) EXPECT_EQ(path.compare(0, startMenu.size(), startMenu), 0) << path;
    EXPECT_EQ(touched.size(), 3u) << "two links and their folder";
    EXPECT_EQ(barPosition(), 0);
    EXPECT_EQ(barMaximum(), 3);
    EXPECT_TRUE(exists(std::string(Folder) + "\\Vorlex.exe"));
    expectRegistryAndShortcutsGone();
}

TEST_F(Removal, WithoutABarTheSameIsRemoved) {
    installed();
    EXPECT_EQ(removeInstallation(nullptr, Folder), 1);
    EXPECT_FALSE(exists(Folder));
    expectRegistryAndShortcutsGone();
}

TEST_F(Removal, CurrentDirectoryIsKeptAndTheResultIsTheUninstallEntrys) {
    installed();
    deleteUninstallEntry();
    SetCurrentDirectoryA("C:\\windows");
    EXPECT_EQ(removeInstallation(bar_, Folder), 0) << "the entry was not there to delete";
    char now[MAX_PATH];
    GetCurrentDirectoryA(sizeof now, now);
    EXPECT_STREQ(now, "C:\\windows");
    EXPECT_FALSE(keyExists(VersionKeyName));
}

std::string textOf(HWND dialog, int id) {
    return driver::controlText(dialog, id);
}

bool textWasShown(int id, const std::string& text) {
    for (const auto& entry : textsSet)
        if (entry.first == id && entry.second == text) return true;
    return false;
}

const char* const RemovedText = "Vorlex has been removed from your computer.\n\nIt is now safe to attempt another install.";

TEST_F(Removal, CleanUpAfterAbortStartsByItself) {
    for (std::string marker : {std::string(abortMarker), std::string(abortMarker) + "more"}) {
        installed();
        textsSet.clear();
        InstallErrorDialog dialog(marker.c_str());
        INT_PTR result = driver::runModalWithDriver([&] { return dialog.runModal(); }, [&] {
            HWND window = driver::waitForOwnWindow("Vorlex Install Error");
            ASSERT_NE(window, nullptr);
            ASSERT_TRUE(driver::waitFor([&] { return textOf(window, IDC_ERROR_CLEAN_UP) == "OK"; }))
                << "cleaned up without a click";
            EXPECT_EQ(textOf(window, IDC_ERROR_TEXT), RemovedText);
            EXPECT_EQ(driver::focusedControlId(window), IDC_ERROR_CLEAN_UP);
            EXPECT_TRUE(driver::controlEnabled(window, IDC_ERROR_CLEAN_UP));
            driver::pressKey(window, VK_RETURN);
            driver::pressKey(window, VK_ESCAPE);
            EXPECT_FALSE(driver::waitUntilGone(window, 200));
            driver::clickControl(window, IDC_ERROR_CLEAN_UP);
        });
        EXPECT_FALSE(driver::lastRunWasForced());
        EXPECT_EQ(result, 0);
        EXPECT_TRUE(textWasShown(IDC_ERROR_TEXT, "Cleaning up after user abort..")) << "marker of length " << marker.size();
        EXPECT_FALSE(exists(Folder));
        expectRegistryAndShortcutsGone();
    }
}

TEST_F(Removal, CleanUpAfterAFailureWaitsForTheClickAndRunsOnce) {
    installed();
    InstallErrorDialog dialog("Thread error");
    INT_PTR result = driver::runModalWithDriver([&] { return dialog.runModal(); }, [&] {
        HWND window = driver::waitForOwnWindow("Vorlex Install Error");
        ASSERT_NE(window, nullptr);
        EXPECT_EQ(textOf(window, IDC_ERROR_TEXT), "The following problem was detected:\n\n\"Thread error\"");
        EXPECT_EQ(textOf(window, IDC_ERROR_CLEAN_UP), "Clean Up");
        driver::pressKey(window, VK_RETURN);
        driver::pressKey(window, VK_ESCAPE);
        EXPECT_FALSE(driver::waitUntilGone(window, 200));
        EXPECT_TRUE(keyExists(VersionKeyName)) << "nothing removed before the click";
        EXPECT_TRUE(exists(Folder));
        driver::clickControl(window, IDC_ERROR_CLEAN_UP);
        ASSERT_TRUE(driver::waitFor([&] { return textOf(window, IDC_ERROR_CLEAN_UP) == "OK"; }));
        EXPECT_FALSE(keyExists(VersionKeyName));
        // A record made again now must survive the OK: it runs no second clean-up.
        EXPECT_EQ(writeInstallRecord(Folder, "C:\\x.exe"), 1);
        driver::clickControl(window, IDC_ERROR_CLEAN_UP);
        EXPECT_TRUE(driver::waitUntilGone(window));
    });
    EXPECT_FALSE(driver::lastRunWasForced());
    EXPECT_EQ(result, 0);
    EXPECT_TRUE(keyExists(VersionKeyName));
}

TEST_F(Removal, UninstallNowRemovesOnceAndExitThenEndsWithOne) {
    installed();
    UninstallDialog dialog;
    INT_PTR result = driver::runModalWithDriver([&] { return dialog.runModal(); }, [&] {
        HWND window = driver::waitForOwnWindow("Vorlex Uninstall");
        ASSERT_NE(window, nullptr);
        driver::clickControl(window, IDC_UNINSTALL_NOW);
        ASSERT_TRUE(driver::waitFor([&] { return textOf(window, IDC_UNINSTALL_FOLDER) == "Finished uninstall."; }));
        EXPECT_EQ(textOf(window, IDC_UNINSTALL_WARNING), "");
        EXPECT_EQ(textOf(window, IDC_UNINSTALL_NOTE), "");
        EXPECT_FALSE(driver::controlEnabled(window, IDC_UNINSTALL_NOW));
        EXPECT_TRUE(driver::controlEnabled(window, IDC_UNINSTALL_EXIT));
        EXPECT_EQ(driver::focusedControlId(window), IDC_UNINSTALL_EXIT);
        int low = -1, high = -1;
        driver::progressRange(window, IDC_UNINSTALL_PROGRESS, &low, &high);
        EXPECT_EQ(low, 0);
        EXPECT_EQ(high, 3);
        EXPECT_EQ(driver::progressPosition(window, IDC_UNINSTALL_PROGRESS), 3);
        driver::pressKey(window, VK_RETURN);
        driver::pressKey(window, VK_ESCAPE);
        EXPECT_FALSE(driver::waitUntilGone(window, 200));
        driver::clickControl(window, IDC_UNINSTALL_EXIT);
    });
    EXPECT_FALSE(driver::lastRunWasForced());
    EXPECT_EQ(result, 1);
    EXPECT_TRUE(textWasShown(IDC_UNINSTALL_FOLDER, "Please wait, uninstalling.."));
    EXPECT_FALSE(exists(Folder));
    expectRegistryAndShortcutsGone();
}

// Rollback: whatever way an install fails, the clean-up leaves the machine as it was.
class Rollback : public ::testing::Test {
protected:
    void SetUp() override {
        memset(&systemProfile, 0, sizeof systemProfile);
        systemProfile.administrator = 1;
        GetCurrentDirectoryA(sizeof saved_, saved_);
        CreateDirectoryA("C:\\rollcd", nullptr);
        CreateDirectoryA("C:\\rollcd\\data", nullptr);
        CreateDirectoryA("C:\\Games", nullptr);
        writeFile("C:\\rollcd\\data\\vlx.exe", 100000);
        writeFile("C:\\rollcd\\data\\filesys.dat", 8 * 1048576);
        SetCurrentDirectoryA("C:\\rollcd");
        // Warm up: the first use of the shell and COM leaves settings of their own.
        createShortcuts("", Folder, "C:\\x.exe");
        removeShortcuts("");
        before_ = machineSnapshot();
    }
    void TearDown() override { SetCurrentDirectoryA(saved_); }

    // One install through the copy dialog that fails, then the undo.
    std::string failAndCleanUp(const std::function<void(HWND)>& drive = {}) {
        CopyProgressDialog copy;
        copy.setInstall(Folder, &installManifest, installManifest.progressScale);
        driver::runModalAndDrive([&] { return copy.runModal(); }, "Vorlex Installation", drive);
        EXPECT_FALSE(driver::lastRunWasForced());
        std::string error = copy.errorText();
        EXPECT_NE(error, "") << "the install was meant to fail";
        undoInstall(nullptr);
        return error;
    }
    // The same for a bootstrap that fails, without a window.
    std::string failBootstrapAndUndo() {
        const char* failure = bootstrapInstall(GetModuleHandleA(nullptr), Folder, installManifest);
        undoInstall(nullptr);
        return failure != nullptr ? failure : "";
    }
    void expectMachineAsBefore() {
        std::set<std::string> after = machineSnapshot();
        EXPECT_TRUE(after == before_) << snapshotDifference(before_, after);
    }
    std::set<std::string> before_;
    char saved_[MAX_PATH] = {};
};

TEST_F(Rollback, MissingSourceFile) {
    DeleteFileA("C:\\rollcd\\data\\filesys.dat");
    EXPECT_EQ(failAndCleanUp(), "Error with file: data\\filesys.dat");
    writeFile("C:\\rollcd\\data\\filesys.dat", 8 * 1048576);
    expectMachineAsBefore();
}

TEST_F(Rollback, AbortDuringTheCopy) {
    SlowWrites slow(2);
    std::string error = failAndCleanUp([](HWND window) {
        ASSERT_TRUE(driver::waitFor([&] { return driver::progressPosition(window, IDC_PROGRESS_BAR) > 3000; }));
        driver::clickControl(window, IDC_COPY_ABORT);
        HWND box = driver::waitForNotice(GetCurrentProcessId());
        ASSERT_NE(box, nullptr);
        driver::answerNotice(box, IDYES);
    });
    EXPECT_EQ(error, std::string(abortMarker));
    expectMachineAsBefore();
}

TEST_F(Rollback, EveryBootstrapFailure) {
    {
        CopyFileFails copy(ERROR_DISK_FULL);
        EXPECT_EQ(failBootstrapAndUndo(), "Setup init error");
    }
    expectMachineAsBefore();
    for (const char* key : {VersionKeyName, UninstallEntryKeyName}) {
        RegistryKeyRefused refused(key);
        std::string error = failBootstrapAndUndo();
        EXPECT_TRUE(error == "Install reg error" || error == "Uninstall reg error") << error;
        expectMachineAsBefore();
    }
    {
        NoThreads threads;
        EXPECT_EQ(failAndCleanUp(), "Thread error");
    }
    expectMachineAsBefore();
    {
        ProgramsValueRemoved noPrograms;
        EXPECT_EQ(failBootstrapAndUndo(), "Start menu error");
    }
    expectMachineAsBefore();
}

}  // namespace
