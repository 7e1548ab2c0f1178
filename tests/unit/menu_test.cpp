// Menus: menus read from a module's resources, the pop-up menu of
// TrackPopupMenu answered by the mouse and the keyboard from inside its
// loop, and a window's menu bar.
#include <windows.h>

#include "test_frontend.h"
#include "host/text.h"
#include "test_windows.h"
#include "user/menu.h"

#include "../modules/resources/resource_ids.h"

#include <filesystem>
#include <functional>

namespace fs = std::filesystem;
using namespace platform::user;

namespace {

POINT Center(const RECT& r) {
    return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

RECT OpenItem(int index) {
    auto open = OpenMenu();
    EXPECT_TRUE(open.has_value()) << "no menu is open";
    if (!open || index >= static_cast<int>(open->items.size())) return {0, 0, 0, 0};
    return open->items[index];
}

void Press(POINT p, bool right = false) {
    MouseInput(MouseAction::Move, p);
    MouseInput(right ? MouseAction::RightDown : MouseAction::LeftDown, p);
    MouseInput(right ? MouseAction::RightUp : MouseAction::LeftUp, p);
}

void Keys(std::initializer_list<UINT> keys) {
    for (UINT vk : keys) {
        unsigned char ch =
            (vk >= 'A' && vk <= 'Z') ? static_cast<unsigned char>(vk - 'A' + 'a') : 0;
        KeyInput(vk, true, 0, ch);
        KeyInput(vk, false, 0, 0);
    }
}

// The messages of the menu loop that a window received, in order.
std::vector<Recorded> MenuMessages(HWND hwnd) {
    std::vector<Recorded> out;
    for (const Recorded& r : Received())
        if (r.hwnd == hwnd && (r.message == WM_ENTERMENULOOP || r.message == WM_EXITMENULOOP ||
                               r.message == WM_INITMENU || r.message == WM_INITMENUPOPUP ||
                               r.message == WM_MENUSELECT || r.message == WM_COMMAND))
            out.push_back(r);
    return out;
}

HWND otherWindow = nullptr;
void CALLBACK ActivateOtherWindow(HWND, UINT, UINT_PTR, DWORD) {
    SetForegroundWindow(otherWindow);
}

class Menus : public ::testing::Test {
  protected:
    void SetUp() override {
        Received().clear();
        fs::path to = machine_.DriveC() / "WINDOWS/SYSTEM/RESOURCES.DLL";
        fs::create_directories(to.parent_path());
        fs::copy_file(fs::path(TEST_MODULES_DIR) / "RESOURCES.DLL", to,
                      fs::copy_options::overwrite_existing);
        module_ = LoadLibraryA("RESOURCES.DLL");
        ASSERT_NE(module_, nullptr);
        owner_ = CreateRecordingParent();
        SetForegroundWindow(owner_);
    }
    void TearDown() override {
        if (IsWindow(owner_)) DestroyWindow(owner_);
        if (menu_ != nullptr) DestroyMenu(menu_);
        if (module_ != nullptr) FreeLibrary(module_);
    }

    // A pop-up menu: "&Open" 11, a separator, "E&xit" 12 grayed, "&Save" 13
    // and "&Show" 14 (two items with the same mnemonic).
    HMENU Popup() {
        platform::MenuTemplateInfo info;
        auto item = [](const char* text, DWORD id, DWORD type = 0, DWORD state = 0) {
            platform::MenuItemInfo i;
            i.text = text;
            i.id = id;
            i.type = type;
            i.state = state;
            return i;
        };
        info.items = {item("&Open", 11), item("", 0, platform::kMenuTypeSeparator),
                      item("E&xit", 12, 0, platform::kMenuStateGrayed), item("&Save", 13),
                      item("&Show", 14)};
        menu_ = CreateMenuFrom(info);
        return menu_;
    }

    TempMachine machine_;
    ScriptedFrontEnd frontEnd_;
    HMODULE module_ = nullptr;
    HWND owner_ = nullptr;
    HMENU menu_ = nullptr;
};

TEST_F(Menus, LoadMenuReadsTheResourceIntoHandles) {
    HMENU bar = LoadMenuA(module_, MAKEINTRESOURCEA(IDM_TEST));
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(GetMenuItemCount(bar), 3);
    EXPECT_EQ(GetMenuItemID(bar, 0), static_cast<UINT>(-1)) << "an item that opens a pop-up";
    EXPECT_EQ(GetMenuItemID(bar, 1), static_cast<UINT>(IDM_CHECKED));
    EXPECT_EQ(GetMenuItemID(bar, 3), static_cast<UINT>(-1)) << "past the end";
    EXPECT_TRUE((*MenuItems(bar))[1].Checked());

    HMENU file = GetSubMenu(bar, 0);
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(GetSubMenu(bar, 1), nullptr);
    EXPECT_EQ(GetMenuItemCount(file), 3);
    EXPECT_EQ(GetMenuItemID(file, 0), static_cast<UINT>(IDM_OPEN));
    EXPECT_EQ(GetMenuItemID(file, 1), 0u) << "a separator";
    EXPECT_TRUE((*MenuItems(file))[1].Separator());
    EXPECT_TRUE((*MenuItems(file))[2].Grayed());

    char text[32];
    EXPECT_EQ(GetMenuStringA(bar, 0, text, sizeof text, MF_BYPOSITION), 5);
    EXPECT_STREQ(text, "&File");
    EXPECT_EQ(GetMenuStringA(bar, IDM_EXIT, text, sizeof text, MF_BYCOMMAND), 5)
        << "by command, the pop-ups are searched too";
    EXPECT_STREQ(text, "E&xit");
    EXPECT_EQ(GetMenuStringA(bar, IDM_EXIT, text, 3, MF_BYCOMMAND), 2);
    EXPECT_STREQ(text, "E&");
    EXPECT_EQ(GetMenuStringA(bar, IDM_EXIT, nullptr, 0, MF_BYCOMMAND), 5) << "the length";
    EXPECT_EQ(GetMenuStringA(bar, 9999, text, sizeof text, MF_BYCOMMAND), 0);

    HMENU extended = LoadMenuA(module_, MAKEINTRESOURCEA(IDM_TEST_EX));
    ASSERT_NE(extended, nullptr);
    HMENU options = GetSubMenu(extended, 0);
    ASSERT_EQ(GetMenuItemCount(options), 2);
    EXPECT_EQ(GetMenuItemID(options, 0), static_cast<UINT>(IDM_ITEM_EX));
    EXPECT_TRUE((*MenuItems(options))[1].Separator());
    EXPECT_TRUE(DestroyMenu(extended));

    // A menu goes with its pop-ups.
    EXPECT_TRUE(DestroyMenu(bar));
    EXPECT_EQ(GetMenuItemCount(file), -1);
    EXPECT_FALSE(DestroyMenu(bar));
    EXPECT_EQ(LoadMenuA(module_, MAKEINTRESOURCEA(999)), nullptr);
}

TEST_F(Menus, TrackPopupMenuAnsweredByMouseAndKeys) {
    struct Case {
        const char* what;
        UINT flags;
        std::function<void()> act;
        UINT result;
    };
    const UINT kCmd = TPM_RETURNCMD;
    std::vector<Case> cases = {
        {"click an item", kCmd, [] { Press(Center(OpenItem(3))); }, 13},
        {"click outside", kCmd,
         [] {
             Press({590, 500});
         },
         0},
        {"Escape", kCmd, [] { Keys({VK_ESCAPE}); }, 0},
        {"separator and grayed item cannot be chosen", kCmd,
         [] {
             Press(Center(OpenItem(1)));
             Press(Center(OpenItem(2)));
             Keys({VK_ESCAPE});
         },
         0},
        {"Down skips the separator, Enter chooses", kCmd,
         [] {
             Keys({VK_DOWN, VK_DOWN, VK_DOWN, VK_RETURN});
         },
         13},
        {"Up from nothing goes to the last item", kCmd,
         [] {
             Keys({VK_UP, VK_RETURN});
         },
         14},
        {"a mnemonic chooses at once", kCmd, [] { Keys({'O'}); }, 11},
        {"a grayed item's mnemonic does nothing", kCmd,
         [] {
             Keys({'X', VK_ESCAPE});
         },
         0},
        {"a shared mnemonic moves between its items", kCmd,
         [] {
             Keys({'S', 'S', VK_RETURN});
         },
         14},
        {"right click with TPM_RIGHTBUTTON", kCmd | TPM_RIGHTBUTTON,
         [] { Press(Center(OpenItem(0)), true); }, 11},
        {"right click without it", kCmd,
         [] {
             Press(Center(OpenItem(0)), true);
             Keys({VK_ESCAPE});
         },
         0},
    };
    HMENU menu = Popup();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        frontEnd_.Then(c.act);
        EXPECT_EQ(static_cast<UINT>(TrackPopupMenu(menu, c.flags, 100, 50, 0, owner_, nullptr)),
                  c.result);
        EXPECT_FALSE(OpenMenu().has_value()) << "the pop-up window is gone";
        EXPECT_EQ(GetCapture(), nullptr);
        EXPECT_EQ(GetMenuItemCount(menu), 5) << "the menu itself stays";
    }
}

TEST_F(Menus, MenuLoopMessagesAndThePostedCommandOfThePlainForm) {
    HMENU menu = Popup();
    // Plain form: the owner is told, and gets the command after the menu closed.
    frontEnd_.Then([] { Press(Center(OpenItem(0))); });
    EXPECT_TRUE(TrackPopupMenu(menu, TPM_RIGHTBUTTON, 100, 50, 0, owner_, nullptr));
    EXPECT_TRUE(ReceivedOf(owner_, WM_COMMAND).empty()) << "posted, not sent";
    Pump();
    std::vector<Recorded> seen = MenuMessages(owner_);
    struct Expected {
        UINT message;
        WPARAM wParam;
        LPARAM lParam;
    };
    const std::vector<Expected> expected = {
        {WM_ENTERMENULOOP, TRUE, 0},
        {WM_INITMENU, reinterpret_cast<WPARAM>(menu), 0},
        {WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(menu), MAKELPARAM(0, FALSE)},
        {WM_MENUSELECT, MAKEWPARAM(11, 0x0080 | 0x8000), reinterpret_cast<LPARAM>(menu)},
        {WM_MENUSELECT, MAKEWPARAM(0, 0xFFFF), 0},
        {WM_EXITMENULOOP, TRUE, 0},
        {WM_COMMAND, MAKEWPARAM(11, 0), 0},
    };
    ASSERT_EQ(seen.size(), expected.size());
    for (size_t i = 0; i < seen.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(seen[i].message, expected[i].message);
        EXPECT_EQ(seen[i].wParam, expected[i].wParam);
        EXPECT_EQ(seen[i].lParam, expected[i].lParam);
    }

    // Dismissed, the plain form still succeeds and posts nothing.
    Received().clear();
    frontEnd_.Then([] { Keys({VK_ESCAPE}); });
    EXPECT_TRUE(TrackPopupMenu(menu, 0, 100, 50, 0, owner_, nullptr));
    Pump();
    EXPECT_TRUE(ReceivedOf(owner_, WM_COMMAND).empty());
}

TEST_F(Menus, ThePopupIsATopmostWindowWithOneRowPerItemKeptOnTheScreen) {
    HMENU menu = Popup();
    frontEnd_.Then([this, menu] {
        auto open = OpenMenu();
        ASSERT_TRUE(open.has_value());
        char cls[16];
        GetClassNameA(open->window, cls, sizeof cls);
        EXPECT_STREQ(cls, "#32768");
        EXPECT_TRUE(IsWindowVisible(open->window));
        EXPECT_EQ(GetWindowLongA(open->window, GWL_STYLE) & WS_POPUP, static_cast<LONG>(WS_POPUP));
        EXPECT_TRUE(GetWindowLongA(open->window, GWL_EXSTYLE) & WS_EX_TOPMOST);
        EXPECT_EQ(GetWindow(open->window, GW_OWNER), owner_);
        EXPECT_EQ(GetCapture(), open->window);
        EXPECT_EQ(GetActiveWindow(), owner_) << "the menu does not take the activation";
        EXPECT_EQ(MenuOfWindow(open->window), menu);
        ASSERT_EQ(open->items.size(), 5u);
        for (size_t i = 0; i < open->items.size(); ++i) {
            EXPECT_EQ(open->items[i].bottom - open->items[i].top, 13);
            if (i > 0) {
                EXPECT_EQ(open->items[i].top, open->items[i - 1].bottom);
            }
        }
        // Asked for at the screen's bottom right corner, it opens up and to
        // the left of the point.
        RECT frame;
        GetWindowRect(open->window, &frame);
        EXPECT_EQ(frame.right, 600);
        EXPECT_EQ(frame.bottom, 520);
        EXPECT_LE(open->items[0].left, frame.left + kCellWidth);
        Keys({VK_ESCAPE});
    });
    EXPECT_EQ(TrackPopupMenu(menu, TPM_RETURNCMD, 600, 520, 0, owner_, nullptr), 0);
}

TEST_F(Menus, TheLoopDispatchesOtherMessagesAndEndsWithItsOwner) {
    HMENU menu = Popup();
    SetTimer(owner_, 7, 100, nullptr);
    frontEnd_.Then([this, menu] {
        EXPECT_FALSE(TrackPopupMenu(menu, TPM_RETURNCMD, 0, 0, 0, owner_, nullptr))
            << "one menu at a time";
        platform::ClockAdvance(250);
    });
    frontEnd_.Then([this] {
        EXPECT_FALSE(ReceivedOf(owner_, WM_TIMER).empty()) << "timers run while the menu is open";
        DestroyWindow(owner_);
    });
    EXPECT_EQ(TrackPopupMenu(menu, TPM_RETURNCMD, 100, 50, 0, owner_, nullptr), 0);
    EXPECT_FALSE(OpenMenu().has_value());

    // Another window taking the activation (here in a timer's procedure)
    // closes the menu too.
    owner_ = CreateRecordingParent();
    otherWindow = CreateRecordingParent(50, 50);
    SetForegroundWindow(owner_);
    SetTimer(owner_, 8, 100, ActivateOtherWindow);
    frontEnd_.Then([] { platform::ClockAdvance(150); });
    EXPECT_EQ(TrackPopupMenu(menu, TPM_RETURNCMD, 100, 50, 0, owner_, nullptr), 0);
    EXPECT_FALSE(OpenMenu().has_value());
    DestroyWindow(otherWindow);

    EXPECT_FALSE(TrackPopupMenu(reinterpret_cast<HMENU>(0x1234), 0, 0, 0, 0, owner_, nullptr));
    EXPECT_FALSE(TrackPopupMenu(menu, 0, 0, 0, 0, nullptr, nullptr));
}

TEST_F(Menus, MenuBarOpensItsPopupBelowTheItemAndPostsTheCommand) {
    HMENU bar = LoadMenuA(module_, MAKEINTRESOURCEA(IDM_TEST));
    HWND window =
        CreateWindowExA(0, "TestRecordingParent", "Bar", WS_POPUP | WS_CAPTION | WS_VISIBLE, 30, 40,
                        300, 200, nullptr, bar, nullptr, nullptr);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(GetMenu(window), bar);
    Window* w = Find(window);
    std::vector<RECT> items = MenuBarItemRects(w);
    ASSERT_EQ(items.size(), 3u);
    RECT client = ClientScreenRect(w);
    // "File", "Checked", "Help": a cell of room on each side of each text.
    EXPECT_EQ(items[0].left, client.left);
    EXPECT_EQ(items[0].bottom, client.top);
    EXPECT_EQ(items[0].right - items[0].left, 6 * kCellWidth);
    EXPECT_EQ(items[1].left, items[0].right);
    EXPECT_EQ(items[1].right - items[1].left, 9 * kCellWidth);

    Received().clear();
    frontEnd_.Then([&] {
        auto open = OpenMenu();
        ASSERT_TRUE(open.has_value());
        EXPECT_EQ(open->menuBarOf, window);
        EXPECT_EQ(open->menuBarItem, 0);
        RECT frame;
        GetWindowRect(open->window, &frame);
        EXPECT_EQ(frame.left, items[0].left);
        EXPECT_EQ(frame.top, items[0].bottom);
        Press(Center(open->items[0]));
    });
    Click(Center(items[0]));
    std::vector<Recorded> seen = MenuMessages(window);
    ASSERT_GE(seen.size(), 4u);
    EXPECT_EQ(seen.front().message, static_cast<UINT>(WM_ENTERMENULOOP));
    EXPECT_EQ(seen.front().wParam, static_cast<WPARAM>(FALSE));
    EXPECT_EQ(seen[1].message, static_cast<UINT>(WM_INITMENU));
    EXPECT_EQ(seen[2].message, static_cast<UINT>(WM_INITMENUPOPUP));
    EXPECT_EQ(seen[2].wParam, reinterpret_cast<WPARAM>(GetSubMenu(bar, 0)));
    EXPECT_EQ(seen.back().message, static_cast<UINT>(WM_COMMAND));
    EXPECT_EQ(seen.back().wParam, MAKEWPARAM(IDM_OPEN, 0));
    EXPECT_EQ(seen[seen.size() - 2].message, static_cast<UINT>(WM_EXITMENULOOP));

    // A command on the bar itself needs no pop-up.
    Received().clear();
    Click(Center(items[2]));
    ASSERT_EQ(ReceivedOf(window, WM_COMMAND).size(), 1u);
    EXPECT_EQ(ReceivedOf(window, WM_COMMAND)[0].wParam, MAKEWPARAM(IDM_HELP, 0));

    // Escape leaves without a command.
    Received().clear();
    frontEnd_.Then([] { Keys({VK_ESCAPE}); });
    Click(Center(items[0]));
    EXPECT_TRUE(ReceivedOf(window, WM_COMMAND).empty());

    // Near the screen's bottom the pop-up opens above the bar, clear of the
    // item, so the click's own release cannot choose anything.
    MoveWindow(window, 30, 480, 300, 40, TRUE);
    items = MenuBarItemRects(w);
    Received().clear();
    frontEnd_.Then([&] {
        auto open = OpenMenu();
        ASSERT_TRUE(open.has_value());
        RECT frame;
        GetWindowRect(open->window, &frame);
        EXPECT_EQ(frame.bottom, items[0].top);
        MouseInput(MouseAction::LeftUp, Center(items[0]));
    });
    frontEnd_.Then([] { Keys({VK_ESCAPE}); });
    Click(Center(items[0]));
    EXPECT_TRUE(ReceivedOf(window, WM_COMMAND).empty());
    DestroyWindow(window);
    DestroyMenu(bar);
}

TEST(MenuText, LabelsMnemonicsAndCells) {
    struct Case {
        const char* text;
        const char* label;
        char32_t mnemonic;
        int cells;
    } cases[] = {
        {"&Open", "Open", U'o', 4},
        {"E&xit", "Exit", U'x', 4},
        {"Fish && Chips", "Fish & Chips", 0, 12},
        {"&&&Amp", "&Amp", U'a', 4},
        {"開く(&O)", "開く(O)", U'o', 7},
        {"О&ткрыть", "Открыть", U'т', 7},
        {"Orbiqｺﾝﾄ", "Orbiqｺﾝﾄ", 0, 8},
        {"trailing&", "trailing", 0, 8},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(MenuLabel(c.text), c.label);
        EXPECT_EQ(MenuMnemonic(c.text), c.mnemonic);
        EXPECT_EQ(platform::TextCells(c.label), c.cells);
    }
}

} // namespace
