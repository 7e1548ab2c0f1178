// The readers of the binary resource formats, over bytes built here: what
// they read from well-formed resources, which language they choose, and
// that truncated or lying bytes are refused without a read past the end
// (the sanitizer build catches any).
#include "kernel/resource_formats.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

using namespace platform;

namespace {

// Little-endian bytes, built field by field.
struct Bytes {
    std::vector<BYTE> b;

    Bytes& Byte(BYTE v) {
        b.push_back(v);
        return *this;
    }
    Bytes& Word(WORD v) { return Byte(v & 0xFF).Byte(v >> 8); }
    Bytes& Dword(DWORD v) { return Word(v & 0xFFFF).Word(v >> 16); }
    // UTF-16 with its terminating NUL.
    Bytes& Text(std::u16string_view s) {
        for (char16_t c : s)
            Word(c);
        return Word(0);
    }
    Bytes& Ordinal(WORD v) { return Word(0xFFFF).Word(v); }
    Bytes& Align4() {
        while (b.size() % 4)
            Byte(0);
        return *this;
    }
    Bytes& Append(const Bytes& other) {
        b.insert(b.end(), other.b.begin(), other.b.end());
        return *this;
    }
    // Overwrites a WORD or DWORD already written, to make a lying field.
    Bytes& PutWord(size_t at, WORD v) {
        b[at] = v & 0xFF, b[at + 1] = v >> 8;
        return *this;
    }
    Bytes& PutDword(size_t at, DWORD v) { return PutWord(at, v & 0xFFFF).PutWord(at + 2, v >> 16); }
    Bytes Prefix(size_t n) const {
        Bytes p;
        p.b.assign(b.begin(), b.begin() + n);
        return p;
    }
    const BYTE* data() const { return b.data(); }
    size_t size() const { return b.size(); }
};

// One record of a .res file.
Bytes ResRecord(const Bytes& type, const Bytes& name, WORD language, const Bytes& data) {
    Bytes header;
    header.Append(type).Append(name).Align4();
    header.Dword(0).Word(0x1030).Word(language).Dword(0).Dword(0);
    Bytes r;
    r.Dword(static_cast<DWORD>(data.size())).Dword(static_cast<DWORD>(8 + header.size()));
    r.Append(header).Append(data).Align4();
    return r;
}

Bytes Ord(WORD v) {
    return Bytes().Ordinal(v);
}
Bytes Name(std::u16string_view s) {
    return Bytes().Text(s);
}

Bytes ResFile(std::initializer_list<Bytes> records) {
    Bytes file = ResRecord(Ord(0), Ord(0), 0, Bytes());
    for (const Bytes& r : records)
        file.Append(r);
    return file;
}

Bytes DialogEx() {
    Bytes d;
    d.Word(1).Word(0xFFFF).Dword(55).Dword(0x400).Dword(0x80C800C0).Word(2);
    d.Word(10).Word(20).Word(200).Word(120);
    d.Word(0).Ordinal(7).Text(u"Título"); // no menu, class by ordinal, title
    d.Word(9).Word(700).Byte(1).Byte(204).Text(u"MS Sans Serif");
    d.Align4().Dword(66).Dword(0x200).Dword(0x50000003).Word(7).Word(8).Word(21).Word(20);
    d.Dword(1001).Ordinal(0x82).Ordinal(1).Word(0); // icon static: title is icon 1
    d.Align4().Dword(0).Dword(0).Dword(0x50010000).Word(40).Word(10).Word(100).Word(15);
    d.Dword(0xFFFFFFFF).Text(u"msctls_trackbar32").Text(u"").Word(3).Byte(0xA).Byte(0xB).Byte(0xC);
    return d;
}

Bytes OldDialog() {
    Bytes d;
    d.Dword(0x80000040).Dword(0).Word(1).Word(1).Word(2).Word(60).Word(40);
    d.Text(u"MENU").Word(0).Text(u"Old").Word(8).Text(u"Helv");
    d.Align4().Dword(0x50000000).Dword(0).Word(1).Word(2).Word(3).Word(4).Word(0xFFFF);
    d.Ordinal(0x80).Text(u"Push").Word(4).Word(0x1234); // size word counts itself
    return d;
}

Bytes StandardMenu() {
    Bytes m;
    m.Word(0).Word(0);
    m.Word(0x10).Text(u"&File"); // popup
    m.Word(0).Word(201).Text(u"&Open");
    m.Word(0).Word(0).Text(u"");                  // separator
    m.Word(0x80 | 0x01).Word(202).Text(u"E&xit"); // last, grayed
    m.Word(0x80 | 0x08).Word(203).Text(u"&Help"); // last top-level item, checked
    return m;
}

Bytes ExtendedMenu() {
    Bytes m;
    m.Word(1).Word(4).Dword(9);
    m.Dword(0).Dword(0).Dword(300).Word(0x81).Text(u"&File").Align4().Dword(77);
    m.Dword(0).Dword(0x8).Dword(301).Word(0).Text(u"&Open").Align4();
    m.Dword(0x800).Dword(0).Dword(0).Word(0x80).Text(u"").Align4();
    return m;
}

Bytes StringBlock() {
    Bytes s;
    s.Word(0).Word(5);
    for (char16_t c : std::u16string_view(u"Hello"))
        s.Word(c);
    s.Word(3).Word(u'П').Word(0xD83D).Word(0xDE00); // a surrogate pair
    for (int i = 3; i < 16; ++i)
        s.Word(0);
    return s;
}

// A packed DIB of width w and height h (negative: top-down) whose pixels are
// given top-down as colour indexes (up to 8 bits) or 0xAARRGGBB.
Bytes Dib(int w, int h, int bits, const std::vector<uint32_t>& palette,
          const std::function<uint32_t(int, int)>& pixel, int heightFactor = 1,
          const std::function<bool(int, int)>& masked = nullptr) {
    int rows = h < 0 ? -h : h;
    Bytes d;
    d.Dword(40).Dword(w).Dword(static_cast<DWORD>(h * heightFactor)).Word(1).Word(bits);
    d.Dword(0).Dword(0).Dword(0).Dword(0).Dword(static_cast<DWORD>(palette.size())).Dword(0);
    for (uint32_t c : palette)
        d.Dword(c);
    auto row = [&](int y, int depth, const std::function<uint32_t(int, int)>& value) {
        Bytes r;
        unsigned acc = 0, filled = 0;
        for (int x = 0; x < w; ++x) {
            uint32_t v = value(x, y);
            if (depth < 8) {
                acc = (acc << depth) | v;
                filled += depth;
                if (filled == 8) r.Byte(static_cast<BYTE>(acc)), acc = 0, filled = 0;
            } else if (depth == 8) {
                r.Byte(static_cast<BYTE>(v));
            } else if (depth == 16) {
                r.Word(static_cast<WORD>(v));
            } else {
                r.Byte(v & 0xFF).Byte((v >> 8) & 0xFF).Byte((v >> 16) & 0xFF);
                if (depth == 32) r.Byte(static_cast<BYTE>(v >> 24));
            }
        }
        if (filled) r.Byte(static_cast<BYTE>(acc << (8 - filled)));
        return r.Align4();
    };
    for (int i = 0; i < rows; ++i)
        d.Append(row(h < 0 ? i : rows - 1 - i, bits, pixel));
    if (masked)
        for (int i = 0; i < rows; ++i)
            d.Append(row(rows - 1 - i, 1, [&](int x, int y) { return masked(x, y) ? 1u : 0u; }));
    return d;
}

Bytes IconGroup(bool cursor, std::initializer_list<std::array<int, 4>> entries) {
    Bytes g;
    g.Word(0).Word(cursor ? 2 : 1).Word(static_cast<WORD>(entries.size()));
    for (const auto& [w, h, bits, id] : entries) {
        if (cursor)
            g.Word(w).Word(2 * h).Word(1).Word(bits).Dword(100).Word(id);
        else
            g.Byte(w & 0xFF).Byte(h & 0xFF).Byte(0).Byte(0).Word(1).Word(bits).Dword(100).Word(id);
    }
    return g;
}

// A version block: length, value length, type, key, value, children.
Bytes VersionBlock(std::u16string_view key, WORD type, const Bytes& value, WORD valueLength,
                   std::initializer_list<Bytes> children = {}) {
    Bytes b;
    b.Word(0).Word(valueLength).Word(type).Text(key).Align4().Append(value);
    for (const Bytes& c : children)
        b.Align4().Append(c);
    b.PutWord(0, static_cast<WORD>(b.size()));
    return b;
}

Bytes TextValue(std::u16string_view s) {
    return Bytes().Text(s);
}

Bytes Version() {
    Bytes fixed;
    fixed.Dword(kFixedFileInfoSignature).Dword(0x10000).Dword(0x00010002).Dword(0x00000003);
    fixed.Dword(0x00010002).Dword(0x00000004).Dword(0x3F).Dword(0).Dword(0x40004).Dword(2);
    fixed.Dword(0).Dword(0).Dword(0);
    Bytes translation = Bytes().Word(0x409).Word(1200);
    return VersionBlock(
        u"VS_VERSION_INFO", 0, fixed, 52,
        {VersionBlock(u"StringFileInfo", 1, Bytes(), 0,
                      {VersionBlock(u"040904B0", 1, Bytes(), 0,
                                    {VersionBlock(u"CompanyName", 1, TextValue(u"Orbiq"), 6),
                                     VersionBlock(u"Empty", 1, Bytes(), 0),
                                     VersionBlock(u"Comments", 1, TextValue(u"Ünïcode"), 8)})}),
         VersionBlock(u"VarFileInfo", 1, Bytes(), 0,
                      {VersionBlock(u"Translation", 0, translation, 4)})});
}

// ---- .res files and language choice ----

TEST(ResourceFormats, ResFileIndexesEveryRecordWithItsBytes) {
    Bytes dialog = DialogEx();
    Bytes file = ResFile({ResRecord(Ord(5), Ord(100), 0x409, dialog),
                          ResRecord(Name(u"MYTYPE"), Name(u"Config"), 0x80A, Bytes().Byte(7)),
                          ResRecord(Ord(6), Ord(1), 0x409, StringBlock())});
    ResourceIndex index;
    ASSERT_TRUE(index.Parse(file.data(), file.size()));
    ASSERT_EQ(index.Entries().size(), 3u) << "the opening empty record is not a resource";

    const ResourceEntry* d =
        index.Find(NameOrOrdinal::Ordinal(5), NameOrOrdinal::Ordinal(100), 0x409);
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(d->size, dialog.size());
    EXPECT_EQ(std::memcmp(d->data, dialog.data(), dialog.size()), 0);
    EXPECT_EQ(d->memoryFlags, 0x1030);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(d->data) - reinterpret_cast<uintptr_t>(file.data()), 64u)
        << "the data follows its header in place";

