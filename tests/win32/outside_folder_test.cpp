// What an install leaves outside its folder: the uninstaller copy in the Windows
// directory and the Start-menu shortcuts, against Wine's files, registry and shell links.
#include <gtest/gtest.h>
#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

#include <string>

#include "faults.h"
#include "import_patch.h"
#include "install/shortcuts.h"
#include "install/uninstaller_copy.h"

IMPORT_SLOT(timeGetTime, 0);

namespace {

DWORD fakeTime;
DWORD WINAPI fixedTime() {
    return fakeTime;
}

bool exists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

DWORD fileSize(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data);
    return data.nFileSizeLow;
}

std::string ownPath() {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, sizeof path);
    return path;
}

class UninstallerCopy : public ::testing::Test {
protected:
    void TearDown() override {
        for (const char* name : {"N0012AB34", "N00000005", "N00000006", "NFFFFFFFF", "N00000000"})
            DeleteFileA((std::string("C:\\windows\\") + name + "-Vorlex-Setup.exe").c_str());
    }
    char out_[1024];
};

TEST_F(UninstallerCopy, IsTheRunningProgramUnderANumberedName) {
    ImportPatch time(&timeGetTime_slot, reinterpret_cast<void*>(fixedTime));
    fakeTime = 1223476;
    ASSERT_EQ(makeUninstallerCopy(nullptr, out_), 1);
    EXPECT_STREQ(out_, "C:\\windows\\N0012AB34-Vorlex-Setup.exe");
    EXPECT_TRUE(exists(out_));
    EXPECT_EQ(fileSize(out_), fileSize(ownPath()));
}

TEST_F(UninstallerCopy, TakenNameGivesTheNextNumberAndTheCountWrapsAround) {
    ImportPatch time(&timeGetTime_slot, reinterpret_cast<void*>(fixedTime));
    fakeTime = 5;
    ASSERT_EQ(makeUninstallerCopy(nullptr, out_), 1);
    ASSERT_STREQ(out_, "C:\\windows\\N00000005-Vorlex-Setup.exe");
    ASSERT_EQ(makeUninstallerCopy(nullptr, out_), 1);
    EXPECT_STREQ(out_, "C:\\windows\\N00000006-Vorlex-Setup.exe");

    fakeTime = 0xFFFFFFFF;
    ASSERT_EQ(makeUninstallerCopy(nullptr, out_), 1);
    ASSERT_STREQ(out_, "C:\\windows\\NFFFFFFFF-Vorlex-Setup.exe");
    ASSERT_EQ(makeUninstallerCopy(nullptr, out_), 1);
    EXPECT_STREQ(out_, "C:\\windows\\N00000000-Vorlex-Setup.exe");
}

TEST_F(UninstallerCopy, FullDiskStopsAtOnceWithAnEmptyPath) {
    CopyFileFails copy(ERROR_DISK_FULL);
    strcpy(out_, "sentinel");
    EXPECT_EQ(makeUninstallerCopy(nullptr, out_), 0);
    EXPECT_EQ(CopyFileFails::calls, 1);
    EXPECT_STREQ(out_, "");
}

TEST_F(UninstallerCopy, NamesThatStayTakenAreTriedAThousandTimes) {
    for (DWORD error : {static_cast<DWORD>(ERROR_FILE_EXISTS), static_cast<DWORD>(ERROR_ACCESS_DENIED)}) {
        CopyFileFails copy(error);
        EXPECT_EQ(makeUninstallerCopy(nullptr, out_), 0);
        EXPECT_EQ(CopyFileFails::calls, 1000) << "error " << error;
        EXPECT_STREQ(out_, "");
    }
}

// The link as the shell reads it back.
struct Link {
    std::string path, workingDirectory, arguments;
    int showCommand = -1;
    bool loaded = false;
};

Link readLink(const std::string& file) {
    Link link;
    IShellLinkA* shell = nullptr;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                reinterpret_cast<void**>(&shell))))
        return link;
    IPersistFile* persist = nullptr;
    WCHAR wide[MAX_PATH];
    MultiByteToWideChar(CP_ACP, 0, file.c_str(), -1, wide, MAX_PATH);
    if (SUCCEEDED(shell->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&persist))) &&
        SUCCEEDED(persist->Load(wide, STGM_READ))) {
        char text[MAX_PATH] = {};
        shell->GetPath(text, MAX_PATH, nullptr, SLGP_RAWPATH);
        link.path = text;
        text[0] = 0;
        shell->GetWorkingDirectory(text, MAX_PATH);
        link.workingDirectory = text;
        text[0] = 0;
        shell->GetArguments(text, MAX_PATH);
        link.arguments = text;
        shell->GetShowCmd(&link.showCommand);
        link.loaded = true;
    }
    if (persist) persist->Release();
    shell->Release();
    return link;
}

