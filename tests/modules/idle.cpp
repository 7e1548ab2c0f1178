// A program that creates a window and waits in its message loop with no
// timer: it must use no processor time while nothing happens.
#include <windows.h>

static LRESULT CALLBACK IdleProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

DLLEXPORT int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    WNDCLASSA wc{};
    wc.lpfnWndProc = IdleProc;
    wc.hInstance = instance;
    wc.lpszClassName = "Idle Test";
    RegisterClassA(&wc);
    CreateWindowExA(0, "Idle Test", "idle", 0, 0, 0, 0, 0, nullptr, nullptr, instance, nullptr);
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return static_cast<int>(msg.wParam);
}
