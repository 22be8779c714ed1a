// How Play starts the game (see play_logic.h).
#include "launcher/play_logic.h"

int playThroughShell(int winNt4OrLater, uint32_t windowsVersion, int elevated) {
    return winNt4OrLater && (windowsVersion >> 16) >= 6 && elevated ? 1 : 0;
}
