#include "disk.h"

#include <algorithm>
#include <array>
#include <cwctype>
#include <locale.h>
#include <sys/stat.h>
#include <system_error>
#include <vector>
#include <wctype.h>

namespace fs = std::filesystem;

namespace machine {
namespace {

// Decodes the UTF-8 sequence at text[i]; returns its length, or 0 when it is
// not a well-formed sequence.
size_t DecodeUtf8(std::string_view text, size_t i, char32_t* codePoint) {
    unsigned char c = static_cast<unsigned char>(text[i]);
    if (c < 0x80) {
        *codePoint = c;
        return 1;
    }
    size_t length;
    char32_t value;
    if (c >= 0xC2 && c <= 0xDF) {
        length = 2;
        value = c & 0x1F;
    } else if (c >= 0xE0 && c <= 0xEF) {
        length = 3;
        value = c & 0x0F;
    } else if (c >= 0xF0 && c <= 0xF4) {
        length = 4;
        value = c & 0x07;
    } else {
        return 0;
    }
    if (i + length > text.size()) return 0;
    for (size_t k = 1; k < length; ++k) {
        unsigned char next = static_cast<unsigned char>(text[i + k]);
        if ((next & 0xC0) != 0x80) return 0;
        value = (value << 6) | (next & 0x3F);
    }
    static constexpr char32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
    if (value < kSmallest[length] || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF))
        return 0;
    *codePoint = value;
    return length;
}

void EncodeUtf8(char32_t c, std::string* out) {
    if (c < 0x80) {
        *out += static_cast<char>(c);
    } else if (c < 0x800) {
        *out += static_cast<char>(0xC0 | (c >> 6));
        *out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        *out += static_cast<char>(0xE0 | (c >> 12));
        *out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        *out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        *out += static_cast<char>(0xF0 | (c >> 18));
        *out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        *out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        *out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

// The host's Unicode case table, when it has a UTF-8 locale; without one only
// ASCII letters are folded.
locale_t UnicodeLocale() {
    static locale_t locale = [] {
        locale_t l = newlocale(LC_CTYPE_MASK, "C.UTF-8", locale_t(0));
        if (l == locale_t(0)) l = newlocale(LC_CTYPE_MASK, "C.utf8", locale_t(0));
        return l;
    }();
    return locale;
}

char32_t UpperCase(char32_t c) {
    if (c < 0x80) return (c >= 'a' && c <= 'z') ? c - ('a' - 'A') : c;
    locale_t locale = UnicodeLocale();
    if (locale == locale_t(0)) return c;
    wint_t upper = towupper_l(static_cast<wint_t>(c), locale);
    // Keep the fold inside UTF-8's range whatever the table says.
    if (upper > 0x10FFFF || (upper >= 0xD800 && upper <= 0xDFFF)) return c;
    return static_cast<char32_t>(upper);
}

bool IsAsciiUpperEqual(std::string_view a, std::string_view b) {
    for (size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'a' && x <= 'z') x -= 'a' - 'A';
        if (y >= 'a' && y <= 'z') y -= 'a' - 'A';
        if (x != y) return false;
    }
    return true;
}

bool IsPureAscii(std::string_view text) {
    return std::all_of(text.begin(), text.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// Characters Windows refuses in a file name (the drive colon is handled
// before names are looked at).
bool IsRefusedInName(unsigned char c) {
    if (c < 0x20 || c == 0x7F) return true;
    switch (c) {
    case '<':
    case '>':
    case ':':
    case '"':
    case '|':
    case '?':
    case '*':
        return true;
    default:
        return false;
    }
}

// Names that Windows opens as devices in every directory, whatever the
// extension: "nul.txt" and "CON .log" are devices as much as "NUL" is.
bool IsReservedDeviceName(std::string_view component) {
    std::string_view base = component.substr(0, component.find('.'));
    while (!base.empty() && base.back() == ' ')
        base.remove_suffix(1);
    static constexpr std::array<std::string_view, 7> kNames = {"CON",    "PRN",    "AUX",    "NUL",
                                                               "CLOCK$", "CONIN$", "CONOUT$"};
    for (std::string_view name : kNames)
        if (base.size() == name.size() && IsAsciiUpperEqual(base, name)) return true;
    if (base.size() == 4 && (IsAsciiUpperEqual(base.substr(0, 3), "COM") ||
                             IsAsciiUpperEqual(base.substr(0, 3), "LPT")))
        return base[3] >= '1' && base[3] <= '9';
    return false;
}

std::vector<std::string_view> SplitBackslash(std::string_view text) {
    std::vector<std::string_view> parts;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find('\\', start);
        if (end == std::string_view::npos) end = text.size();
        parts.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return parts;
}

// The components of a canonical path "C:\A\B" (none for "C:\").
std::vector<std::string> CanonicalComponents(std::string_view canonical) {
    std::vector<std::string> components;
    for (std::string_view part : SplitBackslash(canonical.substr(3)))
        if (!part.empty()) components.emplace_back(part);
    return components;
}

// The entry of `directory` that is `name` without regard to case: the exact
// spelling when it exists, else the first match in byte order so that the
// answer does not depend on the order the host lists the folder in.
std::optional<std::string> FindEntry(const fs::path& directory, const std::string& name) {
    std::error_code ec;
    if (fs::symlink_status(directory / name, ec).type() != fs::file_type::not_found && !ec)
        return name;
    std::optional<std::string> best;
    std::string folded = FoldName(name);
    fs::directory_iterator it(directory, ec);
    for (; !ec && it != fs::directory_iterator(); it.increment(ec)) {
        std::string entry = it->path().filename().string();
        if (FoldName(entry) != folded) continue;
        if (!best || entry < *best) best = entry;
    }
    return best;
}

std::optional<std::string> Fail(PathError* error, PathError why) {
    if (error) *error = why;
    return std::nullopt;
}

} // namespace

bool IsValidUtf8(std::string_view text) {
    for (size_t i = 0; i < text.size();) {
        char32_t c;
        size_t n = DecodeUtf8(text, i, &c);
        if (n == 0) return false;
        i += n;
    }
    return true;
}

std::string FoldName(std::string_view name) {
    std::string folded;
    folded.reserve(name.size());
    for (size_t i = 0; i < name.size();) {
        char32_t c;
        size_t n = DecodeUtf8(name, i, &c);
        if (n == 0) {
            // A byte that is not UTF-8 is compared as it stands.
            folded += name[i++];
            continue;
        }
        EncodeUtf8(UpperCase(c), &folded);
        i += n;
    }
    return folded;
}

bool SameName(std::string_view a, std::string_view b) {
    if (IsPureAscii(a) && IsPureAscii(b)) return a.size() == b.size() && IsAsciiUpperEqual(a, b);
    return FoldName(a) == FoldName(b);
}

Disk::Disk(fs::path driveC) {
    std::error_code ec;
    fs::path absolute = fs::absolute(driveC, ec);
    driveC_ = (ec ? driveC : absolute).lexically_normal();
    // "dir/drive_c/" normalises with an empty last element; drop it so that
    // prefix comparisons work on whole components.
    if (!driveC_.has_filename() && driveC_.has_parent_path() && driveC_ != driveC_.root_path())
        driveC_ = driveC_.parent_path();
}

void Disk::SetCurrentDirectory(std::string canonicalPath) {
    if (std::optional<std::string> canonical = Canonical(canonicalPath))
        currentDirectory_ = std::move(*canonical);
}

std::optional<std::string> Disk::Canonical(std::string_view windowsPath) const {
    return Canonical(windowsPath, nullptr);
}

std::optional<std::string> Disk::Canonical(std::string_view path, PathError* error) const {
    if (error) *error = PathError::None;
    if (path.empty() || !IsValidUtf8(path)) return Fail(error, PathError::InvalidName);

    // Windows takes "/" as a separator wherever "\" is allowed.
    std::string text(path);
    std::replace(text.begin(), text.end(), '/', '\\');
    std::string_view rest = text;

    // "\\server\share", "\\.\device" and "\\?\C:\x" name no place on drive C:.
    if (rest.size() >= 2 && rest[0] == '\\' && rest[1] == '\\')
        return Fail(error, PathError::NotOnDrive);

    std::vector<std::string> components;
    bool fromRoot = false;
    if (rest.size() >= 2 && rest[1] == ':') {
        char drive = rest[0];
        bool letter = (drive >= 'a' && drive <= 'z') || (drive >= 'A' && drive <= 'Z');
        if (!letter) return Fail(error, PathError::InvalidName);
        if (drive != 'c' && drive != 'C') return Fail(error, PathError::NotOnDrive);
        rest.remove_prefix(2);
        // "C:name" is relative to the current directory of drive C:.
        fromRoot = !rest.empty() && rest[0] == '\\';
    } else {
        fromRoot = rest[0] == '\\';
    }
    if (!fromRoot) components = CanonicalComponents(currentDirectory_);

    for (std::string_view part : SplitBackslash(rest)) {
        if (part.empty() || part == ".") continue;
        if (part == "..") {
            if (!components.empty()) components.pop_back();
            continue;
        }
        for (char c : part)
            if (IsRefusedInName(static_cast<unsigned char>(c)))
                return Fail(error, PathError::InvalidName);
        // Windows drops trailing dots and blanks from every name; a name of
        // nothing but those ("...", ". ") names the directory itself.
        while (!part.empty() && (part.back() == '.' || part.back() == ' '))
            part.remove_suffix(1);
        if (part.empty()) continue;
        if (part.size() > kMaxComponent) return Fail(error, PathError::TooLong);
        if (IsReservedDeviceName(part)) return Fail(error, PathError::ReservedDevice);
        components.emplace_back(part);
    }

    std::string canonical = "C:\\";
    for (size_t i = 0; i < components.size(); ++i) {
        if (i > 0) canonical += '\\';
        canonical += components[i];
        if (canonical.size() > kMaxPath) return Fail(error, PathError::TooLong);
    }
    return canonical;
}

std::optional<fs::path> Disk::HostPath(std::string_view windowsPath) const {
    return HostPath(windowsPath, nullptr);
}

std::optional<fs::path> Disk::HostPath(std::string_view windowsPath, PathError* error) const {
    std::optional<std::string> canonical = Canonical(windowsPath, error);
    if (!canonical) return std::nullopt;

    std::vector<std::string> components = CanonicalComponents(*canonical);
    fs::path host = driveC_;
    // While the folders on the way exist, follow the host's spelling of each.
    bool existing = true;
    for (size_t i = 0; i < components.size(); ++i) {
        const bool last = i + 1 == components.size();
        if (existing) {
            if (std::optional<std::string> entry = FindEntry(host, components[i])) {
                host /= *entry;
                if (!last) {
                    struct stat st;
                    if (lstat(host.c_str(), &st) != 0) {
                        existing = false;
                    } else if (S_ISLNK(st.st_mode)) {
                        // The machine only links files; a linked folder could
                        // lead anywhere on the host.
                        if (error) *error = PathError::LinkedDirectory;
                        return std::nullopt;
                    } else if (!S_ISDIR(st.st_mode)) {
                        existing = false;
                    }
                }
                continue;
            }
            existing = false;
        }
        host /= components[i];
    }
    return host;
}

std::optional<std::string> Disk::WindowsPath(const fs::path& hostPath) const {
    std::error_code ec;
    fs::path absolute = fs::absolute(hostPath, ec);
    if (ec) return std::nullopt;
    fs::path relative = absolute.lexically_normal().lexically_relative(driveC_);
    if (relative.empty()) return std::nullopt;

    std::string windows = "C:";
    bool any = false;
    for (const fs::path& part : relative) {
        std::string name = part.string();
        if (name.empty() || name == ".") continue;
        if (name == ".." || name.find('\\') != std::string::npos) return std::nullopt;
        windows += '\\';
        windows += name;
        any = true;
    }
    if (!any) windows += '\\';
    // Only a host name that reads back as itself has a Windows path: "a." or
    // "nul" on the host would turn into another name or a device.
    std::optional<std::string> canonical = Canonical(windows);
    if (!canonical || *canonical != windows) return std::nullopt;
    return canonical;
}

} // namespace machine
