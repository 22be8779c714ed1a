// How Play starts the game. No Windows header here.
#pragma once
#include <stdint.h>

// 1 when the game must be started through the desktop's shell, as the player: on NT 6
// (Vista) and later, when this program runs elevated. Elsewhere, or when that fails, it
// is started directly, as it always was.
int playThroughShell(int winNt4OrLater, uint32_t windowsVersion, int elevated);
