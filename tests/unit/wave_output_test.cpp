// The card's wave output on the host's ALSA library. A test PCM of ALSA's
// "file" type over a "null" device, from a configuration file of the test's
// own, stands in for the sound card: whatever the output plays lands in a
// file, byte for byte, and nothing is heard.
#include "test_machine.h"
#include "test_program.h"

#include "speakers/test_sound.h"

#include "wave_device.h"

#include <dlfcn.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <thread>
#include <utility>

namespace {

using Clock = std::chrono::steady_clock;

bool HostHasAlsa() {
    static const bool has = dlopen("libasound.so.2", RTLD_NOW | RTLD_LOCAL) != nullptr;
    return has;
}

void Put32(std::string* s, uint32_t v) {
    for (int i = 0; i < 4; ++i) s->push_back(static_cast<char>(v >> (8 * i)));
}
void Put16(std::string* s, uint16_t v) {
    s->push_back(static_cast<char>(v));
    s->push_back(static_cast<char>(v >> 8));
}

// A PCM WAVE file whose sample bytes count up, so that a block lost, doubled
// or taken from the wrong place shows in what was played. A chunk before
// the format and one after the data must not be played either.
std::string WaveFile(uint16_t channels, uint16_t bits, uint32_t rate, uint32_t frames,
                     std::string* data) {
    const uint16_t blockAlign = static_cast<uint16_t>(channels * bits / 8);
    data->clear();
    for (uint32_t i = 0; i < frames * blockAlign; ++i)
        data->push_back(static_cast<char>(i * 7 + i / 251));
    std::string body = "WAVE";
    body += "LIST";
    Put32(&body, 4);
    body += "INFO";
    body += "fmt ";
    Put32(&body, 16);
    Put16(&body, 1);
    Put16(&body, channels);
    Put32(&body, rate);
    Put32(&body, rate * blockAlign);
    Put16(&body, blockAlign);
    Put16(&body, bits);
    body += "data";
    Put32(&body, static_cast<uint32_t>(data->size()));
    body += *data;
    body += "junk";
    Put32(&body, 4);
    body += "JUNK";
    std::string file = "RIFF";
    Put32(&file, static_cast<uint32_t>(body.size()));
    return file + body;
}

std::optional<std::string> ReadAll(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) return std::nullopt;
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// Points the ALSA library of this process at a configuration of the test's
// own, which defines only the PCM "cvcapture"; the user's configuration and
// sound cards are never read.
class WaveOutputTest : public ::testing::Test {
  protected:
    void SetUp() override {
        if (const char* old = std::getenv("ALSA_CONFIG_PATH")) oldConfigPath_ = old;
        const std::filesystem::path config = machine_.Sandbox() / "alsa.conf";
        std::ofstream(config) << "pcm.cvcapture {\n"
                                 "  type file\n"
                                 "  slave { pcm { type null } }\n"
                                 "  file \""
                              << Captured().string()
                              << "\"\n"
                                 "  format raw\n"
                                 "}\n";
        setenv("ALSA_CONFIG_PATH", config.c_str(), 1);
    }
    void TearDown() override {
        if (oldConfigPath_)
            setenv("ALSA_CONFIG_PATH", oldConfigPath_->c_str(), 1);
        else
            unsetenv("ALSA_CONFIG_PATH");
    }

    std::filesystem::path Captured() const { return machine_.Sandbox() / "captured.raw"; }
    uint64_t CapturedBytes() const {
        std::error_code ec;
        const uint64_t size = std::filesystem::file_size(Captured(), ec);
        return ec ? 0 : size;
    }
    std::filesystem::path SoundFile() const { return machine_.Sandbox() / "sound.wav"; }

    std::unique_ptr<machine::WaveOutput> Output(const char* device, bool virtualClock) {
        std::string error;
        EXPECT_TRUE(machine_->settings().Set("sound", "output", device, &error)) << error;
        return machine::OpenWaveOutput(*machine_, virtualClock);
    }

    // Waits, with a generous bound, until the captured file holds `bytes`.
    void WaitForCapture(uint64_t bytes, uint32_t playMs) {
        const auto deadline = Clock::now() + std::chrono::milliseconds(playMs + 5000);
        while (Clock::now() < deadline && CapturedBytes() < bytes)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }

