// What the DirectX step does for the installed DirectX release. No Windows header here.
#pragma once
#include <stdint.h>

// The DirectX release the CD offers.
enum { DirectXTargetVersion = 5 };

enum DirectXDecision {
    InstallWithoutAsking,       // no DirectX at all
    AskOldVersion,              // DirectDraw present, release not reported
    AskVersionYesDefault,       // an older release
    AskVersionNoDefault,        // the offered release or a newer one, at the player's request
    LeaveQuietly,               // the offered release or newer, after an install
};

// installed: -1 for no DirectX, 0 for an unreported old one, else the release number.
DirectXDecision decideDirectX(int32_t installed, int afterInstall);
