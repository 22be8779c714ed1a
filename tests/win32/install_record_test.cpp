// The install record and the uninstall entry against Wine's real registry.
#include <gtest/gtest.h>
#include <windows.h>

#include <string.h>

#include <string>
#include <vector>

#include "app/install_record.h"

namespace {

bool keyExists(const char* name) {
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, name, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
}

void setRaw(const char* keyName, const char* value, DWORD type, const void* data, DWORD size) {
    HKEY key;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, keyName, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExA(key, value, 0, type, static_cast<const BYTE*>(data), size), ERROR_SUCCESS);
    RegCloseKey(key);
}

// Type and stored size of a value, as another program reading it sees them.
std::string rawValue(const char* keyName, const char* value, DWORD* type, DWORD* size) {
    char data[4096] = {};
    *size = sizeof data;
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, keyName, 0, KEY_READ, &key) != ERROR_SUCCESS) return "<no key>";
    LONG status = RegQueryValueExA(key, value, nullptr, type, reinterpret_cast<BYTE*>(data), size);
    RegCloseKey(key);
    return status == ERROR_SUCCESS ? std::string(data) : "<no value>";
}

class InstallRecord : public ::testing::Test {
protected:
    void SetUp() override { removeAll(); }
    void TearDown() override { removeAll(); }
    static void removeAll() {
        RegDeleteKeyA(HKEY_LOCAL_MACHINE, "Software\\Halvane\\Other\\2.0");
        RegDeleteKeyA(HKEY_LOCAL_MACHINE, "Software\\Halvane\\Other");
        RegDeleteKeyA(HKEY_LOCAL_MACHINE, "Software\\Halvane\\Vorlex\\1.00");
        RegDeleteKeyA(HKEY_LOCAL_MACHINE, "Software\\Halvane\\Vorlex\\Saves");
        RegDeleteKeyA(HKEY_LOCAL_MACHINE, "Software\\Halvane\\Vorlex");
        RegDeleteKeyA(HKEY_LOCAL_MACHINE, "Software\\Halvane");
        RegDeleteKeyA(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Vorlex");
    }
    char path_[1024];
    char setup_[1024];
    void fillSentinels() {
        memset(path_, 'P', sizeof path_);
        path_[sizeof path_ - 1] = 0;
        memset(setup_, 'S', sizeof setup_);
        setup_[sizeof setup_ - 1] = 0;
    }
};

TEST_F(InstallRecord, WrittenRecordReadsBackAsStoredTextValues) {
    ASSERT_EQ(writeInstallRecord("C:\\Program Files\\Vorlex\\", "C:\\WINDOWS\\N0001A2B3-Vorlex-Setup.exe"), 1);
    fillSentinels();
    EXPECT_EQ(readInstallRecord(path_, setup_), 1);
    EXPECT_STREQ(path_, "C:\\Program Files\\Vorlex\\");  // stored exactly as passed
    EXPECT_STREQ(setup_, "C:\\WINDOWS\\N0001A2B3-Vorlex-Setup.exe");

    DWORD type = 0, size = 0;
    EXPECT_EQ(rawValue(VersionKeyName, "Path", &type, &size), "C:\\Program Files\\Vorlex\\");
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(size, strlen("C:\\Program Files\\Vorlex\\") + 1) << "the NUL is counted";
}

TEST_F(InstallRecord, NothingInstalledReadsAsFailureAndLeavesSetupUntouched) {
    fillSentinels();
    EXPECT_EQ(readInstallRecord(path_, setup_), 0);
    EXPECT_STREQ(path_, "");
    EXPECT_EQ(setup_[0], 'S');
    EXPECT_EQ(readInstallRecord(path_, nullptr), 0);
}

TEST_F(InstallRecord, MissingSetupStillReadsAsInstalled) {
    setRaw(VersionKeyName, "Path", REG_SZ, "D:\\GAMES\\Vorlex", 16);
    fillSentinels();
    EXPECT_EQ(readInstallRecord(path_, setup_), 1);
    EXPECT_STREQ(path_, "D:\\GAMES\\Vorlex");
    EXPECT_STREQ(setup_, "");
}

TEST_F(InstallRecord, MissingPathFailsButSetupIsRead) {
    setRaw(VersionKeyName, "Setup", REG_SZ, "C:\\WINDOWS\\x.exe", 17);
    fillSentinels();
    EXPECT_EQ(readInstallRecord(path_, setup_), 0);
    EXPECT_STREQ(path_, "");
    EXPECT_STREQ(setup_, "C:\\WINDOWS\\x.exe");
}

TEST_F(InstallRecord, EmptyPathCountsAsInstalled) {
    setRaw(VersionKeyName, "Path", REG_SZ, "", 1);
    fillSentinels();
    EXPECT_EQ(readInstallRecord(path_, nullptr), 1);
    EXPECT_STREQ(path_, "");
}

TEST_F(InstallRecord, ValueThatWouldBeCutReadsAsMissing) {
    // 1023 characters and the NUL fill the buffer exactly: still a whole path.
    std::string fits(1023, 'a');
    setRaw(VersionKeyName, "Path", REG_SZ, fits.c_str(), 1024);
    fillSentinels();
    EXPECT_EQ(readInstallRecord(path_, setup_), 1);
    EXPECT_EQ(std::string(path_), fits);

    // 1024 bytes without a NUL, written by some other program: never a cut path.
    std::string full(1024, 'b');
    setRaw(VersionKeyName, "Path", REG_SZ, full.data(), 1024);
    setRaw(VersionKeyName, "Setup", REG_SZ, full.data(), 1024);
    fillSentinels();
    EXPECT_EQ(readInstallRecord(path_, setup_), 0);
    EXPECT_STREQ(path_, "");
    EXPECT_STREQ(setup_, "");

    std::string longer(3000, 'c');
    setRaw(VersionKeyName, "Path", REG_SZ, longer.c_str(), 3001);
    fillSentinels();
    EXPECT_EQ(readInstallRecord(path_, nullptr), 0);
    EXPECT_STREQ(path_, "");
}

TEST_F(InstallRecord, ShortValueWithoutNulIsTerminatedAfterItsData) {
    setRaw(VersionKeyName, "Path", REG_BINARY, "E:\\Vorlex", 9);
    fillSentinels();
    EXPECT_EQ(readInstallRecord(path_, nullptr), 1);
    EXPECT_STREQ(path_, "E:\\Vorlex");
}

TEST_F(InstallRecord, DeletionRemovesAllThreeKeys) {
    ASSERT_EQ(writeInstallRecord("C:\\V", "C:\\W\\s.exe"), 1);
    EXPECT_EQ(deleteInstallKeys(), 1);
    EXPECT_FALSE(keyExists(VersionKeyName));
    EXPECT_FALSE(keyExists(GameKeyName));
    EXPECT_FALSE(keyExists(PublisherKeyName));
    // A second deletion finds nothing to delete and changes nothing.
    EXPECT_EQ(deleteInstallKeys(), 0);
    EXPECT_FALSE(keyExists(PublisherKeyName));
}

TEST_F(InstallRecord, PublisherKeyOfAnotherProductIsKept) {
    ASSERT_EQ(writeInstallRecord("C:\\V", "C:\\W\\s.exe"), 1);
    setRaw("Software\\Halvane\\Other\\2.0", "Path", REG_SZ, "C:\\O", 5);
    EXPECT_EQ(deleteInstallKeys(), 0);
    EXPECT_FALSE(keyExists(VersionKeyName));
    EXPECT_FALSE(keyExists(GameKeyName));
    EXPECT_TRUE(keyExists("Software\\Halvane\\Other\\2.0"));
}

TEST_F(InstallRecord, PublisherKeyHoldingAValueIsKept) {
    ASSERT_EQ(writeInstallRecord("C:\\V", "C:\\W\\s.exe"), 1);
    setRaw(PublisherKeyName, "Licence", REG_SZ, "x", 2);
    EXPECT_EQ(deleteInstallKeys(), 0);
    EXPECT_FALSE(keyExists(GameKeyName));
    EXPECT_TRUE(keyExists(PublisherKeyName));
}

TEST_F(InstallRecord, GameKeyWithAnotherSubkeyStopsBeforeThePublisherKey) {
    ASSERT_EQ(writeInstallRecord("C:\\V", "C:\\W\\s.exe"), 1);
    setRaw("Software\\Halvane\\Vorlex\\Saves", "Slot", REG_SZ, "1", 2);
    int result = deleteInstallKeys();
    EXPECT_FALSE(keyExists(VersionKeyName));
    if (keyExists(GameKeyName)) {
        // The platform keeps a key that still has subkeys: the deletion stops there.
        EXPECT_EQ(result, 0);
        EXPECT_TRUE(keyExists(PublisherKeyName));
    }
}

TEST_F(InstallRecord, UninstallEntryCommandIsThePathSpaceAndU) {
    const char* copy = "C:\\WINDOWS\\N0001A2B3-Vorlex-Setup.exe";
    ASSERT_EQ(writeUninstallEntry(copy), 1);
    DWORD type = 0, size = 0;
    EXPECT_EQ(rawValue(UninstallEntryKeyName, "UninstallString", &type, &size),
              "C:\\WINDOWS\\N0001A2B3-Vorlex-Setup.exe U");
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(rawValue(UninstallEntryKeyName, "DisplayName", &type, &size), "Vorlex");
    EXPECT_EQ(size, 7u);

    EXPECT_EQ(deleteUninstallEntry(), 1);
    EXPECT_FALSE(keyExists(UninstallEntryKeyName));
    EXPECT_TRUE(keyExists(UninstallListKeyName)) << "the system's list itself stays";
    EXPECT_EQ(deleteUninstallEntry(), 0);
}

TEST_F(InstallRecord, UninstallCommandQuotesAPathWithABlank) {
    ASSERT_EQ(writeUninstallEntry("C:\\Win dows\\N0001A2B3-Vorlex-Setup.exe"), 1);
    DWORD type = 0, size = 0;
    EXPECT_EQ(rawValue(UninstallEntryKeyName, "UninstallString", &type, &size),
              "\"C:\\Win dows\\N0001A2B3-Vorlex-Setup.exe\" U");
}

TEST_F(InstallRecord, UninstallCommandThatWouldBeCutIsNotWritten) {
    std::string copy = "C:\\" + std::string(1019, 'w');  // 1022 characters; " U" does not fit
    EXPECT_EQ(writeUninstallEntry(copy.c_str()), 0);
    DWORD type = 0, size = 0;
    EXPECT_EQ(rawValue(UninstallEntryKeyName, "UninstallString", &type, &size), "<no value>");
}

// What today's lists of installed programs read of the entry, and the version resource
// that the file's properties show.
TEST_F(InstallRecord, DetailsOfTheEntryAndTheVersionResource) {
    ASSERT_EQ(writeUninstallDetails("C:\\Games\\Vorlex", 26001), 1);
    const char* entry = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Vorlex";
    DWORD type = 0, size = 0;
    for (auto [name, text] : std::vector<std::pair<const char*, const char*>>{
             {"DisplayIcon", "C:\\Games\\Vorlex\\Vorlex.exe,0"}, {"DisplayVersion", "1.00"},
             {"Publisher", "Halvane"}, {"InstallLocation", "C:\\Games\\Vorlex"}}) {
        EXPECT_EQ(rawValue(entry, name, &type, &size), text);
        EXPECT_EQ(type, static_cast<DWORD>(REG_SZ)) << name;
    }
    for (auto [name, number] : std::vector<std::pair<const char*, DWORD>>{
             {"EstimatedSize", 26001}, {"NoModify", 1}, {"NoRepair", 1}}) {
        std::string raw = rawValue(entry, name, &type, &size);
        DWORD value = 0;
        memcpy(&value, raw.c_str(), raw.size() < sizeof value ? raw.size() : sizeof value);
        EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD)) << name;
        EXPECT_EQ(size, sizeof(DWORD)) << name;
        EXPECT_EQ(value, number) << name;
    }
    deleteUninstallEntry();
    EXPECT_FALSE(keyExists(entry)) << "the whole key goes at uninstall";

    char self[MAX_PATH];
    GetModuleFileNameA(nullptr, self, sizeof self);
    std::vector<char> info(GetFileVersionInfoSizeA(self, nullptr));
    ASSERT_FALSE(info.empty());
    ASSERT_TRUE(GetFileVersionInfoA(self, 0, static_cast<DWORD>(info.size()), info.data()));
    for (auto [name, text] : std::vector<std::pair<const char*, const char*>>{
             {"CompanyName", "Halvane"}, {"ProductName", "Vorlex"}, {"FileDescription", "Vorlex Setup"},
             {"FileVersion", "1.00"}, {"ProductVersion", "1.00"}, {"OriginalFilename", "setup.exe"}}) {
        char* found = nullptr;
        UINT length = 0;
        std::string query = std::string("\\StringFileInfo\\040904E4\\") + name;
        ASSERT_TRUE(VerQueryValueA(info.data(), query.c_str(), reinterpret_cast<void**>(&found), &length)) << name;
        EXPECT_STREQ(found, text);
    }
}

}  // namespace
