// Bounds-checked formatting, path joins, the module-folder split and the install
// problems' messages.
#include <gtest/gtest.h>

#include <stdio.h>
#include <string.h>

#include <string>
#include <vector>

#include "app/bounded_format.h"
#include "app/path_logic.h"
#include "install/options_logic.h"

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

// The program's own formatter against the C library, conversion by conversion.
TEST(BoundedFormat, WritesWhatTheCLibraryWrites) {
    char ours[64], theirs[64];
#define SAME_AS_PRINTF(...)                                                          \
    do {                                                                             \
        ASSERT_EQ(formatText(ours, sizeof ours, __VA_ARGS__), 1) << #__VA_ARGS__;    \
        snprintf(theirs, sizeof theirs, __VA_ARGS__);                                \
        EXPECT_STREQ(ours, theirs) << #__VA_ARGS__;                                  \
    } while (0)
    SAME_AS_PRINTF("%s\\N%08lX-%s-Setup.exe", "C:\\W", 0x12ab34UL, "Vorlex");
    SAME_AS_PRINTF("%08lX|%lX|%x|%u", 0xFFFFFFFFUL, 0UL, 255u, 4000000000u);
    SAME_AS_PRINTF("%d %d %ld %i|%5d|%-5d|%05d", 0, -7, -2147483647L - 1, 42, -3, 12, -12);
    SAME_AS_PRINTF("%c:\\%.*s%.*s|%3s|%-3s|%.2s|100%%", 'D', 2, "abc", 0, "x", "a", "b", "xyz");
    SAME_AS_PRINTF("%.1fMb %.1f %.1f %.1f %.1f", 16.0, 23.0, 15.999, 0.25, 0.35);
    SAME_AS_PRINTF("%.1f %.1f %.0f %.2f %.4f %.3f", 4095.99951171875, 0.05, 2.5, -1.005, 3.0, 1.0005);
#undef SAME_AS_PRINTF
    // What the program never asks for is refused, not guessed at.
    EXPECT_EQ(formatText(ours, sizeof ours, "%.1f", 1e12), 0);
    EXPECT_EQ(formatText(ours, sizeof ours, "%f", 1.0), 0);
    EXPECT_STREQ(ours, "");
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

// The install options refuse or warn on the problems found, not on whether their text
// could be made: a message that does not fit still refuses, or warns, by its first line.
TEST(InstallProblems, MessageThatDoesNotFitStillRefusesOrWarns) {
    char out[80];
    EXPECT_EQ(hardProblemsMessage(0, 0, 0, out, sizeof out), 0);
    EXPECT_STREQ(out, "You cannot continue with the install due to the following problems:");
    EXPECT_EQ(softProblemsMessage(16u << 20, 256, 0, out, sizeof out), 0);
    EXPECT_STREQ(out, "You may continue with the install, but the following issues\nmay cause problems:");
    EXPECT_EQ(hardProblemsMessage(1, 1, 0, out, 1), 1) << "no problem, nothing to say";
    EXPECT_STREQ(out, "");
}

// A folder is usable when it names a drive by letter and holds only what file names may:
// a '?' is what the system made of a character outside its code page.
TEST(InstallFolder, DriveLetterOnlyForAFolderEveryFileNameCanHold) {
    for (auto [folder, letter] : std::vector<std::pair<const char*, char>>{
             {"c:\\Games\\Vorlex", 'C'}, {"Z:\\x", 'Z'}, {"C:Games", 0}, {"1:\\Vorlex", 0}, {"\\\\server\\x", 0},
             {"C:\\Sp?l\\Vorlex", 0}, {"C:\\a*b", 0}, {"C:\\a|b", 0}, {"C:\\a:b", 0}, {"C:\\a\tb", 0},
             {"C:\\Spiele \xe4\\Vorlex", 'C'}}) 
        EXPECT_EQ(installDriveLetter(folder), letter) << folder;
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
