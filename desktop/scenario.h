// The scenario driver (`cvpanel --script FILE`): the user and the outside
// world as a text file (docs/scenarios.md), on the virtual clock.
//
// It is the front end: whenever the program waits for input, Wait runs the
// script's next line, so everything the last action caused has happened
// before the next line. Actions reach the program only as input (the mouse
// at a point of the screen, keys, typed text) and as messages another
// program would post; expectations read the screen's state through the
// documented messages, the machine and the debugger output.
#pragma once

#include "host/frontend.h"
#include "scenario_parse.h"

#include <cstdint>
#include <deque>
#include <functional>
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

namespace machine {
class Machine;
}

namespace desktop {

class ScenarioDriver : public platform::FrontEnd {
  public:
    // Exit statuses of a scripted run.
    static constexpr int kAllHeld = 0;
    static constexpr int kExpectationFailed = 1;
    static constexpr int kScriptWrong = 2;

    // Messages go to `err`, the `screen` output to `out`.
    ScenarioDriver(std::ostream& out, std::ostream& err);

    // Reads and checks a whole script; on error returns false with a message
    // that names the file and line. `name` is how messages name the script.
    bool Load(const std::string& path, std::string* error);
    bool LoadText(std::string_view text, const std::string& name, std::string* error);

    // Carries out the setup lines on the machine, before the program starts.
    // Returns kAllHeld, or kScriptWrong after a message.
    int RunSetup(machine::Machine& machine);

    // How the run ends when it must end while the program still runs (the
    // script is over, an expectation failed, a line is wrong): called with
    // the exit status; it must not return. By default the process exits.
    void SetEndOfRun(std::function<void(int status)> end) { endOfRun_ = std::move(end); }

    // The program's main entry returned `exitCode`: runs the lines left
    // (those that need the program fail) and returns the run's exit status.
    int Finish(int exitCode);

    // FrontEnd.
    void Wait(std::optional<uint32_t> deadline, int wakeFd) override;

  private:
    using Step = std::function<void()>;
    using Command = scenario::Command;

    void Execute(const Command& c);
    void DoSetup(const Command& c, machine::Machine& m);
    void ExpectOutside(const Command& c);
    void DoCopy(const Command& c);
    void DoScreen();

    // Runs `what` for line `c`; a line that cannot be carried out or an
    // expectation that does not hold ends the run.
    template <class F> void Guarded(const Command& c, F what);
    [[noreturn]] void EndRun(int status);
    [[noreturn]] void Fail(const Command& c, const std::string& expected, const std::string& found);
    [[noreturn]] void ScriptError(const Command& c, const std::string& message);
    std::string Where(const Command& c) const;

    std::string name_;
    std::vector<Command> commands_;
    size_t next_ = 0;
    std::ostream& out_;
    std::ostream& err_;
    std::function<void(int)> endOfRun_;

    // The line being carried out, and its input still to feed: one step per
    // wait of the program, so that each reaches the window it would reach.
    const Command* current_ = nullptr;
    std::deque<Step> steps_;
    // The clock value a `wait` line runs to.
    std::optional<uint32_t> waitUntil_;

    // Where this run's part of the machine's debug.log starts: `expect debug`
    // sees what every program on the machine wrote since.
    std::optional<uintmax_t> debugLogStart_;

    bool ended_ = false; // the program's main entry has returned
    int exitCode_ = 0;
};

} // namespace desktop
