// Replaces the import pointer of one system function inside the test process, so a
// test can inject a fault Wine cannot produce on demand (or count the calls). The
// product calls through the same pointer, so it sees the replacement. Restored when
// the patch goes out of scope.
#pragma once
#include <windows.h>

// IMPORT_SLOT(PlaySoundA, 12) declares PlaySoundA_slot, the pointer behind
// __imp__PlaySoundA@12 (the number is the stdcall argument size in bytes).
#define IMPORT_SLOT(name, bytes) extern "C" void* name##_slot __asm__("__imp__" #name "@" #bytes)

class ImportPatch {
public:
    ImportPatch(void** slot, void* replacement) : slot_(slot) {
        DWORD old = 0;
        VirtualProtect(slot_, sizeof *slot_, PAGE_READWRITE, &old);
        original_ = *slot_;
        *slot_ = replacement;
    }
    ImportPatch(const ImportPatch&) = delete;
    ImportPatch& operator=(const ImportPatch&) = delete;
    ~ImportPatch() { *slot_ = original_; }
    void* original() const { return original_; }

private:
    void** slot_;
    void* original_;
};
