// Other processes on the same machine. Each process lists its top-level
// windows in a file of DIR/run and receives posted messages on a socket
// beside it, so that FindWindowA, PostMessageA and SetForegroundWindow reach
// a program in another process. Entries of dead processes are ignored and
// removed.
#pragma once

#include "window.h"

namespace platform::user {

void RegisterTopLevel(Window* w);
void UnregisterTopLevel(HWND hwnd);
// Updates the entry after a top-level window's text changed.
void TopLevelChanged(Window* w);

// The descriptor that becomes readable when another process posts to this
// one; -1 when there is no machine.
int WakeDescriptor();
// Moves messages that other processes posted into the queue.
void PumpRemoteMessages();

BOOL PostRemote(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
// Posts to a window of a known process on the machine, a child window
// included (a driver notifying the window that opened it).
BOOL PostToProcess(int pid, HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
BOOL ForegroundRemote(HWND hwnd);

// Removes this process's entry (at exit).
void LeaveRunFolder();

} // namespace platform::user
