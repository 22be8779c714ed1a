// System DLLs loaded by their full path (see system_entry.h).
#include <windows.h>

#include "app/bounded_format.h"
#include "app/path_logic.h"
#include "app/system_text.h"
#include "app/system_entry.h"

namespace {
// "<system folder>\name" into out[TextBufferSize]; 1 when it fits.
int systemLibraryPath(const char* name, char* out) {
    char folder[TextBufferSize] = {};
    UINT length = GetSystemDirectoryA(folder, sizeof folder);
    if (length == 0 || length >= sizeof folder) return 0;
    return joinPath(out, folder, name, systemLeadByte);
}
}  // namespace

HMODULE loadSystemLibrary(const char* name) {
    char path[TextBufferSize] = {};
    if (!systemLibraryPath(name, path)) return nullptr;
    // What the library itself loads is looked for beside it, in the system folder, first.
    // Where the search is already kept to the system folder, a system may refuse that flag:
    // the plain load by the full path then finds the same file.
    HMODULE module = LoadLibraryExA(path, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    return module != nullptr ? module : LoadLibraryA(path);
}

HMODULE keptSystemLibrary(const char* name) {
    char path[TextBufferSize] = {};
    if (!systemLibraryPath(name, path)) return nullptr;
    HMODULE module = GetModuleHandleA(path);  // loaded before: no second reference
    return module != nullptr ? module : loadSystemLibrary(name);
}
