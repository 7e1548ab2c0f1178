// The default installation: a working card with its driver installed, the
// program in its folder and the outside components in place.
#pragma once

#include <filesystem>
#include <string>

namespace machine {

// Fills the empty folder `dir` with the default installation. The project's
// modules are linked from `modulesDir`. Returns false with a message.
bool WriteDefaultInstallation(const std::filesystem::path& dir,
                              const std::filesystem::path& modulesDir, std::string* error);

// Points the module links that are installed at the build in `modulesDir`,
// so that a machine keeps working when the build folder moves. A link that
// is gone stays gone: the removal deletes the bridge on purpose.
void RefreshModuleLinks(const std::filesystem::path& dir, const std::filesystem::path& modulesDir);

} // namespace machine
