// The DirectX decision table (see directx_logic.h).
#include "directx/directx_logic.h"

DirectXDecision decideDirectX(int32_t installed, int afterInstall) {
    if (installed == -1) return InstallWithoutAsking;
    if (installed == 0) return AskOldVersion;
    if (static_cast<uint32_t>(installed) < DirectXTargetVersion) return AskVersionYesDefault;
    return afterInstall ? LeaveQuietly : AskVersionNoDefault;
}
