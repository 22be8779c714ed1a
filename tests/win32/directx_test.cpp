// The DirectX step with the stand-in setup library, and the restart at the end of a run.
// Message boxes are answered through the import pointer of MessageBoxA, which also
// records their exact texts and styles.
#include <gtest/gtest.h>
#include <windows.h>

#include <stdio.h>
#include <string.h>

#include <string>
#include <vector>

#include "app/setup_app.h"
#include "app/system_profile.h"
#include "directx/directx_step.h"
#include "import_patch.h"
#include "win_driver.h"

IMPORT_SLOT(MessageBoxA, 16);
IMPORT_SLOT(GetFileAttributesA, 4);
IMPORT_SLOT(OpenProcessToken, 12);
IMPORT_SLOT(LookupPrivilegeValueA, 12);
IMPORT_SLOT(AdjustTokenPrivileges, 24);
IMPORT_SLOT(GetProcAddress, 8);
IMPORT_SLOT(ExitWindowsEx, 8);

namespace {

struct Box {
    std::string text;
    UINT style;
};
std::vector<Box> boxes;
std::vector<int> answers;  // given in order; IDNO when none is left
int WINAPI answerBox(HWND, const char* text, const char* caption, UINT style) {
    EXPECT_STREQ(caption, "Vorlex Setup Notice");
    boxes.push_back({text, style});
    if (answers.empty()) return IDNO;
    int answer = answers.front();
    answers.erase(answers.begin());
    return answer;
}

int ddrawPresent;  // -1: as on the machine
void* realAttributes;
DWORD WINAPI attributes(const char* path) {
    const char* tail = strrchr(path, '\\');
    if (ddrawPresent >= 0 && tail && !lstrcmpiA(tail, "\\ddraw.dll"))
        return ddrawPresent ? FILE_ATTRIBUTE_NORMAL : INVALID_FILE_ATTRIBUTES;
    return reinterpret_cast<DWORD(WINAPI*)(const char*)>(realAttributes)(path);
}

const char* const Cd = "C:\\dxcd";

std::string readLog(const char* folder) {
    std::string path = std::string(folder) + "\\dsetup.log";
    FILE* file = fopen(path.c_str(), "r");
    if (!file) return "";
    std::string text;
    char line[512];
    while (fgets(line, sizeof line, file)) text += line;
    fclose(file);
    return text;
}

class DirectXStep : public ::testing::Test {
protected:
    void SetUp() override {
        GetCurrentDirectoryA(sizeof saved_, saved_);
        memset(&systemProfile, 0, sizeof systemProfile);
        systemProfile.directXOffered = 1;
        boxes.clear();
        answers.clear();
        ddrawPresent = -1;
        CreateDirectoryA(Cd, nullptr);
        CreateDirectoryA("C:\\dxcd\\directx", nullptr);
        library("dsetup.dll");
        configure(3, 1, 0);
        SetCurrentDirectoryA(Cd);
        box_ = new ImportPatch(&MessageBoxA_slot, reinterpret_cast<void*>(answerBox));
        attributes_ = new ImportPatch(&GetFileAttributesA_slot, reinterpret_cast<void*>(attributes));
        realAttributes = attributes_->original();
    }
    void TearDown() override {
        delete box_;
        delete attributes_;
        SetCurrentDirectoryA(saved_);
        for (const char* f : {"dsetup.dll", "dsetup.cfg", "dsetup.log"})
            DeleteFileA((std::string("C:\\dxcd\\directx\\") + f).c_str());
        RemoveDirectoryA("C:\\dxcd\\directx");
        RemoveDirectoryA(Cd);
        for (const char* f : {"dsetup.dll", "dsetup.cfg", "dsetup.log"}) DeleteFileA((std::string("C:\\directx\\") + f).c_str());
        RemoveDirectoryA("C:\\directx");
    }
    // Puts a build of the stand-in in place as dsetup.dll.
    void library(const char* variant, const char* folder = "C:\\dxcd\\directx") {
        char own[MAX_PATH];
        GetModuleFileNameA(nullptr, own, sizeof own);
        std::string dir = std::string(getenv("VORLEX_DSETUP_DIR") ? getenv("VORLEX_DSETUP_DIR") : "");
        ASSERT_FALSE(dir.empty()) << "VORLEX_DSETUP_DIR names the folder of the stand-in builds";
        ASSERT_TRUE(CopyFileA((dir + "\\" + variant).c_str(), (std::string(folder) + "\\dsetup.dll").c_str(), FALSE))
            << variant;
    }
    void configure(int version, int versionOk, int result, const char* folder = "C:\\dxcd\\directx") {
        std::string path = std::string(folder) + "\\dsetup.cfg";
        FILE* file = fopen(path.c_str(), "w");
        ASSERT_NE(file, nullptr);
        fprintf(file, "version=%d\nrevision=7\nversionok=%d\nresult=%d\n", version, versionOk, result);
        fclose(file);
    }
    int step(int afterInstall) {
        int result = runDirectXStep(nullptr, afterInstall);
        char now[MAX_PATH];
        GetCurrentDirectoryA(sizeof now, now);
        EXPECT_STREQ(now, Cd) << "the current directory is restored";
        return result;
    }
    ImportPatch* box_ = nullptr;
    ImportPatch* attributes_ = nullptr;
    char saved_[MAX_PATH] = {};
};

const char* const Error = "DirectX could not be installed, Vorlex may not work!";

TEST_F(DirectXStep, OlderReleaseAsksWithYesAsDefaultInBothModes) {
    for (int after : {0, 1}) {
        boxes.clear();
        answers = {IDYES};
        systemProfile.directXOffered = 1;
        EXPECT_EQ(step(after), 1);
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].text, "DirectX 3 is installed on this computer.\n\nDo you want to install DirectX 5 ?");
        EXPECT_EQ(boxes[0].style, 0x24u);
        EXPECT_EQ(systemProfile.directXOffered, 0);
    }
    // The setup got the library's own folder, the owner and the DirectX flags.
    EXPECT_NE(readLog("C:\\dxcd\\directx").find("DirectXSetupA owner=0 source=C:\\dxcd\\directx flags=0x10018"),
              std::string::npos)
        << readLog("C:\\dxcd\\directx");
}

