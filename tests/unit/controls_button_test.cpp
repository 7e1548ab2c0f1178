// The "Button" control under the mouse and the keyboard, as message
// sequences: an action, then the state and the notifications it must cause.
#include <windows.h>

#include "test_windows.h"

#include <vector>

namespace {

struct Notification {
    int id;
    int code;
    LRESULT checkSeen; // BM_GETCHECK of the sender while the parent handles it
};

std::vector<Notification>& Notifications() {
    static std::vector<Notification> log;
    return log;
}

// The parent: records like the recording parent and also notes the check
// state its WM_COMMAND handler finds.
LRESULT CALLBACK ProbingProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_COMMAND)
        Notifications().push_back({LOWORD(wParam), HIWORD(wParam),
                                   SendMessageA(reinterpret_cast<HWND>(lParam), BM_GETCHECK, 0, 0)});
    return RecordingProc(hwnd, message, wParam, lParam);
}

class Buttons : public ::testing::Test {
  protected:
    void SetUp() override {
        parent_ = CreateRecordingParent();
        SetWindowLongA(parent_, GWL_WNDPROC, reinterpret_cast<LONG>(ProbingProc));
        Received().clear();
        Notifications().clear();
    }
    void TearDown() override { DestroyWindow(parent_); }

    HWND Make(DWORD style, int id, int x, int y, int width = 60, int height = 13) {
        return CreateWindowExA(0, "Button", "&Text", WS_CHILD | WS_VISIBLE | style, x, y, width,
                               height, parent_, reinterpret_cast<HMENU>(id), nullptr, nullptr);
    }
    static LRESULT Check(HWND button) { return SendMessageA(button, BM_GETCHECK, 0, 0); }

    TempMachine machine_;
    HWND parent_ = nullptr;
};

TEST_F(Buttons, ClickChangesAutomaticStateBeforeTellingTheParent) {
    struct Case {
        DWORD style;
        WPARAM before;
        LRESULT after;
    } cases[] = {
        {BS_PUSHBUTTON, BST_UNCHECKED, BST_UNCHECKED},
        {BS_DEFPUSHBUTTON, BST_UNCHECKED, BST_UNCHECKED},
        {BS_AUTOCHECKBOX, BST_UNCHECKED, BST_CHECKED},
        {BS_AUTOCHECKBOX, BST_CHECKED, BST_UNCHECKED},
        {BS_CHECKBOX, BST_UNCHECKED, BST_UNCHECKED}, // the program checks it itself
        {BS_AUTO3STATE, BST_INDETERMINATE, BST_UNCHECKED},
        {BS_AUTORADIOBUTTON, BST_UNCHECKED, BST_CHECKED},
        {BS_AUTORADIOBUTTON, BST_CHECKED, BST_CHECKED}, // still notifies
        {BS_RADIOBUTTON, BST_UNCHECKED, BST_UNCHECKED},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.style);
        HWND button = Make(c.style | WS_TABSTOP, 1053, 10, 10);
        SendMessageA(button, BM_SETCHECK, c.before, 0);
        Notifications().clear();
        Click(button);
        EXPECT_EQ(Check(button), c.after);
        ASSERT_EQ(Notifications().size(), 1u);
        EXPECT_EQ(Notifications()[0].id, 1053);
        EXPECT_EQ(Notifications()[0].code, BN_CLICKED);
        EXPECT_EQ(Notifications()[0].checkSeen, c.after);
        EXPECT_EQ(GetFocus(), button); // a click also focuses it
        EXPECT_EQ(SendMessageA(button, BM_GETSTATE, 0, 0) & BST_PUSHED, 0);
        EXPECT_EQ(GetCapture(), nullptr);
        DestroyWindow(button);
    }
}

