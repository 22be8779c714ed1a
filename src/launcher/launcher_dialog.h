// The launcher: the program's screen when started from the CD.
#pragma once
#include "ui/dialog.h"

class LauncherDialog : public Dialog {
public:
    LauncherDialog();

protected:
    BOOL onInitDialog() override;
    // Enter does nothing; Escape ends the launcher like its Exit button.
    void onOK() override {}
};
