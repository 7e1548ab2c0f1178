// The test sound of the speaker test: "cvspker.wav", built beside the
// program from the mono sound of one speaker, with one channel per speaker
// of the arrangement and the sound in the channel of the speaker under test.
#pragma once

#include <windows.h>

// Writes "cvspker.wav" into the program's directory for speaker
// configuration code `speakerCode` and speaker slot `slot` (0 front left,
// 1 front right, 2 rear left, 3 rear right, 4 centre, 5 subwoofer). Nothing
// is reported: a missing or unusable source leaves the file empty.
void BuildTestFile(int speakerCode, int slot);

// Copies the directory part of `modulePath` into `directory`, ending in a
// backslash: up to and including the last "\" (a last ":" is replaced by
// "\"), or "\" alone when the path has neither. `directory` needs room for
// the path and its terminator, and for 2 characters at least.
void ProgramDirectory(const char* modulePath, char* directory);