    // Names compare without regard to case; ordinals and names never match.
    const ResourceEntry* c =
        index.Find(NameOrOrdinal::Text("mytype"), NameOrOrdinal::Text("CONFIG"), 0x80A);
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(c->type.text, "MYTYPE");
    EXPECT_EQ(c->data[0], 7);
    EXPECT_EQ(index.Find(NameOrOrdinal::Ordinal(5), NameOrOrdinal::Ordinal(100), 0x80A), nullptr);
    EXPECT_TRUE(index.Has(NameOrOrdinal::Ordinal(6), NameOrOrdinal::Ordinal(1)));
    EXPECT_FALSE(index.Has(NameOrOrdinal::Ordinal(6), NameOrOrdinal::Text("1")));
    EXPECT_TRUE(index.Owns(d));
    EXPECT_FALSE(index.Owns(nullptr));

    // Two .res files one after the other read as one.
    Bytes two = ResFile({ResRecord(Ord(5), Ord(1), 0x409, dialog)});
    two.Append(ResFile({ResRecord(Ord(5), Ord(2), 0x409, dialog)}));
    ASSERT_TRUE(index.Parse(two.data(), two.size()));
    EXPECT_EQ(index.Entries().size(), 2u);
}

struct LanguageCase {
    WORD type;
    WORD user;
    std::vector<WORD> present;
    WORD chosen;
};

