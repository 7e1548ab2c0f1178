// Readers of the standard binary resource formats: the compiled .res file and
// the dialog, menu, string table, bitmap, icon, cursor and version resources
// inside it. Every reader takes bytes and a size it never reads past, trusts
// no length or count inside them, and returns false on anything malformed.
// Texts come out as UTF-8 (the platform's ANSI code page).
#pragma once

#include <windef.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace platform {

// Language ids as MAKELANGID builds them: primary language in the low 10
// bits, sublanguage above.
constexpr WORD MakeLanguage(WORD primary, WORD sub) {
    return static_cast<WORD>((sub << 10) | primary);
}
constexpr WORD PrimaryLanguage(WORD language) {
    return language & 0x3FF;
}
constexpr WORD kLanguageNeutral = 0x0000;           // LANG_NEUTRAL, SUBLANG_NEUTRAL
constexpr WORD kLanguageNeutralDefault = 0x0400;    // LANG_NEUTRAL, SUBLANG_DEFAULT
constexpr WORD kLanguageNeutralSysDefault = 0x0800; // LANG_NEUTRAL, SUBLANG_SYS_DEFAULT
constexpr WORD kLanguageEnglishUs = 0x0409;
constexpr WORD kPrimaryEnglish = 0x09;

// A resource type or name, or one of the "string or ordinal" fields of the
// templates: a 16-bit ordinal or a text.
struct NameOrOrdinal {
    bool isOrdinal = false;
    WORD ordinal = 0;
    std::string text; // UTF-8; empty when absent

    static NameOrOrdinal Ordinal(WORD value) { return {true, value, {}}; }
    static NameOrOrdinal Text(std::string value) { return {false, 0, std::move(value)}; }
    bool Empty() const { return !isOrdinal && text.empty(); }
    // Ordinals compare by value; texts without regard to ASCII case, as
    // Windows compares resource names.
    bool Matches(const NameOrOrdinal& other) const;
};

// One resource of a .res file. `data` points into the bytes the index was
// read from, which must outlive it.
struct ResourceEntry {
    NameOrOrdinal type;
    NameOrOrdinal name;
    WORD language = 0;
    WORD memoryFlags = 0;
    DWORD dataVersion = 0;
    DWORD version = 0;
    DWORD characteristics = 0;
    const BYTE* data = nullptr;
    DWORD size = 0;
};

// The resources of a .res image: (type, name, language) to bytes.
class ResourceIndex {
  public:
    // Reads a .res image: a sequence of DWORD-aligned records, each a header
    // (sizes, type, name, language, versions) and its data. The empty record
    // that starts every .res file, and the one that starts each file of a
    // concatenation, is skipped. False on anything malformed; the index is
    // then empty.
    bool Parse(const void* bytes, size_t size);

    const std::vector<ResourceEntry>& Entries() const { return entries_; }
    // Whether `entry` is one of this index's entries (a handle check).
    bool Owns(const ResourceEntry* entry) const;

    bool HasType(const NameOrOrdinal& type) const;
    bool Has(const NameOrOrdinal& type, const NameOrOrdinal& name) const;
    // The resource in exactly this language, or null.
    const ResourceEntry* Find(const NameOrOrdinal& type, const NameOrOrdinal& name,
                              WORD language) const;
    // The resource in the language Windows 95 would load for a user of
    // `userLanguage` (docs/resources.md gives the order); string tables
    // follow their own order. Null when the resource exists in no language.
    const ResourceEntry* Choose(const NameOrOrdinal& type, const NameOrOrdinal& name,
                                WORD userLanguage) const;

  private:
    std::vector<ResourceEntry> entries_;
};

// ---- Dialog templates (RT_DIALOG) ----

struct DialogFont {
    WORD pointSize = 0;
    WORD weight = 0; // 0 in the old template, which has no weight
    bool italic = false;
    BYTE charset = 0; // likewise
    std::string typeface;
};

struct DialogItemInfo {
    DWORD helpId = 0; // 0 in the old template
    DWORD exStyle = 0;
    DWORD style = 0;
    short x = 0, y = 0, cx = 0, cy = 0;
    DWORD id = 0;                   // a WORD zero-extended in the old template
    std::string className;          // "Button", "Edit", "Static", "ListBox", "ScrollBar",
                                    // "ComboBox" for the predefined ordinals 0x80..0x85,
                                    // else the name as written (the compiler may upper-case it)
    NameOrOrdinal title;            // text, or an ordinal (an icon or bitmap static's image)
    std::vector<BYTE> creationData; // the bytes after the count word
};

struct DialogTemplateInfo {
    bool extended = false; // DLGTEMPLATEEX
    DWORD helpId = 0;
    DWORD exStyle = 0;
    DWORD style = 0;
    short x = 0, y = 0, cx = 0, cy = 0;
    NameOrOrdinal menu;      // empty: no menu
    NameOrOrdinal className; // empty: the predefined dialog class
    std::string title;
    bool hasFont = false; // DS_SETFONT
    DialogFont font;
    std::vector<DialogItemInfo> items;
};

