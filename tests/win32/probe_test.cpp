// The probe of the machine under the Windows version Wine reports (VORLEX_WINVER),
// with the CD's files present or not; faults Wine cannot give are injected.
#include <gtest/gtest.h>
#include <windows.h>

#include <stdlib.h>
#include <string.h>

#include <string>

#include "app/install_record.h"
#include "app/instance_marker.h"
#include "app/system_profile.h"
#include "import_patch.h"

IMPORT_SLOT(OpenSCManagerA, 12);
IMPORT_SLOT(GetSystemInfo, 4);
IMPORT_SLOT(GlobalMemoryStatus, 4);

namespace {

std::string reportedWindows() {
    const char* version = getenv("VORLEX_WINVER");
    return version ? version : "win7";
}

void makeFile(const char* path) {
    HANDLE file = CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE) << path;
    CloseHandle(file);
}

class Probe : public ::testing::Test {
protected:
    void SetUp() override {
        GetCurrentDirectoryA(sizeof saved_, saved_);
        CreateDirectoryA("C:\\probecd", nullptr);
        ASSERT_TRUE(SetCurrentDirectoryA("C:\\probecd"));
        memset(&systemProfile, 0, sizeof systemProfile);
    }
    void TearDown() override {
        InstanceMarker::release();
        SetCurrentDirectoryA(saved_);
        DeleteFileA("C:\\probecd\\directx\\dsetup.dll");
        RemoveDirectoryA("C:\\probecd\\directx");
        DeleteFileA("C:\\probecd\\data\\vlx.exe");
        RemoveDirectoryA("C:\\probecd\\data\\vlx.exe");
        RemoveDirectoryA("C:\\probecd\\data");
        RemoveDirectoryA("C:\\probecd");
        DeleteFileA("C:\\directx\\dsetup.dll");
        RemoveDirectoryA("C:\\directx");
    }
    void probeAgain(const char* tail = "") {
        InstanceMarker::release();
        probe(tail);
    }
    char saved_[MAX_PATH] = {};
};

TEST_F(Probe, VersionFlagsFollowTheReportedWindows) {
    systemProfile.restartRequested = 1;
    probeAgain();
    std::string windows = reportedWindows();
    SCOPED_TRACE("Wine reports " + windows);
    EXPECT_EQ(systemProfile.restartRequested, 0);
    if (windows == "win95") {
        EXPECT_EQ(systemProfile.win95OrLater, 1);
        EXPECT_EQ(systemProfile.winNt4OrLater, 0);
        EXPECT_EQ(systemProfile.windowsVersion, 0x40000u);
        EXPECT_EQ(systemProfile.administrator, 1);
    } else if (windows == "win98") {
        EXPECT_EQ(systemProfile.win95OrLater, 1);
        EXPECT_EQ(systemProfile.winNt4OrLater, 0);
        EXPECT_EQ(systemProfile.windowsVersion, 0x4000Au);
        EXPECT_EQ(systemProfile.administrator, 1);
    } else if (windows == "nt40") {
        EXPECT_EQ(systemProfile.win95OrLater, 0);
        EXPECT_EQ(systemProfile.winNt4OrLater, 1);
        EXPECT_EQ(systemProfile.windowsVersion, 0x40000u);
        EXPECT_EQ(systemProfile.administrator, 1) << "Wine's user may open the service manager";
    } else if (windows == "win7") {
        EXPECT_EQ(systemProfile.win95OrLater, 0);
        EXPECT_EQ(systemProfile.winNt4OrLater, 1);
        EXPECT_EQ(systemProfile.windowsVersion, 0x60001u);
    } else {
        FAIL() << "no expectations for " << windows;
    }
}

TEST_F(Probe, DirectXIsOfferedOnlyOnWindows95WithTheSetupLibrary) {
    bool windows95 = reportedWindows() == "win95";

    probeAgain();
    EXPECT_EQ(directXSetupPresent(), 0);
    EXPECT_EQ(systemProfile.directXOffered, 0) << "no library anywhere";

    CreateDirectoryA("C:\\probecd\\directx", nullptr);
    makeFile("C:\\probecd\\directx\\dsetup.dll");
    probeAgain();
    EXPECT_EQ(directXSetupPresent(), 1);
    EXPECT_EQ(systemProfile.directXOffered, windows95 ? 1 : 0) << "library in the program's folder";

    DeleteFileA("C:\\probecd\\directx\\dsetup.dll");
    CreateDirectoryA("C:\\directx", nullptr);
    makeFile("C:\\directx\\dsetup.dll");
    probeAgain();
    EXPECT_EQ(directXSetupPresent(), 1);
    EXPECT_EQ(systemProfile.directXOffered, windows95 ? 1 : 0) << "library only at the drive root";
}

