// The Effects page: the 3D-audio options of the 3D driver.
#pragma once

#include <windows.h>

#include "app/panel_page.h"
#include "effects3d/q3d_settings.h"

class EffectsPage : public PanelPage {
  public:
    int GetTitleId() override;
    int GetTemplateId() override;
    DLGPROC GetDialogProc() override;
    // Reads the driver's current values; directSound is not needed.
    void Load(IDirectSound* directSound, IKsPropertySet* propertySet) override;
    // Sends the values to the driver and the registry; directSound is not
    // needed.
    void Apply(IDirectSound* directSound, IKsPropertySet* propertySet) override;
    void ToDialog(HWND pageWindow) override;
    void FromDialog(HWND pageWindow) override;

    // What the page edits; kept between two openings of the control panel.
    Q3DSettings settings;
};

// The one object of this page, built with the others in app/pages.cpp.
extern EffectsPage effectsPage;
