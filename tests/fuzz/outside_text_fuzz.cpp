// Fuzz target for short texts from outside. The command line's tail starts after the name
// and its blanks, and the scan answers U exactly when the tail holds a u or U. A registry
// text value settled in its buffer touches nothing outside it: accepted, it is a
// NUL-terminated prefix of what was stored; refused, it is empty.
#include <stddef.h>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include <string>

#include "app/bounded_format.h"
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

void registryText(const uint8_t* data, size_t size) {
    // Bytes 0-1: the size the registry reports; byte 2: whether the read succeeded and
    // a small or a full buffer; the rest: what the registry wrote into the buffer.
    size_t reported = data[0] | (static_cast<size_t>(data[1]) << 8);
    int stored = data[2] & 1;
    size_t capacity = (data[2] & 2) ? TextBufferSize : 1 + data[3] % 64;

    // Exactly the buffer's bytes, so the sanitizer sees any step outside it.
    char* buffer = static_cast<char*>(malloc(capacity));
    memset(buffer, 'x', capacity);
    memcpy(buffer, data + 4, size - 4 < capacity ? size - 4 : capacity);
    const std::string original(buffer, capacity);

    int accepted = settleRegistryText(buffer, capacity, reported, stored);
    if (accepted) {
        check(stored && reported <= capacity);
        size_t length = strnlen(buffer, capacity);
        check(length < capacity);
        // The text up to its first NUL, or all the data reported when it had none.
        check(length == strnlen(original.c_str(), reported));
        check(memcmp(buffer, original.data(), length) == 0);
    } else {
        check(buffer[0] == '\0');
        check(!stored || reported > capacity || (reported == capacity && original[capacity - 1] != '\0'));
    }
    free(buffer);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    commandLine(data, size);
    if (size >= 4) registryText(data, size);
    return 0;
}
