#include "render.h"

#include <windows.h>
#include <commctrl.h>

#include "commctrl/trackbar.h"
#include "gdi/surface.h"
#include "host/clock.h"
#include "host/frontend.h"
#include "host/text.h"
#include "shell/notifyarea.h"
#include "user/cursor.h"
#include "user/input.h"
#include "user/menu.h"
#include "user/window.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <ctime>

namespace desktop {
namespace {

using namespace platform::user;
using platform::IconImage;

// The classic colours of the desktop and its windows.
constexpr uint32_t kDesktop = 0x008080;
constexpr uint32_t kFace = 0xC0C0C0;
constexpr uint32_t kText = 0x000000;
constexpr uint32_t kGrayText = 0x808080;
constexpr uint32_t kWhite = 0xFFFFFF;
constexpr uint32_t kActiveCaption = 0x000080;
constexpr uint32_t kInactiveCaption = 0x808080;
constexpr uint32_t kHighlight = 0x000080;
constexpr uint32_t kShadow = 0x808080;

// ---- Cells and text ----

struct Box {
    int left, top, right, bottom; // cells, right and bottom exclusive
    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    bool Empty() const { return right <= left || bottom <= top; }
};

// Pixels to cells: each edge to the nearest cell boundary, and a window of
// any size keeps at least one cell.
Box CellsOf(const RECT& r) {
    auto round = [](int v, int unit) {
        return v >= 0 ? (v + unit / 2) / unit : -((-v + unit / 2) / unit);
    };
    Box b{round(r.left, kCellWidth), round(r.top, kCellHeight), round(r.right, kCellWidth),
          round(r.bottom, kCellHeight)};
    if (r.right > r.left && b.right <= b.left) b.right = b.left + 1;
    if (r.bottom > r.top && b.bottom <= b.top) b.bottom = b.top + 1;
    return b;
}

// One character to show, with whether it is the mnemonic.
struct Glyph {
    char32_t ch;
    bool mnemonic;
};

// The glyphs as UTF-8 text, up to the first line break.
std::string Utf8(const std::vector<Glyph>& glyphs) {
    std::string out;
    for (const Glyph& g : glyphs) {
        if (g.ch == U'\n') break;
        platform::AppendUtf8(out, g.ch);
    }
    return out;
}

// A label's characters: "&X" marks X, "&&" is an ampersand; with `prefix`
// off the text stands as it is. Control characters other than line breaks
// show as blanks.
std::vector<Glyph> Glyphs(const std::string& text, bool prefix = true) {
    std::vector<Glyph> out;
    bool mark = false;
    for (size_t i = 0; i < text.size();) {
        char32_t c = platform::NextCodePoint(text, &i);
        if (prefix && c == U'&' && !mark) {
            mark = true;
            continue;
        }
        if (c >= 0x20 && platform::CharCells(c) == 0) continue; // combining, zero-width
        if (c == U'\r') continue;
        if (c < 0x20 && c != U'\n') c = U' ';
        out.push_back({c, mark && c != U'&'});
        mark = false;
    }
    return out;
}

int Cells(const std::vector<Glyph>& glyphs) {
    int n = 0;
    for (const Glyph& g : glyphs)
        n += platform::CharCells(g.ch);
    return n;
}

struct Style {
    uint32_t fg = kText;
    uint32_t bg = kFace;
    uint8_t attributes = 0;
};

class Painter {
  public:
    explicit Painter(Grid& grid) : grid_(grid) {}

    // Cells outside the clip are left alone: a control never draws outside
    // its window, nor a window outside the screen.
    void Clip(const Box& b) { clip_ = b; }
    const Box& ClipBox() const { return clip_; }

    bool Visible(int x, int y) const {
        return grid_.Inside(x, y) && x >= clip_.left && x < clip_.right && y >= clip_.top &&
               y < clip_.bottom;
    }

    void Put(int x, int y, char32_t ch, const Style& s, char32_t plain = 0) {
        if (!Visible(x, y)) return;
        Cell& c = grid_.At(x, y);
        // Overwriting half of a wide character blanks the other half.
        if (c.ch == 0 && x > 0 && grid_.At(x - 1, y).ch != 0) grid_.At(x - 1, y).ch = U' ';
        c = Cell{ch, plain, s.fg, s.bg, s.attributes};
    }

    void Fill(const Box& b, const Style& s, char32_t ch = U' ') {
        for (int y = b.top; y < b.bottom; ++y)
            for (int x = b.left; x < b.right; ++x)
                Put(x, y, ch, s);
    }

    // Writes glyphs from x on, at most `cells` cells. Returns the cells used.
    // A text that does not fit is noted in the grid's `cut` list.
    int Text(int x, int y, const std::vector<Glyph>& glyphs, const Style& s, int cells) {
        int used = 0;
        for (const Glyph& g : glyphs) {
            if (g.ch == U'\n') break;
            const int w = platform::CharCells(g.ch);
            if (used + w > cells) {
                grid_.cut.push_back(Utf8(glyphs));
                break;
            }
            Style gs = s;
            if (g.mnemonic) gs.attributes |= kUnderline;
            Put(x + used, y, g.ch, gs);
            if (w == 2) Put(x + used + 1, y, 0, gs);
            used += w;
        }
        return used;
    }
    int Text(int x, int y, const std::string& text, const Style& s, int cells) {
        return Text(x, y, Glyphs(text, false), s, cells);
    }

