// The install error and clean-up dialog.
#include "install/install_error_dialog.h"

#include "resource.h"
#include "uninstall/removal.h"

InstallErrorDialog::InstallErrorDialog(const char* errorText) : Dialog(IDD_INSTALL_ERROR, "Vorlex Install Error") {
    copyText(errorText_, sizeof errorText_, errorText);
}

namespace {
const char* const RemovedText = "Vorlex has been removed from your computer.\n\nIt is now safe to attempt another install.";
// Files in use go at the next start of Windows, and a new install's files of the same names in
// that folder would go with them (the install options refuse the folder until then). The
// dialog's text has room for three short lines: the advice goes into the notice after it.
const char* const RemovedUntilRestartText =
    "Vorlex has been removed from your computer.\n\nSome of its files go when Windows restarts.";
const char* const RestartFirstNotice =
    "Please restart Windows before installing Vorlex into this folder again, or choose another folder.";

// The undo after the failed install: the text that tells it is done, and in notice what the
// player must be told besides (then how to install again).
const char* cleanUpInstall(HWND progressBar, char* notice) {
    int deferred = 0;
    undoInstall(progressBar, notice, &deferred);
    if ((deferred & RemovalPutOff) == 0) return RemovedText;
    char joined[TextBufferSize] = {};
    if (formatText(joined, sizeof joined, "%s\n\n%s", notice, RestartFirstNotice)) copyText(notice, TextBufferSize, joined);
    return RemovedUntilRestartText;
}

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
    const char* removed = cleanUpInstall(nullptr, notice);
    if (errorText_[0] != 1) problemText(message, errorText_);  // the player's own abort needs no word
    // What does not fit is left out whole: the problem first, then what the undo could not do.
    if (!formatText(told, sizeof told, "%s%s%s", message, message[0] ? "\n\n" : "", removed))
        copyText(told, sizeof told, removed);
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
    SetWindowTextA(control(IDC_ERROR_TEXT), cleanUpInstall(control(IDC_PROGRESS_BAR), notice));
    EnableWindow(button, TRUE);
    SetWindowTextA(button, "OK");
    focusButton(button);
    done_ = 1;
    if (notice[0] != '\0') showNotice(window(), notice, MB_ICONINFORMATION);
}
