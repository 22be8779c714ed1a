// Path arithmetic (see path_logic.h).
#include "app/path_logic.h"

#include <string.h>

#include "app/bounded_format.h"

const char* lastSeparator(const char* path, LeadByteTest isLeadByte) {
    const char* last = nullptr;
    for (const char* c = path; *c != '\0'; c += characterSize(c, isLeadByte))
        if ((*c == '\\' || *c == '/') && characterSize(c, isLeadByte) == 1) last = c;
    return last;
}

int joinPath(char* out, const char* folder, const char* name, LeadByteTest isLeadByte) {
    const char* last = lastSeparator(folder, isLeadByte);
    bool endsInOne = last != nullptr && last[1] == '\0';  // a drive's root: no second one
    return formatText(out, TextBufferSize, "%s%s%s", folder, endsInOne ? "" : "\\", name);
}

int moduleFolder(const char* modulePath, char* folder, size_t capacity, LeadByteTest isLeadByte) {
    const char* rest = modulePath;
    size_t driveLength = 0;
    if (modulePath[0] != '\0' && modulePath[1] == ':') {
        driveLength = 2;
        rest = modulePath + 2;
    }
    const char* last = lastSeparator(rest, isLeadByte);
    size_t directoryLength = last ? static_cast<size_t>(last - rest) + 1 : 0;
    return formatText(folder, capacity, "%.*s%.*s", static_cast<int>(driveLength), modulePath,
                      static_cast<int>(directoryLength), rest);
}

size_t characterSize(const char* text, LeadByteTest isLeadByte) {
    return isLeadByte(static_cast<unsigned char>(text[0])) && text[1] != '\0' ? 2 : 1;
}

int normalisePath(char* out, size_t capacity, const char* path, size_t length, LeadByteTest isLeadByte) {
    size_t used = 0;
    bool afterSeparator = false;
    for (size_t i = 0; i < length && path[i] != '\0';) {
        size_t size = isLeadByte(static_cast<unsigned char>(path[i])) && i + 1 < length && path[i + 1] != '\0' ? 2 : 1;
        bool separator = size == 1 && (path[i] == '\\' || path[i] == '/');
        // A run of separators is one; the two that open "\\server\share" stay.
        if (!(separator && afterSeparator && used > 1)) {
            if (used + size >= capacity) {
                out[0] = '\0';
                return 0;
            }
            for (size_t k = 0; k < size; ++k) out[used++] = separator ? '\\' : path[i + k];
        }
        afterSeparator = separator;
        i += size;
    }
    if (afterSeparator && used > 1 && !(used == 3 && out[1] == ':')) --used;  // a drive's root keeps its own
    out[used] = '\0';
    return 1;
}
