// WININIT.INI line editing (see ini_editor.h).
#include "uninstall/ini_editor.h"

namespace {

char foldLetter(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

bool sameIgnoringLetterCase(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (foldLetter(a[i]) != foldLetter(b[i])) return false;
    }
    return true;
}

}  // namespace

void splitLines(const char* data, size_t size, std::vector<std::string>& lines) {
    size_t start = 0;
    for (size_t i = 0; i < size; ++i) {
        if (data[i] != '\n') continue;
        size_t end = (i > start && data[i - 1] == '\r') ? i - 1 : i;
        lines.emplace_back(data + start, end - start);
        start = i + 1;
    }
    if (start < size) lines.emplace_back(data + start, size - start);
}

void insertEntryLine(std::vector<std::string>& lines, const char* section, const char* key,
                     const char* value) {
    std::string header = std::string("[") + section + "]";
    size_t position = lines.size();
    bool found = false;
    for (size_t i = 0; i < lines.size(); ++i) {
        if (sameIgnoringLetterCase(lines[i], header)) {
            position = i + 1;
            found = true;
            break;
        }
    }
    if (!found) {
        lines.push_back(header);
        position = lines.size();
    }
    lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(position), std::string(key) + "=" + value);
}

std::string joinLines(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) {
        text += line;
        text += "\r\n";
    }
    return text;
}
