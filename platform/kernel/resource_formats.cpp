// Readers of the standard binary resource formats. All reads go through a
// cursor that knows the end of its bytes, so a lying length or count ends in
// `false`, never in a read past the end; values are copied out with memcpy,
// so the bytes need no alignment.
#include "resource_formats.h"

#include "host/text.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <span>

namespace platform {
namespace {

constexpr WORD kOrdinalMark = 0xFFFF;
constexpr DWORD kDialogSetFont = 0x40; // DS_SETFONT
constexpr WORD kMenuPopup = 0x0010;    // MF_POPUP
constexpr WORD kMenuEnd = 0x0080;      // MF_END
constexpr WORD kMenuExPopup = 0x01;
constexpr WORD kMenuExLast = 0x80;
constexpr DWORD kBiRgb = 0;
constexpr DWORD kBiBitfields = 3;

// A cursor over bytes with a hard end. Offsets are from the start of the
// bytes, which is where the formats count their DWORD alignment from.
class Reader {
  public:
    Reader(const void* bytes, size_t size)
        : base_(static_cast<const BYTE*>(bytes)), size_(bytes != nullptr ? size : 0) {}

    size_t Pos() const { return pos_; }
    size_t Size() const { return size_; }
    size_t Left() const { return size_ - pos_; }
    const BYTE* Base() const { return base_; }
    const BYTE* Here() const { return base_ + pos_; }

    bool Seek(size_t at) {
        if (at > size_) return false;
        pos_ = at;
        return true;
    }
    bool Skip(size_t n) {
        if (n > Left()) return false;
        pos_ += n;
        return true;
    }
    bool Align4() { return pos_ % 4 == 0 || Skip(4 - pos_ % 4); }

    template <class T> bool Read(T* value) {
        if (sizeof(T) > Left()) return false;
        std::memcpy(value, base_ + pos_, sizeof(T));
        pos_ += sizeof(T);
        return true;
    }

    // A NUL-terminated UTF-16 string.
    bool String(std::string* out) {
        std::u16string units;
        for (;;) {
            WORD unit;
            if (!Read(&unit)) return false;
            if (unit == 0) break;
            units.push_back(static_cast<char16_t>(unit));
        }
        *out = Utf16ToUtf8(units.data(), units.size());
        return true;
    }

    // 0xFFFF and an ordinal, or a NUL-terminated string (empty when the
    // first unit is 0).
    bool NameOrOrd(NameOrOrdinal* out) {
        WORD first;
        if (!Read(&first)) return false;
        if (first == kOrdinalMark) {
            WORD ordinal;
            if (!Read(&ordinal)) return false;
            *out = NameOrOrdinal::Ordinal(ordinal);
            return true;
        }
        pos_ -= sizeof first;
        std::string text;
        if (!String(&text)) return false;
        *out = NameOrOrdinal::Text(std::move(text));
        return true;
    }

