// vxdriver.exe: how the end-to-end tests on the Linux side reach the program's windows.
// Commands run in order, each printing one line ("error: ..." ends the run with exit 1):
//   find CAPTION CLASS MS ("hwnd pid"), gone HWND MS, text|click|enabled|pos HWND ID,
//   rect HWND ID (screen "x y width height"; ID 0: the client area), post HWND MSG WPARAM
//   LPARAM, settext HWND ID UTF-8, cwd PID (the current directory of a process).
#include <windows.h>
#include <commctrl.h>
#include <stdio.h>
#include <stdlib.h>

#include <functional>
#include <string>

namespace {

bool waitFor(DWORD timeoutMs, const std::function<bool()>& condition) {
    DWORD start = GetTickCount();
    while (!condition())
        if (GetTickCount() - start > timeoutMs) return false;
        else Sleep(5);
    return true;
}

std::string text(HWND window) {
    char buffer[2048] = {};  // through a time-out: a hung window gives no text and fails the test
    SendMessageTimeoutA(window, WM_GETTEXT, sizeof buffer, reinterpret_cast<LPARAM>(buffer), SMTO_ABORTIFHUNG, 5000,
                        nullptr);
    return buffer;
}

std::string currentDirectory(DWORD processId) {
    typedef LONG(WINAPI * Query)(HANDLE, int, void*, ULONG, ULONG*);
    Query query = reinterpret_cast<Query>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQueryInformationProcess")));
    HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, processId);
    ULONG_PTR basic[6] = {};  // exit status, PEB address, ...
    char* parameters = nullptr;
    struct { USHORT length, maximum; WCHAR* buffer; } path = {};
    WCHAR wide[1024] = {};
    char narrow[1024] = {};
    // 32-bit layout: PEB+0x10 is the process parameters, whose current directory (a
    // UNICODE_STRING) is at +0x24.
    if (process && query(process, 0, basic, sizeof basic, nullptr) == 0 &&
        ReadProcessMemory(process, reinterpret_cast<char*>(basic[1]) + 0x10, &parameters, sizeof parameters, nullptr) &&
        ReadProcessMemory(process, parameters + 0x24, &path, sizeof path, nullptr) && path.length < sizeof wide &&
        ReadProcessMemory(process, path.buffer, wide, path.length, nullptr))
        WideCharToMultiByte(CP_ACP, 0, wide, path.length / 2, narrow, sizeof narrow - 1, nullptr, nullptr);
    CloseHandle(process);
    return narrow;
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
        {"enabled", 2, [&] { return std::to_string(IsWindowEnabled(control())); }},
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
        {"post", 4, [&] { return std::to_string(PostMessageA(window(0), number(1), number(2), number(3))); }},
        {"settext", 3, [&] {
            wchar_t wide[1024] = {};
            MultiByteToWideChar(CP_UTF8, 0, argv[i + 2], -1, wide, 1024);
            return std::to_string(SendMessageW(control(), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(wide)));
        }},
        {"cwd", 1, [&] { return currentDirectory(number(0)); }},
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
