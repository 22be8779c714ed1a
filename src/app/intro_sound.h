// The intro sound of the launcher, played at most once in the life of the process.
#pragma once

struct IntroSound {
    // A value other than 0 plays the sound, the first time only.
    static void request(int value);
};
