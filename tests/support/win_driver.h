// Drives the program's windows from a test: across threads of the test process or
// across processes. Every wait has a time limit, so a missing window fails a test
// instead of hanging it.
#pragma once
#include <windows.h>

#include <functional>
#include <string>

namespace driver {

struct WindowQuery {
    const char* caption = nullptr;    // exact title, or any
    const char* className = nullptr;  // "#32770" for dialogs and message boxes, or any
    DWORD processId = 0;              // 0: any process
    HWND exclude = nullptr;           // a window not to return (the dialog behind a box)
};

// A visible top-level window that matches, or nullptr after timeoutMs.
HWND waitForWindow(const WindowQuery& query, DWORD timeoutMs = 10000);
// A message box of the program ("Vorlex Setup Notice") of this process or another.
HWND waitForNotice(DWORD processId, DWORD timeoutMs = 10000);
// Waits until the window is destroyed; true when it is.
bool waitUntilGone(HWND window, DWORD timeoutMs = 10000);
// Polls condition every few milliseconds; true once it holds.
bool waitFor(const std::function<bool()>& condition, DWORD timeoutMs = 10000);

std::string windowText(HWND window);
std::string controlText(HWND dialog, int id);
bool controlEnabled(HWND dialog, int id);
bool controlVisible(HWND dialog, int id);
int progressPosition(HWND dialog, int id);
void progressRange(HWND dialog, int id, int* low, int* high);
// Posted, so a handler that opens a modal box does not block the driver.
// BM_CLICK reaches a disabled button too: the caller checks controlEnabled first.
void clickControl(HWND dialog, int id);
// The text of a message box and its answer (IDOK, IDYES, IDNO).
std::string noticeText(HWND box);
void answerNotice(HWND box, int buttonId);
// Presses a key as the player does: into the window of the dialog's thread that
// has the focus (the dialog itself when none has).
void pressKey(HWND dialog, WPARAM virtualKey);
// The id of the control that has the keyboard focus in that window's thread.
int focusedControlId(HWND dialog);

// The current directory of another process, read from its process parameters.
std::string processCurrentDirectory(DWORD processId);

// Runs modal() on the calling thread while body() drives it from another thread.
// When body returns and the dialog is still open after a grace period, the modal
// loop is ended with WM_QUIT and the test is failed, so it never hangs.
INT_PTR runModalWithDriver(const std::function<INT_PTR()>& modal,
                           const std::function<void()>& body, DWORD graceMs = 5000);
// A visible window of this process with that caption, or nullptr after timeoutMs.
HWND waitForOwnWindow(const char* caption, DWORD timeoutMs = 10000);
// runModalWithDriver for the common case: drive, when given, gets the window titled
// caption once it shows (a dialog that ends during its initialisation shows none).
INT_PTR runModalAndDrive(const std::function<INT_PTR()>& modal, const char* caption,
                         const std::function<void(HWND)>& drive, DWORD graceMs = 60000);
// True when the last runModalWithDriver had to force the dialog closed.
bool lastRunWasForced();

}  // namespace driver
