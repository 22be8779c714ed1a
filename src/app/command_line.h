// The command line: the tail after the program's name, and the scan for uninstall mode.
// No Windows header here, so the host tests run it.
#pragma once

#include "app/path_logic.h"  // LeadByteTest

// The command line with the program's name and the blanks after it removed. A name
// that opens with a double quote runs up to and including the next double quote
// (isLeadByte, when given, makes double-byte characters be stepped over whole); any
// other name runs up to the first character of code 32 or less. Then every character
// of code 1 to 32 is skipped. Returns a pointer into commandLine.
const char* commandLineTail(const char* commandLine, LeadByteTest isLeadByte);

// 'U' (0x55) when the tail holds a U or u anywhere, else 0.
char scanCommandLine(const char* tail);
