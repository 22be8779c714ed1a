// The install error and clean-up dialog.
#include "install/install_error_dialog.h"

#include "resource.h"
#include "uninstall/removal.h"

InstallErrorDialog::InstallErrorDialog(const char* errorText) : Dialog(IDD_INSTALL_ERROR, "Vorlex Install Error") {
    copyText(errorText_, sizeof errorText_, errorText);
}

namespace {
const char* const RemovedText = "Vorlex has been removed from your computer.\n\nIt is now safe to attempt another install.";

// What went wrong, into message[TextBufferSize]. A failure text too long for the message is
// left out rather than cut (a cut text could mislead); the first line still says that
// something went wrong.
void problemText(char* message, const char* errorText) {
    if (!formatText(message, TextBufferSize, "The following problem was detected:\n\n\"%s\"", errorText))
        copyText(message, TextBufferSize, "The following problem was detected:");
}
}  // namespace

void InstallErrorDialog::run(HWND owner) {
    if (runModal(owner) != -1) return;
    char notice[TextBufferSize] = {};
    char message[TextBufferSize] = {};
    char told[TextBufferSize] = {};
    undoInstall(nullptr, notice);
    if (errorText_[0] != 1) problemText(message, errorText_);  // the player's own abort needs no word
    // What does not fit is left out whole: the problem first, then what the undo could not do.
    if (!formatText(told, sizeof told, "%s%s%s", message, message[0] ? "\n\n" : "", RemovedText))
        copyText(told, sizeof told, RemovedText);
    if (notice[0] != '\0' && formatText(message, sizeof message, "%s\n\n%s", told, notice))
        copyText(told, sizeof told, message);
    showNotice(owner, told, MB_ICONERROR);
}

BOOL InstallErrorDialog::onInitDialog() {
    done_ = 0;
    if (errorText_[0] == 1) {
        // The player chose to abort: nothing to explain, clean up at once.
        SetWindowTextA(control(IDC_ERROR_TEXT), "Cleaning up after user abort..");
        PostMessageA(window(), WM_COMMAND, IDC_ERROR_CLEAN_UP, 0);
    } else {
        char message[TextBufferSize] = {};
        problemText(message, errorText_);
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
    char notice[TextBufferSize] = {};
    undoInstall(control(IDC_PROGRESS_BAR), notice);
    SetWindowTextA(control(IDC_ERROR_TEXT), RemovedText);
    EnableWindow(button, TRUE);
    SetWindowTextA(button, "OK");
    focusButton(button);
    done_ = 1;
    if (notice[0] != '\0') showNotice(window(), notice, MB_ICONINFORMATION);
}
