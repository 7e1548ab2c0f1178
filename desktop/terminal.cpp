#include "terminal.h"

#include "host/clock.h"
#include "host/text.h"
#include "shell/notifyarea.h"
#include "user/input.h"
#include "user/window.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <ctime>

namespace desktop {
namespace {

using namespace platform::user;
using platform::shell::NotifyIcons;

// ---- The terminal's state, restorable from a signal handler ----
//
// Everything a signal handler touches is plain data, and it calls only
// functions that are safe there (write, tcsetattr, dup2, read, lseek,
// close, sigaction, raise).

// The alternate screen, no text cursor, no wrap at the right margin (so the
// last cell stays put), mouse buttons, moves with a button held (drags),
// every move (hover), all reported in SGR form.
constexpr char kEnterScreen[] =
    "\x1b[?1049h\x1b[?25l\x1b[?7l\x1b[?1000h\x1b[?1002h\x1b[?1003h\x1b[?1006h";
constexpr char kLeaveScreen[] = "\x1b[?1006l\x1b[?1003l\x1b[?1002l\x1b[?1000l"
                                "\x1b[0m\x1b[?7h\x1b[?25h\x1b[?1049l";

struct SavedTerminal {
    volatile sig_atomic_t active = 0; // the desktop has the terminal
    termios saved{};
    int realStderr = -1; // the original standard error while it is kept aside
    int capture = -1;    // the file that collects standard error meanwhile
    int signalPipe[2] = {-1, -1};
};
SavedTerminal terminal;

constexpr int kEndingSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};
constexpr int kCrashSignals[] = {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT, SIGSYS};
constexpr int kNoticeSignals[] = {SIGWINCH, SIGTSTP, SIGCONT};
constexpr int kSignalSlots = 65;
struct sigaction previousAction[kSignalSlots];
bool handlerInstalled[kSignalSlots];

void WriteAll(int fd, const char* data, size_t size) {
    while (size > 0) {
        const ssize_t n = write(fd, data, size);
        if (n < 0) {
            if (errno == EINTR) continue;
            if (errno == EAGAIN) {
                pollfd p{fd, POLLOUT, 0};
                poll(&p, 1, 100);
                continue;
            }
            return;
        }
        data += n;
        size -= static_cast<size_t>(n);
    }
}

void EnterScreen() {
    termios raw = terminal.saved;
    // Keys arrive one by one, unechoed, untranslated; Ctrl+C, Ctrl+\ and
    // Ctrl+Z still raise their signals.
    raw.c_iflag &= ~static_cast<tcflag_t>(IXON | ICRNL | INLCR | IGNCR | ISTRIP | BRKINT | PARMRK);
    raw.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO | IEXTEN);
    raw.c_cflag |= CS8;
    raw.c_cc[VMIN] = 1;
    raw.c_cc[VTIME] = 0;
    tcsetattr(STDIN_FILENO, TCSADRAIN, &raw);
    WriteAll(STDOUT_FILENO, kEnterScreen, sizeof kEnterScreen - 1);
}

void LeaveScreen() {
    WriteAll(STDOUT_FILENO, kLeaveScreen, sizeof kLeaveScreen - 1);
    tcsetattr(STDIN_FILENO, TCSADRAIN, &terminal.saved);
}

// Standard error back where it was, with what was written to it meanwhile.
void ReleaseStandardError() {
    if (terminal.capture < 0) return;
    dup2(terminal.realStderr, STDERR_FILENO);
    close(terminal.realStderr);
    terminal.realStderr = -1;
    lseek(terminal.capture, 0, SEEK_SET);
    char buffer[4096];
    for (;;) {
        const ssize_t n = read(terminal.capture, buffer, sizeof buffer);
        if (n <= 0) break;
        WriteAll(STDERR_FILENO, buffer, static_cast<size_t>(n));
    }
    close(terminal.capture);
    terminal.capture = -1;
}

void RestoreTerminal() {
    if (!terminal.active) return;
    terminal.active = 0;
    LeaveScreen();
    ReleaseStandardError();
}

void RestoreAtExit() {
    RestoreTerminal();
}

