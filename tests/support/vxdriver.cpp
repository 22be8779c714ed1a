// vxdriver.exe: the window driver as a command for the end-to-end tests, which run
// on the Linux side and reach Windows windows through it. Commands run in order,
// each printing one line; a failed one prints "error: ..." and ends with exit 1.
//   find CAPTION CLASS PID TIMEOUT_MS   hwnd and process id of a visible top-level window ("*": any)
//   notice PID TIMEOUT_MS               hwnd of a "Vorlex Setup Notice" message box
//   text HWND ID                        text of a control (ID 0: the window itself)
//   click HWND ID                       posts BM_CLICK
//   enabled HWND ID | visible HWND ID   1 or 0
//   pos HWND ID | range HWND ID         progress bar position, or "low high"
//   focus HWND                          id of the control with the focus
//   cwd PID                             current directory of a process
//   gone HWND TIMEOUT_MS                waits until the window is destroyed
//   client HWND                         client area in screen coordinates: x y width height
//   rect HWND ID                        a control's rectangle in screen coordinates: x y width height
//   style HWND                          style and extended style in hex
//   hide HWND                           hides a window
//   post HWND MSG WPARAM LPARAM         posts a message (numbers in decimal or 0x hex)
//   pixel HWND X Y                      the colour the window itself holds at a client point, rrggbb
//   key HWND VK                         presses a key (decimal virtual-key code) in the window
//                                       of that thread that has the focus
//   watch TIMEOUT_MS COMMANDLINE        starts a process and reports "exit=N windows=K",
//                                       K being the visible windows it showed while it ran
//   settext HWND ID TEXT                sets a control's text through the wide API (TEXT in UTF-8),
//                                       as typing or pasting any character would
//   access HWND                         the window's accessible children, as a screen reader
//                                       gets them: "name|role|state" for each, joined by ";"
//   clipped HWND DPI                    texts of the dialog's buttons and statics that do not
//                                       fit their control in the dialogs' font (8-point MS Shell
//                                       Dlg at DPI dots per inch), joined by ";"
#include <windows.h>
#include <oleacc.h>
#include <stdio.h>
#include <stdlib.h>

#include <set>
#include <string>

#include "win_driver.h"

namespace {

HWND toWindow(const char* text) {
    return reinterpret_cast<HWND>(static_cast<ULONG_PTR>(strtoul(text, nullptr, 0)));
}

const char* anyOr(const char* text) {
    return strcmp(text, "*") == 0 ? nullptr : text;
}

struct WatchState {
    DWORD processId;
    std::set<HWND>* seen;
};

BOOL CALLBACK collectWindows(HWND window, LPARAM context) {
    WatchState* state = reinterpret_cast<WatchState*>(context);
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    if (processId == state->processId && IsWindowVisible(window)) state->seen->insert(window);
    return TRUE;
}

int watch(DWORD timeoutMs, const char* commandLine) {
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    std::string line = commandLine;
    if (!CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
        printf("error: cannot start %s (%lu)\n", commandLine, GetLastError());
        return 1;
    }
    std::set<HWND> seen;
    WatchState state = {process.dwProcessId, &seen};
    DWORD start = GetTickCount();
    DWORD status = WAIT_TIMEOUT;
    while (status == WAIT_TIMEOUT && GetTickCount() - start < timeoutMs) {
        EnumWindows(collectWindows, reinterpret_cast<LPARAM>(&state));
        status = WaitForSingleObject(process.hProcess, 2);
    }
    DWORD exitCode = 0;
    GetExitCodeProcess(process.hProcess, &exitCode);
    if (status == WAIT_TIMEOUT) printf("running windows=%u\n", static_cast<unsigned>(seen.size()));
    else printf("exit=%lu windows=%u\n", exitCode, static_cast<unsigned>(seen.size()));
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return 0;
}

std::string narrow(BSTR text) {
    char out[512] = {};
    if (text) WideCharToMultiByte(CP_ACP, 0, text, -1, out, sizeof out, nullptr, nullptr);
    return out;
}

int accessibleChildren(HWND window) {
    IAccessible* object = nullptr;
    CoInitialize(nullptr);
    if (FAILED(AccessibleObjectFromWindow(window, static_cast<DWORD>(OBJID_CLIENT), IID_IAccessible,
                                          reinterpret_cast<void**>(&object)))) {
        printf("error: no accessible object\n");
        return 1;
    }
    LONG count = 0;
    object->get_accChildCount(&count);
    std::string line;
    for (LONG id = 1; id <= count; ++id) {
        VARIANT child = {};
        child.vt = VT_I4;
        child.lVal = id;
        BSTR name = nullptr;
        VARIANT role = {}, state = {};
        object->get_accName(child, &name);
        object->get_accRole(child, &role);
        object->get_accState(child, &state);
        char entry[600];
        snprintf(entry, sizeof entry, "%s%s|%ld|0x%lx", id > 1 ? ";" : "", narrow(name).c_str(), role.lVal, state.lVal);
        line += entry;
        SysFreeString(name);
    }
    object->Release();
    printf("%s\n", line.c_str());
    return 0;
}

// The dialogs' font, made here: a font handle of another process means nothing in this one.
HFONT dialogFont;

// A button's or a static's text that the control cannot show whole in the dialogs' font.
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
        if (!out->empty()) *out += ";";
        *out += text;
    }
    return TRUE;
}

}  // namespace

