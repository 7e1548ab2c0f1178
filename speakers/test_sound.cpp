// The test sound of the speaker test. The card's driver routes each channel
// of a multichannel file to its own speaker, so a sound meant for one
// speaker is written into that speaker's channel of a file with one channel
// per speaker, and every other channel is left silent.
#include "speakers/test_sound.h"

#include <cstring>

// The mono source sounds beside the program, one per speaker slot. The
// stereo row serves every arrangement up to "Stereo X 2" and has only the
// two front slots.
static const char speakerSoundFiles[2][6][12] = {
    {"fleft.wav", "fright.wav", "rleft.wav", "rright.wav", "center.wav", "subw.wav"},
    {"left.wav", "right.wav", "", "", "", ""},
};
enum { surroundRow = 0, stereoRow = 1 };

static const char testFileName[] = "cvspker.wav";

// Bytes of the RIFF header and the 16-byte PCM format chunk that precede
// any extra bytes and the data chunk.
static const UINT headerSize = 36;
static const DWORD plainDataOffset = 44;
// How far past the header the data chunk's "d" is looked for.
static const int dataSearchLimit = 100;
// Source bytes copied per block.
static const UINT blockSize = 1024;

static DWORD GetDword(const BYTE* at) {
    return at[0] | (at[1] << 8) | (at[2] << 16) | (static_cast<DWORD>(at[3]) << 24);
}

static WORD GetWord(const BYTE* at) { return static_cast<WORD>(at[0] | (at[1] << 8)); }

static void PutDword(BYTE* at, DWORD value) {
    at[0] = static_cast<BYTE>(value);
    at[1] = static_cast<BYTE>(value >> 8);
    at[2] = static_cast<BYTE>(value >> 16);
    at[3] = static_cast<BYTE>(value >> 24);
}

static void PutWord(BYTE* at, WORD value) {
    at[0] = static_cast<BYTE>(value);
    at[1] = static_cast<BYTE>(value >> 8);
}

// Channels of the test file: one per speaker of a four- or six-speaker
// arrangement, two for everything else ("Stereo X 2" drives its rear
// speakers from the front channels).
static int ChannelCount(int speakerCode) {
    if (speakerCode == 4) return 4;
    if (speakerCode == 6) return 6;
    return 2;
}

// Writes a block of the target, returning false when it did not all arrive.
static bool WriteAll(HFILE target, const BYTE* bytes, UINT count) {
    return _lwrite(target, reinterpret_cast<LPCSTR>(bytes), count) == count;
}

