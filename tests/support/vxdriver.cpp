// vxdriver.exe: how the end-to-end tests, on the Linux side, reach the program's
// windows. Commands run in order, each printing one line; a failed one prints
// "error: ..." and ends with exit 1. Every wait has a time limit, so a missing window
// fails a test instead of hanging it.
//   find CAPTION CLASS TIMEOUT_MS   hwnd and process id of a visible top-level window (CLASS "*": any)
//   notice TIMEOUT_MS               hwnd of a "Vorlex Setup Notice" message box
//   text HWND ID                    text of a control (ID 0: the window itself)
//   click HWND ID                   posts BM_CLICK
//   enabled HWND ID                 1 or 0
//   pos HWND ID                     progress bar position
//   cwd PID                         current directory of a process
//   gone HWND TIMEOUT_MS            1 once the window is destroyed
//   client HWND | rect HWND ID      client area or control in screen coordinates: x y width height
//   post HWND MSG WPARAM LPARAM     posts a message
//   settext HWND ID TEXT            sets a control's text through the wide API (TEXT in UTF-8)
//   watch TIMEOUT_MS COMMANDLINE    starts a process: "exit=N windows=K", K the visible windows it showed
//   access HWND                     the accessible children as a screen reader gets them: "name|role|state;..."
//   clipped HWND DPI                texts of buttons and statics that do not fit their control in
//                                   8-point MS Shell Dlg at DPI dots per inch, joined by ";"
#include <windows.h>
#include <commctrl.h>
#include <oleacc.h>
#include <stdio.h>
#include <stdlib.h>

#include <functional>
#include <set>
#include <string>

namespace {

bool waitFor(const std::function<bool()>& condition, DWORD timeoutMs) {
    DWORD start = GetTickCount();
    while (!condition()) {
        if (GetTickCount() - start > timeoutMs) return false;
        Sleep(5);
    }
    return true;
}

struct Search {
    const char* caption;
    const char* className;
    HWND found;
};

BOOL CALLBACK matchWindow(HWND window, LPARAM context) {
    Search* search = reinterpret_cast<Search*>(context);
    // The stored caption and class, read without a message: a window that does not
    // answer must not hold up the search.
    char caption[512] = {}, className[64] = {};
    GetWindowTextA(window, caption, sizeof caption);
    GetClassNameA(window, className, sizeof className);
    if (!IsWindowVisible(window) || strcmp(caption, search->caption) != 0 ||
        (strcmp(search->className, "*") != 0 && strcmp(className, search->className) != 0))
        return TRUE;
    search->found = window;
    return FALSE;
}

HWND waitForWindow(const char* caption, const char* className, DWORD timeoutMs) {
    Search search = {caption, className, nullptr};
    waitFor([&] {
        EnumWindows(matchWindow, reinterpret_cast<LPARAM>(&search));
        return search.found != nullptr;
    }, timeoutMs);
    return search.found;
}

std::string windowText(HWND window) {
    char text[2048] = {};
    DWORD_PTR length = 0;
    // Through a time-out, so a hung window fails the test.
    if (!SendMessageTimeoutA(window, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 5000,
                             &length))
        return "<no answer>";
    return text;
}

std::string currentDirectory(DWORD processId) {
    typedef LONG(WINAPI * QueryProcess)(HANDLE, int, void*, ULONG, ULONG*);
    QueryProcess query = reinterpret_cast<QueryProcess>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQueryInformationProcess")));
    HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, processId);
    ULONG_PTR basic[6] = {};  // exit status, PEB address, ...
    char* parameters = nullptr;
    struct { USHORT length, maximum; WCHAR* buffer; } path = {};
    WCHAR text[1024] = {};
    char narrow[1024] = {};
    SIZE_T got = 0;
    // 32-bit layout: PEB+0x10 is the process parameters, whose current directory (a
    // UNICODE_STRING) starts at +0x24.
    if (process && query(process, 0, basic, sizeof basic, nullptr) == 0 &&
        ReadProcessMemory(process, reinterpret_cast<char*>(basic[1]) + 0x10, &parameters, sizeof parameters, &got) &&
        ReadProcessMemory(process, parameters + 0x24, &path, sizeof path, &got) && path.length < sizeof text &&
        ReadProcessMemory(process, path.buffer, text, path.length, &got))
        WideCharToMultiByte(CP_ACP, 0, text, path.length / 2, narrow, sizeof narrow - 1, nullptr, nullptr);
    if (process) CloseHandle(process);
    return narrow;
}

struct Watch {
    DWORD processId;
    std::set<HWND> seen;
};

BOOL CALLBACK collectWindows(HWND window, LPARAM context) {
    Watch* watch = reinterpret_cast<Watch*>(context);
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    if (processId == watch->processId && IsWindowVisible(window)) watch->seen.insert(window);
    return TRUE;
}

std::string watchProcess(DWORD timeoutMs, std::string commandLine) {
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return "error: cannot start " + commandLine;
    Watch watch = {process.dwProcessId, {}};
    bool ended = waitFor([&] {
        EnumWindows(collectWindows, reinterpret_cast<LPARAM>(&watch));
        return WaitForSingleObject(process.hProcess, 2) == WAIT_OBJECT_0;
    }, timeoutMs);
    DWORD exitCode = 0;
    GetExitCodeProcess(process.hProcess, &exitCode);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return (ended ? "exit=" + std::to_string(exitCode) : std::string("running")) +
           " windows=" + std::to_string(watch.seen.size());
}

