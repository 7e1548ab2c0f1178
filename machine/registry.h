// The machine's registry: HKEY_LOCAL_MACHINE and HKEY_CURRENT_USER, kept in
// one REGEDIT4 text file (DIR/registry.reg) that people can read, edit,
// import and export.
//
// The file is the truth. Every call first picks up what another process
// saved since (the file's identity and time are compared), and every change
// is written at once: under an exclusive lock on DIR/registry.lock, into a
// temporary file beside it that is flushed and renamed over the old one, so
// that two processes lose nothing and a crash leaves the old or the new file.
//
// A file that does not parse is refused with its line number and is never
// overwritten: reads go on with what was read last, writes fail with
// ERROR_BADDB until the file is repaired.
//
// A file without any write permission is read-only: changes fail with
// ERROR_ACCESS_DENIED and the file stays as it is.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace machine {

enum class RegistryRoot { LocalMachine, CurrentUser };

struct RegistryValue {
    std::string name; // "" is the key's default value
    uint32_t type = 0;
    std::vector<uint8_t> data;
};

// The steps of a save, in order, as the fault-injection hook sees them.
enum class RegistrySaveStep {
    Locked,          // the lock is held and the file re-read
    TempOpened,      // the temporary file is created, still empty
    TempHalfWritten, // half of the new text is in the temporary file
    TempWritten,     // all of it
    TempSynced,      // the temporary file is flushed to the disk
    Renamed,         // it has replaced registry.reg
    FolderSynced,    // the folder is flushed too
};

class Registry {
  public:
    // Longest key name component and value name, in characters.
    static constexpr size_t kMaxNameLength = 255;
    // Largest value data, in bytes, and deepest key.
    static constexpr size_t kMaxDataSize = 1024 * 1024;
    static constexpr size_t kMaxDepth = 512;
    // Largest registry file that is read.
    static constexpr uintmax_t kMaxFileSize = 64 * 1024 * 1024;

    explicit Registry(std::filesystem::path file);
    ~Registry();
    Registry(const Registry&) = delete;
    Registry& operator=(const Registry&) = delete;

    const std::filesystem::path& File() const { return file_; }

    // Reads the file. A missing file is an empty registry (the first change
    // creates it). On a malformed or unreadable file returns false with
    // "FILE:LINE: what is wrong"; from then on writes are refused until the
    // file on disk parses again.
    bool Load(std::string* error);
    // What was wrong with the file at the last read, or "".
    std::string LoadError();

    // Paths are below a root, components separated by backslashes; "" is the
    // root itself. Key and value names compare without regard to case. The
    // long results are Win32 error codes (0 = ERROR_SUCCESS).
    bool KeyExists(RegistryRoot root, std::string_view path);
    // Creates the key and any missing parents. `created` tells whether the
    // key itself was new.
    long CreateKey(RegistryRoot root, std::string_view path, bool* created = nullptr);
    // Deletes the key with everything below it. A root cannot be deleted.
    long DeleteKey(RegistryRoot root, std::string_view path);
    long GetValue(RegistryRoot root, std::string_view path, std::string_view name,
                  RegistryValue* out);
    // The key must exist. A value of that name (any case) is replaced in place.
    long SetValue(RegistryRoot root, std::string_view path, const RegistryValue& value);
    long DeleteValue(RegistryRoot root, std::string_view path, std::string_view name);
    // Subkeys and values in creation order (the order of the file);
    // ERROR_NO_MORE_ITEMS past the end.
    long SubKeyName(RegistryRoot root, std::string_view path, uint32_t index, std::string* name);
    long EnumValue(RegistryRoot root, std::string_view path, uint32_t index, RegistryValue* out);

    // Applies a .reg file as the registry editor imports one, then saves.
    // Fails, changing nothing, when the text lacks the REGEDIT4 header or the
    // save fails. Lines the editor would skip (a value name without proper
    // quotes, data that does not parse, an unknown root) are skipped; on
    // success `error` lists them, one "line N: what" a line, or is "".
    bool Import(std::string_view regText, std::string* error);
    // The whole registry as REGEDIT4 text, as the editor exports it.
    std::string Export();

    // Checks a path's form: ERROR_SUCCESS, ERROR_BAD_PATHNAME (an empty
    // component) or ERROR_INVALID_PARAMETER (a name too long, deeper than
    // kMaxDepth, or with control characters or broken UTF-8).
    static long CheckPath(std::string_view path);
    // Names compare as Windows compares them: without regard to case, for
    // ASCII and the common European alphabets.
    static bool NamesEqual(std::string_view a, std::string_view b);
    static const char* RootName(RegistryRoot root);

    // Test seam: called at each step of every save. Returning false makes the
    // step fail as an I/O error would (before the rename the save fails and
    // nothing changes; after it the new file stands). A test may also end
    // the process inside the hook to simulate a crash. Empty: no hook.
    using SaveHook = std::function<bool(RegistrySaveStep)>;
    static void SetSaveHook(SaveHook hook);

  private:
    struct State;
    std::filesystem::path file_;
    std::unique_ptr<State> state_;
};

// The data part of a .reg value line: "\"text\"" (REG_SZ, stored with its
// terminator), "dword:0000000a", "hex:01,02", "hex(N):01,02" (type N, a hex
// number). Sets type and data of `out`, not its name. Returns false with a
// message on anything else.
bool ParseRegData(std::string_view text, RegistryValue* out, std::string* error);
// The data as a .reg value line writes it, on one line. Strings that the
// string form cannot carry exactly (no terminator, an inner zero, line
// breaks, broken UTF-8) are written as hex(1):.
std::string FormatRegData(const RegistryValue& value);

} // namespace machine
