// Device contexts, bitmaps and BitBlt into the picture surfaces of windows.
#include <windows.h>

#include "gdi/dc.h"
#include "gdi/surface.h"
#include "test_windows.h"

#include "../modules/resources/resource_ids.h"

#include <climits>
#include <cstring>
#include <filesystem>
#include <vector>

namespace {

using platform::gdi::BitmapPicture;
using platform::gdi::CreateBitmapFromPixels;
using platform::gdi::Picture;
using platform::gdi::WindowSurface;

constexpr uint32_t kOpaque = 0xFF000000u;

// A bitmap whose every pixel says where it is: 0x00XXYY.
HBITMAP NumberedBitmap(int width, int height) {
    std::vector<uint32_t> pixels;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            pixels.push_back(static_cast<uint32_t>(x << 8 | y));
    return CreateBitmapFromPixels(width, height, pixels);
}

class Gdi : public ::testing::Test {
  protected:
    void TearDown() override {
        if (memory_ != nullptr) DeleteDC(memory_);
        if (window_ != nullptr) DestroyWindow(window_);
    }
    // A window of the given client size and a memory DC holding `bitmap`.
    void Setup(int windowWidth, int windowHeight, HBITMAP bitmap) {
        window_ = CreateRecordingParent(windowWidth, windowHeight);
        ASSERT_NE(window_, nullptr);
        memory_ = CreateCompatibleDC(nullptr);
        ASSERT_NE(memory_, nullptr);
        ASSERT_NE(SelectObject(memory_, bitmap), nullptr);
    }
    void Fill(uint32_t colour) {
        HBITMAP full =
            CreateBitmapFromPixels(kMax, kMax, std::vector<uint32_t>(kMax * kMax, colour));
        HDC dc = CreateCompatibleDC(nullptr);
        HGDIOBJ old = SelectObject(dc, full);
        EXPECT_TRUE(BitBlt(GetDC(window_), 0, 0, kMax, kMax, dc, 0, 0, SRCCOPY));
        SelectObject(dc, old);
        DeleteDC(dc);
        DeleteObject(full);
    }
    static constexpr int kMax = 64;

    TempMachine machine_;
    HWND window_ = nullptr;
    HDC memory_ = nullptr;
};

TEST_F(Gdi, BlitPutsTheBitmapAtClientCoordinatesAndLeavesTheRestTransparent) {
    HBITMAP bitmap = NumberedBitmap(3, 2);
    Setup(20, 10, bitmap);
    HDC dc = GetDC(window_);
    EXPECT_EQ(WindowSurface(window_), nullptr); // nothing drawn yet
    ASSERT_TRUE(BitBlt(dc, 5, 4, 3, 2, memory_, 0, 0, SRCCOPY));
    ReleaseDC(window_, dc);

    const Picture* surface = WindowSurface(window_);
    ASSERT_NE(surface, nullptr);
    EXPECT_EQ(surface->width, 20);
    EXPECT_EQ(surface->height, 10);
    int drawn = 0;
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 20; ++x) {
            const bool inside = x >= 5 && x < 8 && y >= 4 && y < 6;
            const uint32_t expected = inside ? kOpaque | ((x - 5) << 8 | (y - 4)) : 0;
            EXPECT_EQ(surface->At(x, y), expected) << x << "," << y;
            drawn += inside;
        }
    EXPECT_EQ(drawn, 6);
    // The same window always gets the same DC, and the surface survives release.
    EXPECT_EQ(GetDC(window_), dc);
}

