// The entry of the program's DLLs (the DirectX stand-in), in place of the C
// runtime's start-up code (see runtime.cpp for why there is none).
#include <windows.h>

extern "C" {

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, void* reserved);

__attribute__((force_align_arg_pointer)) BOOL WINAPI DllMainCRTStartup(HINSTANCE instance, DWORD reason,
                                                                       void* reserved) {
    return DllMain(instance, reason, reserved);
}

}  // extern "C"
