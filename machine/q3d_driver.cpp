#include "q3d_driver.h"

#include "device_state.h"
#include "machine.h"

#include <cstdio>
#include <string>

namespace machine {
namespace {

constexpr const char* kClassKey = "System\\CurrentControlSet\\Services\\Class\\Q3D";

struct Property {
    Q3DSet set;
    uint32_t id;
    size_t size;
    const char* registryValue; // where the start value comes from, or null
    uint32_t first, second;    // the start value without one (second: 8-byte data only)
};

// 0x3F000000 is 0.5 as an IEEE-754 single: spread and centre start in the
// middle when the registry has nothing to say.
const Property kProperties[] = {
    {Q3DSet::Option, 0, 4, "QSound", 1, 0},
    {Q3DSet::Option, 1, 4, "MaxPan", 0, 0},
    {Q3DSet::Option, 2, 4, nullptr, 0, 0},
    {Q3DSet::Option, 3, 4, "StereoExpand", 0, 0},
    {Q3DSet::Option, 4, 4, "Elevation", 0, 0},
    {Q3DSet::Option, 5, 4, "Ranging", 0, 0},
    {Q3DSet::Option, 8, 4, "RateConversion", 0, 0},
    {Q3DSet::Option, 9, 4, "Spread", 0x3F000000, 0},
    {Q3DSet::Option, 10, 4, "Center", 0x3F000000, 0},
    {Q3DSet::Driver, 5, 4, "Q1BassBoost", 0, 0},
    {Q3DSet::Driver, 8, 4, nullptr, kQ3DDriverVersion, 0},
    // The environment: kind and index, from the profile ([q3d]
    // environment_kind, environment_index: 0 and -1, no environment).
    {Q3DSet::Driver, 12, 8, nullptr, 0, 0xFFFFFFFF},
};

const Property* Find(Q3DSet set, uint32_t id) {
    for (const Property& p : kProperties)
        if (p.set == set && p.id == id) return &p;
    return nullptr;
}

std::string Key(const Property& p) {
    return std::string(p.set == Q3DSet::Option ? "option." : "driver.") + std::to_string(p.id);
}

std::string ToHex(const std::vector<uint8_t>& data) {
    std::string out;
    char buf[4];
    for (uint8_t b : data) {
        std::snprintf(buf, sizeof buf, "%02x", b);
        out += buf;
    }
    return out;
}

bool FromHex(const std::string& text, size_t size, std::vector<uint8_t>* out) {
    if (text.size() != size * 2) return false;
    out->clear();
    for (size_t i = 0; i < size; ++i) {
        unsigned v;
        if (std::sscanf(text.substr(i * 2, 2).c_str(), "%2x", &v) != 1) return false;
        out->push_back(static_cast<uint8_t>(v));
    }
    return true;
}

void PutWord(std::vector<uint8_t>* out, uint32_t v) {
    for (int i = 0; i < 4; ++i) out->push_back(static_cast<uint8_t>(v >> (8 * i)));
}

std::vector<uint8_t> Fallback(const Property& p) {
    std::vector<uint8_t> data;
    PutWord(&data, p.first);
    if (p.size == 8) PutWord(&data, p.second);
    return data;
}

// The value the driver starts with: its registry value when that holds
// exactly 4 bytes, else its fallback.
std::vector<uint8_t> StartValue(Machine& machine, const Property& p) {
    if (p.set == Q3DSet::Driver && p.id == 12) {
        std::vector<uint8_t> data;
        PutWord(&data, static_cast<uint32_t>(machine.settings().Int("q3d", "environment_kind")));
        PutWord(&data, static_cast<uint32_t>(machine.settings().Int("q3d", "environment_index")));
        return data;
    }
    if (p.registryValue != nullptr) {
        RegistryValue value;
        if (machine.registry().GetValue(RegistryRoot::LocalMachine, kClassKey, p.registryValue,
                                        &value) == 0 &&
            value.data.size() == 4)
            return value.data;
    }
    return Fallback(p);
}

} // namespace

size_t Q3DPropertySize(Q3DSet set, uint32_t id) {
    const Property* p = Find(set, id);
    return p != nullptr ? p->size : 0;
}

bool Q3DPropertyWritable(Q3DSet set, uint32_t id) {
    return Find(set, id) != nullptr && !(set == Q3DSet::Driver && id == 8);
}

void StartQ3DDriver(Machine& machine) {
    DeviceStateFile file(machine, "q3d");
    if (file.Exists()) return;
    file.Update([&](DeviceStateFile::Values& values, bool existed) {
        if (existed) return; // another program started it meanwhile
        for (const Property& p : kProperties) values[Key(p)] = ToHex(StartValue(machine, p));
    });
}

bool GetQ3DProperty(Machine& machine, Q3DSet set, uint32_t id, std::vector<uint8_t>* data) {
    const Property* p = Find(set, id);
    if (p == nullptr) return false;
    StartQ3DDriver(machine);
    const DeviceStateFile::Values values = DeviceStateFile(machine, "q3d").Read();
    auto it = values.find(Key(*p));
    // An edited or damaged entry reads as the driver's fallback.
    if (it == values.end() || !FromHex(it->second, p->size, data)) *data = Fallback(*p);
    return true;
}

bool SetQ3DProperty(Machine& machine, Q3DSet set, uint32_t id, const std::vector<uint8_t>& data) {
    const Property* p = Find(set, id);
    if (p == nullptr || !Q3DPropertyWritable(set, id) || data.size() != p->size) return false;
    StartQ3DDriver(machine);
    return DeviceStateFile(machine, "q3d").Update(
        [&](DeviceStateFile::Values& values, bool) { values[Key(*p)] = ToHex(data); });
}

} // namespace machine
