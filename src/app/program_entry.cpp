// The process entry of the program's executables, in place of the C runtime's
// start-up code (see runtime.cpp for why there is none).
#include <windows.h>

#include <stddef.h>

extern "C" {

// Windows starts a program with the stack aligned to 4 bytes only.
__attribute__((force_align_arg_pointer)) void WinMainCRTStartup() {
    // Constructors of objects with static storage, should any be added: the linker
    // lists them between a -1 and a 0, and they run from the last to the first.
    typedef void (*Constructor)();
    extern Constructor __CTOR_LIST__[];
    size_t count = 0;
    while (__CTOR_LIST__[count + 1] != nullptr) ++count;
    while (count > 0) __CTOR_LIST__[count--]();
    ExitProcess(static_cast<UINT>(WinMain(GetModuleHandleA(nullptr), nullptr, GetCommandLineA(), SW_SHOWDEFAULT)));
}

}  // extern "C"
