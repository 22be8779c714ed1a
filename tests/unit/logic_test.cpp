// The program's platform-free logic (the WININIT.INI editor is the fuzz target's).
#include <gtest/gtest.h>

#include <stdio.h>
#include <stdlib.h>

#include <algorithm>
#include <string>
#include <tuple>
#include <vector>

#include "app/bounded_format.h"
#include "app/command_line.h"
#include "app/path_logic.h"
#include "app/profile_logic.h"
#include "directx/directx_logic.h"
#include "install/copy_logic.h"
#include "install/options_logic.h"
#include "launcher/play_logic.h"
#include "uninstall/pending_logic.h"

namespace {

// The lead bytes of code page 932 (Japanese), and of 936, 949 and 950 (Chinese, Korean),
// whose second bytes run from 0x40 (0x41 in 949) and take in '\\' (not in 949) and letters.
int shiftJisLead(unsigned char byte) { return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC); }
int highLead(unsigned char byte) { return byte >= 0x81 && byte <= 0xFE; }
int noLead(unsigned char) { return 0; }

TEST(CommandLine, TailAfterTheProgramsNameAndTheUninstallScan) {
    struct Case { const char* line; LeadByteTest lead; const char* tail; char mode; };
    for (Case c : std::vector<Case>{
             {"\"C:\\Program Files\\Vorlex\\setup.exe\" U", nullptr, "U", 'U'},
             {"\"D:\\set up.exe U", nullptr, "", 0},  // no closing quote: all of it is the name
             {"C:\\Program Files\\setup.exe /x", nullptr, "Files\\setup.exe /x", 'U'},
             {"setup.exe\t\x01\x1f  /s now", nullptr, "/s now", 0}, {"\"setup.exe\"\t \x02-blue", nullptr, "-blue", 'U'},
             {"setup.exe \xe9t\xdc", nullptr, "\xe9t\xdc", 0},  // an accented capital is not a U
             {"C:\\uninst.exe", nullptr, "", 0},
             // 0x81 0x22 is one character whose trail byte has the code of a quote.
             {"\"C:\\\x81\x22game\\setup.exe\" u", shiftJisLead, "u", 'U'},
             {"\"C:\\\x81\x22game\\setup.exe\" x", nullptr, "game\\setup.exe\" x", 'U'},
             {"\"C:\\\x81", shiftJisLead, "", 0}}) {  // a lead byte last: nothing read past the end
        const char* tail = commandLineTail(c.line, c.lead);
        EXPECT_STREQ(tail, c.tail) << c.line;
        EXPECT_EQ(scanCommandLine(tail), c.mode) << c.line;
    }
}

TEST(SystemProfile, VersionFlagsColoursAndProcessor) {
    struct Case { uint32_t platform, major, minor; int nt, win95; uint32_t version; };
    for (Case c : std::vector<Case>{{PlatformWin32Windows, 4, 0, 0, 1, 0x40000}, {PlatformWin32Windows, 4, 10, 0, 1, 0x4000A},
                                    {PlatformWin32Nt, 4, 0, 1, 0, 0x40000}, {PlatformWin32Nt, 10, 0, 1, 0, 0xA0000},
                                    {PlatformWin32Nt, 3, 51, 0, 0, 0x30033}, {0, 4, 0, 0, 0, 0x40000},
                                    {PlatformWin32Nt, 5, 0x12345, 1, 0, 0x52345}}) {
        VersionFlags flags = versionFlags(c.platform, c.major, c.minor);
        EXPECT_EQ(flags.winNt4OrLater, c.nt) << c.major << "." << c.minor;
        EXPECT_EQ(flags.win95OrLater, c.win95) << c.major << "." << c.minor;
        EXPECT_EQ(flags.windowsVersion, c.version) << c.major << "." << c.minor;
    }
    // A compatibility mode's report (95, 98, XP) under the registry's NT version: the system is the NT one;
    // a later NT reported, or no NT in the registry (the 95 family), leaves the report as it is.
    for (auto [reported, registry, version] : std::vector<std::tuple<VersionFlags, const char*, uint32_t>>{
             {versionFlags(PlatformWin32Windows, 4, 0), "6.3", 0x60003}, {versionFlags(PlatformWin32Nt, 5, 1), "10.0", 0xA0000},
             {versionFlags(PlatformWin32Nt, 10, 0), "6.3", 0xA0000}, {versionFlags(PlatformWin32Windows, 4, 10), "", 0x4000A},
             {versionFlags(PlatformWin32Windows, 4, 0), "6.", 0x40000}, {versionFlags(PlatformWin32Windows, 4, 0), "6.1x", 0x40000},
             {versionFlags(PlatformWin32Windows, 4, 0), "65536.0", 0x40000}}) {
        VersionFlags f = systemVersionFlags(reported, versionFromText(registry));
        EXPECT_EQ(std::tuple(f.windowsVersion, f.winNt4OrLater, f.win95OrLater), std::tuple(version, int(version >= 0x60000), int(version < 0x60000))) << registry;
    }
    for (auto [bits, planes, colours] : std::vector<std::tuple<uint32_t, uint32_t, uint32_t>>{
             {8, 1, 256}, {15, 1, 32768}, {16, 1, 65536}, {24, 1, 16777216}, {32, 1, 16777216}, {1, 4, 8}})
        EXPECT_EQ(coloursFromDeviceCaps(bits, planes), colours) << bits << " bits, " << planes << " planes";
    for (auto [type, supported] : std::vector<std::pair<uint32_t, int>>{{386, 0}, {486, 0}, {586, 1}, {2200, 1}, {0, 1}})
        EXPECT_EQ(processorTypeSupported(type), supported) << type;
}

