// The tab control, as message sequences: an action, then the notifications
// its parent must get, in order.
#include <windows.h>

#include <commctrl.h>

#include "test_dialog.h"
#include "test_frontend.h"
#include "test_windows.h"

#include <ostream>
#include <string>
#include <vector>

namespace {

using platform::user::KeyInput;

// A notification as the parent saw it: the code, the tab selected at that
// moment, and the key of a TCN_KEYDOWN.
struct Note {
    UINT code;
    LRESULT selected;
    WORD key = 0;
    bool operator==(const Note&) const = default;
};

void PrintTo(const Note& n, std::ostream* os) {
    *os << "{code " << static_cast<int>(n.code) << ", selected " << n.selected << ", key " << n.key
        << "}";
}

std::vector<Note>& Notes() {
    static std::vector<Note> notes;
    return notes;
}
bool refuseChange = false;

void RecordNotify(WPARAM wParam, LPARAM lParam) {
    const auto* header = reinterpret_cast<const NMHDR*>(lParam);
    EXPECT_EQ(wParam, header->idFrom);
    EXPECT_EQ(static_cast<int>(header->idFrom), GetDlgCtrlID(header->hwndFrom));
    Note note{header->code, SendMessageA(header->hwndFrom, TCM_GETCURSEL, 0, 0)};
    if (header->code == TCN_KEYDOWN) note.key = reinterpret_cast<const NMTCKEYDOWN*>(lParam)->wVKey;
    Notes().push_back(note);
}

LRESULT CALLBACK TabParentProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NOTIFY) {
        RecordNotify(wParam, lParam);
        return reinterpret_cast<const NMHDR*>(lParam)->code == TCN_SELCHANGING && refuseChange;
    }
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

constexpr Note Changing(LRESULT selected) { return {TCN_SELCHANGING, selected}; }
constexpr Note Changed(LRESULT selected) { return {TCN_SELCHANGE, selected}; }
constexpr Note KeyDown(WORD vk, LRESULT selected) { return {TCN_KEYDOWN, selected, vk}; }

class TabControls : public ::testing::Test {
  protected:
    void SetUp() override {
        InitCommonControls();
        static bool registered = false;
        if (!registered) {
            WNDCLASSA wc{};
            wc.lpfnWndProc = TabParentProc;
            wc.lpszClassName = "TestTabParent";
            RegisterClassA(&wc);
            registered = true;
        }
        parent_ = CreateWindowExA(0, "TestTabParent", "Tabs", WS_POPUP | WS_VISIBLE, 0, 0, 500,
                                  400, nullptr, nullptr, nullptr, nullptr);
        tab_ = CreateWindowExA(0, WC_TABCONTROLA, "", WS_CHILD | WS_VISIBLE | WS_TABSTOP, 9, 4,
                               445, 330, parent_,
                               reinterpret_cast<HMENU>(static_cast<uintptr_t>(1062)), nullptr,
                               nullptr);
        for (const char* title : {"General", "Effects", "Playback Mixer"}) Insert(99, title);
        Notes().clear();
        refuseChange = false;
    }
    void TearDown() override { DestroyWindow(parent_); }

    LRESULT Msg(UINT m, WPARAM w = 0, LPARAM l = 0) { return SendMessageA(tab_, m, w, l); }
    LRESULT Insert(WPARAM at, const char* title) {
        TCITEMA item{};
        item.mask = TCIF_TEXT;
        item.pszText = const_cast<char*>(title);
        return Msg(TCM_INSERTITEMA, at, reinterpret_cast<LPARAM>(&item));
    }
    std::string Title(WPARAM index, int buffer = 50) {
        std::vector<char> text(static_cast<size_t>(buffer) + 1, '#');
        TCITEMA item{};
        item.mask = TCIF_TEXT;
        item.pszText = text.data();
        item.cchTextMax = buffer;
        if (!Msg(TCM_GETITEMA, index, reinterpret_cast<LPARAM>(&item))) return "(none)";
        return text.data();
    }
    RECT ItemRect(WPARAM index) {
        RECT r{};
        EXPECT_TRUE(Msg(TCM_GETITEMRECT, index, reinterpret_cast<LPARAM>(&r)));
        return r;
    }
    // Clicks a point of the tab control's client area.
    void ClickAt(POINT p) {
        ClientToScreen(tab_, &p);
        Click(p);
    }
    void ClickTab(WPARAM index) {
        RECT r = ItemRect(index);
        ClickAt({(r.left + r.right) / 2, (r.top + r.bottom) / 2});
    }

