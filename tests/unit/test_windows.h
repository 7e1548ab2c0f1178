// Helpers for tests of the window system: a top-level window that records
// the messages it gets, a pump that dispatches everything queued, and mouse
// and key input as a person would give it.
#pragma once

#include <windows.h>

#include "test_machine.h"
#include "user/input.h"
#include "user/window.h"

#include <string>
#include <vector>

struct Recorded {
    HWND hwnd;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};

// Messages a RecordingParent received, in order. Tests clear it as they go.
inline std::vector<Recorded>& Received() {
    static std::vector<Recorded> log;
    return log;
}

inline LRESULT CALLBACK RecordingProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    Received().push_back({hwnd, message, wParam, lParam});
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

// A visible top-level window at (0,0) of the given client size whose
// procedure records every message.
inline HWND CreateRecordingParent(int width = 400, int height = 300) {
    static bool registered = false;
    if (!registered) {
        WNDCLASSA wc{};
        wc.lpfnWndProc = RecordingProc;
        wc.lpszClassName = "TestRecordingParent";
        RegisterClassA(&wc);
        registered = true;
    }
    HWND hwnd = CreateWindowExA(0, "TestRecordingParent", "Test", WS_POPUP | WS_VISIBLE, 0, 0,
                                width, height, nullptr, nullptr, nullptr, nullptr);
    return hwnd;
}

// Dispatches every message that is waiting, painting and due timers
// included, without waiting for anything.
inline void Pump() {
    MSG msg;
    for (int guard = 0; guard < 10000 && PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE); ++guard) {
        if (msg.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(msg.wParam));
            break;
        }
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

inline POINT CenterOf(HWND hwnd) {
    RECT r;
    GetWindowRect(hwnd, &r);
    return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

inline void Click(POINT p) {
    using platform::user::MouseAction;
    platform::user::MouseInput(MouseAction::Move, p);
    platform::user::MouseInput(MouseAction::LeftDown, p);
    Pump();
    platform::user::MouseInput(MouseAction::LeftUp, p);
    Pump();
}
inline void Click(HWND control) { Click(CenterOf(control)); }

inline void Key(UINT vk, UINT modifiers = 0, unsigned char ch = 0) {
    platform::user::KeyInput(vk, true, modifiers, ch);
    Pump();
    platform::user::KeyInput(vk, false, modifiers, 0);
    Pump();
}

// The messages of one kind that `hwnd` received.
inline std::vector<Recorded> ReceivedOf(HWND hwnd, UINT message) {
    std::vector<Recorded> out;
    for (const Recorded& r : Received())
        if (r.hwnd == hwnd && r.message == message) out.push_back(r);
    return out;
}
