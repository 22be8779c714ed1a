// The copy of the game's files from the CD into the install folder, on the worker
// thread that the copy dialog starts and owns. Every file moves in 64 KB chunks through
// one process-wide buffer; the bar gets one posted position per chunk; before each
// chunk is written and before each file is begun the worker passes a safe point, where
// it waits while the player is asked whether to abort.
#pragma once
#include <windows.h>

#include "app/bounded_format.h"
#include "app/scoped_handles.h"
#include "install/install_manifest.h"

// errorText after a confirmed Abort: one character of code 1.
extern const char abortMarker[2];

// What the worker and the copy dialog share. The dialog fills in the first five
// fields before the worker starts; errorText is the worker's until done is set. The
// flags are written with InterlockedExchange and read as they stand.
struct CopyJob {
    CopyJob();
    CopyJob(const CopyJob&) = delete;
    CopyJob& operator=(const CopyJob&) = delete;

    char installFolder[TextBufferSize] = {};  // no trailing backslash
    const InstallManifest* manifest = &installManifest;
    float progressScale = 0.0f;
    HWND dialog = nullptr;       // receives IDOK when the worker is done
    HWND progressBar = nullptr;  // receives one position per chunk
    // Empty: installed; abortMarker: the player aborted; else the failure to report.
    char errorText[TextBufferSize] = {};
    volatile LONG running = 0;  // while set, the copy goes on
    volatile LONG done = 0;     // the worker's last write to the job
    volatile LONG pauseRequested = 0;
    volatile LONG aborted = 0;  // the player confirmed Abort
    KernelHandle resumed;       // set while the worker may pass its safe point
    bool barFull = false;       // the worker's: the bar's end has been posted
};

// Starts the worker on the job; 1 when it runs, with its handle in worker.
int startCopy(CopyJob& job, KernelHandle& worker);
// Asks the worker to wait at its next safe point, before the player is asked; returns
// at once, whatever the worker is doing. A chunk already past its safe point may still
// land; after it, until resumeCopy, no chunk is written and no file is begun.
void pauseCopy(CopyJob& job);
// Lets the worker go on after the question; stop (the player said Yes) makes it start
// no further chunk and no further file.
void resumeCopy(CopyJob& job, int stop);
// Settles errorText once done is set: a failure the worker found stays; else a
// confirmed Abort leaves the abortMarker, even when the copy had just come to its end.
void finishCopy(CopyJob& job);
// Stops the worker and waits for its end: the job must outlive every use of it.
void endCopy(CopyJob& job, KernelHandle& worker);

// Copies one file; 1 for success, also when stopped by Abort (the partial file stays);
// 0 when the source or the destination cannot be opened, or a read or a write fails.
int copyOneFile(const char* source, const char* destination, CopyJob& job);
