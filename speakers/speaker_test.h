// The speaker test on the General page: a picture for each speaker of the
// arrangement; a click plays a test sound on that speaker alone, and
// "&Test All" plays them one after another.
#pragma once

#include <windows.h>
#include <mmsystem.h>

// 1 while a test sound plays.
extern int speakerTestRunning;
// The slot being played or next to play, and the end of the slot range.
extern int testIndex;
extern int testEnd;
// The MCI device of the open test sound; 0 when none is open.
extern MCIDEVICEID mciDeviceId;

// Pictures shown for a speaker configuration code: 2, 4 or 6.
int PictureCount(int speakerCode);

// Stops the playing test sound, or builds and plays the sound of slot
// testIndex. `window` is the page, or the control panel dialog when it only
// needs a running test stopped.
void ToggleTest(HWND window);

// A command from a picture (1087 to 1092) or from "&Test All" (1093): sets
// the slot range and toggles the test.
void SpeakerTestCommand(HWND page, int controlId);

// The end of a test sound: pauses a second, then plays the next slot of the
// range or ends the test.
void SpeakerSoundEnded(HWND page);

// Has the "Speaker Test" box of `window` drawn again, pictures and notes,
// over an erased background; nothing when the window has no such box.
void InvalidateTestArea(HWND window);

void DrawSpeakerPictures(HWND page, HDC dc);
void DrawPlayingNotes(HWND page, HDC dc);
// The slot whose picture is under the mouse cursor, or -1.
int PictureAtCursor(HWND page);
// The hidden control that places the picture of a slot.
int PlaceholderId(int slot);
// Waits without processing messages.
void WaitSeconds(DWORD seconds);

// The MCI calls of the test, each reporting its error in a message box over
// `window` (no box for a null window where that is allowed).
MCIDEVICEID MciOpenWave(HWND window, const char* path);
BOOL MciPlay(HWND window, MCIDEVICEID device);
void MciStop(HWND window, MCIDEVICEID device);
void MciClose(HWND window, MCIDEVICEID device);
void ShowMciError(HWND window, MCIERROR error);
