// The copy dialog: the install bootstrap (uninstaller copy, install record, shortcuts,
// uninstall entry, folder), then the copy of the game's files on a worker thread
// with a progress bar, a spinning icon and Abort. It undoes nothing itself: the
// outcome is left in errorText for the caller.
#pragma once
#include <stdint.h>

#include <atomic>

#include "app/bounded_format.h"
#include "app/scoped_handles.h"
#include "install/install_manifest.h"
#include "ui/dialog.h"

// errorText after a confirmed Abort: one character of code 1.
extern const char abortMarker[2];

// Process-wide, used by the worker alone: the chunk buffer and the running count.
extern char copyBuffer[65536];
extern uint32_t bytesCopied;
// Process-wide and never reset: a second copy dialog turns on where the first stopped.
extern int32_t spinnerFrame;

class CopyProgressDialog : public Dialog {
public:
    CopyProgressDialog();
    ~CopyProgressDialog() override;

    // Set by the caller before runModal(); the folder has no trailing backslash.
    void setInstall(const char* installFolder, const InstallManifest* manifest, float progressScale);
    // Empty: installed; abortMarker: the player aborted; else the failure to report.
    const char* errorText() const { return errorText_; }

protected:
    BOOL onInitDialog() override;
    // Enter ends the dialog once the copy is done; the worker's IDOK comes this way too.
    void onOK() override;
    bool onCommand(int id, int notification, HWND control) override;
    bool onMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR* result) override;

private:
    static DWORD WINAPI copyWorker(void* dialog);
    int copyOneFile(const char* source, const char* destination);
    void setErrorText(const char* text);
    void abort();
    // The worker's safe point: parks here while the Abort question is open.
    void pauseIfAsked();
    void waitUntilParked();

    char errorText_[TextBufferSize] = {};
    char installFolder_[TextBufferSize] = {};
    const InstallManifest* manifest_ = &installManifest;
    float progressScale_ = 0.0f;
    KernelHandle worker_;
    HWND dialogWindow_ = nullptr;
    HWND progressBar_ = nullptr;
    std::atomic<int32_t> running_{0};
    std::atomic<int32_t> done_{0};
    bool barFull_ = false;  // the worker's: the bar's end has been sent

    // Abort asks the worker to stop at a safe point instead of suspending it where
    // it stands: a thread frozen inside the heap or a window-manager lock would
    // freeze the question box that needs the same lock.
    std::atomic<int32_t> pauseRequested_{0};
    KernelHandle parked_;   // set by the worker once it waits
    KernelHandle resume_;   // set by the dialog when the question is answered
};
