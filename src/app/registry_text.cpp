// Registry text values (see registry_text.h).
#include "app/registry_text.h"

#include "app/bounded_format.h"

int queryRegistryText(HKEY key, const char* name, char* buffer) {
    DWORD size = TextBufferSize;
    LONG status = RegQueryValueExA(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(buffer), &size);
    return settleRegistryText(buffer, TextBufferSize, size, status == ERROR_SUCCESS);
}
