// The launcher's five picture buttons: where they lie, whether they apply, their
// brightness levels and the animation that moves them (a flash from bright to rest,
// and a pulse on the button under the mouse). No Windows header here: the window
// code feeds in hit tests and timer ticks and paints when told.
#pragma once
#include <stdint.h>

enum RegionId { RegionNone = 0, RegionInstall = 1, RegionDirectX = 2, RegionPlay = 3,
                RegionUninstall = 4, RegionExit = 5 };
enum { RegionCount = 5 };

// Inclusive edges, picture coordinates (y downwards), equal to client coordinates.
struct HotRegion {
    int32_t left, top, right, bottom;
};

extern const HotRegion regionTable[RegionCount + 1];  // slot 0 unused

// Indexed by RegionId; slot 0 belongs to no region.
extern int32_t regionEnabled[RegionCount + 1];
extern int32_t regionLevel[RegionCount + 1];

enum AnimationPhase { FlashStart = 0, Flashing = 1, Hover = 2 };

struct AnimationState {
    int32_t animationPhase;
    int32_t flashPosition;
    int32_t pulseLevel;
    int32_t pulseStep;
    int32_t hoveredRegion;
    int32_t lastHoveredRegion;
    int32_t idleTicks;
};
extern AnimationState animation;

// Level 8 (as drawn) for an enabled region, 4 (half) for a disabled one. No repaint.
void setRegionState(int id, int enabled);
// The five states from what is installed (0 nothing, 1 a finished install, 2 one begun and
// never finished: Install again, Play to be told so, Uninstall) and what the CD offers.
// No repaint.
void applyRegionStates(int installed, int sourcePresent, int directXOffered);
// The region at picture point (x, y), or 0; stored in animation.hoveredRegion. The mouse
// arriving on another region takes the pulse from the keyboard's focus mark.
int regionAt(int32_t x, int32_t y);

// The picture is drawn scale times as large on a display of more than 96 dots per inch:
// round(dpi / 96), at least 1. Whole pixels are doubled, so the art stays sharp.
int32_t launcherScale(int32_t dpi);
// The region at client point (x, y) of the picture drawn at scale (see regionAt).
int regionAtScaled(int32_t x, int32_t y, int32_t scale);

// The button the keyboard has moved to (the focus mark), 0 until Tab or an arrow key is
// used. It pulses as a hovered button does, and Enter or Space presses it.
extern int32_t keyboardRegion;
// Moves the focus mark to the next lit button after it (step 1) or before it (-1),
// round the five; from no mark, to the first or the last lit one. The new mark, or 0
// when no button is lit.
int moveKeyboardRegion(int step);
// The button whose access key this typed character is (I, D, P, U, X, either case), or 0.
int accessKeyRegion(int key);
// One tick of the animation timer; 1 when the regions must be repainted.
int animationTick();

// Where a window of the given size goes to stand centred in a work area; a window
// larger than the area goes to its left or top edge.
void centreInWorkArea(int32_t left, int32_t top, int32_t right, int32_t bottom, int32_t width,
                      int32_t height, int32_t* x, int32_t* y);
