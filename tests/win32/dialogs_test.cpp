// The dialog templates as compiled into the program, and the screens this far.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <string.h>

#include <string>
#include <vector>

#include "app/install_record.h"
#include "import_patch.h"
#include "install/shortcuts.h"
#include "app/system_profile.h"
#include "launcher/launcher_dialog.h"
#include "resource.h"
#include "uninstall/uninstall_dialog.h"
#include "win_driver.h"

IMPORT_SLOT(EnableWindow, 8);

namespace {

struct Item {
    int id;
    std::string className;
    std::string text;
    DWORD style;
    short x, y, cx, cy;
};

struct Template {
    DWORD style = 0, exStyle = 0;
    short cx = 0, cy = 0;
    std::string caption, font;
    WORD pointSize = 0;
    std::vector<Item> items;
};

// Reads a DLGTEMPLATEEX the way the dialog manager does.
class TemplateReader {
public:
    explicit TemplateReader(const BYTE* data) : p_(data) {}
    WORD word() { WORD v; memcpy(&v, p_, 2); p_ += 2; return v; }
    DWORD dword() { DWORD v; memcpy(&v, p_, 4); p_ += 4; return v; }
    std::string text() {
        std::string s;
        for (WORD c = word(); c != 0; c = word()) s += static_cast<char>(c);
        return s;
    }
    std::string nameOrOrdinal() {
        WORD first;
        memcpy(&first, p_, 2);
        if (first == 0xFFFF) {
            p_ += 2;
            switch (WORD ordinal = word()) {
            case 0x80: return "BUTTON";
            case 0x81: return "EDIT";
            case 0x82: return "STATIC";
            default: return "#" + std::to_string(ordinal);
            }
        }
        return text();
    }
    void alignDword(const BYTE* base) { p_ += (4 - ((p_ - base) & 3)) & 3; }
    const BYTE* p_;
};

Template loadTemplate(int id) {
    Template t;
    HRSRC resource = FindResourceA(nullptr, MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(5));
    EXPECT_NE(resource, nullptr) << "template " << id;
    if (!resource) return t;
    const BYTE* base = static_cast<const BYTE*>(LockResource(LoadResource(nullptr, resource)));
    TemplateReader r(base);
    EXPECT_EQ(r.word(), 1);
    EXPECT_EQ(r.word(), 0xFFFF) << "DIALOGEX";
    r.dword();
    t.exStyle = r.dword();
    t.style = r.dword();
    WORD count = r.word();
    r.word();
    r.word();
    t.cx = static_cast<short>(r.word());
    t.cy = static_cast<short>(r.word());
    r.nameOrOrdinal();
    r.nameOrOrdinal();
    t.caption = r.text();
    if (t.style & DS_SETFONT) {
        t.pointSize = r.word();
        r.word();
        r.word();
        t.font = r.text();
    }
    for (WORD i = 0; i < count; ++i) {
        r.alignDword(base);
        Item item;
        r.dword();
        r.dword();
        item.style = r.dword();
        item.x = static_cast<short>(r.word());
        item.y = static_cast<short>(r.word());
        item.cx = static_cast<short>(r.word());
        item.cy = static_cast<short>(r.word());
        item.id = static_cast<int>(r.dword());
        item.className = r.nameOrOrdinal();
        item.text = r.nameOrOrdinal();
        WORD extra = r.word();
        r.p_ += extra;
        t.items.push_back(item);
    }
    return t;
}

const DWORD ModalFramed = WS_POPUP | WS_CAPTION | DS_MODALFRAME | DS_CENTER | DS_SETFONT;

void expectFrame(const Template& t, short cx, short cy) {
    EXPECT_EQ(t.style & ~WS_VISIBLE, ModalFramed) << "no system menu, so no close box";
    EXPECT_EQ(t.cx, cx);
    EXPECT_EQ(t.cy, cy);
    EXPECT_EQ(t.caption, "") << "set when the dialog opens";
    EXPECT_EQ(t.font, "MS Shell Dlg");
    EXPECT_EQ(t.pointSize, 8);
}

void expectItems(const Template& t, const std::vector<Item>& expected) {
    ASSERT_EQ(t.items.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        const Item& got = t.items[i];
        const Item& want = expected[i];
        SCOPED_TRACE("control " + std::to_string(want.id));
        EXPECT_EQ(static_cast<short>(got.id), static_cast<short>(want.id));
        // Window class names are case-blind; windres writes them in capitals.
        EXPECT_EQ(lstrcmpiA(got.className.c_str(), want.className.c_str()), 0) << got.className;
        EXPECT_EQ(got.text, want.text);
        EXPECT_EQ(got.style, want.style | WS_CHILD | WS_VISIBLE);
        EXPECT_EQ(got.x, want.x);
        EXPECT_EQ(got.y, want.y);
        EXPECT_EQ(got.cx, want.cx);
        EXPECT_EQ(got.cy, want.cy);
    }
}

TEST(Templates, InstallOptions) {
    Template t = loadTemplate(IDD_INSTALL_OPTIONS);
    expectFrame(t, 227, 111);
    expectItems(t, {
        {-1, "BUTTON", "Where to install", BS_GROUPBOX, 10, 5, 205, 65},
        {1008, "EDIT", "", WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL, 20, 20, 125, 15},
        {1007, "BUTTON", "Browse..", BS_PUSHBUTTON | WS_TABSTOP, 155, 20, 50, 15},
        {1013, "STATIC", "", SS_CENTER | WS_GROUP, 20, 45, 185, 20},
        {1012, "BUTTON", "Install Now", BS_PUSHBUTTON | WS_TABSTOP | BS_MULTILINE, 10, 85, 65, 15},
        {1005, "BUTTON", "Abort", BS_PUSHBUTTON | WS_TABSTOP, 150, 85, 65, 15},
    });
}

TEST(Templates, Uninstall) {
    Template t = loadTemplate(IDD_UNINSTALL);
    expectFrame(t, 197, 135);
    expectItems(t, {
        {1024, "STATIC", "All game files and system information are about to be deleted from your computer:",
         SS_CENTER | WS_GROUP, 10, 10, 175, 20},
        {1023, "BUTTON", "Exit", BS_PUSHBUTTON | WS_TABSTOP, 135, 110, 50, 15},
        {1016, "BUTTON", "Uninstall Now", BS_PUSHBUTTON | WS_TABSTOP, 10, 110, 50, 15},
        {1019, "msctls_progress32", "", 0, 10, 90, 175, 10},
        {1025, "STATIC", "", SS_CENTER | WS_GROUP, 10, 35, 175, 20},
        {1026, "STATIC", "Once started, the uninstallation process cannot be aborted or reversed.",
         SS_CENTER | WS_GROUP, 10, 60, 175, 20},
    });
}

TEST(Templates, Launcher) {
    Template t = loadTemplate(IDD_LAUNCHER);
    EXPECT_EQ(t.style, 0x800008C0u);
    EXPECT_EQ(t.exStyle, static_cast<DWORD>(WS_EX_CLIENTEDGE));
    EXPECT_EQ(t.cx, 255);
    EXPECT_EQ(t.cy, 15);
    EXPECT_EQ(t.font, "MS Shell Dlg");
    EXPECT_TRUE(t.items.empty());
}

TEST(Templates, CopyProgress) {
    Template t = loadTemplate(IDD_COPY_PROGRESS);
    expectFrame(t, 202, 61);
    expectItems(t, {
        {1035, "STATIC", "#160", SS_ICON, 10, 5, 20, 20},
        {1028, "msctls_progress32", "", 0, 40, 10, 150, 10},
        {1027, "BUTTON", "Abort", BS_PUSHBUTTON | WS_TABSTOP, 75, 35, 50, 15},
    });
}

TEST(Templates, InstallError) {
    Template t = loadTemplate(IDD_INSTALL_ERROR);
    expectFrame(t, 202, 90);
    expectItems(t, {
        {1029, "BUTTON", "Clean Up", BS_PUSHBUTTON | WS_TABSTOP, 75, 65, 50, 15},
        {1028, "msctls_progress32", "", 0, 10, 45, 180, 10},
        {1014, "STATIC", "", SS_CENTER | WS_GROUP, 10, 10, 180, 25},
    });
}

INT_PTR CALLBACK plainProcedure(HWND, UINT message, WPARAM, LPARAM) {
    return message == WM_INITDIALOG;
}

TEST(Templates, EveryTemplateCreatesAllItsControls) {
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&controls);
    for (int id : {IDD_INSTALL_OPTIONS, IDD_UNINSTALL, IDD_LAUNCHER, IDD_COPY_PROGRESS, IDD_INSTALL_ERROR}) {
        HWND dialog = CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(id), nullptr, plainProcedure, 0);
        ASSERT_NE(dialog, nullptr) << "template " << id;
        int children = 0;
        for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) ++children;
        EXPECT_EQ(static_cast<size_t>(children), loadTemplate(id).items.size()) << "template " << id;
        DestroyWindow(dialog);
    }
    // The spinner's first frame is shown by the template itself.
    HWND progress = CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_COPY_PROGRESS), nullptr, plainProcedure, 0);
    EXPECT_NE(SendDlgItemMessageA(progress, IDC_COPY_SPINNER, STM_GETICON, 0, 0), 0);
    DestroyWindow(progress);
}

class UninstallDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        memset(&systemProfile, 0, sizeof systemProfile);
        systemProfile.administrator = 1;
    }
    void TearDown() override {
        deleteInstallKeys();
        deleteUninstallEntry();
    }
};

TEST_F(UninstallDialogTest, OpensWithTheInstallFolderAndExitFocused) {
    ASSERT_EQ(writeInstallRecord("C:\\Program Files\\Vorlex", "C:\\WINDOWS\\N1-Vorlex-Setup.exe"), 1);
    UninstallDialog dialog;
    INT_PTR result = driver::runModalWithDriver([&] { return dialog.runModal(); }, [&] {
        HWND window = driver::waitForOwnWindow("Vorlex Uninstall");
        ASSERT_NE(window, nullptr);
        EXPECT_EQ(driver::controlText(window, IDC_UNINSTALL_FOLDER), "C:\\Program Files\\Vorlex");
        EXPECT_EQ(driver::controlText(window, IDC_UNINSTALL_WARNING),
                  "All game files and system information are about to be deleted from your computer:");
        EXPECT_EQ(driver::focusedControlId(window), IDC_UNINSTALL_EXIT);
        EXPECT_TRUE(driver::controlEnabled(window, IDC_UNINSTALL_NOW));
        EXPECT_EQ(GetWindowLongA(window, GWL_STYLE) & WS_SYSMENU, 0) << "no close box";

        driver::pressKey(window, VK_RETURN);
        driver::pressKey(window, VK_ESCAPE);
        SendMessageA(window, WM_CLOSE, 0, 0);
        EXPECT_FALSE(driver::waitUntilGone(window, 300)) << "Enter, Escape and close leave it open";
        driver::clickControl(window, IDC_UNINSTALL_EXIT);
        EXPECT_TRUE(driver::waitUntilGone(window));
    });
    EXPECT_FALSE(driver::lastRunWasForced());
    EXPECT_EQ(result, 0) << "left before uninstalling";
    char path[1024];
    EXPECT_EQ(readInstallRecord(path, nullptr), 1) << "Exit changes nothing";
}

