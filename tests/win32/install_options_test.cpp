// The install options dialog run in-process, with the machine's answers (free space,
// drive types, Windows directory, colour depth, folder picker) injected where Wine
// cannot give them, and message boxes answered through MessageBoxA's import pointer.
#include <gtest/gtest.h>
#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

#include <stdio.h>
#include <string.h>

#include <string>
#include <vector>

#include "app/install_record.h"
#include "app/system_profile.h"
#include "import_patch.h"
#include "install/install_options_dialog.h"
#include "resource.h"
#include "uninstall/removal.h"
#include "win_driver.h"

IMPORT_SLOT(MessageBoxA, 16);
IMPORT_SLOT(GetDiskFreeSpaceA, 20);
IMPORT_SLOT(GetDriveTypeA, 4);
IMPORT_SLOT(GetWindowsDirectoryA, 8);
IMPORT_SLOT(CreateDirectoryA, 8);
IMPORT_SLOT(GetDeviceCaps, 8);
IMPORT_SLOT(SHBrowseForFolderA, 4);
IMPORT_SLOT(SHGetPathFromIDListA, 8);
IMPORT_SLOT(SetTimer, 16);
IMPORT_SLOT(GetProcAddress, 8);

namespace {

struct Box {
    std::string text;
    UINT style;
};
std::vector<Box> boxes;
std::vector<int> answers;
int WINAPI answerBox(HWND, const char* text, const char*, UINT style) {
    boxes.push_back({text, style});
    if (answers.empty()) return IDNO;
    int answer = answers.front();
    answers.erase(answers.begin());
    return answer;
}

DWORD freeClusters = 1000 * 256;  // 1000 MB with 4096-byte clusters
BOOL WINAPI fakeFreeSpace(const char*, DWORD* sectors, DWORD* bytes, DWORD* free, DWORD* total) {
    *sectors = 8;
    *bytes = 512;
    *free = freeClusters;
    *total = 0xFFFFFFFF;
    return TRUE;
}
// GetDiskFreeSpaceExA, which the dialog looks up: the share the player may use is half
// of what the disk has free (a quota), on the folder asked. Absent, as on Windows 95 as
// first shipped, when withFreeSpaceEx is false.
bool withFreeSpaceEx = true;
std::string freeSpaceFolder;
BOOL WINAPI fakeFreeSpaceEx(const char* folder, ULARGE_INTEGER* available, ULARGE_INTEGER* total,
                            ULARGE_INTEGER* free) {
    freeSpaceFolder = folder;
    available->QuadPart = static_cast<ULONGLONG>(freeClusters) * 4096;
    free->QuadPart = available->QuadPart * 2;
    total->QuadPart = free->QuadPart * 2;
    return TRUE;
}
void* realGetProcAddress;
FARPROC WINAPI fakeGetProcAddress(HMODULE module, const char* name) {
    if (HIWORD(name) != 0 && strcmp(name, "GetDiskFreeSpaceExA") == 0)
        return withFreeSpaceEx ? reinterpret_cast<FARPROC>(reinterpret_cast<void*>(fakeFreeSpaceEx)) : nullptr;
    return reinterpret_cast<FARPROC(WINAPI*)(HMODULE, const char*)>(realGetProcAddress)(module, name);
}
UINT driveType = DRIVE_FIXED;
std::string driveAsked;
UINT WINAPI fakeDriveType(const char* root) {
    driveAsked = root ? root : "";
    return driveType;
}
std::string pretendWindows = "C:\\windows";
UINT WINAPI fakeWindowsDirectory(char* out, UINT size) {
    lstrcpynA(out, pretendWindows.c_str(), size);
    return static_cast<UINT>(pretendWindows.size());
}
std::vector<std::string> made;
void* realCreateDirectory;
BOOL WINAPI recordCreateDirectory(const char* path, SECURITY_ATTRIBUTES* security) {
    made.push_back(path);
    return reinterpret_cast<BOOL(WINAPI*)(const char*, SECURITY_ATTRIBUTES*)>(realCreateDirectory)(path, security);
}
int bitsPerPixel = 24;
int WINAPI fakeDeviceCaps(HDC, int index) {
    return index == BITSPIXEL ? bitsPerPixel : 1;
}
std::string picked;  // empty: the player cancels
LPITEMIDLIST WINAPI fakeBrowse(BROWSEINFOA* info) {
    EXPECT_STREQ(info->lpszTitle, "The game folder will automatically be added to the path you choose..");
    EXPECT_EQ(info->ulFlags, static_cast<UINT>(BIF_RETURNONLYFSDIRS));
    return picked.empty() ? nullptr : static_cast<LPITEMIDLIST>(CoTaskMemAlloc(2));
}
BOOL WINAPI fakePathFromItem(LPCITEMIDLIST, char* out) {
    lstrcpyA(out, picked.c_str());
    return TRUE;
}
int optionTimers;
void* realSetTimer;
UINT_PTR WINAPI countTimers(HWND window, UINT_PTR id, UINT period, TIMERPROC callback) {
    if (id == 0x494F5054) ++optionTimers;
    return reinterpret_cast<UINT_PTR(WINAPI*)(HWND, UINT_PTR, UINT, TIMERPROC)>(realSetTimer)(window, id, period, callback);
}

void writeFile(const std::string& path, size_t size) {
    FILE* file = fopen(path.c_str(), "wb");
    ASSERT_NE(file, nullptr) << path;
    std::string data(size, 'x');
    fwrite(data.data(), 1, data.size(), file);
    fclose(file);
}

class InstallOptions : public ::testing::Test {
protected:
    void SetUp() override {
        memset(&systemProfile, 0, sizeof systemProfile);
        systemProfile.administrator = 1;
        systemProfile.winNt4OrLater = 1;
        systemProfile.physicalMemory = 64u << 20;
        systemProfile.processorSupported = 1;
        boxes.clear();
        answers.clear();
        freeClusters = 1000 * 256;
        driveType = DRIVE_FIXED;
        pretendWindows = "C:\\windows";
        bitsPerPixel = 24;
        picked.clear();
        made.clear();
        optionTimers = 0;
        patches_.push_back(new ImportPatch(&MessageBoxA_slot, reinterpret_cast<void*>(answerBox)));
        patches_.push_back(new ImportPatch(&GetDiskFreeSpaceA_slot, reinterpret_cast<void*>(fakeFreeSpace)));
        patches_.push_back(new ImportPatch(&GetDriveTypeA_slot, reinterpret_cast<void*>(fakeDriveType)));
        patches_.push_back(new ImportPatch(&GetWindowsDirectoryA_slot, reinterpret_cast<void*>(fakeWindowsDirectory)));
        patches_.push_back(new ImportPatch(&CreateDirectoryA_slot, reinterpret_cast<void*>(recordCreateDirectory)));
        realCreateDirectory = patches_.back()->original();
        patches_.push_back(new ImportPatch(&GetDeviceCaps_slot, reinterpret_cast<void*>(fakeDeviceCaps)));
        patches_.push_back(new ImportPatch(&SHBrowseForFolderA_slot, reinterpret_cast<void*>(fakeBrowse)));
        patches_.push_back(new ImportPatch(&SHGetPathFromIDListA_slot, reinterpret_cast<void*>(fakePathFromItem)));
        patches_.push_back(new ImportPatch(&SetTimer_slot, reinterpret_cast<void*>(countTimers)));
        realSetTimer = patches_.back()->original();
        patches_.push_back(new ImportPatch(&GetProcAddress_slot, reinterpret_cast<void*>(fakeGetProcAddress)));
        realGetProcAddress = patches_.back()->original();
        withFreeSpaceEx = true;
        GetCurrentDirectoryA(sizeof saved_, saved_);
    }
    void TearDown() override {
        for (auto it = patches_.rbegin(); it != patches_.rend(); ++it) delete *it;
        SetCurrentDirectoryA(saved_);
        undoInstall(nullptr);
    }
    // Runs the dialog; drive gets its window once it shows (not when it ends at once).
    INT_PTR run(const std::function<void(HWND)>& drive) {
        InstallOptionsDialog dialog;
        INT_PTR result = driver::runModalAndDrive([&] { return dialog.runModal(); }, "Vorlex Install Options", drive);
        EXPECT_FALSE(driver::lastRunWasForced());
        return result;
    }
    static void type(HWND dialog, const char* text) {
        SendMessageA(GetDlgItem(dialog, IDC_OPTIONS_FOLDER), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text));
    }
    static std::string line(HWND dialog) { return driver::controlText(dialog, IDC_OPTIONS_FREE_SPACE); }
    static void leave(HWND dialog) {
        driver::clickControl(dialog, IDC_OPTIONS_ABORT);
        EXPECT_TRUE(driver::waitUntilGone(dialog));
    }
    std::vector<ImportPatch*> patches_;
    char saved_[MAX_PATH] = {};
};

