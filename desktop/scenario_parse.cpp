#include "scenario_parse.h"

#include <windows.h>

#include "host/text.h"
#include "user/input.h"

#include <cctype>
#include <cstdint>

namespace desktop::scenario {
namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v';
}

std::string Quote(const std::string& text) {
    return "\"" + text + "\"";
}

// Reads the words of one line in order, with messages that say what the
// line needed where it went wrong.
class Reader {
  public:
    Reader(std::vector<Word> words, std::string* error) : words_(std::move(words)), error_(error) {}

    bool AtEnd() const { return next_ >= words_.size(); }
    const Word* Peek() const { return AtEnd() ? nullptr : &words_[next_]; }

    bool Fail(const std::string& message) {
        *error_ = message;
        return false;
    }

    bool Take(const char* what, Word* out) {
        if (AtEnd()) return Fail(std::string("missing ") + what);
        *out = words_[next_++];
        return true;
    }
    bool Text(const char* what, std::string* out) {
        Word w;
        if (!Take(what, &w)) return false;
        *out = std::move(w.text);
        return true;
    }
    bool Number(const char* what, int64_t low, int64_t high, int64_t* out) {
        Word w;
        if (!Take(what, &w)) return false;
        std::optional<int64_t> n = w.Quoted() ? std::nullopt : ParseNumber(w.text);
        if (!n) return Fail(std::string(what) + " must be a number, not " + Quote(w.text));
        if (*n < low || *n > high)
            return Fail(std::string(what) + " " + w.text + " is out of range (" +
                        std::to_string(low) + " to " + std::to_string(high) + ")");
        *out = *n;
        return true;
    }
    bool Control(unsigned* out) {
        int64_t id;
        if (!Number("control id", 0, 0xFFFF, &id)) return false;
        *out = static_cast<unsigned>(id);
        return true;
    }
    // Accepts values of 32 bits written signed or unsigned.
    bool Dword(const char* what, uint32_t* out) {
        int64_t n;
        if (!Number(what, INT32_MIN, UINT32_MAX, &n)) return false;
        *out = static_cast<uint32_t>(n);
        return true;
    }
    bool End() {
        if (AtEnd()) return true;
        return Fail("unexpected " + Quote(words_[next_].text) + " at the end of the line");
    }
    // A number when the next word is an unquoted number, else a text.
    bool NumberOrText(const char* what, int64_t low, int64_t high, Command* c) {
        const Word* w = Peek();
        if (w == nullptr) return Fail(std::string("missing ") + what);
        if (!w->Quoted() && ParseNumber(w->text)) {
            int64_t n;
            if (!Number(what, low, high, &n)) return false;
            c->number = n;
            return true;
        }
        return Text(what, &c->text);
    }
    std::vector<std::string> Rest() {
        std::vector<std::string> rest;
        while (!AtEnd())
            rest.push_back(words_[next_++].text);
        return rest;
    }

  private:
    std::vector<Word> words_;
    size_t next_ = 0;
    std::string* error_;
};

struct NamedKey {
    const char* name;
    unsigned vk;
    unsigned char ch;
};

constexpr NamedKey kKeys[] = {
    {"Tab", VK_TAB, '\t'},    {"Enter", VK_RETURN, '\r'}, {"Escape", VK_ESCAPE, 0x1B},
    {"Esc", VK_ESCAPE, 0x1B}, {"Space", VK_SPACE, ' '},   {"Backspace", VK_BACK, 0x08},
    {"Delete", VK_DELETE, 0}, {"Left", VK_LEFT, 0},       {"Right", VK_RIGHT, 0},
    {"Up", VK_UP, 0},         {"Down", VK_DOWN, 0},       {"Home", VK_HOME, 0},
    {"End", VK_END, 0},       {"PageUp", VK_PRIOR, 0},    {"PageDown", VK_NEXT, 0},
};

