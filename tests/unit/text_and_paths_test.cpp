// Bounds-checked formatting, path joins and the module-folder split.
#include <gtest/gtest.h>

#include <string.h>

#include <string>

#include "app/bounded_format.h"
#include "app/path_logic.h"

namespace {

TEST(BoundedFormat, TextThatFitsIsWrittenWhole) {
    char buffer[16];
    memset(buffer, 'x', sizeof buffer);
    EXPECT_EQ(formatText(buffer, sizeof buffer, "%s\\%s", "C:\\A", "b.exe"), 1);
    EXPECT_STREQ(buffer, "C:\\A\\b.exe");
    // Exactly capacity - 1 characters still fit.
    EXPECT_EQ(formatText(buffer, sizeof buffer, "%s", "123456789012345"), 1);
    EXPECT_STREQ(buffer, "123456789012345");
}

TEST(BoundedFormat, TextThatDoesNotFitFailsAndLeavesBufferEmpty) {
    char buffer[16];
    EXPECT_EQ(formatText(buffer, sizeof buffer, "%s", "1234567890123456"), 0);
    EXPECT_STREQ(buffer, "");
    EXPECT_EQ(copyText(buffer, sizeof buffer, "1234567890123456"), 0);
    EXPECT_STREQ(buffer, "");
    EXPECT_EQ(copyText(buffer, sizeof buffer, "short"), 1);
    EXPECT_STREQ(buffer, "short");
}

TEST(JoinPath, PathsNearTheBufferSizeAndADrivesRoot) {
    char buffer[TextBufferSize];
    std::string folder(1012, 'f');
    EXPECT_EQ(joinPath(buffer, folder.c_str(), "Vorlex.exe"), 1) << "1023 characters";
    EXPECT_EQ(joinPath(buffer, (folder + "f").c_str(), "Vorlex.exe"), 0);
    EXPECT_EQ(buffer[0], '\0');
    EXPECT_EQ(joinPath(buffer, "D:\\", "Vorlex"), 1);
    EXPECT_STREQ(buffer, "D:\\Vorlex");
}

std::string folderOf(const char* path) {
    char folder[TextBufferSize];
    EXPECT_EQ(moduleFolder(path, folder, sizeof folder), 1);
    return folder;
}

TEST(ModuleFolder, RootSubfolderAndNetworkPaths) {
    EXPECT_EQ(folderOf("D:\\setup.exe"), "D:\\");
    EXPECT_EQ(folderOf("D:\\GAMES\\VORLEX\\setup.exe"), "D:\\GAMES\\VORLEX\\");
    EXPECT_EQ(folderOf("C:\\WINDOWS\\N0001A2B3-Vorlex-Setup.exe"), "C:\\WINDOWS\\");
    EXPECT_EQ(folderOf("\\\\server\\cd\\setup.exe"), "\\\\server\\cd\\");
    EXPECT_EQ(folderOf("D:/cd/setup.exe"), "D:/cd/");
    // A bare name has no folder; a drive without a separator keeps the drive.
    EXPECT_EQ(folderOf("setup.exe"), "");
    EXPECT_EQ(folderOf("D:setup.exe"), "D:");
}

TEST(ModuleFolder, FolderThatDoesNotFitFails) {
    std::string path = "C:\\" + std::string(40, 'd') + "\\setup.exe";
    char folder[32];
    EXPECT_EQ(moduleFolder(path.c_str(), folder, sizeof folder), 0);
    EXPECT_STREQ(folder, "");
}

}  // namespace
