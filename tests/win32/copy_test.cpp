// The copy dialog run in-process against Wine's files and registry, with a driver
// thread clicking and a hook recording every progress position the worker sends.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <stdio.h>
#include <string.h>

#include <random>
#include <string>
#include <vector>

#include "app/install_record.h"
#include "app/system_profile.h"
#include "faults.h"
#include "install/copy_progress_dialog.h"
#include "install/install_bootstrap.h"
#include "install/shortcuts.h"
#include "resource.h"
#include "snapshot.h"
#include "uninstall/removal.h"
#include "win_driver.h"


namespace {

const char* const Folder = "C:\\Games\\Vorlex";
const char* const Cd = "C:\\copycd";

void writeData(const std::string& path, size_t size, unsigned seed) {
    std::vector<char> data(size);
    std::mt19937 random(seed);
    for (char& c : data) c = static_cast<char>(random());
    FILE* file = fopen(path.c_str(), "wb");
    ASSERT_NE(file, nullptr) << path;
    fwrite(data.data(), 1, data.size(), file);
    fclose(file);
}

std::string readAll(const std::string& path) {
    FILE* file = fopen(path.c_str(), "rb");
    if (file == nullptr) return "<missing>";
    std::string text;
    char chunk[65536];
    size_t n;
    while ((n = fread(chunk, 1, sizeof chunk, file)) > 0) text.append(chunk, n);
    fclose(file);
    return text;
}

bool exists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// Every PBM_SETPOS the progress bar receives on this thread: sent (the bootstrap's
// reset) or posted (the worker's positions).
std::vector<int> positions;
void recordPosition(HWND window, UINT message, WPARAM position) {
    if (message == PBM_SETPOS && GetDlgCtrlID(window) == IDC_PROGRESS_BAR)
        positions.push_back(static_cast<int>(position));
}
LRESULT CALLBACK recordSent(int code, WPARAM wParam, LPARAM lParam) {
    const CWPSTRUCT* message = reinterpret_cast<const CWPSTRUCT*>(lParam);
    if (code == HC_ACTION) recordPosition(message->hwnd, message->message, message->wParam);
    return CallNextHookEx(nullptr, code, wParam, lParam);
}
LRESULT CALLBACK recordPosted(int code, WPARAM wParam, LPARAM lParam) {
    const MSG* message = reinterpret_cast<const MSG*>(lParam);
    if (code == HC_ACTION && wParam == PM_REMOVE) recordPosition(message->hwnd, message->message, message->wParam);
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

class CopyDialog : public ::testing::Test {
protected:
    void SetUp() override {
        memset(&systemProfile, 0, sizeof systemProfile);
        GetCurrentDirectoryA(sizeof saved_, saved_);
        CreateDirectoryA(Cd, nullptr);
        CreateDirectoryA("C:\\copycd\\data", nullptr);
        CreateDirectoryA("C:\\Games", nullptr);
        ASSERT_TRUE(SetCurrentDirectoryA(Cd));
        positions.clear();
        sentHook_ = SetWindowsHookExA(WH_CALLWNDPROC, recordSent, nullptr, GetCurrentThreadId());
        postedHook_ = SetWindowsHookExA(WH_GETMESSAGE, recordPosted, nullptr, GetCurrentThreadId());
    }
    void TearDown() override {
        UnhookWindowsHookEx(sentHook_);
        UnhookWindowsHookEx(postedHook_);
        DeleteFileA((std::string(Folder) + "\\big.dat").c_str());
        undoInstall(nullptr);
        RemoveDirectoryA(Folder);
        SetCurrentDirectoryA(saved_);
    }
    void makeCd(size_t gameSize = 100000, size_t dataSize = 26624000) {
        writeData("C:\\copycd\\data\\vlx.exe", gameSize, 1);
        writeData("C:\\copycd\\data\\filesys.dat", dataSize, 2);
    }
    // Runs one install; drive, when given, gets the dialog once it shows.
    std::string install(const InstallManifest* manifest, const std::function<void(HWND)>& drive = {}) {
        CopyProgressDialog dialog;
        dialog.setInstall(Folder, manifest, manifest->progressScale);
        driver::runModalAndDrive([&] { return dialog.runModal(); }, "Vorlex Installation", drive, 120000);
        EXPECT_FALSE(driver::lastRunWasForced()) << "the dialog ended by itself";
        return dialog.errorText();
    }
    std::string installed(const char* name) const { return readAll(std::string(Folder) + "\\" + name); }

    HHOOK sentHook_ = nullptr;
    HHOOK postedHook_ = nullptr;
    char saved_[MAX_PATH] = {};
};

TEST_F(CopyDialog, WholeInstallFromTheCd) {
    makeCd();
    EXPECT_EQ(install(&installManifest), "");
    EXPECT_TRUE(installed("Vorlex.exe") == readAll("C:\\copycd\\data\\vlx.exe"));
    EXPECT_TRUE(installed("filesys.dat") == readAll("C:\\copycd\\data\\filesys.dat"));
    char path[1024] = {}, setup[1024] = {};
    ASSERT_EQ(readInstallRecord(path, setup), 1);
    EXPECT_STREQ(path, Folder);
    EXPECT_TRUE(exists(setup)) << setup;
    EXPECT_EQ(strncmp(setup, "C:\\windows\\N", 12), 0) << setup;
    char group[1024];
    ASSERT_EQ(shortcutGroupFolder(group), 1);
    EXPECT_TRUE(exists(std::string(group) + "\\Vorlex - Play.lnk"));
    EXPECT_TRUE(exists(std::string(group) + "\\Vorlex - Setup.lnk"));
    HKEY key;
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, UninstallEntryKeyName, 0, KEY_READ, &key), ERROR_SUCCESS);
    char command[1024] = {};
    DWORD size = sizeof command;
    RegQueryValueExA(key, "UninstallString", nullptr, nullptr, reinterpret_cast<BYTE*>(command), &size);
    RegCloseKey(key);
    EXPECT_EQ(std::string(command), std::string(setup) + " U");
    ASSERT_FALSE(positions.empty());
    EXPECT_EQ(positions.front(), 0) << "the bar starts empty";
    EXPECT_GE(positions.back(), 65535) << "and ends full";
    EXPECT_LT(positions[positions.size() - 2], 65535) << "nothing is sent once the bar is full";
}

