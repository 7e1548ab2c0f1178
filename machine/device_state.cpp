#include "device_state.h"

#include "file_lock.h"
#include "machine.h"

#include <fcntl.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;

namespace machine {
namespace {

// Larger files are not a device's state; they are ignored, not read.
constexpr uintmax_t kMaxStateFileBytes = 1024 * 1024;

std::string Trim(const std::string& s) {
    size_t b = s.find_first_not_of(" \t\r");
    if (b == std::string::npos) return "";
    size_t e = s.find_last_not_of(" \t\r");
    return s.substr(b, e - b + 1);
}

bool WriteAll(int fd, const std::string& text) {
    size_t done = 0;
    while (done < text.size()) {
        ssize_t n = write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

} // namespace

DeviceStateFile::DeviceStateFile(Machine& machine, const std::string& name)
    : file_(machine.Directory() / "devices" / (name + ".state")),
      lock_(machine.Directory() / "devices" / (name + ".lock")) {}

bool DeviceStateFile::Exists() const {
    std::error_code ec;
    return fs::is_regular_file(file_, ec);
}

DeviceStateFile::Values DeviceStateFile::Read() const {
    Values values;
    std::error_code ec;
    if (!fs::is_regular_file(file_, ec) || fs::file_size(file_, ec) > kMaxStateFileBytes || ec)
        return values;
    std::ifstream in(file_, std::ios::binary);
    std::string line;
    while (std::getline(in, line)) {
        std::string s = Trim(line);
        if (s.empty() || s[0] == ';' || s[0] == '#') continue;
        size_t eq = s.find('=');
        if (eq == std::string::npos) continue;
        std::string key = Trim(s.substr(0, eq));
        if (!key.empty()) values[key] = Trim(s.substr(eq + 1));
    }
    return values;
}

bool DeviceStateFile::Update(const std::function<void(Values& values, bool existed)>& change) {
    std::error_code ec;
    fs::create_directories(file_.parent_path(), ec);
    ExclusiveFileLock lock(lock_);
    if (!lock.held()) return false;
    const bool existed = Exists();
    Values values = Read();
    const Values before = values;
    change(values, existed);
    if (existed && values == before) return true;

    std::ostringstream text;
    text << "; Kept by the machine's device drivers; a missing file starts from the defaults.\n";
    for (const auto& [key, value] : values) {
        // Keys and values are the drivers' own; a line break would split one.
        if (key.find('\n') != std::string::npos || value.find('\n') != std::string::npos) continue;
        text << key << " = " << value << "\n";
    }
    fs::path temp = file_;
    temp += ".tmp";
    int fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) return false;
    bool ok = WriteAll(fd, text.str()) && fdatasync(fd) == 0;
    ok = close(fd) == 0 && ok;
    if (ok) fs::rename(temp, file_, ec);
    if (!ok || ec) {
        fs::remove(temp, ec);
        return false;
    }
    return true;
}

std::vector<std::string> SplitProfileList(const std::string& text) {
    std::vector<std::string> out;
    std::string item;
    std::istringstream in(text);
    while (std::getline(in, item, ',')) {
        item = Trim(item);
        for (char& c : item) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        if (!item.empty()) out.push_back(item);
    }
    return out;
}

} // namespace machine
