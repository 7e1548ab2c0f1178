// The speaker test. The sound of one speaker is written into its own channel
// of "cvspker.wav" and played through the "waveaudio" MCI device; the card's
// driver routes each channel to its speaker.
#include "speaker_test.h"

#include "app/resources/resource.h"
#include "app/shell.h"
#include "speakers/general_page.h"
#include "speakers/test_sound.h"

#include <cstring>

int speakerTestRunning = 0;
int testIndex = 0;
int testEnd = 0;
MCIDEVICEID mciDeviceId = 0;

namespace {

// A speaker slot is at once the picture, the source sound and the channel
// that carries the sound.
struct SpeakerPicture {
    int placeholderId; // hidden frame giving the picture its place
    int bitmapId;
};
constexpr int SLOT_COUNT = 6;
constexpr SpeakerPicture speakerPictures[SLOT_COUNT] = {
    {IDC_FRONT_LEFT, IDB_SPEAKER_FRONT_LEFT}, {IDC_FRONT_RIGHT, IDB_SPEAKER_FRONT_RIGHT},
    {IDC_REAR_LEFT, IDB_SPEAKER_REAR_LEFT},   {IDC_REAR_RIGHT, IDB_SPEAKER_REAR_RIGHT},
    {IDC_CENTER_SPEAKER, IDB_SPEAKER_CENTER}, {IDC_SUBWOOFER, IDB_SUBWOOFER},
};

constexpr char testFileName[] = "cvspker.wav";

// The test file's path: the program's directory, which is never longer than
// the module path, and the file name.
constexpr int TEST_PATH_SIZE = MAX_PATH + sizeof testFileName;

void TestFilePath(char (&path)[TEST_PATH_SIZE]) {
    char modulePath[MAX_PATH];
    if (GetModuleFileNameA(NULL, modulePath, sizeof modulePath) == 0) modulePath[0] = '\0';
    modulePath[sizeof modulePath - 1] = '\0';
    ProgramDirectory(modulePath, path);
    std::strcat(path, testFileName);
}

// The placeholder of a slot, relative to the page window.
BOOL PlaceholderRect(HWND page, int slot, RECT* rect) {
    RECT pageRect;
    if (!GetWindowRect(page, &pageRect) ||
        !GetWindowRect(GetDlgItem(page, speakerPictures[slot].placeholderId), rect))
        return FALSE;
    OffsetRect(rect, -pageRect.left, -pageRect.top);
    return TRUE;
}

// Draws a bitmap of the program at its own size.
void DrawBitmap(HDC dc, int bitmapId, int x, int y) {
    HBITMAP bitmap = LoadBitmapA(instanceHandle, MAKEINTRESOURCEA(bitmapId));
    if (bitmap == nullptr) return;
    BITMAP info;
    HDC memory = CreateCompatibleDC(dc);
    if (memory != nullptr && GetObjectA(bitmap, sizeof info, &info) != 0) {
        // The bitmap is selected out again before it is deleted: a bitmap
        // still selected into a context cannot be deleted.
        HGDIOBJ previous = SelectObject(memory, bitmap);
        BitBlt(dc, x, y, info.bmWidth, info.bmHeight, memory, 0, 0, SRCCOPY);
        SelectObject(memory, previous);
    }
    if (memory != nullptr) DeleteDC(memory);
    DeleteObject(bitmap);
}

void DrawNote(HWND page, HDC dc, int slot, int noteWidth) {
    RECT r;
    if (slot < 0 || slot >= SLOT_COUNT || !PlaceholderRect(page, slot, &r)) return;
    // Right-hand speakers have their note on the left.
    const int left = (slot == 1 || slot == 3) ? r.left - noteWidth : r.right;
    DrawBitmap(dc, IDB_MUSIC_NOTE, left, (r.top + r.bottom) / 2);
}

} // namespace

void InvalidateTestArea(HWND window) {
    HWND box = GetDlgItem(window, IDC_SPEAKER_TEST);
    RECT area;
    if (box == nullptr || !GetWindowRect(box, &area)) return;
    MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&area), 2);
    InvalidateRect(window, &area, TRUE);
}

int PictureCount(int speakerCode) {
    switch (speakerCode) {
    case 3:
    case 4:
        return 4;
    case 6:
        return 6;
    default:
        return 2;
    }
}

void ToggleTest(HWND window) {
    if (speakerTestRunning) {
        speakerTestRunning = 0;
        MciStop(window, mciDeviceId);
        MciClose(window, mciDeviceId);
        mciDeviceId = 0;
        InvalidateTestArea(window);
        return;
    }

    HCURSOR previous = SetCursor(LoadCursorA(nullptr, MAKEINTRESOURCEA(IDC_WAIT)));
    BuildTestFile(currentSpeakerConfig, testIndex);
    SetCursor(previous);

    // A file that could not be built is empty, and its open reports why.
    char path[TEST_PATH_SIZE];
    TestFilePath(path);
    mciDeviceId = MciOpenWave(window, path);
    if (mciDeviceId != 0 && MciPlay(window, mciDeviceId)) {
        speakerTestRunning = 1;
        InvalidateTestArea(window);
        return;
    }
    speakerTestRunning = 0;
    if (mciDeviceId != 0) {
        MciStop(window, mciDeviceId);
        MciClose(window, mciDeviceId);
        mciDeviceId = 0;
    }
}

