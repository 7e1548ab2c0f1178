// The screen as a grid of character cells, drawn from the platform's state:
// the desktop, the taskbar with the notification area, and the top-level
// windows bottom to top with their controls, each control from the state
// it reports through the documented messages, pictures from the GDI
// surfaces and icon images. The terminal desktop shows the grid in colour;
// the scenario's `screen` line prints its plain-text form.
//
// One cell is one dialog base unit, kCellWidth x kCellHeight pixels; a cell
// of a picture shows two pixel rows with a half block.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace desktop {

// Attributes of a cell, as bits.
enum CellAttribute : uint8_t {
    kBold = 1,
    kUnderline = 2, // a mnemonic, and the focus
    kDim = 4,       // a disabled control's text
};

struct Cell {
    // The character; 0 in the second cell of a wide character.
    char32_t ch = U' ';
    // What the plain text shows instead (0: `ch`): a shading character for
    // a cell of a picture, whose colours the plain text cannot carry.
    char32_t plain = 0;
    uint32_t fg = 0x000000; // 0xRRGGBB
    uint32_t bg = 0x008080;
    uint8_t attributes = 0;
    bool operator==(const Cell&) const = default;
};

struct Grid {
    int width = 0;
    int height = 0;
    std::vector<Cell> cells;
    // Texts that did not fit where they were drawn, as they read in full.
    std::vector<std::string> cut;

    Grid(int w, int h);
    bool Inside(int x, int y) const { return x >= 0 && y >= 0 && x < width && y < height; }
    Cell& At(int x, int y) { return cells[static_cast<size_t>(y) * width + x]; }
    const Cell& At(int x, int y) const { return cells[static_cast<size_t>(y) * width + x]; }
};

// The whole screen, the front end's screen size in cells.
Grid RenderScreen();

// The grid as text: one line a row, no colours, trailing blanks dropped.
std::string RenderPlainText(const Grid& grid);

// Where the notification area shows icon `index` (of
// platform::shell::NotifyIcons()): the centre of its cells, in screen
// pixels. Nothing when there is no such icon.
std::optional<POINT> NotifyIconPoint(size_t index);
// The icon of the notification area shown at a screen point, if any.
std::optional<size_t> NotifyIconAt(POINT screen);

} // namespace desktop
