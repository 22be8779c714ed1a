// Starting a program through the desktop's shell (see shell_start.h).
//
// The known way out of elevation: the desktop's folder view belongs to the shell that
// runs as the signed-in player, and its Application object's ShellExecute starts the
// program in that process. Everything is looked up or created at run time, so systems
// without it (Windows 95 as first shipped, NT 4.0) start as before.
#include "launcher/shell_start.h"

#include <exdisp.h>
#include <shldisp.h>
#include <shlguid.h>
#include <shlobj.h>

#include "app/bounded_format.h"
#include "app/scoped_handles.h"
#include "app/system_entry.h"

namespace {

typedef BSTR(WINAPI* SysAllocStringEntry)(const OLECHAR*);
typedef void(WINAPI* SysFreeStringEntry)(BSTR);

// A BSTR from an ANSI text, freed when it goes.
class WideText {
public:
    explicit WideText(const char* text) {
        wchar_t wide[TextBufferSize] = {};
        library_.reset(loadSystemLibrary("oleaut32.dll"));
        if (!library_.loaded()) return;
        SysAllocStringEntry allocate = library_.entry<SysAllocStringEntry>("SysAllocString");
        free_ = library_.entry<SysFreeStringEntry>("SysFreeString");
        if (allocate && free_ && MultiByteToWideChar(CP_ACP, 0, text, -1, wide, TextBufferSize) > 0)
            text_ = allocate(wide);
    }
    WideText(const WideText&) = delete;
    WideText& operator=(const WideText&) = delete;
    ~WideText() {
        if (text_ != nullptr) free_(text_);
    }
    BSTR get() const { return text_; }

private:
    LoadedLibrary library_;
    SysFreeStringEntry free_ = nullptr;
    BSTR text_ = nullptr;
};

VARIANT text(BSTR value) {
    VARIANT v;
    v.vt = VT_BSTR;
    v.bstrVal = value;
    return v;
}

VARIANT number(LONG value) {
    VARIANT v;
    v.vt = VT_I4;
    v.lVal = value;
    return v;
}

// The desktop shell's Application object, or null.
IShellDispatch2* desktopShell() {
    ComRef<IShellWindows> windows;
    if (FAILED(CoCreateInstance(CLSID_ShellWindows, nullptr, CLSCTX_LOCAL_SERVER, IID_IShellWindows, windows.out())))
        return nullptr;
    VARIANT none;
    none.vt = VT_EMPTY;
    long handle = 0;
    ComRef<IDispatch> desktop;
    if (windows->FindWindowSW(&none, &none, SWC_DESKTOP, &handle, SWFO_NEEDDISPATCH, desktop.put()) != S_OK ||
        desktop.get() == nullptr)
        return nullptr;
    ComRef<IServiceProvider> services;
    ComRef<IShellBrowser> browser;
    ComRef<IShellView> view;
    ComRef<IDispatch> background;
    ComRef<IShellFolderViewDual> folderView;
    ComRef<IDispatch> application;
    IShellDispatch2* shell = nullptr;
    if (FAILED(desktop->QueryInterface(IID_IServiceProvider, services.out())) ||
        FAILED(services->QueryService(SID_STopLevelBrowser, IID_IShellBrowser, browser.out())) ||
        FAILED(browser->QueryActiveShellView(view.put())) ||
        FAILED(view->GetItemObject(SVGIO_BACKGROUND, IID_IDispatch, background.out())) ||
        FAILED(background->QueryInterface(IID_IShellFolderViewDual, folderView.out())) ||
        FAILED(folderView->get_Application(application.put())) ||
        FAILED(application->QueryInterface(IID_IShellDispatch2, reinterpret_cast<void**>(&shell))))
        return nullptr;
    return shell;
}

}  // namespace

int startThroughDesktopShell(const char* program, const char* folder) {
    ComApartment com;
    if (!com.started()) return 0;
    ComRef<IShellDispatch2> shell;
    *shell.put() = desktopShell();
    WideText file(program), directory(folder), operation("open"), nothing("");
    if (shell.get() == nullptr || !file.get() || !directory.get() || !operation.get() || !nothing.get()) return 0;
    return SUCCEEDED(shell->ShellExecute(file.get(), text(nothing.get()), text(directory.get()), text(operation.get()),
                                         number(SW_SHOWNORMAL)))
               ? 1
               : 0;
}

int processIsElevated() {
    typedef BOOL(WINAPI * TokenInformationEntry)(HANDLE, TOKEN_INFORMATION_CLASS, void*, DWORD, DWORD*);
    typedef BOOL(WINAPI * OpenTokenEntry)(HANDLE, DWORD, HANDLE*);
    TokenInformationEntry information = systemEntry<TokenInformationEntry>("advapi32.dll", "GetTokenInformation");
    OpenTokenEntry openToken = systemEntry<OpenTokenEntry>("advapi32.dll", "OpenProcessToken");
    HANDLE raw = nullptr;
    if (information == nullptr || openToken == nullptr || !openToken(GetCurrentProcess(), TOKEN_QUERY, &raw)) return 0;
    KernelHandle token(raw);
    // TokenElevation (20): what systems before NT 6 do not know, and refuse.
    DWORD elevated = 0, size = 0;
    if (!information(token.get(), static_cast<TOKEN_INFORMATION_CLASS>(20), &elevated, sizeof elevated, &size)) return 0;
    return elevated != 0 ? 1 : 0;
}