bool ParseKey(std::string_view text, KeyStroke* out) {
    KeyStroke k;
    // Modifiers first: "Shift+", "Ctrl+", "Alt+", in any order.
    for (;;) {
        size_t plus = text.find('+');
        if (plus == std::string_view::npos || plus + 1 == text.size()) break;
        std::string_view mod = text.substr(0, plus);
        if (platform::EqualNoCase(mod, "Shift"))
            k.modifiers |= platform::user::kShift;
        else if (platform::EqualNoCase(mod, "Ctrl") || platform::EqualNoCase(mod, "Control"))
            k.modifiers |= platform::user::kControl;
        else if (platform::EqualNoCase(mod, "Alt"))
            k.modifiers |= platform::user::kAlt;
        else
            return false;
        text.remove_prefix(plus + 1);
    }
    const bool shift = k.modifiers & platform::user::kShift;
    const bool ctrl = k.modifiers & platform::user::kControl;
    for (const NamedKey& named : kKeys)
        if (platform::EqualNoCase(text, named.name)) {
            k.vk = named.vk;
            k.ch = ctrl && named.ch != '\r' && named.ch != 0x1B ? 0 : named.ch;
            *out = k;
            return true;
        }
    if (text.size() == 1 && std::isalnum(static_cast<unsigned char>(text[0]))) {
        char c = static_cast<char>(std::toupper(static_cast<unsigned char>(text[0])));
        k.vk = static_cast<unsigned char>(c);
        if (std::isdigit(static_cast<unsigned char>(c)))
            k.ch = ctrl ? 0 : static_cast<unsigned char>(c);
        else if (ctrl)
            k.ch = static_cast<unsigned char>(c - '@'); // Ctrl+A types 0x01
        else
            k.ch =
                static_cast<unsigned char>(shift ? c : std::tolower(static_cast<unsigned char>(c)));
        *out = k;
        return true;
    }
    if ((text.size() == 2 || text.size() == 3) && (text[0] == 'F' || text[0] == 'f')) {
        std::optional<int64_t> n = ParseNumber(text.substr(1));
        if (n && *n >= 1 && *n <= 12 && text[1] != '0') {
            k.vk = VK_F1 + static_cast<unsigned>(*n - 1);
            *out = k;
            return true;
        }
    }
    return false;
}

// The data of a reg line: a double-quoted word is a string value, anything
// else is .reg syntax (dword:, hex:, hex(N):, or '"text"' in single quotes).
bool ParseData(const Word& w, machine::RegistryValue* value, std::string* error) {
    if (w.quote == '"') {
        value->type = REG_SZ;
        value->data.assign(w.text.begin(), w.text.end());
        value->data.push_back(0);
        return true;
    }
    return machine::ParseRegData(w.text, value, error);
}

bool RegKey(Reader& r, Command* c) {
    std::string key;
    if (!r.Text("registry key", &key)) return false;
    if (!ParseRegKey(key, &c->regRoot, &c->regPath))
        return r.Fail("registry key " + Quote(key) +
                      " must start with HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER, HKLM or HKCU "
                      "and name a valid key");
    return true;
}

// A value name: "@" (unquoted) is the key's default value, as in .reg files.
bool RegName(Reader& r, std::string* name) {
    Word w;
    if (!r.Take("value name", &w)) return false;
    *name = !w.Quoted() && w.text == "@" ? "" : w.text;
    return true;
}

bool RegValue(Reader& r, Command* c) {
    if (!RegName(r, &c->regValue.name)) return false;
    Word data;
    if (!r.Take("value data", &data)) return false;
    std::string why;
    if (!ParseData(data, &c->regValue, &why))
        return r.Fail("value data " + Quote(data.text) + ": " + why);
    return true;
}

bool Keyword(Reader& r, const char* what, std::initializer_list<const char*> choices,
             std::string* chosen) {
    Word w;
    if (!r.Take(what, &w)) return false;
    if (!w.Quoted())
        for (const char* choice : choices)
            if (w.text == choice) {
                *chosen = choice;
                return true;
            }
    std::string list;
    for (const char* choice : choices)
        list += std::string(list.empty() ? "" : ", ") + choice;
    return r.Fail(std::string(what) + " must be one of " + list + ", not " + Quote(w.text));
}

