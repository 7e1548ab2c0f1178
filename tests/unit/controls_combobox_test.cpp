// The "ComboBox" control and its drop-down list, as message sequences: an
// action, then the notifications it must cause, in order, and the state the
// parent finds while it handles each of them.
#include <windows.h>

#include "test_windows.h"

#include <string>
#include <vector>

namespace {

struct Notification {
    int code;
    LRESULT selectionSeen; // CB_GETCURSEL while the parent handles it
};

std::vector<Notification>& Notifications() {
    static std::vector<Notification> log;
    return log;
}

LRESULT CALLBACK ProbingProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_COMMAND)
        Notifications().push_back(
            {HIWORD(wParam), SendMessageA(reinterpret_cast<HWND>(lParam), CB_GETCURSEL, 0, 0)});
    return RecordingProc(hwnd, message, wParam, lParam);
}

std::vector<int> Codes() {
    std::vector<int> codes;
    for (const Notification& n : Notifications()) codes.push_back(n.code);
    return codes;
}

// Notifications a test does not look at: focus comes and goes with clicks.
std::vector<int> CodesWithoutFocus() {
    std::vector<int> codes;
    for (int c : Codes())
        if (c != CBN_SETFOCUS && c != CBN_KILLFOCUS) codes.push_back(c);
    return codes;
}

constexpr int kRow = platform::user::kCellHeight;
constexpr int kCell = platform::user::kCellWidth;
constexpr UINT kListGetCurSel = 0x0188, kListGetTopIndex = 0x018E;

class ComboBoxes : public ::testing::Test {
  protected:
    void SetUp() override {
        parent_ = CreateRecordingParent(500, 400);
        SetWindowLongA(parent_, GWL_WNDPROC, reinterpret_cast<LONG>(ProbingProc));
        Received().clear();
        Notifications().clear();
    }
    void TearDown() override { DestroyWindow(parent_); }

    // A combo box at (20, 20), 20 cells wide, whose template height leaves
    // `rows` rows for the list, holding "Item 0" ... "Item n-1".
    HWND Make(DWORD style, int items, int rows = 4) {
        HWND combo = CreateWindowExA(0, "ComboBox", "", WS_CHILD | WS_VISIBLE | WS_TABSTOP | style,
                                     20, 20, 20 * kCell, (rows + 1) * kRow, parent_,
                                     reinterpret_cast<HMENU>(1075), nullptr, nullptr);
        for (int i = 0; i < items; ++i)
            SendMessageA(combo, CB_ADDSTRING, 0,
                         reinterpret_cast<LPARAM>(("Item " + std::to_string(i)).c_str()));
        return combo;
    }
    static POINT ButtonOf(HWND combo) {
        RECT r;
        GetWindowRect(combo, &r);
        return {r.right - kCell / 2, (r.top + r.bottom) / 2};
    }
    static HWND ListOf(HWND combo) {
        RECT r;
        GetWindowRect(combo, &r);
        return WindowFromPoint({r.left + 2, r.bottom + 2});
    }
    // The centre of the list's `row`-th row.
    static POINT RowOf(HWND combo, int row) {
        RECT r;
        GetWindowRect(combo, &r);
        return {r.left + 4 * kCell, r.bottom + row * kRow + kRow / 2};
    }
    static std::string Text(HWND combo) {
        char buffer[256] = {};
        GetWindowTextA(combo, buffer, sizeof buffer);
        return buffer;
    }
    static LRESULT Selection(HWND combo) { return SendMessageA(combo, CB_GETCURSEL, 0, 0); }

    TempMachine machine_;
    HWND parent_ = nullptr;
};

