// The small dialog framework every screen is built on: a modal run from a template,
// owned by the window that is active; the caption set when it opens; Enter and Escape
// that do nothing unless a screen opts in; and message dispatch to the screen.
#pragma once
#include <windows.h>

class Dialog {
public:
    // The caption is set when the dialog opens: the templates leave it empty.
    Dialog(int templateId, const char* caption) : templateId_(templateId), caption_(caption) {}
    Dialog(const Dialog&) = delete;
    Dialog& operator=(const Dialog&) = delete;
    virtual ~Dialog() = default;

    // Runs the dialog modally, owned by the active window of this thread (which is
    // disabled meanwhile), and returns the value given to endDialog (-1 when the
    // dialog could not be created).
    INT_PTR runModal();
    // The same, owned by the given window.
    INT_PTR runModal(HWND owner);
    HWND window() const { return window_; }

    // The module whose resources hold the templates.
    static HINSTANCE resourceModule();

protected:
    // WM_INITDIALOG, after the caption is set; TRUE lets the dialog manager set the focus.
    virtual BOOL onInitDialog() { return TRUE; }
    // Enter, and Escape (or the close command). None of these screens may be ended by
    // a stray key, so both do nothing unless a screen overrides them.
    virtual void onOK() {}
    virtual void onCancel() {}
    // A WM_COMMAND other than IDOK and IDCANCEL. true when handled.
    virtual bool onCommand(int id, int notification, HWND control) {
        (void)id; (void)notification; (void)control;
        return false;
    }
    // Any other message; set *result and return true when handled.
    virtual bool onMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR* result) {
        (void)message; (void)wParam; (void)lParam; (void)result;
        return false;
    }

    void endDialog(INT_PTR result) { EndDialog(window_, result); }
    // Moves the focus to a push button (WM_NEXTDLGCTL) without making it the default
    // button: the dialog manager would otherwise press it on Enter, and in these
    // dialogs Enter does nothing.
    void focusButton(HWND button);
    HWND control(int id) const { return GetDlgItem(window_, id); }

private:
    static INT_PTR CALLBACK dialogProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR dispatch(UINT message, WPARAM wParam, LPARAM lParam);

    int templateId_;
    const char* caption_;
    HWND window_ = nullptr;
};

// A message box owned by the asking window, under the program's notice caption.
int showNotice(HWND owner, const char* text, UINT type);
extern const char* const NoticeCaption;
