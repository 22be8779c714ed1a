// Registry text values (see registry_text.h).
#include "app/registry_text.h"

#include "app/bounded_format.h"

int queryRegistryText(HKEY key, const char* name, char* buffer) {
    DWORD size = TextBufferSize;
    LONG status = RegQueryValueExA(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(buffer), &size);
    if (status == ERROR_SUCCESS && size > 0 && buffer[size - 1] != '\0') {
        if (size >= TextBufferSize) status = ERROR_MORE_DATA;
        else buffer[size] = '\0';
    }
    if (status != ERROR_SUCCESS) {
        buffer[0] = '\0';
        return 0;
    }
    if (size == 0) buffer[0] = '\0';
    return 1;
}
