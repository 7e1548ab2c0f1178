#include "wave_device.h"

#include "machine.h"

#include <dlfcn.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <fstream>
#include <string>
#include <system_error>
#include <thread>
#include <type_traits>
#include <utility>
#include <vector>

namespace machine {
namespace {

uint32_t Le32(const unsigned char* p) {
    return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24);
}
uint16_t Le16(const unsigned char* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }

class SilentOutput final : public WaveOutput {
  public:
    void Start(const std::filesystem::path&, const WaveSound&, uint32_t, uint32_t) override {}
    void Stop() override {}
};

// The few calls of the ALSA library that playing needs, bound at run time:
// the build needs no ALSA headers, and a host without the library plays
// silently. The constants are the values of the library's API.
struct AlsaPcm; // the library's snd_pcm_t
constexpr int kStreamPlayback = 0;  // SND_PCM_STREAM_PLAYBACK
constexpr int kOpenNonBlocking = 1; // SND_PCM_NONBLOCK
constexpr int kAccessRwInterleaved = 3;
constexpr int kFormatU8 = 1;
constexpr int kFormatS16Le = 2;
constexpr int kFormatS32Le = 10;
constexpr int kFormatS24PackedLe = 32; // SND_PCM_FORMAT_S24_3LE: three bytes a sample

struct Alsa {
    int (*open)(AlsaPcm** pcm, const char* name, int stream, int mode);
    int (*setParams)(AlsaPcm* pcm, int format, int access, unsigned channels, unsigned rate,
                     int softResample, unsigned latencyUs);
    long (*writei)(AlsaPcm* pcm, const void* frames, unsigned long count);
    int (*wait)(AlsaPcm* pcm, int timeoutMs);
    int (*recover)(AlsaPcm* pcm, int error, int silent);
    int (*nonblock)(AlsaPcm* pcm, int nonblock);
    int (*drain)(AlsaPcm* pcm);
    int (*drop)(AlsaPcm* pcm);
    int (*close)(AlsaPcm* pcm);
};

using AlsaErrorHandler = void (*)(const char* file, int line, const char* function, int error,
                                  const char* format, ...);
void IgnoreAlsaError(const char*, int, const char*, int, const char*, ...) {}

// The library, loaded once and kept for the process's life; null when the
// host has none or it lacks a call.
const Alsa* LoadAlsa() {
    static const Alsa* const loaded = []() -> const Alsa* {
        void* library = dlopen("libasound.so.2", RTLD_NOW | RTLD_LOCAL);
        if (library == nullptr) return nullptr;
        static Alsa alsa;
        int (*setErrorHandler)(AlsaErrorHandler) = nullptr;
        bool complete = true;
        auto bind = [&](auto& function, const char* name) {
            void* symbol = dlsym(library, name);
            complete = complete && symbol != nullptr;
            function = reinterpret_cast<std::remove_reference_t<decltype(function)>>(symbol);
        };
        bind(alsa.open, "snd_pcm_open");
        bind(alsa.setParams, "snd_pcm_set_params");
        bind(alsa.writei, "snd_pcm_writei");
        bind(alsa.wait, "snd_pcm_wait");
        bind(alsa.recover, "snd_pcm_recover");
        bind(alsa.nonblock, "snd_pcm_nonblock");
        bind(alsa.drain, "snd_pcm_drain");
        bind(alsa.drop, "snd_pcm_drop");
        bind(alsa.close, "snd_pcm_close");
        bind(setErrorHandler, "snd_lib_error_set_handler");
        if (!complete) {
            dlclose(library);
            return nullptr;
        }
        // The library reports on stderr, which is the terminal desktop's screen.
        setErrorHandler(IgnoreAlsaError);
        return &alsa;
    }();
    return loaded;
}

int AlsaFormat(uint16_t bitsPerSample) {
    switch (bitsPerSample) {
    case 8: return kFormatU8;
    case 16: return kFormatS16Le;
    case 24: return kFormatS24PackedLe;
    case 32: return kFormatS32Le;
    default: return -1;
    }
}

// Plays on one ALSA PCM, opened anew for every sound on the output's own
// thread, so that neither a slow device nor a full buffer holds up the
// program. Every ALSA call happens on that thread; Stop only raises a flag
// that the thread looks at between short waits.
class AlsaOutput final : public WaveOutput {
  public:
    AlsaOutput(const Alsa& alsa, std::string device) : alsa_(alsa), device_(std::move(device)) {}
    ~AlsaOutput() override { Stop(); }

