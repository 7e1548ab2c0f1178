#include "dsound_devices.h"

#include "device_state.h"
#include "machine.h"

#include <algorithm>
#include <cstdlib>

namespace machine {
namespace {

bool Listed(Settings& settings, const char* key, uint32_t index) {
    for (const std::string& entry : SplitProfileList(settings.Text("dsound", key))) {
        char* end = nullptr;
        unsigned long v = std::strtoul(entry.c_str(), &end, 0);
        if (end != entry.c_str() && *end == '\0' && v == index) return true;
    }
    return false;
}

} // namespace

std::vector<DirectSoundDeviceInfo> DirectSoundDevices(Machine& machine) {
    Settings& settings = machine.settings();
    // A bound for a wild profile value; Windows lists a handful at most.
    const long count = std::clamp<long>(settings.Int("dsound", "devices"), 0, 64);
    std::vector<DirectSoundDeviceInfo> devices;
    for (long i = 0; i < count; ++i) {
        DirectSoundDeviceInfo d;
        d.index = static_cast<uint32_t>(i);
        d.guid = {0x5A3E0C00u + d.index, 0x0C52, 0x11D2,
                  {0x9B, 0x41, 0x00, 0x60, 0x08, 0x3E, 0x52, 0x0C}};
        d.description = i == 0 ? "Orbiq PCI Audio" : "Orbiq PCI Audio #" + std::to_string(i + 1);
        d.module = "orbiq.vxd";
        d.held = Listed(settings, "held", d.index);
        d.hardware3d = !Listed(settings, "no_hardware_3d", d.index);
        d.propertySet = !Listed(settings, "no_property_set", d.index);
        d.q3d = !Listed(settings, "no_q3d", d.index);
        devices.push_back(d);
    }
    return devices;
}

uint32_t GetSpeakerConfig(Machine& machine) {
    const DeviceStateFile::Values values = DeviceStateFile(machine, "dsound").Read();
    auto it = values.find("speaker_config");
    if (it != values.end()) {
        char* end = nullptr;
        unsigned long v = std::strtoul(it->second.c_str(), &end, 0);
        if (end != it->second.c_str() && *end == '\0') return static_cast<uint32_t>(v);
    }
    return static_cast<uint32_t>(machine.settings().Int("dsound", "speaker_config"));
}

bool SetSpeakerConfig(Machine& machine, uint32_t config) {
    if (machine.settings().Bool("dsound", "speaker_config_fails")) return false;
    return DeviceStateFile(machine, "dsound").Update([&](DeviceStateFile::Values& values, bool) {
        values["speaker_config"] = std::to_string(config);
    });
}

} // namespace machine