bool ParseExpect(Reader& r, Command* c) {
    std::string what;
    Word w;
    if (!r.Take("what to expect", &w)) return false;
    what = w.Quoted() ? "" : w.text;
    struct ControlForm {
        const char* name;
        Op op;
    };
    static constexpr ControlForm kControlStates[] = {
        {"checked", Op::ExpectChecked}, {"unchecked", Op::ExpectUnchecked},
        {"enabled", Op::ExpectEnabled}, {"disabled", Op::ExpectDisabled},
        {"visible", Op::ExpectVisible}, {"hidden", Op::ExpectHidden},
        {"focus", Op::ExpectFocus},
    };
    for (const ControlForm& f : kControlStates)
        if (what == f.name) {
            c->op = f.op;
            return r.Control(&c->control) && r.End();
        }
    int64_t n;
    if (what == "window") {
        c->op = Op::ExpectWindow;
        return r.Text("window title", &c->text) && r.End();
    }
    struct PlainForm {
        const char* name;
        Op op;
    };
    static constexpr PlainForm kPlain[] = {{"no-window", Op::ExpectNoWindow},
                                           {"tray", Op::ExpectTray},
                                           {"no-tray", Op::ExpectNoTray},
                                           {"running", Op::ExpectRunning},
                                           {"uncut", Op::ExpectUncut}};
    for (const PlainForm& f : kPlain)
        if (what == f.name) {
            c->op = f.op;
            return r.End();
        }
    if (what == "tabs" || what == "menu") {
        c->op = what == "tabs" ? Op::ExpectTabs : Op::ExpectMenu;
        c->items = r.Rest();
        if (c->items.empty())
            return r.Fail(what == "tabs" ? "missing tab titles" : "missing menu items");
        return true;
    }
    if (what == "tab") {
        c->op = Op::ExpectTab;
        return r.Text("tab title", &c->text) && r.End();
    }
    if (what == "pos") {
        c->op = Op::ExpectPos;
        if (!r.Control(&c->control) || !r.Number("position", INT32_MIN, INT32_MAX, &n))
            return false;
        c->number = n;
        return r.End();
    }
    if (what == "range") {
        c->op = Op::ExpectRange;
        int64_t high;
        if (!r.Control(&c->control) || !r.Number("minimum", INT32_MIN, INT32_MAX, &n) ||
            !r.Number("maximum", INT32_MIN, INT32_MAX, &high))
            return false;
        c->number = n;
        c->number2 = high;
        return r.End();
    }
    if (what == "text") {
        c->op = Op::ExpectText;
        return r.Control(&c->control) && r.Text("text", &c->text) && r.End();
    }
    if (what == "selected") {
        c->op = Op::ExpectSelected;
        if (!r.Control(&c->control) || !r.Number("item index", -1, INT32_MAX, &n)) return false;
        c->number = n;
        return r.End();
    }
    if (what == "msgbox") {
        c->op = Op::ExpectMsgbox;
        return r.Text("message text", &c->text) && r.End();
    }
    if (what == "cursor") {
        c->op = Op::ExpectCursor;
        return Keyword(r, "cursor", {"arrow", "wait", "hand"}, &c->text) && r.End();
    }
    if (what == "reg") {
        c->op = Op::ExpectReg;
        return RegKey(r, c) && RegValue(r, c) && r.End();
    }
    if (what == "no-reg") {
        c->op = Op::ExpectNoReg;
        if (!RegKey(r, c)) return false;
        if (!r.AtEnd()) {
            std::string name;
            if (!RegName(r, &name)) return false;
            c->regName = name;
        }
        return r.End();
    }
    if (what == "file" || what == "no-file") {
        c->op = what == "file" ? Op::ExpectFile : Op::ExpectNoFile;
        if (!r.Text("path", &c->text)) return false;
        if (c->op == Op::ExpectFile && !r.AtEnd()) {
            if (!r.Number("size in bytes", 0, INT64_MAX, &n)) return false;
            c->number = n;
        }
        return r.End();
    }
    if (what == "debug") {
        c->op = Op::ExpectDebug;
        return r.Text("debug text", &c->text) && r.End();
    }
    if (what == "exit") {
        c->op = Op::ExpectExit;
        if (!r.Number("exit code", INT32_MIN, UINT32_MAX, &n)) return false;
        c->number = n;
        return r.End();
    }
    return r.Fail("unknown expectation " + Quote(w.text));
}

