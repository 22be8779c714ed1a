// Starting the game as the player rather than as administrator. On NT 6 and later this
// program runs elevated (its manifest asks for it), and a game it starts directly runs
// elevated too: a game of its age then writes its saves into the install folder, while
// started from the Start menu it writes them into the player's VirtualStore, and the
// player's saves would depend on how the game was started. The signed-in desktop's own
// shell starts it instead, as the player.
#pragma once
#include <windows.h>

// Asks the shell of the desktop to start program in folder (its current directory), as
// a double-click there would. 1 when the shell took the request; 0 when there is no such
// shell or it refused, and the caller starts the program itself.
int startThroughDesktopShell(const char* program, const char* folder);

// Whether this process runs with an elevated token (NT 6 and later; 0 elsewhere, and
// when it cannot be told).
int processIsElevated();
