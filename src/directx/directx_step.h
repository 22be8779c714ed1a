// The DirectX 5 update from the CD's directx folder: asks the redistributable's setup
// library what is installed, asks the player when it should, runs the setup and
// offers the reboot it may need.
#pragma once
#include <windows.h>

// owner owns every question and is handed to the setup; afterInstall is 1 when the
// step follows a successful install (then an up-to-date DirectX is not mentioned).
// 1 when the setup ran and reported success.
int runDirectXStep(HWND owner, int afterInstall);
