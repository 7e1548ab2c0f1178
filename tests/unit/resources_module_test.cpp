// Resources of a real module: the test module RESOURCES.DLL, built from
// tests/modules/resources/resources.rc by windres and loaded from the
// machine's drive C:, read through the Win32 calls and the platform's own
// readers, in the language the machine's user has.
#include <windows.h>
#include <winuser.h>

#include "host/text.h"
#include "kernel/resources.h"
#include "test_machine.h"

#include "../modules/resources/resource_ids.h"

#include <cstring>
#include <filesystem>
#include <string>

namespace fs = std::filesystem;
using namespace platform;

namespace {

class Resources : public ::testing::Test {
  protected:
    void SetUp() override {
        Install("RESOURCES.DLL");
        module_ = LoadLibraryA("RESOURCES.DLL");
        ASSERT_NE(module_, nullptr);
    }
    void TearDown() override {
        if (module_ != nullptr) FreeLibrary(module_);
    }
    void Install(const char* name) {
        fs::path to = machine_.DriveC() / "WINDOWS/SYSTEM" / name;
        fs::create_directories(to.parent_path());
        fs::copy_file(fs::path(TEST_MODULES_DIR) / name, to, fs::copy_options::overwrite_existing);
    }
    void SetLanguage(const char* language) {
        std::string error;
        ASSERT_TRUE(machine_->settings().Set("user", "language", language, &error)) << error;
    }
    std::string String(UINT id) {
        char buffer[256];
        int n = LoadStringA(module_, id, buffer, sizeof buffer);
        EXPECT_EQ(static_cast<size_t>(n), std::strlen(buffer));
        return buffer;
    }

