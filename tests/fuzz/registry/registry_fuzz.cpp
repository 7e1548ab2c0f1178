// registry.reg as the machine loads it (strictly: the first fault refuses
// the file) and as the registry editor imports a .reg file (leniently:
// faulty lines are skipped). Whatever either reading accepts must survive
// the machine's own save: the file written afterwards loads strictly again,
// to the same registry.
#include "fuzz_support.h"
#include "registry.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace {

namespace fs = std::filesystem;

const fs::path& RegistryFile() {
    static const fs::path file = fuzz::ScratchFolder().Dir() / "registry.reg";
    return file;
}

// The registry in the file loads strictly and exports as `expected`.
void CheckLoadsBackAs(const std::string& expected, const char* after) {
    machine::Registry again(RegistryFile());
    std::string error;
    fuzz::Check(again.Load(&error),
                std::string("the file saved after ") + after + " does not load: " + error);
    fuzz::Check(again.Export() == expected,
                std::string("the file saved after ") + after + " loads as another registry");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const fs::path& file = RegistryFile();

    // The machine's own file.
    fuzz::WriteFile(file, text);
    {
        machine::Registry registry(file);
        std::string error;
        if (registry.Load(&error)) {
            fuzz::Check(error.empty(), "a load that succeeds reports an error");
            // A change makes the machine save the whole registry in its own form.
            fuzz::Check(registry.CreateKey(machine::RegistryRoot::CurrentUser, "Fuzz") == 0,
                        "a key cannot be created in a registry that loaded");
            CheckLoadsBackAs(registry.Export(), "a load");
        } else {
            fuzz::Check(error.rfind(file.string() + ":", 0) == 0,
                        "a refused file's message does not name it: " + error);
            fuzz::Check(fuzz::ReadFile(file) == text, "a refused file was changed");
        }
    }

    // An import into an empty registry.
    std::error_code ignored;
    fs::remove(file, ignored);
    {
        machine::Registry registry(file);
        std::string notes;
        if (registry.Import(text, &notes)) {
            CheckLoadsBackAs(registry.Export(), "an import");
        } else {
            fuzz::Check(!notes.empty(), "a refused import says nothing");
            fuzz::Check(!fs::exists(file), "a refused import wrote the file");
        }
    }
    return 0;
}
