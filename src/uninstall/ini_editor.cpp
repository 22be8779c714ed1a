// WININIT.INI line editing (see ini_editor.h). One pass to find the section, one to
// write: the file is never held as a list of separate lines.
#include "uninstall/ini_editor.h"

#include <stdlib.h>
#include <string.h>

namespace {

char foldLetter(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

// The line starting at start: its length without terminator, and where the next starts.
size_t lineAt(const char* text, size_t size, size_t start, size_t* next) {
    const char* feed = static_cast<const char*>(memchr(text + start, '\n', size - start));
    if (feed == nullptr) {
        *next = size;
        return size - start;
    }
    size_t end = static_cast<size_t>(feed - text);
    *next = end + 1;
    return (end > start && text[end - 1] == '\r') ? end - 1 - start : end - start;
}

bool isHeader(const char* line, size_t length, const char* section) {
    size_t name = strlen(section);
    if (length != name + 2 || line[0] != '[' || line[length - 1] != ']') return false;
    for (size_t i = 0; i < name; ++i) {
        if (foldLetter(line[i + 1]) != foldLetter(section[i])) return false;
    }
    return true;
}

void put(char* out, size_t* used, const char* text, size_t length) {
    memcpy(out + *used, text, length);
    *used += length;
}

}  // namespace

int insertIniEntryText(const char* text, size_t size, const char* section, const char* key, const char* value,
                       char** out, size_t* outSize) {
    size_t lines = 0;
    size_t headerEnd = static_cast<size_t>(-1);  // where the line after the header starts
    for (size_t start = 0, next = 0; start < size; start = next) {
        size_t length = lineAt(text, size, start, &next);
        if (headerEnd == static_cast<size_t>(-1) && isHeader(text + start, length, section)) headerEnd = next;
        ++lines;
    }
    size_t keyLength = strlen(key), valueLength = strlen(value), sectionLength = strlen(section);
    // Every line may gain a CR LF; the entry and perhaps the header come on top.
    size_t capacity = size + 2 * lines + keyLength + valueLength + 3 + sectionLength + 4;
    char* result = static_cast<char*>(malloc(capacity));
    if (result == nullptr) return 0;
    size_t used = 0;
    for (size_t start = 0, next = 0; start < size; start = next) {
        size_t length = lineAt(text, size, start, &next);
        put(result, &used, text + start, length);
        put(result, &used, "\r\n", 2);
        if (next == headerEnd) {
            headerEnd = static_cast<size_t>(-2);  // written: no second entry
            put(result, &used, key, keyLength);
            put(result, &used, "=", 1);
            put(result, &used, value, valueLength);
            put(result, &used, "\r\n", 2);
        }
    }
    if (headerEnd == static_cast<size_t>(-1)) {
        put(result, &used, "[", 1);
        put(result, &used, section, sectionLength);
        put(result, &used, "]\r\n", 3);
        put(result, &used, key, keyLength);
        put(result, &used, "=", 1);
        put(result, &used, value, valueLength);
        put(result, &used, "\r\n", 2);
    }
    *out = result;
    *outSize = used;
    return 1;
}
