// The clean-up after a failed or aborted install: shows what went wrong, removes
// everything the install made, says so, and closes on OK.
#pragma once
#include "app/bounded_format.h"
#include "ui/dialog.h"

class InstallErrorDialog : public Dialog {
public:
    // errorText: the copy dialog's outcome, the abort marker or a failure text.
    explicit InstallErrorDialog(const char* errorText);

protected:
    BOOL onInitDialog() override;
    bool onCommand(int id, int notification, HWND control) override;

private:
    void cleanUp();

    char errorText_[TextBufferSize] = {};
    int done_ = 0;
};