TEST(ResourceFormats, LanguageIsChosenInTheWindows95Order) {
    const LanguageCase cases[] = {
        // Dialogs (any type but strings): the user's language when it is there...
        {5, 2058, {1033, 2058, 3082}, 2058},
        // ...else its primary language with the neutral sublanguage, else US English.
        {5, 2058, {1033, 0x000A}, 0x000A},
        {5, 2058, {1033, 3082}, 1033},
        // A neutral resource wins over everything.
        {5, 2058, {0x0000, 2058}, 0x0000},
        // Then any English, then any language, the neutral defaults last.
        {5, 2058, {3082, 2057}, 2057},
        {5, 2058, {0x0400, 3082, 1049}, 1049},
        {5, 2058, {0x0800, 0x0400}, 0x0400},
        // String tables skip the primary-language step: a Mexican user with
        // Spanish (Spain) and US English tables reads English.
        {6, 2058, {3082, 1033}, 1033},
        {6, 2058, {0x000A, 1033}, 1033},
        {6, 2058, {2058, 1033}, 2058},
        {6, 1049, {1033, 1049}, 1049},
        // ...and take the neutral defaults before the user's language.
        {6, 2058, {2058, 0x0400}, 0x0400},
        {6, 2058, {3082, 1049}, 1049},
    };
    for (const LanguageCase& c : cases) {
        std::initializer_list<Bytes> none{};
        Bytes file = ResFile(none);
        for (WORD language : c.present)
            file.Append(ResRecord(Ord(c.type), Ord(1), language, Bytes().Byte(1)));
        ResourceIndex index;
        ASSERT_TRUE(index.Parse(file.data(), file.size()));
        const ResourceEntry* e =
            index.Choose(NameOrOrdinal::Ordinal(c.type), NameOrOrdinal::Ordinal(1), c.user);
        ASSERT_NE(e, nullptr);
        EXPECT_EQ(e->language, c.chosen) << "type " << c.type << " user " << c.user;
    }
    ResourceIndex empty;
    ASSERT_TRUE(empty.Parse(nullptr, 0));
    EXPECT_EQ(empty.Choose(NameOrOrdinal::Ordinal(5), NameOrOrdinal::Ordinal(1), 1033), nullptr);
}

// ---- Dialogs ----