class Shortcuts : public ::testing::Test {
protected:
    void SetUp() override {
        CoInitialize(nullptr);
        ASSERT_EQ(programGroupFolder(group_), 1) << "a new prefix has a Programs folder";
        groupPath_ = group_;
    }
    void TearDown() override {
        for (const char* name : {"Vorlex - Play.lnk", "Vorlex - Setup.lnk", "Halvane Racing.lnk"}) {
            std::string path = groupPath_ + "\\" + name;
            SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
            DeleteFileA(path.c_str());
        }
        RemoveDirectoryA(group_);
        CoUninitialize();
    }
    std::string link(const char* name) const { return groupPath_ + "\\" + name; }
    char group_[1024];
    std::string groupPath_;
};

TEST_F(Shortcuts, PlayAndSetupLinksPointAtTheGameAndTheUninstaller) {
    EXPECT_NE(groupPath_.find("\\Halvane"), std::string::npos);
    ASSERT_EQ(createShortcuts("", "C:\\Games\\Vorlex", "C:\\windows\\N00000001-Vorlex-Setup.exe"), 1);
    Link play = readLink(link("Vorlex - Play.lnk"));
    ASSERT_TRUE(play.loaded);
    EXPECT_EQ(play.path, "C:\\Games\\Vorlex\\Vorlex.exe");
    EXPECT_EQ(play.workingDirectory, "C:\\Games\\Vorlex");
    EXPECT_EQ(play.arguments, "");
    EXPECT_EQ(play.showCommand, SW_SHOWNORMAL);
    Link setup = readLink(link("Vorlex - Setup.lnk"));
    ASSERT_TRUE(setup.loaded);
    EXPECT_EQ(setup.path, "C:\\windows\\N00000001-Vorlex-Setup.exe");
    EXPECT_EQ(setup.workingDirectory, "C:\\Games\\Vorlex");
    EXPECT_EQ(setup.arguments, "") << "no arguments: the copy opens the launcher";
    EXPECT_EQ(setup.showCommand, SW_SHOWNORMAL);

    EXPECT_EQ(removeShortcuts(""), 1);
    EXPECT_FALSE(exists(link("Vorlex - Play.lnk")));
    EXPECT_FALSE(exists(link("Vorlex - Setup.lnk")));
    EXPECT_FALSE(exists(groupPath_));
}

TEST_F(Shortcuts, WithoutAProgramsValueNothingIsCreated) {
    {
        ProgramsValueRemoved noPrograms;
        char out[1024];
        EXPECT_EQ(programGroupFolder(out), 0);
        EXPECT_EQ(createShortcuts("", "C:\\Games\\Vorlex", "C:\\windows\\N1-Vorlex-Setup.exe"), 0);
        EXPECT_EQ(removeShortcuts(""), 0);
    }
    EXPECT_FALSE(exists(groupPath_)) << "no group folder";
}

TEST_F(Shortcuts, AnotherLinkOfThePublisherKeepsItselfAndTheFolder) {
    CreateDirectoryA(group_, nullptr);
    HANDLE other = CreateFileA(link("Halvane Racing.lnk").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
    ASSERT_NE(other, INVALID_HANDLE_VALUE);
    CloseHandle(other);
    ASSERT_EQ(createShortcuts("", "C:\\Games\\Vorlex", "C:\\windows\\N1-Vorlex-Setup.exe"), 1);
    EXPECT_EQ(removeShortcuts(""), 0);
    EXPECT_TRUE(exists(link("Halvane Racing.lnk")));
    EXPECT_TRUE(exists(groupPath_));
    EXPECT_FALSE(exists(link("Vorlex - Play.lnk")));
    EXPECT_FALSE(exists(link("Vorlex - Setup.lnk")));
}

TEST_F(Shortcuts, ReadOnlyLinkIsDeleted) {
    ASSERT_EQ(createShortcuts("", "C:\\Games\\Vorlex", "C:\\windows\\N1-Vorlex-Setup.exe"), 1);
    SetFileAttributesA(link("Vorlex - Play.lnk").c_str(), FILE_ATTRIBUTE_READONLY);
    EXPECT_EQ(removeShortcuts(""), 1);
    EXPECT_FALSE(exists(link("Vorlex - Play.lnk")));
}

TEST_F(Shortcuts, LinksDeletedByThePlayerStillLetTheFolderGo) {
    ASSERT_EQ(createShortcuts("", "C:\\Games\\Vorlex", "C:\\windows\\N1-Vorlex-Setup.exe"), 1);
    DeleteFileA(link("Vorlex - Play.lnk").c_str());
    DeleteFileA(link("Vorlex - Setup.lnk").c_str());
    EXPECT_EQ(removeShortcuts(""), 0);
    EXPECT_FALSE(exists(groupPath_));
}

}  // namespace
