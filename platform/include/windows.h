// The platform's Win32 API, as the program and the bridge include it.
#pragma once

#ifdef RC_INVOKED
// The resource compiler's preprocessor reads constants only; winuser.h keeps
// its constants above the part it hides from the compiler.
#include "winnt.h"
#include "winuser.h"
#include "winver.h"
#else
#include "windef.h"
#include "winnt.h"
#include "winerror.h"
#include "winbase.h"
#include "winreg.h"
#include "winuser.h"
#include "wingdi.h"
#include "winver.h"
#endif
