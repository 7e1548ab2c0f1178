// The card's wave output as the "waveaudio" MCI device uses it: reading a
// WAVE file's format and length, and playing it.
//
// A sound takes its time on the platform's clock, which the caller keeps;
// WaveOutput only hands the samples to the host's sound system (an ALSA PCM,
// machine.ini's [sound] output) on a thread of its own. Whatever fails there
// leaves the sound silent and is never reported to the program.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>

namespace machine {

class Machine;

struct WaveSound {
    uint16_t formatTag = 0;
    uint16_t channels = 0;
    uint32_t samplesPerSec = 0;
    uint16_t blockAlign = 0;
    uint16_t bitsPerSample = 0;
    uint64_t dataOffset = 0; // where the samples start in the file
    uint64_t dataBytes = 0;  // as many as the file really holds
    uint32_t lengthMs = 0;   // playing time, rounded up
};

enum class WaveFileStatus {
    Ok,
    Missing, // no such file, or not a file
    Invalid, // empty, not RIFF WAVE, no usable PCM format or no data chunk
};

// Reads the header of a RIFF WAVE file holding PCM samples.
WaveFileStatus ReadWaveFile(const std::filesystem::path& file, WaveSound* sound);

class WaveOutput {
  public:
    virtual ~WaveOutput() = default;
    // Starts playing the sound from `fromMs` up to `toMs` of it, ending a
    // sound still playing. Returns at once; the samples are written on a
    // thread of the output's own.
    virtual void Start(const std::filesystem::path& file, const WaveSound& sound, uint32_t fromMs,
                       uint32_t toMs) = 0;
    // Ends the sound and returns once nothing more is written: samples not
    // yet handed to the host are dropped at once; a sound already handed
    // over in full plays out the host's buffer (a tenth of a second) first.
    virtual void Stop() = 0;
};

// The output of the machine's card: the ALSA PCM that machine.ini's [sound]
// output names. Silent when that is "off" or empty, when the host has no
// ALSA library, and under a virtual clock, where a sound's time is not the
// host's.
std::unique_ptr<WaveOutput> OpenWaveOutput(Machine& machine, bool virtualClock);

} // namespace machine
