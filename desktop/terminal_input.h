// What a terminal sends when a person types or uses the mouse, read into
// key presses, typed text and mouse events: the control characters, the
// escape sequences of xterm-like terminals (and of the Linux console) for
// the cursor, editing and function keys with their modifiers, ESC before a
// key for Alt, and the mouse reports of SGR mode (1006) and of the older
// X10 form.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace desktop {

struct TerminalKey {
    UINT vk = 0;          // the virtual-key code
    UINT modifiers = 0;   // platform::user::kShift | kControl | kAlt
    unsigned char ch = 0; // the character the key types (0 for none)
    bool operator==(const TerminalKey&) const = default;
};

enum class TerminalButton : uint8_t { Left, Middle, Right, None, WheelUp, WheelDown };

struct TerminalMouse {
    TerminalButton button = TerminalButton::None;
    bool press = false;  // a button went down (false: it came up, or a move)
    bool motion = false; // the pointer moved (with `button` held, or None)
    int column = 0;      // the cell, counted from 0
    int row = 0;
    UINT modifiers = 0;
    bool operator==(const TerminalMouse&) const = default;
};

struct TerminalEvent {
    enum class Kind : uint8_t { Key, Text, Mouse };
    Kind kind = Kind::Key;
    TerminalKey key;
    std::string text; // Kind::Text: characters beyond ASCII, UTF-8
    TerminalMouse mouse;
};

class TerminalInputReader {
  public:
    // Reads the bytes that arrived; complete events become available from
    // Take(). A sequence cut by the end of the bytes waits for the rest.
    void Feed(std::string_view bytes);
    // The bytes read so far end in the start of a sequence (a lone ESC is
    // one: it may be the Escape key or the start of an escape sequence).
    bool Incomplete() const { return !pending_.empty(); }
    // Nothing more came for the incomplete sequence: a lone ESC is the
    // Escape key, ESC and one character that key with Alt, anything else is
    // dropped.
    void Flush();
    std::vector<TerminalEvent> Take();

  private:
    // Parses one event at pending_[at]; returns the bytes it took, 0 when
    // the event is incomplete.
    size_t ParseOne(size_t at, bool final);
    size_t ParseEscape(size_t at, bool final);
    size_t ParseCsi(size_t at);
    void AddKey(UINT vk, UINT modifiers, unsigned char ch);

    std::string pending_;
    std::vector<TerminalEvent> events_;
};

// The key a printable ASCII character or a control character types on a
// US keyboard: the virtual key, Shift where the character needs it, Ctrl
// for the control characters. False for bytes no key types.
bool KeyOfCharacter(unsigned char c, TerminalKey* key);

// The screen pixel a mouse report on a cell stands for. The renderer draws
// a window on the cells nearest its edges, so a window drawn on a cell may
// cover only part of it: this point, just left of the centre, lies inside
// every window drawn on the cell.
POINT PointOfCell(int column, int row);

} // namespace desktop