bool ParseWords(const std::string& command, Reader& r, Command* c) {
    int64_t n;
    std::string word;
    // Setup.
    if (command == "machine") {
        c->op = Op::Machine;
        return r.Text("section", &c->section) && r.Text("key", &c->key) &&
               r.Text("value", &c->value) && r.End();
    }
    if (command == "reg") {
        if (!Keyword(r, "reg action", {"set", "delete"}, &word)) return false;
        if (word == "set") {
            c->op = Op::RegSet;
            return RegKey(r, c) && RegValue(r, c) && r.End();
        }
        c->op = Op::RegDelete;
        if (!RegKey(r, c)) return false;
        if (!r.AtEnd()) {
            std::string name;
            if (!RegName(r, &name)) return false;
            c->regName = name;
        }
        return r.End();
    }
    if (command == "ini") {
        c->op = Op::Ini;
        Word value;
        if (!r.Text("path", &c->text) || !r.Text("section", &c->section) ||
            !r.Text("key", &c->key) || !r.Take("value", &value))
            return false;
        // An unquoted "-" deletes the key; "-" in quotes is the text itself.
        if (value.Quoted() || value.text != "-") c->iniValue = value.text;
        return r.End();
    }
    if (command == "file") {
        if (!Keyword(r, "file action", {"delete", "put"}, &word)) return false;
        if (word == "delete") {
            c->op = Op::FileDelete;
            return r.Text("path", &c->text) && r.End();
        }
        c->op = Op::FilePut;
        return r.Text("path", &c->text) && r.Text("host file", &c->hostFile) && r.End();
    }

    // The user.
    if (command == "tray") {
        if (!Keyword(r, "tray action", {"click", "dblclick", "rclick"}, &word)) return false;
        c->op = word == "click"      ? Op::TrayClick
                : word == "dblclick" ? Op::TrayDoubleClick
                                     : Op::TrayRightClick;
        return r.End();
    }
    if (command == "menu") {
        const Word* w = r.Peek();
        if (w != nullptr && !w->Quoted() && w->text == "dismiss") {
            Word ignored;
            r.Take("dismiss", &ignored);
            c->op = Op::MenuDismiss;
            return r.End();
        }
        c->op = Op::MenuChoose;
        return r.NumberOrText("menu item", 0, 0xFFFF, c) && r.End();
    }
    if (command == "click" || command == "dblclick" || command == "rclick" || command == "help") {
        c->op = command == "click"      ? Op::Click
                : command == "dblclick" ? Op::DoubleClick
                : command == "rclick"   ? Op::RightClick
                                        : Op::Help;
        return r.Control(&c->control) && r.End();
    }
    if (command == "tab") {
        c->op = Op::Tab;
        return r.NumberOrText("tab", 0, INT32_MAX, c) && r.End();
    }
    if (command == "slide") {
        c->op = Op::Slide;
        if (!r.Control(&c->control) || !r.Number("position", INT32_MIN, INT32_MAX, &n))
            return false;
        c->number = n;
        return r.End();
    }
    if (command == "pick") {
        c->op = Op::Pick;
        return r.Control(&c->control) && r.NumberOrText("item", 0, INT32_MAX, c) && r.End();
    }
    if (command == "type") {
        c->op = Op::Type;
        return r.Control(&c->control) && r.Text("text", &c->text) && r.End();
    }
    if (command == "key") {
        c->op = Op::Key;
        if (r.AtEnd()) return r.Fail("missing key");
        while (!r.AtEnd()) {
            Word w;
            r.Take("key", &w);
            KeyStroke k;
            if (w.Quoted() || !ParseKey(w.text, &k))
                return r.Fail("unknown key " + Quote(w.text) +
                              " (keys: Tab, Enter, Escape, Space, Backspace, Delete, Left, "
                              "Right, Up, Down, Home, End, PageUp, PageDown, F1 to F12, A to Z, "
                              "0 to 9, with Shift+, Ctrl+ or Alt+)");
            c->keys.push_back(k);
        }
        return true;
    }
    if (command == "point") {
        c->op = Op::Point;
        if (!r.Control(&c->control)) return false;
        if (r.AtEnd()) return true;
        int64_t dy;
        if (!r.Number("offset across", -10000, 10000, &n) ||
            !r.Number("offset down", -10000, 10000, &dy))
            return false;
        c->dx = static_cast<int>(n);
        c->dy = static_cast<int>(dy);
        return r.End();
    }
    if (command == "press" || command == "release" || command == "lclick" || command == "close" ||
        command == "screen") {
        c->op = command == "press"     ? Op::Press
                : command == "release" ? Op::Release
                : command == "lclick"  ? Op::LeftClick
                : command == "close"   ? Op::Close
                                       : Op::Screen;
        return r.End();
    }
    if (command == "answer") {
        if (!Keyword(r, "answer", {"ok", "cancel", "yes", "no"}, &word)) return false;
        c->op = Op::Answer;
        c->number = word == "ok"       ? IDOK
                    : word == "cancel" ? IDCANCEL
                    : word == "yes"    ? IDYES
                                       : IDNO;
        return r.End();
    }

    // The outside world.
    if (command == "wait") {
        c->op = Op::Wait;
        if (!r.Number("milliseconds", 0, INT32_MAX, &n)) return false;
        c->number = n;
        return r.End();
    }
    if (command == "post") {
        c->op = Op::Post;
        if (!r.Text("window class", &c->text)) return false;
        const Word* msg = r.Peek();
        if (msg != nullptr && (msg->Quoted() || !ParseNumber(msg->text))) {
            // A registered message, by the name it was registered with.
            r.Text("message", &c->messageName);
        } else {
            if (!r.Number("message", 0, 0xFFFF, &n)) return false;
            c->message = static_cast<unsigned>(n);
        }
        return r.Dword("wParam", &c->wParam) && r.Dword("lParam", &c->lParam) && r.End();
    }
    if (command == "copy") {
        c->op = Op::Copy;
        std::vector<std::string> words = r.Rest();
        for (size_t i = 0; i < words.size(); ++i)
            c->text += (i ? " " : "") + words[i];
        return true;
    }
    if (command == "taskbar") {
        if (!Keyword(r, "taskbar action", {"restart"}, &word)) return false;
        c->op = Op::TaskbarRestart;
        return r.End();
    }
    if (command == "mixer") {
        c->op = Op::Mixer;
        c->items = r.Rest();
        return true;
    }

    if (command == "expect") return ParseExpect(r, c);
    return r.Fail("unknown command " + Quote(command));
}

} // namespace

