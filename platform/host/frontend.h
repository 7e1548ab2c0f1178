// The seam between the platform and its front ends (terminal desktop,
// scenario driver, headless). The platform calls the front end when the
// program waits for input; the front end feeds input through
// platform/user/input.h and reads the screen through the window records.
#pragma once

#include <cstdint>
#include <optional>

namespace platform {

class FrontEnd {
  public:
    virtual ~FrontEnd() = default;

    // The program has nothing to do until input arrives, `deadline` (a clock
    // value) passes, or `wakeFd` (other processes' messages) becomes
    // readable. Returns when any of these may have happened; returning early
    // is harmless. Input fed meanwhile is already queued.
    virtual void Wait(std::optional<uint32_t> deadline, int wakeFd) = 0;

    // The screen size in pixels.
    virtual int ScreenWidth() const { return 600; }
    virtual int ScreenHeight() const { return 520; }

    // Something on the screen changed (a redraw is worth doing).
    virtual void ScreenChanged() {}
};

// The front end in use; the headless one when none was set.
FrontEnd& CurrentFrontEnd();
void SetFrontEnd(FrontEnd* frontEnd);

// Waits on the real clock for `wakeFd` or `deadline`: the headless front
// end's wait, which the others reuse.
void WaitOnRealClock(std::optional<uint32_t> deadline, int wakeFd);

} // namespace platform
