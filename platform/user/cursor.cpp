// Cursors and icons. System cursors and icons have fixed handles; the
// program's own are read from its resources once and shared, as LoadIconA
// and LoadCursorA share them on Windows, so loading one again gives the same
// handle and DestroyIcon leaves a shared one alone.
#include "cursor.h"

#include "kernel/modules.h"
#include "kernel/resources.h"
#include "window.h"

#include <cstdlib>
#include <map>
#include <string>
#include <unordered_map>

namespace platform::user {
namespace {

constexpr DWORD kErrorInvalidIconHandle = 1414; // ERROR_INVALID_ICON_HANDLE

struct IconRecord {
    bool cursor = false;
    CursorKind kind = CursorKind::Other; // cursors only
    bool hasImage = false;
    IconImage image;
};

// Handles: system cursors and icons by their resource id in ranges of their
// own, so they stay the same for the whole run; the program's from a counter.
constexpr uintptr_t kSystemCursorBase = 0x00C10000;
constexpr uintptr_t kSystemIconBase = 0x00C20000;
constexpr uintptr_t kProgramBase = 0x00C30000;

std::unordered_map<uintptr_t, IconRecord> records;
// The program's icons and cursors by module, kind and resource name.
std::map<std::string, HICON> loaded;
HCURSOR current = nullptr;
bool currentSet = false;

HICON ToHandle(uintptr_t value) {
    return reinterpret_cast<HICON>(value);
}

IconRecord* Record(HICON handle) {
    auto it = records.find(reinterpret_cast<uintptr_t>(handle));
    return it == records.end() ? nullptr : &it->second;
}

constexpr WORD kArrowId = IDC_ARROW;

bool KnownSystemCursor(WORD id, CursorKind* kind) {
    switch (id) {
    case IDC_ARROW:
        *kind = CursorKind::Arrow;
        return true;
    case IDC_IBEAM:
        *kind = CursorKind::IBeam;
        return true;
    case IDC_WAIT:
        *kind = CursorKind::Wait;
        return true;
    case IDC_CROSS:
        *kind = CursorKind::Cross;
        return true;
    case IDC_HAND:
        *kind = CursorKind::Hand;
        return true;
    case IDC_UPARROW:
    case 32640: // the old size cursors
    case 32641:
    case IDC_SIZENWSE:
    case IDC_SIZENESW:
    case IDC_SIZEWE:
    case IDC_SIZENS:
    case IDC_SIZEALL:
    case IDC_NO:
    case IDC_APPSTARTING:
    case IDC_HELP:
        *kind = CursorKind::Other; // up arrow, sizing, no, app starting, help
        return true;
    }
    return false;
}

HCURSOR SystemCursor(WORD id) {
    CursorKind kind;
    if (!KnownSystemCursor(id, &kind)) return nullptr;
    uintptr_t value = kSystemCursorBase + id;
    IconRecord& r = records[value];
    r.cursor = true;
    r.kind = kind;
    return ToHandle(value);
}

// ---- Pictures of the system icons, 32 x 32 ----

constexpr int kIconSide = 32;
constexpr uint32_t kOpaque = 0xFF000000;

struct Canvas {
    IconImage image;
    Canvas() {
        image.width = image.height = kIconSide;
        image.bitCount = 32;
        image.pixels.assign(kIconSide * kIconSide, 0); // transparent
    }
    void Put(int x, int y, uint32_t rgb) {
        if (x >= 0 && y >= 0 && x < kIconSide && y < kIconSide)
            image.pixels[y * kIconSide + x] = kOpaque | rgb;
    }
    void Fill(int left, int top, int right, int bottom, uint32_t rgb) {
        for (int y = top; y < bottom; ++y)
            for (int x = left; x < right; ++x)
                Put(x, y, rgb);
    }
    void Disc(uint32_t fill, uint32_t edge) {
        // Centre and radius in half pixels, so the disc is symmetric.
        for (int y = 0; y < kIconSide; ++y)
            for (int x = 0; x < kIconSide; ++x) {
                int dx = 2 * x + 1 - kIconSide, dy = 2 * y + 1 - kIconSide;
                int d2 = dx * dx + dy * dy;
                if (d2 <= 30 * 30) Put(x, y, d2 > 27 * 27 ? edge : fill);
            }
    }
    void Triangle(uint32_t fill, uint32_t edge) {
        for (int y = 2; y < 30; ++y) {
            int half = (y - 2) / 2 + 1;
            for (int x = 16 - half; x < 16 + half; ++x)
                Put(x, y, x == 16 - half || x == 15 + half || y == 29 ? edge : fill);
        }
    }
    // A 5 x 7 glyph, each dot 3 x 3 pixels, centred.
    void Glyph(const char* const rows[7], uint32_t rgb) {
        for (int row = 0; row < 7; ++row)
            for (int col = 0; col < 5; ++col)
                if (rows[row][col] == '#')
                    Fill(9 + 3 * col, 6 + 3 * row, 12 + 3 * col, 9 + 3 * row, rgb);
    }
};

IconImage SystemIconPicture(WORD id) {
    static const char* const question[7] = {".###.", "#...#", "....#", "...#.",
                                            "..#..", ".....", "..#.."};
    static const char* const exclamation[7] = {"..#..", "..#..", "..#..", "..#..",
                                               "..#..", ".....", "..#.."};
    static const char* const information[7] = {"..#..", ".....", ".##..", "..#..",
                                               "..#..", "..#..", ".###."};
    Canvas c;
    switch (id) {
    case IDI_HAND:
        c.Disc(0xE00000, 0x800000);
        for (int i = 0; i < 14; ++i) // a white cross, three pixels thick
            for (int t = -1; t <= 1; ++t) {
                c.Put(9 + i + t, 9 + i, 0xFFFFFF);
                c.Put(22 - i + t, 9 + i, 0xFFFFFF);
            }
        break;
    case IDI_QUESTION:
        c.Disc(0xFFFFFF, 0x000080);
        c.Glyph(question, 0x0000C0);
        break;
    case IDI_EXCLAMATION:
        c.Triangle(0xFFE000, 0x000000);
        c.Glyph(exclamation, 0x000000);
        break;
    case IDI_ASTERISK:
        c.Disc(0xFFFFFF, 0x000080);
        c.Glyph(information, 0x0000C0);
        break;
    default: // the application: a window with a blue title bar
        c.Fill(2, 4, 30, 28, 0x000000);
        c.Fill(3, 5, 29, 27, 0xFFFFFF);
        c.Fill(3, 5, 29, 9, 0x000080);
        break;
    }
    return c.image;
}

HICON SystemIcon(WORD id) {
    if (id < 32512 || id > 32517) return nullptr; // IDI_APPLICATION .. IDI_WINLOGO
    uintptr_t value = kSystemIconBase + id;
    IconRecord& r = records[value];
    if (!r.hasImage) {
        r.image = SystemIconPicture(id);
        r.hasImage = true;
    }
    return ToHandle(value);
}

// The program's icon or cursor, read once per module and name.
HICON ProgramImage(HINSTANCE instance, LPCSTR name, bool cursor) {
    if (name == nullptr) {
        SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
        return nullptr;
    }
    // Keyed by the module's path: a handle value may come back for another
    // module after a FreeLibrary.
    const std::string* path = ModulePath(instance);
    if (path == nullptr) {
        SetLastError(ERROR_RESOURCE_DATA_NOT_FOUND);
        return nullptr;
    }
    NameOrOrdinal id = ResourceIdFrom(name);
    std::string key = *path + (cursor ? "|c|" : "|i|");
    if (id.isOrdinal) {
        key += "#" + std::to_string(id.ordinal);
    } else {
        for (char ch : id.text)
            key += ch >= 'a' && ch <= 'z' ? static_cast<char>(ch - 32) : ch;
    }
    if (auto it = loaded.find(key); it != loaded.end() && Record(it->second) != nullptr)
        return it->second;

    IconImage image;
    // Windows 98 loads the 32 x 32 image of an icon or cursor group.
    if (!LoadIconImage(instance, name, cursor, 32, 32, &image)) return nullptr;
    static uintptr_t next = kProgramBase;
    next += 4;
    IconRecord& r = records[next];
    r.cursor = cursor;
    r.kind = CursorKind::Program;
    r.hasImage = true;
    r.image = std::move(image);
    loaded[key] = ToHandle(next);
    return ToHandle(next);
}

} // namespace

HCURSOR CurrentCursor() {
    if (!currentSet) {
        current = SystemCursor(kArrowId);
        currentSet = true;
    }
    return current;
}

CursorKind KindOfCursor(HCURSOR cursor) {
    if (cursor == nullptr) return CursorKind::None;
    const IconRecord* r = Record(cursor);
    if (r == nullptr) return CursorKind::None;
    return r->cursor ? r->kind : CursorKind::Program; // an icon set as the cursor
}

CursorKind CurrentCursorKind() {
    return KindOfCursor(CurrentCursor());
}

const char* CursorWord(CursorKind kind) {
    switch (kind) {
    case CursorKind::None:
        return "none";
    case CursorKind::Arrow:
        return "arrow";
    case CursorKind::IBeam:
        return "ibeam";
    case CursorKind::Wait:
        return "wait";
    case CursorKind::Cross:
        return "cross";
    case CursorKind::Hand:
    case CursorKind::Program:
        return "hand";
    case CursorKind::Other:
        return "other";
    }
    return "other";
}

const IconImage* IconPicture(HICON icon) {
    const IconRecord* r = Record(icon);
    return r != nullptr && r->hasImage ? &r->image : nullptr;
}

} // namespace platform::user

