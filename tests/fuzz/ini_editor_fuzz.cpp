// Fuzz target for the WININIT.INI line editor: whatever the file holds, the rewrite keeps every
// line in order, adds the entry (and the header when none matched), and ends lines with CR LF.
#include <stddef.h>
#include <stdint.h>
#include <stdlib.h>
#include <strings.h>

#include <algorithm>
#include <string>
#include <vector>

#include "uninstall/ini_editor.h"

namespace {

void check(bool condition) {
    if (!condition) abort();
}

bool isRenameHeader(const std::string& line) {
    return line.size() == 8 && strncasecmp(line.c_str(), "[rename]", 8) == 0;  // letters fold, nothing else
}

}  // namespace

// The lines as the editor reads them: LF ends one, a CR before it goes with it, the last may lack one.
std::vector<std::string> splitLines(const char* text, size_t size) {
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t i = 0; i < size; ++i) {
        if (text[i] != '\n') continue;
        size_t end = (i > start && text[i - 1] == '\r') ? i - 1 : i;
        lines.emplace_back(text + start, end - start);
        start = i + 1;
    }
    if (start < size) lines.emplace_back(text + start, size - start);
    return lines;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const char* text = reinterpret_cast<const char*>(data);
    std::vector<std::string> before = splitLines(text, size);
    char* edited = nullptr;
    size_t editedSize = 0;
    check(insertIniEntryText(text, size, "Rename", "NUL", "C:\\WINDOWS\\N1~1.EXE", &edited, &editedSize) == 1);
    std::string out(edited, editedSize);
    free(edited);

    std::vector<std::string> after = splitLines(out.data(), out.size());
    check(out.size() >= 2 && out.compare(out.size() - 2, 2, "\r\n") == 0);

    size_t header = std::find_if(before.begin(), before.end(), isRenameHeader) - before.begin();
    std::vector<std::string> expected = before;
    if (header == before.size()) expected.push_back("[Rename]");
    expected.insert(expected.begin() + static_cast<std::ptrdiff_t>(header) + 1, "NUL=C:\\WINDOWS\\N1~1.EXE");
    check(after == expected);
    return 0;
}