    // A box of line characters around b (b's outer cells).
    void Frame(const Box& b, const Style& s) {
        if (b.Empty()) return;
        for (int x = b.left + 1; x < b.right - 1; ++x) {
            Put(x, b.top, U'─', s);
            Put(x, b.bottom - 1, U'─', s);
        }
        for (int y = b.top + 1; y < b.bottom - 1; ++y) {
            Put(b.left, y, U'│', s);
            Put(b.right - 1, y, U'│', s);
        }
        Put(b.left, b.top, U'┌', s);
        Put(b.right - 1, b.top, U'┐', s);
        Put(b.left, b.bottom - 1, U'└', s);
        Put(b.right - 1, b.bottom - 1, U'┘', s);
    }

    Cell* CellAt(int x, int y) { return grid_.Inside(x, y) ? &grid_.At(x, y) : nullptr; }

    void NoteCut(std::string text) { grid_.cut.push_back(std::move(text)); }

  private:
    Grid& grid_;
    Box clip_{0, 0, 1 << 20, 1 << 20};
};

// ---- Pictures ----

uint32_t Luminance(uint32_t rgb) {
    return (((rgb >> 16) & 0xFF) * 299 + ((rgb >> 8) & 0xFF) * 587 + (rgb & 0xFF) * 114) / 1000;
}

// The average of the opaque pixels of a block, or nothing when most of it
// shows through.
template <class PixelAt>
std::optional<uint32_t> Average(PixelAt at, int x0, int y0, int x1, int y1) {
    uint64_t r = 0, g = 0, b = 0;
    int opaque = 0, total = 0;
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x) {
            ++total;
            const uint32_t p = at(x, y);
            if ((p >> 24) < 0x80) continue;
            ++opaque;
            r += (p >> 16) & 0xFF;
            g += (p >> 8) & 0xFF;
            b += p & 0xFF;
        }
    if (total == 0 || opaque * 2 <= total) return std::nullopt;
    return static_cast<uint32_t>(((r / opaque) << 16) | ((g / opaque) << 8) | (b / opaque));
}

// Draws pixels (0xAARRGGBB, alpha below 0x80 showing through) whose top-left
// pixel sits at screen pixel (px, py): each cell shows its upper and lower
// half as a half block in two colours. The plain text gets a shade by
// brightness.
template <class PixelAt>
void Picture(Painter& p, int px, int py, int width, int height, PixelAt at) {
    if (width <= 0 || height <= 0) return;
    const Box cells = CellsOf({px, py, px + width, py + height});
    const int half = kCellHeight / 2;
    for (int cy = cells.top; cy < cells.bottom; ++cy)
        for (int cx = cells.left; cx < cells.right; ++cx) {
            if (!p.Visible(cx, cy)) continue;
            const int x0 = cx * kCellWidth - px, y0 = cy * kCellHeight - py;
            std::optional<uint32_t> upper = Average(at, x0, y0, x0 + kCellWidth, y0 + half);
            std::optional<uint32_t> lower =
                Average(at, x0, y0 + half, x0 + kCellWidth, y0 + kCellHeight);
            if (!upper && !lower) continue;
            Cell* under = p.CellAt(cx, cy);
            const uint32_t behind = under->bg;
            const uint32_t top = upper.value_or(behind), bottom = lower.value_or(behind);
            const uint32_t shown = upper && lower ? (Luminance(top) + Luminance(bottom)) / 2
                                                  : Luminance(upper ? top : bottom);
            static constexpr char32_t kShades[] = {U'█', U'▓', U'▒', U'░', U' '};
            const char32_t shade = kShades[std::min<uint32_t>(4, shown * 5 / 256)];
            p.Put(cx, cy, U'▀', {top, bottom, 0}, shade);
        }
}

void DrawIcon(Painter& p, HICON icon, int px, int py) {
    const IconImage* image = IconPicture(icon);
    if (image == nullptr || image->width <= 0 || image->height <= 0) return;
    Picture(p, px, py, image->width, image->height, [image](int x, int y) -> uint32_t {
        if (x < 0 || y < 0 || x >= image->width || y >= image->height) return 0;
        return image->pixels[static_cast<size_t>(y) * image->width + x];
    });
}

// A picture at most this many pixels thick is a rule: a line of the
// dialog's design, drawn as a line character rather than a bar of blocks.
constexpr int kRuleThickness = 3;

void DrawBitmap(Painter& p, HBITMAP bitmap, int px, int py) {
    const platform::gdi::Picture* picture = platform::gdi::BitmapPicture(bitmap);
    if (picture == nullptr) return;
    if (picture->height <= kRuleThickness || picture->width <= kRuleThickness) {
        const bool across = picture->height <= kRuleThickness;
        const Box b = CellsOf({px, py, px + picture->width, py + picture->height});
        for (int y = b.top; y < b.bottom; ++y)
            for (int x = b.left; x < b.right; ++x)
                p.Put(x, y, across ? U'─' : U'│', {kShadow, kFace, 0});
        return;
    }
    // Bitmaps are opaque throughout.
    Picture(p, px, py, picture->width, picture->height,
            [picture](int x, int y) { return picture->At(x, y) | platform::gdi::kOpaque; });
}

// ---- Controls ----

const std::string& ClassOf(const Window* w) {
    static const std::string none;
    return w->windowClass ? w->windowClass->name : none;
}
bool IsClass(const Window* w, const char* name) {
    return platform::EqualNoCase(ClassOf(w), name);
}

LRESULT Ask(const Window* w, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
    return SendMessageA(w->handle, message, wParam, lParam);
}

std::string TextOf(const Window* w) {
    const int length = static_cast<int>(Ask(w, WM_GETTEXTLENGTH));
    if (length <= 0) return "";
    std::string text(static_cast<size_t>(length) + 1, '\0');
    const int got =
        static_cast<int>(Ask(w, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data())));
    text.resize(static_cast<size_t>(std::clamp(got, 0, length)));
    return text;
}

