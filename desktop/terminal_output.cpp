#include "terminal_output.h"

#include "host/text.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>
#include <vector>

namespace desktop {
namespace {

bool Contains(std::string haystack, std::string_view needle) {
    for (char& c : haystack)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return haystack.find(needle) != std::string::npos;
}

// ---- terminfo ----

int Short(const std::string& b, size_t at) {
    const int v = static_cast<unsigned char>(b[at]) | (static_cast<unsigned char>(b[at + 1]) << 8);
    return v >= 0x8000 ? v - 0x10000 : v;
}

constexpr size_t kColoursIndex = 13; // "colors" among the numeric capabilities

// ---- Colours ----

struct Rgb {
    int r, g, b;
};
Rgb Split(uint32_t c) {
    return {static_cast<int>((c >> 16) & 0xFF), static_cast<int>((c >> 8) & 0xFF),
            static_cast<int>(c & 0xFF)};
}
int Distance(Rgb a, Rgb b) {
    return (a.r - b.r) * (a.r - b.r) + (a.g - b.g) * (a.g - b.g) + (a.b - b.b) * (a.b - b.b);
}
int Luminance(uint32_t c) {
    const Rgb v = Split(c);
    return (v.r * 299 + v.g * 587 + v.b * 114) / 1000;
}

// The sixteen colours of the classic palette, in the terminal's order:
// black, red, green, yellow, blue, magenta, cyan, white, then bright.
constexpr std::array<uint32_t, 16> kPalette16 = {
    0x000000, 0x800000, 0x008000, 0x808000, 0x000080, 0x800080, 0x008080, 0xC0C0C0,
    0x808080, 0xFF0000, 0x00FF00, 0xFFFF00, 0x0000FF, 0xFF00FF, 0x00FFFF, 0xFFFFFF};

int Nearest16(uint32_t colour, int count) {
    int best = 0, bestDistance = 1 << 30;
    for (int i = 0; i < count; ++i) {
        const int d = Distance(Split(colour), Split(kPalette16[static_cast<size_t>(i)]));
        if (d < bestDistance) best = i, bestDistance = d;
    }
    return best;
}

// The 256-colour palette's 6 x 6 x 6 cube and grey ramp.
int Nearest256(uint32_t colour) {
    static constexpr int kLevels[] = {0, 95, 135, 175, 215, 255};
    auto level = [](int v) {
        int best = 0;
        for (int i = 1; i < 6; ++i)
            if (std::abs(kLevels[i] - v) < std::abs(kLevels[best] - v)) best = i;
        return best;
    };
    const Rgb c = Split(colour);
    const int r = level(c.r), g = level(c.g), b = level(c.b);
    const int cube = 16 + 36 * r + 6 * g + b;
    const int cubeDistance = Distance(c, {kLevels[r], kLevels[g], kLevels[b]});
    const int grey = std::clamp((((c.r + c.g + c.b) / 3) - 8 + 5) / 10, 0, 23);
    const int greyValue = 8 + 10 * grey;
    const int greyDistance = Distance(c, {greyValue, greyValue, greyValue});
    return greyDistance < cubeDistance ? 232 + grey : cube;
}

void AppendColour(std::string& out, ColourDepth depth, uint32_t colour, bool background) {
    switch (depth) {
    case ColourDepth::None:
        return;
    case ColourDepth::Eight:
        out += ';' + std::to_string((background ? 40 : 30) + Nearest16(colour, 8));
        return;
    case ColourDepth::Sixteen: {
        const int i = Nearest16(colour, 16);
        out += ';' +
               std::to_string(i < 8 ? (background ? 40 : 30) + i : (background ? 100 : 90) + i - 8);
        return;
    }
    case ColourDepth::Palette256:
        out += background ? ";48;5;" : ";38;5;";
        out += std::to_string(Nearest256(colour));
        return;
    case ColourDepth::TrueColour: {
        const Rgb c = Split(colour);
        out += background ? ";48;2;" : ";38;2;";
        out += std::to_string(c.r) + ';' + std::to_string(c.g) + ';' + std::to_string(c.b);
        return;
    }
    }
}

// ---- Characters ----


// What a terminal without UTF-8 shows for a character.
char AsciiOf(char32_t c) {
    if (c >= 0x20 && c < 0x7F) return static_cast<char>(c);
    switch (c) {
    case U'─':
    case U'┄':
        return '-';
    case U'│':
        return '|';
    case U'┌':
    case U'┐':
    case U'└':
    case U'┘':
    case U'├':
    case U'┤':
        return '+';
    case U'█':
    case U'▓':
        return '#';
    case U'▒':
        return '+';
    case U'░':
        return '.';
    case U'•':
        return '*';
    case U'·':
        return '.';
    case U'▼':
        return 'v';
    case U'▲':
        return '^';
    case U'►':
    case U'☛':
        return '>';
    case U'✓':
        return 'x';
    case U'⧗':
        return '%';
    default:
        return c < 0x20 ? ' ' : '?';
    }
}

// A cell as the terminal shows it.
struct Look {
    char32_t ch;
    std::string sgr; // the full SGR sequence for it
};

Look LookOf(const Cell& cell, const TerminalTraits& traits) {
    const bool colour = traits.colours != ColourDepth::None;
    char32_t ch = cell.ch;
    // Without colours a picture's half blocks carry nothing: its shade does.
    if (!colour && cell.plain != 0) ch = cell.plain;
    if (!traits.utf8 && ch != 0) ch = static_cast<unsigned char>(AsciiOf(ch));
    std::string sgr = "\x1b[0";
    if (cell.attributes & kBold) sgr += ";1";
    if (cell.attributes & kUnderline) sgr += ";4";
    if (colour) {
        AppendColour(sgr, traits.colours, cell.fg, false);
        AppendColour(sgr, traits.colours, cell.bg, true);
    } else {
        if (cell.attributes & kDim) sgr += ";2";
        // Light text on a dark ground (a caption, a highlighted item) shows
        // in reverse video.
        if (cell.plain == 0 && Luminance(cell.fg) > Luminance(cell.bg) + 48) sgr += ";7";
    }
    sgr += 'm';
    return {ch, std::move(sgr)};
}

} // namespace

// ---- Traits ----

TerminalTraits TraitsOf(const TerminalEnvironment& e) {
    TerminalTraits t;
    t.utf8 = Contains(e.locale, "utf-8") || Contains(e.locale, "utf8");
    if (e.noColour) {
        t.colours = ColourDepth::None;
    } else if (Contains(e.colorTerm, "truecolor") || Contains(e.colorTerm, "24bit")) {
        t.colours = ColourDepth::TrueColour;
    } else if (e.terminfoColours >= 0) {
        t.colours = e.terminfoColours >= 256  ? ColourDepth::Palette256
                    : e.terminfoColours >= 16 ? ColourDepth::Sixteen
                    : e.terminfoColours >= 8  ? ColourDepth::Eight
                                              : ColourDepth::None;
    } else if (Contains(e.term, "256color")) {
        t.colours = ColourDepth::Palette256;
    } else if (e.term.empty() || Contains(e.term, "mono") || Contains(e.term, "dumb") ||
               (e.term.size() > 2 && e.term.compare(0, 2, "vt") == 0 &&
                std::isdigit(static_cast<unsigned char>(e.term[2])))) {
        t.colours = ColourDepth::None;
    } else {
        t.colours = ColourDepth::Eight;
    }
    return t;
}

int TerminfoColours(const std::string& b) {
    if (b.size() < 12) return -1;
    const int magic = Short(b, 0);
    const bool wide = magic == 01036; // numbers of 32 bits
    if (magic != 0432 && !wide) return -1;
    const int namesSize = Short(b, 2), booleans = Short(b, 4), numbers = Short(b, 6);
    if (namesSize < 0 || booleans < 0 || numbers < 0) return -1;
    size_t at = 12 + static_cast<size_t>(namesSize) + static_cast<size_t>(booleans);
    if (at % 2) ++at; // the numbers start on an even byte
    if (static_cast<size_t>(numbers) <= kColoursIndex) return -1;
    const size_t width = wide ? 4 : 2;
    const size_t field = at + kColoursIndex * width;
    if (field + width > b.size()) return -1;
    int64_t value = Short(b, field);
    if (wide) {
        const uint32_t v = static_cast<uint32_t>(static_cast<unsigned char>(b[field])) |
                           static_cast<uint32_t>(static_cast<unsigned char>(b[field + 1])) << 8 |
                           static_cast<uint32_t>(static_cast<unsigned char>(b[field + 2])) << 16 |
                           static_cast<uint32_t>(static_cast<unsigned char>(b[field + 3])) << 24;
        value = static_cast<int32_t>(v);
    }
    return value < 0 ? -1 : static_cast<int>(std::min<int64_t>(value, 1 << 24));
}

std::string ReadTerminfoEntry(const std::string& term) {
    // A name that could leave the folder is no terminal's name.
    if (term.empty() || term.find('/') != std::string::npos || term.find("..") != std::string::npos)
        return "";
    std::vector<std::string> folders;
    if (const char* d = std::getenv("TERMINFO"); d != nullptr && *d) folders.push_back(d);
    if (const char* home = std::getenv("HOME"); home != nullptr && *home)
        folders.push_back(std::string(home) + "/.terminfo");
    if (const char* dirs = std::getenv("TERMINFO_DIRS"); dirs != nullptr) {
        std::stringstream list(dirs);
        for (std::string d; std::getline(list, d, ':');)
            folders.push_back(d.empty() ? "/usr/share/terminfo" : d);
    }
    for (const char* d :
         {"/etc/terminfo", "/lib/terminfo", "/usr/share/terminfo", "/usr/lib/terminfo"})
        folders.push_back(d);
    char hex[3];
    std::snprintf(hex, sizeof hex, "%02x", static_cast<unsigned char>(term[0]));
    for (const std::string& folder : folders)
        for (const std::string& sub : {std::string(1, term[0]), std::string(hex)}) {
            std::ifstream in(folder + "/" + sub + "/" + term, std::ios::binary);
            if (!in) continue;
            // Entries are a few kilobytes; a larger file is no entry.
            std::string bytes(4096 * 8, '\0');
            in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
            bytes.resize(static_cast<size_t>(in.gcount()));
            return bytes;
        }
    return "";
}

TerminalEnvironment CurrentEnvironment() {
    auto get = [](const char* name) -> std::string {
        const char* v = std::getenv(name);
        return v != nullptr ? v : "";
    };
    TerminalEnvironment e;
    e.term = get("TERM");
    e.colorTerm = get("COLORTERM");
    e.noColour = !get("NO_COLOR").empty();
    for (const char* name : {"LC_ALL", "LC_CTYPE", "LANG"})
        if (std::string v = get(name); !v.empty()) {
            e.locale = v;
            break;
        }
    const std::string entry = ReadTerminfoEntry(e.term);
    e.terminfoColours = entry.empty() ? -1 : std::max(0, TerminfoColours(entry));
    return e;
}

// ---- The writer ----

ScreenWriter::ScreenWriter(TerminalTraits traits) : traits_(traits) {}
ScreenWriter::~ScreenWriter() = default;

void ScreenWriter::Invalidate() {
    shown_.reset();
}

std::string ScreenWriter::Update(const Grid& next) {
    std::string out;
    const bool all = !shown_ || shown_->width != next.width || shown_->height != next.height;
    if (all) out += "\x1b[0m\x1b[H\x1b[2J";
    std::string sgr;                // the attributes in effect
    int cursorX = -1, cursorY = -1; // -1: where the cursor is is not known
    auto moveTo = [&](int x, int y) {
        if (x == cursorX && y == cursorY) return;
        out += "\x1b[" + std::to_string(y + 1) + ';' + std::to_string(x + 1) + 'H';
        cursorX = x, cursorY = y;
    };
    for (int y = 0; y < next.height; ++y) {
        for (int x = 0; x < next.width; ++x) {
            const Cell& cell = next.At(x, y);
            bool changed = all || !(shown_->At(x, y) == cell);
            // A wide character is written whole: the cell after it changing
            // rewrites it, and its second half comes with it.
            const bool wide = cell.ch != 0 && x + 1 < next.width && next.At(x + 1, y).ch == 0;
            if (!changed && wide && !(shown_->At(x + 1, y) == next.At(x + 1, y))) changed = true;
            if (!changed) continue;
            Look look = LookOf(cell, traits_);
            if (cell.ch == 0) {
                // The second half of a wide character whose first half did
                // not change: a terminal without UTF-8 shows a blank there.
                if (traits_.utf8 && x > 0 && next.At(x - 1, y).ch != 0) continue;
                look.ch = U' ';
            }
            moveTo(x, y);
            if (look.sgr != sgr) {
                out += look.sgr;
                sgr = look.sgr;
            }
            if (look.ch < 0x80) {
                out += static_cast<char>(look.ch < 0x20 ? ' ' : look.ch);
                ++cursorX;
            } else {
                platform::AppendUtf8(out, look.ch);
                // Terminals differ in how wide they take some characters:
                // the next cell is placed explicitly.
                cursorX = -1;
            }
            if (wide && traits_.utf8) ++x; // its second half is covered
        }
    }
    if (!sgr.empty()) out += "\x1b[0m";
    shown_ = std::make_unique<Grid>(next);
    return out;
}

} // namespace desktop
