// Restarts Windows at the end of a run whose DirectX update asked for it.
#pragma once

void restartWindows();