  private:
    const BYTE* base_;
    size_t size_;
    size_t pos_ = 0;
};

// `at` rounded up to a DWORD boundary, but never past `limit`.
size_t AlignUpWithin(size_t at, size_t limit) {
    size_t pad = (4 - at % 4) % 4;
    return limit - at < pad ? limit : at + pad;
}

// ---- DIBs, shared by bitmaps, icons and cursors ----

struct Dib {
    int width = 0;
    int rows = 0; // the picture's rows (half the DIB's height for icons)
    bool topDown = false;
    int bitCount = 0;
    DWORD compression = kBiRgb;
    DWORD masks[4] = {0, 0, 0, 0}; // red, green, blue, alpha for bit fields
    std::vector<uint32_t> palette; // 0x00RRGGBB
    size_t bitsOffset = 0;
    size_t stride = 0;
};

bool ValidBitCount(int bits) {
    return bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32;
}

// Reads the header and colour table of a DIB whose height is `heightFactor`
// times the picture's (2 for icons: colour bits and mask), and checks that
// the colour bits are all there.
bool ReadDib(Reader& r, int heightFactor, Dib* dib) {
    DWORD headerSize;
    if (!r.Read(&headerSize)) return false;
    r.Seek(r.Pos() - sizeof headerSize);
    long height;
    bool core = headerSize == sizeof(ResBitmapCoreHeader);
    DWORD colorsUsed = 0;
    if (core) {
        ResBitmapCoreHeader h;
        if (!r.Read(&h) || h.bcPlanes != 1) return false;
        dib->width = h.bcWidth;
        height = h.bcHeight;
        dib->bitCount = h.bcBitCount;
        if (dib->bitCount > 8 && dib->bitCount != 24) return false;
    } else {
        ResBitmapInfoHeader h;
        size_t start = r.Pos();
        if (headerSize < sizeof h || headerSize > r.Left() || !r.Read(&h) || h.biPlanes != 1)
            return false;
        dib->width = h.biWidth <= 0 || h.biWidth > kMaxBitmapSide ? 0 : static_cast<int>(h.biWidth);
        height = h.biHeight;
        dib->bitCount = h.biBitCount;
        dib->compression = h.biCompression;
        colorsUsed = h.biClrUsed;
        if (dib->compression == kBiBitfields) {
            if (dib->bitCount != 16 && dib->bitCount != 32) return false;
            // Three masks follow a plain BITMAPINFOHEADER; the later headers
            // hold them, with an alpha mask, in their own bytes.
            size_t masks =
                headerSize == sizeof h ? 3 : std::min<size_t>((headerSize - sizeof h) / 4, 4);
            for (size_t i = 0; i < masks; ++i)
                if (!r.Read(&dib->masks[i])) return false;
            if (headerSize == sizeof h) start += 3 * sizeof(DWORD);
        } else if (dib->compression != kBiRgb) {
            return false; // RLE and the rest do not occur in these resources
        }
        r.Seek(start + headerSize);
    }
    if (dib->width <= 0 || !ValidBitCount(dib->bitCount)) return false;
    if (height == LONG_MIN || height == 0) return false;
    if (height < 0) {
        if (heightFactor != 1) return false; // icons are bottom-up
        dib->topDown = true;
        height = -height;
    }
    if (height > static_cast<long>(kMaxBitmapSide) * heightFactor) return false;
    dib->rows = static_cast<int>(height / heightFactor);
    if (dib->rows <= 0) return false;
    if (static_cast<size_t>(dib->width) * static_cast<size_t>(dib->rows) > kMaxBitmapPixels)
        return false;

    // The colour table: entries for every index of an indexed picture, or
    // an optional table that a true-colour picture may carry and we skip.
    size_t entries;
    if (dib->bitCount <= 8) {
        size_t full = size_t(1) << dib->bitCount;
        if (colorsUsed > full) return false;
        entries = colorsUsed != 0 ? colorsUsed : full;
    } else {
        entries = colorsUsed;
    }
    size_t entrySize = core ? 3 : 4;
    if (entries > r.Left() / entrySize) return false;
    if (dib->bitCount <= 8) {
        dib->palette.resize(entries);
        for (size_t i = 0; i < entries; ++i) {
            const BYTE* e = r.Here() + i * entrySize;
            dib->palette[i] = (uint32_t(e[2]) << 16) | (uint32_t(e[1]) << 8) | e[0];
        }
    }
    r.Skip(entries * entrySize);

    uint64_t stride = (uint64_t(dib->width) * dib->bitCount + 31) / 32 * 4;
    dib->stride = static_cast<size_t>(stride);
    dib->bitsOffset = r.Pos();
    return stride * uint64_t(dib->rows) <= r.Left();
}

// A channel under a bit-field mask, scaled to 8 bits.
uint32_t MaskedChannel(uint32_t value, uint32_t mask) {
    if (mask == 0) return 0;
    int shift = __builtin_ctz(mask);
    uint32_t field = (value & mask) >> shift;
    int bits = __builtin_popcount(mask >> shift);
    if (bits >= 8) return field >> (bits - 8);
    uint32_t top = (uint32_t(1) << bits) - 1;
    return field * 255 / top;
}

// Colour of one pixel of a row, 0xAARRGGBB (alpha from the data for 32-bit
// pictures, else 0).
uint32_t PixelAt(const Dib& dib, const BYTE* row, int x) {
    switch (dib.bitCount) {
    case 1:
    case 4:
    case 8: {
        size_t bit = size_t(x) * dib.bitCount;
        unsigned byte = row[bit / 8];
        unsigned shift = 8 - dib.bitCount - bit % 8;
        unsigned index = (byte >> shift) & ((1u << dib.bitCount) - 1);
        return index < dib.palette.size() ? dib.palette[index] : 0;
    }
    case 16: {
        uint32_t v = row[2 * x] | (uint32_t(row[2 * x + 1]) << 8);
        if (dib.compression == kBiBitfields)
            return (MaskedChannel(v, dib.masks[0]) << 16) | (MaskedChannel(v, dib.masks[1]) << 8) |
                   MaskedChannel(v, dib.masks[2]);
        return (MaskedChannel(v, 0x7C00) << 16) | (MaskedChannel(v, 0x03E0) << 8) |
               MaskedChannel(v, 0x001F);
    }
    case 24: {
        const BYTE* p = row + 3 * size_t(x);
        return (uint32_t(p[2]) << 16) | (uint32_t(p[1]) << 8) | p[0];
    }
    default: {
        const BYTE* p = row + 4 * size_t(x);
        uint32_t v = p[0] | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
        if (dib.compression == kBiBitfields)
            return (MaskedChannel(v, dib.masks[3]) << 24) | (MaskedChannel(v, dib.masks[0]) << 16) |
                   (MaskedChannel(v, dib.masks[1]) << 8) | MaskedChannel(v, dib.masks[2]);
        return v;
    }
    }
}

// The colour bits as 0xAARRGGBB, top-down.
std::vector<uint32_t> DecodeColors(const Reader& r, const Dib& dib) {
    std::vector<uint32_t> pixels(size_t(dib.width) * dib.rows);
    for (int y = 0; y < dib.rows; ++y) {
        int source = dib.topDown ? y : dib.rows - 1 - y;
        const BYTE* row = r.Base() + dib.bitsOffset + size_t(source) * dib.stride;
        for (int x = 0; x < dib.width; ++x)
            pixels[size_t(y) * dib.width + x] = PixelAt(dib, row, x);
    }
    return pixels;
}

// ---- Menus ----

MenuItemInfo FromStandardFlags(WORD flags) {
    MenuItemInfo item;
    item.type = flags & (kMenuTypeBitmap | kMenuTypeMenuBarBreak | kMenuTypeMenuBreak |
                         kMenuTypeOwnerDraw | kMenuTypeSeparator | kMenuTypeRightJustify);
    item.state =
        flags & (kMenuStateGrayed | kMenuStateDisabled | kMenuStateChecked | kMenuStateDefault);
    item.popup = (flags & kMenuPopup) != 0;
    return item;
}

bool ReadStandardItems(Reader& r, int depth, std::vector<MenuItemInfo>* items) {
    if (depth > kMaxMenuDepth) return false;
    for (;;) {
        WORD flags;
        if (!r.Read(&flags)) return false;
        MenuItemInfo item = FromStandardFlags(flags);
        if (!item.popup) {
            WORD id;
            if (!r.Read(&id)) return false;
            item.id = id;
        }
        if (!r.String(&item.text)) return false;
        if (!item.popup && (flags & ~kMenuEnd) == 0 && item.id == 0 && item.text.empty())
            item.type |= kMenuTypeSeparator;
        if (item.popup && !ReadStandardItems(r, depth + 1, &item.children)) return false;
        items->push_back(std::move(item));
        if (flags & kMenuEnd) return true;
    }
}

bool ReadExtendedItems(Reader& r, int depth, std::vector<MenuItemInfo>* items) {
    if (depth > kMaxMenuDepth) return false;
    for (;;) {
        MenuItemInfo item;
        WORD flags;
        if (!r.Align4() || !r.Read(&item.type) || !r.Read(&item.state) || !r.Read(&item.id) ||
            !r.Read(&flags) || !r.String(&item.text))
            return false;
        item.popup = (flags & kMenuExPopup) != 0;
        if (item.popup) {
            if (!r.Align4() || !r.Read(&item.helpId)) return false;
            if (!ReadExtendedItems(r, depth + 1, &item.children)) return false;
        }
        items->push_back(std::move(item));
        if (flags & kMenuExLast) return true;
    }
}

// ---- Version information ----

// One block of VS_VERSIONINFO: length, value length, type, key, value and
// children, each part DWORD-aligned.
struct VersionBlock {
    size_t end = 0;
    WORD type = 0;
    std::string key;
    size_t valueOffset = 0;
    size_t valueBytes = 0;
    size_t childrenOffset = 0;
};

bool ReadVersionBlock(Reader& r, size_t at, size_t limit, VersionBlock* block) {
    WORD length, valueLength;
    if (!r.Seek(at) || limit - at < 6 || !r.Read(&length) || !r.Read(&valueLength) ||
        !r.Read(&block->type))
        return false;
    if (length < 6 || length > limit - at) return false;
    block->end = at + length;
    Reader inside(r.Base(), block->end);
    inside.Seek(at + 6);
    if (!inside.String(&block->key)) return false;
    block->valueOffset = AlignUpWithin(inside.Pos(), block->end);
    size_t room = block->end - block->valueOffset;
    if (block->type == 1) {
        // Text values count UTF-16 units, though some compilers count bytes:
        // the text runs to its NUL, within the block.
        block->valueBytes = std::min<size_t>(size_t(valueLength) * 2, room);
    } else {
        if (valueLength > room) return false;
        block->valueBytes = valueLength;
    }
    block->childrenOffset = AlignUpWithin(block->valueOffset + block->valueBytes, block->end);
    return true;
}

// Calls `each` for every child block of `parent`; false if one is malformed
// or `each` says so.
template <class F> bool ForEachChild(Reader& r, const VersionBlock& parent, F each) {
    size_t at = parent.childrenOffset;
    while (at < parent.end) {
        VersionBlock child;
        if (!ReadVersionBlock(r, at, parent.end, &child) || !each(child)) return false;
        at = AlignUpWithin(child.end, parent.end);
    }
    return true;
}

std::string VersionText(const Reader& r, const VersionBlock& block) {
    if (block.valueBytes == 0) return {};
    Reader text(r.Base(), block.end);
    text.Seek(block.valueOffset);
    std::u16string units;
    WORD unit;
    while (text.Read(&unit) && unit != 0)
        units.push_back(static_cast<char16_t>(unit));
    return Utf16ToUtf8(units.data(), units.size());
}

} // namespace

// ---- Text ----

std::string Utf16ToUtf8(const char16_t* units, size_t count) {
    std::string out;
    out.reserve(count);
    for (size_t i = 0; i < count; ++i) {
        uint32_t c = units[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < count && units[i + 1] >= 0xDC00 &&
            units[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (units[i + 1] - 0xDC00);
            ++i;
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            c = 0xFFFD;
        }
        AppendUtf8(out, c);
    }
    return out;
}

// ---- The .res file ----

bool NameOrOrdinal::Matches(const NameOrOrdinal& other) const {
    if (isOrdinal != other.isOrdinal) return false;
    return isOrdinal ? ordinal == other.ordinal : EqualNoCase(text, other.text);
}

bool ResourceIndex::Parse(const void* bytes, size_t size) {
    entries_.clear();
    Reader r(bytes, size);
    if (bytes == nullptr && size != 0) return false;
    std::vector<ResourceEntry> entries;
    while (r.Left() > 0) {
        size_t start = r.Pos();
        DWORD dataSize, headerSize;
        if (!r.Read(&dataSize) || !r.Read(&headerSize)) return false;
        if (headerSize < 8 || headerSize > size - start) return false;
        if (dataSize > size - start - headerSize) return false;
        Reader header(r.Base() + start, headerSize);
        header.Skip(8);
        ResourceEntry entry;
        if (!header.NameOrOrd(&entry.type) || !header.NameOrOrd(&entry.name) || !header.Align4() ||
            !header.Read(&entry.dataVersion) || !header.Read(&entry.memoryFlags) ||
            !header.Read(&entry.language) || !header.Read(&entry.version) ||
            !header.Read(&entry.characteristics))
            return false;
        if (entry.type.Empty() || entry.name.Empty()) return false;
        entry.data = r.Base() + start + headerSize;
        entry.size = dataSize;
        // Type 0 marks the empty record that opens a .res file.
        if (!(entry.type.isOrdinal && entry.type.ordinal == 0)) entries.push_back(std::move(entry));
        r.Seek(AlignUpWithin(start + headerSize + dataSize, size));
    }
    entries_ = std::move(entries);
    return true;
}

bool ResourceIndex::Owns(const ResourceEntry* entry) const {
    if (entries_.empty() || entry == nullptr) return false;
    // Compared as addresses, not with <, which pointers into other arrays
    // do not allow.
    auto at = reinterpret_cast<uintptr_t>(entry);
    auto first = reinterpret_cast<uintptr_t>(entries_.data());
    auto end = reinterpret_cast<uintptr_t>(entries_.data() + entries_.size());
    return at >= first && at < end && (at - first) % sizeof(ResourceEntry) == 0;
}

bool ResourceIndex::HasType(const NameOrOrdinal& type) const {
    return std::any_of(entries_.begin(), entries_.end(),
                       [&](const ResourceEntry& e) { return e.type.Matches(type); });
}

bool ResourceIndex::Has(const NameOrOrdinal& type, const NameOrOrdinal& name) const {
    return std::any_of(entries_.begin(), entries_.end(), [&](const ResourceEntry& e) {
        return e.type.Matches(type) && e.name.Matches(name);
    });
}

const ResourceEntry* ResourceIndex::Find(const NameOrOrdinal& type, const NameOrOrdinal& name,
                                         WORD language) const {
    for (const ResourceEntry& e : entries_)
        if (e.language == language && e.type.Matches(type) && e.name.Matches(name)) return &e;
    return nullptr;
}

const ResourceEntry* ResourceIndex::Choose(const NameOrOrdinal& type, const NameOrOrdinal& name,
                                           WORD userLanguage) const {
    std::vector<const ResourceEntry*> candidates;
    for (const ResourceEntry& e : entries_)
        if (e.type.Matches(type) && e.name.Matches(name)) candidates.push_back(&e);
    if (candidates.empty()) return nullptr;
    // Lowest language id first, so "any language" picks the same one each time.
    std::stable_sort(
        candidates.begin(), candidates.end(),
        [](const ResourceEntry* a, const ResourceEntry* b) { return a->language < b->language; });
    auto exactly = [&](WORD language) -> const ResourceEntry* {
        for (const ResourceEntry* e : candidates)
            if (e->language == language) return e;
        return nullptr;
    };
    auto primary = [&](WORD primaryLanguage) -> const ResourceEntry* {
        for (const ResourceEntry* e : candidates)
            if (PrimaryLanguage(e->language) == primaryLanguage) return e;
        return nullptr;
    };
    auto other = [&]() -> const ResourceEntry* {
        for (const ResourceEntry* e : candidates)
            if (e->language != kLanguageNeutralDefault && e->language != kLanguageNeutralSysDefault)
                return e;
        return nullptr;
    };
    const bool strings = type.isOrdinal && type.ordinal == 6; // RT_STRING
    const ResourceEntry* const stringOrder[] = {exactly(kLanguageNeutral),
                                                exactly(kLanguageNeutralDefault),
                                                exactly(kLanguageNeutralSysDefault),
                                                exactly(userLanguage),
                                                exactly(kLanguageEnglishUs),
                                                primary(kPrimaryEnglish),
                                                candidates.front()};
    const ResourceEntry* const otherOrder[] = {exactly(kLanguageNeutral),
                                               exactly(userLanguage),
                                               exactly(PrimaryLanguage(userLanguage)),
                                               exactly(kLanguageEnglishUs),
                                               primary(kPrimaryEnglish),
                                               other(),
                                               exactly(kLanguageNeutralDefault),
                                               exactly(kLanguageNeutralSysDefault)};
    using Order = std::span<const ResourceEntry* const>;
    for (const ResourceEntry* e : strings ? Order(stringOrder) : Order(otherOrder))
        if (e != nullptr) return e;
    return nullptr;
}

// ---- Dialogs ----

bool ParseDialogTemplate(const void* bytes, size_t size, DialogTemplateInfo* out) {
    Reader r(bytes, size);
    DialogTemplateInfo info;
    WORD head[2] = {0, 0};
    if (bytes != nullptr && size >= 4) std::memcpy(head, bytes, 4);
    info.extended = head[0] == 1 && head[1] == kOrdinalMark;
    WORD count;
    if (info.extended) {
        ResDlgTemplateEx t;
        if (!r.Read(&t)) return false;
        info.helpId = t.helpID;
        info.exStyle = t.exStyle;
        info.style = t.style;
        count = t.cDlgItems;
        info.x = t.x, info.y = t.y, info.cx = t.cx, info.cy = t.cy;
    } else {
        ResDlgTemplate t;
        if (!r.Read(&t)) return false;
        info.exStyle = t.dwExtendedStyle;
        info.style = t.style;
        count = t.cdit;
        info.x = t.x, info.y = t.y, info.cx = t.cx, info.cy = t.cy;
    }
    // Menu and class: 0 for none, 0xFFFF and an ordinal, or a name.
    if (!r.NameOrOrd(&info.menu) || !r.NameOrOrd(&info.className) || !r.String(&info.title))
        return false;
    if (info.style & kDialogSetFont) {
        info.hasFont = true;
        if (!r.Read(&info.font.pointSize)) return false;
        if (info.extended) {
            BYTE italic;
            if (!r.Read(&info.font.weight) || !r.Read(&italic) || !r.Read(&info.font.charset))
                return false;
            info.font.italic = italic != 0;
        }
        if (!r.String(&info.font.typeface)) return false;
    }
    static const char* const kPredefined[] = {"Button",  "Edit",      "Static",
                                              "ListBox", "ScrollBar", "ComboBox"};
    for (WORD i = 0; i < count; ++i) {
        DialogItemInfo item;
        if (!r.Align4()) return false;
        if (info.extended) {
            ResDlgItemTemplateEx t;
            if (!r.Read(&t)) return false;
            item.helpId = t.helpID, item.exStyle = t.exStyle, item.style = t.style;
            item.x = t.x, item.y = t.y, item.cx = t.cx, item.cy = t.cy, item.id = t.id;
        } else {
            ResDlgItemTemplate t;
            if (!r.Read(&t)) return false;
            item.exStyle = t.dwExtendedStyle, item.style = t.style;
            item.x = t.x, item.y = t.y, item.cx = t.cx, item.cy = t.cy, item.id = t.id;
        }
        NameOrOrdinal cls;
        if (!r.NameOrOrd(&cls)) return false;
        if (cls.isOrdinal) {
            if (cls.ordinal < 0x80 || cls.ordinal > 0x85) return false;
            item.className = kPredefined[cls.ordinal - 0x80];
        } else {
            if (cls.text.empty()) return false;
            item.className = std::move(cls.text);
        }
        if (!r.NameOrOrd(&item.title)) return false;
        WORD extra;
        if (!r.Read(&extra)) return false;
        // The extended count is of the bytes that follow; the old one, when
        // not 0, includes its own two bytes.
        size_t dataBytes = extra;
        if (!info.extended && extra != 0) {
            if (extra < 2) return false;
            dataBytes = extra - 2u;
        }
        if (dataBytes > r.Left()) return false;
        item.creationData.assign(r.Here(), r.Here() + dataBytes);
        r.Skip(dataBytes);
        info.items.push_back(std::move(item));
    }
    *out = std::move(info);
    return true;
}

// ---- Menus ----

bool ParseMenuTemplate(const void* bytes, size_t size, MenuTemplateInfo* out) {
    Reader r(bytes, size);
    MenuTemplateInfo info;
    WORD version, offset;
    if (!r.Read(&version) || !r.Read(&offset)) return false;
    if (version == 0) {
        if (!r.Skip(offset)) return false;
        // A menu without items is just the header.
        if (r.Left() > 0 && !ReadStandardItems(r, 0, &info.items)) return false;
    } else if (version == 1) {
        // The offset counts from the end of its own field; the help id sits
        // in the first four bytes it skips.
        if (offset >= 4 && !r.Read(&info.helpId)) return false;
        if (!r.Seek(4) || !r.Skip(offset)) return false;
        info.extended = true;
        if (r.Left() > 0 && !ReadExtendedItems(r, 0, &info.items)) return false;
    } else {
        return false;
    }
    *out = std::move(info);
    return true;
}

// ---- String tables ----

bool ParseStringBlock(const void* bytes, size_t size, std::array<std::string, 16>* out) {
    Reader r(bytes, size);
    std::array<std::string, 16> strings;
    for (std::string& s : strings) {
        if (r.Left() == 0) break;
        WORD length;
        if (!r.Read(&length) || size_t(length) * 2 > r.Left()) return false;
        std::u16string units(length, u'\0');
        std::memcpy(units.data(), r.Here(), size_t(length) * 2);
        r.Skip(size_t(length) * 2);
        s = Utf16ToUtf8(units.data(), units.size());
    }
    *out = std::move(strings);
    return true;
}

// ---- Bitmaps ----

bool ParseBitmap(const void* bytes, size_t size, BitmapPixels* out) {
    Reader r(bytes, size);
    Dib dib;
    if (!ReadDib(r, 1, &dib)) return false;
    std::vector<uint32_t> pixels = DecodeColors(r, dib);
    for (uint32_t& p : pixels)
        p &= 0x00FFFFFF;
    out->width = dib.width;
    out->height = dib.rows;
    out->pixels = std::move(pixels);
    return true;
}

// ---- Icons and cursors ----

bool ParseIconDirectory(const void* bytes, size_t size, bool cursor,
                        std::vector<IconDirectoryEntry>* out) {
    Reader r(bytes, size);
    WORD reserved, type, count;
    if (!r.Read(&reserved) || !r.Read(&type) || !r.Read(&count)) return false;
    if (reserved != 0 || type != (cursor ? 2 : 1) || count == 0) return false;
    if (size_t(count) * sizeof(ResGroupIconEntry) > r.Left()) return false;
    std::vector<IconDirectoryEntry> entries(count);
    for (IconDirectoryEntry& e : entries) {
        if (cursor) {
            ResGroupCursorEntry c;
            r.Read(&c);
            e.width = c.wWidth;
            e.height = c.wHeight / 2;
            e.bitCount = c.wBitCount;
            e.bytes = c.dwBytesInRes;
            e.id = c.nId;
        } else {
            ResGroupIconEntry i;
            r.Read(&i);
            // 0 stands for 256 in the one-byte sizes.
            e.width = i.bWidth != 0 ? i.bWidth : 256;
            e.height = i.bHeight != 0 ? i.bHeight : 256;
            e.bitCount = i.wBitCount;
            if (e.bitCount == 0) e.bitCount = i.bColorCount == 2 ? 1 : i.bColorCount == 16 ? 4 : 8;
            e.bytes = i.dwBytesInRes;
            e.id = i.nId;
        }
    }
    *out = std::move(entries);
    return true;
}

int PickIconEntry(const std::vector<IconDirectoryEntry>& entries, int cx, int cy) {
    int best = -1;
    long bestDistance = 0;
    for (size_t i = 0; i < entries.size(); ++i) {
        long distance =
            std::labs(long(entries[i].width) - cx) + std::labs(long(entries[i].height) - cy);
        if (best < 0 || distance < bestDistance ||
            (distance == bestDistance && entries[i].bitCount > entries[best].bitCount)) {
            best = static_cast<int>(i);
            bestDistance = distance;
        }
    }
    return best;
}

bool ParseIconImage(const void* bytes, size_t size, bool cursor, IconImage* out) {
    Reader r(bytes, size);
    POINT hotSpot{0, 0};
    if (cursor) {
        WORD x, y;
        if (!r.Read(&x) || !r.Read(&y)) return false;
        hotSpot = {x, y};
        // The DIB is read as bytes of its own, so its alignment counts from it.
        r = Reader(r.Here(), r.Left());
    }
    Dib dib;
    if (!ReadDib(r, 2, &dib)) return false;
    std::vector<uint32_t> pixels = DecodeColors(r, dib);

    size_t maskStride = (size_t(dib.width) + 31) / 32 * 4;
    size_t maskOffset = dib.bitsOffset + dib.stride * size_t(dib.rows);
    bool hasMask = maskStride * size_t(dib.rows) <= r.Size() - maskOffset;
    // A 32-bit image may do without the mask; all others need it.
    if (!hasMask && dib.bitCount != 32) return false;
    bool alphaChannel =
        dib.bitCount == 32 &&
        std::any_of(pixels.begin(), pixels.end(), [](uint32_t p) { return (p >> 24) != 0; });
    for (int y = 0; y < dib.rows; ++y) {
        const BYTE* maskRow =
            hasMask ? r.Base() + maskOffset + size_t(dib.rows - 1 - y) * maskStride : nullptr;
        for (int x = 0; x < dib.width; ++x) {
            uint32_t& p = pixels[size_t(y) * dib.width + x];
            if (alphaChannel) continue;
            bool through = maskRow != nullptr && ((maskRow[x / 8] >> (7 - x % 8)) & 1);
            p = (p & 0x00FFFFFF) | (through ? 0u : 0xFF000000u);
        }
    }
    out->width = dib.width;
    out->height = dib.rows;
    out->pixels = std::move(pixels);
    out->bitCount = dib.bitCount;
    out->hotSpot = hotSpot;
    return true;
}

// ---- Version information ----

const std::string* VersionInfo::Value(std::string_view name) const {
    for (const VersionStringTable& table : stringTables)
        for (const auto& [key, value] : table.values)
            if (EqualNoCase(key, name)) return &value;
    return nullptr;
}

bool ParseVersionInfo(const void* bytes, size_t size, VersionInfo* out) {
    Reader r(bytes, size);
    VersionInfo info;
    VersionBlock root;
    if (!ReadVersionBlock(r, 0, r.Size(), &root) || root.key != "VS_VERSION_INFO") return false;
    if (root.valueBytes != 0) {
        ResFixedFileInfo fixed;
        if (root.valueBytes < sizeof fixed) return false;
        std::memcpy(&fixed, r.Base() + root.valueOffset, sizeof fixed);
        if (fixed.dwSignature != kFixedFileInfoSignature) return false;
        info.hasFixed = true;
        info.fileVersion = {WORD(fixed.dwFileVersionMS >> 16), WORD(fixed.dwFileVersionMS),
                            WORD(fixed.dwFileVersionLS >> 16), WORD(fixed.dwFileVersionLS)};
        info.productVersion = {WORD(fixed.dwProductVersionMS >> 16), WORD(fixed.dwProductVersionMS),
                               WORD(fixed.dwProductVersionLS >> 16),
                               WORD(fixed.dwProductVersionLS)};
        info.fileFlagsMask = fixed.dwFileFlagsMask;
        info.fileFlags = fixed.dwFileFlags;
        info.fileOS = fixed.dwFileOS;
        info.fileType = fixed.dwFileType;
        info.fileSubtype = fixed.dwFileSubtype;
        info.fileDateMS = fixed.dwFileDateMS;
        info.fileDateLS = fixed.dwFileDateLS;
    }
    bool ok = ForEachChild(r, root, [&](const VersionBlock& part) {
        if (part.key == "StringFileInfo")
            return ForEachChild(r, part, [&](const VersionBlock& tableBlock) {
                VersionStringTable table;
                table.key = tableBlock.key;
                bool read = ForEachChild(r, tableBlock, [&](const VersionBlock& value) {
                    table.values.emplace_back(value.key, VersionText(r, value));
                    return true;
                });
                info.stringTables.push_back(std::move(table));
                return read;
            });
        if (part.key == "VarFileInfo")
            return ForEachChild(r, part, [&](const VersionBlock& var) {
                if (var.key != "Translation") return true;
                for (size_t at = 0; at + 4 <= var.valueBytes; at += 4) {
                    DWORD pair;
                    std::memcpy(&pair, r.Base() + var.valueOffset + at, sizeof pair);
                    info.translations.push_back(pair);
                }
                return true;
            });
        return true;
    });
    if (!ok) return false;
    *out = std::move(info);
    return true;
}

} // namespace platform
