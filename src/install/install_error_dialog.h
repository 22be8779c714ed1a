// The clean-up after a failed or aborted install: shows what went wrong, removes
// everything the install made, says so, and closes on OK.
#pragma once
#include "app/bounded_format.h"
#include "ui/dialog.h"

class InstallErrorDialog : public Dialog {
public:
    // errorText: the copy dialog's outcome, the abort marker or a failure text.
    explicit InstallErrorDialog(const char* errorText);

    // Shows the dialog and cleans up on the player's word; where not even this dialog can
    // open (the system out of what windows need, as the copy dialog was before it), the
    // undo runs without it and a message box says what happened. The player is always told.
    void run(HWND owner);

protected:
    BOOL onInitDialog() override;
    bool onCommand(int id, int notification, HWND control) override;

private:
    void cleanUp();

    char errorText_[TextBufferSize] = {};
    int done_ = 0;
};