TEST_F(ComboBoxes, SetCurSelOutsideTheListClearsSelectionAndField) {
    HWND combo = Make(CBS_DROPDOWN | WS_VSCROLL, 3);
    struct Case {
        WPARAM index;
        LRESULT result;
        const char* text;
    } cases[] = {
        {1, 1, "Item 1"},
        {static_cast<WPARAM>(-1), CB_ERR, ""},
        {3, CB_ERR, ""}, // the count
        {0x7FFFFFFF, CB_ERR, ""},
        {static_cast<WPARAM>(-5), CB_ERR, ""},
    };
    for (const Case& c : cases) {
        SendMessageA(combo, CB_SETCURSEL, 2, 0);
        EXPECT_EQ(SendMessageA(combo, CB_SETCURSEL, c.index, 0), c.result) << c.index;
        EXPECT_EQ(Selection(combo), c.result) << c.index;
        EXPECT_EQ(Text(combo), c.text) << c.index;
    }
    EXPECT_TRUE(Notifications().empty()); // the program's own changes are not told
}

TEST_F(ComboBoxes, ListHoldsItemsInTheOrderGiven) {
    HWND combo = Make(CBS_DROPDOWNLIST, 0);
    EXPECT_EQ(SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("zeta")), 0);
    EXPECT_EQ(SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("Alpha")), 1);
    SendMessageA(combo, CB_SETCURSEL, 1, 0);
    EXPECT_EQ(SendMessageA(combo, CB_INSERTSTRING, 0, reinterpret_cast<LPARAM>("first")), 0);
    EXPECT_EQ(SendMessageA(combo, CB_INSERTSTRING, static_cast<WPARAM>(-1),
                           reinterpret_cast<LPARAM>("last")), 3);
    EXPECT_EQ(SendMessageA(combo, CB_INSERTSTRING, 9, reinterpret_cast<LPARAM>("far")), CB_ERR);
    EXPECT_EQ(Selection(combo), 2); // "Alpha" moved down with the insertion
    EXPECT_EQ(SendMessageA(combo, CB_GETCOUNT, 0, 0), 4);

    char buffer[16];
    EXPECT_EQ(SendMessageA(combo, CB_GETLBTEXT, 1, reinterpret_cast<LPARAM>(buffer)), 4);
    EXPECT_STREQ(buffer, "zeta");
    EXPECT_EQ(SendMessageA(combo, CB_GETLBTEXTLEN, 2, 0), 5);
    EXPECT_EQ(SendMessageA(combo, CB_GETLBTEXT, 4, reinterpret_cast<LPARAM>(buffer)), CB_ERR);
    EXPECT_EQ(SendMessageA(combo, CB_GETLBTEXTLEN, static_cast<WPARAM>(-1), 0), CB_ERR);

    // Prefix search without case, after the start index, wrapping round.
    EXPECT_EQ(SendMessageA(combo, CB_FINDSTRING, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>("AL")), 2);
    EXPECT_EQ(SendMessageA(combo, CB_FINDSTRING, 2, reinterpret_cast<LPARAM>("al")), 2);
    EXPECT_EQ(SendMessageA(combo, CB_FINDSTRING, 0, reinterpret_cast<LPARAM>("f")), 0);
    EXPECT_EQ(SendMessageA(combo, CB_FINDSTRING, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>("x")), CB_ERR);

    EXPECT_EQ(SendMessageA(combo, CB_RESETCONTENT, 0, 0), 0);
    EXPECT_EQ(SendMessageA(combo, CB_GETCOUNT, 0, 0), 0);
    EXPECT_EQ(Selection(combo), CB_ERR);
    EXPECT_EQ(Text(combo), "");
}

