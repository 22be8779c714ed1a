// The dialog framework (see dialog.h).
#include "ui/dialog.h"

const char* const NoticeCaption = "Vorlex Setup Notice";

HINSTANCE Dialog::resourceModule() {
    return GetModuleHandleA(nullptr);
}

INT_PTR Dialog::runModal() {
    // No parent is given: the window the player is working in owns the dialog.
    return runModal(GetActiveWindow());
}

INT_PTR Dialog::runModal(HWND owner) {
    INT_PTR result = DialogBoxParamA(resourceModule(), MAKEINTRESOURCEA(templateId_), owner,
                                     dialogProcedure, reinterpret_cast<LPARAM>(this));
    window_ = nullptr;
    return result;
}

INT_PTR CALLBACK Dialog::dialogProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    Dialog* self;
    if (message == WM_INITDIALOG) {
        self = reinterpret_cast<Dialog*>(lParam);
        SetWindowLongPtrA(window, DWLP_USER, reinterpret_cast<LONG_PTR>(self));
        self->window_ = window;
    } else {
        self = reinterpret_cast<Dialog*>(GetWindowLongPtrA(window, DWLP_USER));
    }
    // Messages before WM_INITDIALOG (WM_SETFONT) find no object yet.
    if (self == nullptr) return FALSE;
    return self->dispatch(message, wParam, lParam);
}

INT_PTR Dialog::dispatch(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG:
        SetWindowTextA(window_, caption_);
        return onInitDialog();
    case WM_COMMAND: {
        int id = LOWORD(wParam);
        if (id == IDOK) {
            onOK();
            return TRUE;
        }
        if (id == IDCANCEL) {
            onCancel();
            return TRUE;
        }
        if (onCommand(id, HIWORD(wParam), reinterpret_cast<HWND>(lParam))) return TRUE;
        break;
    }
    default:
        break;
    }
    INT_PTR result = FALSE;
    if (onMessage(message, wParam, lParam, &result)) {
        // Messages that return a value of their own answer through the return value;
        // all others through DWLP_MSGRESULT.
        switch (message) {
        case WM_CTLCOLORMSGBOX: case WM_CTLCOLOREDIT: case WM_CTLCOLORLISTBOX:
        case WM_CTLCOLORBTN: case WM_CTLCOLORDLG: case WM_CTLCOLORSCROLLBAR:
        case WM_CTLCOLORSTATIC: case WM_COMPAREITEM: case WM_VKEYTOITEM:
        case WM_CHARTOITEM: case WM_QUERYDRAGICON: case WM_INITDIALOG:
            return result;
        default:
            SetWindowLongPtrA(window_, DWLP_MSGRESULT, result);
            return TRUE;
        }
    }
    return FALSE;
}

void Dialog::focusButton(HWND button) {
    SendMessageA(window_, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(button), TRUE);
    SendMessageA(button, BM_SETSTYLE, BS_PUSHBUTTON, TRUE);
    SendMessageA(window_, DM_SETDEFID, IDOK, 0);
}

int showNotice(HWND owner, const char* text, UINT type) {
    return MessageBoxA(owner, text, NoticeCaption, type);
}
