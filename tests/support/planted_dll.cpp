// A DLL planted beside a copied setup.exe under a system DLL's name (winmm.dll, oleacc.dll),
// as a browser drops one into a Downloads folder: it exports what setup.exe would take from
// either and, once loaded, leaves "<its own path>.loaded", so a test sees whether it ever ran.
#include <windows.h>

extern "C" {
BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, void*) {
    char path[MAX_PATH + 8] = {};
    if (reason == DLL_PROCESS_ATTACH && GetModuleFileNameA(module, path, MAX_PATH) < MAX_PATH)
        CloseHandle(CreateFileA(lstrcatA(path, ".loaded"), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    return TRUE;
}
__declspec(dllexport) BOOL WINAPI PlaySoundA(const char*, HMODULE, DWORD) { return FALSE; }
__declspec(dllexport) DWORD WINAPI timeGetTime() { return GetTickCount(); }
__declspec(dllexport) LRESULT WINAPI LresultFromObject(const GUID*, WPARAM, void*) { return E_FAIL; }
}
