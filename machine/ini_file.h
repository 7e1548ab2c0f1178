// Windows profile (INI) files of the machine, read and written the way the
// profile-string calls of Windows 98 treat them:
//
//   ; comment
//   [Section]
//   Key = value
//
// Section and key names compare without regard to case; blanks around names
// and values are dropped; the first matching section, and in it the first
// matching key, wins; lines without "=" and lines before the first section
// carry no key. A value in matching single or double quotes loses them.
// Any bytes are accepted: a NUL ends its line's content, and a file above
// kMaxIniFileBytes is read only up to that size and never rewritten.
#pragma once

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace machine {

constexpr size_t kMaxIniFileBytes = 16 * 1024 * 1024;

// The value of `key` in `section`, or nothing when the file, the section or
// the key is missing.
std::optional<std::string> IniGet(const std::filesystem::path& file, std::string_view section,
                                  std::string_view key);

// The section names in file order, each once (first spelling), or nothing
// when the file cannot be read.
std::optional<std::vector<std::string>> IniSections(const std::filesystem::path& file);

// The key names of the first matching section, each once (first spelling),
// or nothing when the file or the section is missing.
std::optional<std::vector<std::string>> IniKeys(const std::filesystem::path& file,
                                                std::string_view section);

// Sets `key` in `section` to `value`, or removes the key when `value` is
// nothing. A missing section or file is created (removing from a missing
// file changes nothing). Every other line stays as it was. The file is
// replaced atomically: a temporary file beside it, flushed, then renamed
// over it, so a link in its place is replaced and never written through.
// Names with line breaks, a section name with "]", a key with "=" or a
// leading "[" or ";", and values with line breaks or NULs are refused.
// On failure returns false and says why in `error`.
bool IniSet(const std::filesystem::path& file, std::string_view section, std::string_view key,
            std::optional<std::string> value, std::string* error = nullptr);

} // namespace machine