TEST_F(InstallOptions, HardProblemsRefuseInOneMessageAndEndTheDialog) {
    systemProfile.administrator = 0;
    EXPECT_EQ(run({}), 0);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "You cannot continue with the install due to the following problems:\n\n"
                             " * You are not an administrator.\n");
    EXPECT_EQ(boxes[0].style, static_cast<UINT>(MB_OK | MB_ICONERROR));
    boxes.clear();
    systemProfile.winNt4OrLater = 0;
    EXPECT_EQ(run({}), 0);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "You cannot continue with the install due to the following problems:\n\n"
                             " * You are not an administrator.\n"
                             " * Unsupported Windows version (WinNT4/Win95 or better is required).\n");
    EXPECT_EQ(optionTimers, 0) << "no timer runs";
}

TEST_F(InstallOptions, SoftProblemsWarnOnceAndTheDialogGoesOn) {
    systemProfile.physicalMemory = 16u << 20;
    systemProfile.processorSupported = 0;
    bitsPerPixel = 8;
    EXPECT_EQ(run([](HWND dialog) { leave(dialog); }), 0) << "Abort ends the dialog with 0";
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text,
              "You may continue with the install, but the following issues\nmay cause problems:\n\n"
              " * This computer has 16.0Mb of RAM, 23.0Mb is required.\n\n"
              " * Graphics will be of a lower quality in a window because\n   Windows is not in a high/true color mode.\n\n"
              " * Unsupported processor.\n\n");
    EXPECT_EQ(boxes[0].style, static_cast<UINT>(MB_OK | MB_ICONINFORMATION));
    EXPECT_EQ(optionTimers, 1);
}

