// The install error and clean-up dialog.
#include "install/install_error_dialog.h"

#include "resource.h"
#include "uninstall/removal.h"

InstallErrorDialog::InstallErrorDialog(const char* errorText) : Dialog(IDD_INSTALL_ERROR, "Vorlex Install Error") {
    copyText(errorText_, sizeof errorText_, errorText);
}

BOOL InstallErrorDialog::onInitDialog() {
    done_ = 0;
    if (errorText_[0] == 1) {
        // The player chose to abort: nothing to explain, clean up at once.
        SetWindowTextA(control(IDC_ERROR_TEXT), "Cleaning up after user abort..");
        PostMessageA(window(), WM_COMMAND, IDC_ERROR_CLEAN_UP, 0);
    } else {
        char message[TextBufferSize] = {};
        // A failure text too long for the message is left out rather than cut (a cut
        // text could mislead); the first line still says that something went wrong.
        if (!formatText(message, sizeof message, "The following problem was detected:\n\n\"%s\"", errorText_))
            copyText(message, sizeof message, "The following problem was detected:");
        SetWindowTextA(control(IDC_ERROR_TEXT), message);
    }
    return TRUE;
}

bool InstallErrorDialog::onCommand(int id, int, HWND) {
    if (id != IDC_ERROR_CLEAN_UP) return false;
    if (done_) {
        endDialog(0);
        return true;
    }
    cleanUp();
    return true;
}

void InstallErrorDialog::cleanUp() {
    HWND button = control(IDC_ERROR_CLEAN_UP);
    EnableWindow(button, FALSE);
    // The program runs from the CD here: the uninstaller copy goes at once.
    int deferred = 0;
    undoInstall(control(IDC_PROGRESS_BAR), &deferred);
    SetWindowTextA(control(IDC_ERROR_TEXT),
                   "Vorlex has been removed from your computer.\n\nIt is now safe to attempt another install.");
    EnableWindow(button, TRUE);
    SetWindowTextA(button, "OK");
    focusButton(button);
    done_ = 1;
    if (deferred) showNotice(window(), deferred > 0 ? FilesInUseNotice : FilesLeftNotice, MB_ICONINFORMATION);
}