    void Start(const std::filesystem::path& file, const WaveSound& sound, uint32_t fromMs,
               uint32_t toMs) override {
        Stop();
        stop_ = false;
        try {
            player_ = std::thread(&AlsaOutput::Play, this, file, sound, fromMs, toMs);
        } catch (const std::system_error&) {
            // No thread to play on: the sound stays silent.
        }
    }

    void Stop() override {
        if (!player_.joinable()) return;
        stop_ = true;
        player_.join();
    }

  private:
    // Enough for the host to play on through a busy moment of the machine,
    // short enough that the end of a sound is not far behind its clock.
    static constexpr unsigned kLatencyUs = 100000;
    // How long the player waits for room in the buffer, or for real time to
    // catch up, before it looks at the stop flag again.
    static constexpr int kWaitMs = 10;
    static constexpr uint64_t kChunkFrames = 1024;

    void Play(std::filesystem::path file, WaveSound sound, uint32_t fromMs, uint32_t toMs) {
        const int format = AlsaFormat(sound.bitsPerSample);
        if (format < 0 || sound.blockAlign == 0 || sound.samplesPerSec == 0) return;
        const uint64_t frames = sound.dataBytes / sound.blockAlign;
        const uint64_t rate = sound.samplesPerSec;
        const uint64_t first = std::min<uint64_t>(uint64_t{fromMs} * rate / 1000, frames);
        const uint64_t end = std::min<uint64_t>(uint64_t{toMs} * rate / 1000, frames);
        if (first >= end) return;
        std::ifstream in(file, std::ios::binary);
        in.seekg(static_cast<std::streamoff>(sound.dataOffset + first * sound.blockAlign));
        if (!in) return;

        AlsaPcm* pcm = nullptr;
        if (alsa_.open(&pcm, device_.c_str(), kStreamPlayback, kOpenNonBlocking) < 0) return;
        const bool written =
            alsa_.setParams(pcm, format, kAccessRwInterleaved, sound.channels,
                            sound.samplesPerSec, 1, kLatencyUs) == 0 &&
            Write(pcm, in, end - first, sound);
        // A sound that was handed over in full plays to its end (at most the
        // buffer's time); a stopped or failed one ends at once.
        if (written && alsa_.nonblock(pcm, 0) == 0)
            alsa_.drain(pcm);
        else
            alsa_.drop(pcm);
        alsa_.close(pcm);
    }

    // Hands `count` frames from `in` to the PCM, at most twice the buffer's
    // time ahead of real time. A real device holds the player back itself;
    // one that takes samples faster than it could play them (a file, the
    // null device) still gets them as they are due, so a stop ends the
    // sound where it is heard. False when stopped, or when the file or the
    // device failed.
    bool Write(AlsaPcm* pcm, std::ifstream& in, uint64_t count, const WaveSound& sound) {
        const uint64_t blockAlign = sound.blockAlign, rate = sound.samplesPerSec;
        const uint64_t ahead = 2 * rate * kLatencyUs / 1000000;
        const auto started = std::chrono::steady_clock::now();
        std::vector<char> chunk(kChunkFrames * blockAlign);
        uint64_t inChunk = 0, done = 0, handed = 0;
        while (!stop_) {
            if (done == inChunk) {
                if (count == 0) return true;
                const uint64_t wanted = std::min(kChunkFrames, count);
                in.read(chunk.data(), static_cast<std::streamsize>(wanted * blockAlign));
                // A file cut short since it was opened plays as far as it goes.
                inChunk = static_cast<uint64_t>(in.gcount()) / blockAlign;
                count = inChunk < wanted ? 0 : count - wanted;
                if (inChunk == 0) return true;
                done = 0;
            }
            const auto elapsed = std::chrono::duration_cast<std::chrono::microseconds>(
                std::chrono::steady_clock::now() - started);
            const uint64_t due = static_cast<uint64_t>(elapsed.count()) * rate / 1000000 + ahead;
            if (handed >= due) {
                std::this_thread::sleep_for(std::chrono::milliseconds(kWaitMs));
                continue;
            }
            const int ready = alsa_.wait(pcm, kWaitMs);
            if (ready == 0) continue;
            const uint64_t frames = std::min(inChunk - done, due - handed);
            const long n = ready < 0 ? ready
                                     : alsa_.writei(pcm, chunk.data() + done * blockAlign,
                                                    static_cast<unsigned long>(frames));
            if (n == -EAGAIN) continue;
            if (n < 0) {
                // An underrun or a suspended device is recovered from; any
                // other error ends the sound.
                if (alsa_.recover(pcm, static_cast<int>(n), 1) < 0) return false;
                continue;
            }
            done += static_cast<uint64_t>(n);
            handed += static_cast<uint64_t>(n);
        }
        return false;
    }

