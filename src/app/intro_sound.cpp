// The intro sound (see intro_sound.h).
#include "app/intro_sound.h"

#include <windows.h>
#include <mmsystem.h>

#include "app/system_entry.h"
#include "resource.h"

namespace {
int introLatch = 0;
typedef BOOL(WINAPI* PlaySoundEntry)(LPCSTR, HMODULE, DWORD);
}  // namespace

void IntroSound::request(int value) {
    if (introLatch != 0 || value == 0) return;
    introLatch = value;
    PlaySoundEntry play = keptLibraryEntry<PlaySoundEntry>("winmm.dll", "PlaySoundA");
    if (play != nullptr)  // no sound on a system without multimedia
        play(MAKEINTRESOURCEA(IDW_INTRO), GetModuleHandleA(nullptr), SND_RESOURCE | SND_ASYNC | SND_NODEFAULT);
}
