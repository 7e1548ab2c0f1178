// The platform's process-wide state that every component reaches: the open
// machine. Set by the loader at start (and by tests), read by the services.
#pragma once

namespace machine {
class Machine;
}

namespace platform {

machine::Machine* CurrentMachine();
void SetCurrentMachine(machine::Machine* machine);

} // namespace platform
