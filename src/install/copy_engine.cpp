// The copy engine (see copy_engine.h).
#include "install/copy_engine.h"

#include <commctrl.h>

#include "app/path_logic.h"
#include "app/system_text.h"
#include "install/copy_logic.h"

const char abortMarker[2] = {1, 0};

namespace {

// Process-wide, used by the worker alone: every chunk of every file passes through
// the one buffer, so nothing is allocated per file; the count runs over all files of
// one install and sets the bar's position.
char copyBuffer[65536];
uint32_t bytesCopied;

// The worker's safe point, before each chunk is written and each file begun: it waits
// here while the Abort question is open. The dialog resets the event before it makes
// the request, so a worker that sees the request always finds the event to wait for.
void passSafePoint(CopyJob& job) {
    if (job.pauseRequested) WaitForSingleObject(job.resumed.get(), INFINITE);
}

void setErrorText(CopyJob& job, const char* text) {
    copyText(job.errorText, sizeof job.errorText, text);
}

DWORD WINAPI copyWorker(void* parameter) {
    CopyJob& job = *static_cast<CopyJob*>(parameter);
    bytesCopied = 1;
    for (const FilePair* pair = job.manifest->filePairs; job.running && pair->source != nullptr; ++pair) {
        passSafePoint(job);  // an aborted install starts no further file
        if (!job.running) break;
        char destination[TextBufferSize] = {};
        if (!joinPath(destination, job.installFolder, pair->destination, systemLeadByte) ||
            !copyOneFile(pair->source, destination, job)) {
            char text[TextBufferSize] = {};
            formatText(text, sizeof text, "Error with file: %s", pair->source);
            setErrorText(job, text);
            InterlockedExchange(&job.running, 0);
        }
    }
    HWND dialog = job.dialog;
    // The last touch of the job: from here on the dialog may end and the job go.
    InterlockedExchange(&job.done, 1);
    PostMessageA(dialog, WM_COMMAND, IDOK, 0);
    return 0;
}

}  // namespace

CopyJob::CopyJob() {
    resumed.reset(CreateEventA(nullptr, TRUE, TRUE, nullptr));
}

int startCopy(CopyJob& job, KernelHandle& worker) {
    InterlockedExchange(&job.running, 1);
    InterlockedExchange(&job.done, 0);
    worker.reset(CreateThread(nullptr, 0, copyWorker, &job, 0, nullptr));
    return worker.valid() ? 1 : 0;
}

void pauseCopy(CopyJob& job) {
    // Nothing is waited for here: the worker may sit in a read of a scratched disc or a
    // drive spinning up for a long time, and the question must come at once.
    ResetEvent(job.resumed.get());
    InterlockedExchange(&job.pauseRequested, 1);
}

void resumeCopy(CopyJob& job, int stop) {
    if (stop) {
        // The marker itself waits for finishCopy: the worker may be in a read that is
        // yet to fail, and errorText is its own until it is done.
        InterlockedExchange(&job.aborted, 1);
        InterlockedExchange(&job.running, 0);
    }
    InterlockedExchange(&job.pauseRequested, 0);
    SetEvent(job.resumed.get());
}

void finishCopy(CopyJob& job) {
    if (job.aborted && job.errorText[0] == '\0') setErrorText(job, abortMarker);
}

void endCopy(CopyJob& job, KernelHandle& worker) {
    if (!worker.valid()) return;
    InterlockedExchange(&job.running, 0);
    InterlockedExchange(&job.pauseRequested, 0);
    SetEvent(job.resumed.get());
    WaitForSingleObject(worker.get(), INFINITE);
    worker.reset(nullptr);
}

int copyOneFile(const char* source, const char* destination, CopyJob& job) {
    // Both are opened before either is tested: a missing source still leaves an empty
    // destination where the copy failed.
    KernelHandle in(CreateFileA(source, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    KernelHandle out(CreateFileA(destination, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                 nullptr));
    if (!in.valid() || !out.valid()) return 0;
    for (;;) {
        DWORD count = 0;
        if (!ReadFile(in.get(), copyBuffer, sizeof copyBuffer, &count, nullptr)) return 0;
        // On the disk before the install may count as finished: written lazily, a copy that a
        // power cut met could leave a finished install over data that never arrived.
        if (count == 0) return FlushFileBuffers(out.get()) ? 1 : 0;
        passSafePoint(job);
        if (!job.running) return 1;  // aborted: the chunk in hand is not written
        DWORD written = 0;
        if (!WriteFile(out.get(), copyBuffer, count, &written, nullptr) || written != count) return 0;
        bytesCopied += count;
        // One position per chunk, posted: a message sent across threads waits for the
        // dialog's thread to answer it, which under Wine costs more than copying the
        // chunk. A full bar stays full: once its end is on its way, nothing more goes.
        if (!job.barFull) {
            int32_t position = progressPosition(bytesCopied, job.progressScale);
            PostMessageA(job.progressBar, PBM_SETPOS, static_cast<WPARAM>(position), 0);
            if (position >= ProgressMaximum) job.barFull = true;
        }
    }
}
