// The thread's message queue: posted messages, timers, painting, the quit
// message, and the nested loops of modal windows.
#pragma once

#include "window.h"

namespace platform::user {

// Adds a message to the queue as input or a post would.
void Enqueue(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

// Runs a nested message loop, as a modal dialog, menu or message box does,
// until `*ended` is set or `owner` is destroyed. Messages are offered to
// IsDialogMessage for `dialog` when it is given. A quit message ends the
// loop and is posted again for the loop outside; the result is then false.
bool RunModalLoop(Window* owner, bool* ended, HWND dialog);

// Ends the modal loops that run for a window being destroyed.
void EndModalLoopsOf(Window* w);

void KillWindowTimers(HWND hwnd);

// Whether the program is inside a modal loop of the platform's.
bool InModalLoop();

} // namespace platform::user
