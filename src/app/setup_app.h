// The application object: start-up, mode selection and the one modal dialog that
// is the whole life of the program.
#pragma once
#include <windows.h>

class SetupApp {
public:
    SetupApp(HINSTANCE instance, const char* commandTail)
        : instance_(instance), commandTail_(commandTail) {}
    // Runs the program. Always 0: the process ends when it returns.
    int initInstance();

private:
    HINSTANCE instance_;
    const char* commandTail_;
};
