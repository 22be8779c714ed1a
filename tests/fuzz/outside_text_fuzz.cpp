// Fuzz target for the command line, a text from outside: its tail starts after the name
// and its blanks, and the scan answers U exactly when the tail holds a u or U. (Registry
// text values are the Win32 layer's, against the real registry.)
#include <stddef.h>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include <string>

#include "app/command_line.h"

namespace {

void check(bool condition) {
    if (!condition) abort();
}

int anyLeadByte(unsigned char byte) {
    return byte >= 0x81 && byte <= 0x9F;
}

void commandLine(const uint8_t* data, size_t size) {
    std::string line(reinterpret_cast<const char*>(data), size);  // a C string ends at its first NUL
    const char* start = line.c_str();
    size_t length = strlen(start);
    for (LeadByteTest lead : {static_cast<LeadByteTest>(nullptr), anyLeadByte}) {
        const char* tail = commandLineTail(start, lead);
        check(tail >= start && tail <= start + length);
        check(tail == start + length || static_cast<unsigned char>(*tail) > ' ');
        bool hasU = strpbrk(tail, "uU") != nullptr;
        check(scanCommandLine(tail) == (hasU ? 'U' : 0));
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    commandLine(data, size);
    return 0;
}
