// The copy dialog: install bootstrap, worker thread, progress bar, spinner and Abort.
#include "install/copy_progress_dialog.h"

#include <commctrl.h>
#include <stdio.h>

#include "app/install_record.h"
#include "app/path_logic.h"
#include "install/copy_logic.h"
#include "install/shortcuts.h"
#include "install/uninstaller_copy.h"
#include "resource.h"
#include "uninstall/deferred_delete.h"

const char abortMarker[2] = {1, 0};
char copyBuffer[65536];
uint32_t bytesCopied;
int32_t spinnerFrame;

namespace {
const UINT_PTR SpinnerTimer = 0x5350494E;  // 'SPIN'
const UINT SpinnerPeriodMs = 50;
}  // namespace

CopyProgressDialog::CopyProgressDialog() : Dialog(IDD_COPY_PROGRESS, "Vorlex Installation") {
    parked_.reset(CreateEventA(nullptr, FALSE, FALSE, nullptr));
    resume_.reset(CreateEventA(nullptr, TRUE, TRUE, nullptr));
}

CopyProgressDialog::~CopyProgressDialog() {
    // The worker reads this object until it has set done; it must have ended first.
    if (worker_.valid()) {
        running_ = 0;
        SetEvent(resume_.get());
        WaitForSingleObject(worker_.get(), INFINITE);
    }
}

void CopyProgressDialog::setInstall(const char* installFolder, const InstallManifest* manifest,
                                    float progressScale) {
    copyText(installFolder_, sizeof installFolder_, installFolder);
    manifest_ = manifest;
    progressScale_ = progressScale;
}

void CopyProgressDialog::setErrorText(const char* text) {
    copyText(errorText_, sizeof errorText_, text);
}

BOOL CopyProgressDialog::onInitDialog() {
    setErrorText("");
    EnableWindow(control(IDC_COPY_ABORT), FALSE);
    HWND bar = control(IDC_PROGRESS_BAR);
    SendMessageA(bar, PBM_SETRANGE, 0, MAKELPARAM(0, ProgressMaximum));
    SendMessageA(bar, PBM_SETPOS, 0, 0);

    char uninstaller[TextBufferSize] = {};
    const char* failure = nullptr;
    if (!makeUninstallerCopy(resourceModule(), uninstaller)) failure = "Setup init error";
    else if (!writeInstallRecord(installFolder_, uninstaller)) failure = "Install reg error";
    else if (!createShortcuts(installFolder_, uninstaller)) failure = "Start menu error";
    else if (!writeUninstallEntry(uninstaller)) failure = "Uninstall reg error";

    if (failure == nullptr) {
        // A folder that exists already is fine; one that cannot be made shows up as a
        // copy failure.
        CreateDirectoryA(installFolder_, nullptr);
        for (const char* const* sub = manifest_->subfolders; *sub != nullptr; ++sub) {
            char path[TextBufferSize] = {};
            if (joinPath(path, installFolder_, *sub)) CreateDirectoryA(path, nullptr);
        }
        dialogWindow_ = window();
        progressBar_ = bar;
        running_ = 1;
        done_ = 0;
        HANDLE thread = CreateThread(nullptr, 0, copyWorker, this, 0, nullptr);
        if (thread == nullptr) failure = "Thread error";
        else worker_.reset(thread);
    }
    if (failure != nullptr) {
        // What the bootstrap made stays for the clean-up, but the uninstaller copy
        // goes now: nothing refers to it unless the record was written.
        setErrorText(failure);
        DeferredDelete(uninstaller);
        endDialog(0);
        return TRUE;
    }
    EnableWindow(control(IDC_COPY_ABORT), TRUE);
    SetTimer(window(), SpinnerTimer, SpinnerPeriodMs, nullptr);
    return TRUE;
}

DWORD WINAPI CopyProgressDialog::copyWorker(void* parameter) {
    CopyProgressDialog* self = static_cast<CopyProgressDialog*>(parameter);
    bytesCopied = 1;
    for (const FilePair* pair = self->manifest_->filePairs; self->running_ && pair->source != nullptr; ++pair) {
        self->pauseIfAsked();  // an aborted install starts no further file
        if (!self->running_) break;
        char destination[TextBufferSize] = {};
        if (!joinPath(destination, self->installFolder_, pair->destination) ||
            !self->copyOneFile(pair->source, destination)) {
            char text[TextBufferSize] = {};
            formatText(text, sizeof text, "Error with file: %s", pair->source);
            self->setErrorText(text);
            self->running_ = 0;
        }
    }
    HWND dialog = self->dialogWindow_;
    // The last touch of the dialog's data: from here on it may end and go.
    self->done_ = 1;
    PostMessageA(dialog, WM_COMMAND, IDOK, 0);
    return 0;
}

