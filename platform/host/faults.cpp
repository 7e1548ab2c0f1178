#include "faults.h"

#include "context.h"
#include "machine.h"
#include "trace.h"

namespace platform {
namespace {

long counts[2] = {0, 0};

} // namespace

bool InjectFault(FaultFamily family, const char* call) {
    machine::Machine* m = CurrentMachine();
    if (m == nullptr) return false;
    const bool dsound = family == FaultFamily::DirectSound;
    const long failing = m->settings().Int("faults", dsound ? "dsound_call" : "mixer_call");
    if (failing <= 0) return false;
    long& count = counts[dsound ? 0 : 1];
    if (++count != failing) return false;
    TraceEvent("fault").Str("family", dsound ? "dsound" : "mixer").Str("call", call);
    return true;
}

void ResetFaultCounts() {
    counts[0] = counts[1] = 0;
}

} // namespace platform
