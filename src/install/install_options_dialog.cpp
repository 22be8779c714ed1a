// The install options dialog.
#include "install/install_options_dialog.h"

#include <shlobj.h>
#include <string.h>

#include "app/path_logic.h"
#include "app/system_text.h"
#include "app/product.h"
#include "app/registry_text.h"
#include "app/scoped_handles.h"
#include "app/system_entry.h"
#include "app/install_record.h"
#include "app/system_profile.h"
#include "directx/directx_step.h"
#include "install/copy_progress_dialog.h"
#include "install/install_error_dialog.h"
#include "install/install_manifest.h"
#include "install/options_logic.h"
#include "uninstall/deferred_delete.h"
#include "uninstall/removal.h"
#include "resource.h"

namespace {
const UINT_PTR RefreshTimer = 0x494F5054;  // 'IOPT'
const UINT RefreshPeriodMs = 1000;
}  // namespace

InstallOptionsDialog::InstallOptionsDialog() : Dialog(IDD_INSTALL_OPTIONS, "Vorlex Install Options") {}

BOOL InstallOptionsDialog::onInitDialog() {
    SendMessageA(control(IDC_OPTIONS_FOLDER), EM_LIMITTEXT, InstallFolderLimit, 0);

    char message[TextBufferSize] = {};
    if (!hardProblemsMessage(systemProfile.administrator, systemProfile.winNt4OrLater, systemProfile.win95OrLater,
                             message, sizeof message)) {
        showNotice(window(), message, MB_OK | MB_ICONERROR);
        endDialog(0);
        return TRUE;
    }
    if (!softProblemsMessage(systemProfile.physicalMemory, displayColours(), systemProfile.processorSupported, message,
                             sizeof message))
        showNotice(window(), message, MB_OK | MB_ICONINFORMATION);

    // An install that never finished is offered again where it was begun.
    if (gameInstalled() != InstallUnfinished || !readInstallRecord(installFolder_, nullptr) || installFolder_[0] == '\0')
        defaultInstallFolder(installFolder_);
    SetWindowTextA(control(IDC_OPTIONS_FOLDER), installFolder_);
    readFolderFromEdit();
    refreshFreeSpace();
    SetTimer(window(), RefreshTimer, RefreshPeriodMs, nullptr);
    return TRUE;
}

void InstallOptionsDialog::readFolderFromEdit() {
    memset(installFolder_, 0, sizeof installFolder_);
    HWND edit = control(IDC_OPTIONS_FOLDER);
    // The edit takes 200 characters from the keyboard, but another program can set
    // any text: one too long for the buffer names no folder, rather than a cut one.
    if (GetWindowTextLengthA(edit) >= static_cast<int>(sizeof installFolder_)) return;
    GetWindowTextA(edit, installFolder_, sizeof installFolder_);
}

// GetDiskFreeSpaceExA came after Windows 95 as first shipped; without it the drive's
// root is asked, as that system can only mount whole drives.
int freeSpaceWhereFilesLand(const char* folder, const char* root, int32_t* megabytes) {
    typedef BOOL(WINAPI * FreeSpaceEx)(const char*, ULARGE_INTEGER*, ULARGE_INTEGER*, ULARGE_INTEGER*);
    FreeSpaceEx freeSpaceEx = systemEntry<FreeSpaceEx>("kernel32.dll", "GetDiskFreeSpaceExA");
    if (freeSpaceEx == nullptr) {
        DWORD sectors = 0, bytes = 0, freeClusters = 0, clusters = 0;
        if (!GetDiskFreeSpaceA(root, &sectors, &bytes, &freeClusters, &clusters)) return 0;
        *megabytes = freeMegabytes(sectors, bytes, freeClusters);
        return 1;
    }
    char existing[TextBufferSize] = {};
    if (!copyText(existing, sizeof existing, folder)) return 0;
    for (;;) {
        DWORD attributes = GetFileAttributesA(existing);
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) break;
        char* cut = const_cast<char*>(lastSeparator(existing, systemLeadByte));
        if (cut == nullptr || cut - existing < 3) {
            if (!copyText(existing, sizeof existing, root)) return 0;  // the drive itself
            break;
        }
        *cut = '\0';
    }
    ULARGE_INTEGER available = {}, total = {}, free = {};
    if (!freeSpaceEx(existing, &available, &total, &free)) return 0;
    ULONGLONG whole = available.QuadPart >> 20;
    *megabytes = whole > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<int32_t>(whole);
    return 1;
}

void InstallOptionsDialog::refreshFreeSpace() {
    trimInstallFolder(installFolder_, systemLeadByte);
    char letter = installDriveLetter(installFolder_, systemLeadByte);
    char text[TextBufferSize] = {};
    bool usable = false;
    if (letter != 0) {
        char root[] = "?:\\";
        root[0] = letter;
        if (GetDriveTypeA(root) == DRIVE_FIXED && freeSpaceWhereFilesLand(installFolder_, root, &freeMegabytes_))
            usable = freeSpaceMessage(freeMegabytes_, letter, text, sizeof text) == 1;
    }
    if (!usable) {
        freeMegabytes_ = 0;
        copyText(text, sizeof text, NoDiskMessage);
    }
    EnableWindow(control(IDC_OPTIONS_INSTALL_NOW), usable ? TRUE : FALSE);
    SetWindowTextA(control(IDC_OPTIONS_FREE_SPACE), text);
}

