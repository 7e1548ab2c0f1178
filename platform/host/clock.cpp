#include "clock.h"

#include <chrono>
#include <thread>

namespace platform {
namespace {

ClockMode mode = ClockMode::Real;
const auto realStart = std::chrono::steady_clock::now();
uint64_t virtualNow = 0;
// Reads of the tick count in a row with no other change of the clock.
unsigned idleReads = 0;
// After this many reads in a row, each further read lets a millisecond pass.
constexpr unsigned kSpinReads = 4;

} // namespace

void SetClockMode(ClockMode m) { mode = m; }
ClockMode GetClockMode() { return mode; }

uint32_t ClockNow() {
    if (mode == ClockMode::Virtual) return static_cast<uint32_t>(virtualNow);
    auto elapsed = std::chrono::steady_clock::now() - realStart;
    return static_cast<uint32_t>(
        std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count());
}

void ClockSleep(uint32_t ms) {
    idleReads = 0;
    if (mode == ClockMode::Virtual) {
        virtualNow += ms;
        return;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

void ClockAdvance(uint32_t ms) {
    idleReads = 0;
    virtualNow += ms;
}

uint32_t ClockReadByProgram() {
    if (mode == ClockMode::Virtual && ++idleReads > kSpinReads) virtualNow += 1;
    return ClockNow();
}

} // namespace platform
