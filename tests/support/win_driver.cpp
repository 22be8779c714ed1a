// The test-side window driver (see win_driver.h).
#include "win_driver.h"

#include <commctrl.h>
#include <string.h>

#include <atomic>
#include <thread>

namespace driver {

namespace {

struct Search {
    const WindowQuery* query;
    HWND found;
};

BOOL CALLBACK matchWindow(HWND window, LPARAM context) {
    Search* search = reinterpret_cast<Search*>(context);
    const WindowQuery& query = *search->query;
    if (window == query.exclude || !IsWindowVisible(window)) return TRUE;
    if (query.processId != 0) {
        DWORD processId = 0;
        GetWindowThreadProcessId(window, &processId);
        if (processId != query.processId) return TRUE;
    }
    if (query.className != nullptr) {
        char className[64] = {};
        GetClassNameA(window, className, sizeof className);
        if (strcmp(className, query.className) != 0) return TRUE;
    }
    if (query.caption != nullptr) {
        // The stored caption, read without a message: a window of a process that
        // does not answer must not hold up the search.
        char caption[512] = {};
        GetWindowTextA(window, caption, sizeof caption);
        if (strcmp(caption, query.caption) != 0) return TRUE;
    }
    search->found = window;
    return FALSE;
}

std::atomic<bool> forcedClose{false};

}  // namespace

bool waitFor(const std::function<bool()>& condition, DWORD timeoutMs) {
    DWORD start = GetTickCount();
    for (;;) {
        if (condition()) return true;
        if (GetTickCount() - start > timeoutMs) return false;
        Sleep(5);
    }
}

HWND waitForWindow(const WindowQuery& query, DWORD timeoutMs) {
    Search search = {&query, nullptr};
    waitFor([&] {
        search.found = nullptr;
        EnumWindows(matchWindow, reinterpret_cast<LPARAM>(&search));
        return search.found != nullptr;
    }, timeoutMs);
    return search.found;
}

HWND waitForNotice(DWORD processId, DWORD timeoutMs) {
    WindowQuery query;
    query.caption = "Vorlex Setup Notice";
    query.className = "#32770";
    query.processId = processId;
    return waitForWindow(query, timeoutMs);
}

bool waitUntilGone(HWND window, DWORD timeoutMs) {
    return waitFor([&] { return !IsWindow(window); }, timeoutMs);
}

std::string windowText(HWND window) {
    char text[2048] = {};
    DWORD_PTR length = 0;
    // WM_GETTEXT through a time-out, so a hung window fails the test.
    if (!SendMessageTimeoutA(window, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text),
                             SMTO_ABORTIFHUNG, 5000, &length))
        return "<no answer>";
    return text;
}

std::string controlText(HWND dialog, int id) {
    HWND control = GetDlgItem(dialog, id);
    return control ? windowText(control) : "<no control>";
}

bool controlEnabled(HWND dialog, int id) {
    return IsWindowEnabled(GetDlgItem(dialog, id)) != FALSE;
}

bool controlVisible(HWND dialog, int id) {
    return IsWindowVisible(GetDlgItem(dialog, id)) != FALSE;
}

int progressPosition(HWND dialog, int id) {
    return static_cast<int>(SendMessageA(GetDlgItem(dialog, id), PBM_GETPOS, 0, 0));
}

void progressRange(HWND dialog, int id, int* low, int* high) {
    PBRANGE range = {};
    SendMessageA(GetDlgItem(dialog, id), PBM_GETRANGE, FALSE, reinterpret_cast<LPARAM>(&range));
    *low = range.iLow;
    *high = range.iHigh;
}

void clickControl(HWND dialog, int id) {
    PostMessageA(GetDlgItem(dialog, id), BM_CLICK, 0, 0);
}

std::string noticeText(HWND box) {
    return controlText(box, 0xFFFF);
}

void answerNotice(HWND box, int buttonId) {
    clickControl(box, buttonId);
}