TEST_F(CopyDialog, PositionsCountEveryByteAndStopOnceTheBarIsFull) {
    writeData("C:\\copycd\\data\\big.dat", 30 * 1048576, 3);
    const FilePair pairs[] = {{"data\\big.dat", "big.dat"}, {nullptr, nullptr}};
    InstallManifest manifest = installManifest;
    manifest.filePairs = pairs;
    EXPECT_EQ(install(&manifest), "");
    ASSERT_EQ(positions.size(), 401u) << "the reset to 0, then one per chunk up to the end of the bar";
    EXPECT_EQ(positions[160], 26214) << "after exactly 10,485,760 bytes";
    EXPECT_EQ(positions[400], 65535) << "after exactly 26,214,400 bytes (count 26,214,401)";
    for (size_t i = 2; i < positions.size(); ++i) EXPECT_GT(positions[i], positions[i - 1]);
    EXPECT_EQ(readAll("C:\\copycd\\data\\big.dat").size(), installed("big.dat").size()) << "all 30 MB copied";
}

TEST_F(CopyDialog, EmptyFileListIsASuccess) {
    const FilePair none[] = {{nullptr, nullptr}};
    InstallManifest manifest = installManifest;
    manifest.filePairs = none;
    EXPECT_EQ(install(&manifest), "");
    EXPECT_TRUE(exists(Folder)) << "the folder is made all the same";
}

TEST_F(CopyDialog, MissingFirstSourceStopsTheCopy) {
    writeData("C:\\copycd\\data\\filesys.dat", 1000, 2);
    DeleteFileA("C:\\copycd\\data\\vlx.exe");
    EXPECT_EQ(install(&installManifest), "Error with file: data\\vlx.exe");
    EXPECT_EQ(installed("Vorlex.exe"), "") << "an empty destination remains";
    EXPECT_EQ(installed("filesys.dat"), "<missing>") << "the second pair is never tried";
}

TEST_F(CopyDialog, WriteThatFailsMidFileNamesTheFileOnTheCd) {
    makeCd();
    SlowWrites failing(0, 10);  // vlx.exe takes two chunks
    EXPECT_EQ(install(&installManifest), "Error with file: data\\filesys.dat");
}

