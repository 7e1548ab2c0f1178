// Driver removal from the General page: two steps of the bridge's partner,
// two seconds apart, then the bridge and the applet are deleted and the
// program ends.
#pragma once

#include "bridge/cvthk32.h"

// The bridge, loaded for a removal; null otherwise.
extern HMODULE bridgeModule;
// Set only while a removal runs; the shell then ignores the close request.
extern DLL32CALLPROC removalCall;
// The cursor before the removal's wait cursor.
extern HCURSOR savedCursor;

// "&Uninstall": checks, confirms and starts the first step.
void StartRemoval(HWND page);
// The removal timer: the second step, the deletions and the end.
void FinishRemoval(HWND page);