Style LabelStyle(const Window* w, uint32_t bg = kFace) {
    Style s{kText, bg, 0};
    if (!IsWindowEnabled(w->handle)) {
        s.fg = kGrayText;
        s.attributes |= kDim;
    }
    return s;
}

// Breaks glyphs into at most `maxLines` lines of at most `width` cells: at
// line breaks always, between words where the next word does not fit (a
// word longer than a line is cut), and nowhere else when `wrap` is off.
std::vector<std::vector<Glyph>> Wrap(const std::vector<Glyph>& glyphs, int width, bool wrap,
                                     int maxLines) {
    std::vector<std::vector<Glyph>> lines(1);
    if (width <= 0 || maxLines <= 0) return {};
    int used = 0; // cells on the last line
    auto newLine = [&] {
        if (static_cast<int>(lines.size()) >= maxLines) return false;
        lines.emplace_back();
        used = 0;
        return true;
    };
    for (size_t i = 0; i < glyphs.size();) {
        if (glyphs[i].ch == U'\n') {
            if (!newLine()) break;
            ++i;
            continue;
        }
        // The next word with the blanks before it.
        size_t end = i;
        while (end < glyphs.size() && glyphs[end].ch == U' ')
            ++end;
        while (end < glyphs.size() && glyphs[end].ch != U' ' && glyphs[end].ch != U'\n')
            ++end;
        int cells = 0;
        for (size_t k = i; k < end; ++k)
            cells += platform::CharCells(glyphs[k].ch);
        if (!wrap || used + cells <= width) {
            lines.back().insert(lines.back().end(), glyphs.begin() + static_cast<std::ptrdiff_t>(i),
                                glyphs.begin() + static_cast<std::ptrdiff_t>(end));
            used += cells;
        } else {
            // A new line drops the blanks before the word.
            size_t start = i;
            while (start < end && glyphs[start].ch == U' ')
                ++start;
            if (used > 0 && !newLine()) break;
            bool full = false;
            for (size_t k = start; k < end && !full; ++k) {
                const int w = platform::CharCells(glyphs[k].ch);
                if (used > 0 && used + w > width && !newLine()) full = true;
                if (full) break;
                lines.back().push_back(glyphs[k]);
                used += w;
            }
            if (full) break;
        }
        i = end;
    }
    return lines;
}

// A rule (a thin bitmap static) lies under texts rather than stopping them.
bool IsRule(const Window* w) {
    if (!IsClass(w, "Static") || (w->style & SS_TYPEMASK) != SS_BITMAP) return false;
    const RECT r = ScreenRect(w);
    return r.bottom - r.top <= kRuleThickness || r.right - r.left <= kRuleThickness;
}

// How far right (a cell column, exclusive) a control's label may run. A
// terminal cell is as wide as an average letter of the dialog font, so a
// label laid out for that font can need a cell or two more than its control
// has; it may then run on over empty space, up to the next control beside
// it or the border of a group box around it.
int TextLimit(const Window* w, const Box& b) {
    int limit = b.right;
    if (w->parent == nullptr) return limit;
    limit = CellsOf(ClientScreenRect(w->parent)).right;
    for (const Window* s : w->parent->children) {
        if (s == w || s->destroyed || !(s->style & WS_VISIBLE) || IsRule(s)) continue;
        const Box sb = CellsOf(ScreenRect(s));
        if (sb.bottom <= b.top || sb.top >= b.bottom) continue;
        if (sb.left >= b.right)
            limit = std::min(limit, sb.left);
        else if (sb.left <= b.left && sb.right >= b.right && IsClass(s, "Button") &&
                 (s->style & BS_TYPEMASK) == BS_GROUPBOX)
            limit = std::min(limit, sb.right - 1); // inside the frame's right side
    }
    return std::max(limit, b.right);
}

