// The small dialog framework every screen is built on: a modal run from a template,
// owned by the window that is active; control binding at initialisation; OK and
// Cancel operations a screen overrides; and message dispatch to the screen.
#pragma once
#include <windows.h>

class Dialog {
public:
    explicit Dialog(int templateId) : templateId_(templateId) {}
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
    // Called first at WM_INITDIALOG: look up the controls the screen keeps.
    virtual void bindControls() {}
    // WM_INITDIALOG after binding; TRUE lets the dialog manager set the focus.
    virtual BOOL onInitDialog() { return TRUE; }
    // Enter and Escape (and the close command). The framework's own answer is to
    // end the dialog, as the platform's dialogs do; screens override them.
    virtual void onOK() { endDialog(IDOK); }
    virtual void onCancel() { endDialog(IDCANCEL); }
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
    HWND window_ = nullptr;
};

// A message box owned by the asking window, under the program's notice caption.
int showNotice(HWND owner, const char* text, UINT type);
extern const char* const NoticeCaption;
