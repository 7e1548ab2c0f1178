// The simulated PC with the card installed: its folder, hardware profile,
// disk and registry.
//
//   DIR/machine.ini     hardware profile and machine settings
//   DIR/registry.reg    the whole registry, REGEDIT4 text
//   DIR/drive_c/        drive C:
//   DIR/run/            live top-level windows of the programs on this machine
//   DIR/debug.log       what programs wrote to the debugger output
#pragma once

#include "disk.h"
#include "registry.h"
#include "settings.h"

#include <filesystem>
#include <memory>
#include <string>

namespace machine {

// Where the project's own modules are on the machine, as Windows paths.
constexpr const char* kProgramDirectory = "C:\\Program Files\\Orbiq";
constexpr const char* kProgramPath = "C:\\Program Files\\Orbiq\\CVPANEL.EXE";

class Machine {
  public:
    // Opens the machine in `dir`, creating the default installation when the
    // folder does not exist. `modulesDir` holds the built modules (CVPANEL.EXE,
    // CVTHK32.DLL, the outside components); the installation links to them.
    // On error returns null with a message that names the file and line.
    static std::unique_ptr<Machine> Open(const std::filesystem::path& dir,
                                         const std::filesystem::path& modulesDir,
                                         std::string* error);

    const std::filesystem::path& Directory() const { return dir_; }
    std::filesystem::path RunDirectory() const { return dir_ / "run"; }
    std::filesystem::path DebugLog() const { return dir_ / "debug.log"; }

    Settings& settings() { return settings_; }
    Disk& disk() { return disk_; }
    Registry& registry() { return registry_; }

  private:
    explicit Machine(const std::filesystem::path& dir);

    std::filesystem::path dir_;
    Settings settings_;
    Disk disk_;
    Registry registry_;
};

} // namespace machine
