// The lists of operations put off to the next start of Windows (see pending_logic.h).
#include "uninstall/pending_logic.h"

#include <string.h>

#include "app/bounded_format.h"

const char* pendingEntryPath(const char* entry, size_t length, int iniLine, size_t* pathLength) {
    if (iniLine) {
        const char* equals = static_cast<const char*>(memchr(entry, '=', length));
        if (equals == nullptr) return nullptr;
        length -= static_cast<size_t>(equals + 1 - entry);
        entry = equals + 1;
        if (length > 0 && entry[length - 1] == '\r') --length;
    } else {
        // "!" marks the target of a replacement, "*" and a number what Windows 10 and 11 put
        // before the name; either may come first.
        for (;;) {
            if (length > 0 && *entry == '!') {
                ++entry, --length;
            } else if (length > 1 && *entry == '*' && entry[1] >= '0' && entry[1] <= '9') {
                do ++entry, --length;
                while (length > 0 && *entry >= '0' && *entry <= '9');
            } else {
                break;
            }
        }
        if (length >= 4 && memcmp(entry, "\\??\\", 4) == 0) entry += 4, length -= 4;
    }
    *pathLength = length;
    return length > 0 ? entry : nullptr;
}

namespace {

// 1 when path names one of targets once normalised.
int namesTarget(const char* path, size_t length, const char* const* targets, LeadByteTest isLeadByte) {
    char normal[TextBufferSize];
    // A path too long for the buffer is longer than any target.
    if (path == nullptr || !normalisePath(normal, sizeof normal, path, length, isLeadByte)) return 0;
    for (const char* const* target = targets; *target != nullptr; ++target)
        if (strcmp(normal, *target) == 0) return 1;
    return 0;
}

}  // namespace

int pendingListNames(const char* list, size_t size, int iniLines, const char* const* targets,
                     LeadByteTest isLeadByte) {
    for (size_t start = 0; start < size;) {
        const char* end = static_cast<const char*>(memchr(list + start, iniLines ? '\n' : '\0', size - start));
        size_t next = end != nullptr ? static_cast<size_t>(end - list) + 1 : size;
        size_t entryLength = next - start - (end != nullptr ? 1 : 0), length = 0;
        const char* path = pendingEntryPath(list + start, entryLength, iniLines, &length);
        if (namesTarget(path, length, targets, isLeadByte)) return 1;
        // A line "new=old" of WININIT.INI puts old in place of new: a game file left of the '='
        // would be replaced at the start ("NUL", the deletion's, names no file).
        const char* equals = iniLines ? static_cast<const char*>(memchr(list + start, '=', entryLength)) : nullptr;
        if (equals != nullptr && namesTarget(list + start, static_cast<size_t>(equals - (list + start)), targets, isLeadByte))
            return 1;
        start = next;
    }
    return 0;
}