TEST_F(ComboBoxes, PickingAnItemFromTheDroppedList) {
    HWND combo = Make(CBS_DROPDOWN | WS_VSCROLL, 6, 4);
    SendMessageA(combo, CB_SETCURSEL, 0, 0);
    RECT field;
    GetWindowRect(combo, &field);
    EXPECT_EQ(field.bottom - field.top, kRow); // the template's height was for the list

    Click(ButtonOf(combo));
    EXPECT_EQ(CodesWithoutFocus(), std::vector<int>{CBN_DROPDOWN});
    EXPECT_TRUE(SendMessageA(combo, CB_GETDROPPEDSTATE, 0, 0));
    EXPECT_EQ(GetFocus(), combo);
    HWND list = ListOf(combo);
    ASSERT_NE(list, nullptr);
    char name[32];
    GetClassNameA(list, name, sizeof name);
    EXPECT_STREQ(name, "ComboLBox");
    EXPECT_TRUE(GetWindowLongA(list, GWL_STYLE) & WS_POPUP);
    EXPECT_TRUE(IsWindowVisible(list));
    EXPECT_EQ(GetWindow(list, GW_OWNER), parent_);
    RECT r;
    GetWindowRect(list, &r);
    EXPECT_EQ(r.left, field.left);
    EXPECT_EQ(r.top, field.bottom);
    EXPECT_EQ(r.right, field.right);
    EXPECT_EQ(r.bottom - r.top, 4 * kRow);

    // Hovering highlights without choosing.
    platform::user::MouseInput(platform::user::MouseAction::Move, RowOf(combo, 3));
    Pump();
    EXPECT_EQ(SendMessageA(list, kListGetCurSel, 0, 0), 3);
    EXPECT_EQ(Selection(combo), 0);

    Notifications().clear();
    Click(RowOf(combo, 2));
    EXPECT_EQ(Codes(), (std::vector<int>{CBN_SELENDOK, CBN_CLOSEUP, CBN_SELCHANGE}));
    for (const Notification& n : Notifications()) EXPECT_EQ(n.selectionSeen, 2) << n.code;
    EXPECT_EQ(Text(combo), "Item 2");
    EXPECT_FALSE(SendMessageA(combo, CB_GETDROPPEDSTATE, 0, 0));
    EXPECT_FALSE(IsWindowVisible(list));
    EXPECT_EQ(GetCapture(), nullptr);
}

