// Device contexts: a window's DC draws into its surface at client
// coordinates; a memory DC draws into the bitmap selected into it. BitBlt
// copies pixels between the two kinds, clipped to both.
#include "dc.h"

#include "host/frontend.h"
#include "user/window.h"

#include <algorithm>
#include <memory>
#include <unordered_map>
#include <unordered_set>

namespace platform::gdi {
namespace {

constexpr uintptr_t kFirstHandle = 0x00100000;
constexpr uintptr_t kHandleLimit = 0x40000000;

std::unordered_set<uintptr_t>& LiveHandles() {
    static std::unordered_set<uintptr_t> live;
    return live;
}

struct DeviceContext {
    HWND window = nullptr;    // a window's DC
    HBITMAP bitmap = nullptr; // a memory DC: the bitmap selected into it
    // A paint DC draws only inside the part being painted, and lives until
    // it is released; the window's own DC draws anywhere in the client area.
    bool paint = false;
    RECT clip{};
    bool IsMemory() const { return window == nullptr; }
};

std::unordered_map<HGDIOBJ, std::unique_ptr<DeviceContext>>& Contexts() {
    static std::unordered_map<HGDIOBJ, std::unique_ptr<DeviceContext>> contexts;
    return contexts;
}

std::unordered_map<HWND, HDC>& WindowContexts() {
    static std::unordered_map<HWND, HDC> contexts;
    return contexts;
}

DeviceContext* FindContext(HDC handle) {
    if (handle == nullptr) return nullptr;
    auto it = Contexts().find(handle);
    return it == Contexts().end() ? nullptr : it->second.get();
}

HDC AddContext(std::unique_ptr<DeviceContext> dc) {
    HGDIOBJ handle = NewObjectHandle();
    Contexts().emplace(handle, std::move(dc));
    return static_cast<HDC>(handle);
}

void RemoveContext(HDC handle) {
    Contexts().erase(handle);
    FreeObjectHandle(handle);
}

// The pixels a DC draws on: the window's surface or the selected bitmap.
Picture* PixelsOf(DeviceContext& dc, bool forDrawing) {
    if (!dc.IsMemory()) return SurfaceOf(dc.window, forDrawing);
    Bitmap* bitmap = FindBitmap(dc.bitmap);
    return bitmap != nullptr ? &bitmap->picture : nullptr;
}

// Clips one axis of a copy of `length` pixels from `s` to `d`: the target
// takes [low, high), the source [0, sourceSize). Returns what is left.
int64_t ClipAxis(int64_t& d, int64_t& s, int64_t length, int64_t low, int64_t high,
                 int64_t sourceSize) {
    if (d < low) {
        length -= low - d;
        s += low - d;
        d = low;
    }
    if (s < 0) {
        length += s;
        d -= s;
        s = 0;
    }
    return std::min({length, high - d, sourceSize - s});
}

// Bitmaps are opaque: a surface pixel nothing was drawn on comes in black.
uint32_t Opaque(uint32_t pixel) {
    return kOpaque | pixel;
}

} // namespace

// Handles count up in steps of 4 and, after wrapping, skip live ones, so a
// stale handle is not soon taken for a new object.
HGDIOBJ NewObjectHandle() {
    static uintptr_t next = kFirstHandle;
    for (;;) {
        next = next + 4 < kHandleLimit ? next + 4 : kFirstHandle + 4;
        if (LiveHandles().insert(next).second) return reinterpret_cast<HGDIOBJ>(next);
    }
}

void FreeObjectHandle(HGDIOBJ handle) {
    LiveHandles().erase(reinterpret_cast<uintptr_t>(handle));
}

HDC GetWindowDC(HWND hwnd, const RECT* paintRect) {
    if (user::Find(hwnd) == nullptr) return nullptr;
    if (paintRect != nullptr) {
        auto dc = std::make_unique<DeviceContext>();
        dc->window = hwnd;
        dc->paint = true;
        dc->clip = *paintRect;
        return AddContext(std::move(dc));
    }
    auto& windows = WindowContexts();
    auto it = windows.find(hwnd);
    if (it != windows.end()) return it->second;
    auto dc = std::make_unique<DeviceContext>();
    dc->window = hwnd;
    HDC handle = AddContext(std::move(dc));
    windows.emplace(hwnd, handle);
    return handle;
}

// The window keeps its own DC until it is destroyed; a paint DC goes.
void ReleaseWindowDC(HDC handle) {
    DeviceContext* dc = FindContext(handle);
    if (dc != nullptr && dc->paint) RemoveContext(handle);
}

void DropWindowSurface(HWND hwnd) {
    if (hwnd == nullptr) return; // memory DCs have no window
    DropSurface(hwnd);
    WindowContexts().erase(hwnd);
    std::vector<HGDIOBJ> gone;
    for (const auto& [handle, dc] : Contexts())
        if (dc->window == hwnd) gone.push_back(handle);
    for (HGDIOBJ handle : gone)
        RemoveContext(static_cast<HDC>(handle));
}

} // namespace platform::gdi