TEST_F(Buttons, RadioClickClearsOnlyItsOwnGroup) {
    const DWORD radio = BS_AUTORADIOBUTTON | WS_TABSTOP;
    HWND a1 = Make(radio | WS_GROUP, 1, 10, 10);
    HWND a2 = Make(radio, 2, 10, 30);
    HWND hiddenA = CreateWindowExA(0, "Button", "hidden", WS_CHILD | radio, 10, 50, 60, 13, parent_,
                                   reinterpret_cast<HMENU>(3), nullptr, nullptr);
    HWND boxA = Make(BS_AUTOCHECKBOX, 4, 10, 70); // in the group, but no radio button
    HWND a5 = Make(radio, 5, 10, 90);
    HWND b1 = Make(radio | WS_GROUP, 6, 100, 10);
    HWND b2 = Make(radio, 7, 100, 30);
    for (HWND h : {a1, a2, hiddenA, boxA, b1}) SendMessageA(h, BM_SETCHECK, BST_CHECKED, 0);

    Click(a5);
    EXPECT_EQ(Check(a1), BST_UNCHECKED);
    EXPECT_EQ(Check(a2), BST_UNCHECKED);
    EXPECT_EQ(Check(hiddenA), BST_UNCHECKED);
    EXPECT_EQ(Check(boxA), BST_CHECKED);
    EXPECT_EQ(Check(a5), BST_CHECKED);
    EXPECT_EQ(Check(b1), BST_CHECKED); // the next group is left alone
    EXPECT_EQ(Check(b2), BST_UNCHECKED);

    // The first of a group clears the ones after it.
    Click(a1);
    EXPECT_EQ(Check(a1), BST_CHECKED);
    EXPECT_EQ(Check(a5), BST_UNCHECKED);
    EXPECT_EQ(Check(b1), BST_CHECKED);
}

TEST_F(Buttons, DisabledButtonIgnoresMouseKeysAndBmClick) {
    HWND box = Make(BS_AUTOCHECKBOX | WS_TABSTOP | WS_DISABLED, 1035, 10, 10);
    HWND other = Make(BS_PUSHBUTTON | WS_TABSTOP, 1, 100, 10);
    SetFocus(other);
    Click(box);
    SendMessageA(box, BM_CLICK, 0, 0);
    SendMessageA(box, WM_KEYDOWN, VK_SPACE, 0);
    SendMessageA(box, WM_KEYUP, VK_SPACE, 0);
    EXPECT_EQ(Check(box), BST_UNCHECKED);
    EXPECT_TRUE(Notifications().empty());
    EXPECT_EQ(GetFocus(), other);
}

TEST_F(Buttons, SpaceOnTheFocusedButtonClicksWhenReleased) {
    struct Case {
        DWORD style;
        LRESULT after;
    } cases[] = {{BS_PUSHBUTTON, BST_UNCHECKED}, {BS_AUTOCHECKBOX, BST_CHECKED}};
    for (const Case& c : cases) {
        HWND button = Make(c.style | WS_TABSTOP, 1049, 10, 10);
        SetFocus(button);
        Notifications().clear();
        platform::user::KeyInput(VK_SPACE, true, 0, ' ');
        Pump();
        EXPECT_EQ(SendMessageA(button, BM_GETSTATE, 0, 0), BST_PUSHED | BST_FOCUS);
        EXPECT_TRUE(Notifications().empty());
        platform::user::KeyInput(VK_SPACE, false, 0, 0);
        Pump();
        EXPECT_EQ(SendMessageA(button, BM_GETSTATE, 0, 0), c.after | BST_FOCUS);
        ASSERT_EQ(Notifications().size(), 1u);
        EXPECT_EQ(Notifications()[0].code, BN_CLICKED);
        DestroyWindow(button);
    }
}

TEST_F(Buttons, ReleaseOutsideTheButtonDoesNotClick) {
    using platform::user::MouseAction;
    using platform::user::MouseInput;
    HWND box = Make(BS_AUTOCHECKBOX | WS_TABSTOP, 1068, 10, 10);
    POINT inside = CenterOf(box), outside{200, 200};
    MouseInput(MouseAction::LeftDown, inside);
    Pump();
    EXPECT_EQ(GetCapture(), box);
    EXPECT_TRUE(SendMessageA(box, BM_GETSTATE, 0, 0) & BST_PUSHED);
    MouseInput(MouseAction::Move, outside);
    Pump();
    EXPECT_FALSE(SendMessageA(box, BM_GETSTATE, 0, 0) & BST_PUSHED);
    MouseInput(MouseAction::LeftUp, outside);
    Pump();
    EXPECT_EQ(Check(box), BST_UNCHECKED);
    EXPECT_TRUE(Notifications().empty());
    EXPECT_EQ(GetCapture(), nullptr);
}

