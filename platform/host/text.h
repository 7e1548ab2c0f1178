// Text helpers shared by the platform's services. The ANSI code page is
// UTF-8, so a text cut to fit a buffer must never end in half a character.
#pragma once

#include <cstddef>
#include <string>
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

// Decodes the UTF-8 character at text[*i] and moves *i past it. A byte that
// begins no valid sequence reads as U+FFFD and moves one byte.
char32_t NextCodePoint(std::string_view text, size_t* i);

// The terminal cells a character takes: 2 for East Asian wide characters,
// 0 for controls, combining marks and zero-width characters, else 1.
int CharCells(char32_t c);
int TextCells(std::string_view text);

// Appends a character to a UTF-8 text.
void AppendUtf8(std::string& out, char32_t c);

} // namespace platform
