// The launcher window.
#include "launcher/launcher_dialog.h"

#include "app/instance_marker.h"
#include "resource.h"

LauncherDialog::LauncherDialog() : Dialog(IDD_LAUNCHER) {}

BOOL LauncherDialog::onInitDialog() {
    IntroSound::request(1);
    return TRUE;
}
