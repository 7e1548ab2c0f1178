// Drive C: of the machine. Every Windows path the program names is turned
// into a host path below DIR/drive_c, and no path, however it is formed,
// resolves outside that folder.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace machine {

// Why a Windows path has no place on drive C:.
enum class PathError {
    None,
    InvalidName,     // empty, a character Windows refuses, a name that is not UTF-8
    ReservedDevice,  // CON, NUL, COM1, ... in any component, with or without extension
    NotOnDrive,      // another drive letter, a UNC or device-namespace path
    TooLong,         // a component above 255 bytes or a result above Disk::kMaxPath
    LinkedDirectory, // an existing directory on the way is a symbolic link
};

// Windows compares file, section and key names without regard to case. The
// text is UTF-8; letters outside ASCII are folded too where the host knows
// their upper-case form.
std::string FoldName(std::string_view name);
bool SameName(std::string_view a, std::string_view b);

// Whether `text` is well-formed UTF-8 (no overlong forms, no surrogates).
bool IsValidUtf8(std::string_view text);

class Disk {
  public:
    static constexpr const char* kWindowsDirectory = "C:\\WINDOWS";
    static constexpr const char* kSystemDirectory = "C:\\WINDOWS\\SYSTEM";
    // Longest canonical path, terminator excluded, as MAX_PATH allows.
    static constexpr size_t kMaxPath = 259;
    // Longest single name, as the file system allows.
    static constexpr size_t kMaxComponent = 255;

    // `driveC` is kept as an absolute, lexically normal path.
    explicit Disk(std::filesystem::path driveC);

    const std::filesystem::path& DriveC() const { return driveC_; }

    // The directory that relative names are taken against, a canonical path.
    const std::string& CurrentDirectory() const { return currentDirectory_; }
    // Takes any Windows path (made canonical first); a path that Canonical
    // refuses leaves the current directory as it was.
    void SetCurrentDirectory(std::string canonicalPath);

    // The canonical form of a Windows path: "C:\DIR\NAME", backslashes only,
    // "." and ".." resolved (".." never climbs above "C:\"), relative names
    // taken against the current directory, no trailing backslash except in
    // "C:\". Fails for an empty path, another drive, a UNC or device path, a
    // reserved device name (CON, NUL, COM1, ...), characters Windows refuses
    // in names, and a result longer than kMaxPath.
    std::optional<std::string> Canonical(std::string_view windowsPath) const;
    std::optional<std::string> Canonical(std::string_view windowsPath, PathError* error) const;

    // The host path for a Windows path. Each component is matched without
    // regard to case against what exists; components that do not exist keep
    // the spelling given. Fails where Canonical fails, and where an existing
    // directory on the way is a symbolic link (links are only ever files).
    std::optional<std::filesystem::path> HostPath(std::string_view windowsPath) const;
    std::optional<std::filesystem::path> HostPath(std::string_view windowsPath,
                                                  PathError* error) const;

    // The canonical Windows path of a host path inside drive_c, or nothing.
    std::optional<std::string> WindowsPath(const std::filesystem::path& hostPath) const;

  private:
    std::filesystem::path driveC_;
    std::string currentDirectory_ = "C:\\WINDOWS";
};

} // namespace machine