TEST(ResourceFormats, ExtendedDialogTemplate) {
    Bytes bytes = DialogEx();
    DialogTemplateInfo d;
    ASSERT_TRUE(ParseDialogTemplate(bytes.data(), bytes.size(), &d));
    EXPECT_TRUE(d.extended);
    EXPECT_EQ(d.helpId, 55u);
    EXPECT_EQ(d.exStyle, 0x400u);
    EXPECT_EQ(d.style, 0x80C800C0u);
    EXPECT_EQ(d.x, 10);
    EXPECT_EQ(d.cy, 120);
    EXPECT_TRUE(d.menu.Empty());
    EXPECT_TRUE(d.className.isOrdinal);
    EXPECT_EQ(d.className.ordinal, 7);
    EXPECT_EQ(d.title, "Título");
    ASSERT_TRUE(d.hasFont);
    EXPECT_EQ(d.font.pointSize, 9);
    EXPECT_EQ(d.font.weight, 700);
    EXPECT_TRUE(d.font.italic);
    EXPECT_EQ(d.font.charset, 204);
    EXPECT_EQ(d.font.typeface, "MS Sans Serif");
    ASSERT_EQ(d.items.size(), 2u);
    EXPECT_EQ(d.items[0].helpId, 66u);
    EXPECT_EQ(d.items[0].className, "Static");
    EXPECT_TRUE(d.items[0].title.isOrdinal);
    EXPECT_EQ(d.items[0].title.ordinal, 1);
    EXPECT_EQ(d.items[0].id, 1001u);
    EXPECT_EQ(d.items[0].cx, 21);
    EXPECT_EQ(d.items[1].className, "msctls_trackbar32");
    EXPECT_EQ(d.items[1].id, 0xFFFFFFFFu);
    EXPECT_FALSE(d.items[1].title.isOrdinal);
    EXPECT_EQ(d.items[1].title.text, "");
    EXPECT_EQ(d.items[1].creationData, (std::vector<BYTE>{0xA, 0xB, 0xC}));
}

TEST(ResourceFormats, OldDialogTemplate) {
    Bytes bytes = OldDialog();
    DialogTemplateInfo d;
    ASSERT_TRUE(ParseDialogTemplate(bytes.data(), bytes.size(), &d));
    EXPECT_FALSE(d.extended);
    EXPECT_EQ(d.menu.text, "MENU");
    EXPECT_TRUE(d.className.Empty());
    EXPECT_EQ(d.title, "Old");
    EXPECT_EQ(d.font.pointSize, 8);
    EXPECT_EQ(d.font.weight, 0);
    EXPECT_EQ(d.font.typeface, "Helv");
    ASSERT_EQ(d.items.size(), 1u);
    EXPECT_EQ(d.items[0].className, "Button");
    EXPECT_EQ(d.items[0].title.text, "Push");
    EXPECT_EQ(d.items[0].id, 0xFFFFu);
    EXPECT_EQ(d.items[0].cy, 4);
    EXPECT_EQ(d.items[0].creationData, (std::vector<BYTE>{0x34, 0x12}));

    // Without DS_SETFONT there is no font data to read.
    Bytes plain;
    plain.Dword(0x80000000)
        .Dword(0)
        .Word(0)
        .Word(0)
        .Word(0)
        .Word(10)
        .Word(10)
        .Word(0)
        .Word(0)
        .Text(u"T");
    ASSERT_TRUE(ParseDialogTemplate(plain.data(), plain.size(), &d));
    EXPECT_FALSE(d.hasFont);
    EXPECT_TRUE(d.items.empty());
}

// ---- Menus ----

TEST(ResourceFormats, StandardMenuTemplate) {
    Bytes bytes = StandardMenu();
    MenuTemplateInfo m;
    ASSERT_TRUE(ParseMenuTemplate(bytes.data(), bytes.size(), &m));
    EXPECT_FALSE(m.extended);
    ASSERT_EQ(m.items.size(), 2u);
    const MenuItemInfo& file = m.items[0];
    EXPECT_TRUE(file.popup);
    EXPECT_EQ(file.text, "&File");
    ASSERT_EQ(file.children.size(), 3u);
    EXPECT_EQ(file.children[0].id, 201u);
    EXPECT_EQ(file.children[0].type, 0u);
    EXPECT_EQ(file.children[1].type, kMenuTypeSeparator);
    EXPECT_EQ(file.children[2].state, kMenuStateGrayed);
    EXPECT_EQ(file.children[2].text, "E&xit");
    EXPECT_EQ(m.items[1].id, 203u);
    EXPECT_EQ(m.items[1].state, kMenuStateChecked);
    EXPECT_FALSE(m.items[1].popup);

    Bytes empty = Bytes().Word(0).Word(0);
    ASSERT_TRUE(ParseMenuTemplate(empty.data(), empty.size(), &m));
    EXPECT_TRUE(m.items.empty());
}

TEST(ResourceFormats, ExtendedMenuTemplate) {
    Bytes bytes = ExtendedMenu();
    MenuTemplateInfo m;
    ASSERT_TRUE(ParseMenuTemplate(bytes.data(), bytes.size(), &m));
    EXPECT_TRUE(m.extended);
    EXPECT_EQ(m.helpId, 9u);
    ASSERT_EQ(m.items.size(), 1u);
    EXPECT_TRUE(m.items[0].popup);
    EXPECT_EQ(m.items[0].id, 300u);
    EXPECT_EQ(m.items[0].helpId, 77u);
    ASSERT_EQ(m.items[0].children.size(), 2u);
    EXPECT_EQ(m.items[0].children[0].text, "&Open");
    EXPECT_EQ(m.items[0].children[0].state, kMenuStateChecked);
    EXPECT_EQ(m.items[0].children[1].type, kMenuTypeSeparator);
}

