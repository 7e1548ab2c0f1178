// The speaker test's sound builder on arbitrary source files. The first
// byte chooses the speaker configuration code and the slot; the rest is the
// mono source the builder reads. The file it writes is checked against the
// layout the builder promises: empty for an unusable source or slot, else
// the source's header with the channel fields multiplied, the data chunk at
// the source's offset, one frame per source sample with only the slot's
// channel sounding, and RIFF and data lengths that match the file's size.
#include "fuzz_support.h"
#include "kernel/modules.h"
#include "speakers/test_sound.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace {

namespace fs = std::filesystem;

const char* const kSourceNames[] = {"left.wav",  "right.wav",  "fleft.wav",  "fright.wav",
                                    "rleft.wav", "rright.wav", "center.wav", "subw.wav"};
// Codes of every arrangement and some that are none.
const int kCodes[] = {0, 1, 2, 3, 4, 5, 6, 255};

uint32_t Get16(std::string_view b, size_t at) {
    return static_cast<unsigned char>(b[at]) | static_cast<unsigned char>(b[at + 1]) << 8;
}
uint32_t Get32(std::string_view b, size_t at) {
    return Get16(b, at) | Get16(b, at + 2) << 16;
}

struct Folder {
    fs::path program;
    fs::path source; // every source name is a hard link to this file
};

const Folder& ProgramFolder() {
    static const Folder folder = [] {
        fuzz::FuzzMachine& machine = fuzz::TheMachine();
        if (platform::LoadProgramModule(machine::kProgramPath) == nullptr)
            fuzz::Fail("the stand-in program module does not load");
        Folder f;
        f.program = machine.DriveC() / "Program Files/Orbiq";
        f.source = f.program / "fuzz-source.bin";
        fuzz::WriteFile(f.source, "");
        for (const char* name : kSourceNames) {
            std::error_code ignored;
            fs::remove(f.program / name, ignored);
            fs::create_hard_link(f.source, f.program / name);
        }
        return f;
    }();
    return folder;
}

// The offset just past the source's data length, as the builder finds the
// data chunk: the first "d" among the 100 bytes after the 36-byte header
// must begin "data" and be followed by the length. 0: no usable data chunk.
size_t SourceDataOffset(std::string_view source) {
    if (source.size() < 36) return 0;
    for (size_t at = 36; at < 136 && at < source.size(); ++at) {
        if (source[at] != 'd') continue;
        if (source.substr(at, 4) != "data" || source.size() < at + 8) return 0;
        return at + 8;
    }
    return 0;
}

void CheckBuilt(std::string_view source, std::string_view built, int code, int slot) {
    const uint32_t channels = code == 4 ? 4 : code == 6 ? 6 : 2;
    const size_t dataOffset = SourceDataOffset(source);
    if (slot < 0 || static_cast<uint32_t>(slot) >= channels || dataOffset == 0) {
        fuzz::Check(built.empty(), "an unusable source or slot left a non-empty file");
        return;
    }
    fuzz::Check(built.size() >= dataOffset, "the file ends before its data chunk");
    const size_t extra = dataOffset - 44;

    // The header: the source's, with the documented changes.
    fuzz::Check(built.substr(0, 4) == source.substr(0, 4), "RIFF tag not copied");
    fuzz::Check(Get32(built, 4) == built.size() - 8, "RIFF length does not match the file size");
    fuzz::Check(built.substr(8, 8) == source.substr(8, 8), "form type or format tag not copied");
    fuzz::Check(Get32(built, 16) == (extra > 0 ? 16 + extra : Get32(source, 16)),
                "format chunk length");
    fuzz::Check(Get16(built, 20) == Get16(source, 20), "format tag not copied");
    fuzz::Check(Get16(built, 22) == channels, "channel count");
    fuzz::Check(Get32(built, 24) == Get32(source, 24), "sample rate not copied");
    fuzz::Check(Get32(built, 28) == Get32(source, 28) * channels, "average bytes per second");
    fuzz::Check(Get16(built, 32) == ((Get16(source, 32) * channels) & 0xFFFF), "block alignment");
    fuzz::Check(Get16(built, 34) == Get16(source, 34), "bits per sample not copied");
    fuzz::Check(built.substr(36, extra) == std::string(extra, '\0'),
                "the bytes before the data are not zero");
    fuzz::Check(built.substr(dataOffset - 8, 4) == "data",
                "the data tag is not where the source has it");

    // The data: every source byte the declared length covers, as far as
    // the source holds them, spread into frames.
    const size_t declared = Get32(source, dataOffset - 4);
    const size_t held = source.size() - dataOffset;
    const size_t copied = declared < held ? declared : held;
    const std::string_view samples = source.substr(dataOffset, copied);
    const std::string_view frames = built.substr(dataOffset);
    fuzz::Check(Get32(built, dataOffset - 4) == frames.size(),
                "data length does not match the file size");
    fuzz::Check(frames.size() == channels * copied,
                "data length is not the channels times the source bytes copied");
    const bool sixteenBit = Get16(source, 34) == 16;
    const size_t sampleBytes = sixteenBit ? 2 : 1;
    for (size_t i = 0; i < frames.size(); ++i) {
        const size_t element = i / sampleBytes;
        const size_t sample = element / channels;
        const bool inSlot = element % channels == static_cast<size_t>(slot);
        // A 16-bit source's odd last byte is half a sample: silence.
        const bool whole = (sample + 1) * sampleBytes <= samples.size();
        const char expected = inSlot && whole ? samples[sample * sampleBytes + i % sampleBytes] : 0;
        if (frames[i] != expected)
            fuzz::Fail("data byte " + std::to_string(i) + " is not the slot's sample or silence");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    const Folder& folder = ProgramFolder();
    const int code = kCodes[data[0] & 7];
    const int slot = static_cast<int>((data[0] >> 3) % 8) - 1; // -1 to 6
    const std::string_view source(reinterpret_cast<const char*>(data + 1), size - 1);
    fuzz::WriteFile(folder.source, source);

    BuildTestFile(code, slot);

    const fs::path target = folder.program / "cvspker.wav";
    fuzz::Check(fs::is_regular_file(target), "no cvspker.wav was written");
    CheckBuilt(source, fuzz::ReadFile(target), code, slot);
    return 0;
}