int main(int argc, char** argv) {
    int i = 1;
    auto need = [&](int count) {
        if (i + count >= argc + 1) {
            printf("error: %s needs %d arguments\n", argv[i - 1], count);
            exit(2);
        }
    };
    while (i < argc) {
        std::string command = argv[i++];
        if (command == "find") {
            need(4);
            driver::WindowQuery query;
            query.caption = anyOr(argv[i]);
            query.className = anyOr(argv[i + 1]);
            query.processId = strtoul(argv[i + 2], nullptr, 0);
            HWND window = driver::waitForWindow(query, strtoul(argv[i + 3], nullptr, 0));
            i += 4;
            if (window == nullptr) {
                printf("error: no such window\n");
                return 1;
            }
            DWORD processId = 0;
            GetWindowThreadProcessId(window, &processId);
            printf("%lu %lu\n", static_cast<unsigned long>(reinterpret_cast<ULONG_PTR>(window)), processId);
        } else if (command == "notice") {
            need(2);
            HWND box = driver::waitForNotice(strtoul(argv[i], nullptr, 0), strtoul(argv[i + 1], nullptr, 0));
            i += 2;
            if (box == nullptr) {
                printf("error: no message box\n");
                return 1;
            }
            printf("%lu\n", static_cast<unsigned long>(reinterpret_cast<ULONG_PTR>(box)));
        } else if (command == "text") {
            need(2);
            HWND window = toWindow(argv[i]);
            int id = atoi(argv[i + 1]);
            i += 2;
            printf("%s\n", id == 0 ? driver::windowText(window).c_str() : driver::controlText(window, id).c_str());
        } else if (command == "click") {
            need(2);
            driver::clickControl(toWindow(argv[i]), atoi(argv[i + 1]));
            i += 2;
            printf("ok\n");
        } else if (command == "enabled" || command == "visible") {
            need(2);
            HWND window = toWindow(argv[i]);
            int id = atoi(argv[i + 1]);
            i += 2;
            bool on = command == "enabled" ? driver::controlEnabled(window, id) : driver::controlVisible(window, id);
            printf("%d\n", on ? 1 : 0);
        } else if (command == "pos") {
            need(2);
            printf("%d\n", driver::progressPosition(toWindow(argv[i]), atoi(argv[i + 1])));
            i += 2;
        } else if (command == "range") {
            need(2);
            int low = 0, high = 0;
            driver::progressRange(toWindow(argv[i]), atoi(argv[i + 1]), &low, &high);
            i += 2;
            printf("%d %d\n", low, high);
        } else if (command == "focus") {
            need(1);
            printf("%d\n", driver::focusedControlId(toWindow(argv[i++])));
        } else if (command == "cwd") {
            need(1);
            printf("%s\n", driver::processCurrentDirectory(strtoul(argv[i++], nullptr, 0)).c_str());
        } else if (command == "gone") {
            need(2);
            bool gone = driver::waitUntilGone(toWindow(argv[i]), strtoul(argv[i + 1], nullptr, 0));
            i += 2;
            printf("%d\n", gone ? 1 : 0);
        } else if (command == "client") {
            need(1);
            HWND window = toWindow(argv[i++]);
            RECT area = {};
            GetClientRect(window, &area);
            POINT origin = {0, 0};
            ClientToScreen(window, &origin);
            printf("%ld %ld %ld %ld\n", origin.x, origin.y, area.right, area.bottom);
        } else if (command == "rect") {
            need(2);
            HWND control = GetDlgItem(toWindow(argv[i]), atoi(argv[i + 1]));
            i += 2;
            RECT area = {};
            GetWindowRect(control, &area);
            printf("%ld %ld %ld %ld\n", area.left, area.top, area.right - area.left, area.bottom - area.top);
        } else if (command == "hide") {
            need(1);
            ShowWindow(toWindow(argv[i++]), SW_HIDE);
            printf("ok\n");
        } else if (command == "post") {
            need(4);
            PostMessageA(toWindow(argv[i]), static_cast<UINT>(strtoul(argv[i + 1], nullptr, 0)),
                         static_cast<WPARAM>(strtoul(argv[i + 2], nullptr, 0)),
                         static_cast<LPARAM>(strtoul(argv[i + 3], nullptr, 0)));
            i += 4;
            printf("ok\n");
        } else if (command == "pixel") {
            need(3);
            HWND window = toWindow(argv[i]);
            HDC dc = GetDC(window);
            COLORREF colour = GetPixel(dc, atoi(argv[i + 1]), atoi(argv[i + 2]));
            ReleaseDC(window, dc);
            i += 3;
            printf("%02x%02x%02x\n", GetRValue(colour), GetGValue(colour), GetBValue(colour));
        } else if (command == "style") {
            need(1);
            HWND window = toWindow(argv[i++]);
            printf("%08lx %08lx\n", static_cast<unsigned long>(GetWindowLongA(window, GWL_STYLE)),
                   static_cast<unsigned long>(GetWindowLongA(window, GWL_EXSTYLE)));
        } else if (command == "key") {
            need(2);
            driver::pressKey(toWindow(argv[i]), static_cast<WPARAM>(atoi(argv[i + 1])));
            i += 2;
            printf("ok\n");
        } else if (command == "settext") {
            need(3);
            wchar_t wide[1024] = {};
            MultiByteToWideChar(CP_UTF8, 0, argv[i + 2], -1, wide, 1024);
            SendMessageW(GetDlgItem(toWindow(argv[i]), atoi(argv[i + 1])), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(wide));
            i += 3;
            printf("ok\n");
        } else if (command == "access") {
            need(1);
            if (accessibleChildren(toWindow(argv[i++])) != 0) return 1;
        } else if (command == "clipped") {
            need(2);
            HWND dialog = toWindow(argv[i]);
            dialogFont = CreateFontA(-MulDiv(8, atoi(argv[i + 1]), 72), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE,
                                     DEFAULT_CHARSET, 0, 0, 0, 0, "MS Shell Dlg");
            i += 2;
            std::string clipped;
            EnumChildWindows(dialog, collectClipped, reinterpret_cast<LPARAM>(&clipped));
            DeleteObject(dialogFont);
            printf("%s\n", clipped.c_str());
        } else if (command == "watch") {
            need(2);
            DWORD timeout = strtoul(argv[i], nullptr, 0);
            const char* line = argv[i + 1];
            i += 2;
            if (watch(timeout, line) != 0) return 1;
        } else {
            printf("error: unknown command %s\n", command.c_str());
            return 2;
        }
        fflush(stdout);
    }
    return 0;
}
