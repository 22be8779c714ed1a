// The copy dialog: install bootstrap, worker thread, progress bar, spinner and Abort.
#include "install/copy_progress_dialog.h"

#include <commctrl.h>

#include "install/copy_logic.h"
#include "install/install_bootstrap.h"
#include "resource.h"

int32_t spinnerFrame;

namespace {
const UINT_PTR SpinnerTimer = 0x5350494E;  // 'SPIN'
const UINT SpinnerPeriodMs = 50;
}  // namespace

CopyProgressDialog::CopyProgressDialog() : Dialog(IDD_COPY_PROGRESS, "Vorlex Installation") {}

CopyProgressDialog::~CopyProgressDialog() {
    endCopy(job_, worker_);
}

void CopyProgressDialog::setInstall(const char* installFolder, const InstallManifest* manifest,
                                    float progressScale) {
    copyText(job_.installFolder, sizeof job_.installFolder, installFolder);
    job_.manifest = manifest;
    job_.progressScale = progressScale;
}

BOOL CopyProgressDialog::onInitDialog() {
    copyText(job_.errorText, sizeof job_.errorText, "");
    EnableWindow(control(IDC_COPY_ABORT), FALSE);
    HWND bar = control(IDC_PROGRESS_BAR);
    SendMessageA(bar, PBM_SETRANGE, 0, MAKELPARAM(0, ProgressMaximum));
    SendMessageA(bar, PBM_SETPOS, 0, 0);

    const char* failure = bootstrapInstall(resourceModule(), job_.installFolder, *job_.manifest);
    if (failure == nullptr) {
        job_.dialog = window();
        job_.progressBar = bar;
        if (!startCopy(job_, worker_)) failure = "Thread error";
    }
    if (failure != nullptr) {
        copyText(job_.errorText, sizeof job_.errorText, failure);
        endDialog(0);
        return TRUE;
    }
    EnableWindow(control(IDC_COPY_ABORT), TRUE);
    SetTimer(window(), SpinnerTimer, SpinnerPeriodMs, nullptr);
    return TRUE;
}

void CopyProgressDialog::abort() {
    pauseCopy(job_);
    int answer = showNotice(window(), "Are you sure you want to abort the install?",
                            MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2);
    if (answer == IDYES) EnableWindow(control(IDC_COPY_ABORT), FALSE);
    resumeCopy(job_, answer == IDYES);
    // The copy may have come to its end while the question was open: its IDOK has then
    // ended the dialog already, and the answer still counts.
    if (job_.done) finishCopy(job_);
}

void CopyProgressDialog::onOK() {
    if (!job_.done) return;
    finishCopy(job_);
    endDialog(0);
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
