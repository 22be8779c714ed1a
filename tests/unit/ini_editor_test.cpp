// WININIT.INI line editing.
#include <gtest/gtest.h>

#include <stdlib.h>

#include <string>
#include <vector>

#include "install/uninstaller_name.h"
#include "uninstall/ini_editor.h"

namespace {

// What one insertion of NUL=<value> into [Rename] makes of a file.
std::string edited(const std::string& before, const char* value = "C:\\WINDOWS\\N1-VOR~1.EXE") {
    char* out = nullptr;
    size_t size = 0;
    EXPECT_EQ(insertIniEntryText(before.data(), before.size(), "Rename", "NUL", value, &out, &size), 1);
    std::string text(out, size);
    free(out);
    return text;
}

TEST(IniEditor, NoFileYetGivesHeaderAndEntry) {
    EXPECT_EQ(edited(""), "[Rename]\r\nNUL=C:\\WINDOWS\\N1-VOR~1.EXE\r\n");
}

TEST(IniEditor, LowerCaseHeaderKeepsItsCaseAndTheOlderEntryMovesDown) {
    EXPECT_EQ(edited("[rename]\r\nNUL=C:\\OLD.EXE\r\n"),
              "[rename]\r\nNUL=C:\\WINDOWS\\N1-VOR~1.EXE\r\nNUL=C:\\OLD.EXE\r\n");
}

TEST(IniEditor, OtherSectionsStayAndTheSectionIsAddedAtTheEnd) {
    EXPECT_EQ(edited("[Other]\r\na=b\r\n\r\n; note\r\n[More]\r\nx"),
              "[Other]\r\na=b\r\n\r\n; note\r\n[More]\r\nx\r\n[Rename]\r\nNUL=C:\\WINDOWS\\N1-VOR~1.EXE\r\n");
}

TEST(IniEditor, LineFeedOnlyLinesComeBackWithCarriageReturns) {
    EXPECT_EQ(edited("[x]\nk=v\n[Rename]\nNUL=A\n"), "[x]\r\nk=v\r\n[Rename]\r\nNUL=C:\\WINDOWS\\N1-VOR~1.EXE\r\nNUL=A\r\n");
    // A carriage return not followed by a line feed is text, not a terminator.
    EXPECT_EQ(edited("a\rb\n"), "a\rb\r\n[Rename]\r\nNUL=C:\\WINDOWS\\N1-VOR~1.EXE\r\n");
}

TEST(IniEditor, HeaderMatchFoldsLettersOnly) {
    EXPECT_EQ(edited("[RENAME]\r\n"), "[RENAME]\r\nNUL=C:\\WINDOWS\\N1-VOR~1.EXE\r\n");
    // A blank before or after the header: not our section.
    EXPECT_EQ(edited(" [Rename]\r\n"), " [Rename]\r\n[Rename]\r\nNUL=C:\\WINDOWS\\N1-VOR~1.EXE\r\n");
    EXPECT_EQ(edited("[Rename] \r\n"), "[Rename] \r\n[Rename]\r\nNUL=C:\\WINDOWS\\N1-VOR~1.EXE\r\n");
    // Only the first matching header gets the entry.
    EXPECT_EQ(edited("[Rename]\r\n[rename]\r\n"), "[Rename]\r\nNUL=C:\\WINDOWS\\N1-VOR~1.EXE\r\n[rename]\r\n");
}

TEST(IniEditor, IdenticalEntryStaysBelowTheNewOne) {
    EXPECT_EQ(edited("[Rename]\r\nNUL=C:\\WINDOWS\\N1-VOR~1.EXE\r\n"),
              "[Rename]\r\nNUL=C:\\WINDOWS\\N1-VOR~1.EXE\r\nNUL=C:\\WINDOWS\\N1-VOR~1.EXE\r\n");
}

TEST(IniEditor, EmptyLinesAndNulBytesAreKept) {
    using namespace std::string_literals;
    std::string withNul = "a\0b\n\n"s;
    std::string expected = "a\0b\r\n\r\n[Rename]\r\nNUL=X\r\n"s;
    EXPECT_EQ(edited(withNul, "X"), expected);
}

TEST(UninstallerName, EightUpperCaseHexDigits) {
    char name[1024];
    ASSERT_EQ(uninstallerCopyName(name, sizeof name, "C:\\WINDOWS", 1223476), 1);
    EXPECT_STREQ(name, "C:\\WINDOWS\\N0012AB34-Vorlex-Setup.exe");
    ASSERT_EQ(uninstallerCopyName(name, sizeof name, "C:\\WINNT", 0xFFFFFFFFu), 1);
    EXPECT_STREQ(name, "C:\\WINNT\\NFFFFFFFF-Vorlex-Setup.exe");
    ASSERT_EQ(uninstallerCopyName(name, sizeof name, "D:\\W", 0), 1);
    EXPECT_STREQ(name, "D:\\W\\N00000000-Vorlex-Setup.exe");
    char small[20];
    EXPECT_EQ(uninstallerCopyName(small, sizeof small, "C:\\WINDOWS", 1), 0);
    EXPECT_STREQ(small, "");
}

}  // namespace
