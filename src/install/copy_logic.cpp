// Progress and spinner arithmetic (see copy_logic.h).
#include "install/copy_logic.h"

const int spinnerFrameOrder[SpinnerFrames] = {160, 155, 156, 157, 158, 159, 154, 161,
                                              162, 163, 164, 165, 166, 167, 168, 169};

int32_t progressPosition(uint32_t bytesCopied, float progressScale) {
    return static_cast<int32_t>(static_cast<double>(bytesCopied) * static_cast<double>(progressScale));
}
