// The dialog manager and the message queue, as message sequences: an action,
// then the messages it must cause, in order.
#include <windows.h>

#include "test_dialog.h"
#include "test_frontend.h"
#include "test_windows.h"

#include <algorithm>

namespace {

// A control class of the test's own that takes the focus and records what
// it gets, so these tests do not depend on the platform's controls.
LRESULT CALLBACK TestControlProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    Received().push_back({hwnd, message, wParam, lParam});
    if (message == WM_LBUTTONDOWN) SetFocus(hwnd);
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

INT_PTR CALLBACK RecordingDialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    Received().push_back({hwnd, message, wParam, lParam});
    if (message == WM_COMMAND && (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)) {
        EndDialog(hwnd, LOWORD(wParam));
        return TRUE;
    }
    return message == WM_INITDIALOG;
}

// Records WM_HELP with the control id in wParam and the context type in
// lParam, since the HELPINFO record lives only during the call.
std::vector<HELPINFO> helpSeen;
INT_PTR CALLBACK HelpRecordingDialogProc(HWND h, UINT m, WPARAM w, LPARAM l) {
    if (m == WM_HELP) {
        helpSeen.push_back(*reinterpret_cast<HELPINFO*>(l));
        return TRUE;
    }
    return RecordingDialogProc(h, m, w, l);
}

class Dialogs : public ::testing::Test {
  protected:
    void SetUp() override {
        Received().clear();
        static bool registered = false;
        if (!registered) {
            WNDCLASSA wc{};
            wc.lpfnWndProc = TestControlProc;
            wc.lpszClassName = "TestControl";
            RegisterClassA(&wc);
            registered = true;
        }
    }
    // Messages of one kind that the dialog got, by their wParam's low word.
    static std::vector<int> Commands() {
        std::vector<int> ids;
        for (const Recorded& r : Received())
            if (r.message == WM_COMMAND) ids.push_back(LOWORD(r.wParam));
        return ids;
    }
    TempMachine machine_;
    ScriptedFrontEnd frontEnd_;
};

constexpr DWORD kTab = WS_CHILD | WS_VISIBLE | WS_TABSTOP;

TemplateBuilder FourControls() {
    TemplateBuilder t(WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME, 160, 80, "Four");
    t.Add({kTab | WS_GROUP, 4, 4, 40, 10, 101, "TestControl", "A"})
        .Add({WS_CHILD | WS_VISIBLE, 4, 16, 40, 10, 102, "TestControl", "not a tab stop"})
        .Add({kTab, 4, 28, 40, 10, 103, "TestControl", "B"})
        .Add({kTab | WS_DISABLED, 4, 40, 40, 10, 104, "TestControl", "disabled"})
        .Add({kTab, 4, 52, 40, 10, IDCANCEL, "TestControl", "Cancel"});
    return t;
}

TEST_F(Dialogs, EscapeAndEnterCommandTheDialog) {
    struct Case {
        UINT key;
        int focusId; // 0: leave the focus where the dialog put it
        INT_PTR result;
    } cases[] = {
        {VK_ESCAPE, 0, IDCANCEL},
        {VK_RETURN, 0, IDOK}, // no default button: IDOK
        {VK_RETURN, 103, IDOK},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.key);
        Received().clear();
        TemplateBuilder t = FourControls();
        frontEnd_.Then([&] {
            HWND dialog = GetActiveWindow();
            if (c.focusId) SetFocus(GetDlgItem(dialog, c.focusId));
            platform::user::KeyInput(c.key, true, 0, 0);
        });
        INT_PTR result = DialogBoxIndirectParamA(nullptr, t.Bytes(), nullptr, RecordingDialogProc, 0);
        EXPECT_EQ(result, c.result);
        EXPECT_EQ(Commands(), std::vector<int>{static_cast<int>(c.result)});
    }
}