// ---- String tables ----

TEST(ResourceFormats, StringBlockHoldsSixteenCountedStrings) {
    Bytes bytes = StringBlock();
    std::array<std::string, 16> s;
    ASSERT_TRUE(ParseStringBlock(bytes.data(), bytes.size(), &s));
    EXPECT_EQ(s[0], "");
    EXPECT_EQ(s[1], "Hello");
    EXPECT_EQ(s[2], "П\xF0\x9F\x98\x80");
    EXPECT_EQ(s[15], "");
    EXPECT_EQ(StringBlockId(0), 1);
    EXPECT_EQ(StringBlockId(100), 7);
    EXPECT_EQ(StringBlockSlot(100), 4);
    EXPECT_EQ(StringBlockId(0xFFFF), 0x1000);

    // Lone surrogates come out as U+FFFD.
    const char16_t lone[] = {u'a', 0xDC00, 0xD800};
    EXPECT_EQ(Utf16ToUtf8(lone, 3), "a\xEF\xBF\xBD\xEF\xBF\xBD");
}

// ---- Bitmaps ----

struct BitmapCase {
    int bits;
    int height; // negative: top-down
};

TEST(ResourceFormats, BitmapsOfEveryDepthReadTopDown) {
    const std::vector<uint32_t> palette16 = {
        0x000000, 0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF, 0x123456, 0x808080, 0x010203,
        0x0,      0x0,      0x0,      0x0,      0x0,      0x0,      0x0,      0xABCDEF};
    const BitmapCase cases[] = {{1, 3},  {1, -3}, {4, 3},   {4, -3}, {8, 3},  {8, -3},
                                {16, 3}, {24, 3}, {24, -3}, {32, 3}, {32, -3}};
    const int w = 5;
    for (const BitmapCase& c : cases) {
        int rows = c.height < 0 ? -c.height : c.height;
        std::vector<uint32_t> palette;
        if (c.bits <= 8)
            palette.assign(palette16.begin(), palette16.begin() + std::min(16, 1 << c.bits));
        // Indexes for palettes, colours otherwise; 16 bits hold 5-5-5 colours
        // that widen back to these values exactly.
        auto value = [&](int x, int y) -> uint32_t {
            int n = (x + 3 * y) % static_cast<int>(palette.empty() ? 7 : palette.size());
            if (c.bits <= 8) return static_cast<uint32_t>(n);
            if (c.bits == 16)
                return static_cast<uint32_t>((n & 1 ? 0x7C00 : 0) | (x == 2 ? 0x03E0 : 0) |
                                             (y == 1 ? 0x1F : 0));
            return 0x10000u * (x * 40) + 0x100u * (y * 70) + static_cast<uint32_t>(n) +
                   (c.bits == 32 ? 0xEE000000u : 0);
        };
        auto expected = [&](int x, int y) -> uint32_t {
            uint32_t v = value(x, y);
            if (c.bits <= 8) return palette[v];
            if (c.bits == 16)
                return ((v & 0x7C00) ? 0xFF0000u : 0) | ((v & 0x03E0) ? 0xFF00u : 0) |
                       ((v & 0x1F) ? 0xFFu : 0);
            return v & 0x00FFFFFF;
        };
        Bytes dib = Dib(w, c.height, c.bits, palette, value);
        BitmapPixels out;
        ASSERT_TRUE(ParseBitmap(dib.data(), dib.size(), &out)) << c.bits << " bits";
        ASSERT_EQ(out.width, w);
        ASSERT_EQ(out.height, rows);
        for (int y = 0; y < rows; ++y)
            for (int x = 0; x < w; ++x)
                EXPECT_EQ(out.pixels[size_t(y) * w + x], expected(x, y))
                    << c.bits << " bits, height " << c.height << ", pixel " << x << "," << y;
    }
}

TEST(ResourceFormats, BitFieldsAndShortPalettes) {
    // 16 bits in 5-6-5 with explicit masks.
    Bytes dib;
    dib.Dword(40)
        .Dword(2)
        .Dword(1)
        .Word(1)
        .Word(16)
        .Dword(3)
        .Dword(0)
        .Dword(0)
        .Dword(0)
        .Dword(0)
        .Dword(0);
    dib.Dword(0xF800).Dword(0x07E0).Dword(0x001F);
    dib.Word(0xF800).Word(0x07E0);
    BitmapPixels out;
    ASSERT_TRUE(ParseBitmap(dib.data(), dib.size(), &out));
    EXPECT_EQ(out.pixels, (std::vector<uint32_t>{0xFF0000, 0x00FF00}));

    // Two colours used of an 8-bit table; an index past them reads black.
    Bytes shortTable = Dib(3, 1, 8, {0x112233, 0x445566}, [](int x, int) { return uint32_t(x); });
    ASSERT_TRUE(ParseBitmap(shortTable.data(), shortTable.size(), &out));
    EXPECT_EQ(out.pixels, (std::vector<uint32_t>{0x112233, 0x445566, 0x000000}));
}

