#include "card_mixer.h"

#include "device_state.h"
#include "machine.h"

#include <mmsystem.h>
#include <signal.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <sstream>

namespace machine {
namespace {

// The kinds of source line the driver knows. The code makes the default
// line id, (code << 16) | destination: wave has the lowest code, so that
// line-in, listed after it on the playback destination, has a higher id.
//
// Mix and line-in are reported with component type 0x100A. The program
// looks up its auxiliary rows by that value, and its search on a playback
// destination takes such a line only after a wave-output line with a lower
// id; the driver lists its lines to fit.
struct SourceKind {
    const char* kind;
    uint32_t code;
    uint32_t componentType;
    uint32_t targetType;
    const char* shortName;
    const char* name;
};
const SourceKind kSourceKinds[] = {
    {"wave", 0, MIXERLINE_COMPONENTTYPE_SRC_WAVEOUT, MIXERLINE_TARGETTYPE_WAVEOUT, "Wave", "Wave"},
    {"linein", 1, MIXERLINE_COMPONENTTYPE_SRC_ANALOG, MIXERLINE_TARGETTYPE_UNDEFINED, "Line In",
     "Line In"},
    {"mix", 2, MIXERLINE_COMPONENTTYPE_SRC_ANALOG, MIXERLINE_TARGETTYPE_UNDEFINED, "Mix",
     "Stereo Mix"},
    {"mic", 3, MIXERLINE_COMPONENTTYPE_SRC_MICROPHONE, MIXERLINE_TARGETTYPE_UNDEFINED, "Mic",
     "Microphone"},
    {"cd", 4, MIXERLINE_COMPONENTTYPE_SRC_COMPACTDISC, MIXERLINE_TARGETTYPE_UNDEFINED, "CD",
     "CD Audio"},
    {"synth", 5, MIXERLINE_COMPONENTTYPE_SRC_SYNTHESIZER, MIXERLINE_TARGETTYPE_MIDIOUT, "Synth",
     "Synthesizer"},
};

const SourceKind* FindKind(const std::string& kind) {
    for (const SourceKind& k : kSourceKinds)
        if (kind == k.kind) return &k;
    return nullptr;
}

// A new machine's level: volume slider step 3 of 15, a clear middle-high
// setting that the program's slider arithmetic gives back exactly.
constexpr uint32_t kDefaultVolume = 52428;
constexpr uint32_t kMaxVolume = 65535;
constexpr uint32_t kDriverVersion = 0x0406;
constexpr uint16_t kCardProductId = 0x0C52;

bool ParseNumber(const std::string& text, uint32_t* out) {
    if (text.empty() || text.size() > 12) return false;
    errno = 0;
    char* end = nullptr;
    unsigned long long v = std::strtoull(text.c_str(), &end, 0);
    if (errno != 0 || *end != '\0' || text[0] == '-' || v > 0xFFFFFFFFull) return false;
    *out = static_cast<uint32_t>(v);
    return true;
}

MixerControlInfo VolumeControl() {
    MixerControlInfo c;
    c.type = MIXERCONTROL_CONTROLTYPE_VOLUME;
    c.shortName = "Volume";
    c.name = "Volume";
    c.minimum = 0;
    c.maximum = kMaxVolume;
    c.steps = kMaxVolume + 1;
    c.kind = "volume";
    return c;
}

MixerControlInfo MuteControl() {
    MixerControlInfo c;
    c.type = MIXERCONTROL_CONTROLTYPE_MUTE;
    c.flags = MIXERCONTROL_CONTROLF_UNIFORM;
    c.shortName = "Mute";
    c.name = "Mute";
    c.minimum = 0;
    c.maximum = 1;
    c.kind = "mute";
    return c;
}

// One device's lines from the profile; `index` is the device's number.
MixerDeviceInfo BuildDevice(Settings& settings, uint32_t index, bool card) {
    MixerDeviceInfo dev;
    dev.index = index;
    dev.mid = static_cast<uint16_t>(settings.Int("mixer", card ? "card_mid" : "other_mid"));
    dev.pid = card ? kCardProductId : 1;
    dev.version = kDriverVersion;
    dev.name = card ? "Orbiq PCI Audio Mixer" : "Other Audio Mixer " + std::to_string(index + 1);
    dev.answers = settings.Int("mixer", "broken_device") != static_cast<long>(index);

    const std::vector<std::string> mono = SplitProfileList(settings.Text("mixer", "mono_lines"));
    auto channelsOf = [&](const std::string& path) {
        return std::find(mono.begin(), mono.end(), path) != mono.end() ? 1u : 2u;
    };

    struct DestinationKind {
        const char* path;
        uint32_t componentType, targetType;
        const char* shortName;
        const char* name;
        const char* sourcesKey;
    };
    const DestinationKind kDestinations[] = {
        {"playback", MIXERLINE_COMPONENTTYPE_DST_SPEAKERS, MIXERLINE_TARGETTYPE_WAVEOUT, "Master",
         "Master", "playback_sources"},
        {"record", MIXERLINE_COMPONENTTYPE_DST_WAVEIN, MIXERLINE_TARGETTYPE_WAVEIN, "Recording",
         "Recording", "record_sources"},
    };

    uint32_t nextControlId = 1;
    for (uint32_t d = 0; d < 2; ++d) {
        const DestinationKind& dk = kDestinations[d];
        MixerLineInfo dest;
        dest.destination = d;
        dest.id = 0xFFFF0000u | d;
        dest.flags = MIXERLINE_LINEF_ACTIVE;
        dest.componentType = dk.componentType;
        dest.targetType = dk.targetType;
        dest.shortName = dk.shortName;
        dest.name = dk.name;
        dest.path = dk.path;
        dest.channels = channelsOf(dest.path);

        std::vector<MixerLineInfo> sources;
        for (const std::string& entry : SplitProfileList(settings.Text("mixer", dk.sourcesKey))) {
            // KIND or KIND:LINEID; an entry the driver does not know is left out.
            std::string kindName = entry.substr(0, entry.find(':'));
            const SourceKind* kind = FindKind(kindName);
            if (kind == nullptr) continue;
            MixerLineInfo src;
            src.destination = d;
            src.source = static_cast<uint32_t>(sources.size());
            src.isSource = true;
            src.id = (kind->code << 16) | d;
            if (entry.find(':') != std::string::npos &&
                !ParseNumber(entry.substr(entry.find(':') + 1), &src.id))
                continue;
            src.flags = MIXERLINE_LINEF_ACTIVE | MIXERLINE_LINEF_SOURCE;
            src.componentType = kind->componentType;
            src.targetType = kind->targetType;
            src.shortName = kind->shortName;
            src.name = kind->name;
            src.path = std::string(dk.path) + "." + kind->kind;
            src.channels = channelsOf(src.path);
            sources.push_back(std::move(src));
        }
        dest.connections = static_cast<uint32_t>(sources.size());

        dest.controls.push_back(VolumeControl());
        dest.controls.push_back(MuteControl());
        if (d == 1 && settings.Bool("mixer", "record_mux") && !sources.empty()) {
            MixerControlInfo mux;
            mux.type = MIXERCONTROL_CONTROLTYPE_MUX;
            mux.flags = MIXERCONTROL_CONTROLF_UNIFORM | MIXERCONTROL_CONTROLF_MULTIPLE;
            mux.items = static_cast<uint32_t>(sources.size());
            mux.shortName = "Rec Source";
            mux.name = "Recording Source";
            mux.minimum = 0;
            mux.maximum = mux.items - 1;
            mux.steps = mux.items;
            mux.kind = "mux";
            for (const MixerLineInfo& s : sources)
                mux.list.push_back({s.id, s.componentType, s.name});
            dest.controls.push_back(std::move(mux));
        }
        for (MixerControlInfo& c : dest.controls) c.id = nextControlId++;
        for (MixerLineInfo& s : sources) {
            s.controls = {VolumeControl(), MuteControl()};
            for (MixerControlInfo& c : s.controls) c.id = nextControlId++;
        }
        dev.destinations.push_back(std::move(dest));
        dev.sources.push_back(std::move(sources));
    }
    return dev;
}

std::string StateKey(const MixerDeviceInfo& device, const MixerLineInfo& line,
                     const MixerControlInfo& control) {
    char id[16];
    std::snprintf(id, sizeof id, "%08X", static_cast<unsigned>(line.id));
    return std::to_string(device.index) + "." + (line.isSource ? "" : "dest.") + id + "." +
           control.kind;
}

std::vector<uint32_t> DefaultValues(const MixerLineInfo& line, const MixerControlInfo& control) {
    std::vector<uint32_t> values(MixerValueCount(line, control), 0);
    if (control.kind == "volume") std::fill(values.begin(), values.end(), kDefaultVolume);
    if (control.kind == "mux" && !values.empty()) {
        // The microphone records on a new machine, as Windows sets it up.
        size_t pick = 0;
        for (size_t i = 0; i < control.list.size(); ++i)
            if (control.list[i].param2 == MIXERLINE_COMPONENTTYPE_SRC_MICROPHONE) {
                pick = i;
                break;
            }
        values[pick] = 1;
    }
    return values;
}

bool Switch(const MixerControlInfo& control) { return control.kind != "volume"; }

// Switches and multiplexer items hold 0 or 1; exactly one item of a
// multiplexer is selected.
bool ValidValues(const MixerControlInfo& control, const std::vector<uint32_t>& values) {
    for (uint32_t v : values)
        if (Switch(control) ? v > 1 : v < control.minimum || v > control.maximum) return false;
    if (control.kind == "mux" && std::count(values.begin(), values.end(), 1u) != 1) return false;
    return true;
}

bool Alive(int pid) { return pid > 0 && (kill(pid, 0) == 0 || errno == EPERM); }

std::string ClientKey(int pid, uint32_t handle) {
    return std::to_string(pid) + "." + std::to_string(handle);
}

} // namespace

const MixerLineInfo* MixerDeviceInfo::Destination(uint32_t d) const {
    return d < destinations.size() ? &destinations[d] : nullptr;
}

const MixerLineInfo* MixerDeviceInfo::Source(uint32_t d, uint32_t s) const {
    return d < sources.size() && s < sources[d].size() ? &sources[d][s] : nullptr;
}

const MixerLineInfo* MixerDeviceInfo::LineById(uint32_t id) const {
    for (size_t d = 0; d < destinations.size(); ++d) {
        if (destinations[d].id == id) return &destinations[d];
        for (const MixerLineInfo& s : sources[d])
            if (s.id == id) return &s;
    }
    return nullptr;
}

const MixerLineInfo* MixerDeviceInfo::LineByPath(const std::string& path) const {
    for (size_t d = 0; d < destinations.size(); ++d) {
        if (destinations[d].path == path) return &destinations[d];
        for (const MixerLineInfo& s : sources[d])
            if (s.path == path) return &s;
    }
    return nullptr;
}

const MixerControlInfo* MixerDeviceInfo::Control(uint32_t id, const MixerLineInfo** line) const {
    auto search = [&](const MixerLineInfo& l) -> const MixerControlInfo* {
        for (const MixerControlInfo& c : l.controls)
            if (c.id == id) {
                if (line != nullptr) *line = &l;
                return &c;
            }
        return nullptr;
    };
    for (size_t d = 0; d < destinations.size(); ++d) {
        if (const MixerControlInfo* c = search(destinations[d])) return c;
        for (const MixerLineInfo& s : sources[d])
            if (const MixerControlInfo* c = search(s)) return c;
    }
    return nullptr;
}

std::vector<MixerDeviceInfo> MixerDevices(Machine& machine) {
    Settings& settings = machine.settings();
    // More devices than a driver list would hold make no sense; the bound
    // keeps a wild profile value from building millions of them.
    const long count = std::clamp<long>(settings.Int("mixer", "devices"), 0, 32);
    const long card = settings.Int("mixer", "card_device");
    std::vector<MixerDeviceInfo> devices;
    for (long i = 0; i < count; ++i)
        devices.push_back(BuildDevice(settings, static_cast<uint32_t>(i), i == card));
    return devices;
}

size_t MixerValueCount(const MixerLineInfo& line, const MixerControlInfo& control) {
    size_t channels = control.Uniform() ? 1 : std::max<uint32_t>(line.channels, 1);
    size_t items = control.Multiple() ? std::max<uint32_t>(control.items, 1) : 1;
    return channels * items;
}

std::vector<uint32_t> GetMixerValues(Machine& machine, const MixerDeviceInfo& device,
                                     const MixerLineInfo& line, const MixerControlInfo& control) {
    const DeviceStateFile::Values state = DeviceStateFile(machine, "mixer").Read();
    std::vector<uint32_t> values = DefaultValues(line, control);
    auto it = state.find(StateKey(device, line, control));
    if (it == state.end()) return values;
    // A stored value that no longer fits the line (the profile changed, or
    // the file was edited) gives way to the default.
    std::vector<uint32_t> stored;
    std::istringstream in(it->second);
    std::string word;
    while (in >> word && stored.size() <= values.size()) {
        uint32_t v;
        if (!ParseNumber(word, &v)) return values;
        stored.push_back(v);
    }
    if (stored.size() != values.size() || !ValidValues(control, stored)) return values;
    return stored;
}

MixerSetResult SetMixerValues(Machine& machine, const MixerDeviceInfo& device,
                              const MixerLineInfo& line, const MixerControlInfo& control,
                              const std::vector<uint32_t>& values) {
    std::vector<uint32_t> stored = values;
    // A switch takes any non-zero value as on, as a BOOL does.
    if (Switch(control))
        for (uint32_t& v : stored) v = v != 0 ? 1 : 0;
    if (stored.size() != MixerValueCount(line, control) || !ValidValues(control, stored))
        return MixerSetResult::BadValue;
    std::string text;
    for (uint32_t v : stored) text += (text.empty() ? "" : " ") + std::to_string(v);
    const std::string key = StateKey(device, line, control);
    bool ok = DeviceStateFile(machine, "mixer").Update(
        [&](DeviceStateFile::Values& state, bool) { state[key] = text; });
    return ok ? MixerSetResult::Ok : MixerSetResult::NotStored;
}

bool AddMixerClient(Machine& machine, const MixerClient& client) {
    return DeviceStateFile(machine, "mixer.clients")
        .Update([&](DeviceStateFile::Values& clients, bool) {
            // Entries of processes that ended without closing go here.
            for (auto it = clients.begin(); it != clients.end();)
                it = Alive(std::atoi(it->first.c_str())) ? std::next(it) : clients.erase(it);
            clients[ClientKey(client.pid, client.handle)] =
                std::to_string(client.device) + " " + std::to_string(client.window);
        });
}

void RemoveMixerClient(Machine& machine, int pid, uint32_t handle) {
    DeviceStateFile(machine, "mixer.clients").Update([&](DeviceStateFile::Values& clients, bool) {
        clients.erase(ClientKey(pid, handle));
    });
}

std::vector<MixerClient> MixerClients(Machine& machine, uint32_t device) {
    std::vector<MixerClient> out;
    for (const auto& [key, value] : DeviceStateFile(machine, "mixer.clients").Read()) {
        MixerClient c;
        unsigned long handle = 0, dev = 0, window = 0;
        if (std::sscanf(key.c_str(), "%d.%lu", &c.pid, &handle) != 2 ||
            std::sscanf(value.c_str(), "%lu %lu", &dev, &window) != 2)
            continue;
        c.handle = static_cast<uint32_t>(handle);
        c.device = static_cast<uint32_t>(dev);
        c.window = static_cast<uint32_t>(window);
        if (c.device == device && Alive(c.pid)) out.push_back(c);
    }
    return out;
}

} // namespace machine
