// The launcher window: picture, palette, painting, animation timer and mouse.
#include "launcher/launcher_dialog.h"

#include <string.h>

#include "app/install_record.h"
#include "app/intro_sound.h"
#include "app/system_profile.h"
#include "directx/directx_step.h"
#include "install/install_options_dialog.h"
#include "uninstall/uninstall_dialog.h"
#include "launcher/brightness.h"
#include "launcher/launcher_access.h"
#include "launcher/play_game.h"
#include "launcher/regions.h"
#include "resource.h"

namespace {
const UINT_PTR AnimationTimer = 0x464C5348;  // 'FLSH'
const UINT AnimationPeriodMs = 15;
const DWORD PixelOffset = sizeof(BITMAPINFOHEADER) + 256 * sizeof(RGBQUAD);  // 1064
}  // namespace

LauncherDialog::LauncherDialog() : Dialog(IDD_LAUNCHER, "Vorlex Setup") {}

BOOL LauncherDialog::onInitDialog() {
    WindowDC dc(window());
    IntroSound::request(1);
    if (!setUp(dc.get())) return TRUE;  // stays the bare template frame; Escape still ends it
    ready_ = 1;
    return FALSE;
}

bool LauncherDialog::setUp(HDC dc) {
    if (!loadPicture() || !makePalette(dc)) return false;
    if (!pristinePixels_.allocate(static_cast<SIZE_T>(stride_) * height_)) return false;
    memcpy(pristinePixels_.get(), pixels_, static_cast<size_t>(stride_) * height_);
    centreWindow(dc);
    buildTables();
    refreshRegionStates();
    SetTimer(window(), AnimationTimer, AnimationPeriodMs, nullptr);
    return true;
}

bool LauncherDialog::loadPicture() {
    HMODULE module = resourceModule();
    HRSRC resource = FindResourceA(module, MAKEINTRESOURCEA(IDB_BACKGROUND), MAKEINTRESOURCEA(2));
    if (resource == nullptr) return false;
    DWORD size = SizeofResource(module, resource);
    if (size == 0) return false;
    HGLOBAL loaded = LoadResource(module, resource);
    const void* data = loaded ? LockResource(loaded) : nullptr;
    if (data == nullptr) return false;
    // Resources are read-only on NT, and painting writes into the pixels.
    if (!bitmap_.allocate(size)) return false;
    memcpy(bitmap_.get(), data, size);
    const BITMAPINFOHEADER& header = reinterpret_cast<const BITMAPINFO*>(bitmap_.get())->bmiHeader;
    // Only the picture this program ships is drawn: 8 bits, 256 colours, pixels at 1064.
    if (size < PixelOffset || header.biBitCount != 8 || header.biWidth <= 0 || header.biHeight <= 0 ||
        size - PixelOffset < static_cast<DWORD>(((header.biWidth + 3) & ~3) * header.biHeight))
        return false;
    pixels_ = bitmap_.get() + PixelOffset;
    width_ = header.biWidth;
    height_ = header.biHeight;
    stride_ = (width_ + 3) & ~3;
    return true;
}

bool LauncherDialog::makePalette(HDC dc) {
    if (!logPalette_.allocate(sizeof(LOGPALETTE) + 255 * sizeof(PALETTEENTRY))) return false;
    BITMAPINFO* info = reinterpret_cast<BITMAPINFO*>(bitmap_.get());
    LOGPALETTE* logical = reinterpret_cast<LOGPALETTE*>(logPalette_.get());
    logical->palVersion = 0x300;
    logical->palNumEntries = 256;
    for (int i = 0; i < 256; ++i) {
        RGBQUAD& colour = info->bmiColors[i];
        logical->palPalEntry[i].peRed = colour.rgbRed;
        logical->palPalEntry[i].peGreen = colour.rgbGreen;
        logical->palPalEntry[i].peBlue = colour.rgbBlue;
        logical->palPalEntry[i].peFlags = PC_NOCOLLAPSE;
        colour.rgbReserved = 0;
    }
    palette_.reset(CreatePalette(logical));
    if (palette_.get() == nullptr) return false;
    void* sectionBits = nullptr;
    dibSection_.reset(CreateDIBSection(dc, info, DIB_RGB_COLORS, &sectionBits, nullptr, 0));
    return dibSection_.get() != nullptr;
}

