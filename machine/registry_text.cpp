// The REGEDIT4 text form: reading a .reg file into the tree, writing the tree
// as the registry editor exports it, and the data part of a value line.
#include "registry_tree.h"

#include "winerror.h"

#include <cstdio>

namespace machine {
namespace {

using registry_detail::Key;
using registry_detail::Tree;

constexpr uint32_t kRegSz = 1;
constexpr uint32_t kRegBinary = 3;
constexpr uint32_t kRegDword = 4;

// The registry editor wraps hex data so that no line passes 80 columns: a
// line breaks after the comma that brings it to this width or beyond, and
// goes on on the next line after two blanks.
constexpr size_t kHexWrapColumn = 77;

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && IsBlank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back()))
        s.remove_suffix(1);
    return s;
}

bool StartsWithNoCase(std::string_view s, std::string_view prefix) {
    if (s.size() < prefix.size()) return false;
    for (size_t i = 0; i < prefix.size(); ++i) {
        char c = s[i];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if (c != prefix[i]) return false;
    }
    return true;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// A hex number of 1 to 8 digits, nothing else.
bool ParseHexNumber(std::string_view s, uint32_t* out) {
    if (s.empty() || s.size() > 8) return false;
    uint32_t n = 0;
    for (char c : s) {
        const int d = HexDigit(c);
        if (d < 0) return false;
        n = (n << 4) | static_cast<uint32_t>(d);
    }
    *out = n;
    return true;
}

// The text between the quote at s[0] and its closing quote, with \\ and \"
// undone. `rest` gets what follows the closing quote.
bool ParseQuoted(std::string_view s, std::string* out, std::string_view* rest, std::string* error) {
    out->clear();
    for (size_t i = 1; i < s.size(); ++i) {
        const char c = s[i];
        if (c == '"') {
            *rest = s.substr(i + 1);
            return true;
        }
        if (c == '\\') {
            if (i + 1 >= s.size()) break;
            const char next = s[++i];
            if (next != '\\' && next != '"') {
                *error = std::string("unknown escape \\") + next + " (write \\\\ for a backslash)";
                return false;
            }
            out->push_back(next);
        } else {
            out->push_back(c);
        }
    }
    *error = "no closing quote";
    return false;
}

bool ParseHexList(std::string_view s, std::vector<uint8_t>* data, std::string* error) {
    data->clear();
    s = Trim(s);
    if (s.empty()) return true;
    for (size_t start = 0;;) {
        const size_t comma = s.find(',', start);
        const std::string_view item = Trim(s.substr(
            start, comma == std::string_view::npos ? std::string_view::npos : comma - start));
        uint32_t byte = 0;
        if (item.size() > 2 || !ParseHexNumber(item, &byte)) {
            *error = "\"" + std::string(item.substr(0, 16)) + "\" is not a hex byte";
            return false;
        }
        if (data->size() >= Registry::kMaxDataSize) {
            *error = "value data larger than " + std::to_string(Registry::kMaxDataSize) + " bytes";
            return false;
        }
        data->push_back(static_cast<uint8_t>(byte));
        if (comma == std::string_view::npos) return true;
        start = comma + 1;
    }
}

std::string Escape(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        if (c == '\\' || c == '"') out += '\\';
        out += c;
    }
    return out;
}

