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

typedef LRESULT(WINAPI* LresultFromObjectEntry)(REFIID, WPARAM, LPUNKNOWN);
typedef BSTR(WINAPI* SysAllocStringEntry)(const OLECHAR*);

// A library the object needs for as long as the process runs: loaded once, never freed,
// since the object may be handed out again and again.
HMODULE library(const char* name) {
    HMODULE module = GetModuleHandleA(name);
    return module != nullptr ? module : LoadLibraryA(name);
}

template <typename Function>
Function libraryEntry(const char* dll, const char* name) {
    HMODULE module = library(dll);
    if (module == nullptr) return nullptr;
    return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

HRESULT text(const wchar_t* value, BSTR* out) {
    if (out == nullptr) return E_POINTER;
    SysAllocStringEntry allocate = libraryEntry<SysAllocStringEntry>("oleaut32.dll", "SysAllocString");
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
    // Counted on the launcher's thread alone: other programs reach the object through
    // the launcher's own message loop.
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
    ULONG STDMETHODCALLTYPE Release() override {
        ULONG left = --references_;
        if (left == 0) delete this;
        return left;
    }

    // IDispatch: not offered, every caller uses the interface's own methods.
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
        if (count) *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
        return E_NOTIMPL;
    }

    // IAccessible
    HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** parent) override {
        if (parent) *parent = nullptr;
        return S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE get_accChildCount(LONG* count) override {
        if (count == nullptr) return E_POINTER;
        *count = RegionCount;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accChild(VARIANT child, IDispatch** out) override {
        if (out) *out = nullptr;
        return childOf(child) > 0 ? S_FALSE : E_INVALIDARG;  // the buttons are simple elements
    }
    HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* name) override {
        LONG id = childOf(child);
        if (id < 0) return E_INVALIDARG;
        return text(ButtonNames[id], name);
    }
    HRESULT STDMETHODCALLTYPE get_accValue(VARIANT, BSTR* value) override {
        if (value) *value = nullptr;
        return DISP_E_MEMBERNOTFOUND;
    }
    HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT, BSTR* description) override {
        if (description) *description = nullptr;
        return S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT* role) override {
        LONG id = childOf(child);
        if (id < 0) return E_INVALIDARG;
        if (role == nullptr) return E_POINTER;
        setNumber(role, id == CHILDID_SELF ? ROLE_SYSTEM_CLIENT : ROLE_SYSTEM_PUSHBUTTON);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accState(VARIANT child, VARIANT* state) override {
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
        if (help) *help = nullptr;
        return S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* file, VARIANT, LONG* topic) override {
        if (file) *file = nullptr;
        if (topic) *topic = 0;
        return S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT child, BSTR* shortcut) override {
        LONG id = childOf(child);
        if (id < 0) return E_INVALIDARG;
        if (id == CHILDID_SELF) {
            if (shortcut) *shortcut = nullptr;
            return S_FALSE;
        }
        return text(AccessKeys[id], shortcut);
    }
    HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* focus) override {
        if (focus == nullptr) return E_POINTER;
        if (GetActiveWindow() != launcher_) focus->vt = VT_EMPTY;
        else setNumber(focus, keyboardRegion);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* selection) override {
        if (selection) selection->vt = VT_EMPTY;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT child, BSTR* action) override {
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
        LONG id = childOf(child);
        if (id <= 0) return E_INVALIDARG;
        if (!regionEnabled[id]) return E_FAIL;
        // Posted: the caller is answered now, and the action (which may open a dialog)
        // runs in the launcher's own message loop.
        PostMessageA(launcher_, WM_COMMAND, LauncherPressCommandBase + id, 0);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE put_accName(VARIANT, BSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_accValue(VARIANT, BSTR) override { return E_NOTIMPL; }

private:
    virtual ~LauncherAccessible() = default;

    // The client area's top left corner on the screen.
    POINT clientOrigin() const {
        POINT corner = {0, 0};
        ScreenToClient(launcher_, &corner);  // the screen's origin seen from the client area
        corner.x = -corner.x;
        corner.y = -corner.y;
        return corner;
    }

    ULONG references_ = 1;
    HWND launcher_;
    int32_t scale_;
};

}  // namespace

LRESULT answerLauncherObjectRequest(HWND launcher, int32_t scale, WPARAM wParam, LPARAM lParam) {
    if (static_cast<LONG>(lParam) != OBJID_CLIENT) return 0;
    LresultFromObjectEntry fromObject = libraryEntry<LresultFromObjectEntry>("oleacc.dll", "LresultFromObject");
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
