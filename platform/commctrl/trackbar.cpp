// The trackbar ("msctls_trackbar32"): a thumb over a range of positions,
// moved by the mouse and the direction keys, which tells its parent about
// every move with WM_HSCROLL (horizontal) or WM_VSCROLL (TBS_VERT).
#include "trackbar.h"

#include <commctrl.h>

#include "user/classes.h"
#include "user/window.h"

#include <algorithm>
#include <cstdint>
#include <vector>

namespace platform::commctrl {
namespace {

using user::Window;

// The page size until the program sets one: a fifth of the range.
constexpr LONG kPageFollowsRange = -1;
// Automatic ticks of an absurd range would take memory without showing
// anything more; beyond this many the rest are left out.
constexpr size_t kMaxAutoTicks = 10000;
// Longer channels than any screen's are measured as this long, which keeps
// the position arithmetic inside 64 bits.
constexpr int kMaxSpan = 1 << 24;

enum class Tracking { None, Thumb, Page };

struct TrackbarState : user::ControlState {
    LONG min = 0;
    LONG max = 100;
    LONG pos = 0;
    LONG lineSize = 1;
    LONG pageSize = kPageFollowsRange;
    LONG ticFrequency = 1;
    std::vector<LONG> ticks; // the marks between the two ends, ascending
    Tracking tracking = Tracking::None;
    int grabOffset = 0; // pixels from the thumb's centre to where it was grabbed
};

TrackbarState* ExistingState(Window* w) {
    return w != nullptr ? dynamic_cast<TrackbarState*>(w->state.get()) : nullptr;
}

TrackbarState* StateFor(Window* w) {
    if (w != nullptr && !w->state) w->state = std::make_unique<TrackbarState>();
    return ExistingState(w);
}

bool IsVertical(const Window* w) { return (w->style & TBS_VERT) != 0; }

LONG Clamp(const TrackbarState& s, int64_t value) {
    // A minimum set above the maximum wins.
    if (value > s.max) value = s.max;
    if (value < s.min) value = s.min;
    return static_cast<LONG>(value);
}

int64_t RangeOf(const TrackbarState& s) { return int64_t{s.max} - s.min; }

LONG PageSize(const TrackbarState& s) {
    if (s.pageSize != kPageFollowsRange) return s.pageSize;
    return static_cast<LONG>(std::max<int64_t>(1, RangeOf(s) / 5));
}

void MakeAutoTicks(const Window* w, TrackbarState& s) {
    if (!(w->style & TBS_AUTOTICKS)) return;
    s.ticks.clear();
    const int64_t step = std::max<LONG>(1, s.ticFrequency);
    for (int64_t t = int64_t{s.min} + step; t < s.max && s.ticks.size() < kMaxAutoTicks; t += step)
        s.ticks.push_back(static_cast<LONG>(t));
}

// ---- Geometry, in client pixels along the channel's axis ----

struct Axis {
    int length;      // of the window along the axis
    int across;      // of the window across it
    int thumbLength; // of the thumb along the axis
    int first;       // the thumb centre's pixel at the minimum
    int span;        // pixels from the minimum's centre to the maximum's
};

Axis AxisOf(const Window* w) {
    RECT c = user::ClientScreenRect(w);
    const int width = c.right - c.left, height = c.bottom - c.top;
    Axis a{};
    a.length = IsVertical(w) ? height : width;
    a.across = IsVertical(w) ? width : height;
    a.thumbLength = IsVertical(w) ? user::kCellHeight : user::kCellWidth;
    a.first = a.thumbLength / 2;
    a.span = std::clamp(a.length - a.thumbLength, 0, kMaxSpan);
    return a;
}

int PixelOf(const Axis& a, const TrackbarState& s, int64_t pos) {
    const int64_t range = RangeOf(s);
    if (range <= 0) return a.first;
    const int64_t offset = int64_t{Clamp(s, pos)} - s.min;
    // Rounded to the nearest pixel.
    return a.first + static_cast<int>((offset * a.span * 2 + range) / (2 * range));
}

// The position whose pixel is nearest to `pixel`: the inverse of PixelOf
// wherever the channel has a pixel per position.
LONG PositionAt(const Axis& a, const TrackbarState& s, int pixel) {
    const int64_t range = RangeOf(s);
    if (range <= 0 || a.span == 0) return Clamp(s, s.min);
    const int64_t along = std::clamp<int64_t>(int64_t{pixel} - a.first, 0, a.span);
    return Clamp(s, s.min + (along * range * 2 + a.span) / (2 * a.span));
}

RECT ThumbRect(const Window* w, const TrackbarState& s) {
    const Axis a = AxisOf(w);
    const int low = PixelOf(a, s, s.pos) - a.thumbLength / 2;
    if (IsVertical(w)) return {0, low, a.across, low + a.thumbLength};
    return {low, 0, low + a.thumbLength, a.across};
}

// ---- Changes and notifications ----

void Redraw(Window* w) { InvalidateRect(w->handle, nullptr, TRUE); }

void MoveThumb(Window* w, TrackbarState& s, int64_t pos, bool redraw) {
    const LONG clamped = Clamp(s, pos);
    if (clamped == s.pos) return;
    s.pos = clamped;
    if (redraw) Redraw(w);
}

// Tells the parent; false when the trackbar did not survive the message.
bool Notify(Window* w, WORD code) {
    const HWND hwnd = w->handle;
    TrackbarState* s = ExistingState(w);
    // Only the thumb's own codes carry the position.
    const WORD position = (code == TB_THUMBTRACK || code == TB_THUMBPOSITION) && s != nullptr
                              ? static_cast<WORD>(s->pos)
                              : 0;
    SendMessageA(GetParent(hwnd), IsVertical(w) ? WM_VSCROLL : WM_HSCROLL,
                 MAKEWPARAM(code, position), reinterpret_cast<LPARAM>(hwnd));
    return user::Find(hwnd) == w;
}

// Ends a drag or a page click: TB_THUMBPOSITION after a drag, then
// TB_ENDTRACK.
void EndTracking(Window* w, TrackbarState& s, bool releaseCapture) {
    const HWND hwnd = w->handle;
    const Tracking was = s.tracking;
    s.tracking = Tracking::None;
    if (releaseCapture && GetCapture() == hwnd) ReleaseCapture();
    if (user::Find(hwnd) != w) return;
    if (was == Tracking::Thumb) {
        Redraw(w);
        if (!Notify(w, TB_THUMBPOSITION)) return;
    }
    Notify(w, TB_ENDTRACK);
}

int AlongAxis(const Window* w, LPARAM lParam) {
    return IsVertical(w) ? GET_Y_LPARAM(lParam) : GET_X_LPARAM(lParam);
}

void ButtonDown(Window* w, LPARAM lParam) {
    const HWND hwnd = w->handle;
    SetFocus(hwnd);
    if (user::Find(hwnd) != w) return;
    TrackbarState* s = ExistingState(w);
    if (s == nullptr) return;
    SetCapture(hwnd);
    const int along = AlongAxis(w, lParam);
    const RECT thumb = ThumbRect(w, *s);
    const int low = IsVertical(w) ? thumb.top : thumb.left;
    const int high = IsVertical(w) ? thumb.bottom : thumb.right;
    if (along >= low && along < high) {
        s->tracking = Tracking::Thumb;
        s->grabOffset = along - PixelOf(AxisOf(w), *s, s->pos);
        Redraw(w);
        return;
    }
    // Beside the thumb: one page toward the pointer.
    s->tracking = Tracking::Page;
    const bool up = along < low;
    MoveThumb(w, *s, int64_t{s->pos} + (up ? -int64_t{PageSize(*s)} : int64_t{PageSize(*s)}),
              true);
    Notify(w, up ? TB_PAGEUP : TB_PAGEDOWN);
}

// Whether a press on the trackbar is still going on. Losing the mouse
// without WM_CAPTURECHANGED (the trackbar disabled or hidden meanwhile) ends
// it silently.
bool StillTracking(Window* w, TrackbarState& s) {
    if (s.tracking != Tracking::None && GetCapture() != w->handle) s.tracking = Tracking::None;
    return s.tracking != Tracking::None;
}

void Drag(Window* w, TrackbarState& s, LPARAM lParam) {
    if (!StillTracking(w, s) || s.tracking != Tracking::Thumb) return;
    const LONG pos = PositionAt(AxisOf(w), s, AlongAxis(w, lParam) - s.grabOffset);
    if (pos == s.pos) return;
    s.pos = pos;
    Redraw(w);
    Notify(w, TB_THUMBTRACK);
}

// The key's notification and where it takes the thumb; false for keys
// the trackbar leaves alone.
bool KeyMove(const TrackbarState& s, WPARAM vk, WORD* code, int64_t* target) {
    switch (vk) {
    case VK_LEFT:
    case VK_UP: *code = TB_LINEUP; *target = int64_t{s.pos} - s.lineSize; return true;
    case VK_RIGHT:
    case VK_DOWN: *code = TB_LINEDOWN; *target = int64_t{s.pos} + s.lineSize; return true;
    case VK_PRIOR: *code = TB_PAGEUP; *target = int64_t{s.pos} - PageSize(s); return true;
    case VK_NEXT: *code = TB_PAGEDOWN; *target = int64_t{s.pos} + PageSize(s); return true;
    case VK_HOME: *code = TB_TOP; *target = s.min; return true;
    case VK_END: *code = TB_BOTTOM; *target = s.max; return true;
    }
    return false;
}

void RangeChanged(Window* w, TrackbarState& s, bool redraw) {
    s.pos = Clamp(s, s.pos);
    MakeAutoTicks(w, s);
    if (redraw) Redraw(w);
}

LRESULT CALLBACK TrackbarProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    Window* w = user::Find(hwnd);
    TrackbarState* s = StateFor(w);
    if (s == nullptr) return DefWindowProcA(hwnd, message, wParam, lParam);
    switch (message) {
    case WM_CREATE: MakeAutoTicks(w, *s); return 0;

    case TBM_GETPOS: return s->pos;
    case TBM_GETRANGEMIN: return s->min;
    case TBM_GETRANGEMAX: return s->max;
    case TBM_SETPOS: MoveThumb(w, *s, lParam, wParam != 0); return 0;
    case TBM_SETRANGE:
        s->min = static_cast<SHORT>(LOWORD(lParam));
        s->max = static_cast<SHORT>(HIWORD(lParam));
        RangeChanged(w, *s, wParam != 0);
        return 0;
    case TBM_SETRANGEMIN:
        s->min = static_cast<LONG>(lParam);
        RangeChanged(w, *s, wParam != 0);
        return 0;
    case TBM_SETRANGEMAX:
        s->max = static_cast<LONG>(lParam);
        RangeChanged(w, *s, wParam != 0);
        return 0;

    case TBM_GETTIC:
        return wParam < s->ticks.size() ? s->ticks[wParam] : -1;
    case TBM_SETTIC: {
        const LONG tick = static_cast<LONG>(lParam);
        if (tick < s->min || tick > s->max) return FALSE;
        auto at = std::lower_bound(s->ticks.begin(), s->ticks.end(), tick);
        if (at == s->ticks.end() || *at != tick) s->ticks.insert(at, tick);
        Redraw(w);
        return TRUE;
    }
    case TBM_CLEARTICS:
        s->ticks.clear();
        if (wParam) Redraw(w);
        return 0;
    case TBM_GETNUMTICS:
        // The two end marks count too.
        return (w->style & TBS_NOTICKS) ? 0 : static_cast<LRESULT>(s->ticks.size() + 2);
    case TBM_SETTICFREQ:
        s->ticFrequency = static_cast<LONG>(wParam);
        MakeAutoTicks(w, *s);
        Redraw(w);
        return 0;

    case TBM_SETPAGESIZE: {
        const LONG old = PageSize(*s);
        s->pageSize = static_cast<LONG>(lParam);
        return old;
    }
    case TBM_GETPAGESIZE: return PageSize(*s);
    case TBM_SETLINESIZE: {
        const LONG old = s->lineSize;
        s->lineSize = static_cast<LONG>(lParam);
        return old;
    }
    case TBM_GETLINESIZE: return s->lineSize;
    case TBM_GETTHUMBRECT:
        if (lParam != 0) *reinterpret_cast<RECT*>(lParam) = ThumbRect(w, *s);
        return 0;

    case WM_GETDLGCODE: return DLGC_WANTARROWS;
    case WM_SETFOCUS:
    case WM_KILLFOCUS: Redraw(w); return 0;

    case WM_LBUTTONDOWN: ButtonDown(w, lParam); return 0;
    case WM_MOUSEMOVE: Drag(w, *s, lParam); return 0;
    case WM_LBUTTONUP:
        if (StillTracking(w, *s)) EndTracking(w, *s, true);
        return 0;
    case WM_CAPTURECHANGED:
        // Another window took the mouse in the middle of a move.
        if (s->tracking != Tracking::None) EndTracking(w, *s, false);
        return 0;

    case WM_KEYDOWN: {
        WORD code = 0;
        int64_t target = 0;
        if (!KeyMove(*s, wParam, &code, &target)) break;
        MoveThumb(w, *s, target, true);
        Notify(w, code);
        return 0;
    }
    case WM_KEYUP: {
        WORD code = 0;
        int64_t target = 0;
        // Releasing one of the keys that move the thumb ends the move.
        if (!KeyMove(*s, wParam, &code, &target)) break;
        Notify(w, TB_ENDTRACK);
        return 0;
    }
    }
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

} // namespace

POINT TrackbarThumbPoint(HWND trackbar, int pos) {
    Window* w = user::Find(trackbar);
    TrackbarState* s = ExistingState(w);
    if (s == nullptr) return {0, 0};
    const Axis a = AxisOf(w);
    const RECT c = user::ClientScreenRect(w);
    const int along = PixelOf(a, *s, pos);
    if (IsVertical(w)) return {c.left + a.across / 2, c.top + along};
    return {c.left + along, c.top + a.across / 2};
}

void RegisterTrackbarClass() {
    user::RegisterSystemClass(TRACKBAR_CLASSA, TrackbarProc, 0, MAKEINTRESOURCEA(IDC_ARROW));
}

} // namespace platform::commctrl
