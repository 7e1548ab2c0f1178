// The thread's message queue: posted messages, timers, painting, the quit
// message, and the nested loops of modal windows.
#pragma once

#include "window.h"

namespace platform::user {

// Adds a message to the queue as input or a post would.
void Enqueue(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

// A system message (below WM_USER) whose wParam or lParam is a pointer: it
// can only be sent, never posted, since the pointer would not outlive the
// call or could not be read in another process.
bool CarriesPointer(UINT message);

// Whether a message posted by another process may reach window `w`. Besides
// the messages that carry pointers, that excludes WM_INITDIALOG (its lParam
// is the creator's) and the private messages of the platform's controls,
// some of which carry pointers too; the program's own windows get the rest.
bool AcceptsFromOtherProcess(const Window* w, UINT message);

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