// Ctrl+C, SIGTERM, a crash: the terminal first, then the signal does what
// it did before (ends the process, or a sanitizer's handler reports it).
void OnEndingSignal(int sig, siginfo_t* info, void*) {
    const int savedErrno = errno;
    RestoreTerminal();
    if (sig > 0 && sig < kSignalSlots) sigaction(sig, &previousAction[sig], nullptr);
    // A fault the processor raised happens again on return, now under the
    // previous handler; a signal sent by someone is sent again.
    const bool fault = (sig == SIGSEGV || sig == SIGBUS || sig == SIGFPE || sig == SIGILL) &&
                       info != nullptr && info->si_code > 0;
    if (!fault) raise(sig);
    errno = savedErrno;
}

// Resize, suspend and resume are dealt with in the wait loop.
void OnNoticeSignal(int sig) {
    const int savedErrno = errno;
    const char c = static_cast<char>(sig);
    if (terminal.signalPipe[1] >= 0) (void)!write(terminal.signalPipe[1], &c, 1);
    errno = savedErrno;
}

void Install(int sig, bool ending) {
    struct sigaction action {};
    sigemptyset(&action.sa_mask);
    if (ending) {
        action.sa_sigaction = OnEndingSignal;
        action.sa_flags = SA_SIGINFO;
    } else {
        action.sa_handler = OnNoticeSignal;
        action.sa_flags = SA_RESTART;
    }
    struct sigaction previous {};
    if (sigaction(sig, nullptr, &previous) != 0) return;
    // A signal the process was started to ignore stays ignored.
    if (ending && !(previous.sa_flags & SA_SIGINFO) && previous.sa_handler == SIG_IGN) return;
    if (sigaction(sig, &action, &previousAction[sig]) == 0) handlerInstalled[sig] = true;
}

void UninstallAll() {
    for (int sig = 1; sig < kSignalSlots; ++sig)
        if (handlerInstalled[sig]) {
            sigaction(sig, &previousAction[sig], nullptr);
            handlerInstalled[sig] = false;
        }
}

// Standard error would write over the desktop: it goes to a file until the
// terminal is given back.
void CaptureStandardError() {
    if (!isatty(STDERR_FILENO)) return;
    const char* tmp = std::getenv("TMPDIR");
    std::string path =
        std::string(tmp != nullptr && *tmp ? tmp : "/tmp") + "/cvpanel-stderr-XXXXXX";
    const int fd = mkstemp(path.data());
    if (fd < 0) return;
    unlink(path.c_str());
    const int real = fcntl(STDERR_FILENO, F_DUPFD_CLOEXEC, 3);
    if (real < 0 || dup2(fd, STDERR_FILENO) < 0) {
        if (real >= 0) close(real);
        close(fd);
        return;
    }
    terminal.realStderr = real;
    terminal.capture = fd;
}

// ---- Drawing helpers ----

constexpr uint32_t kDesktopColour = 0x008080;
constexpr uint32_t kBlack = 0x000000;
constexpr uint32_t kWhite = 0xFFFFFF;
constexpr uint32_t kTipColour = 0xFFFFE1;
constexpr uint32_t kNavy = 0x000080;
constexpr uint32_t kYellow = 0xFFFF00;

void Put(Grid& g, int x, int y, char32_t ch, uint32_t fg, uint32_t bg, uint8_t attributes = 0) {
    if (!g.Inside(x, y)) return;
    // Half of a wide character overwritten blanks the other half.
    if (g.At(x, y).ch == 0 && x > 0) g.At(x - 1, y).ch = U' ';
    if (x + 1 < g.width && g.At(x + 1, y).ch == 0) g.At(x + 1, y).ch = U' ';
    g.At(x, y) = Cell{ch, 0, fg, bg, attributes};
}

