// Path arithmetic that needs no Windows call.
#pragma once
#include <stddef.h>

// The folder part of a module path: its drive (the first two characters when the
// second is a colon) and its directory up to and including the last backslash or
// slash. 1 when it fits folder[capacity].
int moduleFolder(const char* modulePath, char* folder, size_t capacity);
