// Path arithmetic that needs no Windows call. Paths are texts in the system's code page,
// where a character may be two bytes whose second is any byte from 0x40 up, a '\' or a
// letter among them: every scan steps by characters, the lead-byte test passed in.
#pragma once
#include <stddef.h>

// Tells whether a byte opens a double-byte character in the active code page.
typedef int (*LeadByteTest)(unsigned char byte);

// The size of the character at text: 2 for a lead byte with a second byte after it, else 1.
size_t characterSize(const char* text, LeadByteTest isLeadByte);

// A path as Windows reads it, for comparing one with another: '/' read as '\', a run of
// separators as one, none at the end but the one of a drive's root ("C:\"). The second
// byte of a double-byte character is never taken for a separator. 1 when it fits
// out[capacity]; else 0 with out emptied.
int normalisePath(char* out, size_t capacity, const char* path, size_t length, LeadByteTest isLeadByte);

// "folder\name" into out[TextBufferSize]; a folder whose last character is a backslash
// (a drive's root) gets no second one. 1 when the whole path fits; else 0 with out
// emptied, so that no caller ever acts on a cut path, which could name another file.
int joinPath(char* out, const char* folder, const char* name, LeadByteTest isLeadByte);

// The last separator ('\\' or '/') of path, a character of its own, or null.
const char* lastSeparator(const char* path, LeadByteTest isLeadByte);

// The folder part of a module path: its drive (the first two characters when the
// second is a colon) and its directory up to and including the last backslash or
// slash. 1 when it fits folder[capacity].
int moduleFolder(const char* modulePath, char* folder, size_t capacity, LeadByteTest isLeadByte);
