// The pages of the control panel dialog: an abstract class with seven
// operations, one static object per page, and the page table.
#pragma once

#include <windows.h>
#include <dsound.h>

class PanelPage {
  public:
    virtual int GetTitleId() = 0;
    virtual int GetTemplateId() = 0;
    virtual DLGPROC GetDialogProc() = 0;
    virtual void Load(IDirectSound* directSound, IKsPropertySet* propertySet) = 0;
    virtual void Apply(IDirectSound* directSound, IKsPropertySet* propertySet) = 0;
    virtual void ToDialog(HWND pageWindow) = 0;
    virtual void FromDialog(HWND pageWindow) = 0;
};

// General, Effects, Playback Mixer, Record Mixer; three entries (no
// Effects) when the driver side offers no effects.
extern PanelPage* pageTable[4];
extern int pageCount;