std::vector<std::pair<int, BOOL>> enabling;
void* realEnable;
BOOL WINAPI recordEnable(HWND window, BOOL enable) {
    enabling.emplace_back(GetDlgCtrlID(window), enable);
    return reinterpret_cast<BOOL(WINAPI*)(HWND, BOOL)>(realEnable)(window, enable);
}

TEST_F(UninstallDialogTest, WithoutRecordTheShortcutsAndEntriesStillGo) {
    ASSERT_EQ(createShortcuts("", "C:\\Games\\Vorlex", "C:\\windows\\N1-Vorlex-Setup.exe"), 1);
    ASSERT_EQ(writeUninstallEntry("C:\\windows\\N1-Vorlex-Setup.exe"), 1);
    char group[1024];
    ASSERT_EQ(programGroupFolder(group), 1);
    UninstallDialog dialog;
    enabling.clear();
    INT_PTR result;
    {
        ImportPatch enable(&EnableWindow_slot, reinterpret_cast<void*>(recordEnable));
        realEnable = enable.original();
        result = driver::runModalWithDriver([&] { return dialog.runModal(); }, [&] {
            HWND window = driver::waitForOwnWindow("Vorlex Uninstall");
            ASSERT_NE(window, nullptr);
            EXPECT_EQ(driver::controlText(window, IDC_UNINSTALL_FOLDER), "");
            driver::clickControl(window, IDC_UNINSTALL_NOW);
            ASSERT_TRUE(driver::waitFor([&] { return driver::controlText(window, IDC_UNINSTALL_FOLDER) == "Finished uninstall."; }));
            EXPECT_EQ(driver::progressPosition(window, IDC_UNINSTALL_PROGRESS), 0) << "no folder, no steps";
            driver::clickControl(window, IDC_UNINSTALL_EXIT);
        });
    }
    EXPECT_FALSE(driver::lastRunWasForced());
    EXPECT_EQ(result, 1);
    // Both buttons go dark before the removal; only Exit comes back.
    EXPECT_EQ(enabling, (std::vector<std::pair<int, BOOL>>{
                            {IDC_UNINSTALL_EXIT, FALSE}, {IDC_UNINSTALL_NOW, FALSE}, {IDC_UNINSTALL_EXIT, TRUE}}));
    EXPECT_EQ(GetFileAttributesA(group), INVALID_FILE_ATTRIBUTES) << "shortcuts and their folder gone";
    HKEY key;
    EXPECT_NE(RegOpenKeyExA(HKEY_LOCAL_MACHINE, UninstallEntryKeyName, 0, KEY_READ, &key), ERROR_SUCCESS);
}