// Every pixel of the window after one blit of a 4 x 3 bitmap into an 8 x 6
// window, against a pixel-by-pixel model of the clipping.
TEST_F(Gdi, BlitIsClippedToBothTheBitmapAndTheWindow) {
    constexpr int bw = 4, bh = 3, ww = 8, wh = 6;
    HBITMAP bitmap = NumberedBitmap(bw, bh);
    Setup(ww, wh, bitmap);
    struct Case {
        int x, y, cx, cy, sx, sy;
    } cases[] = {
        {0, 0, bw, bh, 0, 0},           // whole bitmap
        {-2, -1, bw, bh, 0, 0},         // off the top-left corner of the window
        {6, 4, bw, bh, 0, 0},           // off the bottom-right corner
        {ww, 0, bw, bh, 0, 0},          // just past the right edge
        {0, wh, bw, bh, 0, 0},          // just past the bottom edge
        {1, 1, bw, bh, -2, -1},         // source starts before the bitmap
        {1, 1, bw, bh, 3, 2},           // source runs past the bitmap
        {1, 1, 100, 100, 0, 0},         // size beyond both
        {0, 0, INT_MAX, INT_MAX, 0, 0}, // huge size
        {INT_MIN, INT_MIN, INT_MAX, INT_MAX, INT_MIN, INT_MIN},
        {INT_MAX, INT_MAX, INT_MAX, INT_MAX, 0, 0},
        {2, 2, INT_MAX, 1, INT_MIN, 0}, // source far before: nothing left
        {0, 0, bw, bh, bw, bh},         // source entirely past the bitmap
        {2, 2, 0, 3, 0, 0},             // empty
        {2, 2, -3, -3, 0, 0},           // negative size draws nothing
    };
    HDC dc = GetDC(window_);
    for (const Case& c : cases) {
        platform::gdi::EraseWindowSurface(window_, nullptr);
        EXPECT_TRUE(BitBlt(dc, c.x, c.y, c.cx, c.cy, memory_, c.sx, c.sy, SRCCOPY));
        const Picture* surface = WindowSurface(window_);
        ASSERT_NE(surface, nullptr);
        ASSERT_EQ(surface->pixels.size(), size_t(ww * wh));
        for (int y = 0; y < wh; ++y)
            for (int x = 0; x < ww; ++x) {
                const int64_t dx = int64_t(x) - c.x, dy = int64_t(y) - c.y;
                const int64_t sx = c.sx + dx, sy = c.sy + dy;
                const bool inside = dx >= 0 && dx < c.cx && dy >= 0 && dy < c.cy && sx >= 0 &&
                                    sx < bw && sy >= 0 && sy < bh;
                const uint32_t expected = inside ? kOpaque | uint32_t(sx << 8 | sy) : 0;
                ASSERT_EQ(surface->At(x, y), expected)
                    << "blit at " << c.x << "," << c.y << " size " << c.cx << "x" << c.cy
                    << " from " << c.sx << "," << c.sy << ": pixel " << x << "," << y;
            }
    }
}

// A paint DC (what BeginPaint hands out) draws only inside the part being
// painted, and is gone once released; the window's own DC is not affected.
TEST_F(Gdi, PaintDCDrawsOnlyInsideThePaintRectangle) {
    Setup(10, 10, NumberedBitmap(10, 10));
    const RECT paint = {2, 3, 5, 40};
    HDC dc = platform::gdi::GetWindowDC(window_, &paint);
    ASSERT_NE(dc, nullptr);
    EXPECT_NE(dc, GetDC(window_));
    ASSERT_TRUE(BitBlt(dc, -1, -1, 10, 10, memory_, 0, 0, SRCCOPY));
    const Picture* surface = WindowSurface(window_);
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 10; ++x) {
            const bool inside = x >= 2 && x < 5 && y >= 3 && y < 9; // the bitmap ends at 9
            EXPECT_EQ(surface->At(x, y), inside ? kOpaque | uint32_t((x + 1) << 8 | (y + 1)) : 0u)
                << x << "," << y;
        }
    platform::gdi::ReleaseWindowDC(dc);
    EXPECT_FALSE(BitBlt(dc, 0, 0, 1, 1, memory_, 0, 0, SRCCOPY));
    const RECT nothing = {0, 0, 0, 0};
    dc = platform::gdi::GetWindowDC(window_, &nothing);
    EXPECT_TRUE(BitBlt(dc, 0, 0, 10, 10, memory_, 0, 0, SRCCOPY));
    EXPECT_EQ(WindowSurface(window_)->At(0, 0), 0u);
    ASSERT_TRUE(BitBlt(GetDC(window_), 0, 0, 10, 10, memory_, 0, 0, SRCCOPY));
    EXPECT_EQ(WindowSurface(window_)->At(0, 0), kOpaque);
    platform::gdi::ReleaseWindowDC(dc);
}

