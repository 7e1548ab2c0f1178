// Inside the registry: the key tree in memory and its REGEDIT4 text form.
// Shared by registry.cpp (the store) and registry_text.cpp (parse, export).
#pragma once

#include "registry.h"

#include <string>
#include <string_view>
#include <vector>

namespace machine::registry_detail {

struct Key {
    std::string name;
    std::vector<RegistryValue> values; // in creation order
    std::vector<Key> subkeys;          // in creation order

    Key* FindSubkey(std::string_view subkeyName);
    RegistryValue* FindValue(std::string_view valueName);
};

struct Tree {
    Key localMachine{"HKEY_LOCAL_MACHINE", {}, {}};
    Key currentUser{"HKEY_CURRENT_USER", {}, {}};

    Key& Root(RegistryRoot root) {
        return root == RegistryRoot::LocalMachine ? localMachine : currentUser;
    }
    const Key& Root(RegistryRoot root) const {
        return root == RegistryRoot::LocalMachine ? localMachine : currentUser;
    }
};

// Splits a path that CheckPath accepted into its components; a trailing
// backslash is ignored.
std::vector<std::string_view> SplitPath(std::string_view path);
// ERROR_SUCCESS, or why the name cannot be a value name.
long CheckValueName(std::string_view name);

Key* FindKey(Tree& tree, RegistryRoot root, const std::vector<std::string_view>& parts);
Key* MakeKey(Tree& tree, RegistryRoot root, const std::vector<std::string_view>& parts,
             bool* created);
// Removes the key below its parent; false when it does not exist.
bool RemoveKey(Tree& tree, RegistryRoot root, const std::vector<std::string_view>& parts);
void PutValue(Key& key, const RegistryValue& value);

// Applies REGEDIT4 text to `tree`. Strict (the machine's own file): the first
// fault fails with "FILE:LINE: what" in `message`. Lenient (an import, as the
// registry editor reads a .reg file): faulty lines are skipped and listed in
// `message` as "line N: what"; only a missing header fails.
bool ApplyText(std::string_view text, Tree* tree, bool strict, const std::string& fileName,
               std::string* message);
std::string ExportText(const Tree& tree);

} // namespace machine::registry_detail
