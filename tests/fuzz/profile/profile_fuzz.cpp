// GetPrivateProfileStringA over an arbitrary profile file, with arbitrary
// section and key names and buffer sizes. Input: one byte that chooses the
// call's form and the buffer size, then the section name, a NUL, the key
// name, a NUL, and the file's text.
//
// Besides not crashing, the call keeps its buffer contract (never past
// nSize, always terminated, lists ending in two NULs, a cut only between
// whole characters) and agrees with the machine's profile reader; and that
// reader agrees with itself: every section it lists has a key list, and
// every key listed has a value.
#include "fuzz_support.h"
#include "host/text.h"
#include "ini_file.h"

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

namespace {

namespace fs = std::filesystem;

enum Form { kValue, kValueNullDefault, kKeyList, kSectionList };

const char kDefault[] = "fuzz default \t ";
const char kDefaultTrimmed[] = "fuzz default";

// Takes the text before the next NUL off the front of `rest`.
std::string TakeName(std::string_view* rest) {
    const size_t nul = rest->find('\0');
    std::string name(rest->substr(0, nul));
    rest->remove_prefix(nul == std::string_view::npos ? rest->size() : nul + 1);
    return name;
}

// The bytes a list call writes, terminators included, and its result: each
// name and a NUL, then one more NUL; cut, when that does not fit, to
// nSize - 2 bytes before a whole character and two NULs.
struct WrittenList {
    std::string bytes;
    DWORD result = 0;
};
WrittenList ExpectedList(const std::vector<std::string>& names, DWORD size) {
    std::string list;
    for (const std::string& name : names)
        list += name + '\0';
    if (list.size() + 1 <= size) {
        // An empty list still ends in two NULs where there is room.
        const std::string end =
            list.empty() && size >= 2 ? std::string(2, '\0') : std::string(1, '\0');
        return {list + end, static_cast<DWORD>(list.size())};
    }
    if (size < 2) return {std::string(1, '\0'), 0};
    const size_t kept = platform::Utf8Prefix(list, size - 2);
    return {list.substr(0, kept) + std::string(2, '\0'), static_cast<DWORD>(kept)};
}

void CheckSelfConsistent(const fs::path& file) {
    const auto sections = machine::IniSections(file);
    fuzz::Check(sections.has_value(), "the section list of a readable file is missing");
    size_t checked = 0;
    for (const std::string& section : *sections) {
        if (++checked > 16) break;
        const auto keys = machine::IniKeys(file, section);
        fuzz::Check(keys.has_value(), "listed section [" + section + "] has no key list");
        size_t keysChecked = 0;
        for (const std::string& key : *keys) {
            if (++keysChecked > 16) break;
            fuzz::Check(machine::IniGet(file, section, key).has_value(),
                        "listed key " + key + " of [" + section + "] has no value");
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    static const fs::path file = fuzz::TheMachine().DriveC() / "WINDOWS" / "FUZZ.INI";
    const Form form = static_cast<Form>(data[0] & 3);
    const DWORD bufferSize = (data[0] >> 2) == 0 ? 4096 : data[0] >> 2;
    std::string_view rest(reinterpret_cast<const char*>(data + 1), size - 1);
    const std::string section = TakeName(&rest);
    const std::string key = TakeName(&rest);
    fuzz::WriteFile(file, rest);

    // Exactly the buffer the call is given, so that a write past it shows.
    std::vector<char> buffer(bufferSize, '\x7f');
    const char* app = form == kSectionList ? nullptr : section.c_str();
    const char* keyName = form == kValue || form == kValueNullDefault ? key.c_str() : nullptr;
    const char* fallback = form == kValueNullDefault ? nullptr : kDefault;
    const DWORD result =
        GetPrivateProfileStringA(app, keyName, fallback, buffer.data(), bufferSize, "FUZZ.INI");
    fuzz::Check(result < bufferSize, "the result does not leave room for the terminator");

    if (keyName != nullptr) {
        const auto value = machine::IniGet(file, section, key);
        const std::string whole = value ? *value : form == kValue ? kDefaultTrimmed : "";
        const std::string expected = whole.substr(0, platform::Utf8Prefix(whole, bufferSize - 1));
        fuzz::Check(result == expected.size() &&
                        std::memcmp(buffer.data(), expected.data(), result) == 0 &&
                        buffer[result] == '\0',
                    "the value differs from the profile reader's, cut to the buffer");
    } else {
        const auto names =
            app == nullptr ? machine::IniSections(file) : machine::IniKeys(file, section);
        const WrittenList expected =
            ExpectedList(names ? *names : std::vector<std::string>(), bufferSize);
        fuzz::Check(result == expected.result && std::memcmp(buffer.data(), expected.bytes.data(),
                                                             expected.bytes.size()) == 0,
                    "the list differs from the profile reader's, cut to the buffer");
    }

    CheckSelfConsistent(file);
    return 0;
}