TEST_F(Gdi, BlitBetweenMemoryDCsAndWithinOneBitmap) {
    HBITMAP row = CreateBitmapFromPixels(4, 1, {1, 2, 3, 4});
    HBITMAP other = CreateBitmapFromPixels(2, 1, {7, 8});
    Setup(10, 10, row);
    // Overlapping copy inside one bitmap reads the source before writing.
    ASSERT_TRUE(BitBlt(memory_, 1, 0, 3, 1, memory_, 0, 0, SRCCOPY));
    EXPECT_EQ(BitmapPicture(row)->pixels,
              (std::vector<uint32_t>{kOpaque | 1, kOpaque | 1, kOpaque | 2, kOpaque | 3}));

    HDC second = CreateCompatibleDC(memory_);
    ASSERT_NE(second, nullptr);
    SelectObject(second, other);
    ASSERT_TRUE(BitBlt(memory_, 2, 0, 5, 5, second, 0, 0, SRCCOPY));
    EXPECT_EQ(BitmapPicture(row)->pixels,
              (std::vector<uint32_t>{kOpaque | 1, kOpaque | 1, kOpaque | 7, kOpaque | 8}));

    // The window's surface read back into a bitmap: unpainted pixels come out black.
    HDC windowDc = GetDC(window_);
    ASSERT_TRUE(BitBlt(windowDc, 0, 0, 1, 1, memory_, 3, 0, SRCCOPY));
    ASSERT_TRUE(BitBlt(second, 0, 0, 2, 1, windowDc, 0, 0, SRCCOPY));
    EXPECT_EQ(BitmapPicture(other)->pixels, (std::vector<uint32_t>{kOpaque | 8, kOpaque}));

    // Other raster operations are not supported.
    EXPECT_FALSE(BitBlt(windowDc, 0, 0, 1, 1, memory_, 0, 0, 0x00EE0086 /* SRCPAINT */));
    DeleteDC(second);
    DeleteObject(other);
}

TEST_F(Gdi, NewMemoryDCHoldsAOnePixelMonochromeBitmap) {
    HBITMAP colour = NumberedBitmap(2, 2);
    window_ = CreateRecordingParent(10, 10);
    memory_ = CreateCompatibleDC(nullptr);
    HGDIOBJ stock = SelectObject(memory_, colour);
    ASSERT_NE(stock, nullptr);
    BITMAP info{};
    ASSERT_EQ(GetObjectA(stock, sizeof info, &info), int(sizeof(BITMAP)));
    EXPECT_EQ(info.bmWidth, 1);
    EXPECT_EQ(info.bmHeight, 1);
    EXPECT_EQ(info.bmBitsPixel, 1);
    EXPECT_EQ(info.bmWidthBytes, 2);
    // Every memory DC starts with the same stock bitmap; deleting it is
    // harmless and it stays usable.
    HDC another = CreateCompatibleDC(nullptr);
    EXPECT_EQ(SelectObject(another, stock), stock);
    EXPECT_TRUE(DeleteObject(stock));
    EXPECT_EQ(GetObjectA(stock, sizeof info, &info), int(sizeof(BITMAP)));
    // It draws one black pixel.
    ASSERT_TRUE(BitBlt(GetDC(window_), 3, 3, 5, 5, another, 0, 0, SRCCOPY));
    EXPECT_EQ(WindowSurface(window_)->At(3, 3), kOpaque);
    EXPECT_EQ(WindowSurface(window_)->At(4, 3), 0u);
    // Blits into the shared stock bitmap change nothing for the other DCs.
    ASSERT_TRUE(BitBlt(another, 0, 0, 1, 1, memory_, 1, 1, SRCCOPY));
    EXPECT_EQ(BitmapPicture(static_cast<HBITMAP>(stock))->pixels, std::vector<uint32_t>{kOpaque});
    EXPECT_EQ(SelectObject(memory_, stock), colour);
    EXPECT_TRUE(DeleteDC(another));
}