TEST_F(DirectXStep, CurrentReleaseAsksWithNoAsDefaultOrStaysQuietAfterAnInstall) {
    configure(5, 1, 0);
    answers = {IDNO};
    EXPECT_EQ(step(0), 0);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "DirectX 5 is installed on this computer.\n\nDo you want to install DirectX 5 ?");
    EXPECT_EQ(boxes[0].style, 0x124u);
    EXPECT_EQ(systemProfile.directXOffered, 1) << "a No is not a failure and changes nothing";

    boxes.clear();
    EXPECT_EQ(step(1), 0);
    EXPECT_TRUE(boxes.empty()) << "after an install: no message at all";
    EXPECT_EQ(systemProfile.directXOffered, 1);
    EXPECT_EQ(readLog("C:\\dxcd\\directx").find("DirectXSetupA"), std::string::npos) << "no setup ran";
}

TEST_F(DirectXStep, NoDirectXAtAllInstallsWithoutAsking) {
    configure(0, 0, 0);
    ddrawPresent = 0;
    for (int after : {0, 1}) {
        boxes.clear();
        systemProfile.directXOffered = 1;
        EXPECT_EQ(step(after), 1);
        EXPECT_TRUE(boxes.empty());
    }
}

TEST_F(DirectXStep, UnreportedVersionWithDirectDrawAsksTheOldVersionQuestion) {
    configure(3, 0, 0);
    ddrawPresent = 1;
    for (int after : {0, 1}) {
        boxes.clear();
        answers = {IDNO};
        EXPECT_EQ(step(after), 0);
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].text, "An old version of DirectX is installed on this computer.\n\n"
                                 "It is recommended that you install DirectX 5, do you want to?");
        EXPECT_EQ(boxes[0].style, 0x24u);
    }
}

