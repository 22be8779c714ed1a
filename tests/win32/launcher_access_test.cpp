// The launcher's accessible object as a screen reader gets it, for a window standing in for the
// launcher drawn twice as large, on a thread with only what the launcher brings.
#include <gtest/gtest.h>
#include <windows.h>
#include <oleacc.h>

#include <string>
#include <vector>

#include "launcher/launcher_access.h"
#include "launcher/launcher_dialog.h"
#include "launcher/regions.h"

namespace {

VARIANT child(LONG id) {
    VARIANT v;
    return v.vt = VT_I4, v.lVal = id, v;
}

std::string narrow(BSTR text) {
    std::string out(text, text + (text != nullptr ? SysStringLen(text) : 0));
    return SysFreeString(text), out;
}

class LauncherAccess : public ::testing::Test {
protected:
    void SetUp() override {
        window = CreateWindowExA(0, "STATIC", "", WS_POPUP | WS_VISIBLE, 100, 50, 960, 740, nullptr, nullptr, nullptr,
                                 nullptr);
        ASSERT_NE(window, nullptr);
        applyRegionStates(0, 1, 0);  // Install and Exit lit
        keyboardRegion = RegionExit;
        LRESULT answer = answerLauncherObjectRequest(window, 2, 0, OBJID_CLIENT);
        ASSERT_GT(answer, 0);
        ASSERT_EQ(ObjectFromLresult(answer, IID_IAccessible, 0, reinterpret_cast<void**>(&object)), S_OK);
    }
    void TearDown() override {
        if (object != nullptr) object->Release();
        DestroyWindow(window);
    }
    LauncherDialog launcher;
    HWND window = nullptr;
    IAccessible* object = nullptr;
};

TEST_F(LauncherAccess, ButtonsAreNamedPushButtonsWithTheirStatesAndKeys) {
    EXPECT_EQ(answerLauncherObjectRequest(window, 2, 0, OBJID_WINDOW), 0) << "only the client area is ours";
    LONG count = 0;
    EXPECT_TRUE(object->get_accChildCount(&count) == S_OK && count == 5) << count;
    // Name, access key, state, role (10 the client area, 43 a push button), default action.
    SetActiveWindow(window);  // the launcher with the keyboard: its area is focused
    const char* buttons[] = {"Vorlex Setup||100004|10|", "Install|I|100000|43|Press", "Install DirectX 5|D|1|43|",
                             "Play Game|P|1|43|", "Uninstall|U|1|43|", "Exit|X|100004|43|Press"};
    for (LONG id = 0; id <= 5; ++id) {
        BSTR name = nullptr, key = nullptr, action = nullptr;
        VARIANT role = {}, state = {};
        EXPECT_EQ(object->get_accName(child(id), &name), S_OK);
        EXPECT_EQ(object->get_accKeyboardShortcut(child(id), &key), id == 0 ? S_FALSE : S_OK);
        EXPECT_EQ(object->get_accState(child(id), &state) | object->get_accRole(child(id), &role), S_OK);
        object->get_accDefaultAction(child(id), &action);
        char flags[32];
        wsprintfA(flags, "%lx|%ld", state.lVal, role.lVal);
        EXPECT_EQ(narrow(name) + "|" + narrow(key) + "|" + flags + "|" + narrow(action), buttons[id]);
    }
    IUnknown* other = nullptr;
    EXPECT_EQ(object->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&other)), S_OK);
    EXPECT_EQ(other->Release(), 1u) << "the reference the query added, and only that, is given back";
}

// Places are on the screen at the launcher's scale, and a point finds the button drawn there.
TEST_F(LauncherAccess, LocationsHitTestsNavigationAndPress) {
    LONG place[4] = {};
    EXPECT_EQ(object->accLocation(&place[0], &place[1], &place[2], &place[3], child(RegionExit)), S_OK);
    EXPECT_EQ(std::vector<LONG>(place, place + 4), (std::vector<LONG>{134, 624, 204, 60}));
    struct Hit { LONG x, y, vt, id; };  // the regions themselves are the unit table's
    for (Hit h : {Hit{134, 624, VT_I4, 5}, Hit{100 + 238, 50 + 341, VT_I4, 0}, Hit{99, 300, VT_EMPTY, 0}}) {
        VARIANT hit = {};
        EXPECT_EQ(object->accHitTest(h.x, h.y, &hit), h.vt == VT_I4 ? S_OK : S_FALSE) << h.x << "," << h.y;
        EXPECT_TRUE(hit.vt == h.vt && (h.vt == VT_I4 ? hit.lVal : 0) == h.id) << h.x << "," << h.y;
    }
    struct Step { LONG direction, from, to; };
    for (Step s : {Step{NAVDIR_FIRSTCHILD, 0, 1}, Step{NAVDIR_LASTCHILD, 0, 5}, Step{NAVDIR_NEXT, 5, 0}, Step{NAVDIR_NEXT, 0, 0}, Step{NAVDIR_PREVIOUS, 2, 1}}) {
        VARIANT end = {};
        EXPECT_EQ(object->accNavigate(s.direction, child(s.from), &end), s.to ? S_OK : S_FALSE);
        EXPECT_EQ(end.vt == VT_I4 ? end.lVal : 0, s.to) << s.direction << " from " << s.from;
    }
    // A press of a lit button reaches the launcher as its command; a dark one, or the area, is refused.
    EXPECT_TRUE(object->accDoDefaultAction(child(RegionPlay)) == E_FAIL && object->accDoDefaultAction(child(0)) == E_INVALIDARG);
    EXPECT_EQ(object->accDoDefaultAction(child(RegionInstall)), S_OK);
    MSG message = {};
    ASSERT_TRUE(PeekMessageA(&message, window, WM_COMMAND, WM_COMMAND, PM_REMOVE));
    EXPECT_EQ(message.wParam, static_cast<WPARAM>(LauncherPressCommandBase + RegionInstall));
}

// Under a dialog the launcher is disabled: nothing is pressed. Once gone, nothing answers.
TEST_F(LauncherAccess, NoPressWhileCoveredAndErrorsOnceGone) {
    EnableWindow(window, FALSE);
    MSG message = {};
    EXPECT_EQ(object->accDoDefaultAction(child(RegionInstall)), E_FAIL);
    EXPECT_FALSE(PeekMessageA(&message, window, WM_COMMAND, WM_COMMAND, PM_REMOVE));
    DestroyWindow(window);
    LONG count = 0;
    VARIANT state = {};
    for (HRESULT answer : {object->get_accChildCount(&count), object->get_accState(child(0), &state),
                           object->accDoDefaultAction(child(RegionExit))})
        EXPECT_TRUE(FAILED(answer)) << std::hex << answer;
}

}  // namespace
