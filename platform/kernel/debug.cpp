#include "debug.h"

#include <windows.h>

#include "host/context.h"
#include "host/trace.h"
#include "machine.h"

#include <fstream>

namespace platform {
namespace {
std::vector<std::string> lines;
}

const std::vector<std::string>& DebugOutput() { return lines; }

} // namespace platform

WINBASEAPI void WINAPI OutputDebugStringA(LPCSTR lpOutputString) {
    if (lpOutputString == nullptr) return;
    std::string text(lpOutputString);
    platform::TraceEvent("debug").Str("text", text);
    if (machine::Machine* m = platform::CurrentMachine()) {
        std::ofstream log(m->DebugLog(), std::ios::binary | std::ios::app);
        log << text << '\n';
    }
    platform::lines.push_back(std::move(text));
}