TEST_F(DirectXStep, RestartAskedAndAccepted) {
    configure(3, 1, 1);
    answers = {IDYES, IDYES};
    EXPECT_EQ(step(0), 1);
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[1].text, "It is highly recommended that you reboot your\ncomputer now, to finish the DirectX install.\n\n"
                             "Do you want to reboot now?");
    EXPECT_EQ(boxes[1].style, 0x34u);
    EXPECT_EQ(systemProfile.restartRequested, 1);
    EXPECT_EQ(systemProfile.directXOffered, 0);
}

TEST_F(DirectXStep, RestartDeclined) {
    configure(3, 1, 1);
    answers = {IDYES, IDNO};
    EXPECT_EQ(step(0), 1);
    EXPECT_EQ(systemProfile.restartRequested, 0);
    EXPECT_EQ(systemProfile.directXOffered, 0);
}

TEST_F(DirectXStep, FailedSetupReportsAndKeepsTheOffer) {
    configure(3, 1, -5);
    answers = {IDYES};
    EXPECT_EQ(step(0), 0);
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[1].text, Error);
    EXPECT_EQ(boxes[1].style, static_cast<UINT>(MB_ICONERROR));
    EXPECT_EQ(systemProfile.directXOffered, 1);
}

TEST_F(DirectXStep, NoDirectXFolderIsAnErrorEvenWithOneAtTheDriveRoot) {
    CreateDirectoryA("C:\\directx", nullptr);
    library("dsetup.dll", "C:\\directx");
    configure(3, 1, 0, "C:\\directx");
    DeleteFileA("C:\\dxcd\\directx\\dsetup.dll");
    DeleteFileA("C:\\dxcd\\directx\\dsetup.cfg");
    RemoveDirectoryA("C:\\dxcd\\directx");
    answers = {IDYES};
    EXPECT_EQ(step(0), 0);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, Error);
}

TEST_F(DirectXStep, FolderWithoutTheLibraryFallsBackToTheDriveRoot) {
    CreateDirectoryA("C:\\directx", nullptr);
    library("dsetup.dll", "C:\\directx");
    configure(3, 1, 0, "C:\\directx");
    DeleteFileA("C:\\dxcd\\directx\\dsetup.dll");
    answers = {IDYES};
    EXPECT_EQ(step(0), 1);
    EXPECT_NE(readLog("C:\\directx").find("source=C:\\directx flags=0x10018"), std::string::npos) << readLog("C:\\directx");
}

TEST_F(DirectXStep, OldSetupNameServesAndMissingEntriesAreErrors) {
    library("dsetup_old_name.dll");
    answers = {IDYES};
    EXPECT_EQ(step(0), 1);
    EXPECT_NE(readLog("C:\\dxcd\\directx").find("DirectXSetup owner"), std::string::npos);

    library("dsetup_no_setup.dll");
    boxes.clear();
    answers = {IDYES};
    systemProfile.directXOffered = 1;
    EXPECT_EQ(step(0), 0);
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[1].text, Error);

    library("dsetup_no_version.dll");
    boxes.clear();
    EXPECT_EQ(step(0), 0);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, Error);
}

TEST_F(DirectXStep, TheCdsLibraryIsUsedEvenWithAnotherInTheSystemFolder) {
    // A later DirectX may leave a dsetup.dll of its own in the system folder, which a
    // search by bare name finds first.
    library("dsetup_no_setup.dll", "C:\\windows\\system32");
    answers = {IDYES};
    int result = step(0);
    DeleteFileA("C:\\windows\\system32\\dsetup.dll");
    EXPECT_EQ(result, 1);
    EXPECT_NE(readLog("C:\\dxcd\\directx").find("DirectXSetupA owner"), std::string::npos);
}

