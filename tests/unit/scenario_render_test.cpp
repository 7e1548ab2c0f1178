// The screen renderer shared by `screen` and the terminal desktop: controls
// drawn from their state, marks carried as attributes, pictures as half
// blocks, and the notification area on the taskbar.
#include "render.h"

#include <windows.h>
#include <shellapi.h>

#include "gdi/surface.h"
#include "host/clock.h"
#include "host/frontend.h"
#include "shell/notifyarea.h"
#include "test_machine.h"

#include <string>
#include <vector>

namespace {

// A screen of 40 x 12 cells that never waits.
class SmallScreen : public platform::FrontEnd {
  public:
    SmallScreen() { platform::SetFrontEnd(this); }
    ~SmallScreen() override { platform::SetFrontEnd(nullptr); }
    void Wait(std::optional<uint32_t>, int) override {}
    int ScreenWidth() const override { return 40 * 6; }
    int ScreenHeight() const override { return 12 * 13; }
};

std::string Utf8(char32_t c) {
    std::string out;
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
    return out;
}

// The plain text of a rectangle of cells, a line a row, blanks kept.
std::vector<std::string> Region(const desktop::Grid& grid, int left, int top, int right,
                                int bottom) {
    std::vector<std::string> lines;
    for (int y = top; y < bottom; ++y) {
        std::string line;
        for (int x = left; x < right; ++x) {
            const desktop::Cell& c = grid.At(x, y);
            if (c.ch == 0) continue;
            line += Utf8(c.plain != 0 ? c.plain : c.ch);
        }
        lines.push_back(line);
    }
    return lines;
}

HWND Frame(const char* title, DWORD exStyle, int cellX, int cellY, int cells, int rows) {
    static bool registered = false;
    if (!registered) {
        WNDCLASSA wc{};
        wc.lpfnWndProc = DefWindowProcA;
        wc.lpszClassName = "RenderTestFrame";
        RegisterClassA(&wc);
        registered = true;
    }
    return CreateWindowExA(exStyle, "RenderTestFrame", title,
                           WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_VISIBLE, cellX * 6, cellY * 13,
                           cells * 6, rows * 13, nullptr, nullptr, nullptr, nullptr);
}

// A child at a cell position of the parent's client area.
HWND Child(HWND parent, const char* cls, const char* text, DWORD style, int id, int x, int y,
           int cells, int rows = 1) {
    return CreateWindowExA(0, cls, text, WS_CHILD | WS_VISIBLE | style, x * 6, y * 13, cells * 6,
                           rows * 13, parent, reinterpret_cast<HMENU>(static_cast<uintptr_t>(id)),
                           nullptr, nullptr);
}

class ScenarioRender : public ::testing::Test {
  protected:
    TempMachine machine;
    SmallScreen screen;
    std::vector<HWND> made;
    void TearDown() override {
        for (HWND hwnd : made)
            DestroyWindow(hwnd);
    }
};

} // namespace

TEST_F(ScenarioRender, ControlsAreDrawnFromTheirState) {
    HWND frame = Frame("Demo", WS_EX_CONTEXTHELP, 2, 1, 30, 10);
    made.push_back(frame);
    Child(frame, "Button", "OK", BS_DEFPUSHBUTTON, IDOK, 0, 0, 8);
    Child(frame, "Button", "Cancel", BS_PUSHBUTTON, IDCANCEL, 9, 0, 10);
    HWND loud = Child(frame, "Button", "&Loud", BS_AUTOCHECKBOX, 10, 0, 1, 10);
    Child(frame, "Button", "&Two", BS_AUTORADIOBUTTON, 11, 0, 2, 10);
    HWND four = Child(frame, "Button", "F&our", BS_AUTORADIOBUTTON, 12, 11, 2, 10);
    Child(frame, "Static", "&Right", SS_RIGHT, 13, 0, 3, 12);
    Child(frame, "Static", "Mid", SS_CENTER, 14, 13, 3, 9);
    Child(frame, "Static", "one two three", SS_LEFT, 15, 0, 4, 8, 2);
    Child(frame, "Button", "Grp", BS_GROUPBOX, 16, 13, 4, 12, 3);
    Child(frame, "Static", "音量 a&&b", SS_LEFT, 17, 0, 6, 10);
    SendMessageA(loud, BM_SETCHECK, BST_CHECKED, 0);
    SendMessageA(four, BM_SETCHECK, BST_CHECKED, 0);

    desktop::Grid grid = desktop::RenderScreen();
    ASSERT_EQ(grid.width, 40);
    ASSERT_EQ(grid.height, 12);
    std::vector<std::string> want = {
        "┌ Demo                 [?][x]┐", "│[> OK <] [ Cancel ]         │",
        "│[x] Loud                    │", "│( ) Two    (•) Four         │",
        "│       Right    Mid         │", "│one two      ┌ Grp ─────┐   │",
        "│three        │          │   │", "│音量 a&b     └──────────┘   │",
        "│                            │", "└────────────────────────────┘",
    };
    EXPECT_EQ(Region(grid, 2, 1, 32, 11), want);

    // The same state change shows at once.
    SendMessageA(loud, BM_SETCHECK, BST_UNCHECKED, 0);
    EXPECT_EQ(Region(desktop::RenderScreen(), 3, 3, 11, 4)[0], "[ ] Loud");
}

