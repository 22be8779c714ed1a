// The install options dialog: refuses on hard problems, warns on soft ones, proposes
// a folder and keeps its free-space line current, then installs, cleans up after a
// failure, and offers DirectX after a success.
#pragma once
#include <stdint.h>

#include "app/bounded_format.h"
#include "ui/dialog.h"

class InstallOptionsDialog : public Dialog {
public:
    InstallOptionsDialog();
    // Updates the trimmed folder, the free megabytes, the free-space line and Install Now.
    void refreshFreeSpace();

protected:
    BOOL onInitDialog() override;
    bool onCommand(int id, int notification, HWND control) override;
    bool onMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR* result) override;

private:
    void readFolderFromEdit();
    void browse();
    void installNow();

    int32_t freeMegabytes_ = 0;
    char installFolder_[TextBufferSize] = {};
};

// The megabytes the player may still write where the files will land: on the disk of
// the deepest folder of folder's path that exists, so a disk mounted at a folder, or a
// quota, counts; root ("C:\\") is the drive's. 1 when measured.
int freeSpaceWhereFilesLand(const char* folder, const char* root, int32_t* megabytes);

// The folder an install is first proposed: the game's folder in the system's folder for
// programs (ProgramFilesDir: "Programme", "Program Files (x86)", another drive), or where
// that is unusable in "Program Files" on the Windows drive (C: when the Windows directory
// names none); the folder for programs is made when missing. 1 when it fits out[1024].
int defaultInstallFolder(char* out);
// The shell's folder picker; on success out[1024] holds the picked folder with the
// game's folder added, else it is untouched.
int browseInstallFolder(char* out, HWND owner);
