// A front end for tests: when the program waits for input, it runs the
// next step the test queued; with no steps left, it lets virtual time run
// to the next timer. A wait with nothing to do fails the test and ends the
// program's loops, so a broken test cannot hang.
#pragma once

#include <windows.h>

#include "host/clock.h"
#include "host/frontend.h"

#include <deque>
#include <functional>

#include <gtest/gtest.h>

class ScriptedFrontEnd : public platform::FrontEnd {
  public:
    ScriptedFrontEnd() {
        platform::SetClockMode(platform::ClockMode::Virtual);
        platform::SetFrontEnd(this);
    }
    ~ScriptedFrontEnd() override {
        // A quit message left by a failed test must not end the next test's
        // loops: everything still queued goes.
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        }
        platform::SetFrontEnd(nullptr);
        platform::SetClockMode(platform::ClockMode::Real);
    }

    void Then(std::function<void()> step) { steps_.push_back(std::move(step)); }

    void Wait(std::optional<uint32_t> deadline, int) override {
        if (!steps_.empty()) {
            auto step = std::move(steps_.front());
            steps_.pop_front();
            step();
            return;
        }
        if (deadline) {
            uint32_t now = platform::ClockNow();
            if (static_cast<int32_t>(*deadline - now) > 0) platform::ClockAdvance(*deadline - now);
            return;
        }
        ADD_FAILURE() << "the program waits for input and the test has none left";
        PostQuitMessage(99);
    }

  private:
    std::deque<std::function<void()>> steps_;
};
