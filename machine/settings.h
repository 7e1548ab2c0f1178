// machine.ini: the hardware profile and machine settings. Every key is
// declared once in the table in settings.cpp, with its default; docs/machine.md
// lists them. The file is read strictly: an unknown section or key, or a
// value of the wrong form, is an error that names the file and line.
#pragma once

#include <filesystem>
#include <map>
#include <string>
#include <string_view>

namespace machine {

class Settings {
  public:
    // Every key at its default.
    Settings();

    // Reads the file over the defaults. On error returns false and sets
    // `error` to "FILE:LINE: what is wrong"; the settings are unchanged.
    bool Load(const std::filesystem::path& file, std::string* error);

    // Sets one key from its text form, as a line of the file would. On error
    // returns false with a message.
    bool Set(std::string_view section, std::string_view key, std::string_view value,
             std::string* error);

    long Int(std::string_view section, std::string_view key) const;
    bool Bool(std::string_view section, std::string_view key) const;
    const std::string& Text(std::string_view section, std::string_view key) const;

    // The default file: every key at its default, each with its comment.
    static std::string DefaultFileText();

  private:
    std::map<std::string, std::string> values_; // "section.key" -> text
};

} // namespace machine
