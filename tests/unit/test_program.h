// A small test module installed and loaded as the program, so that
// GetModuleFileNameA(NULL) names "C:\Program Files\Orbiq\CVPANEL.EXE" and
// code that finds its folder through the program module works as in the
// program. The module stays loaded until every module is unloaded.
#pragma once

#include <windows.h>

#include "kernel/modules.h"
#include "machine.h"

#include <gtest/gtest.h>

#include <filesystem>

class TestProgram {
  public:
    explicit TestProgram(const std::filesystem::path& driveC) {
        const std::filesystem::path program = driveC / "Program Files/Orbiq/CVPANEL.EXE";
        std::filesystem::remove(program);
        std::filesystem::copy_file(std::filesystem::path(TEST_MODULES_DIR) / "PROGRAM.EXE", program);
        if (platform::ProgramModule() == nullptr) {
            loaded_ = platform::LoadProgramModule(machine::kProgramPath) != nullptr;
            EXPECT_TRUE(loaded_);
        }
        char path[MAX_PATH] = "";
        GetModuleFileNameA(nullptr, path, sizeof path);
        EXPECT_STREQ(path, machine::kProgramPath);
    }
    ~TestProgram() {
        if (loaded_) platform::UnloadAllModules();
    }
    TestProgram(const TestProgram&) = delete;
    TestProgram& operator=(const TestProgram&) = delete;

  private:
    bool loaded_ = false;
};

