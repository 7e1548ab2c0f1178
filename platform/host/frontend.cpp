#include "frontend.h"

#include "clock.h"

#include <poll.h>

namespace platform {
namespace {

class Headless : public FrontEnd {
  public:
    void Wait(std::optional<uint32_t> deadline, int wakeFd) override {
        WaitOnRealClock(deadline, wakeFd);
    }
};

Headless headless;
FrontEnd* current = &headless;

} // namespace

FrontEnd& CurrentFrontEnd() { return *current; }
void SetFrontEnd(FrontEnd* frontEnd) { current = frontEnd != nullptr ? frontEnd : &headless; }

void WaitOnRealClock(std::optional<uint32_t> deadline, int wakeFd) {
    int timeout = -1;
    if (deadline) {
        int32_t left = static_cast<int32_t>(*deadline - ClockNow());
        if (left <= 0) return;
        timeout = left;
    }
    // Without a deadline and a descriptor this would block for ever; the
    // caller only waits like that when nothing can ever wake it.
    pollfd fd{wakeFd, POLLIN, 0};
    poll(&fd, wakeFd >= 0 ? 1 : 0, timeout);
}

} // namespace platform
