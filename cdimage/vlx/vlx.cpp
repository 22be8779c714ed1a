// The demo game that stands in for Vorlex on the demo CD. It opens a window titled
// "Vorlex", writes the folder it was started in and the program that started it to
// "vlxstart.txt" in that folder (so a test can see where and by which route Play
// started it: the desktop's shell or setup itself) and, started with "grab" on its command
// line, leaves a "scrngrab.bmp" there as the real game may. Like the real game it
// keeps its archive "filesys.dat" open while it runs, so the archive is in use.
#include <windows.h>
#include <string.h>
#include <tlhelp32.h>

namespace {

void writeFile(const char* name, const void* data, DWORD size) {
    HANDLE file = CreateFileA(name, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    WriteFile(file, data, size, &written, nullptr);
    CloseHandle(file);
}

// A tiny 8 x 8 black bitmap: enough for the uninstaller to have something to remove.
void leaveScreenGrab() {
    unsigned char image[14 + 40 + 8 * 8 * 3] = {};
    image[0] = 'B';
    image[1] = 'M';
    *reinterpret_cast<DWORD*>(image + 2) = sizeof image;
    *reinterpret_cast<DWORD*>(image + 10) = 54;
    BITMAPINFOHEADER* header = reinterpret_cast<BITMAPINFOHEADER*>(image + 14);
    header->biSize = 40;
    header->biWidth = 8;
    header->biHeight = 8;
    header->biPlanes = 1;
    header->biBitCount = 24;
    writeFile("scrngrab.bmp", image, sizeof image);
}

// The file name of the program that started this one, or "?".
void parentName(char* out, size_t size) {
    lstrcpynA(out, "?", static_cast<int>(size));
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return;
    PROCESSENTRY32 entry = {};
    DWORD parent = 0;
    for (int pass = 0; pass < 2; ++pass) {  // this process's entry first, then its parent's
        entry.dwSize = sizeof entry;
        for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry)) {
            if (pass == 0 && entry.th32ProcessID == GetCurrentProcessId()) parent = entry.th32ParentProcessID;
            if (pass == 1 && entry.th32ProcessID == parent) lstrcpynA(out, entry.szExeFile, static_cast<int>(size));
        }
    }
    CloseHandle(snapshot);
}

LRESULT CALLBACK windowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_PAINT: {
        PAINTSTRUCT paint;
        HDC dc = BeginPaint(window, &paint);
        RECT area;
        GetClientRect(window, &area);
        FillRect(dc, &area, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
        SetTextColor(dc, RGB(255, 200, 0));
        SetBkMode(dc, TRANSPARENT);
        DrawTextA(dc, "VORLEX - demo", -1, &area, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
        EndPaint(window, &paint);
        return 0;
    }
    case WM_KEYDOWN:
        if (wParam == VK_ESCAPE) DestroyWindow(window);
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcA(window, message, wParam, lParam);
    }
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int show) {
    char folder[MAX_PATH + 2] = {};
    char parent[MAX_PATH] = {};
    char note[2 * MAX_PATH + 8] = {};
    DWORD length = GetCurrentDirectoryA(MAX_PATH, folder);
    parentName(parent, sizeof parent);
    if (length > 0 && length < MAX_PATH) writeFile("vlxstart.txt", note, wsprintfA(note, "%s\r\n%s\r\n", folder, parent));
    if (strstr(commandLine, "grab") != nullptr) leaveScreenGrab();
    HANDLE archive = CreateFileA("filesys.dat", GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                 FILE_ATTRIBUTE_NORMAL, nullptr);

    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = windowProcedure;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
    windowClass.lpszClassName = "VorlexDemoGame";
    RegisterClassA(&windowClass);
    HWND window = CreateWindowA("VorlexDemoGame", "Vorlex", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                                CW_USEDEFAULT, 320, 200, nullptr, nullptr, instance, nullptr);
    ShowWindow(window, show);
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    if (archive != INVALID_HANDLE_VALUE) CloseHandle(archive);
    return 0;
}
