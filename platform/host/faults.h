// Fault injection for the tests. The machine's profile names, for an API
// family, the one call that fails ([faults] dsound_call, mixer_call: the
// N-th call of the family in this process, counted from 1; 0: none). Run
// once for every N, a test sees the program meet a failure at each call in
// turn.
#pragma once

namespace platform {

enum class FaultFamily { DirectSound, Mixer };

// Counts a call of the family and tells whether it is the one to fail; the
// failure is traced ("fault", with the family and the call's name).
bool InjectFault(FaultFamily family, const char* call);

// Forgets the counts (a test that opens another machine).
void ResetFaultCounts();

} // namespace platform