// Play through the desktop's shell only where elevation makes a difference; DirectX by its release.
TEST(Decisions, PlayThroughTheShellAndTheDirectXQuestion) {
    struct Play { int nt; uint32_t version; int elevated; int shell; };
    for (Play c : {Play{1, 0x60000, 1, 1}, Play{1, 0xA0000, 1, 1}, Play{1, 0x60001, 0, 0}, Play{1, 0x50001, 1, 0},
                   Play{0, 0x60000, 1, 0}})
        EXPECT_EQ(playThroughShell(c.nt, c.version, c.elevated), c.shell) << std::hex << c.version << " " << c.elevated;
    for (int after : {0, 1}) {
        EXPECT_EQ(decideDirectX(-1, after), InstallWithoutAsking);
        EXPECT_EQ(decideDirectX(0, after), AskOldVersion);
        for (int release : {1, 4}) EXPECT_EQ(decideDirectX(release, after), AskVersionYesDefault) << release;
        // Only -1 means "no DirectX": another negative number is a huge release.
        for (int release : {5, 9, -2}) {
            EXPECT_EQ(decideDirectX(release, after), after ? LeaveQuietly : AskVersionNoDefault) << release;
        }
    }
}

// The program's own formatter writes what the C library writes, and never a cut text.
TEST(BoundedText, FormatsAsTheCLibraryAndRefusesWhatDoesNotFit) {
    char ours[64], theirs[64];
#define SAME_AS_PRINTF(...)                                                       \
    do {                                                                          \
        ASSERT_EQ(formatText(ours, sizeof ours, __VA_ARGS__), 1) << #__VA_ARGS__; \
        snprintf(theirs, sizeof theirs, __VA_ARGS__);                             \
        EXPECT_STREQ(ours, theirs) << #__VA_ARGS__;                               \
    } while (0)
    SAME_AS_PRINTF("%s\\N%08lX-%s-Setup.exe", "C:\\W", 0x12ab34UL, "Vorlex");
    SAME_AS_PRINTF("%08lX|%lX|%x|%u", 0xFFFFFFFFUL, 0UL, 255u, 4000000000u);
    SAME_AS_PRINTF("%d %d %ld %i|%5d|%-5d|%05d", 0, -7, -2147483647L - 1, 42, -3, 12, -12);
    SAME_AS_PRINTF("%c:\\%.*s%.*s|%3s|%-3s|%.2s|100%%", 'D', 2, "abc", 0, "x", "a", "b", "xyz");
    SAME_AS_PRINTF("%.1fMb %.1f %.1f %.1f %.1f", 16.0, 23.0, 15.999, 0.25, 0.35);
    SAME_AS_PRINTF("%.1f %.1f %.0f %.2f %.4f %.3f", 4095.99951171875, 0.05, 2.5, -1.005, 3.0, 1.0005);
#undef SAME_AS_PRINTF
    EXPECT_EQ(formatText(ours, 16, "%s", "123456789012345"), 1) << "capacity - 1 characters fit";
    EXPECT_TRUE(formatText(ours, 16, "%s", "1234567890123456") == 0 && ours[0] == '\0');
    EXPECT_EQ(copyText(ours, 6, "short"), 1);
    EXPECT_TRUE(copyText(ours, 5, "short") == 0 && ours[0] == '\0');
    // What the program never asks for is refused, not guessed at.
    EXPECT_TRUE(formatText(ours, sizeof ours, "%.1f", 1e12) == 0 && formatText(ours, sizeof ours, "%f", 1.0) == 0);
    // A registry text: ended where there is room; too long, unended at the buffer's end, or a failed read: "".
    using Settled = std::tuple<size_t, int, int, const char*>;  // size, stored, result, text
    for (auto [size, stored, result, text] : std::vector<Settled>{{3, 1, 1, "abc"}, {2, 1, 1, "ab"}, {4, 1, 0, ""}, {5, 1, 0, ""}, {3, 0, 0, ""}, {0, 1, 1, ""}}) {
        char buffer[5] = {'a', 'b', 'c', 'd', '\0'};  // a buffer of 4 and what lies after it
        EXPECT_TRUE(settleRegistryText(buffer, 4, size, stored) == result && std::string(buffer) == text) << size << stored;
    }
}