bool IsWellFormedUtf8(std::string_view s) {
    for (size_t i = 0; i < s.size();) {
        const unsigned char c = static_cast<unsigned char>(s[i]);
        size_t n = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
        if (n == 0 || i + n > s.size()) return false;
        uint32_t cp = n == 1 ? c : c & (0x7F >> n);
        for (size_t k = 1; k < n; ++k) {
            const unsigned char t = static_cast<unsigned char>(s[i + k]);
            if ((t & 0xC0) != 0x80) return false;
            cp = (cp << 6) | (t & 0x3F);
        }
        static const uint32_t kMin[] = {0, 0, 0x80, 0x800, 0x10000};
        if (cp < kMin[n] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
        i += n;
    }
    return true;
}

// The string a REG_SZ value holds when the quoted form carries it exactly:
// one terminator at the end, none inside, no line break, well-formed UTF-8.
bool StringForm(const RegistryValue& v, std::string_view* text) {
    if (v.type != kRegSz || v.data.empty() || v.data.back() != 0) return false;
    const std::string_view s(reinterpret_cast<const char*>(v.data.data()), v.data.size() - 1);
    if (s.find_first_of(std::string_view("\0\r\n", 3)) != std::string_view::npos) return false;
    if (!IsWellFormedUtf8(s)) return false;
    *text = s;
    return true;
}

// The data part of a value line. With `column` set (the width of what
// precedes it on the line), long hex data is wrapped as the editor wraps it.
std::string DataText(const RegistryValue& v, const size_t* column) {
    std::string_view text;
    if (StringForm(v, &text)) return "\"" + Escape(text) + "\"";
    char buf[32];
    if (v.type == kRegDword && v.data.size() == 4) {
        const uint32_t n = v.data[0] | (v.data[1] << 8) | (v.data[2] << 16) |
                           (static_cast<uint32_t>(v.data[3]) << 24);
        std::snprintf(buf, sizeof buf, "dword:%08x", n);
        return buf;
    }
    std::string out;
    if (v.type == kRegBinary) {
        out = "hex:";
    } else {
        std::snprintf(buf, sizeof buf, "hex(%x):", static_cast<unsigned>(v.type));
        out = buf;
    }
    out.reserve(out.size() + v.data.size() * 3 + v.data.size() / 8);
    size_t col = column ? *column + out.size() : 0;
    static const char kDigits[] = "0123456789abcdef";
    for (size_t i = 0; i < v.data.size(); ++i) {
        out += kDigits[v.data[i] >> 4];
        out += kDigits[v.data[i] & 15];
        if (i + 1 == v.data.size()) break;
        out += ',';
        col += 3;
        if (column && col >= kHexWrapColumn) {
            out += "\\\r\n  ";
            col = 2;
        }
    }
    return out;
}

std::string ValueLine(const RegistryValue& v) {
    std::string line = v.name.empty() ? "@=" : "\"" + Escape(v.name) + "\"=";
    const size_t column = line.size();
    line += DataText(v, &column);
    line += "\r\n";
    return line;
}

void ExportKey(const std::string& path, const Key& key, std::string* out) {
    *out += "[" + path + "]\r\n";
    for (const RegistryValue& v : key.values)
        *out += ValueLine(v);
    *out += "\r\n";
    for (const Key& sub : key.subkeys)
        ExportKey(path + "\\" + sub.name, sub, out);
}

// A value line: `"name"=DATA`, `@=DATA`, or `"name"=-` to delete the value.
bool ParseValueLine(std::string_view line, RegistryValue* value, bool* remove, std::string* error) {
    std::string_view rest;
    if (line.empty()) {
        *error = "empty value line";
        return false;
    }
    if (line.front() == '@') {
        value->name.clear();
        rest = line.substr(1);
    } else if (line.front() == '"') {
        std::string why;
        if (!ParseQuoted(line, &value->name, &rest, &why)) {
            *error = "value name: " + why;
            return false;
        }
        if (long rc = registry_detail::CheckValueName(value->name); rc != ERROR_SUCCESS) {
            *error = "value name is longer than " + std::to_string(Registry::kMaxNameLength) +
                     " characters or holds control characters or broken UTF-8";
            return false;
        }
    } else {
        *error = "value name is not in double quotes";
        return false;
    }
    rest = Trim(rest);
    if (rest.empty() || rest.front() != '=') {
        *error = "no '=' after the value name";
        return false;
    }
    rest = Trim(rest.substr(1));
    *remove = rest == "-";
    return *remove || ParseRegData(rest, value, error);
}

std::vector<std::string_view> SplitLines(std::string_view text) {
    std::vector<std::string_view> lines;
    for (size_t start = 0; start <= text.size();) {
        size_t end = text.find('\n', start);
        if (end == std::string_view::npos) end = text.size();
        std::string_view line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        lines.push_back(line);
        start = end + 1;
    }
    return lines;
}

bool RootByName(std::string_view name, RegistryRoot* root) {
    for (RegistryRoot r : {RegistryRoot::LocalMachine, RegistryRoot::CurrentUser}) {
        if (Registry::NamesEqual(name, Registry::RootName(r))) {
            *root = r;
            return true;
        }
    }
    return false;
}

} // namespace

bool ParseRegData(std::string_view text, RegistryValue* out, std::string* error) {
    text = Trim(text);
    if (!text.empty() && text.front() == '"') {
        std::string s;
        std::string_view rest;
        if (!ParseQuoted(text, &s, &rest, error)) {
            *error = "string: " + *error;
            return false;
        }
        if (!Trim(rest).empty()) {
            *error = "text after the closing quote";
            return false;
        }
        if (s.size() >= Registry::kMaxDataSize) {
            *error = "value data larger than " + std::to_string(Registry::kMaxDataSize) + " bytes";
            return false;
        }
        out->type = kRegSz;
        out->data.assign(s.begin(), s.end());
        out->data.push_back(0);
        return true;
    }
    if (StartsWithNoCase(text, "dword:")) {
        uint32_t n = 0;
        if (!ParseHexNumber(Trim(text.substr(6)), &n)) {
            *error = "dword: needs 1 to 8 hex digits";
            return false;
        }
        out->type = kRegDword;
        out->data = {static_cast<uint8_t>(n), static_cast<uint8_t>(n >> 8),
                     static_cast<uint8_t>(n >> 16), static_cast<uint8_t>(n >> 24)};
        return true;
    }
    if (StartsWithNoCase(text, "hex:")) {
        out->type = kRegBinary;
        return ParseHexList(text.substr(4), &out->data, error);
    }
    if (StartsWithNoCase(text, "hex(")) {
        const size_t close = text.find("):");
        uint32_t type = 0;
        if (close == std::string_view::npos || !ParseHexNumber(text.substr(4, close - 4), &type)) {
            *error = "hex(N): needs a type N of 1 to 8 hex digits";
            return false;
        }
        out->type = type;
        return ParseHexList(text.substr(close + 2), &out->data, error);
    }
    *error = "data is none of \"text\", dword:, hex:, hex(N):";
    return false;
}

