#include "registry_tree.h"

#include "winerror.h"

namespace machine {
namespace {

constexpr uint32_t kBadByte = 0x80000000u; // marks a byte that is not UTF-8

// Decodes the character at s[i] and moves i past it. A byte that does not
// start a well-formed sequence decodes as kBadByte | byte, so it only ever
// equals the same byte.
uint32_t NextChar(std::string_view s, size_t& i) {
    const auto byte = [&](size_t k) { return static_cast<unsigned char>(s[k]); };
    const uint32_t c = byte(i);
    size_t n = 0;
    uint32_t cp = 0, min = 0;
    if (c < 0x80) {
        ++i;
        return c;
    } else if ((c & 0xE0) == 0xC0) {
        n = 2, cp = c & 0x1F, min = 0x80;
    } else if ((c & 0xF0) == 0xE0) {
        n = 3, cp = c & 0x0F, min = 0x800;
    } else if ((c & 0xF8) == 0xF0) {
        n = 4, cp = c & 0x07, min = 0x10000;
    }
    if (n == 0 || i + n > s.size()) {
        ++i;
        return kBadByte | c;
    }
    for (size_t k = 1; k < n; ++k) {
        if ((byte(i + k) & 0xC0) != 0x80) {
            ++i;
            return kBadByte | c;
        }
        cp = (cp << 6) | (byte(i + k) & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
        ++i;
        return kBadByte | c;
    }
    i += n;
    return cp;
}

// Upper case of the letters Windows folds in names: ASCII, Latin-1,
// Latin Extended-A, Greek and Cyrillic.
uint32_t Fold(uint32_t c) {
    if (c >= 'a' && c <= 'z') return c - 32;
    if (c < 0x80) return c;
    if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return c - 0x20;
    if (c == 0xFF) return 0x178;
    if (c >= 0x100 && c <= 0x17F) {
        // Pairs: upper case on the even code in 0100-0137 and 014A-0177, on
        // the odd code in 0139-0148 and 0179-017E; the rest stand alone.
        const bool evenUpper =
            (c <= 0x137 && c != 0x130 && c != 0x131) || (c >= 0x14A && c <= 0x177);
        const bool oddUpper = (c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E);
        if (evenUpper && (c & 1)) return c - 1;
        if (oddUpper && !(c & 1)) return c - 1;
        return c;
    }
    if (c == 0x3C2) return 0x3A3; // final sigma
    if (c >= 0x3B1 && c <= 0x3CB) return c - 0x20;
    if (c >= 0x430 && c <= 0x44F) return c - 0x20;
    if (c >= 0x450 && c <= 0x45F) return c - 0x50;
    return c;
}

// ERROR_SUCCESS when `name` can name a key (no backslash, not empty) or a
// value: well-formed UTF-8, no control characters, at most kMaxNameLength
// characters.
long CheckName(std::string_view name, bool keyName) {
    if (keyName && name.empty()) return ERROR_BAD_PATHNAME;
    size_t length = 0;
    for (size_t i = 0; i < name.size();) {
        const uint32_t c = NextChar(name, i);
        if ((c & kBadByte) || c < 0x20 || (keyName && c == '\\')) return ERROR_INVALID_PARAMETER;
        // Characters outside the basic plane count twice, as in UTF-16.
        length += c > 0xFFFF ? 2 : 1;
    }
    return length > Registry::kMaxNameLength ? ERROR_INVALID_PARAMETER : ERROR_SUCCESS;
}

// The path without one trailing backslash, which Windows ignores.
std::string_view TrimPath(std::string_view path) {
    if (path.size() > 1 && path.back() == '\\') path.remove_suffix(1);
    return path;
}

} // namespace

bool Registry::NamesEqual(std::string_view a, std::string_view b) {
    size_t i = 0, k = 0;
    while (i < a.size() && k < b.size())
        if (Fold(NextChar(a, i)) != Fold(NextChar(b, k))) return false;
    return i == a.size() && k == b.size();
}

const char* Registry::RootName(RegistryRoot root) {
    return root == RegistryRoot::LocalMachine ? "HKEY_LOCAL_MACHINE" : "HKEY_CURRENT_USER";
}

long Registry::CheckPath(std::string_view path) {
    if (path.empty()) return ERROR_SUCCESS;
    path = TrimPath(path);
    size_t depth = 0;
    for (size_t start = 0;;) {
        const size_t end = path.find('\\', start);
        const std::string_view part = path.substr(
            start, end == std::string_view::npos ? std::string_view::npos : end - start);
        if (long rc = CheckName(part, true)) return rc;
        if (++depth > kMaxDepth) return ERROR_INVALID_PARAMETER;
        if (end == std::string_view::npos) return ERROR_SUCCESS;
        start = end + 1;
    }
}

namespace registry_detail {

long CheckValueName(std::string_view name) {
    return CheckName(name, false);
}

Key* Key::FindSubkey(std::string_view subkeyName) {
    for (Key& k : subkeys)
        if (Registry::NamesEqual(k.name, subkeyName)) return &k;
    return nullptr;
}

RegistryValue* Key::FindValue(std::string_view valueName) {
    for (RegistryValue& v : values)
        if (Registry::NamesEqual(v.name, valueName)) return &v;
    return nullptr;
}

std::vector<std::string_view> SplitPath(std::string_view path) {
    std::vector<std::string_view> parts;
    if (path.empty()) return parts;
    path = TrimPath(path);
    for (size_t start = 0;;) {
        const size_t end = path.find('\\', start);
        if (end == std::string_view::npos) {
            parts.push_back(path.substr(start));
            return parts;
        }
        parts.push_back(path.substr(start, end - start));
        start = end + 1;
    }
}

Key* FindKey(Tree& tree, RegistryRoot root, const std::vector<std::string_view>& parts) {
    Key* key = &tree.Root(root);
    for (std::string_view part : parts)
        if ((key = key->FindSubkey(part)) == nullptr) return nullptr;
    return key;
}

Key* MakeKey(Tree& tree, RegistryRoot root, const std::vector<std::string_view>& parts,
             bool* created) {
    Key* key = &tree.Root(root);
    bool made = false;
    for (std::string_view part : parts) {
        Key* next = key->FindSubkey(part);
        if (next == nullptr) {
            key->subkeys.push_back(Key{std::string(part), {}, {}});
            next = &key->subkeys.back();
            made = true;
        }
        key = next;
    }
    if (created) *created = made;
    return key;
}

bool RemoveKey(Tree& tree, RegistryRoot root, const std::vector<std::string_view>& parts) {
    if (parts.empty()) return false;
    Key* parent = FindKey(tree, root, {parts.begin(), parts.end() - 1});
    if (parent == nullptr) return false;
    for (auto it = parent->subkeys.begin(); it != parent->subkeys.end(); ++it) {
        if (Registry::NamesEqual(it->name, parts.back())) {
            parent->subkeys.erase(it);
            return true;
        }
    }
    return false;
}

void PutValue(Key& key, const RegistryValue& value) {
    if (RegistryValue* old = key.FindValue(value.name)) {
        old->type = value.type;
        old->data = value.data;
    } else {
        key.values.push_back(value);
    }
}

} // namespace registry_detail
} // namespace machine