TEST_F(InstallOptions, DefaultFolderIsProgramFilesOnTheWindowsDrive) {
    pretendWindows = "D:\\WINNT";
    std::string shown;
    run([&](HWND dialog) {
        shown = driver::controlText(dialog, IDC_OPTIONS_FOLDER);
        leave(dialog);
    });
    EXPECT_EQ(shown, "D:\\Program Files\\Vorlex");
    ASSERT_FALSE(made.empty());
    EXPECT_EQ(made[0], "D:\\Program Files");
    pretendWindows = "WINDOWS";
    run([&](HWND dialog) {
        shown = driver::controlText(dialog, IDC_OPTIONS_FOLDER);
        leave(dialog);
    });
    EXPECT_EQ(shown, "C:\\Program Files\\Vorlex");
}

TEST_F(InstallOptions, FreeSpaceLineFollowsTheFolderAndTheDisk) {
    run([](HWND dialog) {
        EXPECT_EQ(line(dialog), "The game requires 25Mb of disk space.\nThere is plenty of free space on drive C.");
        type(dialog, "e:\\Games\\Vorlex\\\\  ");
        EXPECT_EQ(driveAsked, "E:\\") << "the trimmed folder, drive in capitals";
        EXPECT_EQ(driver::controlText(dialog, IDC_OPTIONS_FOLDER), "e:\\Games\\Vorlex\\\\  ") << "the edit keeps it";
        EXPECT_EQ(line(dialog), "The game requires 25Mb of disk space.\nThere is plenty of free space on drive E.");
        freeClusters = 999 * 256;
        type(dialog, "D:\\Vorlex");
        EXPECT_EQ(line(dialog), "The game requires 25Mb of disk space.\nThere is currently 999Mb free on drive D.");
        EXPECT_TRUE(driver::controlEnabled(dialog, IDC_OPTIONS_INSTALL_NOW));
        freeClusters = 0xFFFFFFFF;  // about 16 TB
        type(dialog, "D:\\Vorlex");
        EXPECT_EQ(line(dialog), "The game requires 25Mb of disk space.\nThere is plenty of free space on drive D.");
        const char* const noDisk = "Please specify a hard disk and folder name";
        for (const char* text : {"C:\\", "", "Vorlex", "\\\\server\\games\\Vorlex", "1:\\Vorlex"}) {
            type(dialog, text);
            EXPECT_EQ(line(dialog), noDisk) << text;
            EXPECT_FALSE(driver::controlEnabled(dialog, IDC_OPTIONS_INSTALL_NOW)) << text;
        }
        for (UINT type_ : {static_cast<UINT>(DRIVE_CDROM), static_cast<UINT>(DRIVE_REMOTE), static_cast<UINT>(DRIVE_REMOVABLE)}) {
            driveType = type_;
            type(dialog, "D:\\Vorlex");
            EXPECT_EQ(line(dialog), noDisk) << "drive type " << type_;
        }
        // The line follows the disk within the timer's second.
        driveType = DRIVE_FIXED;
        freeClusters = 100 * 256;
        type(dialog, "D:\\Vorlex");
        freeClusters = 200 * 256;
        EXPECT_TRUE(driver::waitFor([&] { return line(dialog).find("200Mb") != std::string::npos; }, 2500));
        // Measured on the deepest folder that exists (a disk mounted there counts), as the
        // player's share (half of what is free); without GetDiskFreeSpaceExA, on the root.
        const std::string twoHundred = "The game requires 25Mb of disk space.\nThere is currently 200Mb free on drive C.";
        type(dialog, "C:\\windows\\NoSuch\\Vorlex");
        EXPECT_EQ(freeSpaceFolder, "C:\\windows");
        EXPECT_EQ(line(dialog), twoHundred);
        withFreeSpaceEx = false;
        freeSpaceFolder.clear();
        type(dialog, "C:\\windows\\NoSuch\\Vorlex");
        EXPECT_EQ(freeSpaceFolder, "");
        EXPECT_EQ(line(dialog), twoHundred);
        withFreeSpaceEx = true;
        driver::pressKey(dialog, VK_RETURN);
        driver::pressKey(dialog, VK_ESCAPE);
        EXPECT_FALSE(driver::waitUntilGone(dialog, 200)) << "Enter and Escape do nothing";
        leave(dialog);
    });
}

