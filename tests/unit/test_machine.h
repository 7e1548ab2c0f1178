// A fresh machine in a temporary folder for one test, made current for the
// platform's services, and removed afterwards.
#pragma once

#include "host/context.h"
#include "machine.h"

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include <gtest/gtest.h>

#ifndef TEST_MODULES_DIR
#define TEST_MODULES_DIR ""
#endif

class TempMachine {
  public:
    TempMachine() {
        std::string pattern = (std::filesystem::temp_directory_path() / "cvtest-XXXXXX").string();
        char* made = mkdtemp(pattern.data());
        if (made == nullptr) throw std::runtime_error("mkdtemp failed");
        sandbox_ = made;
        std::string error;
        machine_ = machine::Machine::Open(sandbox_ / "machine", TEST_MODULES_DIR, &error);
        if (!machine_) throw std::runtime_error("machine: " + error);
        platform::SetCurrentMachine(machine_.get());
    }
    ~TempMachine() {
        platform::SetCurrentMachine(nullptr);
        machine_.reset();
        std::error_code ignored;
        std::filesystem::remove_all(sandbox_, ignored);
    }
    TempMachine(const TempMachine&) = delete;
    TempMachine& operator=(const TempMachine&) = delete;

    machine::Machine& operator*() { return *machine_; }
    machine::Machine* operator->() { return machine_.get(); }
    // The folder that holds the machine folder; nothing may appear outside it.
    const std::filesystem::path& Sandbox() const { return sandbox_; }
    std::filesystem::path DriveC() const { return machine_->Directory() / "drive_c"; }

  private:
    std::filesystem::path sandbox_;
    std::unique_ptr<machine::Machine> machine_;
};