using namespace platform::gdi;

WINBASEAPI HDC WINAPI CreateCompatibleDC(HDC reference) {
    if (reference != nullptr && FindContext(reference) == nullptr) return nullptr;
    auto dc = std::make_unique<DeviceContext>();
    dc->bitmap = DefaultBitmap();
    return AddContext(std::move(dc));
}

// Only memory DCs are deleted; a window's DC belongs to the window.
WINBASEAPI BOOL WINAPI DeleteDC(HDC hdc) {
    DeviceContext* dc = FindContext(hdc);
    if (dc == nullptr || !dc->IsMemory()) return FALSE;
    if (Bitmap* bitmap = FindBitmap(dc->bitmap); bitmap != nullptr && !bitmap->stock)
        bitmap->selectedInto = nullptr;
    RemoveContext(hdc);
    return TRUE;
}

// Bitmaps are the only objects: they go into memory DCs, one DC at a time.
WINBASEAPI HGDIOBJ WINAPI SelectObject(HDC hdc, HGDIOBJ object) {
    DeviceContext* dc = FindContext(hdc);
    Bitmap* bitmap = FindBitmap(object);
    if (dc == nullptr || bitmap == nullptr || !dc->IsMemory()) return nullptr;
    if (!bitmap->stock && bitmap->selectedInto != nullptr && bitmap->selectedInto != hdc)
        return nullptr;
    HBITMAP previous = dc->bitmap;
    if (Bitmap* old = FindBitmap(previous); old != nullptr && !old->stock)
        old->selectedInto = nullptr;
    if (!bitmap->stock) bitmap->selectedInto = hdc;
    dc->bitmap = static_cast<HBITMAP>(object);
    return previous;
}

WINBASEAPI BOOL WINAPI BitBlt(HDC destination, int x, int y, int width, int height, HDC source,
                              int sourceX, int sourceY, DWORD rop) {
    if (rop != SRCCOPY) return FALSE;
    DeviceContext* to = FindContext(destination);
    DeviceContext* from = FindContext(source);
    if (to == nullptr || from == nullptr) return FALSE;
    if (!from->IsMemory() && platform::user::Find(from->window) == nullptr) return FALSE;
    Picture* target = PixelsOf(*to, true);
    if (target == nullptr) return FALSE; // the window is gone
    const Picture* origin = PixelsOf(*from, false);
    if (origin == nullptr) return TRUE; // a window never drawn into: nothing to copy
    const Bitmap* targetBitmap = to->IsMemory() ? FindBitmap(to->bitmap) : nullptr;
    // The stock bitmap is shared by every new memory DC: it stays as it is.
    if (targetBitmap != nullptr && targetBitmap->stock) return TRUE;

    // Clip to both pictures (and the part being painted) in 64 bits, so
    // that no argument can overflow.
    RECT area{0, 0, target->width, target->height};
    if (to->paint) {
        area.left = std::max(area.left, to->clip.left);
        area.top = std::max(area.top, to->clip.top);
        area.right = std::min(area.right, to->clip.right);
        area.bottom = std::min(area.bottom, to->clip.bottom);
    }
    int64_t dx = x, dy = y, sx = sourceX, sy = sourceY;
    const int64_t w = ClipAxis(dx, sx, width, area.left, area.right, origin->width);
    const int64_t h = ClipAxis(dy, sy, height, area.top, area.bottom, origin->height);
    if (w <= 0 || h <= 0) return TRUE;

    // A copy within one picture reads everything before it writes.
    std::vector<uint32_t> rows(static_cast<size_t>(w * h));
    for (int64_t row = 0; row < h; ++row) {
        auto start = origin->pixels.begin() + ((sy + row) * origin->width + sx);
        std::copy(start, start + w, rows.begin() + row * w);
    }
    for (int64_t row = 0; row < h; ++row) {
        auto in = rows.begin() + row * w;
        auto out = target->pixels.begin() + ((dy + row) * target->width + dx);
        if (targetBitmap != nullptr)
            std::transform(in, in + w, out, Opaque);
        else
            std::copy(in, in + w, out); // a surface keeps what is unpainted in the source
    }
    if (!to->IsMemory()) platform::CurrentFrontEnd().ScreenChanged();
    return TRUE;
}