// Writes text from x on, at most `cells` cells; returns the cells used.
int PutText(Grid& g, int x, int y, std::string_view text, uint32_t fg, uint32_t bg, int cells,
            uint8_t attributes = 0) {
    int used = 0;
    for (size_t i = 0; i < text.size();) {
        char32_t c = platform::NextCodePoint(text, &i);
        if (c < 0x20) c = U' ';
        const int w = platform::CharCells(c);
        if (w == 0) continue;
        if (used + w > cells) break;
        Put(g, x + used, y, c, fg, bg, attributes);
        if (w == 2) {
            Put(g, x + used + 1, y, U' ', fg, bg, attributes);
            if (g.Inside(x + used + 1, y)) g.At(x + used + 1, y).ch = 0;
        }
        used += w;
    }
    return used;
}

// Words of a text broken into lines of at most `width` cells.
std::vector<std::string> WrapWords(const std::string& text, int width) {
    std::vector<std::string> lines(1);
    int used = 0;
    size_t i = 0;
    while (i < text.size()) {
        size_t end = text.find(' ', i);
        if (end == std::string::npos) end = text.size();
        const std::string word = text.substr(i, end - i);
        const int cells = platform::TextCells(word);
        if (used > 0 && used + 1 + cells > width) {
            lines.emplace_back();
            used = 0;
        }
        if (used > 0) {
            lines.back() += ' ';
            ++used;
        }
        lines.back() += word;
        used += cells;
        i = end + 1;
    }
    return lines;
}

bool IsClassName(const Window* w, const char* name) {
    return w->windowClass != nullptr && platform::EqualNoCase(w->windowClass->name, name);
}

// A framed window a person must be able to see whole: dialogs, message
// boxes, the program's own windows with a border. Menus and lists place
// themselves on the screen.
bool IsFramedWindow(const Window* w) {
    if (w->destroyed || !IsVisible(w) || w->parent != nullptr) return false;
    if (IsClassName(w, "#32768") || IsClassName(w, "ComboLBox")) return false;
    const RECT in = NonClientInsets(w);
    return in.left > 0 || in.top > 0;
}

UINT ModifierVirtualKey(UINT bit) {
    return bit == kShift ? VK_SHIFT : bit == kControl ? VK_CONTROL : VK_MENU;
}

} // namespace

TerminalDesktop::TerminalDesktop() = default;

TerminalDesktop::~TerminalDesktop() {
    Stop();
}

