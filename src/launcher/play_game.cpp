// Play (see play_game.h).
#include "launcher/play_game.h"

#include <windows.h>

#include "app/bounded_format.h"
#include "app/install_record.h"
#include "app/instance_marker.h"
#include "app/path_logic.h"
#include "app/product.h"
#include "app/scoped_handles.h"

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
    if (folder[0] == '\0' || !joinPath(game, folder, GameExecutable) ||
        !formatText(command, sizeof command, "\"%s\"", game))
        return 0;
    SetCurrentDirectoryA(folder);
    InstanceMarker::release();
    if (WinExec(command, SW_SHOWNORMAL) > 31) return 1;
    InstanceMarker::acquire();
    return 0;
}