TEST_F(InstallOptions, FolderLongerThanItsBufferIsNeverUsedCut) {
    run([](HWND dialog) {
        // Set by another program (the keyboard stops at 200): 1023 characters are a whole
        // folder, anything longer names none.
        type(dialog, ("D:\\" + std::string(1020, 'f')).c_str());
        EXPECT_EQ(driveAsked, "D:\\");
        EXPECT_TRUE(driver::controlEnabled(dialog, IDC_OPTIONS_INSTALL_NOW));
        for (size_t length : {1024u, 1100u, 4000u}) {
            driveAsked.clear();
            type(dialog, ("E:\\" + std::string(length - 3, 'f')).c_str());
            EXPECT_EQ(line(dialog), "Please specify a hard disk and folder name") << length;
            EXPECT_FALSE(driver::controlEnabled(dialog, IDC_OPTIONS_INSTALL_NOW)) << length;
            EXPECT_EQ(driveAsked, "") << "no drive looked at for " << length;
        }
        leave(dialog);
    });
}

TEST_F(InstallOptions, BrowseAddsTheGameFolderOrKeepsTheText) {
    run([](HWND dialog) {
        picked = "D:\\Games";
        SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDC_OPTIONS_BROWSE, BN_CLICKED), 0);
        EXPECT_EQ(driver::controlText(dialog, IDC_OPTIONS_FOLDER), "D:\\Games\\Vorlex");
        picked = "D:\\";
        SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDC_OPTIONS_BROWSE, BN_CLICKED), 0);
        EXPECT_EQ(driver::controlText(dialog, IDC_OPTIONS_FOLDER), "D:\\Vorlex");
        picked.clear();
        type(dialog, "F:\\Mine");
        driveAsked.clear();
        SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDC_OPTIONS_BROWSE, BN_CLICKED), 0);
        EXPECT_EQ(driver::controlText(dialog, IDC_OPTIONS_FOLDER), "F:\\Mine") << "cancelled";
        EXPECT_EQ(driver::focusedControlId(dialog), IDC_OPTIONS_FOLDER);
        DWORD start = 0, end = 0;
        SendMessageA(GetDlgItem(dialog, IDC_OPTIONS_FOLDER), EM_GETSEL, reinterpret_cast<WPARAM>(&start),
                     reinterpret_cast<LPARAM>(&end));
        EXPECT_EQ(start, 0u);
        EXPECT_EQ(end, 7u) << "all of it selected";
        EXPECT_EQ(driveAsked, "F:\\") << "and the line refreshed";
        leave(dialog);
    });
}