    TempMachine machine_;
    ScriptedFrontEnd frontEnd_;
    HWND parent_ = nullptr;
    HWND tab_ = nullptr;
};

TEST_F(TabControls, InsertedTabsKeepTheirTitlesAndTheFirstIsSelected) {
    EXPECT_EQ(Msg(TCM_GETITEMCOUNT), 3);
    EXPECT_EQ(Msg(TCM_GETCURSEL), 0);
    EXPECT_EQ(Title(0), "General");
    EXPECT_EQ(Title(2), "Playback Mixer");
    EXPECT_EQ(Title(1, 4), "Eff") << "cut to the buffer, terminated";
    EXPECT_EQ(Title(3), "(none)");

    // Inserting before the selected tab keeps that tab selected.
    Msg(TCM_SETCURSEL, 1);
    EXPECT_EQ(Insert(0, "Record Mixer"), 0);
    EXPECT_EQ(Msg(TCM_GETCURSEL), 2);
    EXPECT_EQ(Title(2), "Effects");
    EXPECT_EQ(Msg(TCM_INSERTITEMA, 0, 0), -1) << "no item";

    EXPECT_TRUE(Msg(TCM_DELETEALLITEMS));
    EXPECT_EQ(Msg(TCM_GETITEMCOUNT), 0);
    EXPECT_EQ(Msg(TCM_GETCURSEL), -1);
    EXPECT_TRUE(Notes().empty());
}

TEST_F(TabControls, ClickingAnotherTabAsksTheParentThenChanges) {
    struct Case {
        const char* name;
        bool refuse;
        WPARAM tab;
        std::vector<Note> notes;
        LRESULT selected;
    };
    const Case cases[] = {
        {"another tab", false, 2, {Changing(0), Changed(2)}, 2},
        {"the selected tab", false, 0, {}, 0},
        {"refused by the parent", true, 1, {Changing(0)}, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Msg(TCM_SETCURSEL, 0);
        SetFocus(parent_);
        Notes().clear();
        refuseChange = c.refuse;
        ClickTab(c.tab);
        EXPECT_EQ(Notes(), c.notes);
        EXPECT_EQ(Msg(TCM_GETCURSEL), c.selected);
        EXPECT_EQ(GetFocus(), tab_);
    }
}

TEST_F(TabControls, EachTabsRectangleIsWhereAClickSelectsIt) {
    // One text row high, side by side from the left edge, each one cell
    // wider than its title on either side; wide characters take two cells.
    Insert(3, "일반");
    const int cells[] = {7, 7, 14, 4};
    LONG left = 0;
    for (WPARAM i = 0; i < 4; ++i) {
        RECT r = ItemRect(i);
        EXPECT_EQ(r.left, left);
        EXPECT_EQ(r.top, 0);
        EXPECT_EQ(r.right - r.left, (cells[i] + 2) * 6);
        EXPECT_EQ(r.bottom, 13);
        left = r.right;
    }
    for (WPARAM i : {3u, 1u, 0u, 2u}) {
        RECT r = ItemRect(i);
        for (POINT p : {POINT{r.left, r.top}, POINT{r.right - 1, r.bottom - 1}}) {
            Msg(TCM_SETCURSEL, (i + 1) % 4);
            ClickAt(p);
            EXPECT_EQ(Msg(TCM_GETCURSEL), static_cast<LRESULT>(i)) << "at " << p.x << "," << p.y;
        }
    }
    // Below the tab row and right of the last tab there is no tab.
    Msg(TCM_SETCURSEL, 1);
    Notes().clear();
    ClickAt({ItemRect(0).left + 2, 13});
    ClickAt({ItemRect(3).right, 2});
    EXPECT_EQ(Msg(TCM_GETCURSEL), 1);
    EXPECT_TRUE(Notes().empty());
    EXPECT_FALSE(Msg(TCM_GETITEMRECT, 4, 0));
}

TEST_F(TabControls, EveryKeyIsReportedAndArrowsChangeTheTab) {
    struct Case {
        const char* name;
        LRESULT from;
        UINT vk;
        std::vector<Note> notes;
    };
    const Case cases[] = {
        {"right", 0, VK_RIGHT, {KeyDown(VK_RIGHT, 0), Changing(0), Changed(1)}},
        {"left", 2, VK_LEFT, {KeyDown(VK_LEFT, 2), Changing(2), Changed(1)}},
        {"left at the first tab", 0, VK_LEFT, {KeyDown(VK_LEFT, 0)}},
        {"right at the last tab", 2, VK_RIGHT, {KeyDown(VK_RIGHT, 2)}},
        {"tab", 1, VK_TAB, {KeyDown(VK_TAB, 1)}},
        {"space", 1, VK_SPACE, {KeyDown(VK_SPACE, 1)}},
    };
    SetFocus(tab_);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Msg(TCM_SETCURSEL, static_cast<WPARAM>(c.from));
        Notes().clear();
        Key(c.vk);
        EXPECT_EQ(Notes(), c.notes);
    }
    // A refusal holds for the keyboard too.
    Msg(TCM_SETCURSEL, 0);
    refuseChange = true;
    Key(VK_RIGHT);
    EXPECT_EQ(Msg(TCM_GETCURSEL), 0);
}