void pressKey(HWND dialog, WPARAM virtualKey) {
    GUITHREADINFO info = {};
    info.cbSize = sizeof info;
    GetGUIThreadInfo(GetWindowThreadProcessId(dialog, nullptr), &info);
    HWND target = info.hwndFocus ? info.hwndFocus : dialog;
    PostMessageA(target, WM_KEYDOWN, virtualKey, 0);
    PostMessageA(target, WM_KEYUP, virtualKey, 0xC0000000);
}

int focusedControlId(HWND dialog) {
    GUITHREADINFO info = {};
    info.cbSize = sizeof info;
    DWORD thread = GetWindowThreadProcessId(dialog, nullptr);
    if (!GetGUIThreadInfo(thread, &info) || info.hwndFocus == nullptr) return 0;
    return GetDlgCtrlID(info.hwndFocus);
}

std::string processCurrentDirectory(DWORD processId) {
    typedef LONG(WINAPI * QueryProcess)(HANDLE, int, void*, ULONG, ULONG*);
    struct BasicInformation {
        LONG exitStatus;
        void* pebAddress;
        ULONG_PTR affinity;
        LONG basePriority;
        ULONG_PTR processId;
        ULONG_PTR parentId;
    };
    QueryProcess query = reinterpret_cast<QueryProcess>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQueryInformationProcess")));
    HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, processId);
    if (query == nullptr || process == nullptr) return "<no process>";
    std::string result = "<unreadable>";
    BasicInformation basic = {};
    ULONG length = 0;
    if (query(process, 0, &basic, sizeof basic, &length) == 0) {
        // 32-bit layout: PEB+0x10 is the process parameters, whose current directory
        // (a UNICODE_STRING) starts at +0x24.
        char* parameters = nullptr;
        struct { USHORT length; USHORT maximum; WCHAR* buffer; } path = {};
        SIZE_T got = 0;
        WCHAR text[1024] = {};
        if (ReadProcessMemory(process, static_cast<char*>(basic.pebAddress) + 0x10, &parameters,
                              sizeof parameters, &got) &&
            ReadProcessMemory(process, parameters + 0x24, &path, sizeof path, &got) &&
            path.length < sizeof text &&
            ReadProcessMemory(process, path.buffer, text, path.length, &got)) {
            char narrow[1024] = {};
            WideCharToMultiByte(CP_ACP, 0, text, path.length / 2, narrow, sizeof narrow - 1, nullptr, nullptr);
            result = narrow;
        }
    }
    CloseHandle(process);
    return result;
}

INT_PTR runModalWithDriver(const std::function<INT_PTR()>& modal, const std::function<void()>& body,
                           DWORD graceMs) {
    DWORD mainThread = GetCurrentThreadId();
    std::atomic<bool> modalEnded{false};
    forcedClose = false;
    std::thread worker([&] {
        body();
        if (!waitFor([&] { return modalEnded.load(); }, graceMs)) {
            forcedClose = true;
            // Ends whatever modal loop runs on the main thread; it re-posts the quit.
            while (!modalEnded.load()) {
                PostThreadMessageA(mainThread, WM_QUIT, 0, 0);
                Sleep(50);
            }
        }
    });
    INT_PTR result = modal();
    modalEnded = true;
    worker.join();
    // Swallow a quit meant for a loop that had already ended.
    MSG message;
    while (PeekMessageA(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
    }
    return result;
}

HWND waitForOwnWindow(const char* caption, DWORD timeoutMs) {
    WindowQuery query;
    query.caption = caption;
    query.processId = GetCurrentProcessId();
    return waitForWindow(query, timeoutMs);
}

INT_PTR runModalAndDrive(const std::function<INT_PTR()>& modal, const char* caption,
                         const std::function<void(HWND)>& drive, DWORD graceMs) {
    return runModalWithDriver(modal, [&] {
        if (!drive) return;
        HWND window = waitForOwnWindow(caption);
        if (window != nullptr) drive(window);
    }, graceMs);
}

bool lastRunWasForced() {
    return forcedClose.load();
}

}  // namespace driver
