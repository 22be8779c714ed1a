// Registry text values (see registry_text.h).
#include "app/registry_text.h"

#include "app/bounded_format.h"

int queryRegistryText(HKEY key, const char* name, char* buffer) {
    DWORD size = TextBufferSize;
    LONG status = RegQueryValueExA(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(buffer), &size);
    return settleRegistryText(buffer, TextBufferSize, size, status == ERROR_SUCCESS);
}

int openNativeKey(const char* name, REGSAM access, RegKey& key) {
    return RegOpenKeyExA(HKEY_LOCAL_MACHINE, name, 0, access | KEY_WOW64_64KEY, key.out()) == ERROR_SUCCESS ||
                   RegOpenKeyExA(HKEY_LOCAL_MACHINE, name, 0, access, key.out()) == ERROR_SUCCESS
               ? 1
               : 0;
}