TEST_F(Buttons, GroupBoxLetsClicksThroughAndNeverTakesFocus) {
    HWND group = Make(BS_GROUPBOX, 1084, 10, 10, 200, 100);
    HWND inner = Make(BS_AUTOCHECKBOX | WS_TABSTOP, 1053, 20, 30); // beneath it in z-order
    HWND other = Make(BS_PUSHBUTTON | WS_TABSTOP, 1, 250, 10);
    SetFocus(other);
    Received().clear();

    Click(POINT{150, 90}); // inside the frame, on no control
    EXPECT_EQ(ReceivedOf(parent_, WM_LBUTTONDOWN).size(), 1u);
    EXPECT_EQ(GetFocus(), other);
    EXPECT_TRUE(Notifications().empty());

    Click(inner);
    EXPECT_EQ(Check(inner), BST_CHECKED);
    ASSERT_EQ(Notifications().size(), 1u);
    EXPECT_EQ(Notifications()[0].id, 1053);
    EXPECT_EQ(SendMessageA(group, WM_GETDLGCODE, 0, 0), DLGC_STATIC);
}

TEST_F(Buttons, CheckStateTakesWhatTheKindCanShow) {
    // Programs set a box from any stored number; values past the highest
    // state show that state.
    struct Case {
        DWORD style;
        WPARAM set;
        LRESULT get;
    } cases[] = {
        {BS_AUTOCHECKBOX, 5000, BST_CHECKED},      {BS_AUTOCHECKBOX, BST_INDETERMINATE, BST_CHECKED},
        {BS_AUTO3STATE, BST_INDETERMINATE, BST_INDETERMINATE},
        {BS_AUTO3STATE, 7, BST_INDETERMINATE},     {BS_AUTORADIOBUTTON, 2, BST_CHECKED},
        {BS_PUSHBUTTON, BST_CHECKED, BST_UNCHECKED}, {BS_GROUPBOX, BST_CHECKED, BST_UNCHECKED},
    };
    for (const Case& c : cases) {
        HWND button = Make(c.style, 1, 10, 10);
        SendMessageA(button, BM_SETCHECK, c.set, 0);
        EXPECT_EQ(Check(button), c.get) << c.style << " set " << c.set;
        EXPECT_EQ(SendMessageA(button, BM_GETSTATE, 0, 0), c.get) << c.style;
        DestroyWindow(button);
    }
}

TEST_F(Buttons, DialogCodesFollowTheKindAndBmSetStyle) {
    struct Case {
        DWORD style;
        LRESULT code;
    } cases[] = {
        {BS_PUSHBUTTON, DLGC_BUTTON | DLGC_UNDEFPUSHBUTTON},
        {BS_DEFPUSHBUTTON, DLGC_BUTTON | DLGC_DEFPUSHBUTTON},
        {BS_AUTOCHECKBOX, DLGC_BUTTON},
        {BS_AUTORADIOBUTTON, DLGC_BUTTON | DLGC_RADIOBUTTON},
        {BS_RADIOBUTTON, DLGC_BUTTON | DLGC_RADIOBUTTON},
    };
    for (const Case& c : cases) {
        HWND button = Make(c.style, 1, 10, 10);
        EXPECT_EQ(SendMessageA(button, WM_GETDLGCODE, 0, 0), c.code) << c.style;
        DestroyWindow(button);
    }
    // The dialog manager moves the default between push buttons; the other
    // style bits stay.
    HWND ok = Make(BS_DEFPUSHBUTTON | WS_TABSTOP, IDOK, 10, 10);
    SendMessageA(ok, BM_SETSTYLE, BS_PUSHBUTTON, TRUE);
    EXPECT_EQ(SendMessageA(ok, WM_GETDLGCODE, 0, 0), DLGC_BUTTON | DLGC_UNDEFPUSHBUTTON);
    EXPECT_TRUE(GetWindowLongA(ok, GWL_STYLE) & WS_TABSTOP);
}

TEST_F(Buttons, BmClickClicksWithoutMovingTheFocus) {
    HWND box = Make(BS_AUTOCHECKBOX | WS_TABSTOP, 1072, 10, 10);
    HWND other = Make(BS_PUSHBUTTON | WS_TABSTOP, 1, 100, 10);
    SetFocus(other);
    SendMessageA(box, BM_CLICK, 0, 0);
    EXPECT_EQ(Check(box), BST_CHECKED);
    ASSERT_EQ(Notifications().size(), 1u);
    EXPECT_EQ(Notifications()[0].checkSeen, BST_CHECKED);
    EXPECT_EQ(GetFocus(), other);
}

} // namespace