TEST_F(TabControls, TheProgramsSelectionIsSilent) {
    EXPECT_EQ(Msg(TCM_SETCURSEL, 2), 0);
    EXPECT_EQ(Msg(TCM_SETCURSEL, 1), 2);
    EXPECT_EQ(Msg(TCM_SETCURSEL, 3), -1) << "no such tab";
    EXPECT_EQ(Msg(TCM_SETCURSEL, static_cast<WPARAM>(-1)), -1);
    EXPECT_EQ(Msg(TCM_GETCURSEL), 1);
    EXPECT_TRUE(Notes().empty());
}

TEST_F(TabControls, TheDisplayAreaLiesUnderTheTabsAndConvertsBack) {
    RECT window;
    GetWindowRect(tab_, &window);
    RECT display = window;
    Msg(TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&display));
    EXPECT_GE(display.top, window.top + ItemRect(0).bottom);
    EXPECT_GT(display.left, window.left);
    EXPECT_LT(display.right, window.right);
    EXPECT_LT(display.bottom, window.bottom);
    RECT back = display;
    Msg(TCM_ADJUSTRECT, TRUE, reinterpret_cast<LPARAM>(&back));
    EXPECT_EQ(back.left, window.left);
    EXPECT_EQ(back.top, window.top);
    EXPECT_EQ(back.right, window.right);
    EXPECT_EQ(back.bottom, window.bottom);
    // The largest page of the control panel (290 x 188 dialog units) fits
    // into the display area of its tab control (297 x 203) within a pixel
    // or two.
    EXPECT_GE(display.right - display.left, 435 - 2);
    EXPECT_GE(display.bottom - display.top, 305 - 2);
}

// A focusable control of the test's own, for the dialog around the tabs.
LRESULT CALLBACK PlainControlProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

INT_PTR CALLBACK TabDialogProc(HWND, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NOTIFY) RecordNotify(wParam, lParam);
    return message == WM_INITDIALOG;
}

TEST_F(TabControls, InADialogTabReachesTheTabControlAndShiftTabMovesOn) {
    static bool registered = false;
    if (!registered) {
        WNDCLASSA wc{};
        wc.lpfnWndProc = PlainControlProc;
        wc.lpszClassName = "TestPlainControl";
        RegisterClassA(&wc);
        registered = true;
    }
    constexpr DWORD kTabStop = WS_CHILD | WS_VISIBLE | WS_TABSTOP;
    TemplateBuilder t(WS_POPUP | WS_CAPTION | WS_VISIBLE, 200, 120, "Panel");
    t.Add({kTabStop, 4, 4, 190, 90, 1062, WC_TABCONTROLA, ""})
        .Add({kTabStop, 4, 100, 40, 12, IDOK, "TestPlainControl", "OK"});
    HWND dialog = CreateDialogIndirectParamA(nullptr, t.Bytes(), nullptr, TabDialogProc, 0);
    ASSERT_NE(dialog, nullptr);
    HWND tab = GetDlgItem(dialog, 1062);
    SetFocus(tab);

    auto press = [dialog](UINT vk, bool down) {
        KeyInput(vk, down, 0, 0);
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
            if (!IsDialogMessageA(dialog, &msg)) DispatchMessageA(&msg);
    };
    Notes().clear();
    press(VK_TAB, true);
    press(VK_TAB, false);
    EXPECT_EQ(Notes(), (std::vector<Note>{KeyDown(VK_TAB, -1)}));
    EXPECT_EQ(GetFocus(), tab) << "the parent decides where a Tab goes";

    Notes().clear();
    press(VK_SHIFT, true);
    press(VK_TAB, true);
    press(VK_TAB, false);
    press(VK_SHIFT, false);
    EXPECT_EQ(Notes(), (std::vector<Note>{KeyDown(VK_SHIFT, -1)}));
    EXPECT_EQ(GetFocus(), GetDlgItem(dialog, IDOK));
    DestroyWindow(dialog);
}

} // namespace
