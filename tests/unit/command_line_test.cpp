// The command-line tail and the uninstall-mode scan.
#include <gtest/gtest.h>

#include <string>

#include "app/command_line.h"

namespace {

std::string tail(const char* commandLine, LeadByteTest lead = nullptr) {
    return commandLineTail(commandLine, lead);
}

// Pretends the code page is a double-byte one whose lead bytes are 0x81..0x9F.
int shiftJisLead(unsigned char byte) {
    return byte >= 0x81 && byte <= 0x9F;
}

TEST(CommandLineTail, QuotedNameWithBlanksIsRemovedWhole) {
    EXPECT_EQ(tail("\"C:\\Program Files\\Vorlex\\setup.exe\" U"), "U");
    EXPECT_EQ(tail("\"D:\\setup.exe\""), "");
    // No closing quote: the whole line is the name.
    EXPECT_EQ(tail("\"D:\\set up.exe U"), "");
}

TEST(CommandLineTail, UnquotedNameWithBlankLeavesRestOfPathInTail) {
    EXPECT_EQ(tail("C:\\Program Files\\setup.exe U"), "Files\\setup.exe U");
    EXPECT_EQ(tail("setup.exe"), "");
    EXPECT_EQ(tail("setup.exe\tU"), "U");
}

TEST(CommandLineTail, TabsAndControlCharactersAfterNameAreSkipped) {
    EXPECT_EQ(tail("setup.exe \t\x01\x1f  /u now"), "/u now");
    EXPECT_EQ(tail("\"setup.exe\"\t\t \x02x"), "x");
    // Characters above the blank are kept, also those of the upper half.
    EXPECT_EQ(tail("setup.exe \xe9t\xe9"), "\xe9t\xe9");
}

TEST(CommandLineTail, DoubleByteCharacterInQuotedNameIsSteppedOverWhole) {
    // 0x81 0x22 is one character whose trail byte has the code of a quote.
    const char line[] = "\"C:\\\x81\x22game\\setup.exe\" u";
    EXPECT_EQ(tail(line, shiftJisLead), "u");
    // Without the code-page knowledge the trail byte would end the name.
    EXPECT_EQ(tail(line), "game\\setup.exe\" u");
}

TEST(CommandLineScan, AnyUOrLowerCaseUSelectsUninstallMode) {
    EXPECT_EQ(scanCommandLine("U"), 'U');
    EXPECT_EQ(scanCommandLine("u"), 'U');
    EXPECT_EQ(scanCommandLine("/u"), 'U');
    EXPECT_EQ(scanCommandLine("-U"), 'U');
    EXPECT_EQ(scanCommandLine("C:\\GAMES\\music.txt"), 'U');
    EXPECT_EQ(scanCommandLine("/quiet"), 'U');
}

TEST(CommandLineScan, TailWithoutUSelectsLauncher) {
    EXPECT_EQ(scanCommandLine(""), 0);
    EXPECT_EQ(scanCommandLine("/s /verbose C:\\x"), 0);
    EXPECT_EQ(scanCommandLine("\xdc\xfc"), 0);  // accented capitals are not the letter U
}

TEST(CommandLineScan, ProgramNameIsNotScanned) {
    // A program called "uninst.exe" without arguments opens the launcher.
    EXPECT_EQ(scanCommandLine(commandLineTail("C:\\uninst.exe", nullptr)), 0);
    EXPECT_EQ(scanCommandLine(commandLineTail("\"C:\\Vorlex Setup\\setup.exe\"", nullptr)), 0);
}

}  // namespace
