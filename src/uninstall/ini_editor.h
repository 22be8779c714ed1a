// The line editor for WININIT.INI: the file as a list of lines, a new entry put at
// the top of its section, every other line kept as it was. No Windows header here.
#pragma once
#include <stddef.h>

#include <string>
#include <vector>

// A line ends at a line feed; a carriage return directly before it goes with it; the
// last line may lack a terminator. Terminators are not part of the lines.
void splitLines(const char* data, size_t size, std::vector<std::string>& lines);

// Puts key=value directly below the first line equal to "[section]" (letters compared
// without regard to case, nothing else folded); when there is none, the header and
// the entry become the last two lines.
void insertEntryLine(std::vector<std::string>& lines, const char* section, const char* key,
                     const char* value);

// The lines as a file: each one, the last included, followed by CR LF.
std::string joinLines(const std::vector<std::string>& lines);
