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

// Windows looks for a DLL that is not one of its known DLLs in the program's own folder
// first: a DLL of the same name beside a copied setup.exe (a folder the CD was copied to,
// a Downloads folder) would run inside an administrator's process. So every other system
// DLL is loaded by its full path in the system folder.
// The system's DLL name loaded by that path, with a reference of its own the caller frees;
// null when the system has none.
HMODULE loadSystemLibrary(const char* name);
// The same DLL loaded once and kept for the life of the process (an accessible object may
// be handed out again and again, a sound plays on after its call returns).
HMODULE keptSystemLibrary(const char* name);

// The entry name of the kept system DLL dll, or null when the system lacks either.
template <typename Function>
Function keptLibraryEntry(const char* dll, const char* name) {
    HMODULE module = keptSystemLibrary(dll);
    if (module == nullptr) return nullptr;
    return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}