    TempMachine machine_;
    std::optional<std::string> oldConfigPath_;
};

TEST_F(WaveOutputTest, PlaysTheDataChunkOrItsPartOnTheNamedDevice) {
    if (!HostHasAlsa()) GTEST_SKIP() << "no 32-bit libasound.so.2 (Debian: libasound2:i386)";
    struct Case {
        uint16_t channels, bits;
        uint32_t frames;
        std::optional<std::pair<uint32_t, uint32_t>> part; // from, to in ms; none: all
    };
    // At 8000 Hz a millisecond is 8 frames, so each part has an exact place.
    const Case cases[] = {
        {6, 16, 2400, std::nullopt},
        {6, 16, 2400, std::pair{100u, 250u}},
        {1, 8, 1603, std::nullopt}, // a last, partial millisecond
        {1, 8, 1600, std::pair{150u, 200u}},
        {2, 24, 800, std::pair{0u, 50u}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("channels " + std::to_string(c.channels) + ", bits " +
                     std::to_string(c.bits) + (c.part ? ", a part" : ", all"));
        std::string data;
        std::ofstream(SoundFile(), std::ios::binary)
            << WaveFile(c.channels, c.bits, 8000, c.frames, &data);
        machine::WaveSound sound;
        ASSERT_EQ(machine::ReadWaveFile(SoundFile(), &sound), machine::WaveFileStatus::Ok);
        const uint32_t from = c.part ? c.part->first : 0;
        const uint32_t to = c.part ? c.part->second : sound.lengthMs;
        const size_t block = sound.blockAlign;
        const std::string expected =
            c.part ? data.substr(from * 8 * block, (to - from) * 8 * block) : data;
        std::filesystem::remove(Captured());

        auto output = Output("cvcapture", false);
        output->Start(SoundFile(), sound, from, to);
        // As the MCI device does: the sound's time passes, then it is stopped.
        std::this_thread::sleep_for(std::chrono::milliseconds(to - from));
        WaitForCapture(expected.size(), to - from);
        output->Stop();
        const std::optional<std::string> captured = ReadAll(Captured());
        ASSERT_TRUE(captured.has_value()) << "nothing reached the device";
        EXPECT_EQ(captured->size(), expected.size());
        EXPECT_TRUE(*captured == expected) << "the bytes played differ from the file's";
    }
}

// The output hands samples over as they are due, even to a device that
// would take them all at once: a stop cuts a minute-long sound where it is.
TEST_F(WaveOutputTest, StopEndsALongSoundWhereItIs) {
    if (!HostHasAlsa()) GTEST_SKIP() << "no 32-bit libasound.so.2 (Debian: libasound2:i386)";
    std::string data;
    std::ofstream(SoundFile(), std::ios::binary) << WaveFile(2, 16, 8000, 8000 * 60, &data);
    machine::WaveSound sound;
    ASSERT_EQ(machine::ReadWaveFile(SoundFile(), &sound), machine::WaveFileStatus::Ok);
    auto output = Output("cvcapture", false);
    const auto started = Clock::now();
    output->Start(SoundFile(), sound, 0, sound.lengthMs);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    const auto stopping = Clock::now();
    output->Stop();
    const auto stopped = Clock::now();
    EXPECT_LT(stopped - stopping, std::chrono::milliseconds(500));
    // At most the time played and the output's lead of two tenths of a
    // second, at 8000 frames of 4 bytes a second; and from the start on.
    const auto playedMs =
        std::chrono::duration_cast<std::chrono::milliseconds>(stopped - started).count();
    const std::string captured = ReadAll(Captured()).value_or("");
    EXPECT_GT(captured.size(), 0u);
    EXPECT_LE(captured.size(), static_cast<size_t>((playedMs + 200) * 32));
    EXPECT_TRUE(data.compare(0, captured.size(), captured) == 0);

    // The same output plays the next sound.
    std::filesystem::remove(Captured());
    output->Start(SoundFile(), sound, 1000, 1010);
    WaitForCapture(80 * 4, 10);
    output->Stop();
    EXPECT_EQ(ReadAll(Captured()), data.substr(8000 * 4, 80 * 4));
}

// Outputs that must not reach any device: each starts a minute-long sound
// and must stop at once, and the test PCM must have received nothing.
TEST_F(WaveOutputTest, SilentOutputsPlayNothingAndStopAtOnce) {
    std::string data;
    std::ofstream(SoundFile(), std::ios::binary) << WaveFile(2, 16, 8000, 8000 * 60, &data);
    machine::WaveSound sound;
    ASSERT_EQ(machine::ReadWaveFile(SoundFile(), &sound), machine::WaveFileStatus::Ok);
    struct Case {
        const char* what;
        const char* device;
        bool virtualClock;
    };
    const Case cases[] = {
        {"switched off", "off", false},
        {"no device named", "", false},
        {"virtual clock", "cvcapture", true},
        {"no such device", "cvnosuchdevice", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::filesystem::remove(Captured());
        auto output = Output(c.device, c.virtualClock);
        output->Start(SoundFile(), sound, 0, sound.lengthMs);
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        const auto stopping = Clock::now();
        output->Stop();
        EXPECT_LT(Clock::now() - stopping, std::chrono::milliseconds(500));
        EXPECT_FALSE(std::filesystem::exists(Captured()));
    }
}

// A file cut short after it was opened plays as far as it goes; one that is
// gone plays nothing.
TEST_F(WaveOutputTest, FileCutShortOrGoneAfterOpening) {
    if (!HostHasAlsa()) GTEST_SKIP() << "no 32-bit libasound.so.2 (Debian: libasound2:i386)";
    std::string data;
    std::ofstream(SoundFile(), std::ios::binary) << WaveFile(1, 16, 8000, 8000, &data);
    machine::WaveSound sound;
    ASSERT_EQ(machine::ReadWaveFile(SoundFile(), &sound), machine::WaveFileStatus::Ok);
    auto output = Output("cvcapture", false);

    std::filesystem::resize_file(SoundFile(), sound.dataOffset + 1001);
    output->Start(SoundFile(), sound, 0, sound.lengthMs);
    WaitForCapture(1000, 0);
    output->Stop();
    EXPECT_EQ(ReadAll(Captured()), data.substr(0, 1000));

    std::filesystem::remove(Captured());
    std::filesystem::remove(SoundFile());
    output->Start(SoundFile(), sound, 0, sound.lengthMs);
    output->Stop();
    EXPECT_FALSE(std::filesystem::exists(Captured()));
}

} // namespace

// The speaker test's own file: "cvspker.wav" built from a rear left sound
// for six speakers reaches the device exactly as its data chunk holds it,
// the silent channels included.
TEST_F(WaveOutputTest, TheSpeakerTestFileIsPlayedByteForByte) {
    if (!HostHasAlsa()) GTEST_SKIP() << "no 32-bit libasound.so.2 (Debian: libasound2:i386)";
    TestProgram program(machine_.DriveC());
    // A plain mono 8-bit source, as the program's own sounds are made.
    std::string samples;
    for (int i = 0; i < 4000; ++i) samples.push_back(static_cast<char>(1 + i % 250));
    std::string source = "RIFF";
    Put32(&source, static_cast<uint32_t>(36 + samples.size()));
    source += "WAVEfmt ";
    Put32(&source, 16);
    Put16(&source, 1);
    Put16(&source, 1);
    Put32(&source, 8000);
    Put32(&source, 8000);
    Put16(&source, 1);
    Put16(&source, 8);
    source += "data";
    Put32(&source, static_cast<uint32_t>(samples.size()));
    std::ofstream(machine_.DriveC() / "Program Files/Orbiq/rleft.wav", std::ios::binary)
        << source + samples;
    BuildTestFile(6, 2);
    const std::filesystem::path built = machine_.DriveC() / "Program Files/Orbiq/cvspker.wav";
    machine::WaveSound sound;
    ASSERT_EQ(machine::ReadWaveFile(built, &sound), machine::WaveFileStatus::Ok);
    ASSERT_EQ(sound.channels, 6);
    const std::optional<std::string> file = ReadAll(built);
    ASSERT_TRUE(file);
    const std::string data = file->substr(sound.dataOffset, sound.dataBytes);

    auto output = Output("cvcapture", false);
    output->Start(built, sound, 0, sound.lengthMs);
    WaitForCapture(data.size(), sound.lengthMs);
    output->Stop();
    EXPECT_EQ(ReadAll(Captured()), data);
}