std::string folderOf(const char* path, size_t capacity = TextBufferSize) {
    char folder[TextBufferSize];
    return moduleFolder(path, folder, capacity, noLead) ? folder : "(does not fit)";
}

TEST(Paths, JoinsAndModuleFolders) {
    char buffer[TextBufferSize];
    std::string folder(1012, 'f');
    EXPECT_EQ(joinPath(buffer, folder.c_str(), "Vorlex.exe", noLead), 1) << "1023 characters";
    EXPECT_TRUE(joinPath(buffer, (folder + "f").c_str(), "Vorlex.exe", noLead) == 0 && buffer[0] == '\0');
    EXPECT_EQ(joinPath(buffer, "D:\\", "Vorlex", noLead), 1);
    EXPECT_STREQ(buffer, "D:\\Vorlex");
    for (auto [path, expected] : std::vector<std::pair<const char*, const char*>>{
             {"D:\\setup.exe", "D:\\"}, {"D:\\GAMES\\VORLEX\\setup.exe", "D:\\GAMES\\VORLEX\\"},
             {"\\\\server\\cd\\setup.exe", "\\\\server\\cd\\"}, {"D:/cd/setup.exe", "D:/cd/"},
             {"setup.exe", ""}, {"D:setup.exe", "D:"}})
        EXPECT_EQ(folderOf(path), expected) << path;
    EXPECT_EQ(folderOf("C:\\abcdefgh\\setup.exe", 13), "C:\\abcdefgh\\");
    EXPECT_EQ(folderOf("C:\\abcdefgh\\setup.exe", 12), "(does not fit)");
}

// Paths as Windows reads them: '/', runs of separators, a root, and "表" (0x95 0x5C in 932) whole.
TEST(Paths, NormalisedAsWindowsReadsThem) {
    char out[TextBufferSize];
    struct Case { const char* in; LeadByteTest lead; const char* out; };
    for (Case c : std::vector<Case>{{"C:/Games//Vorlex\\", noLead, "C:\\Games\\Vorlex"}, {"C:/", noLead, "C:\\"},
                                    {"\\\\srv\\\\cd/", noLead, "\\\\srv\\cd"},
                                    {"D:\\\x95\\\\", shiftJisLead, "D:\\\x95\\"}, {"D:\\\x95\\\\", noLead, "D:\\\x95"}}) {
        EXPECT_EQ(normalisePath(out, sizeof out, c.in, strlen(c.in), c.lead), 1) << c.in;
        EXPECT_STREQ(out, c.out) << c.in;
    }
    EXPECT_TRUE(normalisePath(out, 8, "C:\\Games", 8, noLead) == 0 && out[0] == '\0');
}