using namespace platform::user;

WINBASEAPI HCURSOR WINAPI LoadCursorA(HINSTANCE instance, LPCSTR name) {
    if (instance == nullptr) {
        HCURSOR c = IS_INTRESOURCE(name) && name != nullptr
                        ? SystemCursor(static_cast<WORD>(reinterpret_cast<uintptr_t>(name)))
                        : nullptr;
        if (c == nullptr) SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
        return c;
    }
    return ProgramImage(instance, name, true);
}

WINBASEAPI HICON WINAPI LoadIconA(HINSTANCE instance, LPCSTR name) {
    if (instance == nullptr) {
        HICON i = IS_INTRESOURCE(name) && name != nullptr
                      ? SystemIcon(static_cast<WORD>(reinterpret_cast<uintptr_t>(name)))
                      : nullptr;
        if (i == nullptr) SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
        return i;
    }
    return ProgramImage(instance, name, false);
}

WINBASEAPI BOOL WINAPI DestroyIcon(HICON icon) {
    // Every icon here is shared (system or loaded from resources); Windows
    // leaves those in place, so only the handle's validity is checked.
    if (Record(icon) == nullptr) {
        SetLastError(kErrorInvalidIconHandle);
        return FALSE;
    }
    return TRUE;
}

WINBASEAPI HCURSOR WINAPI SetCursor(HCURSOR cursor) {
    HCURSOR previous = CurrentCursor();
    if (cursor != nullptr && Record(cursor) == nullptr) {
        SetLastError(ERROR_INVALID_CURSOR_HANDLE);
        return nullptr;
    }
    if (cursor != previous) {
        current = cursor;
        ScreenChanged();
    }
    return previous;
}

WINBASEAPI HCURSOR WINAPI GetCursor(void) {
    return CurrentCursor();
}
