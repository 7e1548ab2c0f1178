// Driver removal from the General page: the bridge it holds while it runs.
#include "removal.h"

HMODULE bridgeModule = nullptr;
// Set only while a removal runs; the shell then ignores the close request.
DLL32CALLPROC removalCall = nullptr;
