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

// Settles a text value the registry has just written into buffer[capacity]: size is
// the byte count it reported and stored is 0 when the read failed. 1 when the buffer
// now holds the whole text with its NUL; a value stored without its NUL is terminated
// after its data when there is room. A value that filled the buffer without a NUL, a
// longer one and a failed read give 0 with the buffer emptied.
int settleRegistryText(char* buffer, size_t capacity, size_t size, int stored);