void LauncherDialog::centreWindow(HDC dc) {
    // On a display of 144 dots per inch or more the picture is drawn twice as large (or
    // more), whole pixels doubled; at 96 it is drawn as it is.
    scale_ = launcherScale(GetDeviceCaps(dc, LOGPIXELSY));
    int frameX = GetSystemMetrics(SM_CXEDGE) + GetSystemMetrics(SM_CXDLGFRAME);
    int frameY = GetSystemMetrics(SM_CYEDGE) + GetSystemMetrics(SM_CYDLGFRAME);
    int windowWidth = width_ * scale_ + 2 * frameX;
    int windowHeight = height_ * scale_ + 2 * frameY;
    RECT work = {};
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    int32_t x = 0, y = 0;
    centreInWorkArea(work.left, work.top, work.right, work.bottom, windowWidth, windowHeight, &x, &y);
    SetWindowPos(window(), nullptr, x, y, windowWidth, windowHeight, SWP_NOZORDER);
}

void LauncherDialog::buildTables() {
    const LOGPALETTE* logical = reinterpret_cast<const LOGPALETTE*>(logPalette_.get());
    PaletteColour colours[256];
    for (int i = 0; i < 256; ++i) {
        colours[i].red = logical->palPalEntry[i].peRed;
        colours[i].green = logical->palPalEntry[i].peGreen;
        colours[i].blue = logical->palPalEntry[i].peBlue;
    }
    buildBrightnessTables(colours, BrightnessTables);
}

void LauncherDialog::release() {
    palette_.reset(nullptr);
    pristinePixels_.reset();
    logPalette_.reset();
    dibSection_.reset(nullptr);
    KillTimer(window(), AnimationTimer);
    pixels_ = nullptr;
    ready_ = 0;
}

int LauncherDialog::paintPicture(HDC dc, int regionsOnly) {
    if (!ready_ || dc == nullptr || pixels_ == nullptr || bitmap_.get() == nullptr) return 0;
    if (handlingPaletteChange_) UnrealizeObject(palette_.get());
    SelectPalette(dc, palette_.get(), handlingPaletteChange_ ? TRUE : FALSE);
    int realized = static_cast<int>(RealizePalette(dc));

    const BYTE* pristine = pristinePixels_.get();
    for (int id = 1; id <= RegionCount; ++id) {
        const HotRegion& r = regionTable[id];
        const uint8_t* table = BrightnessTables[regionLevel[id]];
        for (LONG y = r.top; y <= r.bottom; ++y) {
            LONG row = (height_ - 1 - y) * stride_;  // stored bottom-up
            for (LONG x = r.left; x <= r.right; ++x) pixels_[row + x] = table[pristine[row + x]];
        }
    }

    // Enlarged, every pixel is repeated: smoothing would blur the art.
    SetStretchBltMode(dc, scale_ > 1 ? COLORONCOLOR : HALFTONE);
    const BITMAPINFO* info = reinterpret_cast<const BITMAPINFO*>(bitmap_.get());
    if (regionsOnly) {
        for (int id = 1; id <= RegionCount; ++id) {
            const HotRegion& r = regionTable[id];
            int w = r.right - r.left + 1;
            int h = r.bottom - r.top + 1;
            StretchDIBits(dc, r.left * scale_, r.top * scale_, w * scale_, h * scale_, r.left, height_ - 1 - r.bottom,
                          w, h, pixels_, info, DIB_RGB_COLORS, SRCCOPY);
        }
    } else {
        RECT client;
        GetClientRect(window(), &client);
        StretchDIBits(dc, 0, 0, client.right, client.bottom, 0, 0, width_, height_, pixels_, info,
                      DIB_RGB_COLORS, SRCCOPY);
    }
    GdiFlush();
    return realized;
}