bool ParseDialogTemplate(const void* bytes, size_t size, DialogTemplateInfo* out);

// ---- Menu templates (RT_MENU) ----

// Menu item bits, the same in both template forms once read: the type
// (MFT_*) and state (MFS_*) values of MENUITEMINFO.
constexpr DWORD kMenuTypeBitmap = 0x0004;
constexpr DWORD kMenuTypeMenuBarBreak = 0x0020;
constexpr DWORD kMenuTypeMenuBreak = 0x0040;
constexpr DWORD kMenuTypeOwnerDraw = 0x0100;
constexpr DWORD kMenuTypeRadioCheck = 0x0200;
constexpr DWORD kMenuTypeSeparator = 0x0800;
constexpr DWORD kMenuTypeRightOrder = 0x2000;
constexpr DWORD kMenuTypeRightJustify = 0x4000;
constexpr DWORD kMenuStateGrayed = 0x0001;
constexpr DWORD kMenuStateDisabled = 0x0002;
constexpr DWORD kMenuStateChecked = 0x0008;
constexpr DWORD kMenuStateHilite = 0x0080;
constexpr DWORD kMenuStateDefault = 0x1000;

struct MenuItemInfo {
    DWORD type = 0;  // kMenuType* bits
    DWORD state = 0; // kMenuState* bits
    DWORD id = 0;
    DWORD helpId = 0; // popups of the extended form only
    std::string text;
    bool popup = false;
    std::vector<MenuItemInfo> children;
};

struct MenuTemplateInfo {
    bool extended = false; // MENUEX
    DWORD helpId = 0;
    std::vector<MenuItemInfo> items;
};

// Reads the standard form (MENUITEMTEMPLATEHEADER version 0) and the
// extended form (version 1). In the standard form an item with no flags,
// no id and no text is a separator, as LoadMenu reads it. Popups nest at
// most kMaxMenuDepth deep.
constexpr int kMaxMenuDepth = 16;
bool ParseMenuTemplate(const void* bytes, size_t size, MenuTemplateInfo* out);

// ---- String tables (RT_STRING) ----

// The block that holds string `id`, and its place in the block.
constexpr WORD StringBlockId(UINT id) {
    return static_cast<WORD>(((id >> 4) + 1) & 0xFFFF);
}
constexpr int StringBlockSlot(UINT id) {
    return static_cast<int>(id & 15);
}

// A block of 16 strings, each a WORD count of UTF-16 units and the units.
// A block may end early at a string boundary: the missing strings are empty.
bool ParseStringBlock(const void* bytes, size_t size, std::array<std::string, 16>* out);

// ---- Bitmaps (RT_BITMAP) ----

// A picture read from a DIB: pixels top-down, row by row.
struct BitmapPixels {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> pixels; // 0x00RRGGBB
};

// A packed DIB: BITMAPINFOHEADER (or a later or the OS/2 core header),
// colour table, bits. 1, 4, 8, 16, 24 and 32 bits per pixel uncompressed,
// 16 and 32 with bit fields; bottom-up or top-down. Colour indexes past the
// colour table read as black, as GDI shows them.
constexpr int kMaxBitmapSide = 16384;
constexpr size_t kMaxBitmapPixels = size_t(1) << 22; // 2048 by 2048
bool ParseBitmap(const void* bytes, size_t size, BitmapPixels* out);

// ---- Icons and cursors (RT_GROUP_ICON / RT_ICON, RT_GROUP_CURSOR / RT_CURSOR) ----

struct IconDirectoryEntry {
    int width = 0;
    int height = 0; // the image's height, not the doubled height of the DIB
    int bitCount = 0;
    DWORD bytes = 0;
    WORD id = 0; // the RT_ICON / RT_CURSOR resource holding the image
};

// A group resource: the directory of the images of one icon or cursor.
bool ParseIconDirectory(const void* bytes, size_t size, bool cursor,
                        std::vector<IconDirectoryEntry>* out);

// The entry closest in size to cx by cy, the deepest colours among equals;
// -1 for an empty directory.
int PickIconEntry(const std::vector<IconDirectoryEntry>& entries, int cx, int cy);

struct IconImage {
    int width = 0;
    int height = 0;
    // 0xAARRGGBB top-down. Alpha is 0 where the AND mask lets the screen
    // through (the colour bits stay, so an inverting pixel keeps them), 255
    // elsewhere; a 32-bit image with an alpha channel uses the channel.
    std::vector<uint32_t> pixels;
    int bitCount = 0;
    POINT hotSpot{0, 0}; // cursors only
};

// One image: a DIB of doubled height, the colour bits then the AND mask;
// a cursor's image starts with its hot spot (two WORDs).
bool ParseIconImage(const void* bytes, size_t size, bool cursor, IconImage* out);

// ---- Version information (RT_VERSION) ----