void DrawStatic(Painter& p, const Window* w, const Box& b, int limit) {
    const DWORD type = w->style & SS_TYPEMASK;
    const RECT r = ScreenRect(w);
    switch (type) {
    case SS_ICON:
        if (HICON icon = reinterpret_cast<HICON>(Ask(w, STM_GETICON)))
            DrawIcon(p, icon, r.left, r.top);
        return;
    case SS_BITMAP:
        if (HBITMAP bitmap = reinterpret_cast<HBITMAP>(Ask(w, STM_GETIMAGE, IMAGE_BITMAP)))
            DrawBitmap(p, bitmap, r.left, r.top);
        return;
    case SS_BLACKRECT:
        p.Fill(b, {kText, kText, 0});
        return;
    case SS_GRAYRECT:
        p.Fill(b, {kText, kShadow, 0});
        return;
    case SS_WHITERECT:
        p.Fill(b, {kText, kWhite, 0});
        return;
    case SS_BLACKFRAME:
    case SS_GRAYFRAME:
    case SS_WHITEFRAME:
    case SS_ETCHEDFRAME:
        p.Frame(b, {kShadow, kFace, 0});
        return;
    case SS_ETCHEDHORZ:
        for (int x = b.left; x < b.right; ++x)
            p.Put(x, b.top, U'─', {kShadow, kFace, 0});
        return;
    case SS_ETCHEDVERT:
        for (int y = b.top; y < b.bottom; ++y)
            p.Put(b.left, y, U'│', {kShadow, kFace, 0});
        return;
    default:
        break;
    }
    const bool wrap = type == SS_LEFT || type == SS_CENTER || type == SS_RIGHT;
    const std::vector<Glyph> glyphs = Glyphs(TextOf(w), !(w->style & SS_NOPREFIX));
    auto lines = Wrap(glyphs, b.Width(), wrap, b.Height());
    // A left-aligned text that does not fit its lines runs on to the right.
    // (Blanks do not count: wrapping drops them at line breaks.)
    auto inked = [](const std::vector<Glyph>& gs) {
        return std::count_if(gs.begin(), gs.end(),
                             [](const Glyph& g) { return g.ch != U' ' && g.ch != U'\n'; });
    };
    long shown = 0;
    for (const auto& line : lines) shown += inked(line);
    Box room = b;
    if (type == SS_LEFT || type == SS_LEFTNOWORDWRAP || type == SS_SIMPLE) {
        if (shown < inked(glyphs)) {
            room.right = limit;
            lines = Wrap(glyphs, room.Width(), wrap, b.Height());
        }
    }
    shown = 0;
    for (const auto& line : lines) shown += inked(line);
    if (shown < inked(glyphs)) p.NoteCut(Utf8(glyphs)); // lines fell off the bottom
    const Style s = LabelStyle(w);
    for (size_t i = 0; i < lines.size() && b.top + static_cast<int>(i) < b.bottom; ++i) {
        const int cells = std::min(Cells(lines[i]), room.Width());
        int x = b.left;
        if (type == SS_CENTER) x += (b.Width() - cells) / 2;
        if (type == SS_RIGHT) x += b.Width() - cells;
        p.Text(x, b.top + static_cast<int>(i), lines[i], s, room.right - x);
    }
}

void DrawButton(Painter& p, const Window* w, const Box& b, int limit) {
    const DWORD type = w->style & BS_TYPEMASK;
    const bool focused = FocusWindow() == w;
    const std::vector<Glyph> label = Glyphs(TextOf(w));
    Style s = LabelStyle(w);
    if (focused) s.attributes |= kUnderline;
    const int row = b.top + (b.Height() - 1) / 2;

    if (type == BS_GROUPBOX) {
        // Only the frame: the controls inside show through.
        Style frame{kShadow, kFace, 0};
        for (int x = b.left + 1; x < b.right - 1; ++x) {
            p.Put(x, b.top, U'─', frame);
            if (b.Height() > 1) p.Put(x, b.bottom - 1, U'─', frame);
        }
        for (int y = b.top + 1; y < b.bottom - 1; ++y) {
            p.Put(b.left, y, U'│', frame);
            p.Put(b.right - 1, y, U'│', frame);
        }
        p.Put(b.left, b.top, U'┌', frame);
        p.Put(b.right - 1, b.top, U'┐', frame);
        if (b.Height() > 1) {
            p.Put(b.left, b.bottom - 1, U'└', frame);
            p.Put(b.right - 1, b.bottom - 1, U'┘', frame);
        }
        if (!label.empty() && b.Width() > 4) {
            // A title longer than the frame runs on over the empty space
            // beside it rather than being cut.
            const int room = std::max(b.Width() - 4, limit - 1 - (b.left + 2));
            p.Put(b.left + 1, b.top, U' ', s);
            const int used = p.Text(b.left + 2, b.top, label, s, room);
            p.Put(b.left + 2 + used, b.top, U' ', s);
        }
        return;
    }

    const LRESULT check = Ask(w, BM_GETCHECK);
    const bool radio = type == BS_RADIOBUTTON || type == BS_AUTORADIOBUTTON;
    const bool checkBox = type == BS_CHECKBOX || type == BS_AUTOCHECKBOX || type == BS_3STATE ||
                          type == BS_AUTO3STATE;
    if (radio || checkBox) {
        std::u32string box = radio ? (check == BST_CHECKED ? U"(•)" : U"( )")
                                   : (check == BST_CHECKED         ? U"[x]"
                                      : check == BST_INDETERMINATE ? U"[-]"
                                                                   : U"[ ]");
        Style boxStyle = LabelStyle(w);
        const bool leftText = (w->style & BS_LEFTTEXT) != 0;
        int x = b.left;
        if (leftText) {
            x += p.Text(x, row, label, s, std::max(0, b.Width() - 4));
            p.Put(x++, row, U' ', boxStyle);
        }
        for (char32_t c : box)
            p.Put(x++, row, c, boxStyle);
        if (!leftText) {
            // Where the label does not fit even running on, the blank after
            // the box goes first.
            if (x + 1 + Cells(label) <= limit) p.Put(x++, row, U' ', boxStyle);
            p.Text(x, row, label, s, limit - x);
        }
        return;
    }

    // Push buttons: "[ OK ]" across the button; the default one "[> OK <]".
    const bool isDefault = type == BS_DEFPUSHBUTTON;
    const bool pushed = (Ask(w, BM_GETSTATE) & BST_PUSHED) != 0;
    Style face = LabelStyle(w);
    if (pushed) face.bg = kShadow, s.bg = kShadow;
    p.Fill({b.left, row, b.right, row + 1}, face);
    if (b.Width() >= 2) {
        p.Put(b.left, row, U'[', face);
        p.Put(b.right - 1, row, U']', face);
    }
    if (isDefault && b.Width() >= 4) {
        p.Put(b.left + 1, row, U'>', face);
        p.Put(b.right - 2, row, U'<', face);
    }
    const int room = std::max(0, b.Width() - (isDefault ? 4 : 2));
    const int cells = std::min(Cells(label), room);
    p.Text(b.left + (b.Width() - cells) / 2, row, label, s, room);
}

