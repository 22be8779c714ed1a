// Command-line tail and the uninstall-mode scan (see command_line.h).
#include "app/command_line.h"

const char* commandLineTail(const char* commandLine, LeadByteTest isLeadByte) {
    const unsigned char* p = reinterpret_cast<const unsigned char*>(commandLine);
    if (*p == '"') {
        ++p;
        while (*p != '\0' && *p != '"') {
            // A trail byte may have the code of a quote; never split the pair.
            if (isLeadByte != nullptr && isLeadByte(*p) && p[1] != '\0') ++p;
            ++p;
        }
        if (*p == '"') ++p;
    } else {
        while (*p > ' ') ++p;
    }
    while (*p != '\0' && *p <= ' ') ++p;
    return reinterpret_cast<const char*>(p);
}

char scanCommandLine(const char* tail) {
    for (const char* p = tail; *p != '\0'; ++p) {
        if (*p == 'U' || *p == 'u') return 'U';
    }
    return 0;
}