bool SplitWords(std::string_view line, std::vector<Word>* words, std::string* error, size_t* begin,
                size_t* end) {
    words->clear();
    size_t i = 0;
    if (begin) *begin = 0;
    if (end) *end = 0;
    while (i < line.size()) {
        if (IsBlank(line[i])) {
            ++i;
            continue;
        }
        if (line[i] == '#') break;
        if (begin && words->empty()) *begin = i;
        Word w;
        const char open = line[i];
        if (open == '"' || open == '\'') {
            w.quote = open;
            ++i;
            bool closed = false;
            while (i < line.size()) {
                char c = line[i++];
                if (c == open) {
                    closed = true;
                    break;
                }
                if (open == '"' && c == '\\' && i < line.size()) {
                    char next = line[i];
                    if (next == '"' || next == '\\') {
                        w.text += next;
                        ++i;
                        continue;
                    }
                    if (next == 'n') {
                        w.text += '\n';
                        ++i;
                        continue;
                    }
                }
                w.text += c;
            }
            if (!closed) {
                *error = std::string("a word in ") + (open == '"' ? "double" : "single") +
                         " quotes is not closed";
                return false;
            }
            if (i < line.size() && !IsBlank(line[i])) {
                *error = "a quoted word must be followed by a blank, not " +
                         Quote(std::string(1, line[i]));
                return false;
            }
        } else {
            while (i < line.size() && !IsBlank(line[i]))
                w.text += line[i++];
        }
        words->push_back(std::move(w));
        if (end) *end = i;
    }
    return true;
}