std::string FormatRegData(const RegistryValue& value) {
    return DataText(value, nullptr);
}

namespace registry_detail {

bool ApplyText(std::string_view text, Tree* tree, bool strict, const std::string& fileName,
               std::string* message) {
    message->clear();
    // Strict: the first fault ends the reading. Lenient: it is noted and the
    // line skipped, as the registry editor skips what it cannot read.
    const auto fault = [&](size_t lineNo, const std::string& what) {
        if (strict) {
            *message = fileName + ":" + std::to_string(lineNo) + ": " + what;
            return false;
        }
        *message += "line " + std::to_string(lineNo) + ": " + what + "\n";
        return true;
    };

    if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
    const std::vector<std::string_view> lines = SplitLines(text);
    if (Trim(lines[0]) != "REGEDIT4") {
        if (strict) {
            fault(1, "the first line is not REGEDIT4");
        } else {
            *message = "line 1: not a REGEDIT4 registry file";
        }
        return false;
    }

    Key* current = nullptr;
    // Why there is no current key: none yet, the key line was refused (and
    // reported), or it deleted the key.
    enum class NoKey { NotYet, Refused, Deleted } noKey = NoKey::NotYet;
    for (size_t i = 1; i < lines.size(); ++i) {
        const size_t lineNo = i + 1;
        const std::string_view line = Trim(lines[i]);
        if (line.empty() || line.front() == ';') continue;

        if (line.front() == '[') {
            current = nullptr;
            noKey = NoKey::Refused;
            if (line.back() != ']' || line.size() < 2) {
                if (!fault(lineNo, "key line has no closing ]")) return false;
                continue;
            }
            std::string_view inner = line.substr(1, line.size() - 2);
            const bool remove = !inner.empty() && inner.front() == '-';
            if (remove) inner.remove_prefix(1);
            const size_t slash = inner.find('\\');
            const std::string_view rootName = inner.substr(0, slash);
            const std::string_view path =
                slash == std::string_view::npos ? std::string_view() : inner.substr(slash + 1);
            RegistryRoot root;
            if (!RootByName(rootName, &root)) {
                if (!fault(lineNo, "unknown root key \"" + std::string(rootName.substr(0, 40)) +
                                       "\" (HKEY_LOCAL_MACHINE or HKEY_CURRENT_USER)"))
                    return false;
                continue;
            }
            if (slash != std::string_view::npos && Registry::CheckPath(path) != ERROR_SUCCESS) {
                if (!fault(lineNo, "bad key name (an empty name, a name longer than " +
                                       std::to_string(Registry::kMaxNameLength) +
                                       " characters, control characters or broken UTF-8)"))
                    return false;
                continue;
            }
            const std::vector<std::string_view> parts = SplitPath(path);
            if (remove) {
                if (parts.empty()) {
                    if (!fault(lineNo, "a root key cannot be deleted")) return false;
                    continue;
                }
                RemoveKey(*tree, root, parts);
                noKey = NoKey::Deleted;
                continue;
            }
            current = MakeKey(*tree, root, parts, nullptr);
            continue;
        }

        // A value line, with its continuation lines: hex data goes on on the
        // next line after a trailing backslash.
        std::string joined(line);
        while (!joined.empty() && joined.back() == '\\') {
            joined.pop_back();
            if (i + 1 >= lines.size()) {
                if (!fault(lineNo, "the last line ends in a continuation backslash")) return false;
                break;
            }
            joined += Trim(lines[++i]);
        }
        RegistryValue value;
        bool remove = false;
        std::string why;
        if (!ParseValueLine(joined, &value, &remove, &why)) {
            if (!fault(lineNo, why)) return false;
            continue;
        }
        if (current == nullptr) {
            // Under a refused key line the refusal was reported already.
            if (noKey == NoKey::NotYet && !fault(lineNo, "value line before the first key line"))
                return false;
            if (noKey == NoKey::Deleted && !fault(lineNo, "value line under a [-key] line"))
                return false;
            continue;
        }
        if (remove) {
            for (auto it = current->values.begin(); it != current->values.end(); ++it) {
                if (Registry::NamesEqual(it->name, value.name)) {
                    current->values.erase(it);
                    break;
                }
            }
        } else {
            PutValue(*current, value);
        }
    }
    return true;
}

std::string ExportText(const Tree& tree) {
    std::string out = "REGEDIT4\r\n\r\n";
    ExportKey(tree.localMachine.name, tree.localMachine, &out);
    ExportKey(tree.currentUser.name, tree.currentUser, &out);
    return out;
}

} // namespace registry_detail
} // namespace machine
