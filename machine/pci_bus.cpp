#include "pci_bus.h"

#include "device_state.h"
#include "settings.h"

#include <algorithm>
#include <cstdio>
#include <string>

namespace machine {
namespace {

void PutWord(PciDevice& d, uint8_t offset, uint16_t value) {
    d.config[offset] = static_cast<uint8_t>(value);
    d.config[offset + 1] = static_cast<uint8_t>(value >> 8);
}

PciDevice MakeDevice(const PciAddress& at, uint16_t vendor, uint16_t device) {
    PciDevice d;
    d.at = at;
    PutWord(d, 0x00, vendor);
    PutWord(d, 0x02, device);
    return d;
}

bool InRange(long value, long max) { return value >= 0 && value <= max; }

// "BUS:DEVICE.FUNCTION=VENDOR:DEVICE", the place in decimal and the ids in
// hexadecimal, as in "0:7.0=8086:7110".
std::optional<PciDevice> ParseOtherDevice(const std::string& entry) {
    unsigned bus = 0, device = 0, function = 0, vendor = 0, id = 0;
    int used = 0;
    if (std::sscanf(entry.c_str(), "%u:%u.%u=%x:%x%n", &bus, &device, &function, &vendor, &id,
                    &used) != 5 ||
        static_cast<size_t>(used) != entry.size())
        return std::nullopt;
    if (bus > 255 || device > 31 || function > 7 || vendor > 0xFFFF || id > 0xFFFF)
        return std::nullopt;
    return MakeDevice({static_cast<uint8_t>(bus), static_cast<uint8_t>(device),
                       static_cast<uint8_t>(function)},
                      static_cast<uint16_t>(vendor), static_cast<uint16_t>(id));
}

} // namespace

PciBus::PciBus(const Settings& settings) {
    biosReadFails_ = settings.Bool("pci", "bios_read_fails");

    std::optional<PciAddress> cardAt;
    const long bus = settings.Int("pci", "card_bus");
    const long device = settings.Int("pci", "card_device");
    const long function = settings.Int("pci", "card_function");
    const long id = settings.Int("pci", "card_device_id");
    // A card placed outside the bus's ranges is not on the bus at all.
    if (settings.Bool("pci", "card_present") && InRange(bus, 255) && InRange(device, 31) &&
        InRange(function, 7) && InRange(id, 0xFFFF)) {
        cardAt = PciAddress{static_cast<uint8_t>(bus), static_cast<uint8_t>(device),
                            static_cast<uint8_t>(function)};
        const bool inBios = settings.Bool("pci", "card_in_bios");
        PciDevice card = MakeDevice(*cardAt, kCardVendorId, inBios ? static_cast<uint16_t>(id) : 0);
        card.config[0x08] = static_cast<uint8_t>(settings.Int("pci", "card_revision"));
        card.config[0x0A] = 0x01; // multimedia audio controller
        card.config[0x0B] = 0x04;
        PutWord(card, kCardIdCopyRegister, kCardVendorId);
        PutWord(card, kCardIdCopyRegister + 2, static_cast<uint16_t>(id));
        devices_.push_back(card);
    }
    for (const std::string& entry : SplitProfileList(settings.Text("pci", "other_devices"))) {
        std::optional<PciDevice> other = ParseOtherDevice(entry);
        // The card, and the first device given for a place, keep their place.
        if (!other || At(other->at) != nullptr) continue;
        devices_.push_back(*other);
    }
    std::sort(devices_.begin(), devices_.end(), [](const PciDevice& a, const PciDevice& b) {
        return a.at.BusDevFn() < b.at.BusDevFn();
    });
}

const PciDevice* PciBus::At(const PciAddress& at) const {
    for (const PciDevice& d : devices_)
        if (d.at == at) return &d;
    return nullptr;
}

std::optional<PciAddress> PciBus::Find(uint16_t vendor, uint16_t device, uint16_t index) const {
    for (const PciDevice& d : devices_) {
        const uint16_t v = static_cast<uint16_t>(d.config[0] | d.config[1] << 8);
        const uint16_t i = static_cast<uint16_t>(d.config[2] | d.config[3] << 8);
        if (v == vendor && i == device && index-- == 0) return d.at;
    }
    return std::nullopt;
}

std::optional<uint32_t> PciBus::ReadDword(const PciAddress& at, uint8_t offset) const {
    const PciDevice* d = At(at);
    if (d == nullptr) return std::nullopt;
    const size_t o = offset & 0xFCu;
    return static_cast<uint32_t>(d->config[o]) | static_cast<uint32_t>(d->config[o + 1]) << 8 |
           static_cast<uint32_t>(d->config[o + 2]) << 16 |
           static_cast<uint32_t>(d->config[o + 3]) << 24;
}

std::optional<uint8_t> PciBus::ReadByte(const PciAddress& at, uint8_t offset) const {
    const PciDevice* d = At(at);
    if (d == nullptr) return std::nullopt;
    return d->config[offset];
}

} // namespace machine
