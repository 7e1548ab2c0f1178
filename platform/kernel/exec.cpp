// Starting other programs. The machine runs no program but this one, so a
// start is recorded in the trace and reported as done.
#include <shellapi.h>
#include <windows.h>

#include "host/trace.h"

namespace {
// WinExec and ShellExecute report success with a value above 31.
constexpr UINT kStarted = 33;
} // namespace

WINBASEAPI UINT WINAPI WinExec(LPCSTR lpCmdLine, UINT uCmdShow) {
    if (lpCmdLine == nullptr || *lpCmdLine == '\0') return ERROR_FILE_NOT_FOUND;
    platform::TraceEvent("exec").Str("command", lpCmdLine).Int("show", uCmdShow);
    return kStarted;
}

WINBASEAPI HINSTANCE WINAPI ShellExecuteA(HWND, LPCSTR lpOperation, LPCSTR lpFile,
                                          LPCSTR lpParameters, LPCSTR, INT nShowCmd) {
    if (lpFile == nullptr || *lpFile == '\0') return reinterpret_cast<HINSTANCE>(ERROR_FILE_NOT_FOUND);
    std::string command = lpFile;
    if (lpParameters != nullptr && *lpParameters != '\0') command += std::string(" ") + lpParameters;
    platform::TraceEvent("exec")
        .Str("command", command)
        .Str("operation", lpOperation != nullptr ? lpOperation : "open")
        .Int("show", nShowCmd);
    return reinterpret_cast<HINSTANCE>(kStarted);
}