TEST_F(Gdi, GetObjectReportsBitmapsAsWindowsDoes) {
    HBITMAP bitmap = NumberedBitmap(3, 5);
    BITMAP info;
    EXPECT_EQ(GetObjectA(bitmap, 0, nullptr), int(sizeof(BITMAP))); // the size it needs
    // Too small a buffer: nothing written.
    std::memset(&info, 0xAB, sizeof info);
    EXPECT_EQ(GetObjectA(bitmap, sizeof(BITMAP) - 1, &info), 0);
    EXPECT_EQ(info.bmWidth, LONG(0xABABABAB));
    EXPECT_EQ(GetObjectA(bitmap, -1, &info), 0);
    // A larger buffer gets the structure and nothing past it.
    unsigned char buffer[sizeof(BITMAP) + 8];
    std::memset(buffer, 0xCD, sizeof buffer);
    ASSERT_EQ(GetObjectA(bitmap, sizeof buffer, buffer), int(sizeof(BITMAP)));
    EXPECT_EQ(buffer[sizeof(BITMAP)], 0xCD);
    std::memcpy(&info, buffer, sizeof info);
    EXPECT_EQ(info.bmType, 0);
    EXPECT_EQ(info.bmWidth, 3);
    EXPECT_EQ(info.bmHeight, 5);
    EXPECT_EQ(info.bmWidthBytes, 12);
    EXPECT_EQ(info.bmPlanes, 1);
    EXPECT_EQ(info.bmBitsPixel, 32);
    EXPECT_EQ(info.bmBits, nullptr);
    // Not bitmaps.
    HDC dc = CreateCompatibleDC(nullptr);
    EXPECT_EQ(GetObjectA(dc, sizeof info, &info), 0);
    EXPECT_EQ(GetObjectA(nullptr, sizeof info, &info), 0);
    EXPECT_EQ(GetObjectA(reinterpret_cast<HANDLE>(0x1234), sizeof info, &info), 0);
    DeleteDC(dc);
    EXPECT_TRUE(DeleteObject(bitmap));
    EXPECT_EQ(GetObjectA(bitmap, sizeof info, &info), 0);
}

TEST_F(Gdi, SelectingAndDeletingFollowWhoHoldsWhat) {
    HBITMAP a = NumberedBitmap(2, 2), b = NumberedBitmap(3, 3);
    window_ = CreateRecordingParent(10, 10);
    HDC first = CreateCompatibleDC(nullptr), second = CreateCompatibleDC(nullptr);
    HGDIOBJ stock = SelectObject(first, a);
    ASSERT_NE(stock, nullptr);
    EXPECT_EQ(SelectObject(first, b), a);        // returns the one it replaces
    EXPECT_EQ(SelectObject(first, b), b);        // reselecting is harmless
    EXPECT_EQ(SelectObject(second, b), nullptr); // one DC at a time
    EXPECT_EQ(SelectObject(second, a), stock);   // a was freed by the swap
    // Window DCs take no bitmaps; bad handles select nothing.
    HDC windowDc = GetDC(window_);
    HBITMAP loose = NumberedBitmap(1, 1);
    EXPECT_EQ(SelectObject(windowDc, loose), nullptr);
    EXPECT_TRUE(DeleteObject(loose));
    EXPECT_EQ(SelectObject(first, first), nullptr);
    EXPECT_EQ(SelectObject(nullptr, a), nullptr);
    EXPECT_EQ(SelectObject(reinterpret_cast<HDC>(0x4321), a), nullptr);

    // A bitmap in a DC is not deleted; out of it, it is, once.
    EXPECT_FALSE(DeleteObject(a));
    EXPECT_EQ(BitmapPicture(a)->width, 2);
    EXPECT_TRUE(DeleteDC(second)); // lets go of a
    EXPECT_TRUE(DeleteObject(a));
    EXPECT_FALSE(DeleteObject(a));
    EXPECT_EQ(BitmapPicture(a), nullptr);

    // DCs are not objects to DeleteObject; window DCs are not DeleteDC's.
    EXPECT_FALSE(DeleteObject(first));
    EXPECT_FALSE(DeleteDC(windowDc));
    EXPECT_FALSE(DeleteObject(nullptr));
    EXPECT_FALSE(DeleteObject(reinterpret_cast<HGDIOBJ>(0x5678)));
    EXPECT_TRUE(DeleteDC(first));
    EXPECT_FALSE(DeleteDC(first));
    EXPECT_FALSE(DeleteDC(nullptr));
    EXPECT_TRUE(DeleteObject(b)); // its DC is gone
    // Deleted handles and garbage are refused everywhere.
    EXPECT_FALSE(BitBlt(windowDc, 0, 0, 1, 1, first, 0, 0, SRCCOPY));
    EXPECT_FALSE(BitBlt(first, 0, 0, 1, 1, windowDc, 0, 0, SRCCOPY));
    EXPECT_EQ(CreateCompatibleDC(first), nullptr);
    EXPECT_EQ(CreateCompatibleDC(reinterpret_cast<HDC>(0x99)), nullptr);
    HDC fromWindow = CreateCompatibleDC(windowDc);
    EXPECT_NE(fromWindow, nullptr);
    EXPECT_TRUE(DeleteDC(fromWindow));
}

