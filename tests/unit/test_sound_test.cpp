// The speaker test's sound file "cvspker.wav", byte for byte: which source
// and channel each arrangement takes, the layout around the data, and
// sources that are short, lying or unusable; and the mono sounds that a new
// machine has beside the program.
#include <windows.h>

#include "kernel/modules.h"
#include "speakers/test_sound.h"
#include "test_machine.h"
#include "test_program.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
#include <set>
#include <string>

namespace fs = std::filesystem;

#ifndef BUILD_BIN_DIR
#define BUILD_BIN_DIR ""
#endif

namespace {

using Bytes = std::string;

void Put16(Bytes& b, unsigned value) {
    b += static_cast<char>(value & 0xFF);
    b += static_cast<char>((value >> 8) & 0xFF);
}
void Put32(Bytes& b, uint32_t value) {
    Put16(b, value & 0xFFFF);
    Put16(b, value >> 16);
}
unsigned Get16(const Bytes& b, size_t at) {
    return static_cast<unsigned char>(b.at(at)) | static_cast<unsigned char>(b.at(at + 1)) << 8;
}
uint32_t Get32(const Bytes& b, size_t at) { return Get16(b, at) | Get16(b, at + 2) << 16; }

constexpr uint32_t kRate = 11025;
constexpr uint32_t kWholeFile = 0xFFFFFFFF; // "declare exactly the samples given"

// A mono PCM source: RIFF header, a format chunk of 16 bytes plus
// `afterFormat` (counted in its length), the data chunk declaring
// `declared` bytes and holding `samples`, then `trailer`.
Bytes MonoWave(unsigned bits, const Bytes& samples, const Bytes& afterFormat = "",
               uint32_t declared = kWholeFile, const Bytes& trailer = "") {
    Bytes b = "RIFF";
    Put32(b, static_cast<uint32_t>(36 + afterFormat.size() + samples.size() + trailer.size()));
    b += "WAVEfmt ";
    Put32(b, static_cast<uint32_t>(16 + afterFormat.size()));
    Put16(b, 1);
    Put16(b, 1);
    Put32(b, kRate);
    Put32(b, kRate * (bits / 8));
    Put16(b, bits / 8);
    Put16(b, bits);
    b += afterFormat;
    b += "data";
    Put32(b, declared == kWholeFile ? static_cast<uint32_t>(samples.size()) : declared);
    return b + samples + trailer;
}

// What the builder must write for a MonoWave source without changes to its
// format fields, `copied` being the source bytes it copies.
Bytes Expected(unsigned bits, const Bytes& copied, size_t extra, unsigned channels,
               unsigned slot) {
    Bytes frames;
    if (bits == 16) {
        for (size_t k = 0; k + 1 < copied.size(); k += 2)
            for (unsigned c = 0; c < channels; ++c)
                frames += c == slot ? copied.substr(k, 2) : Bytes(2, '\0');
        // Half a sample at the end: half a frame of silence.
        if (copied.size() % 2 != 0) frames += Bytes(channels, '\0');
    } else {
        for (char sample : copied)
            for (unsigned c = 0; c < channels; ++c) frames += c == slot ? sample : '\0';
    }
    Bytes b = "RIFF";
    Put32(b, static_cast<uint32_t>(36 + extra + frames.size()));
    b += "WAVEfmt ";
    Put32(b, static_cast<uint32_t>(16 + extra));
    Put16(b, 1);
    Put16(b, channels);
    Put32(b, kRate);
    Put32(b, kRate * (bits / 8) * channels);
    Put16(b, (bits / 8) * channels);
    Put16(b, bits);
    b += Bytes(extra, '\0');
    b += "data";
    Put32(b, static_cast<uint32_t>(frames.size()));
    return b + frames;
}

// Byte-for-byte equality that reports the first difference, not the files.
::testing::AssertionResult SameBytes(const Bytes& built, const Bytes& expected) {
    const size_t common = std::min(built.size(), expected.size());
    size_t at = 0;
    while (at < common && built[at] == expected[at]) ++at;
    if (at == common && built.size() == expected.size()) return ::testing::AssertionSuccess();
    auto byteAt = [](const Bytes& b, size_t i) {
        return i < b.size() ? std::to_string(static_cast<unsigned char>(b[i])) : std::string("none");
    };
    return ::testing::AssertionFailure()
           << built.size() << " bytes built, " << expected.size() << " expected; first difference at "
           << at << ": " << byteAt(built, at) << " built, " << byteAt(expected, at) << " expected";
}

// Samples without a 0 byte, different for every `seed`, so that a silent
// channel and a wrong source both show.
Bytes Samples(size_t size, int seed) {
    Bytes b;
    for (size_t j = 0; j < size; ++j) b += static_cast<char>(1 + (j * 7 + seed * 31) % 250);
    return b;
}

Bytes ReadAll(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteAll(const fs::path& file, const Bytes& bytes) {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

const char* const kSourceNames[] = {"left.wav",  "right.wav", "fleft.wav",  "fright.wav",
                                    "rleft.wav", "rright.wav", "center.wav", "subw.wav"};

class TestSound : public ::testing::Test {
  protected:
    fs::path Folder() const { return machine_.DriveC() / "Program Files/Orbiq"; }
    void Put(const char* name, const Bytes& bytes) { WriteAll(Folder() / name, bytes); }
    Bytes Built() const { return ReadAll(Folder() / "cvspker.wav"); }
    bool BuiltExists() const { return fs::is_regular_file(Folder() / "cvspker.wav"); }

    // All eight sources, told apart by their samples and sizes (some longer
    // than one block of the copy); even ones 8-bit, odd ones 16-bit.
    static unsigned SourceBits(int i) { return i % 2 == 0 ? 8 : 16; }
    static Bytes SourceSamples(int i) { return Samples(500 + 700 * static_cast<size_t>(i), i); }
    void PutAllSources() {
        for (int i = 0; i < 8; ++i) Put(kSourceNames[i], MonoWave(SourceBits(i), SourceSamples(i)));
    }

    TempMachine machine_;
    TestProgram program_{machine_.DriveC()};
};

TEST(TestSoundDirectory, EndsAtTheLastSeparator) {
    struct Case {
        const char* path;
        const char* directory;
    } cases[] = {
        {"C:\\Program Files\\Orbiq\\CVPANEL.EXE", "C:\\Program Files\\Orbiq\\"},
        {"C:\\CVPANEL.EXE", "C:\\"},
        {"C:\\Program Files\\Orbiq\\", "C:\\Program Files\\Orbiq\\"},
        {"CVPANEL.EXE", "\\"},
        {"", "\\"},
        // The separator's place takes the "\": a drive-relative path loses
        // its colon. The loader only ever gives full paths.
        {"C:CVPANEL.EXE", "C\\"},
    };
    for (const Case& c : cases) {
        char directory[MAX_PATH];
        std::memset(directory, 'x', sizeof directory);
        ProgramDirectory(c.path, directory);
        EXPECT_STREQ(directory, c.directory) << c.path;
    }
}

TEST_F(TestSound, EachArrangementTakesItsSourceIntoItsOwnChannel) {
    PutAllSources();
    struct Case {
        int code, slot;
        int source; // index into kSourceNames
        unsigned channels;
    } cases[] = {
        {2, 0, 0, 2}, {2, 1, 1, 2}, {3, 0, 0, 2}, {3, 1, 1, 2}, {0, 0, 0, 2}, {1, 1, 1, 2},
        {4, 0, 2, 4}, {4, 1, 3, 4}, {4, 2, 4, 4}, {4, 3, 5, 4},
        {6, 0, 2, 6}, {6, 1, 3, 6}, {6, 2, 4, 6}, {6, 3, 5, 6}, {6, 4, 6, 6}, {6, 5, 7, 6},
        // Codes no arrangement has: the surround names, two channels.
        {5, 0, 2, 2}, {7, 1, 3, 2}, {255, 0, 2, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("code " + std::to_string(c.code) + " slot " + std::to_string(c.slot));
        BuildTestFile(c.code, c.slot);
        EXPECT_TRUE(SameBytes(Built(), Expected(SourceBits(c.source), SourceSamples(c.source), 0,
                                                c.channels, static_cast<unsigned>(c.slot))));
    }
}

TEST_F(TestSound, SixteenBitThousandBytesForFourSpeakers) {
    const Bytes samples = Samples(1000, 3);
    Put("rleft.wav", MonoWave(16, samples));
    BuildTestFile(4, 2);
    const Bytes built = Built();
    ASSERT_EQ(built.size(), 4044u);
    EXPECT_EQ(Get32(built, 4), 4036u);
    EXPECT_EQ(Get16(built, 22), 4u);
    EXPECT_EQ(Get32(built, 28), 4 * kRate * 2);
    EXPECT_EQ(Get16(built, 32), 8u);
    EXPECT_EQ(Get16(built, 34), 16u);
    EXPECT_EQ(Get32(built, 40), 4000u);
    // Frame 1: silence, silence, sample 1, silence.
    EXPECT_EQ(built.substr(44 + 8, 8), Bytes(4, '\0') + samples.substr(2, 2) + Bytes(2, '\0'));
    EXPECT_TRUE(SameBytes(built, Expected(16, samples, 0, 4, 2)));
}

TEST_F(TestSound, EightBitSilenceIsZeroNotTheMidpoint) {
    const Bytes samples(300, static_cast<char>(128));
    Put("center.wav", MonoWave(8, samples));
    BuildTestFile(6, 4);
    const Bytes built = Built();
    ASSERT_EQ(built.size(), 44u + 6 * 300);
    for (size_t i = 44; i < built.size(); ++i)
        ASSERT_EQ(static_cast<unsigned char>(built[i]), (i - 44) % 6 == 4 ? 128u : 0u) << i;
}

TEST_F(TestSound, BytesBeforeTheDataWidenTheFormatChunk) {
    Bytes fact = "fact";
    Put32(fact, 4);
    Put32(fact, 4321);
    const struct Case {
        const char* what;
        Bytes afterFormat;
    } cases[] = {
        {"16-byte format", ""},
        {"18-byte format", Bytes(2, '\0')},
        {"a chunk before the data", fact},
        {"the data tag 100 bytes on", Bytes(99, 'x')},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const Bytes samples = Samples(1500, 5);
        Put("left.wav", MonoWave(16, samples, c.afterFormat));
        BuildTestFile(3, 0);
        const Bytes built = Built();
        EXPECT_TRUE(SameBytes(built, Expected(16, samples, c.afterFormat.size(), 2, 0)));
        const size_t dataOffset = 44 + c.afterFormat.size();
        ASSERT_GT(built.size(), dataOffset);
        EXPECT_EQ(built.substr(dataOffset - 8, 4), "data");
        EXPECT_EQ(Get32(built, 16), 16 + c.afterFormat.size());
    }
    // The 18-byte format chunk: two zero bytes after the 16 format bytes,
    // the data at offset 46.
    Put("left.wav", MonoWave(16, Samples(10, 1), Bytes(2, '\0')));
    BuildTestFile(2, 0);
    const Bytes built = Built();
    EXPECT_EQ(Get32(built, 16), 18u);
    EXPECT_EQ(built.substr(36, 6), Bytes(2, '\0') + "data");
    EXPECT_EQ(Get32(built, 42), 20u);
    EXPECT_EQ(built.size(), 46u + 20);
}

TEST_F(TestSound, ShortOrLyingSourcesCopyWhatTheyHold) {
    Bytes list = "LIST";
    Put32(list, 4);
    list += "INFO";
    const struct Case {
        const char* what;
        unsigned bits;
        size_t held;       // sample bytes in the file
        uint32_t declared; // data length the header gives
        Bytes trailer;
        size_t copied;
    } cases[] = {
        {"8-bit, declares far more than it holds", 8, 10, 100000, "", 10},
        {"16-bit, declares 4 GB, holds three blocks", 16, 3000, 0xFFFFFFFE, "", 3000},
        {"declares less than it holds", 16, 600, 500, list, 500},
        {"a chunk after the data", 8, 700, 700, list, 700},
        {"odd length after a full block", 16, 1027, 1027, "", 1027},
        {"ends within a sample", 16, 2049, 4096, "", 2049},
        {"no data", 16, 0, 0, "", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const Bytes samples = Samples(c.held, 9);
        Put("fright.wav", MonoWave(c.bits, samples, "", c.declared, c.trailer));
        BuildTestFile(4, 1);
        EXPECT_TRUE(SameBytes(Built(), Expected(c.bits, samples.substr(0, c.copied), 0, 4, 1)));
    }
}

TEST_F(TestSound, AbsurdFormatFieldsDoNotSizeTheCopy) {
    const Bytes samples = Samples(2500, 4);
    Bytes source = MonoWave(8, samples);
    // 65535 channels of 65535 bits, each second and block absurd as well.
    const Bytes absurd("\xFF\xFF\x11\x2B\x00\x00\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF", 14);
    source.replace(22, absurd.size(), absurd);
    Put("subw.wav", source);
    BuildTestFile(6, 5);
    const Bytes built = Built();
    Bytes expected = Expected(8, samples, 0, 6, 5);
    // Copied as bytes; only the counts of the format are multiplied.
    Bytes fields;
    Put32(fields, 0xFFFFFFFFu * 6);
    Put16(fields, 0xFFFF * 6 & 0xFFFF);
    Put16(fields, 0xFFFF);
    expected.replace(28, fields.size(), fields);
    EXPECT_TRUE(SameBytes(built, expected));
}

TEST_F(TestSound, UnusableSourcesLeaveTheTargetEmpty) {
    const Bytes good = MonoWave(8, Samples(100, 2));
    const struct Case {
        const char* what;
        Bytes source; // "left.wav"; none when empty
        int code, slot;
    } cases[] = {
        {"missing source", "", 2, 0},
        {"shorter than the header", good.substr(0, 35), 2, 0},
        {"no data tag within 100 bytes", MonoWave(8, Samples(100, 2), Bytes(100, 'x')), 2, 0},
        {"a \"d\" that begins no data tag", MonoWave(8, Samples(100, 2), "dot!"), 2, 0},
        {"the data length cut off", good.substr(0, 42), 2, 0},
        {"the stereo row's rear slot", good, 2, 2},
        {"a slot past four channels", good, 4, 5},
        {"a negative slot", good, 2, -1},
    };
    PutAllSources();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove(Folder() / "left.wav");
        if (!c.source.empty()) Put("left.wav", c.source);
        Put("cvspker.wav", "an earlier test sound");
        BuildTestFile(c.code, c.slot);
        EXPECT_TRUE(BuiltExists());
        EXPECT_EQ(Built(), "");
    }
}

// A new machine made from the build: the eight sounds beside the program,
// each a file of its own holding a mono PCM WAVE file of 8 or 16 bits that
// the builder takes whole.
TEST(TestSoundInstallation, NewMachineHasTheEightMonoSounds) {
    std::string pattern = (fs::temp_directory_path() / "cvtest-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    const fs::path sandbox = pattern;
    std::string error;
    auto machine = machine::Machine::Open(sandbox / "machine", BUILD_BIN_DIR, &error);
    ASSERT_TRUE(machine) << error;
    platform::SetCurrentMachine(machine.get());
    const fs::path driveC = machine->Directory() / "drive_c";
    const fs::path folder = driveC / "Program Files/Orbiq";
    {
        TestProgram program(driveC);
        std::set<unsigned> bitSizes;
        for (int i = 0; i < 8; ++i) {
            const char* name = kSourceNames[i];
            SCOPED_TRACE(name);
            const fs::path file = folder / name;
            ASSERT_TRUE(fs::is_regular_file(fs::symlink_status(file))) << "a copy, not a link";
            const Bytes wave = ReadAll(file);
            ASSERT_GE(wave.size(), 44u);
            EXPECT_EQ(wave.substr(0, 4), "RIFF");
            EXPECT_EQ(Get32(wave, 4), wave.size() - 8);
            EXPECT_EQ(wave.substr(8, 8), "WAVEfmt ");
            EXPECT_EQ(Get32(wave, 16), 16u);
            EXPECT_EQ(Get16(wave, 20), 1u) << "PCM";
            EXPECT_EQ(Get16(wave, 22), 1u) << "mono";
            const uint32_t rate = Get32(wave, 24);
            const unsigned bits = Get16(wave, 34);
            EXPECT_TRUE(rate == 11025 || rate == 22050) << rate;
            EXPECT_TRUE(bits == 8 || bits == 16) << bits;
            EXPECT_EQ(Get16(wave, 32), bits / 8);
            EXPECT_EQ(Get32(wave, 28), rate * (bits / 8));
            EXPECT_EQ(wave.substr(36, 4), "data");
            const uint32_t length = Get32(wave, 40);
            EXPECT_EQ(length, wave.size() - 44);
            // A second or so of sound.
            EXPECT_GE(length, rate * (bits / 8) / 2);
            EXPECT_LE(length, rate * (bits / 8) * 2);
            bitSizes.insert(bits);

            // The builder copies all of it into a six-channel file.
            // ("left.wav" and "right.wav" are the stereo row's.)
            const bool stereo = i < 2;
            BuildTestFile(stereo ? 2 : 6, stereo ? i : i - 2);
            const Bytes built = ReadAll(folder / "cvspker.wav");
            ASSERT_GE(built.size(), 44u);
            EXPECT_EQ(Get32(built, 40), (stereo ? 2 : 6) * length);
        }
        EXPECT_EQ(bitSizes, (std::set<unsigned>{8, 16}));
    }
    platform::SetCurrentMachine(nullptr);
    machine.reset();
    fs::remove_all(sandbox);
}

} // namespace
