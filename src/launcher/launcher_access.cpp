// The launcher's accessible object (see launcher_access.h).
//
// oleacc.dll and the string allocator of oleaut32.dll are looked up when a request
// comes: Windows 95 as first shipped has no Active Accessibility, and the program
// must start there all the same.
#include "launcher/launcher_access.h"

#include <oleacc.h>

#include "app/system_entry.h"
#include "launcher/regions.h"

namespace {

const IID AccessibleInterface = {0x618736e0, 0x3c3d, 0x11cf, {0x81, 0x0c, 0x00, 0xaa, 0x00, 0x38, 0x9b, 0x71}};
const wchar_t* const ButtonNames[RegionCount + 1] = {
    L"Vorlex Setup", L"Install", L"Install DirectX 5", L"Play Game", L"Uninstall", L"Exit",
};
const wchar_t* const AccessKeys[RegionCount + 1] = {L"", L"I", L"D", L"P", L"U", L"X"};

// Kernel32's own interlocked count, called through its import: the compiler's inline
// form is the 486's XADD, which a 386 does not have. On Windows 95 the value returned
// has only the sign of the count, which is all Release needs.
extern "C" LONG(WINAPI* const interlockedIncrement)(LONG volatile*) __asm__("__imp__InterlockedIncrement@4");
extern "C" LONG(WINAPI* const interlockedDecrement)(LONG volatile*) __asm__("__imp__InterlockedDecrement@4");

typedef LRESULT(WINAPI* LresultFromObjectEntry)(REFIID, WPARAM, LPUNKNOWN);
typedef BSTR(WINAPI* SysAllocStringEntry)(const OLECHAR*);

HRESULT text(const wchar_t* value, BSTR* out) {
    if (out == nullptr) return E_POINTER;
    SysAllocStringEntry allocate = keptLibraryEntry<SysAllocStringEntry>("oleaut32.dll", "SysAllocString");
    *out = allocate != nullptr ? allocate(value) : nullptr;
    return *out != nullptr ? S_OK : E_OUTOFMEMORY;
}

void setNumber(VARIANT* out, LONG value) {
    out->vt = VT_I4;
    out->lVal = value;
}

// A child id from a VARIANT: CHILDID_SELF (0) for the object itself, 1..5 for the
// buttons, -1 for anything else.
LONG childOf(const VARIANT& child) {
    if (child.vt != VT_I4 || child.lVal < 0 || child.lVal > RegionCount) return -1;
    return child.lVal;
}

class LauncherAccessible : public IAccessible {
public:
    LauncherAccessible(HWND launcher, int32_t scale) : launcher_(launcher), scale_(scale) {}

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID id, void** out) override {
        if (out == nullptr) return E_POINTER;
        if (IsEqualIID(id, IID_IUnknown) || IsEqualIID(id, IID_IDispatch) || IsEqualIID(id, AccessibleInterface)) {
            *out = static_cast<IAccessible*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    // Interlocked: other programs reach the object through COM, which may call in on
    // a thread of its own where the launcher's apartment is not the one it expects.
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(interlockedIncrement(&references_)); }
    ULONG STDMETHODCALLTYPE Release() override {
        LONG left = interlockedDecrement(&references_);
        if (left == 0) delete this;
        return static_cast<ULONG>(left);
    }

    // IDispatch: not offered, every caller uses the interface's own methods.
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
        if (gone()) return CO_E_OBJNOTCONNECTED;
        if (count) *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
        if (gone()) return CO_E_OBJNOTCONNECTED;
        return E_NOTIMPL;
    }

