// A mouse report on a cell reaches the window drawn on that cell, whatever
// pixel the window's edges fall on.
#include "render.h"
#include "terminal_input.h"

#include "test_machine.h"
#include "user/input.h"
#include "user/window.h"

#include <gtest/gtest.h>

namespace {

using platform::user::kCellHeight;
using platform::user::kCellWidth;

// Buttons whose edges fall on every pixel offset within a cell, across and
// down: each cell the renderer draws a button on maps back to the button.
TEST(TerminalMouseTest, EveryCellDrawnForAWindowHitsIt) {
    TempMachine machine;
    WNDCLASSA wc{};
    wc.lpfnWndProc = DefWindowProcA;
    wc.lpszClassName = "TerminalMouseTest";
    RegisterClassA(&wc);
    HWND parent = CreateWindowExA(0, "TerminalMouseTest", "", WS_POPUP | WS_VISIBLE, 0, 0, 600, 520,
                                  nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(parent, nullptr);
    struct Placed {
        HWND button;
        RECT pixels;
    };
    std::vector<Placed> buttons;
    for (int dx = 0; dx < kCellWidth; ++dx)
        for (int dy = 0; dy < kCellHeight; ++dy) {
            const int index = dx * kCellHeight + dy;
            // Four cells wide, one high, apart from each other.
            const RECT r{6 * kCellWidth * (index % 12) + dx + kCellWidth,
                         3 * kCellHeight * (index / 12) + dy + kCellHeight, 0, 0};
            const RECT pixels{r.left, r.top, r.left + 4 * kCellWidth, r.top + kCellHeight};
            HWND b = CreateWindowExA(0, "Button", "", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON,
                                     pixels.left, pixels.top, 4 * kCellWidth, kCellHeight, parent,
                                     nullptr, nullptr, nullptr);
            ASSERT_NE(b, nullptr);
            buttons.push_back({b, pixels});
        }
    const desktop::Grid grid = desktop::RenderScreen();
    for (const Placed& placed : buttons) {
        // The button is drawn "[  ]" on the cells nearest its edges.
        const int row = (placed.pixels.top + kCellHeight / 2) / kCellHeight;
        const int left = (placed.pixels.left + kCellWidth / 2) / kCellWidth;
        const int right = (placed.pixels.right + kCellWidth / 2) / kCellWidth - 1;
        ASSERT_EQ(grid.At(left, row).ch, U'[') << placed.pixels.left << "," << placed.pixels.top;
        ASSERT_EQ(grid.At(right, row).ch, U']') << placed.pixels.left << "," << placed.pixels.top;
        for (int column : {left, right}) {
            const POINT p = desktop::PointOfCell(column, row);
            const platform::user::Window* hit = platform::user::WindowAt(p);
            ASSERT_NE(hit, nullptr);
            EXPECT_EQ(hit->handle, placed.button)
                << "cell " << column << "," << row << " of the button at " << placed.pixels.left
                << "," << placed.pixels.top;
        }
    }
    DestroyWindow(parent);
}

} // namespace