TEST_F(Gdi, ErasingClearsTheRectangleWithinTheClientArea) {
    window_ = CreateRecordingParent(10, 8);
    PAINTSTRUCT first; // a window that appears starts out invalid: paint it once
    BeginPaint(window_, &first);
    EndPaint(window_, &first);
    Fill(0x123456);
    RECT partly = {-5, 6, 3, 100}; // runs off the left and bottom edges
    platform::gdi::EraseWindowSurface(window_, &partly);
    const Picture* surface = WindowSurface(window_);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 10; ++x)
            EXPECT_EQ(surface->At(x, y), (x < 3 && y >= 6) ? 0u : kOpaque | 0x123456)
                << x << "," << y;
    RECT inverted = {5, 5, 2, 2};
    platform::gdi::EraseWindowSurface(window_, &inverted);
    EXPECT_EQ(WindowSurface(window_)->At(3, 3), kOpaque | 0x123456);

    // Painting with the erase flag clears the invalid part first.
    RECT invalid = {4, 0, 6, 2};
    InvalidateRect(window_, &invalid, TRUE);
    PAINTSTRUCT ps;
    ASSERT_NE(BeginPaint(window_, &ps), nullptr);
    EndPaint(window_, &ps);
    EXPECT_EQ(WindowSurface(window_)->At(4, 1), 0u);
    EXPECT_EQ(WindowSurface(window_)->At(6, 1), kOpaque | 0x123456);
    // Without it, what was drawn stays.
    InvalidateRect(window_, nullptr, FALSE);
    ASSERT_NE(BeginPaint(window_, &ps), nullptr);
    EndPaint(window_, &ps);
    EXPECT_EQ(WindowSurface(window_)->At(7, 7), kOpaque | 0x123456);

    platform::gdi::EraseWindowSurface(window_, nullptr);
    for (uint32_t pixel : WindowSurface(window_)->pixels)
        EXPECT_EQ(pixel, 0u);
}

TEST_F(Gdi, SurfaceFollowsTheClientSize) {
    window_ = CreateRecordingParent(10, 8);
    Fill(0xABCDEF);
    HDC dc = GetDC(window_);
    // Smaller: the top-left part stays.
    ASSERT_TRUE(MoveWindow(window_, 0, 0, 4, 3, FALSE));
    const Picture* surface = WindowSurface(window_);
    ASSERT_EQ(surface->width, 4);
    ASSERT_EQ(surface->height, 3);
    EXPECT_EQ(surface->At(3, 2), kOpaque | 0xABCDEF);
    // Larger: the new part is transparent, and drawing reaches it.
    ASSERT_TRUE(MoveWindow(window_, 0, 0, 12, 9, FALSE));
    surface = WindowSurface(window_);
    ASSERT_EQ(surface->width, 12);
    ASSERT_EQ(surface->height, 9);
    EXPECT_EQ(surface->At(3, 2), kOpaque | 0xABCDEF);
    EXPECT_EQ(surface->At(4, 2), 0u);
    EXPECT_EQ(surface->At(3, 3), 0u);
    Fill(0x111111);
    EXPECT_EQ(WindowSurface(window_)->At(11, 8), kOpaque | 0x111111);
    // No client area: blits land nowhere, safely.
    ASSERT_TRUE(MoveWindow(window_, 0, 0, 0, 0, FALSE));
    Fill(0x222222);
    EXPECT_EQ(WindowSurface(window_)->pixels.size(), 0u);
    // A huge window's surface stops at the limit.
    ASSERT_TRUE(MoveWindow(window_, 0, 0, 100000, 3, FALSE));
    EXPECT_EQ(WindowSurface(window_)->width, platform::gdi::kMaxSurfaceSide);

    // Once the window is gone, its DC draws nowhere.
    DestroyWindow(window_);
    platform::gdi::DropWindowSurface(window_);
    EXPECT_EQ(WindowSurface(window_), nullptr);
    HDC memory = CreateCompatibleDC(nullptr);
    EXPECT_FALSE(BitBlt(dc, 0, 0, 1, 1, memory, 0, 0, SRCCOPY));
    EXPECT_EQ(GetDC(window_), nullptr);
    platform::gdi::DropWindowSurface(nullptr); // no window: memory DCs stay
    EXPECT_TRUE(DeleteDC(memory));
    window_ = nullptr;
}

