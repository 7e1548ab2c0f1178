// The speaker test on the General page: the state the shell reads and the
// operation it calls to stop a running test.
#pragma once

#include <windows.h>

extern int speakerTestRunning;
void ToggleTest(HWND window);
