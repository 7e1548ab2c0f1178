// The mixer devices of the machine: the card's mixer driver and any other
// sound hardware's mixer, as the hardware profile ([mixer] in machine.ini)
// describes them, with the control values a driver keeps for the machine
// (DIR/devices/mixer.state) and the list of open handles that get change
// notifications (DIR/devices/mixer.clients).
//
// Every device has the same two destinations, in this order:
//   playback  the speakers: its master volume and mute, and the sources
//             wave, synth, cd, mic, linein (profile: playback_sources)
//   record    the wave input: its volume, a multiplexer choosing the
//             recording source, and the sources mix, mic, cd, linein
//             (profile: record_sources)
// Each line has a volume (0..65535 for each channel) and a mute switch.
// Lines are named "playback", "record" and "DEST.KIND" (record.mic).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace machine {

class Machine;

struct MixerListItem {
    uint32_t param1 = 0; // the source's line id
    uint32_t param2 = 0; // its component type
    std::string name;
};

struct MixerControlInfo {
    uint32_t id = 0;
    uint32_t type = 0;    // MIXERCONTROL_CONTROLTYPE_*
    uint32_t flags = 0;   // MIXERCONTROL_CONTROLF_*
    uint32_t items = 0;   // cMultipleItems; 0 unless the control is multiple
    std::string shortName, name;
    uint32_t minimum = 0, maximum = 0, steps = 0;
    std::vector<MixerListItem> list; // the items of a multiple control
    std::string kind;                // "volume", "mute", "mux"

    bool Uniform() const { return (flags & 1) != 0; }
    bool Multiple() const { return (flags & 2) != 0; }
};

struct MixerLineInfo {
    uint32_t destination = 0;
    uint32_t source = 0; // index among the destination's sources
    bool isSource = false;
    uint32_t id = 0;
    uint32_t flags = 0;
    uint32_t componentType = 0;
    uint32_t channels = 2;
    uint32_t connections = 0; // destinations: the number of sources
    uint32_t targetType = 0;
    std::string shortName, name;
    std::string path; // "playback", "record.linein", ...
    std::vector<MixerControlInfo> controls;
};

struct MixerDeviceInfo {
    uint32_t index = 0;
    uint16_t mid = 0;
    uint16_t pid = 0;
    uint32_t version = 0;
    std::string name;
    bool answers = true; // false: the driver fails every request
    std::vector<MixerLineInfo> destinations;
    std::vector<std::vector<MixerLineInfo>> sources; // per destination

    const MixerLineInfo* Destination(uint32_t d) const;
    const MixerLineInfo* Source(uint32_t d, uint32_t s) const;
    const MixerLineInfo* LineById(uint32_t id) const;
    const MixerLineInfo* LineByPath(const std::string& path) const;
    // The control with that id, and the line it belongs to.
    const MixerControlInfo* Control(uint32_t id, const MixerLineInfo** line = nullptr) const;
};

// The machine's mixer devices, built from its hardware profile.
std::vector<MixerDeviceInfo> MixerDevices(Machine& machine);

// How many 32-bit values a control holds: one per channel (one in all for a
// uniform control), times its items for a multiple control; channel-major.
size_t MixerValueCount(const MixerLineInfo& line, const MixerControlInfo& control);

// The control's current values (MixerValueCount of them).
std::vector<uint32_t> GetMixerValues(Machine& machine, const MixerDeviceInfo& device,
                                     const MixerLineInfo& line, const MixerControlInfo& control);

enum class MixerSetResult { Ok, BadValue, NotStored };
// Stores new values for the control: MixerValueCount of them, each within
// the control's bounds; a multiplexer takes exactly one selected item.
MixerSetResult SetMixerValues(Machine& machine, const MixerDeviceInfo& device,
                              const MixerLineInfo& line, const MixerControlInfo& control,
                              const std::vector<uint32_t>& values);

// An open mixer handle whose window is told of control changes.
struct MixerClient {
    int pid = 0;
    uint32_t handle = 0;
    uint32_t device = 0;
    uint32_t window = 0;
};
bool AddMixerClient(Machine& machine, const MixerClient& client);
void RemoveMixerClient(Machine& machine, int pid, uint32_t handle);
// The clients of a device whose process still runs.
std::vector<MixerClient> MixerClients(Machine& machine, uint32_t device);

} // namespace machine
