// Bitmaps: loading them from a module's resources, their handles, what
// GetObjectA tells about them, and deleting them.
#include "dc.h"

#include "kernel/resources.h"

#include <cstring>
#include <memory>
#include <unordered_map>

namespace platform::gdi {
namespace {

std::unordered_map<HGDIOBJ, std::unique_ptr<Bitmap>>& Bitmaps() {
    static std::unordered_map<HGDIOBJ, std::unique_ptr<Bitmap>> bitmaps;
    return bitmaps;
}

HBITMAP AddBitmap(std::unique_ptr<Bitmap> bitmap) {
    HGDIOBJ handle = NewObjectHandle();
    Bitmaps().emplace(handle, std::move(bitmap));
    return static_cast<HBITMAP>(handle);
}

// A bitmap of the display's format (32 bits a pixel) from 0x00RRGGBB pixels.
std::unique_ptr<Bitmap> ColourBitmap(int width, int height, const std::vector<uint32_t>& rgb) {
    auto bitmap = std::make_unique<Bitmap>();
    bitmap->picture.width = width;
    bitmap->picture.height = height;
    bitmap->picture.pixels.reserve(rgb.size());
    for (uint32_t pixel : rgb)
        bitmap->picture.pixels.push_back(kOpaque | (pixel & 0xFFFFFF));
    return bitmap;
}

} // namespace

Bitmap* FindBitmap(HGDIOBJ handle) {
    if (handle == nullptr) return nullptr;
    auto it = Bitmaps().find(handle);
    return it == Bitmaps().end() ? nullptr : it->second.get();
}

HBITMAP DefaultBitmap() {
    static HBITMAP stock = [] {
        auto bitmap = std::make_unique<Bitmap>();
        bitmap->picture = Picture{1, 1, {kOpaque}}; // one black pixel
        bitmap->bitsPerPixel = 1;
        bitmap->stock = true;
        return AddBitmap(std::move(bitmap));
    }();
    return stock;
}

const Picture* BitmapPicture(HBITMAP bitmap) {
    Bitmap* b = FindBitmap(bitmap);
    return b != nullptr ? &b->picture : nullptr;
}

HBITMAP CreateBitmapFromPixels(int width, int height, const std::vector<uint32_t>& pixels) {
    if (width <= 0 || height <= 0 || width > kMaxBitmapSide || height > kMaxBitmapSide ||
        static_cast<size_t>(width) * height > kMaxBitmapPixels ||
        pixels.size() < static_cast<size_t>(width) * height)
        return nullptr;
    std::vector<uint32_t> used(pixels.begin(),
                               pixels.begin() + static_cast<size_t>(width) * height);
    return AddBitmap(ColourBitmap(width, height, used));
}

} // namespace platform::gdi

using namespace platform::gdi;

// Only the program's own bitmaps exist: a null instance would ask for the
// system's predefined bitmaps, which nothing here draws.
WINBASEAPI HBITMAP WINAPI LoadBitmapA(HINSTANCE instance, LPCSTR name) {
    if (instance == nullptr || name == nullptr) return nullptr;
    platform::BitmapPixels loaded;
    if (!platform::LoadBitmapPixels(instance, name, &loaded)) return nullptr;
    return AddBitmap(ColourBitmap(loaded.width, loaded.height, loaded.pixels));
}

WINBASEAPI int WINAPI GetObjectA(HANDLE object, int bufferSize, LPVOID buffer) {
    const Bitmap* bitmap = FindBitmap(object);
    if (bitmap == nullptr) return 0;
    constexpr int size = sizeof(BITMAP);
    if (buffer == nullptr) return size;
    if (bufferSize < size) return 0;
    BITMAP info{};
    info.bmType = 0;
    info.bmWidth = bitmap->picture.width;
    info.bmHeight = bitmap->picture.height;
    // Scan lines of a device bitmap are padded to whole 16-bit words.
    info.bmWidthBytes = (bitmap->picture.width * bitmap->bitsPerPixel + 15) / 16 * 2;
    info.bmPlanes = 1;
    info.bmBitsPixel = bitmap->bitsPerPixel;
    info.bmBits = nullptr;
    std::memcpy(buffer, &info, size);
    return size;
}

// Only bitmaps are GDI objects here. One selected into a DC stays, as
// Windows refuses to delete it; stock objects are never deleted, but
// deleting one is harmless and succeeds.
WINBASEAPI BOOL WINAPI DeleteObject(HGDIOBJ object) {
    Bitmap* bitmap = FindBitmap(object);
    if (bitmap == nullptr || bitmap->selectedInto != nullptr) return FALSE;
    if (bitmap->stock) return TRUE;
    Bitmaps().erase(object);
    FreeObjectHandle(object);
    return TRUE;
}
