// The Record Mixer page: the recording source and its levels.
#pragma once

#include <windows.h>

#include "app/panel_page.h"

class RecordMixerPage : public PanelPage {
  public:
    int GetTitleId() override;
    int GetTemplateId() override;
    DLGPROC GetDialogProc() override;
    void Load(IDirectSound* directSound, IKsPropertySet* propertySet) override;
    void Apply(IDirectSound* directSound, IKsPropertySet* propertySet) override;
    void ToDialog(HWND pageWindow) override;
    void FromDialog(HWND pageWindow) override;
};

// The one object of this page, built with the others in app/pages.cpp.
extern RecordMixerPage recordMixerPage;