int LauncherDialog::paintOnClientDC() {
    WindowDC dc(window());
    return paintPicture(dc.get(), 0);
}

void LauncherDialog::refreshRegionStates() {
    applyRegionStates(gameInstalled(), systemProfile.sourcePresent, systemProfile.directXOffered);
    InvalidateRect(window(), nullptr, FALSE);
}

int LauncherDialog::hitTestRegion() {
    POINT cursor = {};
    GetCursorPos(&cursor);
    return hitTestRegion(cursor);
}

int LauncherDialog::hitTestRegion(POINT screen) {
    ScreenToClient(window(), &screen);
    return regionAtScaled(screen.x, screen.y, scale_);
}

// Where the mouse was when the message being handled was made. On a busy machine a
// press and the moves after it wait in the queue together, and the cursor has gone on
// by the time the press is handled: reading it then would start the drag from a later
// point, and the window would stop short of the cursor.
static POINT messagePosition() {
    DWORD position = GetMessagePos();
    POINT point = {static_cast<SHORT>(LOWORD(position)), static_cast<SHORT>(HIWORD(position))};
    return point;
}

void LauncherDialog::runAction(int id) {
    switch (id) {
    case RegionInstall:
        install();
        break;
    case RegionDirectX:
        if (runDirectXStep(window(), 0)) {
            setRegionState(RegionDirectX, 0);
            InvalidateRect(window(), nullptr, FALSE);
        }
        if (systemProfile.restartRequested) endDialog(0);
        break;
    case RegionPlay:
        // A copy that never finished leaves a game cut short: it is not started.
        if (gameInstalled() == InstallUnfinished)
            showNotice(window(), "Vorlex was not installed completely.\n\nPlease install it again from the Vorlex CD, "
                       "or uninstall it.", MB_ICONEXCLAMATION);
        else if (startInstalledGame()) endDialog(0);
        else showNotice(window(), "Could not start Vorlex.\nThe game may not be installed correctly.", MB_ICONERROR);
        break;
    case RegionUninstall: {
        UninstallDialog dialog;
        dialog.runModal(window());
        refreshRegionStates();
        break;
    }
    case RegionExit:
        onCancel();
        break;
    default:
        break;
    }
}

void LauncherDialog::install() {
    if (gameInstalled() == InstallFinished) return;
    InstallOptionsDialog dialog;
    // Owned by the launcher, never by the window that happens to be active: a screen
    // reader's press comes while another program is in front, and a dialog without an
    // owner would leave the launcher enabled for a second one.
    dialog.runModal(window());
    if (systemProfile.restartRequested) endDialog(0);
    refreshRegionStates();
}

void LauncherDialog::pressIfLit(int id) {
    // A press that waited in the queue while a dialog was opened (a screen reader's comes
    // as a posted command) finds the launcher disabled under it, and is dropped.
    bool disabled = (GetWindowLongA(window(), GWL_STYLE) & WS_DISABLED) != 0;
    if (id != 0 && regionEnabled[id] && !disabled) runAction(id);
}

void LauncherDialog::onOK() {
    pressIfLit(keyboardRegion);  // Enter: nothing until a key has put the focus mark on a button
}

bool LauncherDialog::onCommand(int id, int, HWND) {
    if (id <= LauncherPressCommandBase || id > LauncherPressCommandBase + RegionCount) return false;
    pressIfLit(id - LauncherPressCommandBase);  // pressed by an assistive program
    return true;
}

bool LauncherDialog::onKey(WPARAM key) {
    int step = 0;
    switch (key) {
    case VK_TAB: step = (GetAsyncKeyState(VK_SHIFT) & 0x8000) ? -1 : 1; break;
    case VK_RIGHT: case VK_DOWN: step = 1; break;
    case VK_LEFT: case VK_UP: step = -1; break;
    case VK_SPACE: pressIfLit(keyboardRegion); return true;
    default: return false;
    }
    if (moveKeyboardRegion(step) != 0) announceLauncherFocus(window(), keyboardRegion);
    return true;
}