void DrawTrackbar(Painter& p, const Window* w, const Box& b) {
    const bool vertical = (w->style & TBS_VERT) != 0;
    const bool noTicks = (w->style & TBS_NOTICKS) != 0;
    const bool both = (w->style & TBS_BOTH) != 0;
    const bool topOrLeft = (w->style & TBS_TOP) != 0;
    const Style channel{kShadow, kFace, 0};
    const Style thumb{IsWindowEnabled(w->handle) ? kText : kGrayText, kFace,
                      static_cast<uint8_t>(FocusWindow() == w ? kBold : 0)};

    // The lines of cells across the channel: ticks on one side (or both),
    // the channel between.
    const int lines = vertical ? b.Width() : b.Height();
    int channelLine = 0, tickBefore = -1, tickAfter = -1;
    if (!noTicks && lines >= 2) {
        if (both && lines >= 3) {
            tickBefore = 0;
            channelLine = lines / 2;
            tickAfter = lines - 1;
        } else if (topOrLeft && !both) {
            tickBefore = 0;
            channelLine = 1 + (lines - 2) / 2;
        } else {
            channelLine = (lines - 2) / 2;
            tickAfter = lines - 1;
        }
    } else {
        channelLine = (lines - 1) / 2;
    }
    auto at = [&](int along, int across, char32_t ch, const Style& s) {
        if (vertical)
            p.Put(b.left + across, along, ch, s);
        else
            p.Put(along, b.top + across, ch, s);
    };
    const int first = vertical ? b.top : b.left, last = vertical ? b.bottom : b.right;
    for (int i = first; i < last; ++i)
        at(i, channelLine, vertical ? U'│' : U'─', channel);

    auto cellOf = [&](int pos) {
        POINT pt = platform::commctrl::TrackbarThumbPoint(w->handle, pos);
        return vertical ? pt.y / kCellHeight : pt.x / kCellWidth;
    };
    if (!noTicks) {
        std::vector<int> marks = {static_cast<int>(Ask(w, TBM_GETRANGEMIN)),
                                  static_cast<int>(Ask(w, TBM_GETRANGEMAX))};
        const int count = static_cast<int>(Ask(w, TBM_GETNUMTICS));
        for (int i = 0; i + 2 < count && i < 4096; ++i)
            marks.push_back(static_cast<int>(Ask(w, TBM_GETTIC, static_cast<WPARAM>(i))));
        for (int pos : marks) {
            const int cell = cellOf(pos);
            if (tickBefore >= 0) at(cell, tickBefore, U'·', channel);
            if (tickAfter >= 0) at(cell, tickAfter, U'·', channel);
        }
    }
    if (!(w->style & TBS_NOTHUMB))
        at(cellOf(static_cast<int>(Ask(w, TBM_GETPOS))), channelLine, U'█', thumb);
}

void DrawTabControl(Painter& p, const Window* w, const Box& b) {
    const Style frame{kShadow, kFace, 0};
    // The row of tabs is the top edge of the frame around the display area.
    p.Frame(b, frame);
    const int count = static_cast<int>(Ask(w, TCM_GETITEMCOUNT));
    const int selected = static_cast<int>(Ask(w, TCM_GETCURSEL));
    const RECT client = ClientScreenRect(w);
    for (int i = 0; i < count; ++i) {
        RECT r{};
        if (!Ask(w, TCM_GETITEMRECT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&r)))
            continue;
        OffsetRect(&r, client.left, client.top);
        const Box tab = CellsOf(r);
        char buffer[256] = {};
        TCITEMA item{};
        item.mask = TCIF_TEXT;
        item.pszText = buffer;
        item.cchTextMax = sizeof buffer;
        Ask(w, TCM_GETITEMA, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&item));
        Style s = LabelStyle(w);
        const bool chosen = i == selected;
        if (chosen) s.attributes |= kBold;
        if (chosen && FocusWindow() == w) s.attributes |= kUnderline;
        p.Fill({tab.left, tab.top, tab.right, tab.top + 1}, s);
        // The selected tab in brackets, the others plain.
        if (chosen && tab.Width() >= 2) {
            p.Put(tab.left, tab.top, U'[', s);
            p.Put(tab.right - 1, tab.top, U']', s);
        }
        p.Text(tab.left + 1, tab.top, Glyphs(buffer), s, std::max(0, tab.Width() - 2));
    }
}

void DrawComboBox(Painter& p, const Window* w, const Box& b) {
    // The field: its text on white, the drop button in its last cell.
    const Box field{b.left, b.top, b.right, b.top + 1};
    Style s{IsWindowEnabled(w->handle) ? kText : kGrayText, kWhite, 0};
    const bool focused =
        FocusWindow() == w || (FocusWindow() != nullptr && FocusWindow()->parent == w);
    if (focused) s.attributes |= kUnderline;
    p.Fill(field, s);
    p.Text(field.left, field.top, TextOf(w), s, std::max(0, field.Width() - 1));
    p.Put(field.right - 1, field.top, U'▼', {kText, kFace, 0});
}

