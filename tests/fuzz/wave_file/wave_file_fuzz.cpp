// The "waveaudio" device's reader of WAVE files on arbitrary files: what it
// accepts must describe samples that lie inside the file in a format it can
// play, and opening, playing and closing it through MCI (which also looks
// at every sample to trace the channels that sound) must hold up.
#include "fuzz_support.h"
#include "wave_device.h"

#include <windows.h>
#include <mmsystem.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static fuzz::FuzzMachine& machine = []() -> fuzz::FuzzMachine& {
        fuzz::FuzzMachine& m = fuzz::TheMachine();
        std::string error;
        // Never a sound on the host.
        if (!m.Get().settings().Set("sound", "output", "off", &error)) fuzz::Fail(error);
        return m;
    }();
    const std::filesystem::path file = machine.DriveC() / "sound.wav";
    fuzz::WriteFile(file, std::string_view(reinterpret_cast<const char*>(data), size));

    machine::WaveSound sound;
    const machine::WaveFileStatus status = machine::ReadWaveFile(file, &sound);
    fuzz::Check(status != machine::WaveFileStatus::Missing, "a written file counts as missing");
    if (status == machine::WaveFileStatus::Ok) {
        fuzz::Check(sound.formatTag == 1, "a format other than PCM was accepted");
        fuzz::Check(sound.channels >= 1 && sound.channels <= 8, "a channel count out of range");
        fuzz::Check(sound.blockAlign == sound.channels * sound.bitsPerSample / 8,
                    "the block alignment does not fit the channels and sample size");
        fuzz::Check(sound.samplesPerSec >= 1 && sound.samplesPerSec <= 192000,
                    "a sample rate out of range");
        fuzz::Check(sound.dataOffset <= size && sound.dataBytes <= size - sound.dataOffset,
                    "the samples do not lie inside the file");
        const uint64_t frames = sound.dataBytes / sound.blockAlign;
        const uint64_t ms = (frames * 1000 + sound.samplesPerSec - 1) / sound.samplesPerSec;
        fuzz::Check(sound.lengthMs == ms, "the playing time does not match the samples");
    }

    MCI_OPEN_PARMSA open = {};
    open.lpstrDeviceType = "waveaudio";
    open.lpstrElementName = "C:\\sound.wav";
    const MCIERROR opened =
        mciSendCommandA(0, MCI_OPEN, MCI_OPEN_TYPE | MCI_OPEN_ELEMENT | MCI_WAIT,
                        reinterpret_cast<DWORD_PTR>(&open));
    fuzz::Check((opened == 0) == (status == machine::WaveFileStatus::Ok),
                "MCI and the reader disagree about the file");
    if (opened == 0) {
        MCI_PLAY_PARMS play = {};
        fuzz::Check(
            mciSendCommandA(open.wDeviceID, MCI_PLAY, 0, reinterpret_cast<DWORD_PTR>(&play)) == 0,
            "an accepted file does not play");
        fuzz::Check(mciSendCommandA(open.wDeviceID, MCI_CLOSE, MCI_WAIT, 0) == 0,
                    "an open device does not close");
    }
    return 0;
}
