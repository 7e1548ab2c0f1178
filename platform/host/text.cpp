#include "text.h"

#include <cstring>

namespace platform {

size_t Utf8Prefix(std::string_view text, size_t limit) {
    if (text.size() <= limit) return text.size();
    size_t cut = limit;
    // Step back over continuation bytes to the start of the cut character.
    while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) --cut;
    return cut;
}

size_t CopyCut(std::string_view text, char* buffer, size_t size) {
    if (buffer == nullptr || size == 0) return 0;
    size_t n = Utf8Prefix(text, size - 1);
    std::memcpy(buffer, text.data(), n);
    buffer[n] = '\0';
    return n;
}

bool EqualNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        unsigned char x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[i]);
        if (x >= 'a' && x <= 'z') x -= 32;
        if (y >= 'a' && y <= 'z') y -= 32;
        if (x != y) return false;
    }
    return true;
}

} // namespace platform
