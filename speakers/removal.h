// Driver removal: the bridge entry held while a removal runs. The shell
// ignores the outside close request while it is set.
#pragma once

#include "bridge/cvthk32.h"

extern HMODULE bridgeModule;
extern DLL32CALLPROC removalCall;