// The list of a combo box: a pop-up window of class "ComboLBox".
void DrawComboList(Painter& p, const Window* w, const Box& b) {
    p.Fill(b, {kText, kWhite, 0});
    const int count = static_cast<int>(SendMessageA(w->handle, 0x018B /* LB_GETCOUNT */, 0, 0));
    const int top = static_cast<int>(SendMessageA(w->handle, 0x018E /* LB_GETTOPINDEX */, 0, 0));
    const int highlight =
        static_cast<int>(SendMessageA(w->handle, 0x0188 /* LB_GETCURSEL */, 0, 0));
    const bool bar = (w->style & WS_VSCROLL) != 0;
    const int textWidth = b.Width() - (bar ? 1 : 0);
    for (int row = 0; row < b.Height() && top + row < count; ++row) {
        const int i = top + row;
        const int length = static_cast<int>(
            SendMessageA(w->handle, 0x018A /* LB_GETTEXTLEN */, static_cast<WPARAM>(i), 0));
        std::string text(static_cast<size_t>(std::max(0, length)) + 1, '\0');
        SendMessageA(w->handle, 0x0189 /* LB_GETTEXT */, static_cast<WPARAM>(i),
                     reinterpret_cast<LPARAM>(text.data()));
        text.resize(std::strlen(text.c_str()));
        Style s{kText, kWhite, 0};
        if (i == highlight) s = {kWhite, kHighlight, kBold};
        p.Fill({b.left, b.top + row, b.left + textWidth, b.top + row + 1}, s);
        // The highlighted item is marked in the plain text too.
        if (i == highlight) p.Put(b.left, b.top + row, U'>', s);
        p.Text(b.left + 1, b.top + row, text, s, std::max(0, textWidth - 1));
    }
    if (bar && b.Height() > 0) {
        const Style barStyle{kText, kFace, 0};
        for (int y = b.top; y < b.bottom; ++y)
            p.Put(b.right - 1, y, U'░', barStyle);
        p.Put(b.right - 1, b.top, U'▲', barStyle);
        p.Put(b.right - 1, b.bottom - 1, U'▼', barStyle);
    }
}

void DrawChildren(Painter& p, const Window* parent);

void DrawControl(Painter& p, const Window* w) {
    const Box b = CellsOf(ScreenRect(w));
    const Box saved = p.ClipBox();
    // Labels may run on to the right (TextLimit); nothing else leaves its box.
    const bool labelled = IsClass(w, "Button") || IsClass(w, "Static");
    const int limit = labelled ? TextLimit(w, b) : b.right;
    p.Clip({std::max(saved.left, b.left), std::max(saved.top, b.top),
            std::min(saved.right, limit), std::min(saved.bottom, b.bottom)});
    if (IsClass(w, "Button"))
        DrawButton(p, w, b, limit);
    else if (IsClass(w, "Static"))
        DrawStatic(p, w, b, limit);
    else if (IsClass(w, TRACKBAR_CLASSA))
        DrawTrackbar(p, w, b);
    else if (IsClass(w, WC_TABCONTROLA))
        DrawTabControl(p, w, b);
    else if (IsClass(w, "ComboBox"))
        DrawComboBox(p, w, b);
    else if (!IsClass(w, "Edit")) {
        // A window of the program's own: what it painted, over the face.
        if (const platform::gdi::Picture* surface = platform::gdi::WindowSurface(w->handle)) {
            const RECT c = ClientScreenRect(w);
            Picture(p, c.left, c.top, surface->width, surface->height,
                    [surface](int x, int y) { return surface->At(x, y); });
        }
    }
    // A combo box's edit field is drawn as the combo box's text.
    if (!IsClass(w, "ComboBox")) DrawChildren(p, w);
    p.Clip(saved);
}

void DrawChildren(Painter& p, const Window* parent) {
    // Bottom of the z-order first, so the top ones end up on top.
    for (auto it = parent->children.rbegin(); it != parent->children.rend(); ++it) {
        const Window* child = *it;
        if (child->destroyed || !(child->style & WS_VISIBLE)) continue;
        DrawControl(p, child);
    }
}

// ---- Top-level windows ----

void DrawPopupMenu(Painter& p, const Window* w, const Box& b) {
    p.Fill(b, {kText, kFace, 0});
    p.Frame(b, {kText, kFace, 0});
    std::optional<OpenMenuView> view = OpenMenu();
    HMENU menu = MenuOfWindow(w->handle);
    const std::vector<MenuItem>* items = MenuItems(menu);
    if (items == nullptr) return;
    const bool current = view && view->window == w->handle;
    for (size_t i = 0; i < items->size(); ++i) {
        RECT r;
        if (current && i < view->items.size())
            r = view->items[i];
        else
            r = {ScreenRect(w).left + kCellWidth,
                 ScreenRect(w).top + kCellHeight * (1 + static_cast<int>(i)),
                 ScreenRect(w).right - kCellWidth,
                 ScreenRect(w).top + kCellHeight * (2 + static_cast<int>(i))};
        const Box row = CellsOf(r);
        const MenuItem& item = (*items)[i];
        if (item.Separator()) {
            for (int x = b.left; x < b.right; ++x)
                p.Put(x, row.top, U'─', {kText, kFace, 0});
            p.Put(b.left, row.top, U'├', {kText, kFace, 0});
            p.Put(b.right - 1, row.top, U'┤', {kText, kFace, 0});
            continue;
        }
        Style s{item.Grayed() ? kGrayText : kText, kFace,
                static_cast<uint8_t>(item.Grayed() ? kDim : 0)};
        const bool lit = current && view->highlighted == static_cast<int>(i);
        if (lit) s = {kWhite, kHighlight, kBold};
        p.Fill(row, s);
        if (lit) p.Put(row.left, row.top, U'>', s);
        if (item.Checked())
            p.Put(row.left + 1, row.top, (item.type & platform::kMenuTypeRadioCheck) ? U'•' : U'✓',
                  s);
        // The text, and after a tab the shortcut's name at the right.
        const std::string& text = item.text;
        const size_t tab = text.find('\t');
        const int indent = kMenuTextIndent / kCellWidth;
        p.Text(row.left + indent, row.top, Glyphs(text.substr(0, tab)), s,
               std::max(0, row.Width() - indent - 1));
        if (tab != std::string::npos) {
            const std::vector<Glyph> key = Glyphs(text.substr(tab + 1), false);
            p.Text(row.right - 1 - Cells(key), row.top, key, s, Cells(key));
        }
        if (item.popup != nullptr) p.Put(row.right - 1, row.top, U'►', s);
    }
}