// The bytes the copy has written so far, over every file it may be writing.
unsigned long long bytesWritten() {
    unsigned long long total = 0;
    for (const char* name : {"Vorlex.exe", "filesys.dat", "big.dat"}) {
        WIN32_FILE_ATTRIBUTE_DATA data = {};
        if (GetFileAttributesExA((std::string(Folder) + "\\" + name).c_str(), GetFileExInfoStandard, &data))
            total += (static_cast<unsigned long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    }
    return total;
}

// Abort: finds the question, checks it, answers it.
void answerAbort(HWND dialog, int answer) {
    ASSERT_TRUE(driver::waitFor([&] { return driver::progressPosition(dialog, IDC_PROGRESS_BAR) > 0; }));
    ASSERT_TRUE(driver::controlEnabled(dialog, IDC_COPY_ABORT));
    driver::clickControl(dialog, IDC_COPY_ABORT);
    HWND box = driver::waitForNotice(GetCurrentProcessId());
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(driver::noticeText(box), "Are you sure you want to abort the install?");
    EXPECT_EQ(driver::focusedControlId(box), IDNO) << "No is the default";
    // The files, not the bar: positions posted before the copy stopped may still
    // arrive while the question is up. A write begun before the click may still land:
    // once it has, no other may begin.
    ASSERT_TRUE(driver::waitFor([] { return SlowWrites::writing == 0; }));
    unsigned long long before = bytesWritten();
    Sleep(100);
    EXPECT_EQ(bytesWritten(), before) << "the copy waits for the answer";
    driver::answerNotice(box, answer);
}

TEST_F(CopyDialog, AbortAnsweredNoGoesOnToTheEnd) {
    makeCd();
    SlowWrites slow(2);
    EXPECT_EQ(install(&installManifest, [](HWND dialog) { answerAbort(dialog, IDNO); }), "");
    EXPECT_TRUE(installed("filesys.dat") == readAll("C:\\copycd\\data\\filesys.dat"));
}

TEST_F(CopyDialog, AbortAnsweredYesStopsInTheFirstFile) {
    writeData("C:\\copycd\\data\\big.dat", 20 * 1048576, 3);
    writeData("C:\\copycd\\data\\vlx.exe", 1000, 1);
    const FilePair pairs[] = {{"data\\big.dat", "big.dat"}, {"data\\vlx.exe", "Vorlex.exe"}, {nullptr, nullptr}};
    InstallManifest manifest = installManifest;
    manifest.filePairs = pairs;
    SlowWrites slow(2);
    std::string error = install(&manifest, [](HWND dialog) {
        answerAbort(dialog, IDYES);
        EXPECT_TRUE(driver::waitUntilGone(dialog)) << "the dialog ends without a further message";
    });
    EXPECT_EQ(error, std::string(abortMarker));
    size_t partial = installed("big.dat").size();
    EXPECT_GT(partial, 0u);
    EXPECT_LT(partial, 20u * 1048576);
    EXPECT_FALSE(exists(std::string(Folder) + "\\Vorlex.exe")) << "the second file is not created";
}

// The file on the CD is a pipe the test fills: the worker's read waits for it as for a
// scratched disc. The question comes and the spinner turns while the read waits; the
// chunk read meanwhile is held at the safe point; No writes it once, Yes nothing more.
TEST_F(CopyDialog, AbortWhileTheCdReadWaits) {
    HANDLE pipe = CreateNamedPipeA("\\\\.\\pipe\\vorlexcd", PIPE_ACCESS_OUTBOUND, PIPE_TYPE_BYTE | PIPE_WAIT, 1,
                                   1 << 20, 1 << 20, 0, nullptr);
    ASSERT_NE(pipe, INVALID_HANDLE_VALUE);
    const FilePair pairs[] = {{"\\\\.\\pipe\\vorlexcd", "big.dat"}, {nullptr, nullptr}};
    InstallManifest manifest = installManifest;
    manifest.filePairs = pairs;
    std::string fed;
    auto feed = [&] {  // whole chunks, as a read of the CD returns them
        std::string chunk(65536, static_cast<char>('a' + fed.size() / 65536));
        DWORD written = 0;
        WriteFile(pipe, chunk.data(), static_cast<DWORD>(chunk.size()), &written, nullptr);
        fed += chunk;
    };
    auto abortWhileTheReadWaits = [&](HWND dialog, int answer) {
        ASSERT_TRUE(driver::waitFor([&] { return bytesWritten() == fed.size(); }));
        driver::clickControl(dialog, IDC_COPY_ABORT);
        HWND box = driver::waitForNotice(GetCurrentProcessId(), 3000);
        EXPECT_NE(box, nullptr) << "the question comes while the read waits";
        feed();  // the read returns while the question is open
        if (box == nullptr) box = driver::waitForNotice(GetCurrentProcessId());
        int32_t frame = spinnerFrame;
        EXPECT_TRUE(driver::waitFor([&] { return spinnerFrame != frame; }, 1000)) << "the spinner turns";
        Sleep(100);
        EXPECT_EQ(bytesWritten(), fed.size() - 65536) << "nothing is written while the question is open";
        driver::answerNotice(box, answer);
    };
    std::string error = install(&manifest, [&](HWND dialog) {
        ConnectNamedPipe(pipe, nullptr);
        feed();
        abortWhileTheReadWaits(dialog, IDNO);
        abortWhileTheReadWaits(dialog, IDYES);
        EXPECT_TRUE(driver::waitUntilGone(dialog));
    });
    CloseHandle(pipe);
    EXPECT_EQ(error, std::string(abortMarker));
    EXPECT_TRUE(installed("big.dat") == fed.substr(0, 2 * 65536)) << "the chunk held at No once, nothing after Yes";
}

TEST_F(CopyDialog, EnterAndEscapeDoNothingDuringTheCopy) {
    makeCd();
    SlowWrites slow(2);
    std::string error = install(&installManifest, [](HWND dialog) {
        ASSERT_TRUE(driver::waitFor([&] { return driver::progressPosition(dialog, IDC_PROGRESS_BAR) > 0; }));
        driver::pressKey(dialog, VK_RETURN);
        driver::pressKey(dialog, VK_ESCAPE);
        EXPECT_FALSE(driver::waitUntilGone(dialog, 200));
        EXPECT_LT(driver::progressPosition(dialog, IDC_PROGRESS_BAR), 65535) << "still copying";
    });
    EXPECT_EQ(error, "");
}

int uninstallerCopies() {
    return countFiles("C:\\windows\\N*-Vorlex-Setup.exe");
}

bool groupFolderExists() {
    char group[1024];
    return shortcutGroupFolder(group) && exists(group);
}

// The bootstrap's failures, called without a window: each names its step, deletes the
// uninstaller copy just made, and goes no further.
std::string bootstrap() {
    const char* failure = bootstrapInstall(GetModuleHandleA(nullptr), Folder, installManifest);
    return failure != nullptr ? failure : "";
}

TEST_F(CopyDialog, BootstrapFailuresStopAtTheirStep) {
    {
        CopyFileFails copy(ERROR_DISK_FULL);
        EXPECT_EQ(bootstrap(), "Setup init error");
    }
    char path[1024];
    EXPECT_EQ(readInstallRecord(path, nullptr), 0);
    {
        RegistryKeyRefused refused(VersionKeyName);
        EXPECT_EQ(bootstrap(), "Install reg error");
    }
    EXPECT_FALSE(groupFolderExists()) << "no shortcut";
    {
        ProgramsValueRemoved noPrograms;
        EXPECT_EQ(bootstrap(), "Start menu error");
    }
    EXPECT_EQ(readInstallRecord(path, nullptr), 1) << "the record stays for the clean-up";
    {
        RegistryKeyRefused refused(UninstallEntryKeyName);
        EXPECT_EQ(bootstrap(), "Uninstall reg error");
    }
    EXPECT_TRUE(groupFolderExists()) << "the shortcuts stay for the clean-up";
    HKEY entry;
    EXPECT_NE(RegOpenKeyExA(HKEY_LOCAL_MACHINE, UninstallEntryKeyName, 0, KEY_READ, &entry), ERROR_SUCCESS);
    EXPECT_EQ(uninstallerCopies(), 0) << "every copy just made is deleted";
    EXPECT_FALSE(exists(Folder)) << "no folder";
}

TEST_F(CopyDialog, ThreadError) {
    makeCd(1000, 1000);
    NoThreads threads;
    EXPECT_EQ(install(&installManifest), "Thread error");
    EXPECT_EQ(installed("Vorlex.exe"), "<missing>");
}

TEST_F(CopyDialog, SecondInstallCountsAfreshAndTheSpinnerGoesOn) {
    makeCd(1000, 200000);
    const FilePair one[] = {{"data\\filesys.dat", "filesys.dat"}, {nullptr, nullptr}};
    InstallManifest manifest = installManifest;
    manifest.filePairs = one;
    int32_t frameBefore = -1;
    HICON shown = nullptr;
    auto watchSpinner = [&](HWND dialog) {
        frameBefore = spinnerFrame;
        // Slow writes keep the dialog up for a few spinner ticks.
        EXPECT_TRUE(driver::waitFor([&] { return spinnerFrame != frameBefore; }));
        shown = reinterpret_cast<HICON>(SendDlgItemMessageA(dialog, IDC_COPY_SPINNER, STM_GETICON, 0, 0));
    };
    SlowWrites slow(60);
    ASSERT_EQ(install(&manifest, watchSpinner), "");
    int32_t frameAfterFirst = spinnerFrame;
    std::vector<int> first = positions;
    positions.clear();
    ASSERT_EQ(install(&manifest, watchSpinner), "");
    EXPECT_EQ(frameBefore, frameAfterFirst) << "the second dialog starts where the first stopped";
    EXPECT_EQ(positions, first) << "the byte count starts again at 1";
    EXPECT_EQ(positions.at(1), 163) << "(1 + 65536) x scale";
    (void)shown;
}

// The icons the spinner is given, in order, as the dialog sets them: read from the
// dialog's own calls, so a tick that comes before the test looks cannot hide one.
IMPORT_SLOT(SendMessageA, 16);
void* realSendMessage;
std::vector<HICON> spinnerIcons;
LRESULT WINAPI recordSpinnerIcons(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == STM_SETICON) spinnerIcons.push_back(reinterpret_cast<HICON>(wParam));
    return reinterpret_cast<LRESULT(WINAPI*)(HWND, UINT, WPARAM, LPARAM)>(realSendMessage)(window, message, wParam, lParam);
}

