// Regions, their states and the animation steps (see regions.h).
#include "launcher/regions.h"

const HotRegion regionTable[RegionCount + 1] = {
    {0, 0, -1, -1},        // no region
    {17, 141, 118, 170},   // Install
    {17, 179, 118, 208},   // Install DirectX 5
    {17, 215, 118, 244},   // Play Game
    {17, 251, 118, 280},   // Uninstall
    {17, 287, 118, 316},   // Exit
};

int32_t regionEnabled[RegionCount + 1];
int32_t regionLevel[RegionCount + 1];
AnimationState animation;
int32_t keyboardRegion;

namespace {

const int32_t FlashTicksStart = 256;
const int32_t IdleTicksBeforeFlash = 100;

int32_t restLevel(int id) {
    return regionEnabled[id] ? 8 : 4;
}

// One step of the fade from bright to rest: all five regions, eight ticks in all.
int flashStep(int32_t position) {
    position -= 32;
    animation.flashPosition = position;
    if (position <= 0) {
        position = 0;
        animation.flashPosition = 0;
        animation.animationPhase = Hover;
        animation.idleTicks = IdleTicksBeforeFlash;
    }
    for (int id = 1; id <= RegionCount; ++id) {
        int32_t rest = restLevel(id);
        regionLevel[id] = rest + ((16 - rest) * position) / 256;
    }
    return 1;
}

// The pulse of the enabled region under the mouse, between levels 3 and 15.
int hoverStep() {
    animation.pulseLevel += animation.pulseStep;
    if (animation.pulseLevel < 4 || animation.pulseLevel > 14) animation.pulseStep = -animation.pulseStep;

    // The focus mark, once the keyboard has set one, pulses like the button under the mouse.
    int32_t hovered = keyboardRegion != 0 ? keyboardRegion : animation.hoveredRegion;
    int32_t last = animation.lastHoveredRegion;
    int changed = 0;
    if (last != 0 && last != hovered) {
        if (regionLevel[last] != restLevel(last)) changed = 1;
        regionLevel[last] = restLevel(last);
    }
    if (last != hovered) {
        animation.pulseStep = 1;
        animation.pulseLevel = 8;
    }
    if (hovered != 0 && regionEnabled[hovered]) {
        if (regionLevel[hovered] != animation.pulseLevel) changed = 1;
        regionLevel[hovered] = animation.pulseLevel;
    }
    animation.lastHoveredRegion = hovered;
    // Hovering a disabled button counts as hovering: it holds the flash off.
    if (hovered == 0) --animation.idleTicks;
    else animation.idleTicks = IdleTicksBeforeFlash;
    if (animation.idleTicks <= 0) animation.animationPhase = FlashStart;
    return changed;
}

}  // namespace

void setRegionState(int id, int enabled) {
    regionEnabled[id] = enabled;
    regionLevel[id] = enabled ? 8 : 4;
}

void applyRegionStates(int installed, int sourcePresent, int directXOffered) {
    setRegionState(RegionPlay, installed != 0);
    setRegionState(RegionUninstall, installed != 0);
    setRegionState(RegionInstall, (installed != 1 && sourcePresent) ? 1 : 0);
    setRegionState(RegionDirectX, directXOffered);
    setRegionState(RegionExit, 1);
}

int regionAt(int32_t x, int32_t y) {
    int found = 0;
    for (int id = 1; id <= RegionCount && found == 0; ++id) {
        const HotRegion& r = regionTable[id];
        if (r.left <= x && x <= r.right && r.top <= y && y <= r.bottom) found = id;
    }
    if (found != animation.hoveredRegion) keyboardRegion = 0;
    animation.hoveredRegion = found;
    return found;
}

int32_t launcherScale(int32_t dpi) {
    int32_t scale = (dpi + 48) / 96;
    return scale < 1 ? 1 : scale;
}

int regionAtScaled(int32_t x, int32_t y, int32_t scale) {
    // Left of or above the picture is outside every region (a plain division would
    // round -1 towards column 0).
    if (x < 0 || y < 0) return regionAt(-1, -1);
    return regionAt(x / scale, y / scale);
}

int moveKeyboardRegion(int step) {
    int id = keyboardRegion;
    for (int tried = 0; tried < RegionCount; ++tried) {
        if (id == 0) id = step > 0 ? 1 : RegionCount;
        else id = (id - 1 + step + RegionCount) % RegionCount + 1;
        if (regionEnabled[id]) {
            keyboardRegion = id;
            return id;
        }
    }
    keyboardRegion = 0;
    return 0;
}

int accessKeyRegion(int key) {
    switch (key) {
    case 'I': case 'i': return RegionInstall;
    case 'D': case 'd': return RegionDirectX;
    case 'P': case 'p': return RegionPlay;
    case 'U': case 'u': return RegionUninstall;
    case 'X': case 'x': return RegionExit;
    default: return 0;
    }
}

int animationTick() {
    switch (animation.animationPhase) {
    case FlashStart:
        animation.animationPhase = Flashing;
        return flashStep(FlashTicksStart);
    case Flashing:
        return flashStep(animation.flashPosition);
    case Hover:
        return hoverStep();
    default:
        return 0;
    }
}

void centreInWorkArea(int32_t left, int32_t top, int32_t right, int32_t bottom, int32_t width,
                      int32_t height, int32_t* x, int32_t* y) {
    int32_t areaWidth = right - left;
    int32_t areaHeight = bottom - top;
    *x = left + ((areaWidth > width ? areaWidth : width) - width) / 2;
    *y = top + ((areaHeight > height ? areaHeight : height) - height) / 2;
}
