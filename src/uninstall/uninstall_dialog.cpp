// The uninstall dialog.
#include "uninstall/uninstall_dialog.h"

#include <string.h>

#include "app/install_record.h"
#include "app/system_profile.h"
#include "resource.h"

UninstallDialog::UninstallDialog() : Dialog(IDD_UNINSTALL) {}

BOOL UninstallDialog::onInitDialog() {
    SetWindowTextA(window(), "Vorlex Uninstall");
    done_ = 0;
    memset(path_, 0, sizeof path_);
    // Nothing recorded leaves the folder line empty.
    readInstallRecord(path_, nullptr);
    SetWindowTextA(control(IDC_UNINSTALL_FOLDER), path_);
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
    return false;
}
