// Bounds-checked formatting for the fixed buffers (see bounded_format.h).
#include "app/bounded_format.h"

#include <stdarg.h>
#include <stdio.h>
#include <string.h>

int formatText(char* buffer, size_t capacity, const char* format, ...) {
    if (buffer == nullptr || capacity == 0) return 0;
    va_list args;
    va_start(args, format);
    // Some C libraries return -1 on overflow and leave the buffer unterminated,
    // others the length the text would have needed; both count as failure here.
    int written = vsnprintf(buffer, capacity, format, args);
    va_end(args);
    if (written < 0 || static_cast<size_t>(written) >= capacity) {
        buffer[0] = '\0';
        return 0;
    }
    return 1;
}

int copyText(char* buffer, size_t capacity, const char* text) {
    if (buffer == nullptr || capacity == 0) return 0;
    size_t length = strlen(text);
    if (length >= capacity) {
        buffer[0] = '\0';
        return 0;
    }
    memcpy(buffer, text, length + 1);
    return 1;
}

int settleRegistryText(char* buffer, size_t capacity, size_t size, int stored) {
    if (capacity == 0) return 0;
    // A reported size beyond the buffer means the text did not fit, whatever the
    // status said: nothing past the buffer is ever looked at.
    if (size > capacity) stored = 0;
    if (stored && size > 0 && buffer[size - 1] != '\0') {
        if (size == capacity) stored = 0;
        else buffer[size] = '\0';
    }
    if (!stored || size == 0) buffer[0] = '\0';
    return stored ? 1 : 0;
}
