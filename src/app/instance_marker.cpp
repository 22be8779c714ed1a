// The instance marker.
#include "app/instance_marker.h"

#include <windows.h>

#include "app/product.h"

namespace {
HANDLE markerHandle = nullptr;
}  // namespace

int InstanceMarker::acquire() {
    HANDLE previous = markerHandle;
    // A new object leaves the error code as it was on some systems: start from 0.
    SetLastError(0);
    markerHandle = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READONLY, 0, 32, GameName);
    int taken = GetLastError() != 0 ? 1 : 0;
    // A marker held from before is let go only now, so the answer above still
    // counts it as held.
    if (previous != nullptr) CloseHandle(previous);
    return taken;
}

int InstanceMarker::release() {
    if (markerHandle != nullptr) {
        CloseHandle(markerHandle);
        markerHandle = nullptr;
    }
    return 0;
}
