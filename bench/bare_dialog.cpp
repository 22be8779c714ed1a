// The yardstick for the launcher's start-up: the barest dialog program, a modal
// dialog of the launcher's size from an in-memory template, painted with one colour.
#include <windows.h>

namespace {

INT_PTR CALLBACK procedure(HWND window, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG: {
        RECT frame = {0, 0, 480, 370};
        AdjustWindowRectEx(&frame, WS_POPUP | WS_DLGFRAME, FALSE, WS_EX_CLIENTEDGE);
        int w = frame.right - frame.left, h = frame.bottom - frame.top;
        SetWindowPos(window, nullptr, (GetSystemMetrics(SM_CXSCREEN) - w) / 2,
                     (GetSystemMetrics(SM_CYSCREEN) - h) / 2, w, h, SWP_NOZORDER);
        return TRUE;
    }
    case WM_ERASEBKGND: {
        RECT area;
        GetClientRect(window, &area);
        HBRUSH brush = CreateSolidBrush(RGB(200, 40, 40));
        FillRect(reinterpret_cast<HDC>(wParam), &area, brush);
        DeleteObject(brush);
        SetWindowLongPtrA(window, DWLP_MSGRESULT, 1);
        return TRUE;
    }
    case WM_COMMAND:
        if (LOWORD(wParam) == IDCANCEL) EndDialog(window, 0);
        return TRUE;
    default:
        return FALSE;
    }
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    struct {
        DLGTEMPLATE header;
        WORD menu, windowClass, title;
    } dialog = {};
    dialog.header.style = WS_POPUP | WS_VISIBLE | DS_MODALFRAME;
    dialog.header.dwExtendedStyle = WS_EX_CLIENTEDGE;
    dialog.header.cx = 100;
    dialog.header.cy = 100;
    DialogBoxIndirectParamA(instance, &dialog.header, nullptr, procedure, 0);
    return 0;
}
