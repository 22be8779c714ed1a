// The launcher's picture buttons for screen readers and other assistive programs: an
// accessible object for the launcher's client area whose five children are push
// buttons, named as the picture labels them, unavailable while dark, focused as the
// keyboard's focus mark moves.
#pragma once
#include <windows.h>
#include <stdint.h>

// The answer to WM_GETOBJECT for the launcher window drawn at scale: the object for
// the client area, or 0 to leave every other request (and every request on a system
// without Active Accessibility, such as Windows 95 as first shipped) to the system.
LRESULT answerLauncherObjectRequest(HWND launcher, int32_t scale, WPARAM wParam, LPARAM lParam);

// Tells assistive programs that the focus mark is now on button id.
void announceLauncherFocus(HWND launcher, int id);

// The command an assistive program's "press" posts to the launcher for button id.
enum { LauncherPressCommandBase = 0x7F00 };