// NT's restart list as Wine and older Windows write it, as Windows 10 and 11 do ("*1", "*2" before
// "\??\"), a replacement's target ("!"), WININIT.INI's lines, either side of their '=' (a file put in place
// of the game's, or the game's moved away); another file of the folder is not ours.
TEST(PendingOperations, ListsOfEveryFormNameTheInstallsFiles) {
    const char* targets[] = {"C:\\GAMES\\VORLEX\\VORLEX.EXE", "C:\\GAMES\\VORLEX\\FILESYS.DAT", nullptr};
    using namespace std::string_literals;
    struct Case { std::string list; int iniLines, names; };
    for (const Case& c : std::vector<Case>{
             {"\\??\\C:\\GAMES\\VORLEX\\VORLEX.EXE\0\0"s, 0, 1}, {"*1\\??\\C:\\GAMES\\VORLEX\\VORLEX.EXE\0\0"s, 0, 1},
             {"\\??\\C:\\TEMP\\X\0\0*90\\??\\C:/GAMES//VORLEX\\FILESYS.DAT\0\0"s, 0, 1},
             {"\\??\\C:\\NEW.EXE\0!*2\\??\\C:\\GAMES\\VORLEX\\VORLEX.EXE\0"s, 0, 1},
             {"\\??\\C:\\GAMES\\VORLEX\\SAVE1.SAV\0\0\\??\\C:\\GAMES\\VORLEX\0\0"s, 0, 0},
             {"*\\??\\C:\\GAMES\\VORLEX\\VORLEX.EXE\0\0"s, 0, 0}, {"\\??\\C:\\GAMES\\VORLEX2\\VORLEX.EXE"s, 0, 0},
             {"[RENAME]\r\nNUL=C:\\GAMES\\VORLEX\\FILESYS.DAT\r\n"s, 1, 1}, {"NUL=C:\\GAMES\\VORLEX\\SAVE1.SAV"s, 1, 0},
             {"C:\\GAMES\\VORLEX\\VORLEX.EXE=C:\\TEMP\\NEW.EXE\r\n"s, 1, 1}, {"C:\\GAMES\\VORLEX=C:\\NEW\r\n"s, 1, 0}})
        EXPECT_EQ(pendingListNames(c.list.data(), c.list.size(), c.iniLines, targets, noLead), c.names) << c.list;
}

// A folder ending in a double-byte character whose second byte is '\\' or a letter (932, 936, 949,
// 950), or holding one whose second byte is '|' (0x83 0x7C): each scan keeps it whole.
TEST(Paths, DoubleByteCharactersStayWholeInTheFourCodePages) {
    struct Case { LeadByteTest lead; const char* character; };
    for (Case c : std::vector<Case>{{shiftJisLead, "\x95\\"}, {highLead, "\x81\\"}, {highLead, "\x81" "A"},
                                    {highLead, "\xb3\\"}}) {
        const std::string folder = std::string("D:\\\x83|\\") + c.character;  // "D:\ソ|\表" in 932's bytes
        char buffer[TextBufferSize];
        std::string typed = folder + "\\\\ ";
        trimInstallFolder(&typed[0], c.lead);
        EXPECT_STREQ(typed.c_str(), folder.c_str()) << "trimmed of separators only";
        EXPECT_EQ(installDriveLetter(folder.c_str(), c.lead), 'D');
        EXPECT_TRUE(joinPath(buffer, folder.c_str(), "Vorlex.exe", c.lead) && buffer == folder + "\\Vorlex.exe");
        char parent[TextBufferSize];
        EXPECT_TRUE(moduleFolder((folder + "\\setup.exe").c_str(), parent, sizeof parent, c.lead) && parent == folder + "\\");
        typed = folder + "\\\\";
        EXPECT_TRUE(normalisePath(buffer, sizeof buffer, typed.c_str(), typed.size(), c.lead) && buffer == folder);
    }
    EXPECT_EQ(installDriveLetter("D:\\\x83|", noLead), 0) << "read byte by byte, the '|' refuses it";
}

// A problem refuses the install, or warns, whether or not its whole text fits.
TEST(InstallOptions, ProblemsRefuseOrWarnInOneMessage) {
    char out[1024];
    EXPECT_EQ(hardProblemsMessage(1, 1, 0, out, sizeof out), 1);
    EXPECT_EQ(hardProblemsMessage(1, 0, 1, out, sizeof out), 1);
    EXPECT_STREQ(out, "");
    EXPECT_EQ(hardProblemsMessage(0, 0, 0, out, sizeof out), 0);
    EXPECT_STREQ(out, "You cannot continue with the install due to the following problems:\n\n * You are not an "
                      "administrator.\n * Unsupported Windows version (WinNT4/Win95 or better is required).\n");
    EXPECT_EQ(softProblemsMessage(0x1700000, 32768, 1, out, sizeof out), 1);
    EXPECT_EQ(softProblemsMessage(16u << 20, 256, 0, out, sizeof out), 0);
    EXPECT_STREQ(out, "You may continue with the install, but the following issues\nmay cause problems:\n\n * This "
                      "computer has 16.0Mb of RAM, 23.0Mb is required.\n\n * Graphics will be of a lower quality in a "
                      "window because\n   Windows is not in a high/true color mode.\n\n * Unsupported processor.\n\n");
    EXPECT_EQ(softProblemsMessage(0x16FFFFF, 32768, 1, out, 90), 0) << "one byte short of 23 MB";
    EXPECT_STREQ(out, "You may continue with the install, but the following issues\nmay cause problems:");
    EXPECT_EQ(hardProblemsMessage(1, 0, 0, out, 80), 0);
    EXPECT_STREQ(out, "You cannot continue with the install due to the following problems:");
}