TEST_F(Probe, SourceIsPresentWhenTheGameExecutableIsOnTheCd) {
    probeAgain();
    EXPECT_EQ(systemProfile.sourcePresent, 0);

    CreateDirectoryA("C:\\probecd\\data", nullptr);
    makeFile("C:\\probecd\\data\\vlx.exe");
    probeAgain();
    EXPECT_EQ(systemProfile.sourcePresent, 1);

    // A folder of that name counts as well.
    DeleteFileA("C:\\probecd\\data\\vlx.exe");
    CreateDirectoryA("C:\\probecd\\data\\vlx.exe", nullptr);
    probeAgain();
    EXPECT_EQ(systemProfile.sourcePresent, 1);
}

int managerCalls;
SC_HANDLE WINAPI refuseManager(const char*, const char*, DWORD access) {
    ++managerCalls;
    EXPECT_EQ(access, 0xE0000000u);
    SetLastError(ERROR_ACCESS_DENIED);
    return nullptr;
}

TEST_F(Probe, AdministratorIsTestedByTheServiceManagerOnNtOnly) {
    managerCalls = 0;
    ImportPatch patch(&OpenSCManagerA_slot, reinterpret_cast<void*>(refuseManager));
    probeAgain();
    if (systemProfile.winNt4OrLater) {
        EXPECT_EQ(managerCalls, 1);
        EXPECT_EQ(systemProfile.administrator, 0);
    } else {
        EXPECT_EQ(managerCalls, 0);
        EXPECT_EQ(systemProfile.administrator, 1);
    }
}

DWORD fakeProcessorType;
void WINAPI fakeSystemInfo(SYSTEM_INFO* info) {
    memset(info, 0, sizeof *info);
    info->dwProcessorType = fakeProcessorType;
    info->dwNumberOfProcessors = 1;
}
void WINAPI sixteenMegabytes(MEMORYSTATUS* status) {
    status->dwTotalPhys = 16 * 1048576;
}

TEST_F(Probe, OldProcessorAndSmallMemoryAreRecorded) {
    ImportPatch processor(&GetSystemInfo_slot, reinterpret_cast<void*>(fakeSystemInfo));
    ImportPatch memory(&GlobalMemoryStatus_slot, reinterpret_cast<void*>(sixteenMegabytes));
    fakeProcessorType = 486;
    probeAgain();
    EXPECT_EQ(systemProfile.processorSupported, 0);
    EXPECT_EQ(systemProfile.physicalMemory, 16u * 1048576);
    fakeProcessorType = 386;
    probeAgain();
    EXPECT_EQ(systemProfile.processorSupported, 0);
    fakeProcessorType = 586;
    probeAgain();
    EXPECT_EQ(systemProfile.processorSupported, 1);
}

TEST_F(Probe, RealMachineIsRecordedAsIs) {
    probeAgain();
    MEMORYSTATUS memory = {};
    memory.dwLength = sizeof memory;
    GlobalMemoryStatus(&memory);
    EXPECT_EQ(systemProfile.physicalMemory, memory.dwTotalPhys);
    EXPECT_EQ(systemProfile.processorSupported, 1);
    EXPECT_EQ(displayColours(), 16777216u) << "the test display is 24-bit";
}

TEST_F(Probe, CommandTailAndInstanceMarker) {
    probeAgain("/Uninstall");
    EXPECT_EQ(systemProfile.uninstallMode, 'U');
    EXPECT_EQ(systemProfile.anotherInstance, 0);
    // A second probe while this process still holds the marker finds it taken.
    probe("");
    EXPECT_EQ(systemProfile.uninstallMode, 0);
    EXPECT_EQ(systemProfile.anotherInstance, 1);
}

TEST_F(Probe, GameIsInstalledWhileItsPathCanBeRead) {
    EXPECT_EQ(gameInstalled(), 0);
    ASSERT_EQ(writeInstallRecord("C:\\Vorlex", "C:\\WINDOWS\\x.exe"), 1);
    EXPECT_EQ(gameInstalled(), 1);
    deleteInstallKeys();
    EXPECT_EQ(gameInstalled(), 0);
}

}  // namespace
