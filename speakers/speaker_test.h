// The speaker test on the General page: the state the shell reads and the
// operation it calls to stop a running test.
#pragma once

#include <windows.h>

extern int speakerTestRunning;
// The slot being played or next to play, and the end of the slot range.
extern int testIndex;
extern int testEnd;
void ToggleTest(HWND window);