// A usable folder names a drive and holds only what file names may ('?': a character the code page lacks).
TEST(InstallOptions, FolderDriveAndFreeSpace) {
    for (auto [folder, letter] : std::vector<std::pair<const char*, char>>{
             {"c:\\Games\\Vorlex", 'C'}, {"Z:\\x", 'Z'}, {"C:Games", 0}, {"1:\\Vorlex", 0}, {"\\\\server\\x", 0},
             {"C:\\Sp?l\\Vorlex", 0}, {"C:\\a*b", 0}, {"C:\\a|b", 0}, {"C:\\a:b", 0}, {"C:\\a\tb", 0},
             {"C:\\Spiele \xe4\\Vorlex", 'C'}})
        EXPECT_EQ(installDriveLetter(folder, noLead), letter) << folder;
    char folder[] = "C:\\Games\\Vorlex \\\\ ";
    trimInstallFolder(folder, noLead);
    EXPECT_STREQ(folder, "C:\\Games\\Vorlex");
    char out[TextBufferSize];
    // The system's folder for programs, else "Program Files" on the Windows drive (missing, on a CD, ...).
    std::string longest = "C:\\" + std::string(InstallFolderLimit - 10, 'x'), tooLong = longest + "x";
    for (auto [windows, registered, expected] : std::vector<std::tuple<const char*, const char*, const char*>>{
             {"C:\\W", "C:\\Programme\\", "C:\\Programme"}, {"C:\\W", "e:\\Apps", "e:\\Apps"},
             {"C:\\W", "C:\\Program Files (x86)", "C:\\Program Files (x86)"}, {"C:\\W", longest.c_str(), longest.c_str()},
             {"E:\\W", "", "E:\\Program Files"}, {"E:\\W", "D:\\Programme", "E:\\Program Files"},
             {"E:\\W", "Programme", "E:\\Program Files"}, {"E:\\W", "C:\\", "E:\\Program Files"},
             {"E:\\W", tooLong.c_str(), "E:\\Program Files"}, {"\\\\srv\\win", "", "C:\\Program Files"}}) {
        auto fixed = [](char drive) { return drive != 'D' ? 1 : 0; };  // D: is a CD
        EXPECT_EQ(programFilesFolder(windows, registered, fixed, out, sizeof out, noLead), 1);
        EXPECT_STREQ(out, expected) << registered;
    }
    EXPECT_EQ(freeMegabytes(8, 512, 0x200000), 8192) << "8 GB: counted in 64 bits";
    EXPECT_EQ(freeMegabytes(128, 65535, 0xFFFFFFFFu), 0x7FFFFFFF) << "more than 2^31 MB: the most a count holds";
    EXPECT_EQ(freeSpaceMessage(999, 'D', out, sizeof out), 1);
    EXPECT_STREQ(out, "The game requires 25Mb of disk space.\nThere is currently 999Mb free on drive D.");
    EXPECT_EQ(freeSpaceMessage(1000, 'C', out, sizeof out), 1);
    EXPECT_STREQ(out, "The game requires 25Mb of disk space.\nThere is plenty of free space on drive C.");
}

TEST(CopyProgress, BarPositionAndSpinnerFrames) {
    std::vector<int> icons(spinnerFrameOrder, spinnerFrameOrder + SpinnerFrames);
    EXPECT_EQ(icons[1], 155) << "the frame a new copy shows first";
    std::sort(icons.begin(), icons.end());
    for (int i = 0; i < SpinnerFrames; ++i) EXPECT_EQ(icons[i], 154 + i) << "each of the sixteen icons once";
    EXPECT_EQ(progressPosition(6463, 1.0f / 64.0f), 100);
    EXPECT_EQ(progressPosition(4000000000u, 1.0f / 65536.0f), 61035) << "byte counts beyond 2 GB";
}

}  // namespace