class InstallNow : public InstallOptions {
protected:
    void SetUp() override {
        InstallOptions::SetUp();
        CreateDirectoryA("C:\\Games", nullptr);  // the install makes only the last level
        CreateDirectoryA("C:\\optcd", nullptr);
        CreateDirectoryA("C:\\optcd\\data", nullptr);
        writeFile("C:\\optcd\\data\\vlx.exe", 5000);
        writeFile("C:\\optcd\\data\\filesys.dat", 300000);
        SetCurrentDirectoryA("C:\\optcd");
    }
    static void installTo(HWND dialog, const char* folder) {
        type(dialog, folder);
        driver::clickControl(dialog, IDC_OPTIONS_INSTALL_NOW);
    }
};

TEST_F(InstallNow, TooLittleSpaceAsksAndNoChangesNothing) {
    freeClusters = 24 * 256;
    answers = {IDNO};
    run([](HWND dialog) {
        installTo(dialog, "C:\\Games\\Vorlex");
        EXPECT_TRUE(driver::waitFor([] { return !boxes.empty(); }));
        EXPECT_FALSE(driver::waitUntilGone(dialog, 300));
        leave(dialog);
    });
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "The selected drive does not have enough free space.\n\nDo you want to attempt an install anyway?");
    EXPECT_EQ(boxes[0].style, 0x124u);
    char path[1024];
    EXPECT_EQ(readInstallRecord(path, nullptr), 0) << "nothing installed";
}

TEST_F(InstallNow, TooLittleSpaceAndYesInstalls) {
    freeClusters = 24 * 256;
    answers = {IDYES};
    EXPECT_EQ(run([](HWND dialog) {
        installTo(dialog, "C:\\Games\\Vorlex");
        EXPECT_TRUE(driver::waitUntilGone(dialog, 30000));
    }), 0);
    char path[1024];
    EXPECT_EQ(readInstallRecord(path, nullptr), 1);
    EXPECT_STREQ(path, "C:\\Games\\Vorlex");
}

