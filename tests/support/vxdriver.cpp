// vxdriver.exe: how the end-to-end tests on the Linux side reach the program's windows.
// Commands run in order, each printing one line ("error: ..." ends the run with exit 1):
//   find CAPTION CLASS MS ("hwnd pid"), gone HWND MS, text|click|pos HWND ID, rect HWND ID
//   (screen "x y width height"; ID 0: the client area), post|send HWND MSG WPARAM LPARAM,
//   run COMMAND MS (its exit code; an error when it showed a window or did not end).
#include <windows.h>
#include <commctrl.h>
#include <stdio.h>
#include <stdlib.h>

#include <functional>
#include <string>

namespace {

bool waitFor(DWORD timeoutMs, const std::function<bool()>& condition) {
    for (DWORD start = GetTickCount(); !condition(); Sleep(5))
        if (GetTickCount() - start > timeoutMs) return false;
    return true;
}

bool windowSeen;

BOOL CALLBACK lookForWindow(HWND window, LPARAM process) {
    DWORD owner = 0;
    windowSeen |= GetWindowThreadProcessId(window, &owner) && owner == static_cast<DWORD>(process) && IsWindowVisible(window);
    return TRUE;
}

std::string text(HWND window) {
    char buffer[2048] = {};  // through a time-out: a hung window gives no text and fails the test
    SendMessageTimeoutA(window, WM_GETTEXT, sizeof buffer, reinterpret_cast<LPARAM>(buffer), SMTO_ABORTIFHUNG, 5000,
                        nullptr);
    return buffer;
}

}  // namespace

int main(int argc, char** argv) {
    int i = 1;
    auto number = [&](int k) { return strtoul(argv[i + k], nullptr, 0); };
    auto window = [&](int k) { return reinterpret_cast<HWND>(static_cast<ULONG_PTR>(number(k))); };
    auto control = [&] { return GetDlgItem(window(0), static_cast<int>(number(1))); };
    const struct {
        const char* name;
        int arguments;
        std::function<std::string()> run;
    } commands[] = {
        {"find", 3, [&] {
            HWND found = nullptr;
            waitFor(number(2), [&] {
                found = FindWindowA(argv[i + 1], argv[i]);
                return found && IsWindowVisible(found);
            });
            DWORD owner = 0;
            GetWindowThreadProcessId(found, &owner);
            return found ? std::to_string(reinterpret_cast<ULONG_PTR>(found)) + " " + std::to_string(owner)
                         : "error: no window " + std::string(argv[i]);
        }},
        {"gone", 2, [&] { return std::to_string(waitFor(number(1), [&] { return !IsWindow(window(0)); })); }},
        {"text", 2, [&] { return text(number(1) ? control() : window(0)); }},
        {"click", 2, [&] { return std::to_string(PostMessageA(control(), BM_CLICK, 0, 0)); }},
        {"pos", 2, [&] { return std::to_string(SendMessageA(control(), PBM_GETPOS, 0, 0)); }},
        {"rect", 2, [&] {
            RECT area = {};
            if (number(1) == 0) {
                GetClientRect(window(0), &area);
                MapWindowPoints(window(0), nullptr, reinterpret_cast<POINT*>(&area), 2);
            } else {
                GetWindowRect(control(), &area);
            }
            return std::to_string(area.left) + " " + std::to_string(area.top) + " " +
                   std::to_string(area.right - area.left) + " " + std::to_string(area.bottom - area.top);
        }},
        {"run", 2, [&] {
            STARTUPINFOA start = {sizeof start, nullptr, nullptr, nullptr, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, nullptr, {}, {}, {}};
            PROCESS_INFORMATION process = {};
            CreateProcessA(nullptr, argv[i], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &start, &process);
            DWORD code = STILL_ACTIVE;
            waitFor(number(1), [&] {
                EnumWindows(lookForWindow, static_cast<LPARAM>(process.dwProcessId));
                return GetExitCodeProcess(process.hProcess, &code) && code != STILL_ACTIVE;
            });
            return windowSeen ? "error: it showed a window" : code == STILL_ACTIVE ? "error: no end" : std::to_string(code);
        }},
        {"post", 4, [&] { return std::to_string(PostMessageA(window(0), number(1), number(2), number(3))); }},
        {"send", 4, [&] { return std::to_string(SendMessageA(window(0), number(1), number(2), number(3))); }},
    };
    while (i < argc) {
        std::string name = argv[i++], out = "error: unknown command or too few arguments: " + name;
        for (const auto& command : commands)
            if (name == command.name && i + command.arguments <= argc) {
                out = command.run();
                i += command.arguments;
                break;
            }
        printf("%s\n", out.c_str());
        fflush(stdout);
        if (out.rfind("error:", 0) == 0) return 1;
    }
    return 0;
}
