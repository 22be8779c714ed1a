// Play: starts the installed game in its folder.
#pragma once

// Starts the game's executable from the folder the install record names, with that
// folder as the game's current directory, and lets go of the instance marker so that
// the game may start this program again. 1 when the game started; else 0 with the
// marker held again. The current directory is as before in both cases.
int startInstalledGame();
