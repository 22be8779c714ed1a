// The intro sound (see intro_sound.h).
#include "app/intro_sound.h"

#include <windows.h>
#include <mmsystem.h>

#include "resource.h"

namespace {
int introLatch = 0;
}  // namespace

void IntroSound::request(int value) {
    if (introLatch != 0 || value == 0) return;
    introLatch = value;
    PlaySoundA(MAKEINTRESOURCEA(IDW_INTRO), GetModuleHandleA(nullptr),
               SND_RESOURCE | SND_ASYNC | SND_NODEFAULT);
}
