#include "playback_page.h"

#include "app/resources/resource.h"
#include "app/utilities.h"

static INT_PTR CALLBACK PlaybackMixerPageProc(HWND page, UINT message, WPARAM, LPARAM lParam) {
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

int PlaybackMixerPage::GetTitleId() {
    return IDS_TITLE_PLAYBACK;
}

int PlaybackMixerPage::GetTemplateId() {
    return IDD_PLAYBACK_MIXER;
}

DLGPROC PlaybackMixerPage::GetDialogProc() {
    return PlaybackMixerPageProc;
}

// The page's settings arrive with the page itself; until then it has
// nothing to read, write or show.
void PlaybackMixerPage::Load(IDirectSound*, IKsPropertySet*) {}

void PlaybackMixerPage::Apply(IDirectSound*, IKsPropertySet*) {}

void PlaybackMixerPage::ToDialog(HWND) {}

void PlaybackMixerPage::FromDialog(HWND) {}
