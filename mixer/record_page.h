// The Record Mixer page: the recording source and its levels.
#pragma once

#include <windows.h>
#include <mmsystem.h>

#include "app/panel_page.h"
#include "mixer/mixer_device.h"

#define RECORD_ROW_COUNT 4

class RecordMixerPage : public PanelPage {
  public:
    RecordMixerPage();
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
    MixerLineRecord records[RECORD_ROW_COUNT];
};

// The one object of this page, built with the others in app/pages.cpp.
extern RecordMixerPage recordMixerPage;
