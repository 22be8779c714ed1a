// The uninstall dialog: what the registered uninstall command opens.
#pragma once
#include "app/bounded_format.h"
#include "ui/dialog.h"

class UninstallDialog : public Dialog {
public:
    UninstallDialog();

protected:
    BOOL onInitDialog() override;
    bool onCommand(int id, int notification, HWND control) override;

private:
    void uninstallNow();

    int done_ = 0;
};
