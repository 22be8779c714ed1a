// copy_bench.exe CD_FOLDER TARGET_FOLDER: times one install of the CD's files through
// the copy dialog against CopyFileA of the same files, in the same process and prefix.
// Prints "dialog_ms=N copyfile_ms=M bytes=B".
#include <windows.h>
#include <commctrl.h>
#include <stdio.h>

#include "app/install_record.h"
#include "app/system_profile.h"
#include "install/copy_progress_dialog.h"
#include "install/shortcuts.h"
#include "uninstall/deferred_delete.h"

namespace {

double milliseconds(LARGE_INTEGER from, LARGE_INTEGER to) {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return 1000.0 * static_cast<double>(to.QuadPart - from.QuadPart) / static_cast<double>(frequency.QuadPart);
}

void removeInstall(const char* folder) {
    char path[1024] = {}, setup[1024] = {};
    readInstallRecord(path, setup);
    DeferredDelete(setup);
    deleteInstallKeys();
    deleteUninstallEntry();
    removeShortcuts("");
    for (const FilePair* pair = installManifest.filePairs; pair->source; ++pair) {
        char file[1024];
        snprintf(file, sizeof file, "%s\\%s", folder, pair->destination);
        DeleteFileA(file);
    }
    RemoveDirectoryA(folder);
}

// The bytes of the CD's files, which each method copies.
unsigned long payloadBytes() {
    unsigned long total = 0;
    for (const FilePair* pair = installManifest.filePairs; pair->source; ++pair) {
        WIN32_FILE_ATTRIBUTE_DATA data = {};
        if (GetFileAttributesExA(pair->source, GetFileExInfoStandard, &data)) total += data.nFileSizeLow;
    }
    return total;
}

int copyFiles(const char* target) {
    CreateDirectoryA(target, nullptr);
    for (const FilePair* pair = installManifest.filePairs; pair->source; ++pair) {
        char file[1024];
        snprintf(file, sizeof file, "%s\\%s", target, pair->destination);
        if (!CopyFileA(pair->source, file, FALSE)) {
            printf("error: CopyFileA %s\n", pair->source);
            return 0;
        }
    }
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        printf("usage: copy_bench CD_FOLDER TARGET_FOLDER\n");
        return 2;
    }
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&controls);
    SetCurrentDirectoryA(argv[1]);
    const char* target = argv[2];
    removeInstall(target);

    // One untimed copy first: the first copy after a removal pays for the previous
    // run's writes, whichever method makes it.
    if (!copyFiles(target)) return 1;
    removeInstall(target);

    LARGE_INTEGER start, end;
    QueryPerformanceCounter(&start);
    CopyProgressDialog dialog;
    dialog.setInstall(target, &installManifest, installManifest.progressScale);
    dialog.runModal();
    QueryPerformanceCounter(&end);
    double dialogMs = milliseconds(start, end);
    if (dialog.errorText()[0] != '\0') {
        printf("error: %s\n", dialog.errorText());
        return 1;
    }
    removeInstall(target);

    QueryPerformanceCounter(&start);
    if (!copyFiles(target)) return 1;
    QueryPerformanceCounter(&end);
    double copyMs = milliseconds(start, end);
    removeInstall(target);

    printf("dialog_ms=%.0f copyfile_ms=%.0f bytes=%lu\n", dialogMs, copyMs, payloadBytes());
    return 0;
}