// The restart: the calls in order, with the platform's answers left alone.
std::vector<std::string> calls;
BOOL WINAPI fakeOpenToken(HANDLE, DWORD access, HANDLE* token) {
    calls.push_back("OpenProcessToken " + std::to_string(access));
    *token = nullptr;
    return TRUE;
}
BOOL WINAPI fakeLookup(const char* system, const char* name, LUID*) {
    calls.push_back(std::string("LookupPrivilegeValueA ") + (system ? system : "-") + " " + name);
    return TRUE;
}
BOOL WINAPI fakeAdjust(HANDLE, BOOL disableAll, TOKEN_PRIVILEGES* state, DWORD, TOKEN_PRIVILEGES*, DWORD*) {
    calls.push_back("AdjustTokenPrivileges " + std::to_string(disableAll) + " " +
                    std::to_string(state->PrivilegeCount) + " " + std::to_string(state->Privileges[0].Attributes));
    return TRUE;
}
BOOL WINAPI fakeShutdown(char* machine, char* message, DWORD timeout, BOOL force, BOOL reboot) {
    calls.push_back("InitiateSystemShutdownA " + std::to_string(machine == nullptr) + std::to_string(message == nullptr) +
                    " " + std::to_string(timeout) + " " + std::to_string(force) + " " + std::to_string(reboot));
    return TRUE;
}
// The shutdown request is looked up at run time: the lookup hands out the fake.
void* realGetProcAddress;
FARPROC WINAPI fakeGetProcAddress(HMODULE module, const char* name) {
    if (HIWORD(name) != 0 && strcmp(name, "InitiateSystemShutdownA") == 0) return reinterpret_cast<FARPROC>(reinterpret_cast<void*>(fakeShutdown));
    return reinterpret_cast<FARPROC(WINAPI*)(HMODULE, const char*)>(realGetProcAddress)(module, name);
}
BOOL WINAPI fakeExit(UINT flags, DWORD reserved) {
    calls.push_back("ExitWindowsEx " + std::to_string(flags) + " " + std::to_string(reserved));
    return TRUE;
}

// Runs the program's start-up with the launcher, which the driver closes; set, when
// true, asks for a restart while the launcher is open, as an accepted DirectX reboot does.
std::vector<std::string> runProgram(bool set) {
    calls.clear();
    ImportPatch a(&OpenProcessToken_slot, reinterpret_cast<void*>(fakeOpenToken));
    ImportPatch b(&LookupPrivilegeValueA_slot, reinterpret_cast<void*>(fakeLookup));
    ImportPatch c(&AdjustTokenPrivileges_slot, reinterpret_cast<void*>(fakeAdjust));
    ImportPatch d(&GetProcAddress_slot, reinterpret_cast<void*>(fakeGetProcAddress));
    realGetProcAddress = d.original();
    ImportPatch e(&ExitWindowsEx_slot, reinterpret_cast<void*>(fakeExit));
    char saved[MAX_PATH];
    GetCurrentDirectoryA(sizeof saved, saved);
    SetupApp app(GetModuleHandleA(nullptr), "");
    driver::runModalWithDriver([&] { return static_cast<INT_PTR>(app.initInstance()); }, [&] {
        HWND launcher = driver::waitForOwnWindow("Vorlex Setup");
        ASSERT_NE(launcher, nullptr);
        if (set) systemProfile.restartRequested = 1;
        driver::pressKey(launcher, VK_ESCAPE);
        EXPECT_TRUE(driver::waitUntilGone(launcher));
    });
    SetCurrentDirectoryA(saved);
    return calls;
}

TEST(Restart, NoCallWithoutARequest) {
    EXPECT_TRUE(runProgram(false).empty());
}

TEST(Restart, CallOrderForTheReportedWindows) {
    std::vector<std::string> got = runProgram(true);
    std::string windows = getenv("VORLEX_WINVER") ? getenv("VORLEX_WINVER") : "win7";
    if (windows == "win95") {
        EXPECT_EQ(got, (std::vector<std::string>{"ExitWindowsEx 2 0"}));
    } else {
        EXPECT_EQ(got, (std::vector<std::string>{
                           "OpenProcessToken 40",
                           "LookupPrivilegeValueA - SeShutdownPrivilege",
                           "AdjustTokenPrivileges 0 1 2",
                           "InitiateSystemShutdownA 11 0 0 1",
                           "AdjustTokenPrivileges 0 1 0",
                           "ExitWindowsEx 2 0",
                       }));
    }
}

}  // namespace