// Copies the samples of the mono source into channel `slot` of `channels`
// and patches the lengths. Both files are open; the caller closes them.
static void WriteTestSound(HFILE source, HFILE target, int channels, int slot) {
    BYTE header[headerSize];
    if (_lread(source, header, headerSize) != headerSize) return;

    // The data chunk follows the format chunk, perhaps after extra format
    // bytes or a small chunk of another kind: its tag is the first "d".
    BYTE tag[4] = {0, 0, 0, 0};
    int scanned = 0;
    while (scanned < dataSearchLimit && tag[0] != 'd') {
        if (_lread(source, tag, 1) != 1) return;
        ++scanned;
    }
    if (tag[0] != 'd') return;
    BYTE lengthBytes[4];
    if (_lread(source, tag + 1, 3) != 3 || std::memcmp(tag + 1, "ata", 3) != 0) return;
    if (_lread(source, lengthBytes, 4) != 4) return;
    const DWORD sourceLength = GetDword(lengthBytes);
    const DWORD dataOffset = headerSize + scanned + 3 + 4;
    const DWORD extra = dataOffset - plainDataOffset;

    // The target keeps the source's data offset: whatever stood between the
    // format and the data becomes zero bytes of a longer format chunk.
    if (extra > 0) PutDword(header + 16, 16 + extra);
    PutWord(header + 22, static_cast<WORD>(channels));
    PutDword(header + 28, GetDword(header + 28) * channels);
    PutWord(header + 32, static_cast<WORD>(GetWord(header + 32) * channels));
    const bool sixteenBit = GetWord(header + 34) == 16;
    if (!WriteAll(target, header, headerSize)) return;

    BYTE* input = static_cast<BYTE*>(LocalAlloc(LMEM_FIXED, blockSize));
    // Zeroed once and only ever written in the slot's channel, so the other
    // channels stay silent (0, also for 8-bit samples) in every block.
    BYTE* output = static_cast<BYTE*>(LocalAlloc(LPTR, channels * blockSize));
    if (input == NULL || output == NULL) {
        if (input != NULL) LocalFree(input);
        if (output != NULL) LocalFree(output);
        return;
    }

    // The zeroed output buffer is longer than any run of extra bytes. (A
    // write of no bytes would cut the file, so none is made.)
    if ((extra > 0 && !WriteAll(target, output, extra)) || !WriteAll(target, tag, 4) ||
        !WriteAll(target, lengthBytes, 4)) {
        LocalFree(input);
        LocalFree(output);
        return;
    }

    // The declared length is counted down, but a source that ends early
    // ends the copy: the lengths are patched from what was written.
    const UINT outputBlock = channels * blockSize;
    DWORD remaining = sourceLength;
    DWORD count = 0;
    while (remaining > 0) {
        // The old file calls cannot address a file past 2 GB.
        if (count > 0x7FFFFFFFu - dataOffset - outputBlock) break;
        const UINT wanted = remaining < blockSize ? remaining : blockSize;
        const UINT got = _lread(source, input, wanted);
        if (got == 0 || got > wanted) break; // the end, or a read error
        if (sixteenBit) {
            for (UINT k = 0; k < got / 2; ++k) {
                BYTE* sample = output + 2 * (k * channels + slot);
                sample[0] = input[2 * k];
                sample[1] = input[2 * k + 1];
            }
            // An odd last byte is half a sample: its half frame is written
            // silent rather than with what an earlier block left there.
            if (got % 2 != 0) std::memset(output + channels * (got - 1), 0, channels);
        } else {
            for (UINT k = 0; k < got; ++k) output[k * channels + slot] = input[k];
        }
        const UINT bytes = channels * got;
        const UINT written = _lwrite(target, reinterpret_cast<LPCSTR>(output), bytes);
        if (written > bytes) break; // a write error
        count += written;
        remaining -= got;
        if (written != bytes) break;
    }

    BYTE number[4];
    PutDword(number, dataOffset + count - 8);
    if (_llseek(target, 4, FILE_BEGIN) == 4) WriteAll(target, number, 4);
    PutDword(number, count);
    if (_llseek(target, dataOffset - 4, FILE_BEGIN) == static_cast<LONG>(dataOffset - 4))
        WriteAll(target, number, 4);

    LocalFree(input);
    LocalFree(output);
}

void BuildTestFile(int speakerCode, int slot) {
    char modulePath[256];
    if (GetModuleFileNameA(NULL, modulePath, sizeof modulePath) == 0) modulePath[0] = '\0';
    modulePath[sizeof modulePath - 1] = '\0';
    char directory[sizeof modulePath];
    ProgramDirectory(modulePath, directory);

    // A slot that is no channel of the file has no sound; its build fails
    // like that of a missing source.
    const int channels = ChannelCount(speakerCode);
    const char* soundFile = "";
    if (slot >= 0 && slot < channels)
        soundFile = speakerSoundFiles[speakerCode <= 3 ? stereoRow : surroundRow][slot];

    char sourcePath[sizeof directory + sizeof speakerSoundFiles[0][0]];
    char targetPath[sizeof directory + sizeof testFileName];
    std::strcpy(sourcePath, directory);
    std::strcat(sourcePath, soundFile);
    std::strcpy(targetPath, directory);
    std::strcat(targetPath, testFileName);

    // The target is created (or cut to empty) even when the source cannot
    // be read, so that no earlier test sound is played in its place.
    const HFILE source = soundFile[0] != '\0' ? _lopen(sourcePath, OF_READ) : HFILE_ERROR;
    const HFILE target = _lcreat(targetPath, 0);
    if (source != HFILE_ERROR && target != HFILE_ERROR) WriteTestSound(source, target, channels, slot);
    if (source != HFILE_ERROR) _lclose(source);
    if (target != HFILE_ERROR) _lclose(target);
}

void ProgramDirectory(const char* modulePath, char* directory) {
    int end = 0;
    int i = 0;
    for (; modulePath[i] != '\0'; ++i) {
        directory[i] = modulePath[i];
        if (modulePath[i] == '\\' || modulePath[i] == ':') end = i;
    }
    // Without any separator the whole path is a file name, and the
    // directory is "\" written over its start.
    directory[end] = '\\';
    directory[end + 1] = '\0';
}
