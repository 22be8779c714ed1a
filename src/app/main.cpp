// Process entry of setup.exe.
#include <windows.h>

#include "app/command_line.h"
#include "app/setup_app.h"

namespace {
int isLeadByte(unsigned char byte) {
    return IsDBCSLeadByte(byte) ? 1 : 0;
}
}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    SetupApp app(instance, commandLineTail(GetCommandLineA(), isLeadByte));
    return app.initInstance();
}