TEST_F(ScenarioRender, MarksAreAttributesThePlainTextLeavesOut) {
    HWND frame = Frame("Marks", 0, 0, 0, 24, 5);
    made.push_back(frame);
    Child(frame, "Button", "&Loud", BS_AUTOCHECKBOX, 10, 0, 0, 10);
    Child(frame, "Static", "Off", SS_LEFT | WS_DISABLED, 11, 0, 1, 5);
    HWND ok = Child(frame, "Button", "OK", BS_PUSHBUTTON, IDOK, 0, 2, 6);
    SetFocus(ok);

    desktop::Grid grid = desktop::RenderScreen();
    // "[ ] Loud" from the client's first cell (1, 1): the mnemonic L is underlined.
    EXPECT_EQ(grid.At(5, 1).ch, U'L');
    EXPECT_TRUE(grid.At(5, 1).attributes & desktop::kUnderline);
    EXPECT_FALSE(grid.At(6, 1).attributes & desktop::kUnderline);
    // A disabled control's text is dim and gray.
    EXPECT_EQ(grid.At(1, 2).ch, U'O');
    EXPECT_TRUE(grid.At(1, 2).attributes & desktop::kDim);
    EXPECT_EQ(grid.At(1, 2).fg, 0x808080u);
    // The focus marks the button's label.
    EXPECT_EQ(grid.At(3, 3).ch, U'O');
    EXPECT_TRUE(grid.At(3, 3).attributes & desktop::kUnderline);
    EXPECT_EQ(Region(grid, 1, 3, 7, 4)[0], "[ OK ]");
}

TEST_F(ScenarioRender, PicturesUseHalfBlocksAndShadesInPlainText) {
    HWND frame = Frame("Pic", 0, 0, 0, 12, 5);
    made.push_back(frame);
    // Two cells across, one down: red over blue, then white throughout.
    std::vector<uint32_t> pixels(12 * 13);
    for (int y = 0; y < 13; ++y)
        for (int x = 0; x < 12; ++x)
            pixels[static_cast<size_t>(y) * 12 + x] = x >= 6  ? 0xFFFFFF
                                                      : y < 6 ? 0xFF0000
                                                              : 0x0000FF;
    HBITMAP bitmap = platform::gdi::CreateBitmapFromPixels(12, 13, pixels);
    ASSERT_NE(bitmap, nullptr);
    HWND picture = Child(frame, "Static", "", SS_BITMAP, 20, 1, 1, 2);
    SendMessageA(picture, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(bitmap));

    desktop::Grid grid = desktop::RenderScreen();
    const desktop::Cell& mixed = grid.At(2, 2);
    EXPECT_EQ(mixed.ch, U'▀');
    EXPECT_EQ(mixed.fg, 0xFF0000u);
    EXPECT_EQ(mixed.bg, 0x0000FFu);
    EXPECT_EQ(mixed.plain, U'▓'); // dark
    const desktop::Cell& white = grid.At(3, 2);
    EXPECT_EQ(white.fg, 0xFFFFFFu);
    EXPECT_EQ(white.plain, U' ');
    // The plain text carries no colour: shades only.
    EXPECT_EQ(Region(grid, 2, 2, 4, 3)[0], "▓ ");
    DestroyWindow(picture);
    DeleteObject(bitmap);
}

TEST_F(ScenarioRender, NotificationIconSitsOnTheTaskbarBesideTheClock) {
    HWND owner = Frame("Tray owner", 0, 0, 0, 10, 3);
    made.push_back(owner);
    NOTIFYICONDATAA data{};
    data.cbSize = sizeof data;
    data.hWnd = owner;
    data.uID = 7;
    data.uFlags = NIF_ICON | NIF_MESSAGE;
    data.uCallbackMessage = WM_APP;
    data.hIcon = LoadIconA(nullptr, MAKEINTRESOURCEA(32512)); // IDI_APPLICATION
    ASSERT_TRUE(Shell_NotifyIconA(NIM_ADD, &data));
    const size_t index = platform::shell::NotifyIcons().size() - 1;

    std::optional<POINT> at = desktop::NotifyIconPoint(index);
    ASSERT_TRUE(at.has_value());
    EXPECT_FALSE(desktop::NotifyIconPoint(index + 1).has_value());
    EXPECT_EQ(desktop::NotifyIconAt(*at), index);
    EXPECT_EQ(desktop::NotifyIconAt({at->x - 6, at->y}), index);
    EXPECT_FALSE(desktop::NotifyIconAt({at->x + 6, at->y}).has_value());
    EXPECT_FALSE(desktop::NotifyIconAt({at->x, at->y - 13}).has_value());
    const int row = at->y / 13, column = at->x / 6;
    EXPECT_EQ(row, 11); // the bottom row
    desktop::Grid grid = desktop::RenderScreen();
    EXPECT_EQ(grid.At(column, row).ch, U'▀');
    EXPECT_EQ(grid.At(column - 1, row).ch, U'▀'); // two cells wide
    // The last icon, a blank, the clock, a blank at the screen's edge.
    EXPECT_EQ(column, 32);
    EXPECT_EQ(grid.At(33, 11).ch, U' ');
    EXPECT_EQ(Region(grid, 34, 11, 40, 12)[0].substr(2, 1), ":");
    EXPECT_EQ(grid.At(39, 11).ch, U' ');

    Shell_NotifyIconA(NIM_DELETE, &data);
}
