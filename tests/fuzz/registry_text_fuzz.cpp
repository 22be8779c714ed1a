// Fuzz target for settling a registry text value in its fixed buffer: whatever bytes
// and size the registry reports, nothing outside the buffer is touched, an accepted
// value is a NUL-terminated prefix of what was stored, and a refused one is empty.
#include <stddef.h>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include "app/bounded_format.h"

namespace {

void check(bool condition) {
    if (!condition) abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 4) return 0;
    // Bytes 0-1: the size the registry reports; byte 2: whether the read succeeded and
    // a small or a full buffer; the rest: what the registry wrote into the buffer.
    size_t reported = data[0] | (static_cast<size_t>(data[1]) << 8);
    int stored = data[2] & 1;
    size_t capacity = (data[2] & 2) ? TextBufferSize : 1 + data[3] % 64;
    const uint8_t* value = data + 4;
    size_t valueSize = size - 4;

    // Exactly the buffer's bytes, so the sanitizer sees any step outside it.
    char* buffer = static_cast<char*>(malloc(capacity));
    memset(buffer, 'x', capacity);
    memcpy(buffer, value, valueSize < capacity ? valueSize : capacity);
    char* original = static_cast<char*>(malloc(capacity));
    memcpy(original, buffer, capacity);

    int accepted = settleRegistryText(buffer, capacity, reported, stored);
    if (accepted) {
        check(stored && reported <= capacity);
        size_t length = strnlen(buffer, capacity);
        check(length < capacity);
        // The text up to its first NUL, or all the data reported when it had none.
        check(length == strnlen(original, reported));
        check(memcmp(buffer, original, length) == 0);
    } else {
        check(buffer[0] == '\0');
        check(!stored || reported > capacity || (reported == capacity && original[capacity - 1] != '\0'));
    }
    free(original);
    free(buffer);
    return 0;
}