struct VersionStringTable {
    std::string key; // language and code page as 8 hex digits, e.g. "040904B0"
    std::vector<std::pair<std::string, std::string>> values; // in file order
};

struct VersionInfo {
    bool hasFixed = false;
    std::array<WORD, 4> fileVersion{}; // 1,2,0,3 for FILEVERSION 1,2,0,3
    std::array<WORD, 4> productVersion{};
    DWORD fileFlagsMask = 0;
    DWORD fileFlags = 0;
    DWORD fileOS = 0;
    DWORD fileType = 0;
    DWORD fileSubtype = 0;
    DWORD fileDateMS = 0;
    DWORD fileDateLS = 0;
    std::vector<VersionStringTable> stringTables;
    std::vector<DWORD> translations; // language in the low word, code page in the high

    // The value of `name` in the first string table that has it (names
    // compare without regard to ASCII case), or null.
    const std::string* Value(std::string_view name) const;
};

// VS_VERSIONINFO: the fixed part (VS_FIXEDFILEINFO), the string values of
// StringFileInfo and the Translation of VarFileInfo; other blocks are skipped.
bool ParseVersionInfo(const void* bytes, size_t size, VersionInfo* out);

// ---- Text ----

// UTF-16 (little-endian units) to UTF-8; a lone surrogate becomes U+FFFD.
std::string Utf16ToUtf8(const char16_t* units, size_t count);

// ---- Fixed layouts, as Windows declares them ----

#pragma pack(push, 1)
struct ResDlgTemplateEx {
    WORD dlgVer;
    WORD signature;
    DWORD helpID;
    DWORD exStyle;
    DWORD style;
    WORD cDlgItems;
    short x, y, cx, cy;
};
struct ResDlgTemplate {
    DWORD style;
    DWORD dwExtendedStyle;
    WORD cdit;
    short x, y, cx, cy;
};
struct ResDlgItemTemplateEx {
    DWORD helpID;
    DWORD exStyle;
    DWORD style;
    short x, y, cx, cy;
    DWORD id;
};
struct ResDlgItemTemplate {
    DWORD style;
    DWORD dwExtendedStyle;
    short x, y, cx, cy;
    WORD id;
};
struct ResBitmapInfoHeader {
    DWORD biSize;
    LONG biWidth;
    LONG biHeight;
    WORD biPlanes;
    WORD biBitCount;
    DWORD biCompression;
    DWORD biSizeImage;
    LONG biXPelsPerMeter;
    LONG biYPelsPerMeter;
    DWORD biClrUsed;
    DWORD biClrImportant;
};
struct ResBitmapCoreHeader {
    DWORD bcSize;
    WORD bcWidth;
    WORD bcHeight;
    WORD bcPlanes;
    WORD bcBitCount;
};
struct ResGroupIconEntry {
    BYTE bWidth;
    BYTE bHeight;
    BYTE bColorCount;
    BYTE bReserved;
    WORD wPlanes;
    WORD wBitCount;
    DWORD dwBytesInRes;
    WORD nId;
};
struct ResGroupCursorEntry {
    WORD wWidth;
    WORD wHeight; // doubled, as in the DIB
    WORD wPlanes;
    WORD wBitCount;
    DWORD dwBytesInRes;
    WORD nId;
};
struct ResFixedFileInfo {
    DWORD dwSignature;
    DWORD dwStrucVersion;
    DWORD dwFileVersionMS;
    DWORD dwFileVersionLS;
    DWORD dwProductVersionMS;
    DWORD dwProductVersionLS;
    DWORD dwFileFlagsMask;
    DWORD dwFileFlags;
    DWORD dwFileOS;
    DWORD dwFileType;
    DWORD dwFileSubtype;
    DWORD dwFileDateMS;
    DWORD dwFileDateLS;
};
#pragma pack(pop)

static_assert(sizeof(ResDlgTemplateEx) == 26, "DLGTEMPLATEEX fixed part is 26 bytes");
static_assert(sizeof(ResDlgTemplate) == 18, "DLGTEMPLATE is 18 bytes");
static_assert(sizeof(ResDlgItemTemplateEx) == 24, "DLGITEMTEMPLATEEX fixed part is 24 bytes");
static_assert(sizeof(ResDlgItemTemplate) == 18, "DLGITEMTEMPLATE is 18 bytes");
static_assert(sizeof(ResBitmapInfoHeader) == 40, "BITMAPINFOHEADER is 40 bytes");
static_assert(sizeof(ResBitmapCoreHeader) == 12, "BITMAPCOREHEADER is 12 bytes");
static_assert(sizeof(ResGroupIconEntry) == 14, "GRPICONDIRENTRY is 14 bytes");
static_assert(sizeof(ResGroupCursorEntry) == 14, "a cursor group entry is 14 bytes");
static_assert(sizeof(ResFixedFileInfo) == 52, "VS_FIXEDFILEINFO is 52 bytes");

constexpr DWORD kFixedFileInfoSignature = 0xFEEF04BD;

} // namespace platform
