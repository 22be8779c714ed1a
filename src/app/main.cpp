// Process entry of setup.exe.
#include <windows.h>

#include "app/command_line.h"
#include "app/setup_app.h"
#include "app/system_text.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    SetupApp app(instance, commandLineTail(GetCommandLineA(), systemLeadByte));
    return app.initInstance();
}
