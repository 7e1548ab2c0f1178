// What the terminal desktop writes: only changed cells, in the colours the
// terminal has, and how it finds out what the terminal has.
#include "terminal_output.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

namespace {

using desktop::Cell;
using desktop::ColourDepth;
using desktop::Grid;
using desktop::ScreenWriter;
using desktop::TerminalEnvironment;
using desktop::TerminalTraits;

Grid Blank(int w, int h) {
    Grid g(w, h);
    for (Cell& c : g.cells)
        c = Cell{U' ', 0, 0x000000, 0x008080, 0};
    return g;
}

size_t Count(const std::string& text, const std::string& what) {
    size_t n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        ++n;
    return n;
}

TEST(TerminalOutputTest, OnlyChangedCellsAreWritten) {
    ScreenWriter writer({ColourDepth::Sixteen, true});
    Grid g = Blank(20, 5);
    const std::string first = writer.Update(g);
    EXPECT_NE(first.find("\x1b[2J"), std::string::npos); // everything, the first time
    EXPECT_EQ(writer.Update(g), "");                     // nothing changed, nothing written

    g.At(4, 2).ch = U'x';
    g.At(5, 2).ch = U'y';
    const std::string two = writer.Update(g);
    EXPECT_EQ(Count(two, "H"), 1u) << "one cursor move for two neighbours";
    EXPECT_NE(two.find("\x1b[3;5H"), std::string::npos);
    EXPECT_NE(two.find("xy"), std::string::npos);
    EXPECT_EQ(two.find("\x1b[2J"), std::string::npos);

    writer.Invalidate();
    EXPECT_NE(writer.Update(g).find("\x1b[2J"), std::string::npos);
    Grid bigger = Blank(21, 5);
    EXPECT_NE(writer.Update(bigger).find("\x1b[2J"), std::string::npos);
}

TEST(TerminalOutputTest, WideCharactersAreWrittenWhole) {
    ScreenWriter writer({ColourDepth::Eight, true});
    Grid g = Blank(10, 1);
    writer.Update(g);
    g.At(2, 0).ch = U'日';
    g.At(3, 0).ch = 0;
    std::string out = writer.Update(g);
    EXPECT_EQ(Count(out, "\xe6\x97\xa5"), 1u);
    EXPECT_EQ(Count(out, " "), 0u) << "its second half is not written over it";

    // Only the second half changes (a narrow character takes it): the wide
    // one's cell is written again, and the new one after it.
    g.At(2, 0).ch = U'a';
    g.At(3, 0).ch = U'b';
    out = writer.Update(g);
    EXPECT_NE(out.find("ab"), std::string::npos);

    // Without UTF-8 it takes its two cells as "?" and a blank.
    ScreenWriter ascii({ColourDepth::Eight, false});
    g.At(2, 0).ch = U'日';
    g.At(3, 0).ch = 0;
    g.At(5, 0).ch = U'─';
    out = ascii.Update(g);
    EXPECT_NE(out.find("? "), std::string::npos);
    EXPECT_NE(out.find('-'), std::string::npos);
    for (unsigned char c : out)
        EXPECT_LT(c, 0x80);
}

struct ColourCase {
    ColourDepth depth;
    const char* background; // the desktop's teal as the terminal gets it
};

TEST(TerminalOutputTest, ColoursForEachDepth) {
    const ColourCase cases[] = {
        {ColourDepth::TrueColour, ";48;2;0;128;128"},
        {ColourDepth::Palette256, ";48;5;30"},
        {ColourDepth::Sixteen, ";46"},
        {ColourDepth::Eight, ";46"},
    };
    for (const ColourCase& c : cases) {
        ScreenWriter writer({c.depth, true});
        EXPECT_NE(writer.Update(Blank(2, 1)).find(c.background), std::string::npos)
            << static_cast<int>(c.depth);
    }
    // Bright white needs sixteen colours; eight give the nearest of theirs.
    Grid white = Blank(1, 1);
    white.At(0, 0).bg = 0xFFFFFF;
    ScreenWriter sixteen({ColourDepth::Sixteen, true});
    EXPECT_NE(sixteen.Update(white).find(";107"), std::string::npos);
    ScreenWriter eight({ColourDepth::Eight, true});
    EXPECT_NE(eight.Update(white).find(";47"), std::string::npos);
}

// Without colour: no colour codes, light-on-dark cells (a caption, a
// highlighted item) in reverse video, pictures by their shade.
TEST(TerminalOutputTest, WithoutColour) {
    ScreenWriter writer({ColourDepth::None, true});
    Grid g = Blank(3, 1);
    g.At(0, 0) = Cell{U'T', 0, 0xFFFFFF, 0x000080, 0};    // caption text
    g.At(1, 0) = Cell{U'▀', U'▓', 0x202020, 0x404040, 0}; // a picture's cell
    g.At(2, 0) = Cell{U'x', 0, 0x808080, 0xC0C0C0, 4};    // disabled text
    const std::string out = writer.Update(g);
    EXPECT_NE(out.find("\x1b[0;7mT"), std::string::npos);
    EXPECT_NE(out.find("▓"), std::string::npos);
    EXPECT_EQ(out.find("▀"), std::string::npos);
    EXPECT_NE(out.find("\x1b[0;2mx"), std::string::npos);
    // No SGR parameter sets a colour (30-49, 90-107).
    const std::regex sgr("\x1b\\[([0-9;]*)m");
    for (auto it = std::sregex_iterator(out.begin(), out.end(), sgr); it != std::sregex_iterator();
         ++it) {
        std::stringstream parameters((*it)[1].str());
        for (std::string p; std::getline(parameters, p, ';');) {
            const int n = p.empty() ? 0 : std::stoi(p);
            EXPECT_FALSE((n >= 30 && n <= 49) || (n >= 90 && n <= 107)) << (*it)[0].str();
        }
    }
}

struct TraitsCase {
    const char* name;
    TerminalEnvironment environment;
    ColourDepth colours;
    bool utf8;
};

TEST(TerminalOutputTest, TraitsFromTheEnvironment) {
    const TraitsCase cases[] = {
        {"NO_COLOR wins",
         {"xterm-256color", "truecolor", true, "C.UTF-8", 256},
         ColourDepth::None,
         true},
        {"COLORTERM",
         {"xterm", "truecolor", false, "en_US.UTF-8", 8},
         ColourDepth::TrueColour,
         true},
        {"terminfo 256",
         {"tmux-256color", "", false, "de_DE.utf8", 256},
         ColourDepth::Palette256,
         true},
        {"terminfo 16", {"rxvt", "", false, "", 16}, ColourDepth::Sixteen, false},
        {"terminfo 8", {"screen", "", false, "C", 8}, ColourDepth::Eight, false},
        {"terminfo without colours", {"vt220", "", false, "", 0}, ColourDepth::None, false},
        {"no entry, 256 in the name",
         {"foot-256color", "", false, "", -1},
         ColourDepth::Palette256,
         false},
        {"no entry, vt100", {"vt100", "", false, "", -1}, ColourDepth::None, false},
        {"no entry, vte", {"vte", "", false, "", -1}, ColourDepth::Eight, false},
        {"no TERM", {"", "", false, "", -1}, ColourDepth::None, false},
    };
    for (const TraitsCase& c : cases) {
        const TerminalTraits t = desktop::TraitsOf(c.environment);
        EXPECT_EQ(t.colours, c.colours) << c.name;
        EXPECT_EQ(t.utf8, c.utf8) << c.name;
    }
}

// A compiled terminfo entry: the header, names, booleans, then the numbers
// (the "colors" number is the 14th).
std::string Entry(int magic, int names, int booleans, std::vector<int64_t> numbers) {
    const bool wide = magic == 01036;
    std::string b;
    auto put16 = [&b](int v) {
        b += static_cast<char>(v & 0xFF);
        b += static_cast<char>((v >> 8) & 0xFF);
    };
    put16(magic);
    put16(names);
    put16(booleans);
    put16(static_cast<int>(numbers.size()));
    put16(0);
    put16(0);
    b.append(static_cast<size_t>(names), 'n');
    b.append(static_cast<size_t>(booleans), '\1');
    if (b.size() % 2) b += '\0';
    for (int64_t v : numbers) {
        put16(static_cast<int>(v & 0xFFFF));
        if (wide) put16(static_cast<int>((v >> 16) & 0xFFFF));
    }
    return b;
}

TEST(TerminalOutputTest, ColoursFromTerminfoEntries) {
    std::vector<int64_t> numbers(15, -1);
    numbers[13] = 8;
    EXPECT_EQ(desktop::TerminfoColours(Entry(0432, 7, 2, numbers)), 8);
    EXPECT_EQ(desktop::TerminfoColours(Entry(0432, 6, 3, numbers)), 8)
        << "names and booleans of odd size";
    numbers[13] = 0x1000000;
    EXPECT_EQ(desktop::TerminfoColours(Entry(01036, 5, 2, numbers)), 0x1000000);
    numbers[13] = -1;
    EXPECT_EQ(desktop::TerminfoColours(Entry(0432, 5, 2, numbers)), -1) << "absent";

    numbers[13] = 256;
    const std::string good = Entry(0432, 5, 2, numbers);
    EXPECT_EQ(desktop::TerminfoColours(good.substr(0, good.size() - 4)), -1) << "cut short";
    EXPECT_EQ(desktop::TerminfoColours("not an entry at all"), -1);
    EXPECT_EQ(desktop::TerminfoColours(Entry(0432, 5, 2, std::vector<int64_t>(10, 8))), -1)
        << "too few numbers";
    EXPECT_EQ(desktop::TerminfoColours(""), -1);
}

// The entry is found in $TERMINFO by its first letter or its hexadecimal
// code; a name with a path in it is no name.
TEST(TerminalOutputTest, TerminfoEntriesAreLookedUpByName) {
    const auto folder = std::filesystem::temp_directory_path() / "cvterm-terminfo";
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder / "z");
    std::filesystem::create_directories(folder / "71");
    std::ofstream(folder / "z" / "zterm") << "zterm entry";
    std::ofstream(folder / "71" / "qterm") << "qterm entry";
    const char* old = std::getenv("TERMINFO");
    const std::string saved = old != nullptr ? old : "";
    setenv("TERMINFO", folder.c_str(), 1);
    EXPECT_EQ(desktop::ReadTerminfoEntry("zterm"), "zterm entry");
    EXPECT_EQ(desktop::ReadTerminfoEntry("qterm"), "qterm entry");
    EXPECT_EQ(desktop::ReadTerminfoEntry("../z/zterm"), "");
    EXPECT_EQ(desktop::ReadTerminfoEntry(""), "");
    if (old != nullptr)
        setenv("TERMINFO", saved.c_str(), 1);
    else
        unsetenv("TERMINFO");
    std::filesystem::remove_all(folder);
}

} // namespace
