// Texts as the system reads them in its ANSI code page: which bytes open a double-byte
// character (Japanese, Chinese and Korean Windows), and letter case folded as it folds it.
#pragma once
#include <stddef.h>

// 1 when byte opens a double-byte character in the system's code page.
int systemLeadByte(unsigned char byte);

// Folds text[0..length) to capitals in place, as the system does for its code page (an
// "ü" of a German Windows becomes "Ü"); where it could not be asked, A-Z only.
void foldCase(char* text, size_t length);
