// The machine's PCI bus, as its hardware profile ([pci] in machine.ini)
// describes it: the card with its place, chip variant and revision, and the
// other devices. The platform's PCI BIOS services and configuration ports
// (platform/kernel/pci.cpp) read it.
//
// The card's configuration header carries vendor 0x5A3E and its device id,
// unless the profile hides it from the BIOS: then the header's device id
// reads 0 and only the copy of the identification at offset 0x98 tells the
// card, so that only a scan of that register finds it.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

namespace machine {

class Settings;

struct PciAddress {
    uint8_t bus = 0;
    uint8_t device = 0;   // 0 to 31
    uint8_t function = 0; // 0 to 7

    // The PCI BIOS's word: bus in the high byte, device * 8 + function below.
    uint16_t BusDevFn() const {
        return static_cast<uint16_t>(bus << 8 | device << 3 | function);
    }
    static PciAddress FromBusDevFn(uint16_t word) {
        return {static_cast<uint8_t>(word >> 8), static_cast<uint8_t>((word >> 3) & 0x1F),
                static_cast<uint8_t>(word & 7)};
    }
    bool operator==(const PciAddress&) const = default;
};

constexpr uint16_t kCardVendorId = 0x5A3E;
// Where the card keeps a copy of its identification (vendor | device << 16).
constexpr uint8_t kCardIdCopyRegister = 0x98;

struct PciDevice {
    PciAddress at;
    std::array<uint8_t, 256> config{}; // the configuration space
};

class PciBus {
  public:
    // The bus of the machine's profile.
    explicit PciBus(const Settings& settings);

    // The `index`-th device (from 0) whose header carries this vendor and
    // device id, in bus, device, function order.
    std::optional<PciAddress> Find(uint16_t vendor, uint16_t device, uint16_t index) const;

    // The 32-bit register at `offset` (rounded down to four bytes) of the
    // device at `at`; nothing when no device is there.
    std::optional<uint32_t> ReadDword(const PciAddress& at, uint8_t offset) const;
    std::optional<uint8_t> ReadByte(const PciAddress& at, uint8_t offset) const;

    // The profile makes the BIOS's read-configuration service fail.
    bool BiosReadFails() const { return biosReadFails_; }

    const std::vector<PciDevice>& Devices() const { return devices_; }

  private:
    const PciDevice* At(const PciAddress& at) const;

    std::vector<PciDevice> devices_; // in bus, device, function order
    bool biosReadFails_ = false;
};

} // namespace machine
