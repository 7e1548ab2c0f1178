// The card's wave output as the "waveaudio" MCI device uses it: reading a
// WAVE file's format and length, and playing it.
//
// Playing is silent for now: a sound takes its time on the platform's clock
// (the caller keeps that time) and WaveOutput is where the samples will go
// to the host's sound system.
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
    // Starts playing the sound from `fromMs` up to `toMs` of it.
    virtual void Start(const std::filesystem::path& file, const WaveSound& sound, uint32_t fromMs,
                       uint32_t toMs) = 0;
    virtual void Stop() = 0;
};

// The output of the machine's card: silent for now.
std::unique_ptr<WaveOutput> OpenWaveOutput(Machine& machine);

} // namespace machine
