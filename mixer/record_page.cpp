#include "record_page.h"

#include "app/resources/resource.h"
#include "app/utilities.h"

static INT_PTR CALLBACK RecordMixerPageProc(HWND page, UINT message, WPARAM, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG: {
        // The page object travels with its window.
        SetWindowLongA(page, GWL_USERDATA, static_cast<LONG>(lParam));
        PlacePageInTab(page);
        if (PanelPage* object = reinterpret_cast<PanelPage*>(lParam)) object->ToDialog(page);
        return TRUE;
    }
    case WM_DESTROY:
        // Whatever the user set survives a change of tab.
        if (PanelPage* object = reinterpret_cast<PanelPage*>(GetWindowLongA(page, GWL_USERDATA)))
            object->FromDialog(page);
        return FALSE;
    }
    return FALSE;
}

int RecordMixerPage::GetTitleId() {
    return IDS_TITLE_RECORD;
}

int RecordMixerPage::GetTemplateId() {
    return IDD_RECORD_MIXER;
}

DLGPROC RecordMixerPage::GetDialogProc() {
    return RecordMixerPageProc;
}

// The page's settings arrive with the page itself; until then it has
// nothing to read, write or show.
void RecordMixerPage::Load(IDirectSound*, IKsPropertySet*) {}

void RecordMixerPage::Apply(IDirectSound*, IKsPropertySet*) {}

void RecordMixerPage::ToDialog(HWND) {}

void RecordMixerPage::FromDialog(HWND) {}
