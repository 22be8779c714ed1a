// Texts in the system's code page (see system_text.h).
#include "app/system_text.h"

#include <windows.h>

#include "app/system_entry.h"

int systemLeadByte(unsigned char byte) {
    return IsDBCSLeadByte(byte) ? 1 : 0;
}

void foldCase(char* text, size_t length) {
    // Every Windows has CharUpperBuffA; it is looked up, not imported, for want of a source
    // on its export by Windows 95's first user32.dll. It keeps a text's length.
    typedef DWORD(WINAPI * UpperEntry)(char*, DWORD);
    UpperEntry upper = systemEntry<UpperEntry>("user32.dll", "CharUpperBuffA");
    if (upper != nullptr) {
        upper(text, static_cast<DWORD>(length));
        return;
    }
    for (size_t i = 0; i < length; ++i) {
        if (systemLeadByte(static_cast<unsigned char>(text[i])) && i + 1 < length) ++i;
        else if (text[i] >= 'a' && text[i] <= 'z') text[i] = static_cast<char>(text[i] - 'a' + 'A');
    }
}
