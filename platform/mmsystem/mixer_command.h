// Another program changing the card's mixer: the scenario driver's `mixer`
// line (docs/mixer.md gives the syntax). The change goes to the mixer's
// state like any program's, and every window that has the device open, in
// this process or another on the machine, gets MM_MIXM_CONTROL_CHANGE.
#pragma once

#include <string>
#include <vector>

namespace platform::mm {

// `words` are the line's words after "mixer". Returns false with a message
// for a line that names no line or control of the mixer, or a bad value.
bool ApplyMixerCommand(const std::vector<std::string>& words, std::string* error);

} // namespace platform::mm
