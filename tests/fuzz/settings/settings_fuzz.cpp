// machine.ini on arbitrary text. Besides not crashing, a load is all or
// nothing: a refused file names itself and a line of it and changes no
// setting; an accepted one gives settings that, written out again as a
// file, load to the same values.
#include "settings.h"

#include "fuzz_support.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace {

namespace fs = std::filesystem;

using KeyName = std::pair<std::string, std::string>; // section, key

// Every key, from the default file: its "[section]" lines and "key = " lines.
const std::vector<KeyName>& AllKeys() {
    static const std::vector<KeyName> keys = [] {
        std::vector<KeyName> out;
        std::istringstream lines(machine::Settings::DefaultFileText());
        std::string section;
        for (std::string line; std::getline(lines, line);) {
            if (line.empty() || line[0] == ';') continue;
            if (line[0] == '[') {
                section = line.substr(1, line.find(']') - 1);
                continue;
            }
            out.emplace_back(section, line.substr(0, line.find(" = ")));
        }
        return out;
    }();
    return keys;
}

std::vector<std::string> Values(const machine::Settings& settings) {
    std::vector<std::string> values;
    for (const auto& [section, key] : AllKeys())
        values.push_back(settings.Text(section, key));
    return values;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const fs::path file = fuzz::ScratchFolder().Dir() / "machine.ini";
    static const std::vector<std::string> defaults = Values(machine::Settings());
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    fuzz::WriteFile(file, text);

    machine::Settings settings;
    std::string error;
    if (!settings.Load(file, &error)) {
        const std::string prefix = file.string() + ":";
        fuzz::Check(error.rfind(prefix, 0) == 0, "the error does not name the file: " + error);
        const long line = std::strtol(error.c_str() + prefix.size(), nullptr, 10);
        const long lines = static_cast<long>(std::count(text.begin(), text.end(), '\n')) + 1;
        fuzz::Check(line >= 1 && line <= lines, "the error names no line of the file: " + error);
        fuzz::Check(Values(settings) == defaults, "a refused file changed a setting");
        return 0;
    }

    // Written out as a file of its own, each key under its section.
    std::string rewritten;
    for (const auto& [section, key] : AllKeys())
        rewritten += "[" + section + "]\n" + key + " = " + settings.Text(section, key) + "\n";
    fuzz::WriteFile(file, rewritten);
    machine::Settings again;
    fuzz::Check(again.Load(file, &error),
                "the accepted settings, written out, do not load: " + error);
    fuzz::Check(Values(again) == Values(settings),
                "the accepted settings, written out, load to others");
    return 0;
}
