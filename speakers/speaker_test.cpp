// The speaker test on the General page.
#include "speaker_test.h"

int speakerTestRunning = 0;
int testIndex = 0;
int testEnd = 0;

// No test sound plays yet: the speaker test comes with the General page's
// pictures, so there is nothing to stop.
void ToggleTest(HWND) {}