TEST(SpinnerFirstTick, ShowsIcon155AfterAProcessStart) {
    ASSERT_EQ(spinnerFrame, 0) << "run this test first in its process";
    CreateDirectoryA("C:\\spincd", nullptr);
    CreateDirectoryA("C:\\spincd\\data", nullptr);
    writeData("C:\\spincd\\data\\vlx.exe", 300000, 1);
    char saved[MAX_PATH];
    GetCurrentDirectoryA(sizeof saved, saved);
    SetCurrentDirectoryA("C:\\spincd");
    const FilePair one[] = {{"data\\vlx.exe", "Vorlex.exe"}, {nullptr, nullptr}};
    InstallManifest manifest = installManifest;
    manifest.filePairs = one;
    SlowWrites slow(100);
    ImportPatch record(&SendMessageA_slot, reinterpret_cast<void*>(recordSpinnerIcons));
    realSendMessage = record.original();
    CopyProgressDialog dialog;
    dialog.setInstall("C:\\spingame", &manifest, manifest.progressScale);
    driver::runModalWithDriver([&] { return dialog.runModal(); }, [&] {
        HWND window = driver::waitForOwnWindow("Vorlex Installation");
        ASSERT_NE(window, nullptr);
        ASSERT_TRUE(driver::waitFor([&] { return spinnerFrame >= 2; }));
    }, 60000);
    HMODULE self = GetModuleHandleA(nullptr);
    ASSERT_GE(spinnerIcons.size(), 2u);
    EXPECT_EQ(spinnerIcons[0], LoadIconA(self, MAKEINTRESOURCEA(155))) << "the first tick shows icon 155";
    EXPECT_EQ(spinnerIcons[1], LoadIconA(self, MAKEINTRESOURCEA(156)));
    SetCurrentDirectoryA(saved);
    undoInstall(nullptr);
}

