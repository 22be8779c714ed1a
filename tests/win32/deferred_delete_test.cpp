// Deferred deletion of files not in use, and the WININIT.INI rewrite on the real file
// system. (A file in use and the restart that removes it are proven end to end.)
#include <gtest/gtest.h>
#include <windows.h>

#include <string.h>

#include <string>

#include "app/system_profile.h"
#include "faults.h"
#include "import_patch.h"
#include "snapshot.h"
#include "uninstall/deferred_delete.h"

IMPORT_SLOT(ReadFile, 20);
IMPORT_SLOT(MoveFileExA, 12);
IMPORT_SLOT(CreateFileA, 28);
IMPORT_SLOT(WriteFile, 20);

namespace {

const char* const Ini = "C:\\windows\\WININIT.INI";
const char* const Scratch = "C:\\deferred.ini";

void writeFile(const char* path, const std::string& text) {
    HANDLE file = CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    CloseHandle(file);
}

std::string readFile(const char* path) {
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return "<none>";
    std::string text;
    char chunk[65536];
    DWORD got = 0;
    while (ReadFile(file, chunk, sizeof chunk, &got, nullptr) && got > 0) text.append(chunk, got);
    CloseHandle(file);
    return text;
}

int moveCalls;
BOOL WINAPI countMove(const char*, const char*, DWORD) {
    ++moveCalls;
    return TRUE;
}

class DeferredDeletion : public ::testing::Test {
protected:
    void SetUp() override {
        memset(&systemProfile, 0, sizeof systemProfile);
        DeleteFileA(Ini);
        moveCalls = 0;
    }
    void TearDown() override {
        DeleteFileA(Ini);
        DeleteFileA(Scratch);
    }
};

TEST_F(DeferredDeletion, MissingFileIsNothingToDo) {
    ImportPatch move(&MoveFileExA_slot, reinterpret_cast<void*>(countMove));
    for (int family95 : {1, 0}) {
        systemProfile.win95OrLater = family95;
        EXPECT_EQ(DeferredDelete("C:\\windows\\N12345678-Vorlex-Setup.exe"), 0);
        EXPECT_EQ(DeferredDelete(""), 0) << "nothing recorded, nothing to delete";
    }
    EXPECT_EQ(readFile(Ini), "<none>") << "WININIT.INI not touched";
    EXPECT_EQ(moveCalls, 0);
}

TEST_F(DeferredDeletion, ReadOnlyFileNotInUseGoesAtOnce) {
    ImportPatch move(&MoveFileExA_slot, reinterpret_cast<void*>(countMove));
    systemProfile.win95OrLater = 1;
    writeFile("C:\\windows\\N00000001-Vorlex-Setup.exe", "MZ");
    SetFileAttributesA("C:\\windows\\N00000001-Vorlex-Setup.exe", FILE_ATTRIBUTE_READONLY);
    EXPECT_EQ(DeferredDelete("C:\\windows\\N00000001-Vorlex-Setup.exe"), 0);
    EXPECT_EQ(GetFileAttributesA("C:\\windows\\N00000001-Vorlex-Setup.exe"), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(readFile(Ini), "<none>");
    EXPECT_EQ(moveCalls, 0);
}

TEST_F(DeferredDeletion, IniFileGainsTheEntryAndKeepsOtherProgramsLines) {
    writeFile(Scratch, "[boot]\nshell=explorer.exe\n[rename]\nNUL=C:\\OTHER~1.EXE\nC:\\NEW.DLL=C:\\OLD.DLL");
    insertIniEntry(Scratch, "Rename", "NUL", "C:\\WINDOWS\\N1-VOR~1.EXE");
    EXPECT_EQ(readFile(Scratch),
              "[boot]\r\nshell=explorer.exe\r\n[rename]\r\nNUL=C:\\WINDOWS\\N1-VOR~1.EXE\r\n"
              "NUL=C:\\OTHER~1.EXE\r\nC:\\NEW.DLL=C:\\OLD.DLL\r\n");
    DeleteFileA(Scratch);
    insertIniEntry(Scratch, "Rename", "NUL", "C:\\X.EXE");
    EXPECT_EQ(readFile(Scratch), "[Rename]\r\nNUL=C:\\X.EXE\r\n") << "a new file";
}

TEST_F(DeferredDeletion, LargeIniFileKeepsEveryLine) {
    std::string big;
    for (int i = 0; i < 60000; ++i) big += "C:\\PROG" + std::to_string(i) + ".DLL=C:\\TMP" + std::to_string(i) + ".DLL\r\n";
    writeFile(Scratch, big);
    insertIniEntry(Scratch, "Rename", "NUL", "C:\\X.EXE");
    EXPECT_EQ(readFile(Scratch), big + "[Rename]\r\nNUL=C:\\X.EXE\r\n");
}

void* realCreateFile;
HANDLE WINAPI refuseReading(const char* name, DWORD access, DWORD share, SECURITY_ATTRIBUTES* security,
                            DWORD disposition, DWORD flags, HANDLE templateFile) {
    if (access == GENERIC_READ) {
        SetLastError(ERROR_ACCESS_DENIED);
        return INVALID_HANDLE_VALUE;
    }
    typedef HANDLE(WINAPI * Create)(const char*, DWORD, DWORD, SECURITY_ATTRIBUTES*, DWORD, DWORD, HANDLE);
    return reinterpret_cast<Create>(realCreateFile)(name, access, share, security, disposition, flags, templateFile);
}

int readCalls;
void* realReadFile;
BOOL WINAPI failSecondRead(HANDLE file, void* buffer, DWORD size, DWORD* got, OVERLAPPED* overlapped) {
    if (++readCalls >= 2) {
        SetLastError(ERROR_READ_FAULT);
        return FALSE;
    }
    typedef BOOL(WINAPI * Read)(HANDLE, void*, DWORD, DWORD*, OVERLAPPED*);
    return reinterpret_cast<Read>(realReadFile)(file, buffer, size, got, overlapped);
}

TEST_F(DeferredDeletion, IniFileWhoseReadingFailsPartWayIsLeftAlone) {
    std::string original;
    for (int i = 0; i < 3000; ++i) original += "C:\\A" + std::to_string(i) + ".DLL=C:\\B.DLL\r\n";
    writeFile(Scratch, original);
    {
        ImportPatch read(&ReadFile_slot, reinterpret_cast<void*>(failSecondRead));
        realReadFile = read.original();
        readCalls = 0;
        insertIniEntry(Scratch, "Rename", "NUL", "C:\\X.EXE");
        EXPECT_GE(readCalls, 2);
    }
    EXPECT_EQ(readFile(Scratch), original);
}

void* realWriteFile;
BOOL WINAPI writeHalf(HANDLE file, const void* data, DWORD size, DWORD* written, OVERLAPPED* overlapped) {
    typedef BOOL(WINAPI * Write)(HANDLE, const void*, DWORD, DWORD*, OVERLAPPED*);
    return reinterpret_cast<Write>(realWriteFile)(file, data, size / 2, written, overlapped);
}

// It exists, but cannot be read, or its new text cannot be written whole (a disk that
// fills up): a rewrite would lose its lines, so it stays as it was, nothing beside it.
TEST_F(DeferredDeletion, IniFileThatCannotBeReadOrRewrittenWholeIsLeftAlone) {
    const std::string original = "[Rename]\r\nNUL=C:\\OTHER~1.EXE\r\n";
    writeFile(Scratch, original);
    {
        ImportPatch create(&CreateFileA_slot, reinterpret_cast<void*>(refuseReading));
        realCreateFile = create.original();
        insertIniEntry(Scratch, "Rename", "NUL", "C:\\X.EXE");
    }
    EXPECT_EQ(readFile(Scratch), original) << "not read";
    {
        ImportPatch write(&WriteFile_slot, reinterpret_cast<void*>(writeHalf));
        realWriteFile = write.original();
        insertIniEntry(Scratch, "Rename", "NUL", "C:\\X.EXE");
    }
    EXPECT_EQ(readFile(Scratch), original) << "a short write";
    {
        SlowWrites failing(0, 1);
        insertIniEntry(Scratch, "Rename", "NUL", "C:\\X.EXE");
    }
    EXPECT_EQ(readFile(Scratch), original) << "a failed write";
    EXPECT_EQ(countFiles("C:\\deferred.*"), 1);
}

}  // namespace