// ---- Icons and cursors ----

TEST(ResourceFormats, IconDirectoryAndTheBestImage) {
    Bytes group = IconGroup(false, {{16, 16, 4, 1}, {32, 32, 4, 2}, {32, 32, 8, 3}, {0, 0, 32, 4}});
    std::vector<IconDirectoryEntry> entries;
    ASSERT_TRUE(ParseIconDirectory(group.data(), group.size(), false, &entries));
    ASSERT_EQ(entries.size(), 4u);
    EXPECT_EQ(entries[3].width, 256) << "0 stands for 256";
    EXPECT_EQ(entries[PickIconEntry(entries, 32, 32)].id, 3) << "exact size, deepest colours";
    EXPECT_EQ(entries[PickIconEntry(entries, 16, 16)].id, 1);
    EXPECT_EQ(entries[PickIconEntry(entries, 20, 20)].id, 1) << "closest size";
    EXPECT_EQ(entries[PickIconEntry(entries, 200, 200)].id, 4);
    EXPECT_EQ(PickIconEntry({}, 32, 32), -1);

    Bytes cursors = IconGroup(true, {{32, 32, 1, 9}});
    ASSERT_TRUE(ParseIconDirectory(cursors.data(), cursors.size(), true, &entries));
    EXPECT_EQ(entries[0].height, 32) << "the cursor entry's doubled height is halved";
    EXPECT_EQ(entries[0].id, 9);
    EXPECT_FALSE(ParseIconDirectory(cursors.data(), cursors.size(), false, &entries))
        << "a cursor group is not an icon group";
}

TEST(ResourceFormats, IconImageTakesTransparencyFromMaskOrAlpha) {
    Bytes indexed = Dib(
        4, 2, 4, {0xFF0000, 0x00FF00}, [](int x, int) { return uint32_t(x % 2); }, 2,
        [](int x, int y) { return x == 3 && y == 0; });
    IconImage icon;
    ASSERT_TRUE(ParseIconImage(indexed.data(), indexed.size(), false, &icon));
    EXPECT_EQ(icon.width, 4);
    EXPECT_EQ(icon.height, 2);
    EXPECT_EQ(icon.bitCount, 4);
    EXPECT_EQ(icon.pixels, (std::vector<uint32_t>{0xFFFF0000, 0xFF00FF00, 0xFFFF0000, 0x0000FF00,
                                                  0xFFFF0000, 0xFF00FF00, 0xFFFF0000, 0xFF00FF00}));

    // A 32-bit image with an alpha channel: the channel decides, the mask
    // (here missing, which such images may do) does not.
    Bytes alpha = Dib(
        2, 1, 32, {}, [](int x, int) { return x == 0 ? 0x80112233u : 0x00445566u; }, 2);
    ASSERT_TRUE(ParseIconImage(alpha.data(), alpha.size(), false, &icon));
    EXPECT_EQ(icon.pixels, (std::vector<uint32_t>{0x80112233, 0x00445566}));

    // A cursor image starts with its hot spot.
    Bytes cursor = Bytes().Word(3).Word(5).Append(Dib(
        8, 8, 1, {0x000000, 0xFFFFFF}, [](int x, int y) { return uint32_t(x == y); }, 2,
        [](int, int) { return false; }));
    ASSERT_TRUE(ParseIconImage(cursor.data(), cursor.size(), true, &icon));
    EXPECT_EQ(icon.hotSpot.x, 3);
    EXPECT_EQ(icon.hotSpot.y, 5);
    EXPECT_EQ(icon.pixels[9], 0xFFFFFFFFu);
    EXPECT_EQ(icon.pixels[1], 0xFF000000u);
}

// ---- Version information ----

TEST(ResourceFormats, VersionInfoFixedPartAndStrings) {
    Bytes bytes = Version();
    VersionInfo v;
    ASSERT_TRUE(ParseVersionInfo(bytes.data(), bytes.size(), &v));
    ASSERT_TRUE(v.hasFixed);
    EXPECT_EQ(v.fileVersion, (std::array<WORD, 4>{1, 2, 0, 3}));
    EXPECT_EQ(v.productVersion, (std::array<WORD, 4>{1, 2, 0, 4}));
    EXPECT_EQ(v.fileOS, 0x40004u);
    EXPECT_EQ(v.fileType, 2u);
    ASSERT_EQ(v.stringTables.size(), 1u);
    EXPECT_EQ(v.stringTables[0].key, "040904B0");
    ASSERT_NE(v.Value("companyname"), nullptr);
    EXPECT_EQ(*v.Value("CompanyName"), "Orbiq");
    EXPECT_EQ(*v.Value("Empty"), "");
    EXPECT_EQ(*v.Value("Comments"), "Ünïcode");
    EXPECT_EQ(v.Value("ProductName"), nullptr);
    EXPECT_EQ(v.translations, (std::vector<DWORD>{0x04B00409}));
}

