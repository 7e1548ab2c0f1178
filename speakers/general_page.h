// The General page: the speaker arrangement, the speaker test and the
// driver removal.
#pragma once

#include <windows.h>

#include "app/panel_page.h"

class GeneralPage : public PanelPage {
  public:
    int GetTitleId() override;
    int GetTemplateId() override;
    DLGPROC GetDialogProc() override;
    // Reads the driver's "Speakers" value; neither object is needed.
    void Load(IDirectSound* directSound, IKsPropertySet* propertySet) override;
    // Stores and applies the arrangement when it differs from the one last
    // shown; neither object is needed.
    void Apply(IDirectSound* directSound, IKsPropertySet* propertySet) override;
    void ToDialog(HWND pageWindow) override;
    void FromDialog(HWND pageWindow) override;

    // Speaker configuration code: 2, 3, 4 or 6 from the radio buttons, any
    // byte from the registry. Only its low byte goes to and from the
    // registry.
    int speakers = 2;
};

// The one object of this page, built with the others in app/pages.cpp.
extern GeneralPage generalPage;

// The code last read from the registry while the page was shown; Apply
// leaves the registry alone while the page's choice equals it.
extern int lastLoadedSpeakers;
// The code the speaker pictures and the speaker test follow. It changes
// when the registry is read, not when a radio button is clicked.
extern int currentSpeakerConfig;
