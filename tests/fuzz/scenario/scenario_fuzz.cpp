// The scenario language on arbitrary scripts. Besides not crashing, a
// script's verdict is consistent: an accepted script gives commands in line
// order, setup lines first, each of which reads again from its own source
// text to the same command; a refused one names a line of the script.
#include "scenario_parse.h"

#include "fuzz_support.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace {

using desktop::scenario::Command;

bool SameCommand(const Command& a, const Command& b) {
    return a.op == b.op && a.control == b.control && a.number == b.number &&
           a.number2 == b.number2 && a.text == b.text && a.items == b.items && a.dx == b.dx &&
           a.dy == b.dy && a.keys == b.keys && a.message == b.message &&
           a.messageName == b.messageName && a.wParam == b.wParam && a.lParam == b.lParam &&
           a.section == b.section && a.key == b.key && a.value == b.value &&
           a.iniValue == b.iniValue && a.hostFile == b.hostFile && a.regRoot == b.regRoot &&
           a.regPath == b.regPath && a.regName == b.regName && a.regValue.name == b.regValue.name &&
           a.regValue.type == b.regValue.type && a.regValue.data == b.regValue.data;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    std::vector<Command> commands;
    desktop::scenario::ParseError error;
    if (!desktop::scenario::ParseScript(text, &commands, &error)) {
        const size_t lines = static_cast<size_t>(std::count(text.begin(), text.end(), '\n')) + 1;
        fuzz::Check(error.line >= 1 && static_cast<size_t>(error.line) <= lines,
                    "a refused script's error names no line of it");
        fuzz::Check(!error.message.empty(), "a refused script's error says nothing");
        return 0;
    }
    int lastLine = 0;
    bool setupOver = false;
    for (const Command& c : commands) {
        fuzz::Check(c.line > lastLine, "commands out of line order");
        lastLine = c.line;
        fuzz::Check(!(c.IsSetup() && setupOver), "a setup line after another line");
        setupOver = setupOver || !c.IsSetup();
        Command again;
        std::string why;
        fuzz::Check(desktop::scenario::ParseLine(c.source, &again, &why),
                    "line " + std::to_string(c.line) +
                        " does not read again from its source: " + why);
        fuzz::Check(SameCommand(c, again),
                    "line " + std::to_string(c.line) + " reads again as another command");
    }
    return 0;
}
