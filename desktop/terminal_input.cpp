#include "terminal_input.h"

#include "user/input.h"

#include <cstdlib>

namespace desktop {
namespace {

using platform::user::kAlt;
using platform::user::kControl;
using platform::user::kShift;

// Virtual keys the platform's header leaves out: Insert, and the function
// keys, which follow F1 in order.
constexpr UINT kVkInsert = 0x2D;
constexpr UINT FunctionKey(int n) {
    return VK_F1 + static_cast<UINT>(n - 1);
}

// Virtual keys of the punctuation keys of a US keyboard.
constexpr UINT kVkOem1 = 0xBA;      // ; :
constexpr UINT kVkOemPlus = 0xBB;   // = +
constexpr UINT kVkOemComma = 0xBC;  // , <
constexpr UINT kVkOemMinus = 0xBD;  // - _
constexpr UINT kVkOemPeriod = 0xBE; // . >
constexpr UINT kVkOem2 = 0xBF;      // / ?
constexpr UINT kVkOem3 = 0xC0;      // ` ~
constexpr UINT kVkOem4 = 0xDB;      // [ {
constexpr UINT kVkOem5 = 0xDC;      // \ |
constexpr UINT kVkOem6 = 0xDD;      // ] }
constexpr UINT kVkOem7 = 0xDE;      // ' "

struct Punctuation {
    char plain, shifted;
    UINT vk;
};
constexpr Punctuation kPunctuation[] = {
    {';', ':', kVkOem1},     {'=', '+', kVkOemPlus},   {',', '<', kVkOemComma},
    {'-', '_', kVkOemMinus}, {'.', '>', kVkOemPeriod}, {'/', '?', kVkOem2},
    {'`', '~', kVkOem3},     {'[', '{', kVkOem4},      {'\\', '|', kVkOem5},
    {']', '}', kVkOem6},     {'\'', '"', kVkOem7},
};
// The characters Shift types on the digit keys, from 0 to 9.
constexpr char kShiftedDigits[] = ")!@#$%^&*(";

// The modifier bits of xterm's parameter (1 + shift 1, alt 2, ctrl 4, meta 8).
UINT ModifiersOf(int parameter) {
    if (parameter < 2) return 0;
    const int bits = parameter - 1;
    UINT m = 0;
    if (bits & 1) m |= kShift;
    if (bits & (2 | 8)) m |= kAlt;
    if (bits & 4) m |= kControl;
    return m;
}

// Decimal parameters separated by ';'; an empty one reads as 0. Parameters
// are kept small, so a long run of digits cannot overflow.
std::vector<int> Parameters(std::string_view text) {
    std::vector<int> out(1, 0);
    for (char c : text) {
        if (c == ';') {
            out.push_back(0);
        } else if (c >= '0' && c <= '9') {
            if (out.back() < 100000) out.back() = out.back() * 10 + (c - '0');
        }
    }
    return out;
}

// The keys of "ESC [ n ~".
UINT TildeKey(int code, UINT* modifiers) {
    switch (code) {
    case 1:
    case 7:
        return VK_HOME;
    case 2:
        return kVkInsert;
    case 3:
        return VK_DELETE;
    case 4:
    case 8:
        return VK_END;
    case 5:
        return VK_PRIOR;
    case 6:
        return VK_NEXT;
    case 11:
    case 12:
    case 13:
    case 14:
    case 15:
        return FunctionKey(1 + code - 11);
    case 17:
    case 18:
    case 19:
    case 20:
    case 21:
        return FunctionKey(6 + code - 17);
    case 23:
    case 24:
        return FunctionKey(11 + code - 23);
    case 29:
        return VK_APPS; // the menu key
    case 34:
        // The Linux console's Shift+F10.
        *modifiers |= kShift;
        return VK_F10;
    default:
        return 0;
    }
}

// The keys of "ESC [ ... X" and "ESC O X" by their final letter.
UINT LetterKey(char final) {
    switch (final) {
    case 'A':
        return VK_UP;
    case 'B':
        return VK_DOWN;
    case 'C':
        return VK_RIGHT;
    case 'D':
        return VK_LEFT;
    case 'H':
        return VK_HOME;
    case 'F':
        return VK_END;
    case 'P':
        return FunctionKey(1);
    case 'Q':
        return FunctionKey(2);
    case 'R':
        return FunctionKey(3);
    case 'S':
        return FunctionKey(4);
    default:
        return 0;
    }
}

// The character a key with no printable meaning still types, as Windows
// reports it with the key.
unsigned char CharacterOfVirtualKey(UINT vk) {
    switch (vk) {
    case VK_RETURN:
        return '\r';
    case VK_TAB:
        return '\t';
    case VK_ESCAPE:
        return 0x1B;
    case VK_BACK:
        return 0x08;
    default:
        return 0;
    }
}

TerminalButton ButtonOf(int code) {
    if (code & 64) return (code & 1) ? TerminalButton::WheelDown : TerminalButton::WheelUp;
    switch (code & 3) {
    case 0:
        return TerminalButton::Left;
    case 1:
        return TerminalButton::Middle;
    case 2:
        return TerminalButton::Right;
    default:
        return TerminalButton::None;
    }
}

UINT MouseModifiers(int code) {
    UINT m = 0;
    if (code & 4) m |= kShift;
    if (code & 8) m |= kAlt;
    if (code & 16) m |= kControl;
    return m;
}

} // namespace

bool KeyOfCharacter(unsigned char c, TerminalKey* key) {
    *key = TerminalKey{};
    if (c >= 'a' && c <= 'z') {
        *key = {static_cast<UINT>(c - 'a' + 'A'), 0, c};
    } else if (c >= 'A' && c <= 'Z') {
        *key = {c, kShift, c};
    } else if (c >= '0' && c <= '9') {
        *key = {c, 0, c};
    } else if (c == ' ') {
        *key = {VK_SPACE, 0, ' '};
    } else if (c == '\t') {
        *key = {VK_TAB, 0, '\t'};
    } else if (c == '\r' || c == '\n') {
        *key = {VK_RETURN, 0, '\r'};
    } else if (c == 0x7F || c == 0x08) {
        *key = {VK_BACK, 0, 0x08};
    } else if (c >= 0x01 && c <= 0x1A) {
        // Ctrl+A ... Ctrl+Z type 0x01 ... 0x1A.
        *key = {static_cast<UINT>('A' + c - 1), kControl, c};
    } else {
        for (int d = 0; d < 10; ++d)
            if (kShiftedDigits[d] == c) {
                *key = {static_cast<UINT>('0' + d), kShift, c};
                return true;
            }
        for (const Punctuation& p : kPunctuation) {
            if (p.plain == static_cast<char>(c)) *key = {p.vk, 0, c};
            if (p.shifted == static_cast<char>(c)) *key = {p.vk, kShift, c};
        }
        return key->vk != 0;
    }
    return true;
}

POINT PointOfCell(int column, int row) {
    using platform::user::kCellHeight;
    using platform::user::kCellWidth;
    return {column * kCellWidth + (kCellWidth - 1) / 2, row * kCellHeight + kCellHeight / 2};
}

void TerminalInputReader::AddKey(UINT vk, UINT modifiers, unsigned char ch) {
    TerminalEvent e;
    e.kind = TerminalEvent::Kind::Key;
    e.key = {vk, modifiers, ch};
    events_.push_back(std::move(e));
}

void TerminalInputReader::Feed(std::string_view bytes) {
    pending_.append(bytes);
    size_t at = 0;
    while (at < pending_.size()) {
        const size_t used = ParseOne(at, false);
        if (used == 0) break;
        at += used;
    }
    pending_.erase(0, at);
}

void TerminalInputReader::Flush() {
    size_t at = 0;
    while (at < pending_.size())
        at += ParseOne(at, true);
    pending_.clear();
}

std::vector<TerminalEvent> TerminalInputReader::Take() {
    std::vector<TerminalEvent> out;
    out.swap(events_);
    return out;
}

size_t TerminalInputReader::ParseOne(size_t at, bool final) {
    const unsigned char b = static_cast<unsigned char>(pending_[at]);
    if (b == 0x1B) return ParseEscape(at, final);
    if (b >= 0x80) {
        // A character beyond ASCII, typed as text.
        const size_t length = b >= 0xF0 && b < 0xF8   ? 4
                              : b >= 0xE0 && b < 0xF0 ? 3
                              : b >= 0xC0 && b < 0xE0 ? 2
                                                      : 0;
        if (length == 0) return 1; // not the start of a character
        if (at + length > pending_.size()) return final ? pending_.size() - at : 0;
        for (size_t k = 1; k < length; ++k)
            if ((static_cast<unsigned char>(pending_[at + k]) & 0xC0) != 0x80) return k;
        if (!events_.empty() && events_.back().kind == TerminalEvent::Kind::Text) {
            events_.back().text.append(pending_, at, length);
        } else {
            TerminalEvent e;
            e.kind = TerminalEvent::Kind::Text;
            e.text = pending_.substr(at, length);
            events_.push_back(std::move(e));
        }
        return length;
    }
    TerminalKey key;
    if (KeyOfCharacter(b, &key)) AddKey(key.vk, key.modifiers, key.ch);
    return 1;
}

size_t TerminalInputReader::ParseEscape(size_t at, bool final) {
    const size_t left = pending_.size() - at;
    if (left < 2) {
        if (!final) return 0;
        AddKey(VK_ESCAPE, 0, 0x1B);
        return 1;
    }
    const char c = pending_[at + 1];
    if (c == '[') {
        const size_t used = ParseCsi(at);
        if (used != 0 || !final) return used;
        if (left == 2) {
            AddKey(kVkOem4, kAlt, '['); // Alt+[
            return 2;
        }
        return left; // a sequence that never ended
    }
    if (c == 'O') {
        if (left < 3) {
            if (!final) return 0;
            AddKey('O', kAlt | kShift, 'O');
            return 2;
        }
        // "ESC O X", in some terminals with a modifier digit before X.
        size_t i = at + 2;
        UINT modifiers = 0;
        if (pending_[i] >= '1' && pending_[i] <= '9') {
            if (left < 4) return final ? left : 0;
            modifiers = ModifiersOf(pending_[i] - '0');
            ++i;
        }
        const char letter = pending_[i];
        UINT vk = letter == 'M' ? VK_RETURN : LetterKey(letter);
        if (vk != 0) AddKey(vk, modifiers, CharacterOfVirtualKey(vk));
        return i + 1 - at;
    }
    if (c == 0x1B) {
        AddKey(VK_ESCAPE, 0, 0x1B);
        return 1;
    }
    // ESC before a key: the key with Alt.
    TerminalKey key;
    if (static_cast<unsigned char>(c) < 0x80 &&
        KeyOfCharacter(static_cast<unsigned char>(c), &key)) {
        // Alt+letter types the letter as the menus and mnemonics read it.
        AddKey(key.vk, key.modifiers | kAlt, key.ch);
        return 2;
    }
    AddKey(VK_ESCAPE, 0, 0x1B);
    return 1;
}

size_t TerminalInputReader::ParseCsi(size_t at) {
    constexpr size_t kLongest = 64;
    const size_t start = at + 2;
    if (start >= pending_.size()) return 0;
    // The Linux console's F1 to F5: "ESC [ [ A" ... "ESC [ [ E".
    if (pending_[start] == '[') {
        if (start + 1 >= pending_.size()) return 0;
        const char letter = pending_[start + 1];
        if (letter >= 'A' && letter <= 'E') AddKey(FunctionKey(1 + letter - 'A'), 0, 0);
        return start + 2 - at;
    }
    // The X10 mouse report: "ESC [ M" and three bytes, each 32 more than
    // its value.
    if (pending_[start] == 'M') {
        if (start + 3 >= pending_.size()) return 0;
        const int code = static_cast<unsigned char>(pending_[start + 1]) - 32;
        const int column = static_cast<unsigned char>(pending_[start + 2]) - 33;
        const int row = static_cast<unsigned char>(pending_[start + 3]) - 33;
        TerminalEvent e;
        e.kind = TerminalEvent::Kind::Mouse;
        e.mouse.button = ButtonOf(code);
        e.mouse.motion = (code & 32) != 0;
        // This form does not say which button came up.
        e.mouse.press = !e.mouse.motion && e.mouse.button != TerminalButton::None;
        e.mouse.column = column;
        e.mouse.row = row;
        e.mouse.modifiers = MouseModifiers(code);
        events_.push_back(std::move(e));
        return start + 4 - at;
    }
    size_t i = start;
    while (i < pending_.size() && pending_[i] >= 0x20 && pending_[i] <= 0x3F)
        ++i;
    if (i >= pending_.size()) return i - at > kLongest ? i - at : 0;
    const char final = pending_[i];
    const size_t used = i + 1 - at;
    if (final < 0x40 || final > 0x7E) return i - at; // not a sequence: drop what was read
    const std::string_view params(pending_.data() + start, i - start);

    if (!params.empty() && params[0] == '<') {
        // SGR mouse report: "ESC [ < code ; column ; row M" (m: released).
        if (final != 'M' && final != 'm') return used;
        const std::vector<int> p = Parameters(params.substr(1));
        if (p.size() < 3) return used;
        TerminalEvent e;
        e.kind = TerminalEvent::Kind::Mouse;
        e.mouse.button = ButtonOf(p[0]);
        e.mouse.motion = (p[0] & 32) != 0;
        e.mouse.press = final == 'M' && !e.mouse.motion;
        e.mouse.column = p[1] - 1;
        e.mouse.row = p[2] - 1;
        e.mouse.modifiers = MouseModifiers(p[0]);
        events_.push_back(std::move(e));
        return used;
    }
    if (!params.empty() && (params[0] < '0' || params[0] > ';')) return used; // private replies
    const std::vector<int> p = Parameters(params);
    UINT modifiers = p.size() >= 2 ? ModifiersOf(p[1]) : 0;
    UINT vk = 0;
    if (final == '~')
        vk = TildeKey(p[0], &modifiers);
    else if (final == 'Z')
        vk = VK_TAB, modifiers |= kShift;
    else
        vk = LetterKey(final);
    if (vk != 0) AddKey(vk, modifiers, (modifiers & kControl) ? 0 : CharacterOfVirtualKey(vk));
    return used;
}

} // namespace desktop
