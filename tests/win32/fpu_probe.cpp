// fpu_probe.exe: started as setup.exe is (its own entry, no C runtime to set the x87), it
// exits with 0 when the formatter's "%.1f" rounds there as the C library's does.
#include <windows.h>

#include "app/bounded_format.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    char text[32];
    return !formatText(text, sizeof text, "%.1f %.1f %.1f", 0.35, 0.05, 0.15) || lstrcmpA(text, "0.3 0.1 0.1") != 0;
}
