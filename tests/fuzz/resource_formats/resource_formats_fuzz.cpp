// The readers of the binary resource formats on arbitrary bytes. The first
// byte chooses the reader; the rest are the resource's bytes, in a buffer
// of exactly their size, so that a read past them shows. Besides not
// crashing, what a reader accepts keeps its promises: a .res index's
// entries lie within the bytes and are found again by their names, and
// pictures have a pixel for every point and no more.
#include "kernel/resource_formats.h"

#include "fuzz_support.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace {

using namespace platform;

enum Reader : uint8_t {
    kResIndex,
    kDialog,
    kMenu,
    kStringBlock,
    kBitmap,
    kIconGroup,
    kCursorGroup,
    kIconImage,
    kCursorImage,
    kVersion,
    kReaderCount
};

void CheckPicture(int width, int height, size_t pixels, const char* what) {
    fuzz::Check(width > 0 && height > 0 && width <= kMaxBitmapSide && height <= kMaxBitmapSide,
                std::string(what) + " has an impossible size");
    fuzz::Check(pixels == size_t(width) * size_t(height),
                std::string(what) + " has not one pixel per point");
    fuzz::Check(pixels <= kMaxBitmapPixels, std::string(what) + " is larger than allowed");
}

void FuzzIndex(const uint8_t* bytes, size_t size) {
    ResourceIndex index;
    if (!index.Parse(bytes, size)) {
        fuzz::Check(index.Entries().empty(), "a refused .res leaves entries");
        return;
    }
    for (const ResourceEntry& e : index.Entries()) {
        fuzz::Check(e.data >= bytes && e.size <= size && e.data - bytes <= ptrdiff_t(size - e.size),
                    "an entry's data lies outside the .res");
        fuzz::Check(index.Owns(&e), "the index does not own its own entry");
        fuzz::Check(index.Find(e.type, e.name, e.language) != nullptr,
                    "an entry is not found in its own language");
        for (WORD language : {kLanguageNeutral, kLanguageEnglishUs, WORD(0x0411), e.language}) {
            const ResourceEntry* chosen = index.Choose(e.type, e.name, language);
            fuzz::Check(chosen != nullptr && index.Owns(chosen) && chosen->type.Matches(e.type) &&
                            chosen->name.Matches(e.name),
                        "no language of an existing resource is chosen");
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    const Reader reader = static_cast<Reader>(data[0] % kReaderCount);
    const uint8_t* bytes = data + 1;
    const size_t length = size - 1;
    switch (reader) {
    case kResIndex:
        FuzzIndex(bytes, length);
        break;
    case kDialog: {
        DialogTemplateInfo dialog;
        ParseDialogTemplate(bytes, length, &dialog);
        break;
    }
    case kMenu: {
        MenuTemplateInfo menu;
        ParseMenuTemplate(bytes, length, &menu);
        break;
    }
    case kStringBlock: {
        std::array<std::string, 16> strings;
        ParseStringBlock(bytes, length, &strings);
        break;
    }
    case kBitmap: {
        BitmapPixels bitmap;
        if (ParseBitmap(bytes, length, &bitmap))
            CheckPicture(bitmap.width, bitmap.height, bitmap.pixels.size(), "a bitmap");
        break;
    }
    case kIconGroup:
    case kCursorGroup: {
        std::vector<IconDirectoryEntry> entries;
        if (ParseIconDirectory(bytes, length, reader == kCursorGroup, &entries)) {
            const int best = PickIconEntry(entries, 32, 32);
            fuzz::Check(best >= 0 && size_t(best) < entries.size(),
                        "no image of a group is picked");
        }
        break;
    }
    case kIconImage:
    case kCursorImage: {
        IconImage image;
        if (ParseIconImage(bytes, length, reader == kCursorImage, &image))
            CheckPicture(image.width, image.height, image.pixels.size(), "an icon image");
        break;
    }
    case kVersion: {
        VersionInfo version;
        if (ParseVersionInfo(bytes, length, &version)) version.Value("FileVersion");
        break;
    }
    case kReaderCount:
        break;
    }
    return 0;
}
