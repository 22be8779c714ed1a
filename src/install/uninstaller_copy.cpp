// The uninstaller copy.
#include "install/uninstaller_copy.h"

#include "app/bounded_format.h"
#include "app/system_entry.h"
#include "app/system_profile.h"
#include "install/uninstaller_name.h"

namespace {
const int NameAttempts = 1000;

// The milliseconds since Windows started, by the multimedia timer of the system's winmm.dll;
// by the system's tick count, the same count more coarsely, where there is no winmm.
DWORD millisecondCount() {
    typedef DWORD(WINAPI * TimeEntry)();
    TimeEntry time = keptLibraryEntry<TimeEntry>("winmm.dll", "timeGetTime");
    return time != nullptr ? time() : GetTickCount();
}
}  // namespace

int makeUninstallerCopy(HINSTANCE instance, char* out) {
    char modulePath[TextBufferSize] = {};
    char windows[TextBufferSize] = {};
    out[0] = '\0';
    DWORD length = GetModuleFileNameA(instance, modulePath, sizeof modulePath);
    // A cut module path would name some other file: no copy then.
    if (length == 0 || length >= sizeof modulePath) return 0;
    if (!windowsDirectory(windows)) return 0;
    DWORD start = millisecondCount();
    for (int attempt = 0; attempt < NameAttempts; ++attempt) {
        if (!uninstallerCopyName(out, TextBufferSize, windows, start + static_cast<DWORD>(attempt)))
            break;
        if (CopyFileA(modulePath, out, TRUE)) return 1;
        DWORD error = GetLastError();
        // A name taken by an earlier install (or one we may not write) tries the next
        // number; any other failure (a full disk) will not go away by trying again.
        if (error != ERROR_FILE_EXISTS && error != ERROR_ACCESS_DENIED) break;
    }
    out[0] = '\0';
    return 0;
}
