#include "process.h"

#include "host/context.h"
#include "host/text.h"
#include "machine.h"
#include "message.h"

#include <signal.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <vector>

namespace fs = std::filesystem;

namespace platform::user {
namespace {

// A posted message as it crosses to another process.
struct Datagram {
    uint32_t hwnd;
    uint32_t message;
    uint32_t wParam;
    uint32_t lParam;
    uint32_t foreground; // 1: bring the window to the foreground instead
};

int sock = -1;
fs::path sockPath;
std::vector<Window*> listed;

struct Entry {
    pid_t pid;
    uint32_t hwnd;
    std::string className;
    std::string title;
};

fs::path RunDir() {
    machine::Machine* m = CurrentMachine();
    return m ? m->RunDirectory() : fs::path();
}

// The program file a process runs, without the mark of a file replaced
// since it started; empty when it cannot be read.
std::string ProgramName(const std::string& pid) {
    std::error_code ec;
    std::string name = fs::read_symlink("/proc/" + pid + "/exe", ec).filename().string();
    const std::string replaced = " (deleted)";
    if (name.size() > replaced.size() && name.ends_with(replaced))
        name.resize(name.size() - replaced.size());
    return ec ? std::string() : name;
}

// A process that has ended but was not yet reaped (a zombie) counts as dead,
// and so does one that runs another program: its entry was left by a
// process that died and whose number has been given again.
bool Alive(pid_t pid) {
    if (kill(pid, 0) != 0 && errno != EPERM) return false;
    const std::string other = ProgramName(std::to_string(pid));
    if (!other.empty() && other != ProgramName("self")) return false;
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string line;
    if (!std::getline(stat, line)) return true;
    size_t close = line.rfind(')');
    return close == std::string::npos || close + 2 >= line.size() || line[close + 2] != 'Z';
}

void WriteEntry() {
    fs::path dir = RunDir();
    if (dir.empty()) return;
    std::error_code ec;
    fs::create_directories(dir, ec);
    fs::path file = dir / std::to_string(getpid());
    if (listed.empty()) {
        fs::remove(file, ec);
        return;
    }
    // Written beside and renamed, so a reader never sees half an entry.
    fs::path temp = file;
    temp += ".tmp";
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        for (Window* w : listed) {
            std::string title = w->text;
            for (char& c : title)
                if (c == '\n' || c == '\t') c = ' ';
            out << reinterpret_cast<uintptr_t>(w->handle) << '\t' << w->windowClass->name << '\t'
                << title << '\n';
        }
    }
    fs::rename(temp, file, ec);
}

// Every live entry of other processes; entries of dead ones are removed.
std::vector<Entry> OtherEntries() {
    std::vector<Entry> entries;
    fs::path dir = RunDir();
    std::error_code ec;
    if (dir.empty() || !fs::is_directory(dir, ec)) return entries;
    for (const auto& file : fs::directory_iterator(dir, ec)) {
        std::string name = file.path().filename().string();
        if (name.find_first_not_of("0123456789") != std::string::npos || name.size() > 9) continue;
        pid_t pid = static_cast<pid_t>(std::stol(name));
        if (pid == getpid()) continue;
        if (!Alive(pid)) {
            fs::remove(file.path(), ec);
            fs::remove(dir / (name + ".sock"), ec);
            continue;
        }
        std::ifstream in(file.path(), std::ios::binary);
        std::string line;
        while (std::getline(in, line)) {
            std::istringstream fields(line);
            Entry e{pid, 0, {}, {}};
            std::string handle;
            if (!std::getline(fields, handle, '\t') || !std::getline(fields, e.className, '\t'))
                continue;
            std::getline(fields, e.title);
            try {
                e.hwnd = static_cast<uint32_t>(std::stoul(handle));
            } catch (...) {
                continue;
            }
            entries.push_back(std::move(e));
        }
    }
    return entries;
}

void OpenSocket() {
    // A process that moves to another machine (tests do) listens there.
    if (sock >= 0 && sockPath.parent_path() != RunDir()) LeaveRunFolder();
    if (sock >= 0 || RunDir().empty()) return;
    std::error_code ec;
    fs::create_directories(RunDir(), ec);
    sockPath = RunDir() / (std::to_string(getpid()) + ".sock");
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    if (sockPath.string().size() >= sizeof addr.sun_path) return;
    std::strcpy(addr.sun_path, sockPath.c_str());
    fs::remove(sockPath, ec);
    sock = socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (sock >= 0 && bind(sock, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
        close(sock);
        sock = -1;
    }
    // However the process ends normally, its entry goes with it; an entry
    // left by a killed process is removed by the next reader.
    static bool registered = false;
    if (!registered) {
        registered = true;
        std::atexit(LeaveRunFolder);
    }
}

BOOL SendToProcess(pid_t pid, const Datagram& d) {
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::string path = (RunDir() / (std::to_string(pid) + ".sock")).string();
    if (RunDir().empty() || path.size() >= sizeof addr.sun_path) return FALSE;
    std::strcpy(addr.sun_path, path.c_str());
    int s = socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (s < 0) return FALSE;
    ssize_t sent =
        sendto(s, &d, sizeof d, MSG_DONTWAIT, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
    close(s);
    return sent == static_cast<ssize_t>(sizeof d);
}

BOOL SendTo(HWND hwnd, const Datagram& d) {
    for (const Entry& e : OtherEntries())
        if (e.hwnd == reinterpret_cast<uintptr_t>(hwnd)) return SendToProcess(e.pid, d);
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
}

} // namespace

void RegisterTopLevel(Window* w) {
    OpenSocket();
    listed.push_back(w);
    WriteEntry();
}

void UnregisterTopLevel(HWND hwnd) {
    std::erase_if(listed, [hwnd](Window* w) { return w->handle == hwnd; });
    WriteEntry();
}

void TopLevelChanged(Window* w) {
    if (std::find(listed.begin(), listed.end(), w) != listed.end()) WriteEntry();
}

int WakeDescriptor() { return sock; }

void PumpRemoteMessages() {
    if (sock < 0) return;
    Datagram d;
    while (recv(sock, &d, sizeof d, 0) == static_cast<ssize_t>(sizeof d)) {
        HWND hwnd = reinterpret_cast<HWND>(static_cast<uintptr_t>(d.hwnd));
        Window* w = Find(hwnd);
        if (w == nullptr) continue;
        if (!d.foreground && !AcceptsFromOtherProcess(w, d.message)) continue;
        if (d.foreground)
            Activate(w);
        else
            Enqueue(hwnd, d.message, d.wParam, static_cast<LPARAM>(d.lParam));
    }
}

BOOL PostRemote(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    return SendTo(hwnd, {static_cast<uint32_t>(reinterpret_cast<uintptr_t>(hwnd)), message,
                         static_cast<uint32_t>(wParam), static_cast<uint32_t>(lParam), 0});
}

BOOL PostToProcess(int pid, HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (pid == getpid()) return PostMessageA(hwnd, message, wParam, lParam);
    if (!Alive(pid)) return FALSE;
    return SendToProcess(pid, {static_cast<uint32_t>(reinterpret_cast<uintptr_t>(hwnd)), message,
                               static_cast<uint32_t>(wParam), static_cast<uint32_t>(lParam), 0});
}

BOOL ForegroundRemote(HWND hwnd) {
    return SendTo(hwnd, {static_cast<uint32_t>(reinterpret_cast<uintptr_t>(hwnd)), 0, 0, 0, 1});
}

void LeaveRunFolder() {
    listed.clear();
    WriteEntry();
    if (sock >= 0) {
        close(sock);
        sock = -1;
        std::error_code ec;
        fs::remove(sockPath, ec);
    }
}

} // namespace platform::user

using namespace platform::user;

WINBASEAPI HWND WINAPI FindWindowA(LPCSTR className, LPCSTR title) {
    auto matches = [&](const std::string& cls, const std::string& text) {
        if (className != nullptr && !IS_INTRESOURCE(className) &&
            !platform::EqualNoCase(cls, className))
            return false;
        return title == nullptr || text == title;
    };
    for (Window* w : TopLevelWindows())
        if (!w->destroyed && matches(w->windowClass->name, w->text)) return w->handle;
    for (const Entry& e : OtherEntries())
        if (matches(e.className, e.title))
            return reinterpret_cast<HWND>(static_cast<uintptr_t>(e.hwnd));
    return nullptr;
}