TEST_F(InstallNow, EnoughSpaceInstallsWithoutAskingIntoTheTrimmedFolder) {
    freeClusters = 25 * 256;
    run([](HWND dialog) {
        installTo(dialog, "C:\\Games\\Vorlex\\ ");
        EXPECT_TRUE(driver::waitUntilGone(dialog, 30000));
    });
    EXPECT_TRUE(boxes.empty());
    char path[1024];
    EXPECT_EQ(readInstallRecord(path, nullptr), 1);
    EXPECT_STREQ(path, "C:\\Games\\Vorlex");
    EXPECT_NE(GetFileAttributesA("C:\\Games\\Vorlex\\filesys.dat"), INVALID_FILE_ATTRIBUTES);
}

TEST_F(InstallNow, AFailedInstallIsCleanedUpAndASecondOneSucceeds) {
    DeleteFileA("C:\\optcd\\data\\filesys.dat");
    run([](HWND dialog) {
        installTo(dialog, "C:\\Games\\Vorlex");
        HWND error = driver::waitForOwnWindow("Vorlex Install Error");
        ASSERT_NE(error, nullptr);
        EXPECT_EQ(driver::controlText(error, IDC_ERROR_TEXT),
                  "The following problem was detected:\n\n\"Error with file: data\\filesys.dat\"");
        EXPECT_FALSE(IsWindowEnabled(dialog)) << "the options wait behind it";
        driver::clickControl(error, IDC_ERROR_CLEAN_UP);
        ASSERT_TRUE(driver::waitFor([&] { return driver::controlText(error, IDC_ERROR_CLEAN_UP) == "OK"; }));
        driver::clickControl(error, IDC_ERROR_CLEAN_UP);
        ASSERT_TRUE(driver::waitUntilGone(error));
        ASSERT_TRUE(driver::waitFor([&] { return IsWindowEnabled(dialog) != FALSE; })) << "usable again";
        char path[1024];
        EXPECT_EQ(readInstallRecord(path, nullptr), 0) << "cleaned up";
        writeFile("C:\\optcd\\data\\filesys.dat", 300000);
        driver::clickControl(dialog, IDC_OPTIONS_INSTALL_NOW);
        EXPECT_TRUE(driver::waitUntilGone(dialog, 30000));
    });
    char path[1024];
    EXPECT_EQ(readInstallRecord(path, nullptr), 1);
}

TEST_F(InstallNow, ASuccessfulInstallOffersDirectXOnlyWhileItIsOffered) {
    const char* dir = getenv("VORLEX_DSETUP_DIR");
    ASSERT_NE(dir, nullptr);
    CreateDirectoryA("C:\\optcd\\directx", nullptr);
    ASSERT_TRUE(CopyFileA((std::string(dir) + "\\dsetup.dll").c_str(), "C:\\optcd\\directx\\dsetup.dll", FALSE));
    writeFile("C:\\optcd\\directx\\dsetup.cfg", 0);  // the stand-in's defaults: DirectX 3, success
    for (int offered : {1, 0}) {
        systemProfile.directXOffered = offered;
        boxes.clear();
        answers = {IDYES};
        EXPECT_EQ(run([](HWND dialog) {
            installTo(dialog, "C:\\Games\\Vorlex");
            EXPECT_TRUE(driver::waitUntilGone(dialog, 30000));
        }), 0);
        if (offered) {
            ASSERT_EQ(boxes.size(), 1u);
            EXPECT_EQ(boxes[0].text, "DirectX 3 is installed on this computer.\n\nDo you want to install DirectX 5 ?");
            FILE* log = fopen("C:\\optcd\\directx\\dsetup.log", "r");
            ASSERT_NE(log, nullptr) << "the stand-in ran";
            fclose(log);
            EXPECT_EQ(systemProfile.directXOffered, 0);
        } else {
            EXPECT_TRUE(boxes.empty()) << "no DirectX step";
        }
        undoInstall(nullptr);
    }
    DeleteFileA("C:\\optcd\\directx\\dsetup.log");
}

}  // namespace