    TempMachine machine_;
    HMODULE module_ = nullptr;
};

TEST_F(Resources, LockResourceHandsOutTheDialogTemplateItself) {
    HRSRC found = FindResourceA(module_, MAKEINTRESOURCEA(IDD_TEST), RT_DIALOG);
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(FindResourceA(module_, "#100", "#5"), found) << "the \"#n\" form names an ordinal";
    HGLOBAL loaded = LoadResource(module_, found);
    ASSERT_NE(loaded, nullptr);
    auto* bytes = static_cast<const BYTE*>(LockResource(loaded));
    DWORD size = SizeofResource(module_, found);
    ASSERT_GT(size, 26u);
    // A real DLGTEMPLATEEX: version 1, signature 0xFFFF.
    WORD head[2];
    std::memcpy(head, bytes, sizeof head);
    EXPECT_EQ(head[0], 1);
    EXPECT_EQ(head[1], 0xFFFF);
    EXPECT_FALSE(FreeResource(loaded));

    DialogTemplateInfo fromBytes, fromName;
    ASSERT_TRUE(ParseDialogTemplate(bytes, size, &fromBytes));
    ASSERT_TRUE(LoadDialogInfo(module_, MAKEINTRESOURCEA(IDD_TEST), &fromName));
    EXPECT_EQ(fromBytes.title, fromName.title);

    size_t available = 0;
    ASSERT_TRUE(ResourceExtent(bytes + 4, &available));
    EXPECT_EQ(available, size - 4);
    int onStack = 0;
    EXPECT_FALSE(ResourceExtent(&onStack, &available));
}

TEST_F(Resources, FailuresSayWhatIsMissing) {
    struct Case {
        LPCSTR name;
        LPCSTR type;
        DWORD error;
    } cases[] = {
        {MAKEINTRESOURCEA(IDD_TEST), RT_RCDATA, ERROR_RESOURCE_TYPE_NOT_FOUND},
        {MAKEINTRESOURCEA(999), RT_DIALOG, ERROR_RESOURCE_NAME_NOT_FOUND},
        {"IDD_TEST", RT_DIALOG, ERROR_RESOURCE_NAME_NOT_FOUND},
        {"#99999", RT_DIALOG, ERROR_RESOURCE_NAME_NOT_FOUND},
        {nullptr, RT_DIALOG, ERROR_RESOURCE_NAME_NOT_FOUND},
    };
    for (const Case& c : cases) {
        SetLastError(0);
        EXPECT_EQ(FindResourceA(module_, c.name, c.type), nullptr);
        EXPECT_EQ(GetLastError(), c.error);
    }
    // A module without resources, and a handle that is no module.
    Install("PROBE.DLL");
    HMODULE probe = LoadLibraryA("PROBE.DLL");
    ASSERT_NE(probe, nullptr);
    SetLastError(0);
    EXPECT_EQ(FindResourceA(probe, MAKEINTRESOURCEA(1), RT_DIALOG), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_RESOURCE_DATA_NOT_FOUND));
    char buffer[8] = "x";
    EXPECT_EQ(LoadStringA(probe, IDS_HELLO, buffer, sizeof buffer), 0);
    EXPECT_STREQ(buffer, "");
    FreeLibrary(probe);
    int notAModule = 0;
    EXPECT_EQ(FindResourceA(reinterpret_cast<HMODULE>(&notAModule), MAKEINTRESOURCEA(1),
                            RT_DIALOG),
              nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    // A handle that is not one FindResource gave.
    HRSRC bogus = reinterpret_cast<HRSRC>(&notAModule);
    EXPECT_EQ(LoadResource(module_, bogus), nullptr);
    EXPECT_EQ(SizeofResource(module_, bogus), 0u);
}

TEST_F(Resources, DialogTemplateAsTheDialogManagerSeesIt) {
    DialogTemplateInfo d;
    ASSERT_TRUE(LoadDialogInfo(module_, MAKEINTRESOURCEA(IDD_TEST), &d));
    EXPECT_TRUE(d.extended);
    EXPECT_EQ(d.style,
              static_cast<DWORD>(DS_SETFONT | DS_MODALFRAME | WS_POPUP | WS_CAPTION | WS_SYSMENU));
    EXPECT_EQ(d.exStyle, static_cast<DWORD>(WS_EX_CONTEXTHELP));
    EXPECT_EQ(d.x, 10);
    EXPECT_EQ(d.y, 20);
    EXPECT_EQ(d.cx, 200);
    EXPECT_EQ(d.cy, 120);
    EXPECT_EQ(d.title, "Test dialog");
    ASSERT_TRUE(d.hasFont);
    EXPECT_EQ(d.font.pointSize, 8);
    EXPECT_EQ(d.font.weight, 700);
    EXPECT_TRUE(d.font.italic);
    EXPECT_EQ(d.font.charset, 1);
    EXPECT_EQ(d.font.typeface, "MS Sans Serif");

    struct Expected {
        DWORD id;
        const char* className;
        const char* title;
        short x, y, cx, cy;
    } expected[] = {
        {IDC_ICON, "Static", nullptr, 7, 7, 0, 0}, // an icon static takes its icon's size
        {IDC_SLIDER, "msctls_trackbar32", "", 40, 10, 100, 15},
        {IDC_LABEL, "Static", "Volume:", 7, 40, 50, 8},
        {IDC_COMBO, "ComboBox", "", 7, 60, 100, 50},
        {IDOK, "Button", "OK", 90, 100, 50, 14},
    };
    ASSERT_EQ(d.items.size(), std::size(expected));
    for (size_t i = 0; i < std::size(expected); ++i) {
        const DialogItemInfo& item = d.items[i];
        const Expected& e = expected[i];
        EXPECT_EQ(item.id, e.id) << i;
        // Window class names compare without regard to case (the compiler
        // upper-cases the ones it is given as text).
        EXPECT_TRUE(EqualNoCase(item.className, e.className)) << item.className;
        if (e.title != nullptr) {
            EXPECT_EQ(item.title.text, e.title) << i;
        }
        EXPECT_EQ(item.x, e.x) << i;
        EXPECT_EQ(item.y, e.y) << i;
        EXPECT_EQ(item.cx, e.cx) << i;
        EXPECT_EQ(item.cy, e.cy) << i;
        EXPECT_TRUE(item.style & WS_CHILD) << i;
    }
    // The icon static names its icon by ordinal.
    EXPECT_EQ(d.items[0].style & SS_TYPEMASK, static_cast<DWORD>(SS_ICON));
    EXPECT_TRUE(d.items[0].title.isOrdinal);
    EXPECT_EQ(d.items[0].title.ordinal, IDI_TEST);
    EXPECT_EQ(d.items[3].style & 0x3, static_cast<DWORD>(CBS_DROPDOWNLIST));
    EXPECT_EQ(d.items[4].style & BS_TYPEMASK, static_cast<DWORD>(BS_DEFPUSHBUTTON));

    DialogTemplateInfo old;
    ASSERT_TRUE(LoadDialogInfo(module_, MAKEINTRESOURCEA(IDD_OLD), &old));
    EXPECT_FALSE(old.extended);
    EXPECT_EQ(old.font.typeface, "Helv");
    ASSERT_EQ(old.items.size(), 1u);
    EXPECT_EQ(old.items[0].id, static_cast<DWORD>(IDC_LABEL));
    EXPECT_EQ(old.items[0].title.text, "old");
}

TEST_F(Resources, MenuItemsOfBothTemplateForms) {
    MenuTemplateInfo m;
    ASSERT_TRUE(LoadMenuItems(module_, MAKEINTRESOURCEA(IDM_TEST), &m));
    EXPECT_FALSE(m.extended);
    ASSERT_EQ(m.items.size(), 3u);
    ASSERT_TRUE(m.items[0].popup);
    EXPECT_EQ(m.items[0].text, "&File");
    ASSERT_EQ(m.items[0].children.size(), 3u);
    EXPECT_EQ(m.items[0].children[0].id, static_cast<DWORD>(IDM_OPEN));
    EXPECT_EQ(m.items[0].children[0].text, "&Open");
    EXPECT_EQ(m.items[0].children[1].type, kMenuTypeSeparator);
    EXPECT_EQ(m.items[0].children[2].id, static_cast<DWORD>(IDM_EXIT));
    EXPECT_EQ(m.items[0].children[2].state, kMenuStateGrayed);
    EXPECT_EQ(m.items[1].state, kMenuStateChecked);
    EXPECT_EQ(m.items[2].id, static_cast<DWORD>(IDM_HELP));
    EXPECT_FALSE(m.items[2].popup);

    ASSERT_TRUE(LoadMenuItems(module_, MAKEINTRESOURCEA(IDM_TEST_EX), &m));
    EXPECT_TRUE(m.extended);
    ASSERT_EQ(m.items.size(), 1u);
    EXPECT_EQ(m.items[0].id, static_cast<DWORD>(IDM_POPUP_EX));
    EXPECT_EQ(m.items[0].helpId, 77u);
    ASSERT_EQ(m.items[0].children.size(), 2u);
    EXPECT_EQ(m.items[0].children[0].id, static_cast<DWORD>(IDM_ITEM_EX));
    EXPECT_EQ(m.items[0].children[1].type, kMenuTypeSeparator);
}

TEST_F(Resources, LoadStringCutsToTheBufferAsWindowsDoes) {
    // "ab音量" is 8 bytes: 'a', 'b' and two characters of three bytes each.
    struct Case {
        UINT id;
        int size;
        int returned;
        const char* text; // null: the buffer is left as it was
    } cases[] = {
        {IDS_HELLO, 100, 5, "Hello"},
        {IDS_HELLO, 6, 5, "Hello"}, // exactly the string and its NUL
        {IDS_HELLO, 5, 4, "Hell"},
        {IDS_HELLO, 1, 0, ""},
        {IDS_HELLO, 0, 0, nullptr}, // the ANSI call has no pointer form
        {IDS_HELLO, -1, 0, nullptr},
        {IDS_TWO_LINES, 100, 17, "Line one\nline two"},
        {IDS_CUT, 9, 8, "ab音量"},
        {IDS_CUT, 8, 5, "ab音"},
        {IDS_CUT, 6, 5, "ab音"},
        {IDS_CUT, 5, 2, "ab"}, // never half a character
        {IDS_CUT, 3, 2, "ab"},
        {IDS_FAR, 100, 8, "Far away"}, // in block 7
        {7, 100, 0, ""},               // an empty place in a block that exists
        {500, 100, 0, ""},             // a block that does not exist
        {0x10000, 100, 0, ""},         // beyond the 16-bit ids
    };
    for (const Case& c : cases) {
        char buffer[100];
        std::memset(buffer, '#', sizeof buffer);
        EXPECT_EQ(LoadStringA(module_, c.id, buffer, c.size), c.returned)
            << c.id << " in " << c.size;
        if (c.text != nullptr) {
            EXPECT_STREQ(buffer, c.text) << c.id << " in " << c.size;
        } else {
            EXPECT_EQ(buffer[0], '#') << "nothing is written for a size of " << c.size;
        }
    }
    EXPECT_EQ(LoadStringA(module_, IDS_HELLO, nullptr, 10), 0);
}

TEST_F(Resources, LanguageFollowsTheUserWithTheWindowsFallback) {
    auto dialogTitle = [&] {
        DialogTemplateInfo d;
        EXPECT_TRUE(LoadDialogInfo(module_, MAKEINTRESOURCEA(IDD_TEST), &d));
        return d.title;
    };
    // Without a language of its own the user gets US English.
    EXPECT_EQ(String(IDS_HELLO), "Hello");
    EXPECT_EQ(dialogTitle(), "Test dialog");

    // Russian strings exist; the dialog falls back to English.
    SetLanguage("1049");
    EXPECT_EQ(String(IDS_HELLO), "Привет");
    EXPECT_EQ(String(IDS_TWO_LINES), "Строка один\nстрока два");
    EXPECT_EQ(String(IDS_CUT), "")
        << "the chosen block has no such string: no other block is tried";
    EXPECT_EQ(dialogTitle(), "Test dialog");

    // Spanish (Mexico): its own dialog; strings from US English, although a
    // Spanish (Spain) table exists, and the menu from US English.
    SetLanguage("2058");
    EXPECT_EQ(dialogTitle(), "Diálogo de prueba");
    EXPECT_EQ(String(IDS_HELLO), "Hello");
    MenuTemplateInfo m;
    ASSERT_TRUE(LoadMenuItems(module_, MAKEINTRESOURCEA(IDM_TEST), &m));
    EXPECT_EQ(m.items[0].text, "&File");

    // Spanish (Spain): its own strings; the dialog from US English.
    SetLanguage("3082");
    EXPECT_EQ(String(IDS_HELLO), "Hola");
    EXPECT_EQ(dialogTitle(), "Test dialog");

    // FindResourceEx takes a language exactly; language 0 is the user's.
    LPCSTR block1 = MAKEINTRESOURCEA(StringBlockId(IDS_HELLO));
    LPCSTR strings = RT_STRING;
    EXPECT_NE(FindResourceExA(module_, strings, block1, 1049), nullptr);
    SetLastError(0);
    EXPECT_EQ(FindResourceExA(module_, strings, block1, 1034), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_RESOURCE_LANG_NOT_FOUND));
    EXPECT_EQ(FindResourceExA(module_, strings, block1, 0),
              FindResourceExA(module_, strings, block1, 3082));
    EXPECT_EQ(FindResourceExA(module_, strings, block1, 0),
              FindResourceA(module_, block1, strings));
}

