// The Playback Mixer page: levels, balances and mutes of the card's
// playback lines.
#pragma once

#include <windows.h>
#include <mmsystem.h>

#include "app/panel_page.h"
#include "mixer/mixer_device.h"

#define PLAYBACK_ROW_COUNT 6

class PlaybackMixerPage : public PanelPage {
  public:
    PlaybackMixerPage();
    int GetTitleId() override;
    int GetTemplateId() override;
    DLGPROC GetDialogProc() override;
    void Load(IDirectSound* directSound, IKsPropertySet* propertySet) override;
    void Apply(IDirectSound* directSound, IKsPropertySet* propertySet) override;
    void ToDialog(HWND pageWindow) override;
    void FromDialog(HWND pageWindow) override;

    // The card's mixer, chosen once when the object is built.
    UINT mixerDeviceId;
    // Open while the page window exists.
    HMIXER mixerHandle;
    MixerLineRecord records[PLAYBACK_ROW_COUNT];
};

// The one object of this page, built with the others in app/pages.cpp.
extern PlaybackMixerPage playbackMixerPage;
