// The one clock behind GetTickCount, Sleep, timers and the playing time of
// sounds. The terminal desktop runs it on real time; the scenario driver on
// virtual time that moves only when the program waits.
#pragma once

#include <cstdint>

namespace platform {

enum class ClockMode { Real, Virtual };

void SetClockMode(ClockMode mode);
ClockMode GetClockMode();

// Milliseconds since the platform started, wrapping like GetTickCount.
uint32_t ClockNow();

// Lets `ms` milliseconds pass: real time sleeps, virtual time jumps.
void ClockSleep(uint32_t ms);

// Virtual time only: moves the clock forward by `ms` (a scenario's `wait`).
void ClockAdvance(uint32_t ms);

// Called on every read of the tick count by the program. Under the virtual
// clock a program that spins on the tick count must still see time pass, so
// repeated reads with nothing else happening move the clock forward.
uint32_t ClockReadByProgram();

} // namespace platform
