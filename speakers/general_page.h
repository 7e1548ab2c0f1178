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
    void Load(IDirectSound* directSound, IKsPropertySet* propertySet) override;
    void Apply(IDirectSound* directSound, IKsPropertySet* propertySet) override;
    void ToDialog(HWND pageWindow) override;
    void FromDialog(HWND pageWindow) override;
};

// The one object of this page, built with the others in app/pages.cpp.
extern GeneralPage generalPage;