void LauncherDialog::onTimer() {
    // Most ticks change nothing; a DC is fetched only for a tick that paints, which
    // keeps the idle animation cheap.
    if (animationTick()) {
        WindowDC dc(window());
        paintPicture(dc.get(), 1);
    }
}

void LauncherDialog::onLeftButtonDown() {
    // The press acts where it was made, not where the cursor is by now.
    POINT press = messagePosition();
    int id = hitTestRegion(press);
    if (id != 0) {
        pressIfLit(id);
        return;  // a disabled button does nothing, not even a drag
    }
    dragCursorStart_ = press;
    GetWindowRect(window(), &dragWindowStart_);
    dragging_ = 1;
    SetCapture(window());
}

void LauncherDialog::onMouseMove(WPARAM keys) {
    if (!dragging_) return;
    // The button as it was at this move, for the same reason: a release still waiting
    // in the queue must not end the drag before the moves made before it.
    if (keys & MK_LBUTTON) {
        POINT p = messagePosition();
        SetWindowPos(window(), nullptr, dragWindowStart_.left + p.x - dragCursorStart_.x,
                     dragWindowStart_.top + p.y - dragCursorStart_.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    } else {
        ReleaseCapture();
        dragging_ = 0;
    }
}

bool LauncherDialog::onMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR* result) {
    switch (message) {
    case WM_PAINT: {
        PAINTSTRUCT paint;
        HDC dc = BeginPaint(window(), &paint);
        paintPicture(dc, 0);
        EndPaint(window(), &paint);
        *result = 0;
        return true;
    }
    case WM_ERASEBKGND:
        *result = 1;  // the picture covers everything
        return true;
    case WM_QUERYNEWPALETTE:
        *result = paintOnClientDC();
        return true;
    case WM_PALETTECHANGED: {
        HWND changer = reinterpret_cast<HWND>(wParam);
        if (changer != window() && !IsChild(window(), changer)) {
            handlingPaletteChange_ = true;
            paintOnClientDC();
            handlingPaletteChange_ = false;
        }
        *result = 0;
        return true;
    }
    case WM_DESTROY:
        release();
        return false;
    case WM_SETCURSOR:
        if (LOWORD(lParam) == HTCLIENT) {
            int id = hitTestRegion();
            if (id != 0 && regionEnabled[id]) {
                SetCursor(LoadCursorA(resourceModule(), MAKEINTRESOURCEA(IDC_HAND_CURSOR)));
                *result = TRUE;
                return true;
            }
        }
        return false;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:  // a second press soon after the first, on the dialog class's double clicks
        onLeftButtonDown();
        return false;
    case WM_MOUSEMOVE:
        onMouseMove(wParam);
        return false;
    case WM_LBUTTONUP:
        // The release ends a drag at once. Left to the next move, the capture was released
        // while that move was being handled, and under Wine the launcher then got no timer
        // tick and no mouse message until the mouse moved once more: no pulse, no hover.
        if (dragging_) onMouseMove(0);
        return false;
    case WM_TIMER:
        if (wParam == AnimationTimer) onTimer();
        return false;
    case WM_GETDLGCODE:
        // The launcher has no controls: Tab, the arrows and typed letters are its own.
        // Enter and Escape still come as the dialog's OK and Cancel.
        *result = DLGC_WANTTAB | DLGC_WANTARROWS | DLGC_WANTCHARS;
        return true;
    case WM_KEYDOWN:
        if (!ready_ || !onKey(wParam)) return false;
        *result = 0;
        return true;
    case WM_CHAR:
        if (!ready_) return false;
        pressIfLit(accessKeyRegion(static_cast<int>(wParam)));
        *result = 0;
        return true;
    case WM_GETOBJECT:
        *result = answerLauncherObjectRequest(window(), scale_, wParam, lParam);
        return *result != 0;
    default:
        return false;
    }
}