std::optional<int64_t> ParseNumber(std::string_view text) {
    bool negative = false;
    int base = 10;
    if (!text.empty() && text[0] == '-') {
        negative = true;
        text.remove_prefix(1);
    } else if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        base = 16;
        text.remove_prefix(2);
    }
    if (text.empty()) return std::nullopt;
    uint64_t value = 0;
    for (char c : text) {
        int digit;
        if (c >= '0' && c <= '9')
            digit = c - '0';
        else if (base == 16 && c >= 'a' && c <= 'f')
            digit = c - 'a' + 10;
        else if (base == 16 && c >= 'A' && c <= 'F')
            digit = c - 'A' + 10;
        else
            return std::nullopt;
        if (value > (static_cast<uint64_t>(INT64_MAX) - static_cast<uint64_t>(digit)) /
                        static_cast<uint64_t>(base))
            return std::nullopt;
        value = value * static_cast<uint64_t>(base) + static_cast<uint64_t>(digit);
    }
    return negative ? -static_cast<int64_t>(value) : static_cast<int64_t>(value);
}

bool ParseRegKey(std::string_view text, machine::RegistryRoot* root, std::string* path) {
    size_t slash = text.find('\\');
    std::string_view head = text.substr(0, slash);
    if (platform::EqualNoCase(head, "HKEY_LOCAL_MACHINE") || platform::EqualNoCase(head, "HKLM"))
        *root = machine::RegistryRoot::LocalMachine;
    else if (platform::EqualNoCase(head, "HKEY_CURRENT_USER") || platform::EqualNoCase(head, "HKCU"))
        *root = machine::RegistryRoot::CurrentUser;
    else
        return false;
    *path = slash == std::string_view::npos ? "" : std::string(text.substr(slash + 1));
    return path->empty() || machine::Registry::CheckPath(*path) == 0;
}

bool ParseLine(std::string_view line, Command* command, std::string* error) {
    error->clear();
    std::vector<Word> words;
    size_t begin, end;
    if (!SplitWords(line, &words, error, &begin, &end)) return false;
    if (words.empty()) return false;
    *command = Command{};
    // The line as written, for messages: without its comment and outer blanks.
    command->source = std::string(line.substr(begin, end - begin));
    const Word first = words.front();
    words.erase(words.begin());
    Reader reader(std::move(words), error);
    if (first.Quoted()) return reader.Fail("a line must start with a command, not a quoted word");
    return ParseWords(first.text, reader, command);
}

bool ParseScript(std::string_view text, std::vector<Command>* commands, ParseError* error) {
    commands->clear();
    int number = 0;
    bool setupOver = false;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string_view::npos) end = text.size();
        std::string_view line = text.substr(start, end - start);
        ++number;
        start = end + 1;
        Command c;
        std::string why;
        if (line.find('\0') != std::string_view::npos) {
            *error = {number, std::string(), "the line holds a NUL character"};
            return false;
        }
        if (!ParseLine(line, &c, &why)) {
            if (why.empty()) continue; // blank or comment
            std::string_view shown = line;
            while (!shown.empty() && (IsBlank(shown.back())))
                shown.remove_suffix(1);
            while (!shown.empty() && IsBlank(shown.front()))
                shown.remove_prefix(1);
            *error = {number, std::string(shown), why};
            return false;
        }
        c.line = number;
        if (c.IsSetup() && setupOver) {
            *error = {number, c.source,
                      "setup lines (machine, reg, ini, file) must come before every other line"};
            return false;
        }
        if (!c.IsSetup()) setupOver = true;
        commands->push_back(std::move(c));
    }
    return true;
}

} // namespace desktop::scenario
