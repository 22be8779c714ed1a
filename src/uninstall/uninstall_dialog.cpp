// The uninstall dialog.
#include "uninstall/uninstall_dialog.h"

#include "app/install_record.h"
#include "app/system_profile.h"
#include "resource.h"
#include "uninstall/removal.h"

UninstallDialog::UninstallDialog() : Dialog(IDD_UNINSTALL, "Vorlex Uninstall") {}

BOOL UninstallDialog::onInitDialog() {
    done_ = 0;
    char folder[TextBufferSize] = {};
    // Nothing recorded leaves the folder line empty.
    readInstallRecord(folder, nullptr);
    SetWindowTextA(control(IDC_UNINSTALL_FOLDER), folder);
    if (systemProfile.administrator == 0) {
        showNotice(window(), "You cannot uninstall the game because you are not an administrator.",
                   MB_ICONERROR | MB_OK);
        endDialog(0);
    }
    return TRUE;
}

bool UninstallDialog::onCommand(int id, int notification, HWND) {
    if (notification != BN_CLICKED) return false;
    if (id == IDC_UNINSTALL_EXIT) {
        endDialog(done_ ? 1 : 0);
        return true;
    }
    if (id == IDC_UNINSTALL_NOW) {
        uninstallNow();
        return true;
    }
    return false;
}

void UninstallDialog::uninstallNow() {
    SetWindowTextA(control(IDC_UNINSTALL_FOLDER), "Please wait, uninstalling..");
    SetWindowTextA(control(IDC_UNINSTALL_WARNING), "");
    SetWindowTextA(control(IDC_UNINSTALL_NOTE), "");
    HWND exitButton = control(IDC_UNINSTALL_EXIT);
    EnableWindow(exitButton, FALSE);
    // Disabled for the rest of the dialog's life: the removal runs once per opening.
    EnableWindow(control(IDC_UNINSTALL_NOW), FALSE);
    // Started by the registered uninstall command, the uninstaller copy is the running
    // program's own file, which goes at the next start of Windows.
    char notice[TextBufferSize] = {};
    undoInstall(control(IDC_UNINSTALL_PROGRESS), notice);
    EnableWindow(exitButton, TRUE);
    focusButton(exitButton);
    SetWindowTextA(control(IDC_UNINSTALL_WARNING), "");
    SetWindowTextA(control(IDC_UNINSTALL_FOLDER), "Finished uninstall.");
    SetWindowTextA(control(IDC_UNINSTALL_NOTE), "");
    done_ = 1;
    // The running game and what it holds open go at the next start of Windows.
    if (notice[0] != '\0') showNotice(window(), notice, MB_ICONINFORMATION);
}
