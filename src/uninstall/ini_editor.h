// The line editor for WININIT.INI: a new entry put at the top of its section, every
// other line kept as it was. No Windows header here.
//
// Lines: a line ends at a line feed; a carriage return directly before it goes with
// it; the last line may lack a terminator. Written back, every line, the last one
// included, ends with CR LF.
#pragma once
#include <stddef.h>

// The file text in with key=value put directly below the first line equal to
// "[section]" (letters compared without regard to case, nothing else folded), or,
// when there is none, the header and the entry as the last two lines. *out is
// allocated with malloc (the caller frees it). 1 on success, 0 when out of memory.
int insertIniEntryText(const char* text, size_t size, const char* section, const char* key, const char* value,
                       char** out, size_t* outSize);
