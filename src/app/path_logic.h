// Path arithmetic that needs no Windows call.
#pragma once
#include <stddef.h>

// "folder\name" into out[TextBufferSize]; a folder that ends in a backslash (a drive's
// root) gets no second one. 1 when the whole path fits; else 0 with out emptied, so
// that no caller ever acts on a cut path, which could name another file.
int joinPath(char* out, const char* folder, const char* name);

// The folder part of a module path: its drive (the first two characters when the
// second is a colon) and its directory up to and including the last backslash or
// slash. 1 when it fits folder[capacity].
int moduleFolder(const char* modulePath, char* folder, size_t capacity);
