// What the fuzz targets share: a scratch folder and a machine in it, made on
// first use and removed when the process ends, and a check that stops the
// run with a message when a reader breaks one of its promises.
#pragma once

#include "host/context.h"
#include "machine.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <string_view>

#ifndef FUZZ_MODULES_DIR
#define FUZZ_MODULES_DIR ""
#endif

namespace fuzz {

// A broken promise is a finding: the message, then an abort that libFuzzer
// records with the input.
[[noreturn]] inline void Fail(const std::string& what) {
    std::fprintf(stderr, "fuzz check failed: %s\n", what.c_str());
    std::fflush(stderr);
    std::abort();
}

inline void Check(bool holds, const std::string& what) {
    if (!holds) Fail(what);
}

// A folder of its own under the temporary folder ($TMPDIR; scripts/fuzz.sh
// points it at memory), removed at exit.
class Scratch {
  public:
    Scratch() {
        std::string pattern = (std::filesystem::temp_directory_path() / "cvfuzz-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr) Fail("cannot make a scratch folder");
        dir_ = pattern;
    }
    ~Scratch() {
        std::error_code ignored;
        std::filesystem::remove_all(dir_, ignored);
    }
    Scratch(const Scratch&) = delete;
    Scratch& operator=(const Scratch&) = delete;

    const std::filesystem::path& Dir() const { return dir_; }

  private:
    std::filesystem::path dir_;
};

inline const Scratch& ScratchFolder() {
    static Scratch scratch;
    return scratch;
}

// The default installation in the scratch folder, current for the
// platform's services.
class FuzzMachine {
  public:
    FuzzMachine() {
        std::string error;
        machine_ =
            machine::Machine::Open(ScratchFolder().Dir() / "machine", FUZZ_MODULES_DIR, &error);
        if (!machine_) Fail("machine: " + error);
        platform::SetCurrentMachine(machine_.get());
    }
    ~FuzzMachine() { platform::SetCurrentMachine(nullptr); }
    FuzzMachine(const FuzzMachine&) = delete;
    FuzzMachine& operator=(const FuzzMachine&) = delete;

    machine::Machine& Get() { return *machine_; }
    std::filesystem::path DriveC() const { return machine_->Directory() / "drive_c"; }

  private:
    std::unique_ptr<machine::Machine> machine_;
};

inline FuzzMachine& TheMachine() {
    // Made after the scratch folder, so removed before it.
    ScratchFolder();
    static FuzzMachine machine;
    return machine;
}

inline void WriteFile(const std::filesystem::path& file, std::string_view bytes) {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) Fail(file.string() + ": cannot be written");
}

inline std::string ReadFile(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

} // namespace fuzz