namespace {
int fixedDisk(char letter) {
    char root[] = {letter, ':', '\\', '\0'};
    return GetDriveTypeA(root) == DRIVE_FIXED;
}
}  // namespace

int defaultInstallFolder(char* out) {
    char windows[TextBufferSize] = {};
    windowsDirectory(windows);  // without it, the proposal is on drive C:
    // A 32-bit program on 64-bit Windows reads the value of its own view: "Program Files (x86)".
    char registered[TextBufferSize] = {};
    RegKey key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion", 0, KEY_QUERY_VALUE,
                      key.out()) == ERROR_SUCCESS)
        queryRegistryText(key.get(), "ProgramFilesDir", registered);
    char folder[TextBufferSize] = {};
    if (!programFilesFolder(windows, registered, fixedDisk, folder, sizeof folder, systemLeadByte)) return 0;
    CreateDirectoryA(folder, nullptr);  // usually there already
    return joinPath(out, folder, GameName, systemLeadByte);
}

int browseInstallFolder(char* out, HWND owner) {
    char name[TextBufferSize] = {};
    BROWSEINFOA info;
    memset(&info, 0, sizeof info);
    info.hwndOwner = owner;
    info.pszDisplayName = name;
    info.lpszTitle = "The game folder will automatically be added to the path you choose..";
    info.ulFlags = BIF_RETURNONLYFSDIRS;
    LPITEMIDLIST item = SHBrowseForFolderA(&info);
    if (item == nullptr) return 0;
    char picked[MAX_PATH + 1] = {};
    int result = 0;
    char chosen[TextBufferSize] = {};
    if (SHGetPathFromIDListA(item, picked) && joinPath(chosen, picked, GameName, systemLeadByte)) {
        copyText(out, TextBufferSize, chosen);
        result = 1;
    }
    CoTaskMemFree(item);
    return result;
}

void InstallOptionsDialog::browse() {
    readFolderFromEdit();
    browseInstallFolder(installFolder_, window());
    HWND edit = control(IDC_OPTIONS_FOLDER);
    SetWindowTextA(edit, installFolder_);
    SendMessageA(window(), WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(edit), TRUE);
    SendMessageA(edit, EM_SETSEL, 0, -1);
    SendMessageA(edit, EM_SCROLLCARET, 0, 0);
    readFolderFromEdit();
    refreshFreeSpace();
}

void InstallOptionsDialog::installNow() {
    // An install that never finished goes first, whole (its files, links, uninstaller copy and
    // record): this one starts afresh, wherever it goes.
    if (gameInstalled() == InstallUnfinished) undoInstall(nullptr);
    // An uninstall while the game ran left files here for Windows to delete at its
    // next start: it would delete the new install's files with them. A list of Windows'
    // that could not be read may hold such files as well.
    int pending = removalPendingFor(installFolder_);
    if (pending != 0) {
        showNotice(window(),
                   pending > 0 ? "Files of a removed Vorlex in this folder will be deleted when Windows restarts.\n\n"
                                 "Please restart Windows before installing Vorlex here, or choose another folder."
                               : "Windows' list of files to delete when it restarts could not be read.\n\n"
                                 "Please try again, or restart Windows before installing Vorlex here.",
                   MB_OK | MB_ICONEXCLAMATION);
        return;
    }
    if (freeMegabytes_ < installManifest.RequiredMegabytes &&
        showNotice(window(),
                   "The selected drive does not have enough free space.\n\nDo you want to attempt an install anyway?",
                   MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) != IDYES)
        return;
    EnableWindow(window(), FALSE);
    char error[TextBufferSize] = {};
    {
        CopyProgressDialog copy;
        copy.setInstall(installFolder_, &installManifest, installManifest.progressScale);
        // A copy dialog that could not even open installed nothing.
        INT_PTR opened = copy.runModal(window());
        copyText(error, sizeof error, opened == -1 ? "Dialog error" : copy.errorText());
    }
    // Only now, every file written and on the disk, does the install count as finished.
    if (error[0] == '\0' && !markInstallFinished()) copyText(error, sizeof error, "Install reg error");
    if (error[0] != '\0') {
        // The options stay open afterwards: the player may pick another folder and retry.
        InstallErrorDialog cleanUp(error);
        cleanUp.run(window());
    } else {
        if (systemProfile.directXOffered) runDirectXStep(window(), 1);
        endDialog(0);
    }
    EnableWindow(window(), TRUE);
}

bool InstallOptionsDialog::onCommand(int id, int notification, HWND) {
    if (id == IDC_OPTIONS_FOLDER && notification == EN_CHANGE) {
        readFolderFromEdit();
        refreshFreeSpace();
        return true;
    }
    if (notification != BN_CLICKED) return false;
    switch (id) {
    case IDC_OPTIONS_BROWSE:
        browse();
        return true;
    case IDC_OPTIONS_INSTALL_NOW:
        installNow();
        return true;
    case IDC_OPTIONS_ABORT:
        endDialog(0);
        return true;
    default:
        return false;
    }
}

bool InstallOptionsDialog::onMessage(UINT message, WPARAM wParam, LPARAM, INT_PTR*) {
    if (message == WM_TIMER && wParam == RefreshTimer) refreshFreeSpace();
    else if (message == WM_DESTROY) KillTimer(window(), RefreshTimer);
    return false;
}
