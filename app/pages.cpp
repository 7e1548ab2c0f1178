// The four page objects and the page table. They are defined together in
// this one file so that they are built in this order, before the main
// entry runs, and live until the program ends: a page keeps its values
// between two openings of the control panel.
#include "panel_page.h"

#include "effects3d/effects_page.h"
#include "mixer/playback_page.h"
#include "mixer/record_page.h"
#include "speakers/general_page.h"

GeneralPage generalPage;
EffectsPage effectsPage;
PlaybackMixerPage playbackMixerPage;
RecordMixerPage recordMixerPage;

// The main entry drops the Effects page when the driver side offers no
// effects, before any dialog opens.
PanelPage* pageTable[4] = {&generalPage, &effectsPage, &playbackMixerPage, &recordMixerPage};
int pageCount = 4;
