// vxdriver.exe: how the end-to-end tests on the Linux side reach the program's windows.
// Commands run in order, each printing one line ("error: ..." ends the run with exit 1):
//   find CAPTION CLASS MS ("hwnd pid"), gone HWND MS, text|click|enabled|pos HWND ID,
//   rect HWND ID (screen "x y width height"; ID 0: the client area), post HWND MSG WPARAM
//   LPARAM, settext HWND ID UTF-8, cwd PID, watch MS COMMANDLINE ("exit=N windows=K": the
//   visible windows it showed), access HWND ("name|role|state;..." as a screen reader
//   reads them), clipped HWND DPI (texts that do not fit their control in the dialog font).
#include <windows.h>
#include <commctrl.h>
#include <oleacc.h>
#include <stdio.h>
#include <stdlib.h>

#include <functional>
#include <set>
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

typedef std::pair<DWORD, std::set<HWND>> Seen;  // a process and the visible windows it showed

BOOL CALLBACK collectVisible(HWND window, LPARAM context) {
    Seen* seen = reinterpret_cast<Seen*>(context);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == seen->first && IsWindowVisible(window)) seen->second.insert(window);
    return TRUE;
}

std::string watch(DWORD timeoutMs, std::string commandLine) {
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return "error: cannot start " + commandLine;
    Seen seen = {process.dwProcessId, {}};
    bool ended = waitFor(timeoutMs, [&] {
        EnumWindows(collectVisible, reinterpret_cast<LPARAM>(&seen));
        return WaitForSingleObject(process.hProcess, 2) == WAIT_OBJECT_0;
    });
    DWORD exitCode = 0;
    GetExitCodeProcess(process.hProcess, &exitCode);
    return (ended ? "exit=" + std::to_string(exitCode) : "running") + " windows=" + std::to_string(seen.second.size());
}

std::string accessible(HWND window) {
    IAccessible* object = nullptr;
    CoInitialize(nullptr);
    if (FAILED(AccessibleObjectFromWindow(window, static_cast<DWORD>(OBJID_CLIENT), IID_IAccessible,
                                          reinterpret_cast<void**>(&object))))
        return "error: no accessible object";
    LONG count = 0;
    object->get_accChildCount(&count);
    std::string line;
    for (LONG id = 1; id <= count; ++id) {
        VARIANT child = {}, role = {}, state = {};
        child.vt = VT_I4;
        child.lVal = id;
        BSTR name = nullptr;
        object->get_accName(child, &name);
        object->get_accRole(child, &role);
        object->get_accState(child, &state);
        char narrow[512] = {};
        WideCharToMultiByte(CP_ACP, 0, name ? name : L"", -1, narrow, sizeof narrow, nullptr, nullptr);
        line += (id > 1 ? ";" : "") + std::string(narrow) + "|" + std::to_string(role.lVal) + "|" +
                std::to_string(state.lVal);
        SysFreeString(name);
    }
    return line;
}

// The dialogs' font, made here: a font handle of another process means nothing in this one.
HFONT dialogFont;

BOOL CALLBACK collectClipped(HWND control, LPARAM context) {
    char kind[32] = {}, label[512] = {};
    GetClassNameA(control, kind, sizeof kind);
    GetWindowTextA(control, label, sizeof label);
    LONG style = GetWindowLongA(control, GWL_STYLE);
    bool button = lstrcmpiA(kind, "Button") == 0, group = button && (style & BS_TYPEMASK) == BS_GROUPBOX;
    if (!label[0] || !(button || lstrcmpiA(kind, "Static") == 0) || (!button && (style & SS_TYPEMASK) == SS_ICON))
        return TRUE;
    RECT area = {};
    GetClientRect(control, &area);
    // Push buttons keep a border and a little space each side; a group box's title
    // starts after a short stretch of its frame.
    LONG room = area.right - (button ? GetSystemMetrics(SM_CXEDGE) * 4 + (group ? 8 : 0) : 0);
    HDC dc = GetDC(control);
    HGDIOBJ old = SelectObject(dc, dialogFont);
    RECT needed = {0, 0, room, 0};
    DrawTextA(dc, label, -1, &needed, DT_CALCRECT | DT_WORDBREAK | (button && !group ? DT_SINGLELINE : 0));
    SelectObject(dc, old);
    ReleaseDC(control, dc);
    std::string* out = reinterpret_cast<std::string*>(context);
    if (needed.right > room || (!group && needed.bottom > area.bottom)) *out += (out->empty() ? "" : ";") + std::string(label);
    return TRUE;
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
        {"watch", 2, [&] { return watch(number(0), argv[i + 1]); }},
        {"access", 1, [&] { return accessible(window(0)); }},
        {"clipped", 2, [&] {
            dialogFont = CreateFontA(-MulDiv(8, static_cast<int>(number(1)), 72), 0, 0, 0, FW_NORMAL, FALSE, FALSE,
                                     FALSE, DEFAULT_CHARSET, 0, 0, 0, 0, "MS Shell Dlg");
            std::string out;
            EnumChildWindows(window(0), collectClipped, reinterpret_cast<LPARAM>(&out));
            return out;
        }},
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
