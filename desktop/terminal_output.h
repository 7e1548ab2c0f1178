// What the terminal desktop writes: the grid of cells as escape sequences
// and text, only the cells that changed since the last update, in as many
// colours as the terminal has (or none), in UTF-8 or, where the locale is
// not UTF-8, in ASCII.
#pragma once

#include "render.h"

#include <memory>
#include <string>

namespace desktop {

enum class ColourDepth { None, Eight, Sixteen, Palette256, TrueColour };

struct TerminalTraits {
    ColourDepth colours = ColourDepth::Eight;
    bool utf8 = true;
};

// What decides the traits, as the environment gives it.
struct TerminalEnvironment {
    std::string term;         // TERM
    std::string colorTerm;    // COLORTERM
    bool noColour = false;    // NO_COLOR is set and not empty
    std::string locale;       // the first of LC_ALL, LC_CTYPE, LANG that is set
    int terminfoColours = -1; // the entry's "colors"; -1 when there is no entry
};

TerminalTraits TraitsOf(const TerminalEnvironment& environment);
// The environment of this process, with TERM's terminfo entry looked up.
TerminalEnvironment CurrentEnvironment();

// The "colors" number of a compiled terminfo entry (both the 16-bit and the
// 32-bit number formats): -1 when it has none or the bytes are no entry.
int TerminfoColours(const std::string& entry);
// TERM's entry read from the usual terminfo folders; empty when not found.
std::string ReadTerminfoEntry(const std::string& term);

class ScreenWriter {
  public:
    explicit ScreenWriter(TerminalTraits traits);
    ~ScreenWriter();

    // The output that turns what was written last into `next`: only the
    // cells that differ; everything after Invalidate() or a size change.
    std::string Update(const Grid& next);
    // The terminal's screen is unknown (cleared, resized, resumed).
    void Invalidate();
    const TerminalTraits& Traits() const { return traits_; }

  private:
    TerminalTraits traits_;
    std::unique_ptr<Grid> shown_;
};

} // namespace desktop
