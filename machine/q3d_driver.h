// The 3D-audio driver behind the two property sets of a hardware 3D buffer:
// the option set {7CA99CA1-CD07-11D0-A6C0-00A0C9248633} and the driver set
// {7CA99CA0-CD07-11D0-A6C0-00A0C9248633}.
//
// Its live values last for the machine (DIR/devices/q3d.state). When the
// driver starts on a machine without that file, it takes them from its
// registry class key "System\CurrentControlSet\Services\Class\Q3D", each a
// 4-byte binary value. Values are kept as the bytes a program sets: a switch
// set to 2 stays 2, a float keeps its bits.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include <windef.h>

namespace machine {

class Machine;

inline constexpr GUID kQ3DOptionSet = {0x7CA99CA1, 0xCD07, 0x11D0,
                                       {0xA6, 0xC0, 0x00, 0xA0, 0xC9, 0x24, 0x86, 0x33}};
inline constexpr GUID kQ3DDriverSet = {0x7CA99CA0, 0xCD07, 0x11D0,
                                       {0xA6, 0xC0, 0x00, 0xA0, 0xC9, 0x24, 0x86, 0x33}};

enum class Q3DSet { Option, Driver };

// The driver's version, as driver property 8 reports it.
constexpr uint32_t kQ3DDriverVersion = 0x00020005;

// The size of a property's data in bytes, or 0 when the driver has no such
// property. Driver property 12 (the environment: kind, then index) has 8.
size_t Q3DPropertySize(Q3DSet set, uint32_t id);
// Whether the property can be set (the version cannot).
bool Q3DPropertyWritable(Q3DSet set, uint32_t id);

// Starts the driver on the machine: when its live values are missing they
// are taken from the registry. Every other call starts it as well.
void StartQ3DDriver(Machine& machine);

// The property's live value (Q3DPropertySize bytes); false when there is no
// such property.
bool GetQ3DProperty(Machine& machine, Q3DSet set, uint32_t id, std::vector<uint8_t>* data);
// Stores a new value of exactly Q3DPropertySize bytes; false when the
// property does not exist, cannot be set, or the value cannot be stored.
bool SetQ3DProperty(Machine& machine, Q3DSet set, uint32_t id, const std::vector<uint8_t>& data);

} // namespace machine
