// The shell's window utilities, called directly: centring a window on the
// desktop and placing a page window in the control panel's tab control.
#include <windows.h>
#include <commctrl.h>

#include "test_frontend.h"
#include "test_windows.h"

// The utilities are the program's own code; they read two of the shell's
// program-wide values, which this test provides.
#include "../../app/utilities.cpp"

HINSTANCE instanceHandle;
char messageCaption[80];

namespace {

// A desktop of 1024 x 768 pixels.
class DesktopFrontEnd : public ScriptedFrontEnd {
  public:
    int ScreenWidth() const override { return 1024; }
    int ScreenHeight() const override { return 768; }
};

class ShellUtilities : public ::testing::Test {
  protected:
    void SetUp() override {
        InitCommonControls();
        static bool registered = false;
        if (!registered) {
            WNDCLASSA plain{};
            plain.lpfnWndProc = DefWindowProcA;
            plain.lpszClassName = "ShellUtilitiesTest";
            RegisterClassA(&plain);
            registered = true;
        }
    }
    void TearDown() override {
        for (HWND window : windows_)
            if (IsWindow(window)) DestroyWindow(window);
    }
    HWND Create(DWORD style, int x, int y, int width, int height, HWND parent = nullptr, int id = 0,
                const char* className = "ShellUtilitiesTest") {
        HWND window =
            CreateWindowExA(0, className, "", style, x, y, width, height, parent,
                            reinterpret_cast<HMENU>(static_cast<uintptr_t>(id)), nullptr, nullptr);
        if (parent == nullptr) windows_.push_back(window);
        return window;
    }
    static RECT RectOf(HWND window) {
        RECT r{};
        GetWindowRect(window, &r);
        return r;
    }

    TempMachine machine_;
    DesktopFrontEnd frontEnd_;
    std::vector<HWND> windows_;
};

TEST_F(ShellUtilities, CenterWindowSplitsTheMarginsRoundingTowardZero) {
    struct Case {
        const char* what;
        RECT start;
        POINT expected;
    };
    const Case cases[] = {
        {"even margins", {100, 50, 324, 218}, {400, 300}},
        // 1024 - 101 = 923 pixels to share: 461 on the left, wherever it was.
        {"odd width difference", {700, 600, 801, 650}, {461, 359}},
        {"wider than the desktop", {0, 0, 1200, 100}, {-88, 334}},
        // -1 / 2 is 0 toward zero, where a floor would give -1.
        {"one pixel wider than the desktop", {5, 5, 1030, 774}, {0, 0}},
        {"taller than the desktop", {10, 10, 110, 780}, {462, -1}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        HWND window = Create(WS_POPUP | WS_VISIBLE, c.start.left, c.start.top,
                             c.start.right - c.start.left, c.start.bottom - c.start.top);
        CenterWindow(window);
        RECT r = RectOf(window);
        EXPECT_EQ(r.left, c.expected.x);
        EXPECT_EQ(r.top, c.expected.y);
        EXPECT_EQ(r.right - r.left, c.start.right - c.start.left) << "the size stays";
        EXPECT_EQ(r.bottom - r.top, c.start.bottom - c.start.top) << "the size stays";
    }
}

TEST_F(ShellUtilities, PlacePageInTabPutsThePageOnTheTabsDisplayArea) {
    HWND dialog = Create(WS_POPUP | WS_VISIBLE, 30, 20, 500, 400);
    // New children go below their siblings, so the tab control starts above
    // the page.
    HWND tabs =
        Create(WS_CHILD | WS_VISIBLE, 9, 4, 445, 330, dialog, IDC_PAGE_TABS, WC_TABCONTROLA);
    HWND page = Create(WS_CHILD | WS_VISIBLE, 0, 0, 200, 150, dialog, 0);
    TCITEMA item{};
    item.mask = TCIF_TEXT;
    item.pszText = const_cast<char*>("General");
    SendMessageA(tabs, TCM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
    ASSERT_EQ(GetWindow(dialog, GW_CHILD), tabs);

    RECT area = RectOf(tabs);
    SendMessageA(tabs, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&area));
    POINT expected{area.left, area.top};
    ScreenToClient(dialog, &expected);
    ASSERT_NE(expected.y, 4) << "the display area lies below the tabs' row";

    PlacePageInTab(page);
    RECT placed = RectOf(page);
    POINT corner{placed.left, placed.top};
    ScreenToClient(dialog, &corner);
    EXPECT_EQ(corner.x, expected.x);
    EXPECT_EQ(corner.y, expected.y);
    EXPECT_EQ(placed.right - placed.left, 200);
    EXPECT_EQ(placed.bottom - placed.top, 150);
    EXPECT_EQ(GetWindow(dialog, GW_CHILD), page) << "the page lies above the tab control";
}

TEST_F(ShellUtilities, PlacePageInTabWithoutATabControlLeavesThePage) {
    HWND dialog = Create(WS_POPUP | WS_VISIBLE, 30, 20, 500, 400);
    HWND page = Create(WS_CHILD | WS_VISIBLE, 7, 9, 200, 150, dialog, 0);
    RECT before = RectOf(page);
    PlacePageInTab(page);
    RECT after = RectOf(page);
    EXPECT_EQ(after.left, before.left);
    EXPECT_EQ(after.top, before.top);
}

} // namespace
