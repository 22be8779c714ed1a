// The launcher: a borderless window that is exactly the 480 x 370, 256-colour
// picture with its five picture buttons, their flash and pulse, and the drag.
#pragma once
#include "app/scoped_handles.h"
#include "ui/dialog.h"

#include <stdint.h>

class LauncherDialog : public Dialog {
public:
    LauncherDialog();
    // Draws the picture (regionsOnly 0) or its five buttons (1) on dc; returns the
    // result of RealizePalette, or 0 when nothing was drawn.
    int paintPicture(HDC dc, int regionsOnly);

protected:
    BOOL onInitDialog() override;
    // Enter presses the button the keyboard's focus mark is on, and does nothing before a
    // key has put it on one; Escape ends the launcher like its Exit button.
    void onOK() override;
    void onCancel() override { endDialog(IDCANCEL); }
    bool onCommand(int id, int notification, HWND control) override;
    bool onMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR* result) override;

private:
    // The picture, its palette and tables, the window's place and the timer: false
    // when any of them cannot be had, and then nothing is drawn.
    bool setUp(HDC dc);
    bool loadPicture();
    bool makePalette(HDC dc);
    void centreWindow(HDC dc);
    void buildTables();
    void release();
    int paintOnClientDC();
    void refreshRegionStates();
    int hitTestRegion();
    int hitTestRegion(POINT screen);
    void runAction(int id);
    void install();
    void onTimer();
    void pressIfLit(int id);
    // Tab, Shift+Tab, the arrows and Space; false for any other key.
    bool onKey(WPARAM key);
    void onLeftButtonDown();
    void onMouseMove(WPARAM keys);

    // COM on the launcher's thread for as long as the launcher exists: a screen reader's
    // calls on its accessible object then come through the launcher's own message loop,
    // on the thread its buttons' state belongs to. First, so it goes last.
    ComApartment com_;
    GdiObject<HPALETTE> palette_;
    HeapBlock bitmap_;          // writable copy of bitmap 134: header, colour table, pixels
    BYTE* pixels_ = nullptr;    // the working pixels, what is drawn
    HeapBlock pristinePixels_;  // the pixels as loaded, the source of every remap
    HeapBlock logPalette_;
    GdiObject<HBITMAP> dibSection_;
    int ready_ = 0;
    LONG width_ = 0;
    LONG height_ = 0;
    LONG stride_ = 0;
    int32_t scale_ = 1;  // the picture's pixels per screen pixel side
    bool handlingPaletteChange_ = false;

    int dragging_ = 0;
    POINT dragCursorStart_ = {};
    RECT dragWindowStart_ = {};
};
