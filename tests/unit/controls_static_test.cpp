// The "Static" control: clicks pass through it, and picture statics load,
// swap and size their images.
#include <windows.h>

#include "gdi/surface.h"
#include "test_windows.h"

#include "../modules/resources/resource_ids.h"

#include <filesystem>

namespace {

class Statics : public ::testing::Test {
  protected:
    void SetUp() override {
        parent_ = CreateRecordingParent();
        Received().clear();
    }
    void TearDown() override {
        DestroyWindow(parent_);
        for (HBITMAP b : bitmaps_) DeleteObject(b);
    }

    HWND Make(DWORD style, LPCSTR text, int x, int y, int width, int height,
              HINSTANCE instance = nullptr, int id = 1090) {
        return CreateWindowExA(0, "Static", text, WS_CHILD | WS_VISIBLE | style, x, y, width,
                               height, parent_, reinterpret_cast<HMENU>(id), instance, nullptr);
    }
    HBITMAP Bitmap(int width, int height) {
        HBITMAP b = platform::gdi::CreateBitmapFromPixels(
            width, height, std::vector<uint32_t>(static_cast<size_t>(width) * height, 0x808080));
        bitmaps_.push_back(b);
        return b;
    }
    static SIZE SizeOf(HWND hwnd) {
        RECT r;
        GetWindowRect(hwnd, &r);
        return {r.right - r.left, r.bottom - r.top};
    }

