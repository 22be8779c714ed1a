// Entries of system DLLs that only later versions of Windows have, looked up at run
// time: an import the loader cannot find stops the program before it starts, so
// whatever Windows 95 as first shipped or NT 4.0 lacks is never imported by name.
#pragma once
#include <windows.h>

// The entry name of the loaded system DLL dll (a DLL the program imports from, so it is
// loaded already), or null when this Windows does not have it.
template <typename Function>
Function systemEntry(const char* dll, const char* name) {
    HMODULE module = GetModuleHandleA(dll);
    if (module == nullptr) return nullptr;
    return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}