// ---- Bad input ----

struct Malformed {
    const char* what;
    Bytes bytes;
};

using Reader = std::function<bool(const Bytes&)>;

bool ReadsRes(const Bytes& b) {
    ResourceIndex index;
    bool ok = index.Parse(b.data(), b.size());
    if (!ok) {
        EXPECT_TRUE(index.Entries().empty());
    }
    return ok;
}
bool ReadsDialog(const Bytes& b) {
    DialogTemplateInfo d;
    return ParseDialogTemplate(b.data(), b.size(), &d);
}
bool ReadsMenu(const Bytes& b) {
    MenuTemplateInfo m;
    return ParseMenuTemplate(b.data(), b.size(), &m);
}
bool ReadsStrings(const Bytes& b) {
    std::array<std::string, 16> s;
    return ParseStringBlock(b.data(), b.size(), &s);
}
bool ReadsBitmap(const Bytes& b) {
    BitmapPixels p;
    return ParseBitmap(b.data(), b.size(), &p);
}
bool ReadsIconGroup(const Bytes& b) {
    std::vector<IconDirectoryEntry> e;
    return ParseIconDirectory(b.data(), b.size(), false, &e);
}
bool ReadsIcon(const Bytes& b) {
    IconImage i;
    return ParseIconImage(b.data(), b.size(), false, &i);
}
bool ReadsCursor(const Bytes& b) {
    IconImage i;
    return ParseIconImage(b.data(), b.size(), true, &i);
}
bool ReadsVersion(const Bytes& b) {
    VersionInfo v;
    return ParseVersionInfo(b.data(), b.size(), &v);
}

Bytes SmallIcon() {
    return Dib(
        4, 2, 4, {0xFF0000, 0x00FF00}, [](int, int) { return 1u; }, 2,
        [](int, int) { return false; });
}

Bytes NestedMenu(int depth) {
    Bytes m = Bytes().Word(0).Word(0);
    for (int i = 0; i < depth; ++i)
        m.Word(0x90).Text(u"p");
    m.Word(0x80).Word(1).Text(u"x");
    for (int i = 0; i < depth; ++i)
        m.Word(0x80).Word(2).Text(u"y");
    return m;
}