TEST_F(Dialogs, InitDialogOffersTheFirstTabStopAndTabWalksTheTabStops) {
    TemplateBuilder t = FourControls();
    std::vector<int> focusSeen;
    auto note = [&] { focusSeen.push_back(GetDlgCtrlID(GetFocus())); };
    frontEnd_.Then([&] {
        note();
        platform::user::KeyInput(VK_TAB, true, 0, 0);
    });
    frontEnd_.Then([&] {
        note();
        platform::user::KeyInput(VK_TAB, true, 0, 0);
    });
    frontEnd_.Then([&] {
        note();
        platform::user::KeyInput(VK_TAB, true, 0, 0);
    });
    frontEnd_.Then([&] {
        note();
        platform::user::KeyInput(VK_SHIFT, true, platform::user::kShift, 0);
        platform::user::KeyInput(VK_TAB, true, platform::user::kShift, 0);
    });
    frontEnd_.Then([&] {
        platform::user::KeyInput(VK_SHIFT, false, 0, 0);
        note();
        platform::user::KeyInput(VK_ESCAPE, true, 0, 0);
    });
    DialogBoxIndirectParamA(nullptr, t.Bytes(), nullptr, RecordingDialogProc, 0);
    // A, B (the static is no tab stop, the disabled one is skipped), Cancel,
    // A again; Shift+Tab goes back to Cancel.
    EXPECT_EQ(focusSeen, (std::vector<int>{101, 103, IDCANCEL, 101, IDCANCEL}));
    auto init = std::find_if(Received().begin(), Received().end(),
                             [](const Recorded& r) { return r.message == WM_INITDIALOG; });
    ASSERT_NE(init, Received().end());
    EXPECT_EQ(GetDlgCtrlID(reinterpret_cast<HWND>(init->wParam)), 0)
        << "the controls are gone once the dialog ended";
}

TEST_F(Dialogs, HelpButtonThenAClickSendsWmHelpForThatControl) {
    TemplateBuilder t(WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_CONTEXTHELP, 160, 80,
                      "Help");
    t.Add({kTab, 4, 4, 40, 10, 101, "TestControl", "A"})
        .Add({kTab, 4, 20, 40, 10, 0xFFFF, "TestControl", "label"});
    helpSeen.clear();
    auto helpClick = [&](int id) {
        return [&, id] {
            HWND dialog = GetActiveWindow();
            platform::user::Window* top = platform::user::Find(dialog);
            RECT help = platform::user::HelpButtonRect(top);
            POINT p{(help.left + help.right) / 2, (help.top + help.bottom) / 2};
            platform::user::MouseInput(platform::user::MouseAction::LeftDown, p);
            platform::user::MouseInput(platform::user::MouseAction::LeftUp, p);
            platform::user::MouseInput(platform::user::MouseAction::LeftDown,
                                       CenterOf(GetDlgItem(dialog, id)));
            platform::user::MouseInput(platform::user::MouseAction::LeftUp,
                                       CenterOf(GetDlgItem(dialog, id)));
        };
    };
    frontEnd_.Then(helpClick(101));
    frontEnd_.Then(helpClick(0xFFFF));
    frontEnd_.Then([] { platform::user::KeyInput(VK_ESCAPE, true, 0, 0); });
    DialogBoxIndirectParamA(nullptr, t.Bytes(), nullptr, HelpRecordingDialogProc, 0);
    std::vector<int> helpIds;
    for (const HELPINFO& info : helpSeen) {
        EXPECT_EQ(info.iContextType, HELPINFO_WINDOW);
        EXPECT_EQ(info.cbSize, sizeof(HELPINFO));
        helpIds.push_back(info.iCtrlId);
    }
    EXPECT_EQ(helpIds, (std::vector<int>{101, 0xFFFF}));
    // The control under the help pointer got WM_HELP first and passed it up;
    // it saw no button press.
    for (const Recorded& r : Received())
        EXPECT_NE(r.message, static_cast<UINT>(WM_LBUTTONDOWN));
}