bool TerminalDesktop::Start(std::string* error) {
    if (started_) return true;
    if (!isatty(STDIN_FILENO) || !isatty(STDOUT_FILENO)) {
        *error = "standard input and output are not a terminal";
        return false;
    }
    const TerminalEnvironment environment = CurrentEnvironment();
    if (environment.term == "dumb") {
        *error = "the terminal (TERM=dumb) cannot place text on the screen";
        return false;
    }
    if (tcgetattr(STDIN_FILENO, &terminal.saved) != 0) {
        *error = std::string("cannot read the terminal's settings: ") + std::strerror(errno);
        return false;
    }
    if (pipe2(terminal.signalPipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        *error = std::string("cannot make a pipe: ") + std::strerror(errno);
        return false;
    }
    writer_ = std::make_unique<ScreenWriter>(TraitsOf(environment));
    ReadSize();

    static bool atExitSet = false;
    if (!atExitSet) {
        std::atexit(RestoreAtExit);
        atExitSet = true;
    }
    CaptureStandardError();
    terminal.active = 1;
    for (int sig : kEndingSignals)
        Install(sig, true);
    for (int sig : kCrashSignals)
        Install(sig, true);
    for (int sig : kNoticeSignals)
        Install(sig, false);
    EnterScreen();
    started_ = true;
    return true;
}

void TerminalDesktop::Stop() {
    if (!started_) return;
    started_ = false;
    RestoreTerminal();
    UninstallAll();
    for (int& fd : terminal.signalPipe) {
        if (fd >= 0) close(fd);
        fd = -1;
    }
}

int TerminalDesktop::ScreenWidth() const {
    return columns_ * kCellWidth;
}
int TerminalDesktop::ScreenHeight() const {
    return rows_ * kCellHeight;
}

void TerminalDesktop::ReadSize() {
    winsize size{};
    if (ioctl(STDOUT_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 0 && size.ws_row > 0) {
        columns_ = size.ws_col;
        rows_ = size.ws_row;
    }
}

// ---- Waiting ----

void TerminalDesktop::Wait(std::optional<uint32_t> deadline, int wakeFd) {
    if (!started_) {
        platform::WaitOnRealClock(deadline, wakeFd);
        return;
    }
    // While the wait runs, a changed cursor is drawn by the wait itself.
    inWait_ = true;
    struct ClearOnReturn {
        bool& flag;
        ~ClearOnReturn() { flag = false; }
    } clear{inWait_};

    for (;;) {
        if (!steps_.empty()) {
            Step step = std::move(steps_.front());
            steps_.pop_front();
            step();
            return;
        }
        if (KeepWindowsInView()) return;
        Draw();

        // The longest the wait may block: the program's next timer, the
        // clock's next minute, the rest of an escape sequence.
        int timeout = -1;
        auto shorten = [&timeout](int64_t ms) {
            const int bounded = static_cast<int>(std::clamp<int64_t>(ms, 0, 24 * 3600 * 1000));
            if (timeout < 0 || bounded < timeout) timeout = bounded;
        };
        if (deadline) {
            const int32_t left = static_cast<int32_t>(*deadline - platform::ClockNow());
            if (left <= 0) return;
            shorten(left);
        }
        timespec now{};
        clock_gettime(CLOCK_REALTIME, &now);
        shorten(60000 - (static_cast<int64_t>(now.tv_sec % 60) * 1000 + now.tv_nsec / 1000000) + 5);
        constexpr int kEscapeWaitMs = 40;
        if (reader_.Incomplete()) {
            const auto waited = std::chrono::duration_cast<std::chrono::milliseconds>(
                                    std::chrono::steady_clock::now() - incompleteSince_)
                                    .count();
            shorten(kEscapeWaitMs - waited);
        }

        pollfd fds[3];
        nfds_t count = 0;
        const int inputSlot = inputClosed_ ? -1 : static_cast<int>(count);
        if (!inputClosed_) fds[count++] = {STDIN_FILENO, POLLIN, 0};
        const int signalSlot = static_cast<int>(count);
        fds[count++] = {terminal.signalPipe[0], POLLIN, 0};
        const int wakeSlot = wakeFd >= 0 ? static_cast<int>(count) : -1;
        if (wakeFd >= 0) fds[count++] = {wakeFd, POLLIN, 0};
        const int ready = poll(fds, count, timeout);
        if (ready < 0 && errno != EINTR) return;

        if (ready > 0 && fds[signalSlot].revents) HandleSignals();
        if (ready > 0 && inputSlot >= 0 && fds[inputSlot].revents) ReadInput();
        if (reader_.Incomplete()) {
            const auto waited = std::chrono::steady_clock::now() - incompleteSince_;
            if (waited >= std::chrono::milliseconds(kEscapeWaitMs)) reader_.Flush();
        }
        for (const TerminalEvent& e : reader_.Take())
            Translate(e);
        if (ready > 0 && wakeSlot >= 0 && fds[wakeSlot].revents) return;
        if (deadline && static_cast<int32_t>(*deadline - platform::ClockNow()) <= 0) return;
    }
}

void TerminalDesktop::HandleSignals() {
    char signals[64];
    bool resized = false, resumed = false, suspend = false;
    for (;;) {
        const ssize_t n = read(terminal.signalPipe[0], signals, sizeof signals);
        if (n <= 0) break;
        for (ssize_t i = 0; i < n; ++i) {
            if (signals[i] == SIGWINCH) resized = true;
            if (signals[i] == SIGCONT) resumed = true;
            if (signals[i] == SIGTSTP) suspend = true;
        }
    }
    if (suspend) Suspend();
    if (resumed && terminal.active) {
        // Whoever stopped the process may have changed the terminal.
        EnterScreen();
        writer_->Invalidate();
    }
    if (resized || suspend || resumed) {
        ReadSize();
        writer_->Invalidate();
    }
}

// Ctrl+Z: the terminal as it was while the process is stopped, the desktop
// again when it goes on.
void TerminalDesktop::Suspend() {
    if (!terminal.active) return;
    LeaveScreen();
    struct sigaction stop {
    }, ours{};
    stop.sa_handler = SIG_DFL;
    sigemptyset(&stop.sa_mask);
    sigaction(SIGTSTP, &stop, &ours);
    raise(SIGTSTP);
    sigaction(SIGTSTP, &ours, nullptr);
    EnterScreen();
    writer_->Invalidate();
}

void TerminalDesktop::ReadInput() {
    char buffer[4096];
    const ssize_t n = read(STDIN_FILENO, buffer, sizeof buffer);
    if (n == 0 || (n < 0 && errno != EINTR && errno != EAGAIN)) {
        // The terminal is gone: nothing more will come from it.
        inputClosed_ = true;
        return;
    }
    if (n < 0) return;
    const bool wasIncomplete = reader_.Incomplete();
    reader_.Feed(std::string_view(buffer, static_cast<size_t>(n)));
    if (reader_.Incomplete() && !wasIncomplete) incompleteSince_ = std::chrono::steady_clock::now();
}

// ---- Input ----

void TerminalDesktop::Translate(const TerminalEvent& e) {
    switch (e.kind) {
    case TerminalEvent::Kind::Key:
        OnKey(e.key);
        break;
    case TerminalEvent::Kind::Text:
        trayFocus_ = false;
        steps_.push_back([text = e.text] { TextInput(text); });
        break;
    case TerminalEvent::Kind::Mouse:
        OnMouse(e.mouse);
        break;
    }
}

void TerminalDesktop::OnKey(const TerminalKey& key) {
    if (key.vk == kTrayFocusKey && key.modifiers == kControl) {
        trayFocus_ = !trayFocus_ && !NotifyIcons().empty();
        trayIcon_ = 0;
        return;
    }
    if (trayFocus_) {
        if (OnTrayKey(key)) return;
        trayFocus_ = false;
    }
    QueueKey(key);
}

// Keys while the notification area has the focus: Enter is a double click
// on the icon, Shift+F10 and the menu key a right click, Space a click.
bool TerminalDesktop::OnTrayKey(const TerminalKey& key) {
    const size_t count = NotifyIcons().size();
    if (count == 0 || trayIcon_ >= count) {
        trayFocus_ = false;
        return false;
    }
    const UINT vk = key.vk, mods = key.modifiers;
    if (vk == VK_RETURN && mods == 0) {
        trayFocus_ = false;
        TrayClick(trayIcon_, WM_LBUTTONDOWN, WM_LBUTTONUP);
        steps_.push_back(
            [icon = trayIcon_] { platform::shell::NotifyAreaMouse(icon, WM_LBUTTONDBLCLK); });
        steps_.push_back(
            [icon = trayIcon_] { platform::shell::NotifyAreaMouse(icon, WM_LBUTTONUP); });
        return true;
    }
    if ((vk == VK_F10 && mods == kShift) || (vk == VK_APPS && mods == 0)) {
        trayFocus_ = false;
        TrayClick(trayIcon_, WM_RBUTTONDOWN, WM_RBUTTONUP);
        return true;
    }
    if (vk == VK_SPACE && mods == 0) {
        TrayClick(trayIcon_, WM_LBUTTONDOWN, WM_LBUTTONUP);
        return true;
    }
    if ((vk == VK_LEFT || vk == VK_RIGHT) && mods == 0) {
        if (vk == VK_LEFT && trayIcon_ > 0) --trayIcon_;
        if (vk == VK_RIGHT && trayIcon_ + 1 < count) ++trayIcon_;
        return true;
    }
    if ((vk == VK_ESCAPE || vk == VK_TAB) && (mods & ~kShift) == 0) {
        trayFocus_ = false;
        return true;
    }
    return false;
}

// The pointer moves onto the icon first (a program that opens a menu there
// reads where the pointer is), then the shell reports the button messages.
void TerminalDesktop::TrayClick(size_t icon, UINT first, UINT second) {
    if (std::optional<POINT> at = NotifyIconPoint(icon)) QueueMove(*at);
    steps_.push_back([icon, first] { platform::shell::NotifyAreaMouse(icon, first); });
    steps_.push_back([icon, second] { platform::shell::NotifyAreaMouse(icon, second); });
}

// A key as Windows reports it: the modifiers go down, the key goes down and
// up, the modifiers come up.
void TerminalDesktop::QueueKey(const TerminalKey& key) {
    static constexpr UINT kOrder[] = {kShift, kControl, kAlt};
    UINT held = 0;
    for (UINT bit : kOrder)
        if (key.modifiers & bit) {
            held |= bit;
            steps_.push_back([bit, held] { KeyInput(ModifierVirtualKey(bit), true, held, 0); });
        }
    steps_.push_back([key] { KeyInput(key.vk, true, key.modifiers, key.ch); });
    steps_.push_back([key] { KeyInput(key.vk, false, key.modifiers, 0); });
    for (int i = 2; i >= 0; --i)
        if (key.modifiers & kOrder[i])
            steps_.push_back(
                [bit = kOrder[i], held] { KeyInput(ModifierVirtualKey(bit), false, held, 0); });
}

void TerminalDesktop::QueueMove(POINT p) {
    if (p.x == lastFed_.x && p.y == lastFed_.y) return;
    lastFed_ = p;
    steps_.push_back([p] { MouseInput(MouseAction::Move, p); });
}

void TerminalDesktop::OnMouse(const TerminalMouse& m) {
    if (m.column < 0 || m.row < 0 || m.column >= columns_ || m.row >= rows_) return;
    mouseKnown_ = true;
    mouseColumn_ = m.column;
    mouseRow_ = m.row;
    // What the terminal shows is not the desktop while it is too small.
    if (tooSmall_) return;
    const POINT p = PointOfCell(m.column, m.row);
    const std::optional<size_t> icon = NotifyIconAt(p);

    if (m.motion) {
        hoverIcon_ = heldButton_ == TerminalButton::None ? icon : std::nullopt;
        if (pressedIcon_) return;
        QueueMove(p);
        if (icon && heldButton_ == TerminalButton::None)
            steps_.push_back([i = *icon] { platform::shell::NotifyAreaMouse(i, WM_MOUSEMOVE); });
        return;
    }
    TerminalButton button = m.button;
    if (!m.press && button == TerminalButton::None) button = heldButton_; // X10 reports
    if (button != TerminalButton::Left && button != TerminalButton::Right) return;
    const bool left = button == TerminalButton::Left;

    if (m.press) {
        trayFocus_ = false;
        hoverIcon_.reset();
        const auto now = std::chrono::steady_clock::now();
        const bool isDouble = !lastPressDouble_ && button == lastPressButton_ &&
                              m.column == lastPressColumn_ && m.row == lastPressRow_ &&
                              now - lastPressTime_ <= std::chrono::milliseconds(kDoubleClickMs);
        lastPressButton_ = button;
        lastPressColumn_ = m.column;
        lastPressRow_ = m.row;
        lastPressTime_ = now;
        lastPressDouble_ = isDouble;
        heldButton_ = button;
        QueueMove(p);
        if (icon) {
            pressedIcon_ = icon;
            const UINT message = left ? (isDouble ? WM_LBUTTONDBLCLK : WM_LBUTTONDOWN)
                                      : (isDouble ? WM_RBUTTONDBLCLK : WM_RBUTTONDOWN);
            steps_.push_back(
                [i = *icon, message] { platform::shell::NotifyAreaMouse(i, message); });
        } else {
            const MouseAction action =
                left ? (isDouble ? MouseAction::LeftDouble : MouseAction::LeftDown)
                     : (isDouble ? MouseAction::RightDouble : MouseAction::RightDown);
            steps_.push_back([action, p] { MouseInput(action, p); });
        }
        return;
    }
    heldButton_ = TerminalButton::None;
    if (pressedIcon_) {
        const UINT message = left ? WM_LBUTTONUP : WM_RBUTTONUP;
        steps_.push_back(
            [i = *pressedIcon_, message] { platform::shell::NotifyAreaMouse(i, message); });
        pressedIcon_.reset();
        return;
    }
    QueueMove(p);
    const MouseAction action = left ? MouseAction::LeftUp : MouseAction::RightUp;
    steps_.push_back([action, p] { MouseInput(action, p); });
}

// ---- The screen ----

void TerminalDesktop::ComputeNeededSize() {
    neededColumns_ = neededRows_ = 0;
    neededBy_.clear();
    for (Window* w : TopLevelWindows()) {
        if (!IsFramedWindow(w)) continue;
        const RECT r = ScreenRect(w);
        const int columns = (r.right - r.left + kCellWidth - 1) / kCellWidth;
        const int rows = (r.bottom - r.top + kCellHeight - 1) / kCellHeight + 1; // and the taskbar
        if (columns > neededColumns_ || rows > neededRows_) neededBy_ = w->text;
        neededColumns_ = std::max(neededColumns_, columns);
        neededRows_ = std::max(neededRows_, rows);
    }
    tooSmall_ = columns_ < neededColumns_ || rows_ < neededRows_;
}

// A window the terminal could show whole, but that lies partly off the
// screen (placed while the terminal was smaller) or over the taskbar, is
// moved into view, as Windows keeps dialogs inside the work area.
bool TerminalDesktop::KeepWindowsInView() {
    const int width = columns_ * kCellWidth, height = (rows_ - 1) * kCellHeight;
    bool moved = false;
    std::vector<HWND> framed;
    for (Window* w : TopLevelWindows())
        if (IsFramedWindow(w)) framed.push_back(w->handle);
    for (HWND hwnd : framed) {
        Window* w = Find(hwnd);
        if (w == nullptr) continue;
        const RECT r = ScreenRect(w);
        const int cx = r.right - r.left, cy = r.bottom - r.top;
        if (cx > width || cy > height) continue;
        const int x = std::clamp<int>(r.left, 0, width - cx),
                  y = std::clamp<int>(r.top, 0, height - cy);
        if (x == r.left && y == r.top) continue;
        SetWindowPos(hwnd, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        // A window that stays where it is (its program refused) is left be.
        const Window* after = Find(hwnd);
        const RECT now = after != nullptr ? ScreenRect(after) : r;
        if (now.left != r.left || now.top != r.top) moved = true;
    }
    return moved;
}

void TerminalDesktop::Draw() {
    ComputeNeededSize();
    rendering_ = true;
    Grid grid = tooSmall_ ? TooSmallScreen() : RenderScreen();
    rendering_ = false;
    rendered_ = std::make_unique<Grid>(std::move(grid));
    Present();
}

void TerminalDesktop::Present() {
    if (!rendered_) return;
    Grid frame = *rendered_;
    AddOverlays(frame);
    const std::string out = writer_->Update(frame);
    if (!out.empty()) WriteAll(STDOUT_FILENO, out.data(), out.size());
}

// The program set a cursor while it is busy (the wait cursor before a long
// task): the pointer is shown at once, over the screen as it was drawn
// last, without asking the windows to draw.
void TerminalDesktop::ScreenChanged() {
    if (!started_ || inWait_ || rendering_ || !rendered_) return;
    if (CurrentCursorKind() == shownCursor_) return;
    Present();
}

Grid TerminalDesktop::TooSmallScreen() const {
    Grid g(columns_, rows_);
    for (Cell& c : g.cells)
        c = Cell{U' ', 0, kWhite, kDesktopColour, 0};
    const std::string who = neededBy_.empty() ? "a window" : "\"" + neededBy_ + "\"";
    const std::string text[] = {
        "The terminal is too small.",
        who + " needs " + std::to_string(neededColumns_) + " x " + std::to_string(neededRows_) +
            " cells with the taskbar; the terminal has " + std::to_string(columns_) + " x " +
            std::to_string(rows_) + ".",
        "Make the terminal larger: the desktop comes back by itself.",
    };
    std::vector<std::string> lines;
    for (size_t i = 0; i < std::size(text); ++i) {
        if (i > 0) lines.emplace_back();
        for (std::string& line : WrapWords(text[i], std::max(1, columns_ - 2)))
            lines.push_back(std::move(line));
    }
    const int top = std::max(0, (rows_ - static_cast<int>(lines.size())) / 2);
    for (size_t i = 0; i < lines.size(); ++i)
        PutText(g, 1, top + static_cast<int>(i), lines[i], kWhite, kDesktopColour, columns_ - 2,
                i == 0 ? kBold : 0);
    return g;
}

void TerminalDesktop::AddOverlays(Grid& frame) {
    const CursorKind cursor = CurrentCursorKind();
    shownCursor_ = cursor;
    if (tooSmall_) return;
    const int bottom = frame.height - 1;
    const auto& icons = NotifyIcons();
    if (trayIcon_ >= icons.size()) trayFocus_ = false;
    if (hoverIcon_ && *hoverIcon_ >= icons.size()) hoverIcon_.reset();

    // The notification area's left edge on the taskbar.
    int areaEdge = -1;
    for (int x = frame.width - 1; x >= 0 && bottom >= 0; --x)
        if (frame.At(x, bottom).ch == U'│') {
            areaEdge = x;
            break;
        }

    // The icon that has the keyboard focus, in brackets.
    const std::optional<size_t> tipIcon =
        trayFocus_ ? std::optional<size_t>(trayIcon_) : hoverIcon_;
    std::optional<POINT> iconAt = tipIcon ? NotifyIconPoint(*tipIcon) : std::nullopt;
    const int iconColumn = iconAt ? iconAt->x / kCellWidth - 1 : -1;
    if (trayFocus_ && iconAt) {
        Put(frame, iconColumn - 1, bottom, U'[', kWhite, kNavy, kBold);
        Put(frame, iconColumn + 2, bottom, U']', kWhite, kNavy, kBold);
    }

    bool anyWindow = false;
    for (Window* w : TopLevelWindows())
        if (!w->destroyed && IsVisible(w) && w->rect.right > w->rect.left) anyWindow = true;

    if (iconAt && !icons[*tipIcon].tip.empty() && frame.height >= 4) {
        // The tip: a framed line just above the taskbar, ending at the icon.
        const std::string& tip = icons[*tipIcon].tip;
        const int textCells = std::min(platform::TextCells(tip), std::max(0, frame.width - 4));
        const int boxWidth = textCells + 4;
        const int right = std::min(frame.width, iconColumn + 3);
        const int left = std::max(0, right - boxWidth);
        const int top = bottom - 3;
        for (int x = left + 1; x < left + boxWidth - 1; ++x) {
            Put(frame, x, top, U'─', kBlack, kTipColour);
            Put(frame, x, top + 2, U'─', kBlack, kTipColour);
            Put(frame, x, top + 1, U' ', kBlack, kTipColour);
        }
        Put(frame, left, top, U'┌', kBlack, kTipColour);
        Put(frame, left + boxWidth - 1, top, U'┐', kBlack, kTipColour);
        Put(frame, left, top + 1, U'│', kBlack, kTipColour);
        Put(frame, left + boxWidth - 1, top + 1, U'│', kBlack, kTipColour);
        Put(frame, left, top + 2, U'└', kBlack, kTipColour);
        Put(frame, left + boxWidth - 1, top + 2, U'┘', kBlack, kTipColour);
        PutText(frame, left + 2, top + 1, tip, kBlack, kTipColour, textCells);
    } else if (!anyWindow && !icons.empty() && frame.height >= 2) {
        // On an empty desktop, how to reach the program without a mouse.
        const std::string hint = " Ctrl+T: notification area ";
        const int cells = platform::TextCells(hint);
        PutText(frame, std::max(0, frame.width - cells - 1), bottom - 1, hint, kWhite,
                kDesktopColour, cells);
    }

    // The wait pointer also shows on the taskbar, for a person at the keys.
    if (cursor == CursorKind::Wait && areaEdge >= 16)
        PutText(frame, areaEdge - 9, bottom, " \u29D7 Busy ", kBlack, kYellow, 8, kBold);
    // The wait and hand pointers where the mouse is.
    if (mouseKnown_ && (cursor == CursorKind::Wait || cursor == CursorKind::Hand) &&
        frame.Inside(mouseColumn_, mouseRow_))
        Put(frame, mouseColumn_, mouseRow_, cursor == CursorKind::Wait ? U'\u29D7' : U'\u261B',
            kBlack, kYellow, kBold);
}

} // namespace desktop