TEST_F(ComboBoxes, ClosingWithoutAPickKeepsTheSelection) {
    struct Case {
        const char* what;
        void (*act)(HWND combo, HWND other);
    } cases[] = {
        {"click outside", [](HWND, HWND) { Click(POINT{400, 300}); }},
        {"click on the button again", [](HWND combo, HWND) { Click(ButtonOf(combo)); }},
        {"Escape", [](HWND, HWND) { Key(VK_ESCAPE); }},
        {"focus elsewhere", [](HWND, HWND other) { SetFocus(other); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        HWND combo = Make(CBS_DROPDOWN | WS_VSCROLL, 6);
        HWND other = CreateWindowExA(0, "Button", "other", WS_CHILD | WS_VISIBLE, 300, 20, 60, 13,
                                     parent_, reinterpret_cast<HMENU>(1), nullptr, nullptr);
        SendMessageA(combo, CB_SETCURSEL, 1, 0);
        Click(ButtonOf(combo));
        platform::user::MouseInput(platform::user::MouseAction::Move, RowOf(combo, 3));
        Pump();
        Notifications().clear();
        Received().clear();
        c.act(combo, other);
        EXPECT_EQ(CodesWithoutFocus(), (std::vector<int>{CBN_SELENDCANCEL, CBN_CLOSEUP}));
        EXPECT_EQ(Selection(combo), 1);
        EXPECT_EQ(Text(combo), "Item 1");
        EXPECT_FALSE(SendMessageA(combo, CB_GETDROPPEDSTATE, 0, 0));
        EXPECT_EQ(GetCapture(), nullptr);
        // The click that closes the list does nothing else.
        EXPECT_TRUE(ReceivedOf(parent_, WM_LBUTTONDOWN).empty());
        DestroyWindow(combo);
        DestroyWindow(other);
    }
}

TEST_F(ComboBoxes, KeyboardMovesTheSelection) {
    using platform::user::kAlt;
    struct Step {
        UINT key;
        UINT modifiers;
        std::vector<int> codes;
        LRESULT selection;
        bool dropped;
    };
    struct Case {
        const char* what;
        std::vector<Step> steps;
    } cases[] = {
        {"arrows in the closed combo box",
         {{VK_DOWN, 0, {CBN_SELENDOK, CBN_SELCHANGE}, 2, false},
          {VK_UP, 0, {CBN_SELENDOK, CBN_SELCHANGE}, 1, false},
          {VK_UP, 0, {CBN_SELENDOK, CBN_SELCHANGE}, 0, false},
          {VK_UP, 0, {}, 0, false}}},
        {"F4, arrows, Enter",
         {{VK_F4, 0, {CBN_DROPDOWN}, 1, true},
          {VK_DOWN, 0, {CBN_SELCHANGE}, 2, true},
          {VK_DOWN, 0, {CBN_SELCHANGE}, 3, true},
          {VK_RETURN, 0, {CBN_SELENDOK, CBN_CLOSEUP}, 3, false}}},
        {"Alt+Down opens, Escape cancels",
         {{VK_DOWN, kAlt, {CBN_DROPDOWN}, 1, true},
          {VK_ESCAPE, 0, {CBN_SELENDCANCEL, CBN_CLOSEUP}, 1, false}}},
        {"F4 closes what F4 opened",
         {{VK_F4, 0, {CBN_DROPDOWN}, 1, true}, {VK_F4, 0, {CBN_SELENDOK, CBN_CLOSEUP}, 1, false}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        HWND combo = Make(CBS_DROPDOWN | WS_VSCROLL, 4);
        SendMessageA(combo, CB_SETCURSEL, 1, 0);
        SetFocus(combo);
        for (const Step& step : c.steps) {
            SCOPED_TRACE(step.key);
            Notifications().clear();
            Key(step.key, step.modifiers);
            EXPECT_EQ(Codes(), step.codes);
            EXPECT_EQ(Selection(combo), step.selection);
            EXPECT_EQ(SendMessageA(combo, CB_GETDROPPEDSTATE, 0, 0) != 0, step.dropped);
        }
        char expected[16];
        SendMessageA(combo, CB_GETLBTEXT, Selection(combo), reinterpret_cast<LPARAM>(expected));
        EXPECT_EQ(Text(combo), expected);
        DestroyWindow(combo);
    }
}

TEST_F(ComboBoxes, TypingEditsTheFieldAndLeavesNoSelection) {
    HWND combo = Make(CBS_DROPDOWN | WS_VSCROLL, 3);
    SendMessageA(combo, CB_SETCURSEL, 1, 0);
    SetFocus(combo); // selects the field's text: typing replaces it
    Notifications().clear();

    platform::user::TextInput("ab");
    Pump();
    EXPECT_EQ(Text(combo), "ab");
    EXPECT_EQ(Codes(), (std::vector<int>{CBN_EDITUPDATE, CBN_EDITCHANGE, CBN_EDITUPDATE,
                                         CBN_EDITCHANGE}));
    // A typed text is no item of the list.
    EXPECT_EQ(Selection(combo), CB_ERR);
    EXPECT_EQ(Notifications()[0].selectionSeen, CB_ERR);

    Notifications().clear();
    Key(VK_BACK, 0, '\b');
    EXPECT_EQ(Text(combo), "a");
    EXPECT_EQ(Codes(), (std::vector<int>{CBN_EDITUPDATE, CBN_EDITCHANGE}));
    Key(VK_LEFT);
    Key(VK_DELETE);
    Key(VK_BACK); // nothing left of the caret
    EXPECT_EQ(Text(combo), "");

    // Typed with the list open, the text stays when Enter closes it. (The
    // item's text is selected, so typing replaces it.)
    SendMessageA(combo, CB_SETCURSEL, 2, 0);
    Key(VK_F4);
    Notifications().clear();
    platform::user::TextInput("z");
    Pump();
    Key(VK_RETURN);
    EXPECT_EQ(Text(combo), "z");
    EXPECT_EQ(Selection(combo), CB_ERR);
    EXPECT_EQ(Codes(), (std::vector<int>{CBN_EDITUPDATE, CBN_EDITCHANGE, CBN_SELENDOK, CBN_CLOSEUP}));

    // A drop-down list has no field to type into.
    HWND list = Make(CBS_DROPDOWNLIST, 3);
    SendMessageA(list, CB_SETCURSEL, 0, 0);
    SetFocus(list);
    Notifications().clear();
    platform::user::TextInput("x");
    Pump();
    EXPECT_EQ(Text(list), "Item 0");
    EXPECT_TRUE(Notifications().empty());
}

TEST_F(ComboBoxes, TypedBytesMakeWholeCharacters) {
    struct Case {
        std::string typed;
        std::string text;
    } cases[] = {
        {"\xC3\xA9t\xC3\xA9", "\xC3\xA9t\xC3\xA9"},      // two-byte characters
        {"\xE9\x9F\xB3", "\xE9\x9F\xB3"},                // three bytes
        {"\xF0\x9F\x8E\xB5!", "\xF0\x9F\x8E\xB5!"},      // four bytes
        {"a\xA9" "b", "ab"},                             // a stray continuation byte
        {"\xC3" "b", "b"},                               // a lead byte cut short
        {"\xE0\x80\x80z", "z"},                          // an overlong form
        {"\xED\xA0\x80z", "z"},                          // a surrogate
        {"\xFF\xC0\xAFq", "q"},                          // bytes UTF-8 never uses
    };
    HWND combo = Make(CBS_DROPDOWN | CBS_AUTOHSCROLL, 0);
    for (const Case& c : cases) {
        SetWindowTextA(combo, "");
        SetFocus(combo);
        platform::user::TextInput(c.typed);
        Pump();
        EXPECT_EQ(Text(combo), c.text) << c.text;
    }
    // Backspace takes a whole character.
    SetWindowTextA(combo, "");
    platform::user::TextInput("x\xC3\xA9");
    Pump();
    Key(VK_BACK);
    EXPECT_EQ(Text(combo), "x");
}

TEST_F(ComboBoxes, FieldWithoutAutoScrollTakesWhatItShows) {
    HWND combo = Make(CBS_DROPDOWN, 0); // 20 cells, one of them the button
    SetFocus(combo);
    platform::user::TextInput(std::string(30, 'w'));
    Pump();
    EXPECT_EQ(Text(combo), std::string(19, 'w'));
}

TEST_F(ComboBoxes, ScrollBarOfALongList) {
    HWND combo = Make(CBS_DROPDOWNLIST | WS_VSCROLL, 10, 3);
    SendMessageA(combo, CB_SETCURSEL, 8, 0);
    Click(combo); // a drop-down list opens from anywhere on its field
    HWND list = ListOf(combo);
    ASSERT_NE(list, nullptr);
    EXPECT_TRUE(GetWindowLongA(list, GWL_STYLE) & WS_VSCROLL);
    EXPECT_EQ(SendMessageA(list, kListGetTopIndex, 0, 0), 6); // the selection is in view

    RECT r;
    GetWindowRect(list, &r);
    POINT up{r.right - kCell / 2, r.top + kRow / 2};
    for (int i = 0; i < 4; ++i) Click(up);
    EXPECT_EQ(SendMessageA(list, kListGetTopIndex, 0, 0), 2);
    EXPECT_TRUE(SendMessageA(combo, CB_GETDROPPEDSTATE, 0, 0));

    Notifications().clear();
    Click(RowOf(combo, 1));
    EXPECT_EQ(Selection(combo), 3);
    EXPECT_EQ(Codes(), (std::vector<int>{CBN_SELENDOK, CBN_CLOSEUP, CBN_SELCHANGE}));
}

HWND victim = nullptr;

// A parent that destroys the combo box when the user's choice arrives.
LRESULT CALLBACK DestroyingProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_COMMAND && HIWORD(wParam) == CBN_SELENDOK && victim != nullptr) {
        DestroyWindow(victim);
        victim = nullptr;
    }
    return ProbingProc(hwnd, message, wParam, lParam);
}

TEST_F(ComboBoxes, ParentMayDestroyTheComboBoxWhileNotified) {
    SetWindowLongA(parent_, GWL_WNDPROC, reinterpret_cast<LONG>(DestroyingProc));
    victim = Make(CBS_DROPDOWN | WS_VSCROLL, 4);
    HWND combo = victim;
    Click(ButtonOf(combo));
    Click(RowOf(combo, 1));
    EXPECT_FALSE(IsWindow(combo));
    EXPECT_EQ(GetCapture(), nullptr);
    EXPECT_EQ(CodesWithoutFocus().back(), CBN_SELENDOK);
}

} // namespace
