// The copy dialog: runs the install bootstrap, then shows the copy of the game's files
// with a progress bar, a spinning icon and Abort. It undoes nothing itself: the
// outcome is left in errorText for the caller.
#pragma once
#include <stdint.h>

#include "app/scoped_handles.h"
#include "install/copy_engine.h"
#include "install/install_manifest.h"
#include "ui/dialog.h"

// Process-wide and never reset: a second copy dialog turns on where the first stopped.
extern int32_t spinnerFrame;

class CopyProgressDialog : public Dialog {
public:
    CopyProgressDialog();
    ~CopyProgressDialog() override;

    // Set by the caller before runModal(); the folder has no trailing backslash.
    void setInstall(const char* installFolder, const InstallManifest* manifest, float progressScale);
    // Empty: installed; abortMarker: the player aborted; else the failure to report.
    const char* errorText() const { return job_.errorText; }

protected:
    BOOL onInitDialog() override;
    // Enter ends the dialog once the copy is done; the worker's IDOK comes this way too.
    void onOK() override;
    bool onCommand(int id, int notification, HWND control) override;
    bool onMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR* result) override;

private:
    void abort();

    CopyJob job_;
    KernelHandle worker_;
};
