#include "installation.h"

#include <fstream>
#include <system_error>

#include "settings.h"

namespace fs = std::filesystem;

namespace machine {
namespace {

// The project's own modules and where they are installed on drive C:.
struct ModuleLink {
    const char* drivePath; // below drive_c, with '/'
    const char* built;     // file name in the build's module folder
};
const ModuleLink kModuleLinks[] = {
    {"Program Files/Orbiq/CVPANEL.EXE", "CVPANEL.EXE"},
    {"WINDOWS/SYSTEM/CVTHK32.DLL", "CVTHK32.DLL"},
    // The outside components: the card's 16-bit driver DLL and the 3D-audio hook.
    {"WINDOWS/SYSTEM/CVTHK16.DLL", "CVTHK16.DLL"},
    {"WINDOWS/SYSTEM/QA3DLOAD.DLL", "QA3DLOAD.DLL"},
};

// The card's driver installation as it leaves the registry: the PCI device
// tree leading to the driver key MEDIA\0001, the driver's values, and the
// 3D driver's keys. The card sits on bus 0 as device 10 (0x0A).
const char kDefaultRegistry[] =
    "REGEDIT4\r\n"
    "\r\n"
    "[HKEY_LOCAL_MACHINE\\Enum\\PCI\\VEN_8086&DEV_7110&SUBSYS_00000000&REV_02]\r\n"
    "\r\n"
    "[HKEY_LOCAL_MACHINE\\Enum\\PCI\\VEN_8086&DEV_7110&SUBSYS_00000000&REV_02\\BUS_00&DEV_07&FUNC_00]\r\n"
    "\"Class\"=\"System\"\r\n"
    "\"DeviceDesc\"=\"PCI to ISA bridge\"\r\n"
    "\"Driver\"=\"System\\\\0005\"\r\n"
    "\r\n"
    "[HKEY_LOCAL_MACHINE\\Enum\\PCI\\VEN_5A3E&DEV_0C52&SUBSYS_00000000&REV_01]\r\n"
    "\r\n"
    "[HKEY_LOCAL_MACHINE\\Enum\\PCI\\VEN_5A3E&DEV_0C52&SUBSYS_00000000&REV_01\\BUS_00&DEV_0A&FUNC_00]\r\n"
    "\"Class\"=\"MEDIA\"\r\n"
    "\"DeviceDesc\"=\"Orbiq PCI Audio\"\r\n"
    "\"Mfg\"=\"Zandrel\"\r\n"
    "\"HardwareID\"=\"PCI\\\\VEN_5A3E&DEV_0C52&SUBSYS_00000000&REV_01,PCI\\\\VEN_5A3E&DEV_0C52\"\r\n"
    "\"Driver\"=\"MEDIA\\\\0001\"\r\n"
    "\r\n"
    "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Corvane\\ChipType]\r\n"
    "\"device\"=hex:00\r\n"
    "\r\n"
    "[HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Services\\Class\\MEDIA\\0001]\r\n"
    "\"DriverDesc\"=\"Orbiq PCI Audio\"\r\n"
    "\"ProviderName\"=\"Zandrel\"\r\n"
    "\"DriverDate\"=\"3-15-1999\"\r\n"
    "\r\n"
    "[HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Services\\Class\\MEDIA\\0001\\Config]\r\n"
    "\"Speakers\"=hex:02\r\n"
    "\"MaxSpeakers\"=hex:06\r\n"
    "\"StereoX2\"=hex:01\r\n"
    "\"ManufactureID\"=hex:3e,01\r\n"
    "\r\n"
    "[HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Services\\Class\\Q3D]\r\n"
    "\"QSound\"=hex:01,00,00,00\r\n"
    "\"Elevation\"=hex:00,00,00,00\r\n"
    "\"Ranging\"=hex:00,00,00,00\r\n"
    "\"RateConversion\"=hex:00,00,00,00\r\n"
    "\"Q1BassBoost\"=hex:00,00,00,00\r\n"
    "\"StereoExpand\"=hex:00,00,00,00\r\n"
    "\"Spread\"=hex:00,00,00,3f\r\n"
    "\"Center\"=hex:00,00,00,3f\r\n"
    "\"MaxPan\"=hex:00,00,00,00\r\n"
    "\"SpeakerConfig\"=hex:04,00,00,00\r\n"
    "\r\n"
    "[HKEY_CURRENT_USER\\Software\\QSound\\Q3D]\r\n"
    "\"splash time\"=hex:00,00,00,00\r\n"
    "\r\n";

// The card driver's configuration file, in the Windows directory.
const char kSoundCfg[] =
    "[WIN95]\r\n"
    "HardwareID=VEN_5A3E&DEV_0C52\r\n"
    "LyraPlusID=VEN_5A3E&DEV_2A0D\r\n"
    "\r\n"
    "[DESCRIPTION]\r\n"
    "DRIVERDESC=Orbiq PCI Audio\r\n"
    "DRIVERVERSION=4.06.1503\r\n"
    "LOADER=CVAPLT.CPL\r\n";

bool WriteFile(const fs::path& file, std::string_view text, std::string* error) {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
    out.close();
    if (!out) {
        *error = file.string() + ": cannot be written";
        return false;
    }
    return true;
}

} // namespace

bool WriteDefaultInstallation(const fs::path& dir, const fs::path& modulesDir,
                              std::string* error) {
    std::error_code ec;
    const fs::path driveC = dir / "drive_c";
    for (const char* sub : {"WINDOWS/SYSTEM", "Program Files/Orbiq"}) {
        fs::create_directories(driveC / sub, ec);
        if (ec) {
            *error = (driveC / sub).string() + ": " + ec.message();
            return false;
        }
    }
    fs::create_directories(dir / "run", ec);
    if (!WriteFile(dir / "machine.ini", Settings::DefaultFileText(), error) ||
        !WriteFile(dir / "registry.reg", kDefaultRegistry, error) ||
        !WriteFile(driveC / "WINDOWS/SOUNDCFG.INI", kSoundCfg, error) ||
        // The card's Control Panel applet belongs to the driver installation;
        // the program only ever deletes it, so its contents do not matter.
        !WriteFile(driveC / "WINDOWS/SYSTEM/CVAPLT.CPL", "Control Panel applet of the card\r\n",
                   error))
        return false;
    // The card driver's own files, which its 16-bit DLL deletes on removal.
    for (const char* file : {"ORBIQ.VXD", "ORBIQ.DRV"})
        if (!WriteFile(driveC / "WINDOWS/SYSTEM" / file, "Driver file of the card\r\n", error))
            return false;
    // The speaker test's sounds, beside the program. They are copies, not
    // links: the program writes and deletes files in its own folder. A
    // module folder without sounds (the loader's test modules) installs none.
    const fs::path sounds = modulesDir / "sounds";
    if (fs::is_directory(sounds, ec)) {
        fs::directory_iterator files(sounds, ec);
        if (ec) {
            *error = sounds.string() + ": " + ec.message();
            return false;
        }
        for (const fs::directory_entry& entry : files) {
            std::error_code kind;
            if (!entry.is_regular_file(kind)) continue;
            const fs::path to = driveC / "Program Files/Orbiq" / entry.path().filename();
            fs::copy_file(entry.path(), to, fs::copy_options::overwrite_existing, ec);
            if (ec) {
                *error = to.string() + ": " + ec.message();
                return false;
            }
        }
    }
    // The links may point at modules that are not built yet; they start to
    // work as soon as the build produces them.
    for (const ModuleLink& link : kModuleLinks) {
        fs::create_symlink(fs::absolute(modulesDir / link.built), driveC / link.drivePath, ec);
        if (ec) {
            *error = (driveC / link.drivePath).string() + ": " + ec.message();
            return false;
        }
    }
    return true;
}

void RefreshModuleLinks(const fs::path& dir, const fs::path& modulesDir) {
    for (const ModuleLink& link : kModuleLinks) {
        const fs::path at = dir / "drive_c" / link.drivePath;
        const fs::path want = fs::absolute(modulesDir / link.built);
        std::error_code ec;
        // Only a link whose target is gone is repaired: a link that works,
        // even to another file, was put there on purpose.
        if (!fs::is_symlink(fs::symlink_status(at, ec)) || fs::exists(at, ec)) continue;
        if (!fs::exists(want, ec)) continue;
        fs::remove(at, ec);
        fs::create_symlink(want, at, ec);
    }
}

} // namespace machine
