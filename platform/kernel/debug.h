// Debugger output: every line goes to the trace and to DIR/debug.log, and is
// kept for the scenario driver's `expect debug`.
#pragma once

#include <string>
#include <vector>

namespace platform {

const std::vector<std::string>& DebugOutput();

} // namespace platform