TEST(ResourceFormats, MalformedInputIsRefused) {
    const Bytes dialog = DialogEx(), old = OldDialog(), version = Version();
    const Bytes bitmap = Dib(3, 2, 8, {0x1, 0x2}, [](int, int) { return 0u; });
    const Bytes res = ResFile({ResRecord(Ord(5), Ord(1), 0x409, dialog)});
    const std::vector<std::pair<Reader, std::vector<Malformed>>> table = {
        {ReadsRes,
         {{"header size past the end", Bytes(res).PutDword(32 + 4, 0x7FFFFFFF)},
          {"data size past the end",
           Bytes(res).PutDword(32, static_cast<DWORD>(dialog.size() + 4))},
          {"data size that wraps around", Bytes(res).PutDword(32, 0xFFFFFFF0)},
          {"header too small for its fields", Bytes(res).PutDword(32 + 4, 20)},
          {"header size below the two sizes", Bytes(res).PutDword(32 + 4, 4)},
          {"name without its NUL", Bytes().Dword(0).Dword(14).Word(u'A').Word(u'B').Word(u'C')},
          {"empty type name", ResRecord(Name(u""), Ord(1), 0, Bytes())},
          {"a stray byte after the records", Bytes(res).Byte(0)}}},
        {ReadsDialog,
         {{"more items than bytes", Bytes(dialog).PutWord(16, 3)},
          {"unknown predefined class", Bytes(old).PutWord(old.size() - 16, 0x99)},
          {"creation data past the end", Bytes(dialog).PutWord(dialog.size() - 5, 200)},
          {"old creation size below its own word", Bytes(old).PutWord(old.size() - 4, 1)},
          {"title without its NUL",
           Bytes().Dword(0).Dword(0).Word(0).Word(0).Word(0).Word(1).Word(1).Word(0).Word(0).Word(
               u'T')},
          {"font promised, not there", Bytes()
                                           .Dword(0x40)
                                           .Dword(0)
                                           .Word(0)
                                           .Word(0)
                                           .Word(0)
                                           .Word(1)
                                           .Word(1)
                                           .Word(0)
                                           .Word(0)
                                           .Word(0)},
          {"header cut short", Bytes().Word(1).Word(0xFFFF).Dword(0)},
          {"nothing", Bytes()}}},
        {ReadsMenu,
         {{"no last item", Bytes().Word(0).Word(0).Word(0).Word(1).Text(u"a")},
          {"popup without children", Bytes().Word(0).Word(0).Word(0x90).Text(u"p")},
          {"popups nested too deep", NestedMenu(kMaxMenuDepth + 1)},
          {"unknown version", Bytes().Word(2).Word(0)},
          {"offset past the end", Bytes().Word(0).Word(40)},
          {"extended offset past the end", Bytes().Word(1).Word(400).Dword(0)},
          {"extended item cut short", Bytes().Word(1).Word(4).Dword(0).Dword(0).Dword(0)}}},
        {ReadsStrings,
         {{"count past the end", Bytes().Word(100).Word(u'a')}, {"odd byte", Bytes().Word(1)}}},
        {ReadsBitmap,
         {{"width 0", Bytes(bitmap).PutDword(4, 0)},
          {"height 0", Bytes(bitmap).PutDword(8, 0)},
          {"most negative height", Bytes(bitmap).PutDword(8, 0x80000000)},
          {"huge width", Bytes(bitmap).PutDword(4, 100000)},
          {"huge area", Bytes(bitmap).PutDword(4, 16000).PutDword(8, 16000)},
          {"7 bits per pixel", Bytes(bitmap).PutWord(14, 7)},
          {"two planes", Bytes(bitmap).PutWord(12, 2)},
          {"run-length compressed", Bytes(bitmap).PutDword(16, 1)},
          {"bit fields at 8 bits", Bytes(bitmap).PutDword(16, 3)},
          {"colour table larger than the depth", Bytes(bitmap).PutDword(32, 300)},
          {"colour table past the end", Bytes(bitmap).PutDword(32, 200)},
          {"header size past the end", Bytes(bitmap).PutDword(0, 4000)},
          {"header size between the known ones", Bytes(bitmap).PutDword(0, 20)},
          {"bits cut short", bitmap.Prefix(bitmap.size() - 1)}}},
        {ReadsIconGroup,
         {{"more entries than bytes", Bytes(IconGroup(false, {{16, 16, 4, 1}})).PutWord(4, 1000)},
          {"no entries", IconGroup(false, {})},
          {"reserved word set", Bytes(IconGroup(false, {{16, 16, 4, 1}})).PutWord(0, 1)}}},
        {ReadsIcon,
         {{"mask missing", SmallIcon().Prefix(SmallIcon().size() - 8)},
          {"top-down icon", Bytes(SmallIcon()).PutDword(8, static_cast<DWORD>(-4))},
          {"height of one row for two halves", Bytes(SmallIcon()).PutDword(8, 1)}}},
        {ReadsCursor, {{"hot spot only", Bytes().Word(1).Word(1)}}},
        {ReadsVersion,
         {{"length past the end", Bytes(version).PutWord(0, static_cast<WORD>(version.size() + 4))},
          {"length below the block header", Bytes(version).PutWord(0, 4)},
          {"wrong key", VersionBlock(u"VS_VERSION", 0, Bytes(), 0)},
          {"fixed part with a wrong signature", Bytes(version).PutDword(40, 0x12345678)},
          {"fixed part too short",
           VersionBlock(u"VS_VERSION_INFO", 0, Bytes().Dword(kFixedFileInfoSignature), 4)},
          {"binary value past its block", VersionBlock(u"VS_VERSION_INFO", 0, Bytes(), 60)},
          {"child longer than its parent",
           VersionBlock(u"VS_VERSION_INFO", 0, Bytes(), 0,
                        {Bytes(VersionBlock(u"StringFileInfo", 1, Bytes(), 0)).PutWord(0, 200)})}}},
    };
    for (const auto& [reads, cases] : table)
        for (const Malformed& m : cases)
            EXPECT_FALSE(reads(m.bytes)) << m.what;
}

TEST(ResourceFormats, EveryTruncationIsReadSafely) {
    // Each strict prefix, in a buffer of exactly its size: formats that need
    // all their bytes refuse it; the others may read it but never past it.
    const std::vector<std::pair<Reader, Bytes>> strict = {
        {ReadsDialog, DialogEx()},
        {ReadsDialog, OldDialog()},
        {ReadsBitmap, Dib(5, -3, 24, {}, [](int x, int) { return uint32_t(x); })},
        {ReadsIcon, SmallIcon()},
        {ReadsIconGroup, IconGroup(false, {{16, 16, 4, 1}, {32, 32, 8, 2}})},
        {ReadsVersion, Version()},
    };
    for (const auto& [reads, whole] : strict) {
        ASSERT_TRUE(reads(whole));
        for (size_t n = 0; n < whole.size(); ++n)
            EXPECT_FALSE(reads(whole.Prefix(n))) << "prefix " << n;
    }
    const std::vector<std::pair<Reader, Bytes>> lenient = {
        {ReadsRes, ResFile({ResRecord(Ord(5), Name(u"X"), 0x409, DialogEx()),
                            ResRecord(Ord(6), Ord(1), 0x409, StringBlock())})},
        {ReadsMenu, StandardMenu()},
        {ReadsMenu, ExtendedMenu()}, // a prefix may be a menu without items
        {ReadsStrings, StringBlock()},
    };
    for (const auto& [reads, whole] : lenient) {
        ASSERT_TRUE(reads(whole));
        for (size_t n = 0; n < whole.size(); ++n)
            reads(whole.Prefix(n));
    }
}

} // namespace