TEST_F(UninstallDialogTest, NonAdministratorSeesOnlyTheRefusal) {
    ASSERT_EQ(writeInstallRecord("C:\\Vorlex", "C:\\WINDOWS\\N1-Vorlex-Setup.exe"), 1);
    systemProfile.administrator = 0;
    UninstallDialog dialog;
    INT_PTR result = driver::runModalWithDriver([&] { return dialog.runModal(); }, [&] {
        HWND box = driver::waitForNotice(GetCurrentProcessId());
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(driver::noticeText(box), "You cannot uninstall the game because you are not an administrator.");
        EXPECT_EQ(GetDlgItem(box, IDNO), nullptr) << "an OK box, no question";
        driver::answerNotice(box, IDOK);
        EXPECT_TRUE(driver::waitUntilGone(box));
    });
    EXPECT_FALSE(driver::lastRunWasForced());
    EXPECT_EQ(result, 0);
    char path[1024];
    EXPECT_EQ(readInstallRecord(path, nullptr), 1) << "nothing removed";
}

TEST(LauncherDialogTest, EscapeEndsItAndEnterDoesNot) {
    LauncherDialog dialog;
    INT_PTR result = driver::runModalWithDriver([&] { return dialog.runModal(); }, [&] {
        driver::WindowQuery query;
        query.className = "#32770";
        query.processId = GetCurrentProcessId();
        HWND window = driver::waitForWindow(query);
        ASSERT_NE(window, nullptr);
        EXPECT_EQ(GetWindowLongA(window, GWL_STYLE) & (WS_CAPTION | WS_SYSMENU), 0);
        EXPECT_NE(GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_CLIENTEDGE, 0);
        driver::pressKey(window, VK_RETURN);
        EXPECT_FALSE(driver::waitUntilGone(window, 300));
        driver::pressKey(window, VK_ESCAPE);
        EXPECT_TRUE(driver::waitUntilGone(window));
    });
    EXPECT_FALSE(driver::lastRunWasForced());
    EXPECT_EQ(result, IDCANCEL);
}

}  // namespace
