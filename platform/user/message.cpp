// Messages: posting, sending, the queue with its timers, painting and quit
// message, and GetMessage's wait on the front end.
#include "message.h"

#include "host/clock.h"
#include "host/frontend.h"
#include "input.h"
#include "process.h"

#include <algorithm>
#include <deque>
#include <map>

namespace platform::user {
namespace {

std::deque<MSG> posted;
bool quitPending = false;
int quitCode = 0;
DWORD lastMessageTime = 0;

struct Timer {
    HWND hwnd;
    UINT_PTR id;
    UINT period;
    uint32_t due;
    TIMERPROC proc;
};
std::vector<Timer> timers;

struct ModalLoop {
    Window* owner;
    bool* ended;
};
std::vector<ModalLoop> modalLoops;

bool Matches(const MSG& m, HWND filter, UINT low, UINT high) {
    if (filter != nullptr && m.hwnd != filter && !IsChild(filter, m.hwnd)) return false;
    if (low == 0 && high == 0) return true;
    return m.message >= low && m.message <= high;
}

MSG Make(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    MSG m{hwnd, message, wParam, lParam, ClockNow(), {0, 0}};
    GetCursorPos(&m.pt);
    return m;
}

// A window that needs painting, children before the windows under them.
Window* NeedsPaint(HWND filter) {
    for (Window* top : TopLevelWindows()) {
        std::vector<Window*> stack{top};
        while (!stack.empty()) {
            Window* w = stack.back();
            stack.pop_back();
            if (w->invalid && IsVisible(w) && (filter == nullptr || w->handle == filter))
                return w;
            for (Window* child : w->children) stack.push_back(child);
        }
    }
    return nullptr;
}

// Takes the next message as GetMessage/PeekMessage see them: posted
// messages first, then the quit message, painting and timers.
bool Next(MSG* out, HWND filter, UINT low, UINT high, bool remove) {
    PumpRemoteMessages();
    for (auto it = posted.begin(); it != posted.end(); ++it)
        if (Matches(*it, filter, low, high)) {
            *out = *it;
            if (remove) posted.erase(it);
            return true;
        }
    if (quitPending && filter == nullptr) {
        *out = Make(nullptr, WM_QUIT, static_cast<WPARAM>(quitCode), 0);
        if (remove) quitPending = false;
        return true;
    }
    if (low == 0 || (low <= WM_PAINT && high >= WM_PAINT))
        if (Window* w = NeedsPaint(filter)) {
            *out = Make(w->handle, WM_PAINT, 0, 0);
            return true;
        }
    if (low == 0 || (low <= WM_TIMER && high >= WM_TIMER)) {
        uint32_t now = ClockNow();
        for (Timer& t : timers)
            if (static_cast<int32_t>(now - t.due) >= 0 &&
                (filter == nullptr || t.hwnd == filter || IsChild(filter, t.hwnd))) {
                *out = Make(t.hwnd, WM_TIMER, t.id, reinterpret_cast<LPARAM>(t.proc));
                // Timers do not pile up: the next tick counts from now.
                if (remove) t.due = now + t.period;
                return true;
            }
    }
    return false;
}

// Blocks until something may be there: the front end waits for input, the
// next timer, or another process's message.
void WaitForWork() {
    // Only timers still to come count: one that is due already but that a
    // filtered GetMessage does not take must not make the wait return at
    // once, for ever.
    std::optional<uint32_t> deadline;
    const uint32_t now = ClockNow();
    for (const Timer& t : timers)
        if (static_cast<int32_t>(t.due - now) > 0 &&
            (!deadline || static_cast<int32_t>(t.due - *deadline) < 0))
            deadline = t.due;
    CurrentFrontEnd().Wait(deadline, WakeDescriptor());
}

} // namespace

void Enqueue(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    posted.push_back(Make(hwnd, message, wParam, lParam));
}

bool InModalLoop() { return !modalLoops.empty(); }

bool RunModalLoop(Window* owner, bool* ended, HWND dialog) {
    modalLoops.push_back({owner, ended});
    HWND ownerHandle = owner ? owner->handle : nullptr;
    bool quit = false;
    MSG msg;
    // The window is checked first: `ended` lives in its record.
    while ((ownerHandle == nullptr || Find(ownerHandle) == owner) && !*ended) {
        if (!GetMessageA(&msg, nullptr, 0, 0)) {
            quit = true;
            break;
        }
        if (dialog != nullptr && IsDialogMessageA(dialog, &msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    modalLoops.pop_back();
    if (quit) PostQuitMessage(static_cast<int>(msg.wParam));
    return !quit;
}

void EndModalLoopsOf(Window* w) {
    for (ModalLoop& loop : modalLoops)
        if (loop.owner == w) {
            *loop.ended = true;
            // Wakes the loop, which may be waiting for input, to notice.
            Enqueue(nullptr, WM_NULL, 0, 0);
        }
}

void KillWindowTimers(HWND hwnd) {
    timers.erase(std::remove_if(timers.begin(), timers.end(),
                                [hwnd](const Timer& t) { return t.hwnd == hwnd; }),
                 timers.end());
}

} // namespace platform::user

using namespace platform::user;

WINBASEAPI BOOL WINAPI GetMessageA(LPMSG msg, HWND hwnd, UINT low, UINT high) {
    if (msg == nullptr) return -1;
    while (!Next(msg, hwnd, low, high, true)) WaitForWork();
    lastMessageTime = msg->time;
    return msg->message != WM_QUIT;
}

WINBASEAPI BOOL WINAPI PeekMessageA(LPMSG msg, HWND hwnd, UINT low, UINT high, UINT remove) {
    if (msg == nullptr) return FALSE;
    return Next(msg, hwnd, low, high, (remove & PM_REMOVE) != 0);
}

WINBASEAPI DWORD WINAPI GetMessageTime(void) { return lastMessageTime; }

WINBASEAPI BOOL WINAPI TranslateMessage(const MSG* msg) {
    if (msg == nullptr || (msg->message != WM_KEYDOWN && msg->message != WM_SYSKEYDOWN))
        return FALSE;
    UINT ch = CharacterOfKey(msg->lParam);
    if (ch == 0) return FALSE;
    Enqueue(msg->hwnd, msg->message == WM_KEYDOWN ? WM_CHAR : WM_SYSCHAR, ch, msg->lParam);
    return TRUE;
}

namespace platform::user {

bool CarriesPointer(UINT message) {
    switch (message) {
    case WM_CREATE:
    case WM_SETTEXT:
    case WM_GETTEXT:
    case WM_GETMINMAXINFO:
    case WM_DRAWITEM:
    case WM_MEASUREITEM:
    case WM_DELETEITEM:
    case WM_COMPAREITEM:
    case WM_WINDOWPOSCHANGING:
    case WM_WINDOWPOSCHANGED:
    case WM_COPYDATA:
    case WM_NOTIFY:
    case WM_HELP:
    case WM_STYLECHANGING:
    case WM_STYLECHANGED:
    case WM_NCCREATE:
    case WM_NCCALCSIZE:
    case WM_GETDLGCODE:
    case WM_SIZING:
    case WM_MOVING:
        return true;
    default:
        // The edit, combo box and list box messages that pass strings,
        // rectangles or arrays.
        return (message >= 0x00B0 && message <= 0x00DF) || (message >= 0x0140 && message <= 0x01AF);
    }
}

bool AcceptsFromOtherProcess(const Window* w, UINT message) {
    if (CarriesPointer(message) || message == WM_INITDIALOG) return false;
    const bool controlPrivate = message >= WM_USER && message < 0xC000;
    return !(controlPrivate && w->windowClass->system);
}

} // namespace platform::user

WINBASEAPI LRESULT WINAPI DispatchMessageA(const MSG* msg) {
    if (msg == nullptr) return 0;
    if (msg->message == WM_TIMER && msg->lParam != 0) {
        // Only a procedure that SetTimer was given for this very timer is
        // called: a WM_TIMER posted with any other lParam is dropped.
        const auto proc = reinterpret_cast<TIMERPROC>(msg->lParam);
        const bool set = std::any_of(timers.begin(), timers.end(), [&](const Timer& t) {
            return t.hwnd == msg->hwnd && t.id == msg->wParam && t.proc == proc;
        });
        if (set) proc(msg->hwnd, WM_TIMER, msg->wParam, msg->time);
        return 0;
    }
    Window* w = Find(msg->hwnd);
    if (w == nullptr) return 0;
    if (msg->message == WM_PAINT && w->invalid) {
        LRESULT r = Send(w, WM_PAINT, 0, 0);
        // A window procedure that does not validate still counts as painted,
        // so the loop does not spin on it.
        w->invalid = false;
        return r;
    }
    return Send(w, msg->message, msg->wParam, msg->lParam);
}

WINBASEAPI BOOL WINAPI PostMessageA(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (CarriesPointer(message)) {
        SetLastError(ERROR_MESSAGE_SYNC_ONLY);
        return FALSE;
    }
    if (hwnd == nullptr) {
        Enqueue(nullptr, message, wParam, lParam);
        return TRUE;
    }
    if (Find(hwnd) != nullptr) {
        Enqueue(hwnd, message, wParam, lParam);
        return TRUE;
    }
    return PostRemote(hwnd, message, wParam, lParam);
}

WINBASEAPI LRESULT WINAPI SendMessageA(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    Window* w = Find(hwnd);
    if (w == nullptr) {
        SetLastError(ERROR_INVALID_HANDLE);
        return 0;
    }
    return Send(w, message, wParam, lParam);
}

WINBASEAPI void WINAPI PostQuitMessage(int code) {
    quitPending = true;
    quitCode = code;
}

WINBASEAPI UINT WINAPI RegisterWindowMessageA(LPCSTR name) {
    // The same name gives the same id in every process of the machine: the
    // id is derived from the name, in the range Windows uses.
    if (name == nullptr || *name == '\0') return 0;
    uint32_t hash = 2166136261u;
    for (const char* p = name; *p; ++p) {
        char c = *p >= 'a' && *p <= 'z' ? static_cast<char>(*p - 32) : *p;
        hash = (hash ^ static_cast<unsigned char>(c)) * 16777619u;
    }
    return 0xC000 + hash % 0x3FFF;
}

WINBASEAPI UINT_PTR WINAPI SetTimer(HWND hwnd, UINT_PTR id, UINT elapse, TIMERPROC proc) {
    if (hwnd != nullptr && Find(hwnd) == nullptr) {
        SetLastError(ERROR_INVALID_HANDLE);
        return 0;
    }
    // Windows raises periods under the minimum to 10 ms.
    UINT period = std::max<UINT>(elapse, 10);
    if (hwnd == nullptr) {
        static UINT_PTR nextId = 1;
        id = nextId++;
    }
    uint32_t due = platform::ClockNow() + period;
    for (Timer& t : timers)
        if (t.hwnd == hwnd && t.id == id) {
            t = {hwnd, id, period, due, proc};
            return id != 0 ? id : 1;
        }
    timers.push_back({hwnd, id, period, due, proc});
    return id != 0 ? id : 1;
}

WINBASEAPI BOOL WINAPI KillTimer(HWND hwnd, UINT_PTR id) {
    auto it = std::find_if(timers.begin(), timers.end(),
                           [&](const Timer& t) { return t.hwnd == hwnd && t.id == id; });
    if (it == timers.end()) return FALSE;
    timers.erase(it);
    // A tick already taken from the queue is gone with the timer.
    return TRUE;
}
