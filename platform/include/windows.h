// The platform's Win32 API, as the program and the bridge include it.
#pragma once

#include "windef.h"
#include "winerror.h"
#include "winbase.h"
#include "winreg.h"
