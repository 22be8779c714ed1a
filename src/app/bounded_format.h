// Formatting into the fixed text buffers of the program. A result that does not
// fit is a failure and leaves the buffer empty: a truncated path is never handed on.
#pragma once
#include <stddef.h>

// The size of every path and message buffer.
enum { TextBufferSize = 1024 };

// printf-style formatting into buffer[capacity]. 1 when the whole text and its NUL fit,
// else 0 with the buffer emptied.
int formatText(char* buffer, size_t capacity, const char* format, ...)
    __attribute__((format(printf, 3, 4)));

// Copies text into buffer[capacity]. 1 when it fits, else 0 with the buffer emptied.
int copyText(char* buffer, size_t capacity, const char* text);