TEST_F(Dialogs, NestedModalLoopKeepsDispatchingTheOwnersTimersAndPosts) {
    HWND owner = CreateRecordingParent();
    SetTimer(owner, 2, 1000, nullptr);
    PostMessageA(owner, WM_APP + 1, 40008, 0);
    TemplateBuilder t = FourControls();
    // The dialog waits 2.5 s of virtual time, then the user presses Escape.
    frontEnd_.Then([] { platform::ClockAdvance(1000); });
    frontEnd_.Then([] { platform::ClockAdvance(1000); });
    frontEnd_.Then([] { platform::ClockAdvance(500); });
    frontEnd_.Then([owner] {
        EXPECT_FALSE(IsWindowEnabled(owner)) << "the owner is disabled while the dialog runs";
        platform::user::KeyInput(VK_ESCAPE, true, 0, 0);
    });
    EXPECT_EQ(DialogBoxIndirectParamA(nullptr, t.Bytes(), owner, RecordingDialogProc, 0), IDCANCEL);
    EXPECT_EQ(ReceivedOf(owner, WM_TIMER).size(), 2u);
    EXPECT_EQ(ReceivedOf(owner, WM_APP + 1).size(), 1u);
    EXPECT_TRUE(IsWindowEnabled(owner));
    DestroyWindow(owner);
}

TEST_F(Dialogs, DestroyingTheOwnerEndsItsModalDialog) {
    HWND owner = CreateRecordingParent();
    TemplateBuilder t = FourControls();
    frontEnd_.Then([owner] { DestroyWindow(owner); });
    INT_PTR result = DialogBoxIndirectParamA(nullptr, t.Bytes(), owner, RecordingDialogProc, 0);
    EXPECT_EQ(result, 0);
    EXPECT_FALSE(IsWindow(owner));
    EXPECT_EQ(GetActiveWindow(), nullptr);
}

TEST_F(Dialogs, AQuitMessageEndsTheModalLoopAndIsPostedAgain) {
    TemplateBuilder t = FourControls();
    frontEnd_.Then([] { PostQuitMessage(5); });
    DialogBoxIndirectParamA(nullptr, t.Bytes(), nullptr, RecordingDialogProc, 0);
    MSG msg;
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_QUIT));
    EXPECT_EQ(msg.wParam, 5u);
}

TEST_F(Dialogs, DestroyWindowReachesTheWindowThenItsChildren) {
    HWND parent = CreateRecordingParent();
    HWND first = CreateWindowExA(0, "TestControl", "1", WS_CHILD, 0, 0, 10, 10, parent,
                                 reinterpret_cast<HMENU>(1), nullptr, nullptr);
    HWND grandchild = CreateWindowExA(0, "TestControl", "1.1", WS_CHILD, 0, 0, 5, 5, first,
                                      reinterpret_cast<HMENU>(11), nullptr, nullptr);
    HWND second = CreateWindowExA(0, "TestControl", "2", WS_CHILD, 0, 0, 10, 10, parent,
                                  reinterpret_cast<HMENU>(2), nullptr, nullptr);
    Received().clear();
    DestroyWindow(parent);
    std::vector<std::pair<HWND, UINT>> seen;
    for (const Recorded& r : Received())
        if (r.message == WM_DESTROY || r.message == WM_NCDESTROY) seen.push_back({r.hwnd, r.message});
    const std::vector<std::pair<HWND, UINT>> expected = {
        {parent, WM_DESTROY},        {first, WM_DESTROY},     {grandchild, WM_DESTROY},
        {grandchild, WM_NCDESTROY},  {first, WM_NCDESTROY},   {second, WM_DESTROY},
        {second, WM_NCDESTROY},      {parent, WM_NCDESTROY}};
    EXPECT_EQ(seen, expected);
    EXPECT_FALSE(IsWindow(grandchild));
}

} // namespace
