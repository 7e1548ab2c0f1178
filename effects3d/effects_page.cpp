#include "effects_page.h"

#include "app/resources/resource.h"
#include "app/utilities.h"

static INT_PTR CALLBACK EffectsPageProc(HWND page, UINT message, WPARAM, LPARAM lParam) {
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

int EffectsPage::GetTitleId() {
    return IDS_TITLE_EFFECTS;
}

int EffectsPage::GetTemplateId() {
    return IDD_EFFECTS;
}

DLGPROC EffectsPage::GetDialogProc() {
    return EffectsPageProc;
}

// The page's settings arrive with the page itself; until then it has
// nothing to read, write or show.
void EffectsPage::Load(IDirectSound*, IKsPropertySet*) {}

void EffectsPage::Apply(IDirectSound*, IKsPropertySet*) {}

void EffectsPage::ToDialog(HWND) {}

void EffectsPage::FromDialog(HWND) {}