TEST_F(Resources, BitmapPixels) {
    BitmapPixels b;
    ASSERT_TRUE(LoadBitmapPixels(module_, MAKEINTRESOURCEA(IDB_TEST), &b));
    ASSERT_EQ(b.width, 5);
    ASSERT_EQ(b.height, 3);
    // make_images.py: index (x + 2y) % 4 of red, green, blue, white.
    const uint32_t colors[] = {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF};
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x)
            EXPECT_EQ(b.pixels[size_t(y) * 5 + x], colors[(x + 2 * y) % 4]) << x << "," << y;
}

TEST_F(Resources, IconImagesBySizeAndCursorHotSpot) {
    IconImage big, small, cursor;
    ASSERT_TRUE(LoadIconImage(module_, MAKEINTRESOURCEA(IDI_TEST), false, 32, 32, &big));
    EXPECT_EQ(big.width, 32);
    EXPECT_EQ(big.height, 32);
    EXPECT_EQ(big.bitCount, 32);
    EXPECT_EQ(big.pixels[5 * 32 + 3], 0x000000FFu) << "left half: blue at alpha 0";
    EXPECT_EQ(big.pixels[5 * 32 + 20], 0x800000FFu) << "right half: blue at half alpha";

    ASSERT_TRUE(LoadIconImage(module_, MAKEINTRESOURCEA(IDI_TEST), false, 16, 16, &small));
    EXPECT_EQ(small.width, 16);
    EXPECT_EQ(small.bitCount, 4);
    EXPECT_EQ(small.pixels[0] >> 24, 0u) << "the first column is masked";
    EXPECT_EQ(small.pixels[1], 0xFF00FF00u);
    EXPECT_EQ(small.pixels[2], 0xFF0000FFu);
    EXPECT_EQ(small.pixels[16 + 3], 0xFFFF0000u);

    ASSERT_TRUE(LoadIconImage(module_, MAKEINTRESOURCEA(IDC_TEST_CURSOR), true, 32, 32, &cursor));
    EXPECT_EQ(cursor.width, 32);
    EXPECT_EQ(cursor.height, 32);
    EXPECT_EQ(cursor.hotSpot.x, 3);
    EXPECT_EQ(cursor.hotSpot.y, 5);
    EXPECT_EQ(cursor.pixels[2 * 32 + 2], 0xFFFFFFFFu);
    EXPECT_EQ(cursor.pixels[2 * 32 + 3], 0xFF000000u);
    EXPECT_EQ(cursor.pixels[10 * 32 + 10] >> 24, 0u);

    EXPECT_FALSE(LoadIconImage(module_, MAKEINTRESOURCEA(IDI_TEST), true, 32, 32, &cursor))
        << "an icon is not a cursor";
}

TEST_F(Resources, VersionValues) {
    VersionInfo v;
    ASSERT_TRUE(LoadVersionInfo(module_, &v));
    EXPECT_EQ(v.fileVersion, (std::array<WORD, 4>{1, 2, 0, 3}));
    EXPECT_EQ(v.productVersion, (std::array<WORD, 4>{1, 2, 0, 4}));
    EXPECT_EQ(v.fileType, 2u);
    ASSERT_NE(v.Value("CompanyName"), nullptr);
    EXPECT_EQ(*v.Value("CompanyName"), "Orbiq");
    EXPECT_EQ(*v.Value("FileVersion"), "1.2.0.3");
    EXPECT_EQ(*v.Value("LegalCopyright"), "© Orbiq");
    EXPECT_EQ(v.translations, (std::vector<DWORD>{0x04B00409}));
}

} // namespace