void DrawMenuBar(Painter& p, Window* top) {
    RECT bar = MenuBarRect(top);
    if (bar.right <= bar.left) return;
    const Box row = CellsOf(bar);
    p.Fill(row, {kText, kFace, 0});
    const std::vector<MenuItem>* items = MenuItems(top->menu);
    if (items == nullptr) return;
    std::optional<OpenMenuView> open = OpenMenu();
    const std::vector<RECT> rects = MenuBarItemRects(top);
    for (size_t i = 0; i < rects.size() && i < items->size(); ++i) {
        const Box item = CellsOf(rects[i]);
        const MenuItem& m = (*items)[i];
        Style s{m.Grayed() ? kGrayText : kText, kFace, 0};
        if (open && open->menuBarOf == top->handle && open->menuBarItem == static_cast<int>(i))
            s = {kWhite, kHighlight, kBold};
        p.Fill(item, s);
        p.Text(item.left + 1, item.top, Glyphs(m.text), s, std::max(0, item.Width() - 2));
    }
}

void DrawTopLevel(Painter& p, Window* w) {
    const Box b = CellsOf(ScreenRect(w));
    if (b.Empty()) return;
    p.Clip(b);
    if (IsClass(w, "#32768")) {
        DrawPopupMenu(p, w, b);
        return;
    }
    if (IsClass(w, "ComboLBox")) {
        DrawComboList(p, w, b);
        return;
    }
    p.Fill(b, {kText, kFace, 0});
    const RECT insets = NonClientInsets(w);
    if (insets.left > 0 || insets.top > 0) {
        const bool active = ActiveWindow() == w;
        p.Frame(b, {kText, kFace, 0});
        if (w->style & WS_CAPTION) {
            // The caption fills the top border row between the corners.
            const Style caption{active ? kWhite : kFace, active ? kActiveCaption : kInactiveCaption,
                                static_cast<uint8_t>(active ? kBold : 0)};
            p.Fill({b.left + 1, b.top, b.right - 1, b.top + 1}, caption);
            int right = b.right - 1;
            const RECT close = CloseButtonRect(w), help = HelpButtonRect(w);
            if (close.right > close.left) {
                const Box c = CellsOf(close);
                p.Text(c.left, c.top, "[x]", caption, 3);
                right = c.left;
            }
            if (help.right > help.left) {
                const Box h = CellsOf(help);
                p.Text(h.left, h.top, "[?]", caption, 3);
                right = h.left;
            }
            p.Put(b.left + 1, b.top, U' ', caption);
            const int used =
                p.Text(b.left + 2, b.top, w->text, caption, std::max(0, right - b.left - 3));
            if (b.left + 2 + used < right) p.Put(b.left + 2 + used, b.top, U' ', caption);
        }
        DrawMenuBar(p, w);
    }
    // What the window painted itself, then its controls.
    if (const platform::gdi::Picture* surface = platform::gdi::WindowSurface(w->handle)) {
        const RECT c = ClientScreenRect(w);
        Picture(p, c.left, c.top, surface->width, surface->height,
                [surface](int x, int y) { return surface->At(x, y); });
    }
    const Box client = CellsOf(ClientScreenRect(w));
    p.Clip({std::max(b.left, client.left), std::max(b.top, client.top),
            std::min(b.right, client.right), std::min(b.bottom, client.bottom)});
    DrawChildren(p, w);
}

// ---- The taskbar ----

// The taskbar row's layout from the right: a blank, the clock (5 cells), a
// blank, the icons of the notification area (two cells each, a blank after
// each), and the area's left edge with a blank after it.
constexpr int kIconCells = 2;
constexpr int kClockCells = 5;

int Columns() {
    return std::max(1, platform::CurrentFrontEnd().ScreenWidth() / kCellWidth);
}
int Rows() {
    return std::max(1, platform::CurrentFrontEnd().ScreenHeight() / kCellHeight);
}
int ClockColumn() {
    return Columns() - 1 - kClockCells;
}

int IconColumn(size_t index, size_t count) {
    return ClockColumn() - static_cast<int>(count - index) * (kIconCells + 1);
}

std::string ClockText() {
    int minutes;
    if (platform::GetClockMode() == platform::ClockMode::Virtual) {
        // Virtual time starts at noon, so that a scenario's screen is the
        // same every time.
        minutes = 12 * 60 + static_cast<int>(platform::ClockNow() / 60000);
    } else {
        std::time_t now = std::time(nullptr);
        std::tm local{};
        localtime_r(&now, &local);
        minutes = local.tm_hour * 60 + local.tm_min;
    }
    char text[8];
    std::snprintf(text, sizeof text, "%02d:%02d", (minutes / 60) % 24, minutes % 60);
    return text;
}

