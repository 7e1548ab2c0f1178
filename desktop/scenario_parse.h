// The scenario language (docs/scenarios.md): a script's text turned into
// commands, one a line, checked before anything runs so that a wrong script
// is refused with its line number before the program starts.
#pragma once

#include "registry.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace desktop::scenario {

enum class Op {
    // Setup: only before the first other line.
    Machine,    // section key value
    RegSet,     // regRoot regPath regValue
    RegDelete,  // regRoot regPath [regName]
    Ini,        // text=PATH section key iniValue (nothing: delete)
    FileDelete, // text=PATH
    FilePut,    // text=PATH hostFile

    // The user.
    TrayClick,
    TrayDoubleClick,
    TrayRightClick,
    MenuChoose, // number=ID or text=TEXT
    MenuDismiss,
    Click,       // control
    DoubleClick, // control
    RightClick,  // control
    Tab,         // number=N or text=TITLE
    Slide,       // control number=POS
    Pick,        // control, number=N or text=TEXT
    Type,        // control text
    Key,         // keys
    Point,       // control dx dy (dialog units)
    Press,
    Release,
    LeftClick,
    Help, // control
    Close,
    Answer, // number=IDOK, IDCANCEL, IDYES or IDNO

    // The outside world.
    Wait, // number=MS
    Post, // text=CLASS, message or messageName, wParam, lParam
    Copy, // text=COMMAND LINE
    TaskbarRestart,
    Mixer, // words: not supported yet

    // Expectations.
    ExpectWindow, // text
    ExpectNoWindow,
    ExpectTray,
    ExpectNoTray,
    ExpectTabs,    // items
    ExpectTab,     // text
    ExpectChecked, // control
    ExpectUnchecked,
    ExpectEnabled,
    ExpectDisabled,
    ExpectVisible,
    ExpectHidden,
    ExpectPos,      // control number
    ExpectRange,    // control number=MIN number2=MAX
    ExpectText,     // control text
    ExpectSelected, // control number
    ExpectFocus,    // control
    ExpectMsgbox,   // text
    ExpectMenu,     // items
    ExpectCursor,   // text: arrow, wait or hand
    ExpectUncut,    // no text on the screen is cut
    ExpectReg,      // regRoot regPath regValue (its name and data)
    ExpectNoReg,    // regRoot regPath [regName]
    ExpectFile,     // text=PATH [number=BYTES]
    ExpectNoFile,   // text=PATH
    ExpectDebug,    // text
    ExpectExit,     // number=CODE
    ExpectRunning,

    // Output.
    Screen,
};

// One key of a `key` line: the virtual key, the modifiers held with it
// (platform::user::kShift, kControl, kAlt) and the character it types.
struct KeyStroke {
    unsigned vk = 0;
    unsigned modifiers = 0;
    unsigned char ch = 0;
    bool operator==(const KeyStroke&) const = default;
};

struct Command {
    Op op = Op::Screen;
    int line = 0;       // 1-based line of the script
    std::string source; // the line as written, without comment and outer blanks

    unsigned control = 0; // the control id of control lines
    std::optional<int64_t> number;
    std::optional<int64_t> number2;
    std::string text;
    std::vector<std::string> items; // expect tabs, expect menu; mixer's words
    int dx = 0, dy = 0;             // point, in dialog units
    std::vector<KeyStroke> keys;

    // post: the message by number, or by a registered message's name.
    unsigned message = 0;
    std::string messageName;
    uint32_t wParam = 0;
    uint32_t lParam = 0;

    // machine, ini
    std::string section, key;
    std::string value;                   // machine
    std::optional<std::string> iniValue; // ini: nothing deletes the key
    std::string hostFile;                // file put

    // reg lines, expect reg, expect no-reg
    machine::RegistryRoot regRoot = machine::RegistryRoot::LocalMachine;
    std::string regPath;
    std::optional<std::string> regName; // reg delete / expect no-reg: nothing names the key
    machine::RegistryValue regValue;    // reg set / expect reg: name, type and data

    bool IsSetup() const { return op <= Op::FilePut; }
};

struct ParseError {
    int line = 0; // 0: not tied to a line
    std::string source;
    std::string message;
};

// Parses a whole script. On error returns false with the first error; the
// commands are then incomplete.
bool ParseScript(std::string_view text, std::vector<Command>* commands, ParseError* error);

// Parses one line (no comment-only or blank lines: those give false with an
// empty message and are skipped by ParseScript).
bool ParseLine(std::string_view line, Command* command, std::string* error);

// A word as the language reads it, with the quote it was written in ('"',
// '\'' or 0): a quoted word never counts as a number or a keyword.
struct Word {
    std::string text;
    char quote = 0;
    bool Quoted() const { return quote != 0; }
    bool operator==(const Word&) const = default;
};
// Splits a line into words; a '#' that starts a word outside quotes ends
// the line. False with a message on an unterminated quote. `begin` and `end`
// (optional) receive where the first word starts and the last one ends.
bool SplitWords(std::string_view line, std::vector<Word>* words, std::string* error,
                size_t* begin = nullptr, size_t* end = nullptr);

// A number: decimal with an optional '-', or 0x hexadecimal.
std::optional<int64_t> ParseNumber(std::string_view text);

// A registry key as scripts name it: HKEY_LOCAL_MACHINE\..., HKLM\...,
// HKEY_CURRENT_USER\... or HKCU\....
bool ParseRegKey(std::string_view text, machine::RegistryRoot* root, std::string* path);

} // namespace desktop::scenario
