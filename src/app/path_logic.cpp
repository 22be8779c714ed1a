// Path arithmetic (see path_logic.h).
#include "app/path_logic.h"

#include <string.h>

#include "app/bounded_format.h"

int joinPath(char* out, const char* folder, const char* name) {
    size_t length = strlen(folder);
    const char* separator = (length > 0 && folder[length - 1] == '\\') ? "" : "\\";
    return formatText(out, TextBufferSize, "%s%s%s", folder, separator, name);
}

int moduleFolder(const char* modulePath, char* folder, size_t capacity) {
    const char* rest = modulePath;
    size_t driveLength = 0;
    if (modulePath[0] != '\0' && modulePath[1] == ':') {
        driveLength = 2;
        rest = modulePath + 2;
    }
    const char* lastSeparator = nullptr;
    for (const char* p = rest; *p != '\0'; ++p) {
        if (*p == '\\' || *p == '/') lastSeparator = p;
    }
    size_t directoryLength = lastSeparator ? static_cast<size_t>(lastSeparator - rest) + 1 : 0;
    return formatText(folder, capacity, "%.*s%.*s", static_cast<int>(driveLength), modulePath,
                      static_cast<int>(directoryLength), rest);
}
