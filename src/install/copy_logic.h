// The arithmetic of the copy's progress bar and spinner. No Windows header here.
#pragma once
#include <stdint.h>

enum { ProgressMaximum = 65535, SpinnerFrames = 16 };

// The bar position after bytesCopied bytes: one multiplication, in double precision,
// truncated toward zero.
int32_t progressPosition(uint32_t bytesCopied, float progressScale);

// The icon resource shown at each spinner frame.
extern const int spinnerFrameOrder[SpinnerFrames];