// Abort at random moments, answered No or Yes: every round ends, none hangs.
TEST_F(CopyDialog, AbortAtRandomMomentsNeverHangs) {
    makeCd(100000, 3 * 1048576);
    SlowWrites slow(1);
    std::mt19937 random(20261206);
    int yes = 0, no = 0;
    for (int round = 0; round < 50; ++round) {
        DWORD delay = random() % 60;
        int answer = (round % 2) ? IDYES : IDNO;
        std::string error = install(&installManifest, [&](HWND dialog) {
            Sleep(delay);
            if (!IsWindow(dialog) || !driver::controlEnabled(dialog, IDC_COPY_ABORT)) return;
            driver::clickControl(dialog, IDC_COPY_ABORT);
            HWND box = driver::waitForNotice(GetCurrentProcessId(), 5000);
            if (box == nullptr) return;  // the copy had just finished and the dialog ended
            driver::answerNotice(box, answer);
            EXPECT_TRUE(driver::waitUntilGone(dialog, 30000)) << "round " << round;
        });
        if (answer == IDYES) {
            EXPECT_TRUE(error == std::string(abortMarker) || error.empty()) << "round " << round;
            ++yes;
        } else {
            EXPECT_EQ(error, "") << "round " << round;
            ++no;
        }
        ASSERT_FALSE(HasFailure()) << "round " << round;
    }
    EXPECT_EQ(yes + no, 50);
}

}  // namespace
