// The DirectSound devices of the machine, as its hardware profile
// ([dsound] in machine.ini) describes them, and the speaker configuration
// that DirectSound keeps for the machine (DIR/devices/dsound.state).
//
// Device 0 is the card's and the default device. For each device the
// profile says whether another program holds it, whether it has hardware 3D
// buffers, whether its buffers offer the property-set interface, and
// whether the 3D-audio driver serves it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include <windef.h>

namespace machine {

class Machine;

struct DirectSoundDeviceInfo {
    uint32_t index = 0;
    GUID guid{};
    std::string description;
    std::string module;
    bool held = false;        // another program has it: creation fails
    bool hardware3d = true;   // can make 3D buffers in hardware
    bool propertySet = true;  // its hardware buffers answer IKsPropertySet
    bool q3d = true;          // the 3D-audio driver serves it
};

std::vector<DirectSoundDeviceInfo> DirectSoundDevices(Machine& machine);

// The speaker configuration (DSSPEAKER_*): the profile's start value until
// a program sets one.
uint32_t GetSpeakerConfig(Machine& machine);
bool SetSpeakerConfig(Machine& machine, uint32_t config);

} // namespace machine
