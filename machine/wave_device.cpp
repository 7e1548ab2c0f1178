#include "wave_device.h"

#include <algorithm>
#include <cstring>
#include <fstream>

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

std::unique_ptr<WaveOutput> OpenWaveOutput(Machine&) { return std::make_unique<SilentOutput>(); }

} // namespace machine
