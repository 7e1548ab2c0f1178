// What a device's driver keeps for as long as the machine lives: a small
// text file of "key = value" lines in DIR/devices, shared by every program
// on the machine. Readers take the whole file; a change runs under an
// exclusive lock on the file's own lock file and replaces the file
// atomically, so that two programs lose nothing and a crash leaves the old
// or the new file.
#pragma once

#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace machine {

class Machine;

class DeviceStateFile {
  public:
    using Values = std::map<std::string, std::string>;

    // DIR/devices/NAME.state, locked through DIR/devices/NAME.lock.
    DeviceStateFile(Machine& machine, const std::string& name);

    const std::filesystem::path& File() const { return file_; }
    bool Exists() const;

    // The file's values; empty when it is missing or unreadable. Lines that
    // are not "key = value" are skipped.
    Values Read() const;

    // Reads the file under the lock, lets `change` edit the values (it is
    // told whether the file existed) and writes them back. Returns false when
    // the lock or the write fails; the file is then as it was.
    bool Update(const std::function<void(Values& values, bool existed)>& change);

  private:
    std::filesystem::path file_;
    std::filesystem::path lock_;
};

// The entries of a profile list such as "wave, synth,cd": trimmed, lower
// case, empty entries dropped.
std::vector<std::string> SplitProfileList(const std::string& text);

} // namespace machine
