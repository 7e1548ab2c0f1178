#include "machine.h"

#include "installation.h"

#include <unistd.h>

#include <system_error>

namespace fs = std::filesystem;

namespace machine {

Machine::Machine(const fs::path& dir)
    : dir_(dir), disk_(dir / "drive_c"), registry_(dir / "registry.reg") {}

std::unique_ptr<Machine> Machine::Open(const fs::path& dir, const fs::path& modulesDir,
                                       std::string* error) {
    std::error_code ec;
    const fs::path where = fs::absolute(dir, ec);
    if (ec) {
        *error = dir.string() + ": " + ec.message();
        return nullptr;
    }
    if (!fs::exists(where, ec)) {
        // Build the installation beside the target and rename it into place,
        // so that an interrupted creation never leaves half a machine.
        fs::create_directories(where.parent_path(), ec);
        fs::path building = where;
        building += ".new-" + std::to_string(getpid());
        fs::remove_all(building, ec);
        if (!fs::create_directory(building, ec) ||
            !WriteDefaultInstallation(building, modulesDir, error)) {
            if (error->empty()) *error = building.string() + ": " + ec.message();
            fs::remove_all(building, ec);
            return nullptr;
        }
        fs::rename(building, where, ec);
        if (ec) {
            fs::remove_all(building, ec);
            // Another process may have created it at the same moment.
            if (!fs::is_directory(where)) {
                *error = where.string() + ": cannot be created";
                return nullptr;
            }
        }
    } else if (!fs::is_directory(where, ec)) {
        *error = where.string() + ": not a folder";
        return nullptr;
    }
    RefreshModuleLinks(where, modulesDir);

    std::unique_ptr<Machine> m(new Machine(where));
    // A machine.ini that is missing altogether means every key at its default.
    if (fs::exists(where / "machine.ini", ec) &&
        !m->settings_.Load(where / "machine.ini", error))
        return nullptr;
    if (!m->registry_.Load(error)) return nullptr;
    fs::create_directories(where / "run", ec);
    m->disk_.SetCurrentDirectory(kProgramDirectory);
    return m;
}

} // namespace machine
