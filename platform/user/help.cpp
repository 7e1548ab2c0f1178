// WinHelp. There is no help viewer on the machine: every request is written
// to the trace, with the context it asks for, and reported as done.
#include <windows.h>

#include "host/trace.h"

namespace {

// Help tables end with a (0, 0) pair; one longer than this is taken as
// unterminated and read no further.
constexpr int kMaxHelpPairs = 4096;

// The context id that a help table gives a control, if it lists it.
bool ContextOfControl(const DWORD* table, DWORD control, DWORD* context) {
    if (table == nullptr) return false;
    for (int i = 0; i < kMaxHelpPairs && table[2 * i] != 0; ++i)
        if (table[2 * i] == control) {
            *context = table[2 * i + 1];
            return true;
        }
    return false;
}

} // namespace

WINBASEAPI BOOL WINAPI WinHelpA(HWND hwnd, LPCSTR file, UINT command, ULONG_PTR data) {
    platform::TraceEvent event("winhelp");
    if (file != nullptr)
        event.Str("file", file);
    else
        event.Null("file");
    event.Int("command", command);
    if (command == HELP_WM_HELP || command == HELP_CONTEXTMENU) {
        // The data is the program's table of (control id, context id) pairs;
        // the help for the window in question is the pair of its control id.
        const DWORD control = static_cast<DWORD>(GetDlgCtrlID(hwnd));
        DWORD context = 0;
        event.Int("control", control);
        if (ContextOfControl(reinterpret_cast<const DWORD*>(data), control, &context))
            event.Int("data", context);
        else
            event.Null("data");
    } else {
        event.Int("data", static_cast<long long>(data));
    }
    return TRUE;
}