void SpeakerTestCommand(HWND page, int controlId) {
    // With "Stereo X 2" the rear pictures test the front channels.
    const bool stereoX2 = currentSpeakerConfig == 3;
    switch (controlId) {
    case IDC_FRONT_LEFT:
        testIndex = testEnd = 0;
        break;
    case IDC_FRONT_RIGHT:
        testIndex = testEnd = 1;
        break;
    case IDC_REAR_LEFT:
        testIndex = testEnd = stereoX2 ? 0 : 2;
        break;
    case IDC_REAR_RIGHT:
        testIndex = testEnd = stereoX2 ? 1 : 3;
        break;
    case IDC_CENTER_SPEAKER:
        testIndex = testEnd = 4;
        break;
    case IDC_SUBWOOFER:
        testIndex = testEnd = 5;
        break;
    case IDC_TEST_ALL:
        testIndex = 0;
        testEnd = stereoX2 ? 2 : PictureCount(currentSpeakerConfig);
        break;
    default:
        return;
    }
    ToggleTest(page);
}

void SpeakerSoundEnded(HWND page) {
    MciStop(page, mciDeviceId);
    MciClose(page, mciDeviceId);
    mciDeviceId = 0;

    // Only a sound played to its end leaves no file behind.
    char path[TEST_PATH_SIZE];
    TestFilePath(path);
    DeleteFileA(path);

    WaitSeconds(1);
    ++testIndex;
    if (speakerTestRunning && testIndex < testEnd) {
        speakerTestRunning = 0;
        ToggleTest(page);
    } else {
        // The flag makes ToggleTest stop the test and repaint without notes.
        testIndex = 0;
        testEnd = 0;
        speakerTestRunning = 1;
        ToggleTest(page);
    }
}

void DrawSpeakerPictures(HWND page, HDC dc) {
    const int count = PictureCount(currentSpeakerConfig);
    for (int slot = 0; slot < count; ++slot) {
        RECT r;
        if (PlaceholderRect(page, slot, &r))
            DrawBitmap(dc, speakerPictures[slot].bitmapId, r.left, r.top);
    }
}

void DrawPlayingNotes(HWND page, HDC dc) {
    HBITMAP note = LoadBitmapA(instanceHandle, MAKEINTRESOURCEA(IDB_MUSIC_NOTE));
    if (note == nullptr) return;
    BITMAP info;
    const int noteWidth = GetObjectA(note, sizeof info, &info) != 0 ? info.bmWidth : 0;
    DeleteObject(note);

    DrawNote(page, dc, testIndex, noteWidth);
    // "Stereo X 2" plays the rear speaker of the same side too.
    if (currentSpeakerConfig == 3) DrawNote(page, dc, testIndex + 2, noteWidth);
}

int PictureAtCursor(HWND page) {
    POINT cursor;
    if (!GetCursorPos(&cursor)) return -1;
    const int count = PictureCount(currentSpeakerConfig);
    for (int slot = 0; slot < count; ++slot) {
        RECT r;
        if (GetWindowRect(GetDlgItem(page, speakerPictures[slot].placeholderId), &r) &&
            PtInRect(&r, cursor))
            return slot;
    }
    return -1;
}

int PlaceholderId(int slot) {
    return slot >= 0 && slot < SLOT_COUNT ? speakerPictures[slot].placeholderId : 0;
}

void WaitSeconds(DWORD seconds) {
    const DWORD end = GetTickCount() + 1000 * seconds;
    // Compared as unsigned numbers; sleeping instead of spinning leaves the
    // processor to others.
    for (DWORD now = GetTickCount(); now < end; now = GetTickCount())
        Sleep(end - now);
}

MCIDEVICEID MciOpenWave(HWND window, const char* path) {
    MCI_OPEN_PARMSA open = {};
    open.lpstrDeviceType = "waveaudio";
    open.lpstrElementName = path;
    const MCIERROR error = mciSendCommandA(0, MCI_OPEN, MCI_OPEN_TYPE | MCI_OPEN_ELEMENT | MCI_WAIT,
                                           reinterpret_cast<DWORD_PTR>(&open));
    if (error != 0) {
        if (window != nullptr) ShowMciError(window, error);
        return 0;
    }
    return open.wDeviceID;
}

BOOL MciPlay(HWND window, MCIDEVICEID device) {
    if (device == 0) return TRUE;
    MCI_PLAY_PARMS play = {};
    play.dwCallback = reinterpret_cast<DWORD_PTR>(window);
    const MCIERROR error =
        mciSendCommandA(device, MCI_PLAY, MCI_NOTIFY, reinterpret_cast<DWORD_PTR>(&play));
    if (error != 0) {
        ShowMciError(window, error);
        return FALSE;
    }
    return TRUE;
}

void MciStop(HWND window, MCIDEVICEID device) {
    if (device == 0) return;
    MCI_GENERIC_PARMS stop = {};
    const MCIERROR error =
        mciSendCommandA(device, MCI_STOP, MCI_WAIT, reinterpret_cast<DWORD_PTR>(&stop));
    if (error != 0) ShowMciError(window, error);
}

void MciClose(HWND window, MCIDEVICEID device) {
    if (device == 0) return;
    MCI_GENERIC_PARMS close = {};
    const MCIERROR error =
        mciSendCommandA(device, MCI_CLOSE, MCI_WAIT, reinterpret_cast<DWORD_PTR>(&close));
    if (error != 0 && window != nullptr) ShowMciError(window, error);
}

void ShowMciError(HWND window, MCIERROR error) {
    char text[256];
    if (!mciGetErrorStringA(error, text, sizeof text)) text[0] = '\0';
    MessageBoxA(window, text, messageCaption, MB_ICONHAND);
}