std::string accessibleChildren(HWND window) {
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
        char entry[600] = {};
        if (name) WideCharToMultiByte(CP_ACP, 0, name, -1, entry, 512, nullptr, nullptr);
        line += (id > 1 ? ";" : "") + std::string(entry) + "|" + std::to_string(role.lVal) + "|" +
                std::to_string(state.lVal);
        SysFreeString(name);
    }
    object->Release();
    return line;
}

// The dialogs' font, made here: a font handle of another process means nothing in this one.
HFONT dialogFont;

BOOL CALLBACK collectClipped(HWND control, LPARAM context) {
    char kind[32] = {}, text[512] = {};
    GetClassNameA(control, kind, sizeof kind);
    GetWindowTextA(control, text, sizeof text);
    LONG style = GetWindowLongA(control, GWL_STYLE);
    bool button = lstrcmpiA(kind, "Button") == 0, label = lstrcmpiA(kind, "Static") == 0;
    if (!(button || label) || text[0] == '\0' || (label && (style & SS_TYPEMASK) == SS_ICON)) return TRUE;
    RECT area = {};
    GetClientRect(control, &area);
    bool group = button && (style & BS_TYPEMASK) == BS_GROUPBOX;
    // Push buttons keep a border and a little space on each side; a group box's title
    // sits after a short stretch of its frame.
    LONG room = area.right - (button ? GetSystemMetrics(SM_CXEDGE) * 4 + (group ? 8 : 0) : 0);
    HDC dc = GetDC(control);
    HGDIOBJ old = SelectObject(dc, dialogFont);
    RECT needed = {0, 0, room, 0};
    DrawTextA(dc, text, -1, &needed, DT_CALCRECT | DT_WORDBREAK | (button && !group ? DT_SINGLELINE : 0));
    SelectObject(dc, old);
    ReleaseDC(control, dc);
    if (needed.right > room || (!group && needed.bottom > area.bottom)) {
        std::string* out = reinterpret_cast<std::string*>(context);
        *out += (out->empty() ? "" : ";") + std::string(text);
    }
    return TRUE;
}

std::string clipped(HWND dialog, int dpi) {
    dialogFont = CreateFontA(-MulDiv(8, dpi, 72), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, 0, 0, 0, 0,
                             "MS Shell Dlg");
    std::string out;
    EnumChildWindows(dialog, collectClipped, reinterpret_cast<LPARAM>(&out));
    DeleteObject(dialogFont);
    return out;
}

std::string rectangle(RECT area) {
    return std::to_string(area.left) + " " + std::to_string(area.top) + " " + std::to_string(area.right - area.left) +
           " " + std::to_string(area.bottom - area.top);
}

}  // namespace

int main(int argc, char** argv) {
    int i = 1;
    auto number = [&](int k) { return strtoul(argv[i + k], nullptr, 0); };
    auto window = [&](int k) { return reinterpret_cast<HWND>(static_cast<ULONG_PTR>(number(k))); };
    auto control = [&] { return GetDlgItem(window(0), static_cast<int>(number(1))); };
    auto handle = [](HWND found) {
        return found ? std::to_string(reinterpret_cast<ULONG_PTR>(found)) : std::string("error: no such window");
    };
    const struct {
        const char* name;
        int arguments;
        std::function<std::string()> run;
    } commands[] = {
        {"find", 3, [&] {
            HWND found = waitForWindow(argv[i], argv[i + 1], number(2));
            DWORD processId = 0;
            GetWindowThreadProcessId(found, &processId);
            return handle(found) + (found ? " " + std::to_string(processId) : "");
        }},
        {"notice", 1, [&] { return handle(waitForWindow("Vorlex Setup Notice", "#32770", number(0))); }},
        {"text", 2, [&] { return windowText(number(1) ? control() : window(0)); }},
        {"click", 2, [&] { return std::to_string(PostMessageA(control(), BM_CLICK, 0, 0)); }},
        {"enabled", 2, [&] { return std::to_string(IsWindowEnabled(control()) ? 1 : 0); }},
        {"pos", 2, [&] { return std::to_string(SendMessageA(control(), PBM_GETPOS, 0, 0)); }},
        {"cwd", 1, [&] { return currentDirectory(number(0)); }},
        {"gone", 2, [&] { return std::to_string(waitFor([&] { return !IsWindow(window(0)); }, number(1))); }},
        {"client", 1, [&] {
            RECT area = {};
            GetClientRect(window(0), &area);
            MapWindowPoints(window(0), nullptr, reinterpret_cast<POINT*>(&area), 2);
            return rectangle(area);
        }},
        {"rect", 2, [&] {
            RECT area = {};
            GetWindowRect(control(), &area);
            return rectangle(area);
        }},
        {"post", 4, [&] { return std::to_string(PostMessageA(window(0), number(1), number(2), number(3))); }},
        {"settext", 3, [&] {
            wchar_t wide[1024] = {};
            MultiByteToWideChar(CP_UTF8, 0, argv[i + 2], -1, wide, 1024);
            return std::to_string(SendMessageW(control(), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(wide)));
        }},
        {"watch", 2, [&] { return watchProcess(number(0), argv[i + 1]); }},
        {"access", 1, [&] { return accessibleChildren(window(0)); }},
        {"clipped", 2, [&] { return clipped(window(0), static_cast<int>(number(1))); }},
    };
    while (i < argc) {
        std::string name = argv[i++], out = "error: unknown command or too few arguments: " + name;
        for (const auto& command : commands) {
            if (name == command.name && i + command.arguments <= argc) {
                out = command.run();
                i += command.arguments;
            }
        }
        printf("%s\n", out.c_str());
        fflush(stdout);
        if (out.rfind("error:", 0) == 0) return 1;
    }
    return 0;
}