    TempMachine machine_;
    HWND parent_ = nullptr;
    std::vector<HBITMAP> bitmaps_;
};

TEST_F(Statics, ClicksPassThroughUnlessNotifyIsAsked) {
    struct Case {
        DWORD style;
        bool parentGetsClick;
        bool notified;
    } cases[] = {
        {SS_LEFT, true, false},
        {SS_BLACKFRAME, true, false},
        {SS_BITMAP, true, false},
        {SS_LEFT | SS_NOTIFY, false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.style);
        HWND label = Make(c.style, "&Volume", 10, 10, 100, 20);
        Received().clear();
        Click(label);
        EXPECT_EQ(ReceivedOf(parent_, WM_LBUTTONDOWN).size(), c.parentGetsClick ? 1u : 0u);
        auto commands = ReceivedOf(parent_, WM_COMMAND);
        ASSERT_EQ(commands.size(), c.notified ? 1u : 0u);
        if (c.notified) {
            EXPECT_EQ(commands[0].wParam, MAKEWPARAM(1090, 0)); // STN_CLICKED
            EXPECT_EQ(commands[0].lParam, reinterpret_cast<LPARAM>(label));
        }
        EXPECT_EQ(SendMessageA(label, WM_GETDLGCODE, 0, 0), DLGC_STATIC);
        DestroyWindow(label);
    }
}

TEST_F(Statics, PictureStaticsLoadTheirResourceByOrdinalAndTakeItsSize) {
    namespace fs = std::filesystem;
    fs::path installed = machine_.DriveC() / "WINDOWS/SYSTEM/RESOURCES.DLL";
    fs::create_directories(installed.parent_path());
    fs::copy_file(fs::path(TEST_MODULES_DIR) / "RESOURCES.DLL", installed);
    HMODULE module = LoadLibraryA("RESOURCES.DLL");
    ASSERT_NE(module, nullptr);

    HWND rule = Make(SS_BITMAP, MAKEINTRESOURCEA(IDB_TEST), 10, 10, 400, 2, module);
    ASSERT_NE(rule, nullptr);
    HANDLE image = reinterpret_cast<HANDLE>(SendMessageA(rule, STM_GETIMAGE, IMAGE_BITMAP, 0));
    ASSERT_NE(image, nullptr);
    BITMAP info{};
    ASSERT_EQ(GetObjectA(image, sizeof info, &info), int(sizeof info));
    EXPECT_EQ(SizeOf(rule).cx, info.bmWidth);
    EXPECT_EQ(SizeOf(rule).cy, info.bmHeight);
    EXPECT_EQ(GetWindowTextLengthA(rule), 0); // the title named the picture

    HWND icon = Make(SS_ICON, MAKEINTRESOURCEA(IDI_TEST), 10, 60, 21, 20, module);
    ASSERT_NE(icon, nullptr);
    EXPECT_NE(SendMessageA(icon, STM_GETICON, 0, 0), 0);
    EXPECT_EQ(SendMessageA(icon, STM_GETIMAGE, IMAGE_ICON, 0), SendMessageA(icon, STM_GETICON, 0, 0));
    EXPECT_EQ(SizeOf(icon).cx, 32);
    EXPECT_EQ(SizeOf(icon).cy, 32);

    // A missing resource leaves an empty picture static, not a failure.
    HWND missing = Make(SS_BITMAP, MAKEINTRESOURCEA(999), 10, 40, 30, 20, module);
    ASSERT_NE(missing, nullptr);
    EXPECT_EQ(SendMessageA(missing, STM_GETIMAGE, IMAGE_BITMAP, 0), 0);
    EXPECT_EQ(SizeOf(missing).cx, 30);
    DestroyWindow(rule);
    DestroyWindow(icon);
    DestroyWindow(missing);
    FreeLibrary(module);
}

TEST_F(Statics, SetImageSwapsPicturesOfTheRightKindOnly) {
    HWND picture = Make(SS_BITMAP, "", 10, 10, 100, 100);
    HBITMAP first = Bitmap(20, 10), second = Bitmap(7, 5);
    EXPECT_EQ(SendMessageA(picture, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(first)), 0);
    EXPECT_EQ(SizeOf(picture).cx, 20);
    EXPECT_EQ(SizeOf(picture).cy, 10);
    EXPECT_EQ(SendMessageA(picture, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(second)),
              reinterpret_cast<LRESULT>(first));
    EXPECT_EQ(SendMessageA(picture, STM_GETIMAGE, IMAGE_BITMAP, 0), reinterpret_cast<LRESULT>(second));
    EXPECT_EQ(SizeOf(picture).cx, 7);
    // An icon does not go into a bitmap static, nor the other way round.
    EXPECT_EQ(SendMessageA(picture, STM_SETIMAGE, IMAGE_ICON, 0x1234), 0);
    EXPECT_EQ(SendMessageA(picture, STM_GETIMAGE, IMAGE_ICON, 0), 0);
    EXPECT_EQ(SendMessageA(picture, STM_GETIMAGE, IMAGE_BITMAP, 0), reinterpret_cast<LRESULT>(second));

    HWND icon = Make(SS_ICON, "", 10, 120, 10, 10);
    HICON handle = reinterpret_cast<HICON>(0x1234);
    EXPECT_EQ(SendMessageA(icon, STM_SETICON, reinterpret_cast<WPARAM>(handle), 0), 0);
    EXPECT_EQ(SendMessageA(icon, STM_GETICON, 0, 0), reinterpret_cast<LRESULT>(handle));
    EXPECT_EQ(SendMessageA(icon, STM_GETIMAGE, IMAGE_ICON, 0), reinterpret_cast<LRESULT>(handle));
    EXPECT_EQ(SendMessageA(icon, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(first)), 0);
    EXPECT_EQ(SizeOf(icon).cx, 32); // the size of a loaded icon
    EXPECT_EQ(SizeOf(icon).cy, 32);

    // SS_CENTERIMAGE keeps the rectangle and centres the picture in it.
    HWND centred = Make(SS_BITMAP | SS_CENTERIMAGE, "", 200, 10, 50, 40);
    SendMessageA(centred, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(first));
    EXPECT_EQ(SizeOf(centred).cx, 50);
    EXPECT_EQ(SizeOf(centred).cy, 40);
}

} // namespace
