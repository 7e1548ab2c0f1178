// InitCommonControls: makes the common controls' window classes known, as
// loading the common-controls library does on Windows. Dialog templates
// that name these classes work only after it.
#include <commctrl.h>

#include "user/classes.h"

WINBASEAPI void WINAPI InitCommonControls(void) {
    static bool registered = false;
    if (registered) return;
    registered = true;
    platform::commctrl::RegisterTrackbarClass();
    platform::commctrl::RegisterTabControlClass();
}
