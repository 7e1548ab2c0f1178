#include "general_page.h"

#include "app/resources/resource.h"
#include "app/utilities.h"
#include "speakers/speaker_test.h"

static INT_PTR CALLBACK GeneralPageProc(HWND page, UINT message, WPARAM, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG: {
        // The page object travels with its window.
        SetWindowLongA(page, GWL_USERDATA, static_cast<LONG>(lParam));
        PlacePageInTab(page);
        if (PanelPage* object = reinterpret_cast<PanelPage*>(lParam)) object->ToDialog(page);
        return TRUE;
    }
    case WM_DESTROY:
        // A test sound can only play while this page is shown.
        if (speakerTestRunning) ToggleTest(page);
        // Whatever the user set survives a change of tab.
        if (PanelPage* object = reinterpret_cast<PanelPage*>(GetWindowLongA(page, GWL_USERDATA)))
            object->FromDialog(page);
        return FALSE;
    }
    return FALSE;
}

int GeneralPage::GetTitleId() {
    return IDS_TITLE_GENERAL;
}

int GeneralPage::GetTemplateId() {
    return IDD_GENERAL;
}

DLGPROC GeneralPage::GetDialogProc() {
    return GeneralPageProc;
}

// The page's settings arrive with the page itself; until then it has
// nothing to read, write or show.
void GeneralPage::Load(IDirectSound*, IKsPropertySet*) {}

void GeneralPage::Apply(IDirectSound*, IKsPropertySet*) {}

void GeneralPage::ToDialog(HWND) {}

void GeneralPage::FromDialog(HWND) {}
