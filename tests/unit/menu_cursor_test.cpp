// Cursors and icons (beside the menus, which share the pop-up window's
// pointer): system handles, the program's own from its resources, and the
// cursor shown that the front ends read.
#include <windows.h>

#include "test_machine.h"
#include "user/cursor.h"

#include "../modules/resources/resource_ids.h"

#include <filesystem>

namespace fs = std::filesystem;
using namespace platform::user;

namespace {

class Cursors : public ::testing::Test {
  protected:
    void SetUp() override { saved_ = GetCursor(); }
    void TearDown() override {
        SetCursor(saved_);
        if (module_ != nullptr) FreeLibrary(module_);
    }
    void LoadResourceModule() {
        fs::path to = machine_.DriveC() / "WINDOWS/SYSTEM/RESOURCES.DLL";
        fs::create_directories(to.parent_path());
        fs::copy_file(fs::path(TEST_MODULES_DIR) / "RESOURCES.DLL", to,
                      fs::copy_options::overwrite_existing);
        module_ = LoadLibraryA("RESOURCES.DLL");
        ASSERT_NE(module_, nullptr);
    }
    TempMachine machine_;
    HMODULE module_ = nullptr;
    HCURSOR saved_ = nullptr;
};

TEST_F(Cursors, SystemCursorsHaveFixedHandlesAndKinds) {
    struct Case {
        WORD id;
        CursorKind kind;
        const char* word;
    } cases[] = {
        {IDC_ARROW, CursorKind::Arrow, "arrow"}, {IDC_WAIT, CursorKind::Wait, "wait"},
        {IDC_HAND, CursorKind::Hand, "hand"},    {IDC_IBEAM, CursorKind::IBeam, "ibeam"},
        {IDC_CROSS, CursorKind::Cross, "cross"},
    };
    std::vector<HCURSOR> seen;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.id);
        HCURSOR cursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(c.id));
        ASSERT_NE(cursor, nullptr);
        EXPECT_EQ(LoadCursorA(nullptr, MAKEINTRESOURCEA(c.id)), cursor) << "the same every time";
        EXPECT_EQ(KindOfCursor(cursor), c.kind);
        EXPECT_STREQ(CursorWord(c.kind), c.word);
        EXPECT_EQ(IconPicture(cursor), nullptr) << "front ends draw system cursors themselves";
        for (HCURSOR other : seen)
            EXPECT_NE(other, cursor);
        seen.push_back(cursor);
    }
    EXPECT_EQ(LoadCursorA(nullptr, MAKEINTRESOURCEA(1234)), nullptr);
    EXPECT_EQ(LoadCursorA(nullptr, "ARROW"), nullptr);
}

TEST_F(Cursors, SetCursorReturnsThePreviousOne) {
    HCURSOR arrow = LoadCursorA(nullptr, MAKEINTRESOURCEA(IDC_ARROW));
    HCURSOR wait = LoadCursorA(nullptr, MAKEINTRESOURCEA(IDC_WAIT));
    SetCursor(arrow);
    EXPECT_EQ(SetCursor(wait), arrow);
    EXPECT_EQ(GetCursor(), wait);
    EXPECT_EQ(CurrentCursorKind(), CursorKind::Wait);
    EXPECT_EQ(SetCursor(reinterpret_cast<HCURSOR>(0x4321)), nullptr) << "not a cursor";
    EXPECT_EQ(GetCursor(), wait) << "and the cursor stays";
    EXPECT_EQ(SetCursor(nullptr), wait);
    EXPECT_EQ(CurrentCursorKind(), CursorKind::None) << "no cursor: the pointer is hidden";
    EXPECT_EQ(SetCursor(arrow), nullptr);
}

TEST_F(Cursors, TheProgramsCursorAndIconsComeFromItsResources) {
    LoadResourceModule();
    HCURSOR hand = LoadCursorA(module_, MAKEINTRESOURCEA(IDC_TEST_CURSOR));
    ASSERT_NE(hand, nullptr);
    EXPECT_EQ(LoadCursorA(module_, MAKEINTRESOURCEA(IDC_TEST_CURSOR)), hand) << "shared";
    EXPECT_EQ(KindOfCursor(hand), CursorKind::Program);
    SetCursor(hand);
    EXPECT_STREQ(CursorWord(CurrentCursorKind()), "hand") << "the program's cursor is its hand";
    const platform::IconImage* picture = IconPicture(hand);
    ASSERT_NE(picture, nullptr);
    EXPECT_EQ(picture->width, 32);
    EXPECT_EQ(picture->hotSpot.x, 3);
    EXPECT_EQ(picture->hotSpot.y, 5);

    HICON icon = LoadIconA(module_, MAKEINTRESOURCEA(IDI_TEST));
    ASSERT_NE(icon, nullptr);
    picture = IconPicture(icon);
    ASSERT_NE(picture, nullptr);
    EXPECT_EQ(picture->width, 32) << "the 32 x 32 image of the group";
    EXPECT_EQ(picture->height, 32);
    EXPECT_TRUE(DestroyIcon(icon));
    EXPECT_NE(IconPicture(icon), nullptr) << "a shared icon outlives DestroyIcon";
    EXPECT_FALSE(DestroyIcon(reinterpret_cast<HICON>(0x4321)));
    EXPECT_EQ(LoadIconA(module_, MAKEINTRESOURCEA(999)), nullptr);
    EXPECT_EQ(LoadCursorA(module_, MAKEINTRESOURCEA(IDI_TEST)), nullptr) << "an icon is no cursor";
}

TEST_F(Cursors, SystemIconsHavePictures) {
    const WORD ids[] = {IDI_APPLICATION, IDI_HAND, IDI_QUESTION, IDI_EXCLAMATION,
                        IDI_ASTERISK};
    std::vector<std::vector<uint32_t>> pictures;
    for (WORD id : ids) {
        SCOPED_TRACE(id);
        HICON icon = LoadIconA(nullptr, MAKEINTRESOURCEA(id));
        ASSERT_NE(icon, nullptr);
        EXPECT_EQ(LoadIconA(nullptr, MAKEINTRESOURCEA(id)), icon);
        const platform::IconImage* picture = IconPicture(icon);
        ASSERT_NE(picture, nullptr);
        ASSERT_EQ(picture->pixels.size(), 32u * 32u);
        EXPECT_EQ(picture->pixels[0] >> 24, 0u) << "the corner is transparent";
        EXPECT_EQ(picture->pixels[16 * 32 + 16] >> 24, 0xFFu) << "the middle is drawn";
        for (const auto& other : pictures)
            EXPECT_NE(other, picture->pixels);
        pictures.push_back(picture->pixels);
    }
    EXPECT_EQ(LoadIconA(nullptr, MAKEINTRESOURCEA(1)), nullptr);
}

} // namespace
