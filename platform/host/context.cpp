#include "context.h"

namespace platform {
namespace {
machine::Machine* currentMachine = nullptr;
}

machine::Machine* CurrentMachine() { return currentMachine; }
void SetCurrentMachine(machine::Machine* machine) { currentMachine = machine; }

} // namespace platform