    const Alsa& alsa_;
    const std::string device_;
    std::atomic<bool> stop_{false};
    std::thread player_;
};

} // namespace

WaveFileStatus ReadWaveFile(const std::filesystem::path& file, WaveSound* sound) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(file, ec)) return WaveFileStatus::Missing;
    const uint64_t size = std::filesystem::file_size(file, ec);
    std::ifstream in(file, std::ios::binary);
    if (ec || !in) return WaveFileStatus::Missing;

    unsigned char riff[12];
    if (size < 12 || !in.read(reinterpret_cast<char*>(riff), 12) ||
        std::memcmp(riff, "RIFF", 4) != 0 || std::memcmp(riff + 8, "WAVE", 4) != 0)
        return WaveFileStatus::Invalid;

    // Walk the chunks; the RIFF length is not trusted, the file's size is.
    WaveSound s;
    bool haveFormat = false, haveData = false;
    uint64_t pos = 12;
    while (pos + 8 <= size && !(haveFormat && haveData)) {
        unsigned char header[8];
        in.seekg(static_cast<std::streamoff>(pos));
        if (!in.read(reinterpret_cast<char*>(header), 8)) break;
        const uint64_t length = Le32(header + 4);
        if (std::memcmp(header, "fmt ", 4) == 0 && !haveFormat) {
            unsigned char f[16];
            if (length < 16 || !in.read(reinterpret_cast<char*>(f), 16))
                return WaveFileStatus::Invalid;
            s.formatTag = Le16(f);
            s.channels = Le16(f + 2);
            s.samplesPerSec = Le32(f + 4);
            s.blockAlign = Le16(f + 12);
            s.bitsPerSample = Le16(f + 14);
            haveFormat = true;
        } else if (std::memcmp(header, "data", 4) == 0 && !haveData) {
            s.dataOffset = pos + 8;
            s.dataBytes = std::min<uint64_t>(length, size - s.dataOffset);
            haveData = true;
        }
        pos += 8 + length + (length & 1);
    }
    if (!haveFormat || !haveData) return WaveFileStatus::Invalid;

    const bool bitsOk = s.bitsPerSample == 8 || s.bitsPerSample == 16 || s.bitsPerSample == 24 ||
                        s.bitsPerSample == 32;
    if (s.formatTag != 1 || s.channels == 0 || s.channels > 8 || !bitsOk ||
        s.samplesPerSec == 0 || s.samplesPerSec > 192000 ||
        s.blockAlign != s.channels * s.bitsPerSample / 8)
        return WaveFileStatus::Invalid;

    const uint64_t frames = s.dataBytes / s.blockAlign;
    const uint64_t ms = (frames * 1000 + s.samplesPerSec - 1) / s.samplesPerSec;
    s.lengthMs = static_cast<uint32_t>(std::min<uint64_t>(ms, 0x7FFFFFFF));
    *sound = s;
    return WaveFileStatus::Ok;
}

std::unique_ptr<WaveOutput> OpenWaveOutput(Machine& machine, bool virtualClock) {
    const std::string& device = machine.settings().Text("sound", "output");
    const Alsa* alsa = virtualClock || device.empty() || device == "off" ? nullptr : LoadAlsa();
    if (alsa == nullptr) return std::make_unique<SilentOutput>();
    return std::make_unique<AlsaOutput>(*alsa, device);
}

} // namespace machine