void DrawTaskbar(Painter& p, const Grid& grid) {
    p.Clip({0, 0, grid.width, grid.height});
    const int y = grid.height - 1;
    const Style bar{kText, kFace, 0};
    p.Fill({0, y, grid.width, y + 1}, bar);
    p.Text(0, y, "[Start]", {kText, kFace, kBold}, 7);

    // A button for each window shown that is not owned and not a tool window.
    const auto& icons = platform::shell::NotifyIcons();
    const int areaLeft = IconColumn(0, icons.size()) - 2;
    int x = 8;
    const std::vector<Window*>& tops = TopLevelWindows();
    for (auto it = tops.rbegin(); it != tops.rend(); ++it) {
        Window* w = *it;
        if (w->destroyed || !IsVisible(w) || w->owner != nullptr || (w->exStyle & WS_EX_TOOLWINDOW))
            continue;
        if (IsClass(w, "#32768") || IsClass(w, "ComboLBox")) continue;
        const int width = std::min(18, areaLeft - x);
        if (width < 4) break;
        Style s = bar;
        if (ActiveWindow() == w) s.attributes |= kBold;
        p.Put(x, y, U'[', s);
        p.Text(x + 1, y, w->text, s, width - 2);
        p.Put(x + width - 1, y, U']', s);
        x += width + 1;
    }

    if (areaLeft >= 0) p.Put(areaLeft, y, U'│', bar);
    for (size_t i = 0; i < icons.size(); ++i) {
        const int column = IconColumn(i, icons.size());
        const IconImage& picture = icons[i].picture;
        if (picture.width > 0 && picture.height > 0) {
            // The icon squeezed into two cells: each half block shows a
            // quarter of the picture across and half of it down.
            for (int cell = 0; cell < kIconCells; ++cell) {
                auto at = [&picture](int x0, int x1, int y0, int y1) {
                    return Average(
                        [&picture](int px, int py) -> uint32_t {
                            return picture.pixels[static_cast<size_t>(py) * picture.width + px];
                        },
                        x0, y0, x1, y1);
                };
                const int x0 = picture.width * cell / kIconCells,
                          x1 = picture.width * (cell + 1) / kIconCells;
                std::optional<uint32_t> upper = at(x0, x1, 0, picture.height / 2);
                std::optional<uint32_t> lower = at(x0, x1, picture.height / 2, picture.height);
                const uint32_t top = upper.value_or(kFace), bottom = lower.value_or(kFace);
                p.Put(column + cell, y, U'▀', {top, bottom, 0}, U'▓');
            }
        } else {
            p.Text(column, y, "[]", bar, kIconCells);
        }
    }
    p.Text(ClockColumn(), y, ClockText(), bar, kClockCells);
}

} // namespace

Grid::Grid(int w, int h)
    : width(std::max(0, w)), height(std::max(0, h)), cells(static_cast<size_t>(width) * height) {}

Grid RenderScreen() {
    Grid grid(Columns(), Rows());
    for (Cell& c : grid.cells)
        c = Cell{U' ', 0, kText, kDesktop, 0};
    Painter p(grid);
    const std::vector<Window*> tops = TopLevelWindows();
    for (auto it = tops.rbegin(); it != tops.rend(); ++it) {
        Window* w = *it;
        if (w->destroyed || !IsVisible(w)) continue;
        DrawTopLevel(p, w);
    }
    DrawTaskbar(p, grid);
    return grid;
}

std::string RenderPlainText(const Grid& grid) {
    std::string out;
    for (int y = 0; y < grid.height; ++y) {
        std::string line;
        for (int x = 0; x < grid.width; ++x) {
            const Cell& c = grid.At(x, y);
            char32_t ch = c.plain != 0 ? c.plain : c.ch;
            if (ch == 0) continue; // the second half of a wide character
            if (ch < 0x80) {
                line += static_cast<char>(ch);
            } else if (ch < 0x800) {
                line += static_cast<char>(0xC0 | (ch >> 6));
                line += static_cast<char>(0x80 | (ch & 0x3F));
            } else if (ch < 0x10000) {
                line += static_cast<char>(0xE0 | (ch >> 12));
                line += static_cast<char>(0x80 | ((ch >> 6) & 0x3F));
                line += static_cast<char>(0x80 | (ch & 0x3F));
            } else {
                line += static_cast<char>(0xF0 | (ch >> 18));
                line += static_cast<char>(0x80 | ((ch >> 12) & 0x3F));
                line += static_cast<char>(0x80 | ((ch >> 6) & 0x3F));
                line += static_cast<char>(0x80 | (ch & 0x3F));
            }
        }
        while (!line.empty() && line.back() == ' ')
            line.pop_back();
        out += line;
        out += '\n';
    }
    return out;
}

std::optional<POINT> NotifyIconPoint(size_t index) {
    const auto& icons = platform::shell::NotifyIcons();
    if (index >= icons.size()) return std::nullopt;
    const int column = IconColumn(index, icons.size());
    return POINT{column * kCellWidth + kIconCells * kCellWidth / 2,
                 (Rows() - 1) * kCellHeight + kCellHeight / 2};
}

std::optional<size_t> NotifyIconAt(POINT screen) {
    const size_t count = platform::shell::NotifyIcons().size();
    if (screen.y < 0 || screen.y / kCellHeight != Rows() - 1 || screen.x < 0) return std::nullopt;
    const int column = screen.x / kCellWidth;
    for (size_t i = 0; i < count; ++i) {
        const int first = IconColumn(i, count);
        if (column >= first && column < first + kIconCells) return i;
    }
    return std::nullopt;
}

} // namespace desktop
