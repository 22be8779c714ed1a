// Play (see play_game.h).
#include "launcher/play_game.h"

#include <windows.h>

#include "app/bounded_format.h"
#include "app/install_record.h"
#include "app/instance_marker.h"
#include "app/path_logic.h"
#include "app/system_text.h"
#include "app/product.h"
#include "app/scoped_handles.h"
#include "app/system_profile.h"
#include "launcher/play_logic.h"
#include "launcher/shell_start.h"

int startInstalledGame() {
    char folder[TextBufferSize] = {};
    char game[TextBufferSize] = {};
    char command[TextBufferSize] = {};
    CurrentDirectoryGuard guard;
    readInstallRecord(folder, nullptr);
    // The game is started by its full path in the recorded folder, or not at all: a bare
    // name is searched first in this program's own folder (the CD, or the Windows
    // directory for the uninstaller) and then along the system's path, where some other
    // Vorlex.exe could stand. Quoted, for folders with blanks.
    if (folder[0] == '\0' || !joinPath(game, folder, GameExecutable, systemLeadByte) ||
        !formatText(command, sizeof command, "\"%s\"", game))
        return 0;
    SetCurrentDirectoryA(folder);
    InstanceMarker::release();
    // The shell answers before it has started anything, and tells the player itself of a
    // program it cannot start; a game that is not there at all gets this program's notice.
    if (GetFileAttributesA(game) != INVALID_FILE_ATTRIBUTES &&
        playThroughShell(systemProfile.winNt4OrLater, systemProfile.windowsVersion, processIsElevated()) &&
        startThroughDesktopShell(game, folder))
        return 1;
    if (WinExec(command, SW_SHOWNORMAL) > 31) return 1;
    InstanceMarker::acquire();
    return 0;
}
