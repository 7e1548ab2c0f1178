// Text helpers shared by the platform's services. The ANSI code page is
// UTF-8, so a text cut to fit a buffer must never end in half a character.
#pragma once

#include <cstddef>
#include <string_view>

namespace platform {

// The longest prefix of `text` of at most `limit` bytes that does not split
// a UTF-8 sequence.
size_t Utf8Prefix(std::string_view text, size_t limit);

// Copies `text` into a buffer of `size` bytes, cut to fit before a whole
// character, and terminates it. Returns the bytes copied without the
// terminator. A size of 0 writes nothing.
size_t CopyCut(std::string_view text, char* buffer, size_t size);

// Case-insensitive comparison of ASCII letters, as Windows compares names.
bool EqualNoCase(std::string_view a, std::string_view b);

} // namespace platform