int CopyProgressDialog::copyOneFile(const char* source, const char* destination) {
    FILE* in = fopen(source, "rb");
    FILE* out = fopen(destination, "wb");
    if (in == nullptr) {
        if (out != nullptr) fclose(out);
        return 0;
    }
    if (out == nullptr) {
        fclose(in);
        return 0;
    }
    // Every chunk is 64 KB already: the streams' own small buffers would only cut it
    // into more system calls.
    setvbuf(in, nullptr, _IONBF, 0);
    setvbuf(out, nullptr, _IONBF, 0);
    size_t count = fread(copyBuffer, 1, sizeof copyBuffer, in);
    while (count > 0) {
        pauseIfAsked();
        if (!running_) break;  // aborted: the chunk in hand is not written
        if (fwrite(copyBuffer, count, 1, out) != 1 || ferror(in) || ferror(out)) {
            fclose(in);
            fclose(out);
            return 0;
        }
        bytesCopied += static_cast<uint32_t>(count);
        // One position per chunk, posted: a message sent across threads waits for the
        // dialog's thread to answer it, which under Wine costs more than copying the
        // chunk. A full bar stays full: once its end is on its way, nothing more goes.
        if (!barFull_) {
            int32_t position = progressPosition(bytesCopied, progressScale_);
            PostMessageA(progressBar_, PBM_SETPOS, static_cast<WPARAM>(position), 0);
            if (position >= ProgressMaximum) barFull_ = true;
        }
        count = fread(copyBuffer, 1, sizeof copyBuffer, in);
    }
    // The last bytes still sit in the stream's buffer: a full disk shows only when
    // they are flushed, and must not pass for a finished copy.
    int failed = ferror(in) || fflush(out) != 0 || ferror(out);
    fclose(in);
    if (fclose(out) != 0) failed = 1;
    return failed ? 0 : 1;
}

void CopyProgressDialog::pauseIfAsked() {
    if (!pauseRequested_) return;
    SetEvent(parked_.get());
    WaitForSingleObject(resume_.get(), INFINITE);
}

void CopyProgressDialog::waitUntilParked() {
    HANDLE handles[2] = {parked_.get(), worker_.get()};
    for (;;) {
        // The worker may be waiting for this thread to take a progress message
        // before it reaches its safe point: answer sent messages while waiting.
        DWORD woken = MsgWaitForMultipleObjects(2, handles, FALSE, INFINITE, QS_SENDMESSAGE);
        if (woken == WAIT_OBJECT_0 || woken == WAIT_OBJECT_0 + 1 || woken == WAIT_FAILED) return;
        MSG message;
        PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
}

void CopyProgressDialog::abort() {
    if (worker_.valid()) {
        ResetEvent(resume_.get());
        pauseRequested_ = 1;
        waitUntilParked();
    }
    int answer = showNotice(window(), "Are you sure you want to abort the install?",
                            MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2);
    if (answer == IDYES) {
        EnableWindow(control(IDC_COPY_ABORT), FALSE);
        setErrorText(abortMarker);
        running_ = 0;
    }
    pauseRequested_ = 0;
    SetEvent(resume_.get());
}

void CopyProgressDialog::onOK() {
    if (done_) endDialog(0);
}

bool CopyProgressDialog::onCommand(int id, int notification, HWND) {
    if (id == IDC_COPY_ABORT && notification == BN_CLICKED) {
        abort();
        return true;
    }
    return false;
}

bool CopyProgressDialog::onMessage(UINT message, WPARAM wParam, LPARAM, INT_PTR*) {
    if (message == WM_TIMER && wParam == SpinnerTimer) {
        spinnerFrame = (spinnerFrame + 1) % SpinnerFrames;
        HICON icon = LoadIconA(resourceModule(), MAKEINTRESOURCEA(spinnerFrameOrder[spinnerFrame]));
        HWND spinner = control(IDC_COPY_SPINNER);
        SendMessageA(spinner, STM_SETICON, reinterpret_cast<WPARAM>(icon), 0);
        UpdateWindow(spinner);
    } else if (message == WM_DESTROY) {
        KillTimer(window(), SpinnerTimer);
    }
    return false;
}