// A bitmap resource drawn the way a program paints a picture: load it, put
// it into a memory DC, blit it at its own size, clean up.
TEST_F(Gdi, LoadedBitmapIsDrawnAtItsOwnSize) {
    namespace fs = std::filesystem;
    fs::path installed = machine_.DriveC() / "WINDOWS/SYSTEM/RESOURCES.DLL";
    fs::create_directories(installed.parent_path());
    fs::copy_file(fs::path(TEST_MODULES_DIR) / "RESOURCES.DLL", installed);
    HMODULE module = LoadLibraryA("RESOURCES.DLL");
    ASSERT_NE(module, nullptr);
    EXPECT_EQ(LoadBitmapA(module, MAKEINTRESOURCEA(IDB_TEST + 100)), nullptr);
    EXPECT_EQ(LoadBitmapA(module, MAKEINTRESOURCEA(IDD_TEST)), nullptr); // a dialog, not a bitmap
    HBITMAP bitmap = LoadBitmapA(module, "#3");
    ASSERT_NE(bitmap, nullptr);
    BITMAP info{};
    ASSERT_EQ(GetObjectA(bitmap, sizeof info, &info), int(sizeof info));
    EXPECT_EQ(info.bmWidth, 5);
    EXPECT_EQ(info.bmHeight, 3);
    EXPECT_EQ(info.bmBitsPixel, 32); // the display's format, whatever the DIB's

    window_ = CreateRecordingParent(40, 30);
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(window_, &ps);
    HDC memory = CreateCompatibleDC(dc);
    HGDIOBJ old = SelectObject(memory, bitmap);
    ASSERT_TRUE(BitBlt(dc, 30, 20, info.bmWidth, info.bmHeight, memory, 0, 0, SRCCOPY));
    // Deleting the bitmap while the DC holds it fails; it goes once the DC does.
    EXPECT_FALSE(DeleteObject(bitmap));
    SelectObject(memory, old);
    EXPECT_TRUE(DeleteDC(memory));
    EXPECT_TRUE(DeleteObject(bitmap));
    EndPaint(window_, &ps);

    // The resource's pattern: index (x + 2y) % 4 of red, green, blue, white.
    const uint32_t colours[] = {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF};
    const Picture* surface = WindowSurface(window_);
    ASSERT_NE(surface, nullptr);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x)
            EXPECT_EQ(surface->At(30 + x, 20 + y), kOpaque | colours[(x + 2 * y) % 4])
                << x << "," << y;
    EXPECT_EQ(surface->At(35, 20), 0u);
    EXPECT_EQ(surface->At(30, 23), 0u);
    FreeLibrary(module);
}

TEST_F(Gdi, BitmapsComeOnlyFromALoadedModule) {
    EXPECT_EQ(LoadBitmapA(nullptr, MAKEINTRESOURCEA(131)), nullptr);
    EXPECT_EQ(LoadBitmapA(reinterpret_cast<HINSTANCE>(0x7777), MAKEINTRESOURCEA(131)), nullptr);
    EXPECT_EQ(CreateBitmapFromPixels(0, 5, {}), nullptr);
    EXPECT_EQ(CreateBitmapFromPixels(2, 2, {1, 2, 3}), nullptr); // too few pixels
    EXPECT_EQ(CreateBitmapFromPixels(INT_MAX, INT_MAX, {}), nullptr);
}

} // namespace