    // IAccessible. Each method fails once the launcher window is gone.
    HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** parent) override {
        if (gone()) return CO_E_OBJNOTCONNECTED;
        if (parent) *parent = nullptr;
        return S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE get_accChildCount(LONG* count) override {
        if (gone()) return CO_E_OBJNOTCONNECTED;
        if (count == nullptr) return E_POINTER;
        *count = RegionCount;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accChild(VARIANT child, IDispatch** out) override {
        if (gone()) return CO_E_OBJNOTCONNECTED;
        if (out) *out = nullptr;
        return childOf(child) > 0 ? S_FALSE : E_INVALIDARG;  // the buttons are simple elements
    }
    HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* name) override {
        if (gone()) return CO_E_OBJNOTCONNECTED;
        LONG id = childOf(child);
        if (id < 0) return E_INVALIDARG;
        return text(ButtonNames[id], name);
    }
    HRESULT STDMETHODCALLTYPE get_accValue(VARIANT, BSTR* value) override {
        if (gone()) return CO_E_OBJNOTCONNECTED;
        if (value) *value = nullptr;
        return DISP_E_MEMBERNOTFOUND;
    }
    HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT, BSTR* description) override {
        if (gone()) return CO_E_OBJNOTCONNECTED;
        if (description) *description = nullptr;
        return S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT* role) override {
        if (gone()) return CO_E_OBJNOTCONNECTED;
        LONG id = childOf(child);
        if (id < 0) return E_INVALIDARG;
        if (role == nullptr) return E_POINTER;
        setNumber(role, id == CHILDID_SELF ? ROLE_SYSTEM_CLIENT : ROLE_SYSTEM_PUSHBUTTON);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accState(VARIANT child, VARIANT* state) override {
        if (gone()) return CO_E_OBJNOTCONNECTED;
        LONG id = childOf(child);
        if (id < 0) return E_INVALIDARG;
        if (state == nullptr) return E_POINTER;
        LONG flags = STATE_SYSTEM_FOCUSABLE;
        if (id == CHILDID_SELF) {
            if (GetActiveWindow() == launcher_) flags |= STATE_SYSTEM_FOCUSED;
        } else if (!regionEnabled[id]) {
            flags = STATE_SYSTEM_UNAVAILABLE;
        } else if (keyboardRegion == id) {
            flags |= STATE_SYSTEM_FOCUSED;
        }
        setNumber(state, flags);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT, BSTR* help) override {
        if (gone()) return CO_E_OBJNOTCONNECTED;
        if (help) *help = nullptr;
        return S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* file, VARIANT, LONG* topic) override {
        if (gone()) return CO_E_OBJNOTCONNECTED;
        if (file) *file = nullptr;
        if (topic) *topic = 0;
        return S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT child, BSTR* shortcut) override {
        if (gone()) return CO_E_OBJNOTCONNECTED;
        LONG id = childOf(child);
        if (id < 0) return E_INVALIDARG;
        if (id == CHILDID_SELF) {
            if (shortcut) *shortcut = nullptr;
            return S_FALSE;
        }
        return text(AccessKeys[id], shortcut);
    }
    HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* focus) override {
        if (gone()) return CO_E_OBJNOTCONNECTED;
        if (focus == nullptr) return E_POINTER;
        if (GetActiveWindow() != launcher_) focus->vt = VT_EMPTY;
        else setNumber(focus, keyboardRegion);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* selection) override {
        if (gone()) return CO_E_OBJNOTCONNECTED;
        if (selection) selection->vt = VT_EMPTY;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT child, BSTR* action) override {
        if (gone()) return CO_E_OBJNOTCONNECTED;
        LONG id = childOf(child);
        if (id < 0) return E_INVALIDARG;
        if (id == CHILDID_SELF || !regionEnabled[id]) {
            if (action) *action = nullptr;
            return S_FALSE;
        }
        return text(L"Press", action);
    }
    HRESULT STDMETHODCALLTYPE accSelect(LONG, VARIANT) override { return DISP_E_MEMBERNOTFOUND; }
    HRESULT STDMETHODCALLTYPE accLocation(LONG* x, LONG* y, LONG* width, LONG* height, VARIANT child) override {
        if (gone()) return CO_E_OBJNOTCONNECTED;
        LONG id = childOf(child);
        if (id < 0) return E_INVALIDARG;
        if (!x || !y || !width || !height) return E_POINTER;
        RECT area = {};
        if (id == CHILDID_SELF) {
            GetClientRect(launcher_, &area);
        } else {
            const HotRegion& r = regionTable[id];
            area = {r.left * scale_, r.top * scale_, (r.right + 1) * scale_, (r.bottom + 1) * scale_};
        }
        POINT origin = clientOrigin();
        *x = origin.x + area.left;
        *y = origin.y + area.top;
        *width = area.right - area.left;
        *height = area.bottom - area.top;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE accNavigate(LONG direction, VARIANT start, VARIANT* end) override {
        if (gone()) return CO_E_OBJNOTCONNECTED;
        LONG id = childOf(start);
        if (id < 0 || end == nullptr) return E_INVALIDARG;
        LONG next = 0;
        switch (direction) {
        case NAVDIR_FIRSTCHILD: next = id == CHILDID_SELF ? 1 : 0; break;
        case NAVDIR_LASTCHILD: next = id == CHILDID_SELF ? RegionCount : 0; break;
        case NAVDIR_NEXT: case NAVDIR_DOWN: next = id > 0 && id < RegionCount ? id + 1 : 0; break;
        case NAVDIR_PREVIOUS: case NAVDIR_UP: next = id > 1 ? id - 1 : 0; break;
        default: break;
        }
        if (next == 0) {
            end->vt = VT_EMPTY;
            return S_FALSE;
        }
        setNumber(end, next);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE accHitTest(LONG x, LONG y, VARIANT* hit) override {
        if (gone()) return CO_E_OBJNOTCONNECTED;
        if (hit == nullptr) return E_POINTER;
        POINT point = {x, y};
        ScreenToClient(launcher_, &point);
        RECT client = {};
        GetClientRect(launcher_, &client);
        if (point.x < 0 || point.y < 0 || point.x >= client.right || point.y >= client.bottom) {
            hit->vt = VT_EMPTY;
            return S_FALSE;
        }
        LONG id = CHILDID_SELF;
        for (int r = 1; r <= RegionCount; ++r) {
            const HotRegion& region = regionTable[r];
            if (point.x >= region.left * scale_ && point.x < (region.right + 1) * scale_ &&
                point.y >= region.top * scale_ && point.y < (region.bottom + 1) * scale_)
                id = r;
        }
        setNumber(hit, id);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT child) override {
        if (gone()) return CO_E_OBJNOTCONNECTED;
        LONG id = childOf(child);
        if (id <= 0) return E_INVALIDARG;
        // Not while a dialog of the launcher covers it (the launcher is disabled then):
        // the press would start a second one.
        if (!regionEnabled[id] || (GetWindowLongA(launcher_, GWL_STYLE) & WS_DISABLED)) return E_FAIL;
        // Posted: the caller is answered now, and the action (which may open a dialog)
        // runs in the launcher's own message loop.
        PostMessageA(launcher_, WM_COMMAND, LauncherPressCommandBase + id, 0);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE put_accName(VARIANT, BSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_accValue(VARIANT, BSTR) override { return E_NOTIMPL; }

private:
    virtual ~LauncherAccessible() = default;

    // A window that exists has a style (the launcher's is never 0); one that is gone has
    // none. Read as the style, like the disabled flag, with calls the program imports already.
    bool gone() const { return GetWindowLongA(launcher_, GWL_STYLE) == 0; }

    // The client area's top left corner on the screen.
    POINT clientOrigin() const {
        POINT corner = {0, 0};
        ScreenToClient(launcher_, &corner);  // the screen's origin seen from the client area
        corner.x = -corner.x;
        corner.y = -corner.y;
        return corner;
    }

    LONG volatile references_ = 1;
    HWND launcher_;
    int32_t scale_;
};

}  // namespace

LRESULT answerLauncherObjectRequest(HWND launcher, int32_t scale, WPARAM wParam, LPARAM lParam) {
    if (static_cast<LONG>(lParam) != OBJID_CLIENT) return 0;
    LresultFromObjectEntry fromObject = keptLibraryEntry<LresultFromObjectEntry>("oleacc.dll", "LresultFromObject");
    if (fromObject == nullptr) return 0;
    LauncherAccessible* object = new LauncherAccessible(launcher, scale);
    LRESULT answer = fromObject(AccessibleInterface, wParam, object);
    object->Release();  // the answer holds its own reference
    return answer > 0 ? answer : 0;
}

void announceLauncherFocus(HWND launcher, int id) {
    typedef void(WINAPI * NotifyWinEventEntry)(DWORD, HWND, LONG, LONG);
    NotifyWinEventEntry notify = systemEntry<NotifyWinEventEntry>("user32.dll", "NotifyWinEvent");
    if (notify != nullptr) notify(EVENT_OBJECT_FOCUS, launcher, OBJID_CLIENT, id);
}
